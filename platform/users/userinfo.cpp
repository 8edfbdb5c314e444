// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/users/userinfo.h"

#include "platform/users/logindefs.h"

#include <pwd.h>
#include <stdio.h>

UserInfo::UserInfo(uint uid, const QString &name, bool isSystem)
    : m_uid(uid)
    , m_name(name)
    , m_isSystem(isSystem)
{
}

uint UserInfo::uid() const
{
    return m_uid;
}

QString UserInfo::name() const
{
    return m_name;
}

bool UserInfo::isSystem() const
{
    return m_isSystem;
}

QList<UserInfo> UserInfo::getUsers()
{
    const uint minimum = LoginDefs::numericValue(QStringLiteral("UID_MIN"), 1000);
    QList<UserInfo> users;
    setpwent();
    while (const passwd *entry = getpwent()) {
        users.append(UserInfo(entry->pw_uid, QString::fromLocal8Bit(entry->pw_name), LoginDefs::isSystemId(entry->pw_uid, minimum)));
    }
    endpwent();
    return users;
}

QList<UserInfo> UserInfo::readUsers(const QString &passwdPath, const QString &loginDefsPath)
{
    const uint minimum = LoginDefs::numericValue(QStringLiteral("UID_MIN"), 1000, loginDefsPath);
    QList<UserInfo> users;
    FILE *file = fopen(passwdPath.toLocal8Bit().constData(), "re");
    if (!file) {
        return users;
    }
    while (const passwd *entry = fgetpwent(file)) {
        users.append(UserInfo(entry->pw_uid, QString::fromLocal8Bit(entry->pw_name), LoginDefs::isSystemId(entry->pw_uid, minimum)));
    }
    fclose(file);
    return users;
}
