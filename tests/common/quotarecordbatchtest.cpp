// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/quotarecordbatch.h"

#include <QTest>
#include <QVariant>

namespace
{
ProxyQuotaData recordWith(quint64 seed)
{
    ProxyQuotaData record;
    record.dqb_bhardlimit = seed;
    record.dqb_bsoftlimit = seed + 1;
    record.dqb_curspace = ~seed;
    record.dqb_ihardlimit = seed << 33;
    record.dqb_isoftlimit = seed + 4;
    record.dqb_curinodes = seed + 5;
    record.dqb_btime = seed + 6;
    record.dqb_itime = seed + 7;
    record.dqb_valid = 0x3f;
    return record;
}

QVector<QuotaRecordBatch::Entry> entries(int count)
{
    QVector<QuotaRecordBatch::Entry> result;
    for (int i = 0; i < count; ++i) {
        result.append({quint32(i == count - 1 ? 0xffffffffu : quint32(i * 7)), recordWith(quint64(i))});
    }
    return result;
}
}

class QuotaRecordBatchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsRoundTrip_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("no records") << 0;
        QTest::newRow("one record") << 1;
        QTest::newRow("ten thousand members and the largest id") << 10000;
    }

    void recordsRoundTrip()
    {
        QFETCH(int, count);
        const QVector<QuotaRecordBatch::Entry> sent = entries(count);
        // The reply map goes through QVariant serialisation in KAuth.
        QByteArray wire;
        {
            QDataStream out(&wire, QIODevice::WriteOnly);
            out << QVariantMap{{QStringLiteral("quota_records"), QuotaRecordBatch::encodeRecords(sent)}};
        }
        QVariantMap received;
        QDataStream in(wire);
        in >> received;
        const QByteArray bytes = received.value(QStringLiteral("quota_records")).toByteArray();
        // 76 bytes a member: 10,000 records stay well below a D-Bus
        // message's limit.
        QCOMPARE(bytes.size(), count * 76);

        QVector<QuotaRecordBatch::Entry> decoded;
        QVERIFY(QuotaRecordBatch::decodeRecords(bytes, decoded));
        QCOMPARE(decoded.size(), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(decoded.at(i).id, sent.at(i).id);
            QVERIFY(decoded.at(i).record == sent.at(i).record);
        }
    }

    // Both sides pack by hand; the bytes must still be the stream form that
    // ProxyQuotaData's operators define, field for field, or a helper and a
    // panel built at different times would read each other's records
    // shuffled.
    void packedFormIsTheStreamForm_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("no records") << 0;
        QTest::newRow("one record") << 1;
        QTest::newRow("records with every bit pattern in use") << 5;
    }

    void packedFormIsTheStreamForm()
    {
        QFETCH(int, count);
        const QVector<QuotaRecordBatch::Entry> sent = entries(count);
        QByteArray streamedRecords;
        QByteArray streamedIds;
        QVector<quint32> ids;
        {
            QDataStream records(&streamedRecords, QIODevice::WriteOnly);
            QDataStream idStream(&streamedIds, QIODevice::WriteOnly);
            records.setVersion(QDataStream::Qt_5_0);
            idStream.setVersion(QDataStream::Qt_5_0);
            for (const QuotaRecordBatch::Entry &entry : sent) {
                records << entry.id << entry.record;
                idStream << entry.id;
                ids.append(entry.id);
            }
        }
        QCOMPARE(QuotaRecordBatch::encodeRecords(sent), streamedRecords);
        QCOMPARE(QuotaRecordBatch::encodeIds(ids), streamedIds);
    }

    void idsRoundTrip()
    {
        const QVector<quint32> ids{0, 1000, 65534, 0x80000000u, 0xffffffffu};
        const QByteArray bytes = QuotaRecordBatch::encodeIds(ids);
        QCOMPARE(bytes.size(), 20);
        QVector<quint32> decoded;
        QVERIFY(QuotaRecordBatch::decodeIds(bytes, decoded));
        QCOMPARE(decoded, ids);
    }

    void malformedBytesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asIds");
        const QByteArray two = QuotaRecordBatch::encodeRecords(entries(2));
        QTest::newRow("records cut short") << two.left(two.size() - 1) << false;
        QTest::newRow("records with a trailing byte") << two + '\0' << false;
        QTest::newRow("ids cut short") << QByteArray(7, '\1') << true;
    }

    void malformedBytesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asIds);
        if (asIds) {
            QVector<quint32> ids{1};
            QVERIFY(!QuotaRecordBatch::decodeIds(bytes, ids));
            QVERIFY(ids.isEmpty());
        } else {
            QVector<QuotaRecordBatch::Entry> decoded(3);
            QVERIFY(!QuotaRecordBatch::decodeRecords(bytes, decoded));
            QVERIFY(decoded.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(QuotaRecordBatchTest)

#include "quotarecordbatchtest.moc"
