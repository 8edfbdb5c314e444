// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QString>

// A group of the system's name service (files, LDAP, SSSD, ...).
class GroupInfo
{
public:
    GroupInfo(uint gid, const QString &name, bool isSystem);

    uint gid() const;
    QString name() const;
    bool isSystem() const;

    // Every group in the order the name service returns them.
    static QList<GroupInfo> getGroups();
    // The groups of a file in group(5) form, in file order, with the id
    // ranges of a login.defs(5) file.
    static QList<GroupInfo> readGroups(const QString &groupPath, const QString &loginDefsPath);

private:
    uint m_gid;
    QString m_name;
    bool m_isSystem;
};
