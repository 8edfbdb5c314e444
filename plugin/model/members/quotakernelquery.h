// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>

#include <linux/dqblk_xfs.h>
#include <sys/quota.h>

// What the panel asks the kernel itself, without the helper: the quota
// state of a device (Q_XGETQSTATV, read through QuotaState), its grace
// information, and whether the quota format is loaded. The panel hands the
// real one (SystemQuotaKernelQuery) down to whoever asks; tests hand a fake.
class QuotaKernelQuery
{
public:
    virtual ~QuotaKernelQuery() = default;

    // Both return quotactl's result: 0 on success.
    // `state` comes from QuotaState::request() and is filled by the kernel.
    virtual int getState(const QByteArray &device, fs_quota_statv *state) = 0;
    virtual int getInfo(const QByteArray &device, int type, dqinfo *info) = 0;

    // True when the kernel has loaded its quota format module, so it
    // supports quotas without anyone asking the helper; false when that is
    // not known from here.
    virtual bool quotaFormatLoaded()
    {
        return false;
    }
};
