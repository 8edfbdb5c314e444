// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/members/quotakernelquery.h"

class SystemQuotaKernelQuery : public QuotaKernelQuery
{
public:
    int getFormat(const QByteArray &device, int type, quint32 *format) override;
    int getInfo(const QByteArray &device, int type, dqinfo *info) override;
};
