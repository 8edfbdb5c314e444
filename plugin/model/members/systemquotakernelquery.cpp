// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/systemquotakernelquery.h"

namespace
{
QuotaKernelQuery *replacement = nullptr;
}

QuotaKernelQuery &QuotaKernelQuery::instance()
{
    static SystemQuotaKernelQuery kernel;
    return replacement ? *replacement : kernel;
}

void QuotaKernelQuery::setInstance(QuotaKernelQuery *query)
{
    replacement = query;
}

int SystemQuotaKernelQuery::getFormat(const QByteArray &device, int type, quint32 *format)
{
    return quotactl(QCMD(Q_GETFMT, type), device.constData(), 0, reinterpret_cast<caddr_t>(format));
}

int SystemQuotaKernelQuery::getInfo(const QByteArray &device, int type, dqinfo *info)
{
    return quotactl(QCMD(Q_GETINFO, type), device.constData(), 0, reinterpret_cast<caddr_t>(info));
}
