// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/notifications/cronjob.h"

#include <QString>

// A notification task: one warnquota run. The options are the truth; the
// inherited command is rebuilt from them whenever the task is saved.
struct WarnquotaJob : public CronJob {
    QString quotaTab;
    QString config;
    QString adminsFile;
    bool users = false;
    bool groups = false;
};
