// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/settingsid.h"

#include <QtGlobal>

#include <linux/dqblk_xfs.h>

// The quota state of one mounted file system as the kernel reports it to
// quotactl(Q_XGETQSTATV), which ext2/3/4 answer without privilege. It is the
// one rule by which the panel and the helper judge quotas on or off.
//
// Quotas of a kind are on when the kernel enforces their limits. Accounting
// alone is not enough: a file system that keeps its quota records in hidden
// inodes (the ext4 "quota" feature) accounts from mount time on, so Q_GETFMT
// answers for it although no limit is enforced. For quota files, accounting
// and enforcement go on and off together, so both rules agree there.
class QuotaState
{
public:
    // The command word and the record to hand to quotactl for the query;
    // the record carries the layout version the kernel must fill in.
    static int command();
    static fs_quota_statv request();

    // Nothing known: every kind off.
    QuotaState() = default;
    // From quotactl's result (0 when the kernel answered) and the record it
    // filled. Any failure reads as every kind off: the kernel fails the
    // query with ENOSYS exactly when no kind is accounted.
    QuotaState(int result, const fs_quota_statv &answer);
    // The same for a file system that keeps every kind's records in its own
    // metadata (XFS), where the record inodes are ordinary numbers.
    static QuotaState ofMetadataQuotas(int result, const fs_quota_statv &answer);

    bool limitsEnforced(SettingsId type) const;
    bool accounting(SettingsId type) const;
    // The kind's records live in one of the file system's reserved inodes
    // instead of an aquota file at the mount point.
    bool keptInternally(SettingsId type) const;

private:
    quint16 m_flags = 0;
    quint64 m_inodes[3] = {0, 0, 0};
    bool m_metadataQuotas = false;
};
