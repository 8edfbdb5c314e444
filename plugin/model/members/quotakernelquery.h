// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>

#include <linux/dqblk_xfs.h>
#include <sys/quota.h>

// The two quotactl(2) queries the panel makes itself, without the helper:
// the quota state of a device (Q_XGETQSTATV, read through QuotaState) and
// its grace information. The panel hands the real one (SystemQuotaKernelQuery)
// down to whoever asks; tests hand a fake.
class QuotaKernelQuery
{
public:
    virtual ~QuotaKernelQuery() = default;

    // Both return quotactl's result: 0 on success.
    // `state` comes from QuotaState::request() and is filled by the kernel.
    virtual int getState(const QByteArray &device, fs_quota_statv *state) = 0;
    virtual int getInfo(const QByteArray &device, int type, dqinfo *info) = 0;
};
