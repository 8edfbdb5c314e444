// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// The numbers are the kernel's quota types (USRQUOTA, GRPQUOTA, PRJQUOTA)
// and travel to the helper as "type", so they must not change. Projects are
// the folders of folder quotas: a project id given to a directory tree.
enum SettingsId {
    Users = 0,
    Groups = 1,
    Projects = 2,
};

inline bool isKnownSettingsId(int id)
{
    return id == Users || id == Groups || id == Projects;
}

inline QString quotaMountOption(SettingsId id)
{
    switch (id) {
    case Users:
        return QStringLiteral("usrquota");
    case Groups:
        return QStringLiteral("grpquota");
    case Projects:
        return QStringLiteral("prjquota");
    }
    return QString();
}

// Project records have no aquota file of their own: ext4 keeps them in a
// reserved inode and XFS in its own metadata.
inline QString quotaFileName(SettingsId id)
{
    switch (id) {
    case Users:
        return QStringLiteral("aquota.user");
    case Groups:
        return QStringLiteral("aquota.group");
    case Projects:
        break;
    }
    return QString();
}

// Every quota option spelling that may be added to or taken out of
// /etc/fstab: the kinds' own and the short ones XFS also reads, which an
// administrator may have written.
inline QStringList quotaMountOptionSpellings()
{
    return {QStringLiteral("usrquota"),
            QStringLiteral("grpquota"),
            QStringLiteral("prjquota"),
            QStringLiteral("uquota"),
            QStringLiteral("gquota"),
            QStringLiteral("pquota")};
}
