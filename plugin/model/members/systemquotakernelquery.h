// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/members/quotakernelquery.h"

class SystemQuotaKernelQuery : public QuotaKernelQuery
{
public:
    int getState(const QByteArray &device, fs_quota_statv *state) override;
    int getInfo(const QByteArray &device, int type, dqinfo *info) override;
    bool quotaFormatLoaded() override;
};
