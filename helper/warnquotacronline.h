// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// The lines the panel puts into its cron table. Cron hands a job's command
// to a root shell, so the helper accepts only what the panel itself writes:
// the fixed header and jobs that run warnquota with the panel's options.
class WarnquotaCronLine
{
public:
    static bool isHeaderLine(const QString &line);

    // True when `line` is such a job; `paths` then receives the file paths
    // given to its --config=, --quota-tab= and --admins-file= options.
    static bool isJob(const QString &line, QStringList *paths = nullptr);

    static bool isAccepted(const QString &line);
};
