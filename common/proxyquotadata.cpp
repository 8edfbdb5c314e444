// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "proxyquotadata.h"

#include "qtcompat.h"

ProxyQuotaData::ProxyQuotaData(const dqblk &record)
    : dqb_bhardlimit(record.dqb_bhardlimit)
    , dqb_bsoftlimit(record.dqb_bsoftlimit)
    , dqb_curspace(record.dqb_curspace)
    , dqb_ihardlimit(record.dqb_ihardlimit)
    , dqb_isoftlimit(record.dqb_isoftlimit)
    , dqb_curinodes(record.dqb_curinodes)
    , dqb_btime(record.dqb_btime)
    , dqb_itime(record.dqb_itime)
    , dqb_valid(record.dqb_valid)
{
}

dqblk ProxyQuotaData::toDqblk() const
{
    dqblk record{};
    record.dqb_bhardlimit = dqb_bhardlimit;
    record.dqb_bsoftlimit = dqb_bsoftlimit;
    record.dqb_curspace = dqb_curspace;
    record.dqb_ihardlimit = dqb_ihardlimit;
    record.dqb_isoftlimit = dqb_isoftlimit;
    record.dqb_curinodes = dqb_curinodes;
    record.dqb_btime = dqb_btime;
    record.dqb_itime = dqb_itime;
    record.dqb_valid = static_cast<quint32>(dqb_valid & 0xffffffffu);
    return record;
}

void ProxyQuotaData::registerMetaType()
{
    registerStreamableMetaType<ProxyQuotaData>("ProxyQuotaData");
}

bool operator==(const ProxyQuotaData &a, const ProxyQuotaData &b)
{
    return a.dqb_bhardlimit == b.dqb_bhardlimit && a.dqb_bsoftlimit == b.dqb_bsoftlimit && a.dqb_curspace == b.dqb_curspace
        && a.dqb_ihardlimit == b.dqb_ihardlimit && a.dqb_isoftlimit == b.dqb_isoftlimit && a.dqb_curinodes == b.dqb_curinodes && a.dqb_btime == b.dqb_btime
        && a.dqb_itime == b.dqb_itime && a.dqb_valid == b.dqb_valid;
}

QDataStream &operator<<(QDataStream &out, const ProxyQuotaData &data)
{
    // Unsigned values travel as their two's-complement bit pattern.
    for (quint64 field : {data.dqb_bhardlimit,
                          data.dqb_bsoftlimit,
                          data.dqb_curspace,
                          data.dqb_ihardlimit,
                          data.dqb_isoftlimit,
                          data.dqb_curinodes,
                          data.dqb_btime,
                          data.dqb_itime,
                          data.dqb_valid}) {
        out << static_cast<qint64>(field);
    }
    return out;
}

QDataStream &operator>>(QDataStream &in, ProxyQuotaData &data)
{
    for (quint64 *field : {&data.dqb_bhardlimit,
                           &data.dqb_bsoftlimit,
                           &data.dqb_curspace,
                           &data.dqb_ihardlimit,
                           &data.dqb_isoftlimit,
                           &data.dqb_curinodes,
                           &data.dqb_btime,
                           &data.dqb_itime,
                           &data.dqb_valid}) {
        qint64 value = 0;
        in >> value;
        *field = static_cast<quint64>(value);
    }
    return in;
}
