// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/system/helperquotarecordreader.h"
#include "common/quotarecordbatch.h"
#include "fakehelperexecutor.h"

#include <QTest>

#include <stdexcept>
#include <utility>

namespace
{
ProxyQuotaData limits(quint64 files)
{
    ProxyQuotaData record;
    record.dqb_isoftlimit = files;
    record.dqb_ihardlimit = files * 2;
    return record;
}
}

Q_DECLARE_METATYPE(QList<quint32>)

// How a table came back: "ids 1 2" or "failed: reason".
QString shownTable(const QuotaRecordReader::TableRecords &table)
{
    if (table.failed) {
        return QStringLiteral("failed: ") + table.error;
    }
    QStringList ids{QStringLiteral("ids")};
    for (auto it = table.records.cbegin(); it != table.records.cend(); ++it) {
        ids.append(QString::number(it.key()));
    }
    return ids.join(QLatin1Char(' '));
}

class HelperQuotaRecordReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The reader builds its map on the assumption that the helper answers
    // in ascending id order; any other order must still give every record
    // under its own id.
    void everyRecordUnderItsId_data()
    {
        QTest::addColumn<QList<quint32>>("order");
        QTest::newRow("ascending, as the helper answers") << QList<quint32>{0, 1000, 1001, 65534, 0xffffffffu};
        QTest::newRow("descending") << QList<quint32>{0xffffffffu, 65534, 1001, 1000, 0};
        QTest::newRow("shuffled") << QList<quint32>{1001, 0xffffffffu, 0, 65534, 1000};
        QTest::newRow("none") << QList<quint32>{};
    }

    void everyRecordUnderItsId()
    {
        QFETCH(QList<quint32>, order);
        QVector<QuotaRecordBatch::Entry> entries;
        for (quint32 id : std::as_const(order)) {
            entries.append({id, limits(quint64(id) + 1)});
        }
        // The helper answers every batch read with these entries, in order.
        FakeHelperExecutor executor;
        executor.respond = [reply = QuotaRecordBatch::encodeRecords(entries)](const FakeHelperExecutor::Request &) {
            HelperActionExecutor::Result result;
            result.succeeded = true;
            result.data.insert(QStringLiteral("quota_records"), reply);
            return result;
        };
        const QMap<quint32, ProxyQuotaData> records = HelperQuotaRecordReader(executor).readRecords(QStringLiteral("/dev/sdb1"), Users, {});
        QCOMPARE(records.size(), order.size());
        for (quint32 id : std::as_const(order)) {
            QVERIFY2(records.contains(id), qPrintable(QString::number(id)));
            QVERIFY(records.value(id) == limits(quint64(id) + 1));
        }
    }

    // One request carries every table of a load; the answers are handed
    // back to the tables in the order they were asked, users and groups
    // interleaved as the caller listed them.
    void tablesInOneRequest_data()
    {
        const QByteArray one = QuotaRecordBatch::encodeRecords({{1000, limits(1)}});
        const QByteArray two = QuotaRecordBatch::encodeRecords({{1000, limits(1)}, {1001, limits(2)}});
        const QString unreadable = QStringLiteral("The helper's answer holds no readable quota records");

        QTest::addColumn<QVariantMap>("reply");
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("each table its own records") << QVariantMap{{"user_records", QVariantList{one, two}}, {"group_records", QVariantList{two}}}
                                                    << QStringList{"/dev/sdb1 0", "/dev/sdb1 1", "/dev/sdc1 0"}
                                                    << QStringList{"ids 1000", "ids 1000 1001", "ids 1000 1001"};
        QTest::newRow("a table the helper could not read fails alone")
            << QVariantMap{{"user_records", QVariantList{QStringLiteral("Quota turned off"), one}}, {"group_records", QVariantList{}}}
            << QStringList{"/dev/sdb1 0", "/dev/sdc1 0"} << QStringList{"failed: Quota turned off", "ids 1000"};
        QTest::newRow("bytes that are no records fail that table")
            << QVariantMap{{"user_records", QVariantList{QByteArray(5, 'x')}}, {"group_records", QVariantList{one}}}
            << QStringList{"/dev/sdb1 0", "/dev/sdb1 1"} << QStringList{"failed: " + unreadable, "ids 1000"};
        QTest::newRow("an answer short of a table fails the load") << QVariantMap{{"user_records", QVariantList{one}}, {"group_records", QVariantList{}}}
                                                                   << QStringList{"/dev/sdb1 0", "/dev/sdb1 1"} << QStringList{"thrown: " + unreadable};
    }

    void tablesInOneRequest()
    {
        QFETCH(QVariantMap, reply);
        QFETCH(QStringList, tables);
        QFETCH(QStringList, shown);

        QVector<QuotaRecordReader::Table> asked;
        QStringList userDevices;
        QStringList groupDevices;
        for (const QString &table : std::as_const(tables)) {
            const QStringList parts = table.split(QLatin1Char(' '));
            const SettingsId type = parts.at(1) == QLatin1String("0") ? Users : Groups;
            asked.append({parts.at(0), type});
            (type == Users ? userDevices : groupDevices).append(parts.at(0));
        }
        FakeHelperExecutor executor;
        executor.respond = [reply](const FakeHelperExecutor::Request &) {
            HelperActionExecutor::Result result;
            result.succeeded = true;
            result.data = reply;
            return result;
        };
        QStringList answers;
        try {
            const QVector<QuotaRecordReader::TableRecords> read = HelperQuotaRecordReader(executor).readTables(asked, {1000, 1001}, {1000});
            for (const QuotaRecordReader::TableRecords &table : read) {
                answers.append(shownTable(table));
            }
        } catch (const std::runtime_error &error) {
            answers.append(QStringLiteral("thrown: ") + QString::fromUtf8(error.what()));
        }
        QCOMPARE(answers, shown);

        QCOMPARE(executor.requests.size(), 1);
        const QVariantMap request = executor.requests.first().arguments;
        QVERIFY(request.contains(QStringLiteral("get_quota_tables")));
        QCOMPARE(request.value(QStringLiteral("user_devices")).toStringList(), userDevices);
        QCOMPARE(request.value(QStringLiteral("group_devices")).toStringList(), groupDevices);
        QVector<quint32> ids;
        QVERIFY(QuotaRecordBatch::decodeIds(request.value(QStringLiteral("user_ids")).toByteArray(), ids));
        QCOMPARE(ids, (userDevices.isEmpty() ? QVector<quint32>() : QVector<quint32>{1000, 1001}));
        QVERIFY(QuotaRecordBatch::decodeIds(request.value(QStringLiteral("group_ids")).toByteArray(), ids));
        QCOMPARE(ids, (groupDevices.isEmpty() ? QVector<quint32>() : QVector<quint32>{1000}));
    }

    // Nothing to read: nothing asked, and no helper started for it.
    void noTablesNoRequest()
    {
        FakeHelperExecutor executor;
        QVERIFY(HelperQuotaRecordReader(executor).readTables({}, {1000}, {1000}).isEmpty());
        QVERIFY(executor.requests.isEmpty());
    }
};

QTEST_GUILESS_MAIN(HelperQuotaRecordReaderTest)

#include "helperquotarecordreadertest.moc"
