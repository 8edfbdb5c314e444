// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotarecordbatch.h"

#include <QDataStream>
#include <QIODevice>

namespace
{
// Both sides must agree on the stream form whatever Qt they run.
constexpr QDataStream::Version streamVersion = QDataStream::Qt_5_0;
}

QByteArray QuotaRecordBatch::encodeIds(const QVector<quint32> &ids)
{
    QByteArray bytes;
    bytes.reserve(ids.size() * IdBytes);
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    for (quint32 id : ids) {
        out << id;
    }
    return bytes;
}

bool QuotaRecordBatch::decodeIds(const QByteArray &bytes, QVector<quint32> &ids)
{
    ids.clear();
    if (bytes.size() % IdBytes != 0) {
        return false;
    }
    ids.reserve(bytes.size() / IdBytes);
    QDataStream in(bytes);
    in.setVersion(streamVersion);
    for (int i = 0; i < bytes.size() / IdBytes; ++i) {
        quint32 id = 0;
        in >> id;
        ids.append(id);
    }
    return in.status() == QDataStream::Ok;
}

QByteArray QuotaRecordBatch::encodeRecords(const QVector<Entry> &entries)
{
    QByteArray bytes;
    bytes.reserve(entries.size() * EntryBytes);
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    for (const Entry &entry : entries) {
        out << entry.id << entry.record;
    }
    return bytes;
}

bool QuotaRecordBatch::decodeRecords(const QByteArray &bytes, QVector<Entry> &entries)
{
    entries.clear();
    if (bytes.size() % EntryBytes != 0) {
        return false;
    }
    entries.reserve(bytes.size() / EntryBytes);
    QDataStream in(bytes);
    in.setVersion(streamVersion);
    for (int i = 0; i < bytes.size() / EntryBytes; ++i) {
        Entry entry;
        in >> entry.id >> entry.record;
        entries.append(entry);
    }
    if (in.status() != QDataStream::Ok) {
        entries.clear();
        return false;
    }
    return true;
}
