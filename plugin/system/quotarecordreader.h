// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/proxyquotadata.h"
#include "common/settingsid.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// Reads every quota record of one device for one kind of member in one go:
// a record for each requested id, plus any record the kernel holds for an
// id nobody asked about. The quotas manager is handed one; tests hand it a
// fake that counts.
class QuotaRecordReader
{
public:
    // One device's records of one kind.
    struct Table {
        QString device;
        SettingsId type = Users;
    };

    // What was read for one table: its records, or why they are unknown.
    struct TableRecords {
        QMap<quint32, ProxyQuotaData> records;
        bool failed = false;
        QString error;
    };

    virtual ~QuotaRecordReader() = default;

    // Throws std::runtime_error with the reason (the helper's translated
    // text) when the records cannot be read.
    virtual QMap<quint32, ProxyQuotaData> readRecords(const QString &device, SettingsId type, const QVector<quint32> &ids) = 0;

    // Every table of a load, answered in the order asked; a table that
    // could not be read is marked failed and does not stop the others. The
    // user tables are asked for `userIds`, the group tables for `groupIds`,
    // the folder (project) tables for `projectIds`.
    // This one asks readRecords() table by table; a reader that can do all
    // in one request overrides it. Throws when nothing could be read.
    virtual QVector<TableRecords>
    readTables(const QVector<Table> &tables, const QVector<quint32> &userIds, const QVector<quint32> &groupIds, const QVector<quint32> &projectIds = {});

    // The blkid lines and both kinds' tables of the devices that `fsSpecs`
    // name as /etc/fstab does, in one request: before the lines are known
    // no device is. A device field without quotas is a failed table.
    struct ListedTables {
        // False when the reader cannot answer this in one go; the caller
        // then asks for the lines and the tables apart.
        bool listed = false;
        QStringList blkidLines;
        // Users, Groups: one per device field, in the order of `fsSpecs`.
        QVector<TableRecords> tables[2];
    };
    // Throws std::runtime_error with the reason when the request fails.
    virtual ListedTables readListedTables(const QStringList &fsSpecs, const QVector<quint32> &userIds, const QVector<quint32> &groupIds);
};
