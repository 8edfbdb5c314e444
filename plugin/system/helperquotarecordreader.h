// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/system/quotarecordreader.h"

class HelperActionExecutor;

// The real reader: one "get_all_quota_info" request to the helper for one
// table, one "get_quota_tables" request for all tables of a load.
class HelperQuotaRecordReader : public QuotaRecordReader
{
public:
    // `executor` must outlive the reader.
    explicit HelperQuotaRecordReader(HelperActionExecutor &executor);

    QMap<quint32, ProxyQuotaData> readRecords(const QString &device, SettingsId type, const QVector<quint32> &ids) override;
    QVector<TableRecords> readTables(const QVector<Table> &tables,
                                     const QVector<quint32> &userIds,
                                     const QVector<quint32> &groupIds,
                                     const QVector<quint32> &projectIds = {}) override;
    ListedTables readListedTables(const QStringList &fsSpecs, const QVector<quint32> &userIds, const QVector<quint32> &groupIds) override;

private:
    HelperActionExecutor &m_executor;
};
