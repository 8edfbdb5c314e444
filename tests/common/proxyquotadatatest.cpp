// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/proxyquotadata.h"

#include <QBuffer>
#include <QTest>
#include <QVariant>

class ProxyQuotaDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        ProxyQuotaData::registerMetaType();
    }

    void streamFormIsNineSignedFields()
    {
        ProxyQuotaData data;
        data.dqb_bhardlimit = 1;
        data.dqb_bsoftlimit = 2;
        data.dqb_curspace = 3;
        data.dqb_ihardlimit = 4;
        data.dqb_isoftlimit = 5;
        data.dqb_curinodes = 6;
        data.dqb_btime = 7;
        data.dqb_itime = 8;
        data.dqb_valid = ~quint64(0);

        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << data;
        QCOMPARE(bytes.size(), 72);

        QDataStream in(bytes);
        for (qint64 expected = 1; expected <= 8; ++expected) {
            qint64 field = 0;
            in >> field;
            QCOMPARE(field, expected);
        }
        qint64 valid = 0;
        in >> valid;
        QCOMPARE(valid, qint64(-1));

        QDataStream back(bytes);
        ProxyQuotaData read;
        back >> read;
        QVERIFY(read == data);
    }

    void survivesVariantSerialisation()
    {
        ProxyQuotaData data;
        data.dqb_curspace = Q_UINT64_C(0xfedcba9876543210);
        data.dqb_valid = 21;
        QVariantMap map{{QStringLiteral("info"), QVariant::fromValue(data)}};

        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << map;
        QDataStream in(bytes);
        QVariantMap read;
        in >> read;
        QCOMPARE(QString::fromLatin1(read.value(QStringLiteral("info")).typeName()), QStringLiteral("ProxyQuotaData"));
        QVERIFY(read.value(QStringLiteral("info")).value<ProxyQuotaData>() == data);
    }

    void validityMaskIsCutTo32Bits()
    {
        ProxyQuotaData data;
        data.dqb_valid = Q_UINT64_C(0x1'0000'0015);
        data.dqb_btime = 99;
        const dqblk record = data.toDqblk();
        QCOMPARE(record.dqb_valid, 0x15u);
        QCOMPARE(record.dqb_btime, quint64(99));

        const ProxyQuotaData back(record);
        QCOMPARE(back.dqb_valid, quint64(0x15));
    }

    void failedConversionIsAllZeros()
    {
        const ProxyQuotaData data = QVariant(QStringLiteral("x")).value<ProxyQuotaData>();
        QVERIFY(data == ProxyQuotaData());
        QCOMPARE(data.dqb_valid, quint64(0));
    }
};

QTEST_GUILESS_MAIN(ProxyQuotaDataTest)
#include "proxyquotadatatest.moc"
