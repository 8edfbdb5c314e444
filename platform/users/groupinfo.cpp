// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/users/groupinfo.h"

#include "platform/users/logindefs.h"

#include <grp.h>
#include <stdio.h>

GroupInfo::GroupInfo(uint gid, const QString &name, bool isSystem)
    : m_gid(gid)
    , m_name(name)
    , m_isSystem(isSystem)
{
}

uint GroupInfo::gid() const
{
    return m_gid;
}

QString GroupInfo::name() const
{
    return m_name;
}

bool GroupInfo::isSystem() const
{
    return m_isSystem;
}

QList<GroupInfo> GroupInfo::getGroups()
{
    const uint minimum = LoginDefs::numericValue(QStringLiteral("GID_MIN"), 1000);
    QList<GroupInfo> groups;
    setgrent();
    while (const group *entry = getgrent()) {
        groups.append(GroupInfo(entry->gr_gid, QString::fromLocal8Bit(entry->gr_name), LoginDefs::isSystemId(entry->gr_gid, minimum)));
    }
    endgrent();
    return groups;
}

QList<GroupInfo> GroupInfo::readGroups(const QString &groupPath, const QString &loginDefsPath)
{
    const uint minimum = LoginDefs::numericValue(QStringLiteral("GID_MIN"), 1000, loginDefsPath);
    QList<GroupInfo> groups;
    FILE *file = fopen(groupPath.toLocal8Bit().constData(), "re");
    if (!file) {
        return groups;
    }
    while (const group *entry = fgetgrent(file)) {
        groups.append(GroupInfo(entry->gr_gid, QString::fromLocal8Bit(entry->gr_name), LoginDefs::isSystemId(entry->gr_gid, minimum)));
    }
    fclose(file);
    return groups;
}
