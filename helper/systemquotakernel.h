// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/quotakernel.h"

class SystemQuotaKernel : public QuotaKernel
{
public:
    int quotactl(int command, const QByteArray &device, int id, void *address) override;
};
