// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QString>

// A user account of the system's name service (files, LDAP, SSSD, ...).
class UserInfo
{
public:
    UserInfo(uint uid, const QString &name, bool isSystem);

    uint uid() const;
    QString name() const;
    bool isSystem() const;

    // Every account in the order the name service returns them.
    static QList<UserInfo> getUsers();
    // The accounts of a file in passwd(5) form, in file order, with the
    // account ranges of a login.defs(5) file.
    static QList<UserInfo> readUsers(const QString &passwdPath, const QString &loginDefsPath);

private:
    uint m_uid;
    QString m_name;
    bool m_isSystem;
};
