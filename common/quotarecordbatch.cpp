// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotarecordbatch.h"

#include <QtEndian>

#include <array>

QByteArray QuotaRecordBatch::encodeIds(const QVector<quint32> &ids)
{
    QByteArray bytes(ids.size() * IdBytes, Qt::Uninitialized);
    uchar *out = reinterpret_cast<uchar *>(bytes.data());
    for (quint32 id : ids) {
        qToBigEndian(id, out);
        out += IdBytes;
    }
    return bytes;
}

bool QuotaRecordBatch::decodeIds(const QByteArray &bytes, QVector<quint32> &ids)
{
    ids.clear();
    if (bytes.size() % IdBytes != 0) {
        return false;
    }
    ids.resize(bytes.size() / IdBytes);
    const uchar *in = reinterpret_cast<const uchar *>(bytes.constData());
    for (quint32 &id : ids) {
        id = qFromBigEndian<quint32>(in);
        in += IdBytes;
    }
    return true;
}

// Ids and records are packed by hand, not through QDataStream: a stream call per
// field made the packing, on both sides of a 10,000-member load, cost more
// than the kernel's reads. The bytes are the same as the stream form, which
// ProxyQuotaData's own operators write: each field as a big-endian 64-bit
// value, in this order.
namespace
{
constexpr int FieldCount = 9;
static_assert(QuotaRecordBatch::RecordBytes == FieldCount * 8, "a record is nine 64-bit fields");

std::array<quint64 ProxyQuotaData::*, FieldCount> fields()
{
    return {&ProxyQuotaData::dqb_bhardlimit,
            &ProxyQuotaData::dqb_bsoftlimit,
            &ProxyQuotaData::dqb_curspace,
            &ProxyQuotaData::dqb_ihardlimit,
            &ProxyQuotaData::dqb_isoftlimit,
            &ProxyQuotaData::dqb_curinodes,
            &ProxyQuotaData::dqb_btime,
            &ProxyQuotaData::dqb_itime,
            &ProxyQuotaData::dqb_valid};
}
}

QByteArray QuotaRecordBatch::encodeRecords(const QVector<Entry> &entries)
{
    const auto order = fields();
    QByteArray bytes(entries.size() * EntryBytes, Qt::Uninitialized);
    uchar *out = reinterpret_cast<uchar *>(bytes.data());
    for (const Entry &entry : entries) {
        qToBigEndian(entry.id, out);
        out += IdBytes;
        for (quint64 ProxyQuotaData::*field : order) {
            qToBigEndian(entry.record.*field, out);
            out += 8;
        }
    }
    return bytes;
}

bool QuotaRecordBatch::decodeRecords(const QByteArray &bytes, QVector<Entry> &entries)
{
    entries.clear();
    if (bytes.size() % EntryBytes != 0) {
        return false;
    }
    const auto order = fields();
    const int count = bytes.size() / EntryBytes;
    entries.resize(count);
    const uchar *in = reinterpret_cast<const uchar *>(bytes.constData());
    for (Entry &entry : entries) {
        entry.id = qFromBigEndian<quint32>(in);
        in += IdBytes;
        for (quint64 ProxyQuotaData::*field : order) {
            entry.record.*field = qFromBigEndian<quint64>(in);
            in += 8;
        }
    }
    return true;
}
