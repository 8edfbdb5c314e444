// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/memorysizetransfer.h"

#include <QTest>

#include <cmath>

class MemorySizeTransferTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void memFromBytes_data();
    void memFromBytes();
    void bytesFromMem_data();
    void bytesFromMem();
    void roundTrip_data();
    void roundTrip();
    void settersKeepTexts();
    void unitTableOrder();
};

void MemorySizeTransferTest::memFromBytes_data()
{
    QTest::addColumn<qulonglong>("bytes");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("dimension");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero shows as an empty cell") << 0ULL << 0.0 << int(Bytes) << "Bytes" << QString();
    QTest::newRow("one byte") << 1ULL << 1.0 << int(Bytes) << "Bytes"
                              << "1 Bytes";
    QTest::newRow("just below a kilobyte") << 1023ULL << 1023.0 << int(Bytes) << "Bytes"
                                           << "1023 Bytes";
    QTest::newRow("exactly a kilobyte steps up") << 1024ULL << 1.0 << int(KiloBytes) << "Kb"
                                                 << "1 Kb";
    QTest::newRow("rounding only in the text") << 1048575ULL << 1023.9990234375 << int(KiloBytes) << "Kb"
                                               << "1024 Kb";
    QTest::newRow("one and a half megabytes") << 1572864ULL << 1.5 << int(MegaBytes) << "Mb"
                                              << "1.5 Mb";
    QTest::newRow("one gigabyte") << 1073741824ULL << 1.0 << int(GigaBytes) << "Gb"
                                  << "1 Gb";
    QTest::newRow("just below a terabyte stays in Gb") << 1023ULL * 1073741824ULL << 1023.0 << int(GigaBytes) << "Gb"
                                                       << "1023 Gb";
    QTest::newRow("5 TiB") << 5ULL * 1099511627776ULL << 5.0 << int(TeraBytes) << "Tb"
                           << "5 Tb";
    QTest::newRow("2048 Gb are 2 Tb") << 2048ULL * 1073741824ULL << 2.0 << int(TeraBytes) << "Tb"
                                      << "2 Tb";
    QTest::newRow("one petabyte") << 1125899906842624ULL << 1.0 << int(PetaBytes) << "Pb"
                                  << "1 Pb";
    QTest::newRow("the kernel's largest limit needs no exponent") << 9223372036854774784ULL << 8191.999999999999 << int(PetaBytes) << "Pb"
                                                                  << "8192 Pb";
    QTest::newRow("no unit above petabytes") << 18446744073709551615ULL << 16384.0 << int(PetaBytes) << "Pb"
                                             << "1.638e+04 Pb";
}

void MemorySizeTransferTest::memFromBytes()
{
    QFETCH(qulonglong, bytes);
    QFETCH(double, value);
    QFETCH(int, dimension);
    QFETCH(QString, unit);
    QFETCH(QString, text);

    const MemorySize size = MemorySizeTransfer().memFromBytes(bytes);
    QCOMPARE(size.value(), value);
    QCOMPARE(int(size.dimension()), dimension);
    QCOMPARE(size.stringDimension(), unit);
    QCOMPARE(size.humanSize(), text);
}

void MemorySizeTransferTest::bytesFromMem_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("dimension");
    QTest::addColumn<qulonglong>("bytes");

    QTest::newRow("bytes as they are") << 512.0 << int(Bytes) << 512ULL;
    QTest::newRow("fraction of a byte dropped") << 0.3 << int(Bytes) << 0ULL;
    QTest::newRow("one and a half kilobytes") << 1.5 << int(KiloBytes) << 1536ULL;
    QTest::newRow("fraction truncated toward zero") << 1.0000001 << int(KiloBytes) << 1024ULL;
    QTest::newRow("megabytes") << 3.0 << int(MegaBytes) << 3145728ULL;
    QTest::newRow("gigabytes") << 1.0 << int(GigaBytes) << 1073741824ULL;
    QTest::newRow("terabytes") << 5.0 << int(TeraBytes) << 5497558138880ULL;
    QTest::newRow("petabytes") << 1.5 << int(PetaBytes) << 1688849860263936ULL;
    QTest::newRow("above 2^63 converts as unsigned") << 12884901888.0 << int(GigaBytes) << 13835058055282163712ULL;
    QTest::newRow("beyond 64 bits saturates") << 1.0e12 << int(GigaBytes) << 18446744073709551615ULL;
    QTest::newRow("negative amount is no limit") << -5.0 << int(MegaBytes) << 0ULL;
    QTest::newRow("unknown unit") << 5.0 << 7 << 0ULL;
}

void MemorySizeTransferTest::bytesFromMem()
{
    QFETCH(double, value);
    QFETCH(int, dimension);
    QFETCH(qulonglong, bytes);

    MemorySize size;
    size.setValue(value);
    size.setDimension(static_cast<Dimension>(dimension));
    QCOMPARE(MemorySizeTransfer().bytesFromMem(size), quint64(bytes));
}

void MemorySizeTransferTest::roundTrip_data()
{
    QTest::addColumn<qulonglong>("bytes");

    QTest::newRow("zero") << 0ULL;
    QTest::newRow("odd byte count") << 1048577ULL;
    QTest::newRow("just below a gigabyte") << 1073741823ULL;
    QTest::newRow("odd terabyte-sized count") << 1099511627777ULL;
    QTest::newRow("largest exact double") << 9007199254740991ULL;
    QTest::newRow("5 TiB") << 5497558138880ULL;
    QTest::newRow("the kernel's largest limit in whole KiB") << 9223372036854774784ULL;
}

void MemorySizeTransferTest::roundTrip()
{
    QFETCH(qulonglong, bytes);
    const MemorySizeTransfer transfer;
    QCOMPARE(transfer.bytesFromMem(transfer.memFromBytes(bytes)), quint64(bytes));
}

void MemorySizeTransferTest::settersKeepTexts()
{
    const MemorySizeTransfer transfer;
    MemorySize size = transfer.memFromBytes(1536);
    size.setValue(3.0);
    size.setDimension(MegaBytes);
    QCOMPARE(size.stringDimension(), QStringLiteral("Kb"));
    QCOMPARE(size.humanSize(), QStringLiteral("1.5 Kb"));
    QCOMPARE(transfer.bytesFromMem(size), quint64(3145728));

    const MemorySize fresh;
    QCOMPARE(fresh.value(), 0.0);
    QCOMPARE(fresh.dimension(), Bytes);
    QCOMPARE(fresh.stringDimension(), QStringLiteral("Bytes"));
    QVERIFY(fresh.humanSize().isEmpty());
}

void MemorySizeTransferTest::unitTableOrder()
{
    const QMap<Dimension, QString> sizes = MemorySizeTransfer().sizesMap();
    QCOMPARE(sizes.keys(), (QList<Dimension>{Bytes, KiloBytes, MegaBytes, GigaBytes, TeraBytes, PetaBytes}));
    QCOMPARE(sizes.values(), (QStringList{"Bytes", "Kb", "Mb", "Gb", "Tb", "Pb"}));
}

QTEST_GUILESS_MAIN(MemorySizeTransferTest)

#include "memorysizetransfertest.moc"
