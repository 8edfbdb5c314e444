// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/quotakernel.h"

#include <QHash>
#include <QStringList>
#include <QVector>

#include <sys/quota.h>

// Answers quotactl from tables and remembers every call with the record the
// helper handed over.
class FakeQuotaKernel : public QuotaKernel
{
public:
    struct Call {
        quint32 command;
        QByteArray device;
        int id;
        dqblk quota;
        dqinfo info;
    };

    int quotactl(int command, const QByteArray &device, int id, void *address) override
    {
        Call call{static_cast<quint32>(command), device, id, {}, {}};
        const int subCommand = static_cast<int>(static_cast<quint32>(command) >> SUBCMDSHIFT);
        const int type = command & SUBCMDMASK;
        if (subCommand == Q_SETQUOTA) {
            call.quota = *static_cast<dqblk *>(address);
        } else if (subCommand == Q_SETINFO) {
            call.info = *static_cast<dqinfo *>(address);
        }
        calls.append(call);
        if (log) {
            log->append(QStringLiteral("quotactl %1").arg(subCommand, 0, 16));
        }
        if (subCommand == Q_GETFMT) {
            if (!quotasOn.value(type)) {
                return ESRCH;
            }
            *static_cast<quint32 *>(address) = QFMT_VFS_V1;
            return 0;
        }
        if (error != 0) {
            return error;
        }
        if (subCommand == Q_GETQUOTA) {
            *static_cast<dqblk *>(address) = record;
        }
        return 0;
    }

    QVector<Call> calls;
    int error = 0;
    dqblk record{};
    QHash<int, bool> quotasOn;
    QStringList *log = nullptr;
};
