// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDataStream>
#include <QMetaType>

#include <sys/quota.h>

// One kernel quota record as it crosses the KAuth boundary. Every field is
// 64 bits wide, including the validity mask that is only 32 bits in dqblk,
// so the stream form is a fixed 72 bytes.
struct ProxyQuotaData {
    ProxyQuotaData() = default;
    explicit ProxyQuotaData(const dqblk &record);

    dqblk toDqblk() const;

    quint64 dqb_bhardlimit = 0;
    quint64 dqb_bsoftlimit = 0;
    quint64 dqb_curspace = 0;
    quint64 dqb_ihardlimit = 0;
    quint64 dqb_isoftlimit = 0;
    quint64 dqb_curinodes = 0;
    quint64 dqb_btime = 0;
    quint64 dqb_itime = 0;
    quint64 dqb_valid = 0;

    // Registers the type and its stream operators under "ProxyQuotaData";
    // both programs call it before a QVariant holding the record is
    // (de)serialised. Safe to call repeatedly.
    static void registerMetaType();
};

bool operator==(const ProxyQuotaData &a, const ProxyQuotaData &b);

QDataStream &operator<<(QDataStream &out, const ProxyQuotaData &data);
QDataStream &operator>>(QDataStream &in, ProxyQuotaData &data);

Q_DECLARE_METATYPE(ProxyQuotaData)
