// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotarecordreader.h"

#include <stdexcept>

QVector<QuotaRecordReader::TableRecords> QuotaRecordReader::readTables(const QVector<Table> &tables,
                                                                       const QVector<quint32> &userIds,
                                                                       const QVector<quint32> &groupIds,
                                                                       const QVector<quint32> &projectIds)
{
    QVector<TableRecords> result;
    result.reserve(tables.size());
    for (const Table &table : tables) {
        TableRecords read;
        try {
            read.records = readRecords(table.device, table.type, table.type == Users ? userIds : (table.type == Groups ? groupIds : projectIds));
        } catch (const std::runtime_error &error) {
            read.failed = true;
            read.error = QString::fromUtf8(error.what());
        }
        result.append(read);
    }
    return result;
}

QuotaRecordReader::ListedTables QuotaRecordReader::readListedTables(const QStringList &, const QVector<quint32> &, const QVector<quint32> &)
{
    return {};
}
