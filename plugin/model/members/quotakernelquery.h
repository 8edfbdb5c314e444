// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>

#include <sys/quota.h>

// The two quotactl(2) queries the panel makes itself, without the helper:
// the quota format (answered only while quotas are on) and the grace
// information of a device. Tests install a fake; the default calls the
// kernel.
class QuotaKernelQuery
{
public:
    virtual ~QuotaKernelQuery() = default;

    // Both return quotactl's result: 0 on success.
    virtual int getFormat(const QByteArray &device, int type, quint32 *format) = 0;
    virtual int getInfo(const QByteArray &device, int type, dqinfo *info) = 0;

    static QuotaKernelQuery &instance();
    // Tests only: nullptr restores the kernel. Not owned.
    static void setInstance(QuotaKernelQuery *query);
};
