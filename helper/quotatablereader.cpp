// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotatablereader.h"

#include "common/proxyquotadata.h"
#include "common/quotarecordbatch.h"
#include "helper/quotakernel.h"

#include <QMap>

#include <atomic>
#include <cerrno>
#include <limits>
#include <new>
#include <sys/quota.h>
#include <system_error>
#include <thread>
#include <vector>

namespace
{
// The kernel answers these when it (or the file system's quota format)
// cannot walk the records; then only the requested ids can be read.
bool walkUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

ProxyQuotaData fromNextRecord(const if_nextdqblk &next)
{
    ProxyQuotaData record;
    record.dqb_bhardlimit = next.dqb_bhardlimit;
    record.dqb_bsoftlimit = next.dqb_bsoftlimit;
    record.dqb_curspace = next.dqb_curspace;
    record.dqb_ihardlimit = next.dqb_ihardlimit;
    record.dqb_isoftlimit = next.dqb_isoftlimit;
    record.dqb_curinodes = next.dqb_curinodes;
    record.dqb_btime = next.dqb_btime;
    record.dqb_itime = next.dqb_itime;
    record.dqb_valid = next.dqb_valid;
    return record;
}

// More threads than this only queue up in the kernel behind each other.
constexpr int MaxWorkers = 8;
}

QuotaTableReader::QuotaTableReader(QuotaKernel &kernel)
    : m_kernel(kernel)
{
}

QuotaTableReader::Result QuotaTableReader::read(const Table &table) const
{
    Result result;
    QMap<quint32, ProxyQuotaData> records;
    // Looked up once: the walk makes one call per record.
    const int walkCommand = QCMD(Q_GETNEXTQUOTA, table.type);
    quint32 nextId = 0;
    for (;;) {
        if_nextdqblk next{};
        const int error = m_kernel.quotactl(walkCommand, table.device, static_cast<int>(nextId), &next);
        if (error == ENOENT) {
            break; // no record at or above nextId
        }
        if (error != 0) {
            if (records.isEmpty() && walkUnsupported(error)) {
                break;
            }
            result.error = error;
            return result;
        }
        // A record below the one asked for would walk forever.
        if (next.dqb_id < nextId) {
            break;
        }
        // The walk ascends, so the end is the right place: constant time.
        records.insert(records.constEnd(), next.dqb_id, fromNextRecord(next));
        if (next.dqb_id == std::numeric_limits<quint32>::max()) {
            break;
        }
        nextId = next.dqb_id + 1;
    }

    // Ids the walk did not meet have no record in the quota file; the
    // kernel still answers them (with what it counts in memory, or zeros),
    // exactly as a single read would.
    const int readCommand = QCMD(Q_GETQUOTA, table.type);
    for (quint32 id : table.ids) {
        if (records.contains(id)) {
            continue;
        }
        dqblk record{};
        const int error = m_kernel.quotactl(readCommand, table.device, static_cast<int>(id), &record);
        // XFS holds no record for an id that never used its space.
        if (error == ENOENT && table.xfs) {
            record = dqblk{};
        } else if (error != 0) {
            result.error = error;
            return result;
        }
        records.insert(id, ProxyQuotaData(record));
    }

    QVector<QuotaRecordBatch::Entry> entries;
    entries.reserve(records.size());
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        entries.append({it.key(), it.value()});
    }
    result.records = QuotaRecordBatch::encodeRecords(entries);
    return result;
}

QVector<QuotaTableReader::Result> QuotaTableReader::readAll(const QVector<Table> &tables, int workers) const
{
    QVector<Result> results(tables.size());
    // Each worker takes the next table nobody has taken; each result has
    // its own slot, so nothing else is shared.
    Result *places = results.data();
    std::atomic<int> next{0};
    const auto work = [&]() {
        for (int i = next++; i < tables.size(); i = next++) {
            try {
                places[i] = read(tables.at(i));
            } catch (const std::bad_alloc &) {
                places[i].error = ENOMEM;
            }
        }
    };
    std::vector<std::thread> threads;
    // The calling thread is one of them; no tables, no other thread.
    const int threadCount = qMin(qMax(1, workers), qMin(int(tables.size()), MaxWorkers));
    for (int i = 1; i < threadCount; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error &) {
            break; // no thread to be had: fewer workers do the same work
        }
    }
    work();
    for (std::thread &thread : threads) {
        thread.join();
    }
    return results;
}

int QuotaTableReader::workersFor(int tables)
{
    return qMax(1, qMin(int(std::thread::hardware_concurrency()), tables));
}
