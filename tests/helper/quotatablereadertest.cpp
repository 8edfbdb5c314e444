// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/quotatablereader.h"
#include "common/quotarecordbatch.h"
#include "helper/quotakernel.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QTest>
#include <QWaitCondition>

#include <cerrno>
#include <cstring>
#include <sys/quota.h>

namespace
{
// Each device and kind has its own records, so a result that lands in the
// wrong place shows. Thread-safe, as the reader needs.
class TableKernel : public QuotaKernel
{
public:
    int quotactl(int command, const QByteArray &device, int id, void *address) override
    {
        const int sub = static_cast<int>(static_cast<quint32>(command) >> SUBCMDSHIFT);
        const int type = command & SUBCMDMASK;
        QMutexLocker lock(&mutex);
        if (meetingDevices.contains(device) && !arrived.contains(device)) {
            // The first call of each device waits until the other device's
            // walk has begun as well; read one after the other, they never
            // meet, and the waiting is given up.
            arrived.insert(device);
            if (arrived.size() == meetingDevices.size()) {
                met = true;
                everyoneHere.wakeAll();
            } else if (!everyoneHere.wait(&mutex, 2000)) {
                meetingDevices.clear();
            }
        }
        if (failing.contains(device)) {
            return failing.value(device);
        }
        const QMap<quint32, dqblk> table = tables.value(key(device, type));
        if (sub == Q_GETNEXTQUOTA) {
            const auto next = table.lowerBound(quint32(id));
            if (next == table.cend()) {
                return ENOENT;
            }
            auto *out = static_cast<if_nextdqblk *>(address);
            std::memcpy(out, &next.value(), sizeof(dqblk));
            out->dqb_id = next.key();
            return 0;
        }
        if (sub == Q_GETQUOTA) {
            *static_cast<dqblk *>(address) = table.value(quint32(id), dqblk{});
            return 0;
        }
        return EINVAL;
    }

    static QString key(const QByteArray &device, int type)
    {
        return QString::fromUtf8(device) + QLatin1Char('/') + QString::number(type);
    }

    QHash<QString, QMap<quint32, dqblk>> tables;
    QHash<QByteArray, int> failing;
    QSet<QByteArray> meetingDevices;
    QSet<QByteArray> arrived;
    bool met = false;
    QMutex mutex;
    QWaitCondition everyoneHere;
};

dqblk recordWith(quint64 softFiles)
{
    dqblk record{};
    record.dqb_isoftlimit = softFiles;
    record.dqb_valid = QIF_ALL;
    return record;
}

// id -> soft file limit of a packed table.
QMap<quint32, quint64> unpacked(const QByteArray &bytes)
{
    QVector<QuotaRecordBatch::Entry> entries;
    QMap<quint32, quint64> result;
    if (QuotaRecordBatch::decodeRecords(bytes, entries)) {
        for (const auto &entry : std::as_const(entries)) {
            result.insert(entry.id, entry.record.dqb_isoftlimit);
        }
    }
    return result;
}
}

class QuotaTableReaderTest : public QObject
{
    Q_OBJECT

private:
    TableKernel kernel;
    QVector<QuotaTableReader::Table> tables;

private Q_SLOTS:
    void init()
    {
        kernel.tables.clear();
        kernel.failing.clear();
        tables.clear();
        // Six tables whose records tell device, kind and id apart.
        for (int d = 0; d < 3; ++d) {
            const QByteArray device = "/dev/loop" + QByteArray::number(d);
            for (const int type : {USRQUOTA, GRPQUOTA}) {
                QMap<quint32, dqblk> &table = kernel.tables[TableKernel::key(device, type)];
                for (quint32 id = 1000; id < quint32(1000 + 50 * (d + 1)); id += 7) {
                    table.insert(id, recordWith(d * 1000000 + type * 100000 + id));
                }
                tables.append({device, type, {0, 1000, 4242}, false});
            }
        }
    }

    void everyTableInItsPlace_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
        QTest::newRow("three") << 3;
        QTest::newRow("more than tables") << 20;
        QTest::newRow("none asked") << 0;
    }
    void everyTableInItsPlace()
    {
        QFETCH(int, workers);
        const QuotaTableReader reader(kernel);
        const QVector<QuotaTableReader::Result> results = reader.readAll(tables, workers);
        QCOMPARE(results.size(), tables.size());
        for (int i = 0; i < tables.size(); ++i) {
            const QuotaTableReader::Table &table = tables.at(i);
            QCOMPARE(results.at(i).error, 0);
            const QMap<quint32, quint64> records = unpacked(results.at(i).records);
            const QMap<quint32, dqblk> expected = kernel.tables.value(TableKernel::key(table.device, table.type));
            // Every record of the walk, and the two asked ids it did not meet.
            QCOMPARE(records.size(), expected.size() + 2);
            for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
                QCOMPARE(records.value(it.key()), quint64(it.value().dqb_isoftlimit));
            }
            QCOMPARE(records.value(0, 1), quint64(0));
            QCOMPARE(records.value(4242, 1), quint64(0));
            // The same as a read of that table alone.
            QCOMPARE(results.at(i).records, reader.read(table).records);
        }
    }

    void noTablesNoThreads()
    {
        QVERIFY(QuotaTableReader(kernel).readAll({}, 4).isEmpty());
        QCOMPARE(QuotaTableReader::workersFor(0), 1);
    }

    void aFailingTableKeepsToItself_data()
    {
        QTest::addColumn<int>("workers");
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
    }
    void aFailingTableKeepsToItself()
    {
        QFETCH(int, workers);
        kernel.failing.insert("/dev/loop1", EIO);
        const QVector<QuotaTableReader::Result> results = QuotaTableReader(kernel).readAll(tables, workers);
        for (int i = 0; i < tables.size(); ++i) {
            const bool failing = tables.at(i).device == "/dev/loop1";
            QCOMPARE(results.at(i).error, failing ? EIO : 0);
            QCOMPARE(results.at(i).records.isEmpty(), failing);
        }
    }

    void tablesAreReadSideBySide()
    {
        // The first two tables' walks wait for each other: with two workers
        // they meet, read one after the other they would not.
        kernel.meetingDevices = {"/dev/loop0", "/dev/loop1"};
        kernel.arrived.clear();
        kernel.met = false;
        const QVector<QuotaTableReader::Table> two = {tables.at(0), tables.at(2)};
        QuotaTableReader(kernel).readAll(two, 2);
        QVERIFY(kernel.met);
        kernel.meetingDevices.clear();
    }
};

QTEST_GUILESS_MAIN(QuotaTableReaderTest)

#include "quotatablereadertest.moc"
