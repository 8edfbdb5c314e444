// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/ui/systemreboot.h"

// Asks with a question box and starts the tool as a child process.
class DesktopSystemReboot : public SystemReboot
{
public:
    bool confirm() override;
    void runTool(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment, int timeoutMs) override;
};
