// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "cronjob.h"

bool CronJob::operator==(const CronJob &other) const
{
    return time == other.time && user == other.user && command == other.command;
}

bool CronJob::operator!=(const CronJob &other) const
{
    return !(*this == other);
}
