// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "warnquotacronline.h"

#include "common/configurationfilerule.h"
#include "common/helperprotocol.h"

#include <QRegularExpression>

namespace
{
// A line feed would start a second cron line, and cron turns '%' in a
// command into a line feed on the program's input.
bool hasForbiddenCharacter(const QString &line)
{
    for (const QChar c : line) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f || c == QLatin1Char('%')) {
            return true;
        }
    }
    return false;
}
}

bool WarnquotaCronLine::isHeaderLine(const QString &line)
{
    return HelperProtocol::CronHeaderLines.contains(line);
}

bool WarnquotaCronLine::isJob(const QString &line, QList<NamedFile> *files)
{
    if (hasForbiddenCharacter(line)) {
        return false;
    }
    static const QRegularExpression job(HelperProtocol::CronWarnquotaJobPattern);
    const QRegularExpressionMatch match = job.match(line);
    if (!match.hasMatch()) {
        return false;
    }
    QList<NamedFile> named;
    const QStringList tokens = match.captured(1).split(QRegularExpression(QStringLiteral("[ \t]+")), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (token == QLatin1String("-u") || token == QLatin1String("-g")) {
            continue;
        }
        bool known = false;
        for (const ConfigFileRoleId role : {WarnquotaConfRole, GroupAdminsRole, QuotaTabRole}) {
            const QString option = ConfigurationFileRule::option(role);
            if (token.startsWith(option)) {
                named.append({token.mid(option.size()), role});
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
    }
    if (files) {
        *files = named;
    }
    return true;
}
