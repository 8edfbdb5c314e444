// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/system/helperquotarecordreader.h"
#include "common/quotarecordbatch.h"
#include "fakehelperexecutor.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(HelperQuotaRecordReaderTest)

#include "helperquotarecordreadertest.moc"
