// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The two things a reboot request does that a test must not: ask the
// administrator in a modal box and start the desktop's reboot tool. The
// module hands the real one (DesktopSystemReboot) to the general tab.
class SystemReboot
{
public:
    virtual ~SystemReboot() = default;

    // True when the administrator agreed to reboot.
    virtual bool confirm() = 0;
    // Starts the tool and waits for it at most `timeoutMs`; its outcome is
    // the tool's own affair.
    virtual void runTool(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment, int timeoutMs) = 0;
};
