// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/systemquotakernelquery.h"

#include "common/quotastate.h"

#include <QFileInfo>

#include <cerrno>

int SystemQuotaKernelQuery::getState(const QByteArray &device, fs_quota_statv *state)
{
    return quotactl(QuotaState::command(), device.constData(), 0, reinterpret_cast<caddr_t>(state)) == 0 ? 0 : errno;
}

int SystemQuotaKernelQuery::getInfo(const QByteArray &device, int type, dqinfo *info)
{
    return quotactl(QCMD(Q_GETINFO, type), device.constData(), 0, reinterpret_cast<caddr_t>(info));
}

// The kernel loads quota_v2 as soon as a device switches quotas on; sysfs
// shows it to every user. A built-in format shows no folder there, and the
// helper is asked as before.
bool SystemQuotaKernelQuery::quotaFormatLoaded()
{
    return QFileInfo(QStringLiteral("/sys/module/quota_v2")).isDir();
}
