// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/helperprotocol.h"

#include <QString>

// The files of the quota warnings. The cron table is the panel's own; the
// three others are warnquota's defaults, used whenever a task names none.
namespace NotificationPaths
{
inline QString cronTable()
{
    return HelperProtocol::CronTablePath;
}

inline QString defaultConfig()
{
    return QStringLiteral("/etc/warnquota.conf");
}

inline QString defaultQuotaTab()
{
    return QStringLiteral("/etc/quotatab");
}

inline QString defaultAdminsFile()
{
    return QStringLiteral("/etc/quotagrpadmins");
}
}
