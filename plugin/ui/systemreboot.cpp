// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemreboot.h"

#include "desktopsystemreboot.h"

namespace
{
SystemReboot *s_replacement = nullptr;
}

SystemReboot &SystemReboot::instance()
{
    static DesktopSystemReboot desktop;
    return s_replacement ? *s_replacement : desktop;
}

void SystemReboot::setInstance(SystemReboot *reboot)
{
    s_replacement = reboot;
}
