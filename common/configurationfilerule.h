// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

class PathInspector;

// Which warnquota file a path stands for; the values follow the editors of
// the notification tab.
enum ConfigFileRoleId {
    WarnquotaConfRole = 0,
    GroupAdminsRole = 1,
    QuotaTabRole = 2,
};

// The files that warnquota reads are written by root with text the desktop
// session chose, so only files that are plainly warnquota's may be named:
// one of the defaults, or a file in /etc (or in a quota directory of /etc)
// whose name begins with the default's name for that role, never the cron
// table, with no symbolic link on the way and only directories that root
// alone can change. The panel checks the files of a task with this rule
// before it saves, and the helper before it writes.
class ConfigurationFileRule
{
public:
    explicit ConfigurationFileRule(PathInspector &inspector);

    // Empty when `path` may be written as the file of `role`; otherwise the
    // translated reason, which names the file.
    QString check(const QString &path, ConfigFileRoleId role) const;
    // The same for a file whose role is not known: any role will do.
    QString checkAnyRole(const QString &path) const;

    // The part of the rule that needs no file system.
    static QString checkName(const QString &path, ConfigFileRoleId role);

    static QString defaultPath(ConfigFileRoleId role);
    // The warnquota option that names the file of `role`, as "--config=".
    static QString option(ConfigFileRoleId role);

private:
    static QString checkPlacement(const QString &path);
    QString checkOnDisk(const QString &path) const;

    PathInspector &m_inspector;
};
