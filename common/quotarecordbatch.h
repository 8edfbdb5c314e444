// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/proxyquotadata.h"

#include <QByteArray>
#include <QVector>

// The packed forms in which one device's records cross the KAuth boundary
// in a single request: the requested ids as 32-bit numbers, and the reply as
// entries of a 32-bit id followed by the record's 72-byte stream form. A
// QVariantList of 10,000 records would carry a type header per record and
// cost a D-Bus round trip's worth of (de)serialisation on each side.
class QuotaRecordBatch
{
public:
    struct Entry {
        quint32 id = 0;
        ProxyQuotaData record;
    };

    static constexpr int IdBytes = 4;
    static constexpr int RecordBytes = 72;
    static constexpr int EntryBytes = IdBytes + RecordBytes;

    static QByteArray encodeIds(const QVector<quint32> &ids);
    // False, with `ids` left empty, for bytes that are not whole ids.
    static bool decodeIds(const QByteArray &bytes, QVector<quint32> &ids);

    static QByteArray encodeRecords(const QVector<Entry> &entries);
    // False, with `entries` left empty, for bytes that are not whole entries.
    static bool decodeRecords(const QByteArray &bytes, QVector<Entry> &entries);
};
