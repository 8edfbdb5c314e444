// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// The numbers are the kernel's quota types (USRQUOTA, GRPQUOTA) and travel
// to the helper as "type", so they must not change.
enum SettingsId {
    Users = 0,
    Groups = 1,
};

inline QString quotaMountOption(SettingsId id)
{
    return id == Users ? QStringLiteral("usrquota") : QStringLiteral("grpquota");
}

inline QString quotaFileName(SettingsId id)
{
    return id == Users ? QStringLiteral("aquota.user") : QStringLiteral("aquota.group");
}
