// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/quotastate.h"

#include <sys/quota.h>

#include <cstring>

namespace
{
// ext2/3/4 reserve the inodes below this one; the quota feature keeps the
// user records in inode 3 and the group records in inode 4, while an aquota
// file is an ordinary file with an inode number from here on.
constexpr quint64 firstOrdinaryInode = 11;

quint16 accountingFlag(SettingsId type)
{
    switch (type) {
    case Users:
        return FS_QUOTA_UDQ_ACCT;
    case Groups:
        return FS_QUOTA_GDQ_ACCT;
    case Projects:
        return FS_QUOTA_PDQ_ACCT;
    }
    return 0;
}

quint16 enforcementFlag(SettingsId type)
{
    switch (type) {
    case Users:
        return FS_QUOTA_UDQ_ENFD;
    case Groups:
        return FS_QUOTA_GDQ_ENFD;
    case Projects:
        return FS_QUOTA_PDQ_ENFD;
    }
    return 0;
}

bool knownType(SettingsId type)
{
    return isKnownSettingsId(type);
}
}

int QuotaState::command()
{
    // The state covers every kind; the type of the command word only
    // selects whose grace periods the record carries.
    return QCMD(Q_XGETQSTATV, USRQUOTA);
}

fs_quota_statv QuotaState::request()
{
    fs_quota_statv record;
    std::memset(&record, 0, sizeof(record));
    record.qs_version = FS_QSTATV_VERSION1;
    return record;
}

QuotaState::QuotaState(int result, const fs_quota_statv &answer)
{
    if (result != 0) {
        return;
    }
    m_flags = answer.qs_flags;
    m_inodes[Users] = answer.qs_uquota.qfs_ino;
    m_inodes[Groups] = answer.qs_gquota.qfs_ino;
    m_inodes[Projects] = answer.qs_pquota.qfs_ino;
}

QuotaState QuotaState::ofMetadataQuotas(int result, const fs_quota_statv &answer)
{
    QuotaState state(result, answer);
    state.m_metadataQuotas = true;
    return state;
}

bool QuotaState::limitsEnforced(SettingsId type) const
{
    return knownType(type) && (m_flags & enforcementFlag(type)) != 0;
}

bool QuotaState::accounting(SettingsId type) const
{
    return knownType(type) && (m_flags & accountingFlag(type)) != 0;
}

bool QuotaState::keptInternally(SettingsId type) const
{
    if (!accounting(type)) {
        return false;
    }
    // ext4 has no project quota files: the "project" feature gives the
    // project records an inode of their own, allocated like any other.
    if (m_metadataQuotas || type == Projects) {
        return true;
    }
    return m_inodes[type] != 0 && m_inodes[type] < firstOrdinaryInode;
}
