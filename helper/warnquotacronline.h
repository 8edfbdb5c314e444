// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/configurationfilerule.h"

#include <QList>
#include <QString>
#include <QStringList>

// The lines the panel puts into its cron table. Cron hands a job's command
// to a root shell, so the helper accepts only what the panel itself writes:
// the fixed header and jobs that run warnquota with the panel's options.
class WarnquotaCronLine
{
public:
    static bool isHeaderLine(const QString &line);

    struct NamedFile {
        QString path;
        ConfigFileRoleId role;
    };

    // True when `line` is such a job; `files` then receives the files given
    // to its --config=, --quota-tab= and --admins-file= options. Whether
    // those files may be written is the configuration-file rule's to say.
    static bool isJob(const QString &line, QList<NamedFile> *files = nullptr);
};
