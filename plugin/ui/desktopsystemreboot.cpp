// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "desktopsystemreboot.h"

#include <KLocalizedString>

#include <QMessageBox>
#include <QProcess>

bool DesktopSystemReboot::confirm()
{
    QMessageBox question(QMessageBox::Question,
                         i18nd("velun_kcm_quotas", "Reboot Request"),
                         i18nd("velun_kcm_quotas", "Reboot required to have changes take effect. Continue?"),
                         QMessageBox::Yes | QMessageBox::No);
    question.setDefaultButton(QMessageBox::Yes);
    return question.exec() == QMessageBox::Yes;
}

void DesktopSystemReboot::runTool(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment, int timeoutMs)
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments, QIODevice::ReadWrite);
    tool.waitForFinished(timeoutMs);
}
