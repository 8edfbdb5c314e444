// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QVector>

class QuotaKernel;

// Reads whole quota tables (one device, one kind) through quotactl: every
// record the kernel holds, and the requested ids it holds none for. A load
// reads several tables; the kernel answers each record in its own call, so
// with thousands of members the calls are most of the load, and tables are
// read side by side on the machine's cores.
class QuotaTableReader
{
public:
    struct Table {
        QByteArray device; // the resolved device node
        int type = 0; // USRQUOTA, GRPQUOTA or PRJQUOTA
        QVector<quint32> ids;
        bool xfs = false;
    };
    struct Result {
        QByteArray records; // packed as QuotaRecordBatch::encodeRecords does
        int error = 0; // the errno of the call that failed, or 0
    };

    // The kernel must take calls from several threads at once.
    explicit QuotaTableReader(QuotaKernel &kernel);

    Result read(const Table &table) const;
    // The results in the order of `tables`, read by up to `workers` threads
    // (the calling one among them).
    QVector<Result> readAll(const QVector<Table> &tables, int workers) const;
    // As many workers as the machine has cores, at most `tables`.
    static int workersFor(int tables);

private:
    QuotaKernel &m_kernel;
};
