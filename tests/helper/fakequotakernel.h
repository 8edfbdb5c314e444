// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/quotakernel.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <linux/dqblk_xfs.h>
#include <sys/quota.h>

#include <cstring>

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
        // The helper reads tables on several threads at once.
        const QMutexLocker lock(&m_lock.mutex);
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
        // As the kernel does: the format answers whenever the kind is
        // accounted, enforced or not; the state tells the two apart.
        if (subCommand == Q_GETFMT) {
            if (!accounted(type)) {
                return ESRCH;
            }
            *static_cast<quint32 *>(address) = QFMT_VFS_V1;
            return 0;
        }
        if (subCommand == Q_GETNEXTQUOTA && nextError != 0) {
            return nextError;
        }
        if (subCommand == Q_XGETQSTATV) {
            auto state = static_cast<fs_quota_statv *>(address);
            if (state->qs_version != FS_QSTATV_VERSION1) {
                return EINVAL;
            }
            state->qs_flags = (accounted(USRQUOTA) ? FS_QUOTA_UDQ_ACCT : 0) | (quotasOn.value(USRQUOTA) ? FS_QUOTA_UDQ_ENFD : 0)
                | (accounted(GRPQUOTA) ? FS_QUOTA_GDQ_ACCT : 0) | (quotasOn.value(GRPQUOTA) ? FS_QUOTA_GDQ_ENFD : 0)
                | (accounted(PRJQUOTA) ? FS_QUOTA_PDQ_ACCT : 0) | (quotasOn.value(PRJQUOTA) ? FS_QUOTA_PDQ_ENFD : 0);
            if (state->qs_flags == 0) {
                return ENOSYS;
            }
            // ext4 keeps internal records in its reserved inodes 3 and 4.
            state->qs_uquota.qfs_ino = accounted(USRQUOTA) ? (internal ? 3 : 12) : 0;
            state->qs_gquota.qfs_ino = accounted(GRPQUOTA) ? (internal ? 4 : 13) : 0;
            state->qs_pquota.qfs_ino = accounted(PRJQUOTA) ? 14 : 0;
            return 0;
        }
        if (error != 0) {
            return error;
        }
        if (subCommand == Q_QUOTAON || subCommand == Q_QUOTAOFF) {
            if (switchError != 0) {
                return switchError;
            }
            if (switchTakesEffect) {
                quotasOn.insert(type, subCommand == Q_QUOTAON);
            }
        } else if (subCommand == Q_GETQUOTA) {
            if (missingIsEnoent && !records.contains(quint32(id))) {
                return ENOENT;
            }
            *static_cast<dqblk *>(address) = records.isEmpty() ? record : records.value(quint32(id), dqblk{});
        } else if (subCommand == Q_GETNEXTQUOTA) {
            const auto next = records.lowerBound(quint32(id));
            if (next == records.end()) {
                return ENOENT;
            }
            auto *out = static_cast<if_nextdqblk *>(address);
            std::memcpy(out, &next.value(), sizeof(dqblk));
            out->dqb_id = next.key();
        }
        return 0;
    }

    // Accounting runs for an enforced kind, for the user and group kinds of
    // a file system that keeps its quota internally, and for the kinds
    // named in `accountedKinds`.
    bool accounted(int type) const
    {
        return quotasOn.value(type) || (internal && type != PRJQUOTA) || accountedKinds.contains(type);
    }

    QVector<Call> calls;
    int error = 0;
    dqblk record{};
    // When filled, the quota file's records by id: Q_GETQUOTA answers from
    // it (zeros for other ids) and Q_GETNEXTQUOTA walks it.
    QMap<quint32, dqblk> records;
    // Q_GETNEXTQUOTA's answer when set (EINVAL: a kernel that cannot walk).
    int nextError = 0;
    // Enforcement per kind.
    QHash<int, bool> quotasOn;
    // The ext4 "quota" feature: hidden quota inodes, accounting from mount on.
    bool internal = false;
    // Kinds accounted without enforcement: XFS mounted with their option,
    // projects of an ext4 with the "project" feature.
    QSet<int> accountedKinds;
    // Whether Q_QUOTAON and Q_QUOTAOFF change what the state reports.
    bool switchTakesEffect = true;
    // Q_QUOTAON's and Q_QUOTAOFF's answer.
    int switchError = 0;
    // XFS: Q_GETQUOTA of an id without a record fails with ENOENT.
    bool missingIsEnoent = false;
    QStringList *log = nullptr;

private:
    // A fresh fake gets a fresh lock: the tests assign new fakes over old ones.
    struct Lock {
        Lock() = default;
        Lock(const Lock &)
        {
        }
        Lock &operator=(const Lock &)
        {
            return *this;
        }
        QMutex mutex;
    };
    Lock m_lock;
};
