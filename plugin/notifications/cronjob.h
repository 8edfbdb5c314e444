// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/notifications/crontime.h"

#include <QString>

// One job line of a cron.d table. The comment rides along but does not make
// a job different: two lines that run the same command at the same time
// are the same job.
struct CronJob {
    CronTime time;
    QString user;
    QString command;
    QString comment;

    bool operator==(const CronJob &other) const;
    bool operator!=(const CronJob &other) const;
};
