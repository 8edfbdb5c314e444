// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/devicespecification.h"

#include <QTest>

class DeviceSpecificationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blockDeviceName_data();
    void blockDeviceName();
    void tagValue_data();
    void tagValue();
    void isDevicePath_data();
    void isDevicePath();
};

static const QStringList blkidLines = {
    QStringLiteral("/dev/sda10: UUID=\"aaaa\" TYPE=\"ext4\" PARTUUID=\"1234-ABCD\""),
    QStringLiteral("/dev/sda1: UUID=\"1234-ABCD\" TYPE=\"ext4\" PARTUUID=\"p1\""),
    QStringLiteral("/dev/sdb1: LABEL=\"home\" UUID=\"bbbb\" SEC_TYPE=\"ext2\" TYPE=\"ext3\""),
    QStringLiteral("/dev/sdc1: LABEL=\"a.b\" TYPE=\"ext2\""),
    QStringLiteral("/dev/sdd1: LABEL=\"x:y\" TYPE=\"ext4\" PARTLABEL=\"data\""),
    QStringLiteral("/dev/mapper/vg-root: UUID=\"cccc\" TYPE=\"ext4\""),
    QStringLiteral("/dev/sde1: : TYPE=\"ext4\""),
    QString(),
};

void DeviceSpecificationTest::blockDeviceName_data()
{
    QTest::addColumn<QString>("fsSpec");
    QTest::addColumn<QString>("device");

    QTest::newRow("path does not pick a longer path") << "/dev/sda1"
                                                      << "/dev/sda1";
    QTest::newRow("path of a longer name") << "/dev/sda10"
                                           << "/dev/sda10";
    QTest::newRow("unknown path") << "/dev/sdz9" << QString();
    // An fstab field may hold ": " (as \040); blkid's line still names
    // /dev/sde1 only.
    QTest::newRow("path with the line's separator in it") << "/dev/sde1: " << QString();
    QTest::newRow("path before a line with an empty field") << "/dev/sde1"
                                                            << "/dev/sde1";
    QTest::newRow("uuid is not matched by partuuid") << "UUID=1234-ABCD"
                                                     << "/dev/sda1";
    QTest::newRow("quoted uuid") << "UUID=\"1234-ABCD\""
                                 << "/dev/sda1";
    QTest::newRow("partuuid") << "PARTUUID=1234-ABCD"
                              << "/dev/sda10";
    QTest::newRow("label") << "LABEL=home"
                           << "/dev/sdb1";
    QTest::newRow("label with pattern characters is literal") << "LABEL=." << QString();
    QTest::newRow("label with a dot") << "LABEL=a.b"
                                      << "/dev/sdc1";
    QTest::newRow("label with a colon keeps the path") << "LABEL=x:y"
                                                       << "/dev/sdd1";
    QTest::newRow("partlabel") << "PARTLABEL=data"
                               << "/dev/sdd1";
    QTest::newRow("mapper path") << "/dev/mapper/vg-root"
                                 << "/dev/mapper/vg-root";
    QTest::newRow("tmpfs") << "tmpfs" << QString();
    QTest::newRow("proc") << "proc" << QString();
    QTest::newRow("partial uuid value") << "UUID=1234" << QString();
}

void DeviceSpecificationTest::blockDeviceName()
{
    QFETCH(QString, fsSpec);
    QFETCH(QString, device);
    QCOMPARE(DeviceSpecification::blockDeviceName(fsSpec, blkidLines), device);
}

void DeviceSpecificationTest::tagValue_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("isNull");

    QTest::newRow("type, not sec_type") << blkidLines.at(2) << "TYPE"
                                        << "ext3" << false;
    QTest::newRow("uuid, not partuuid") << blkidLines.at(0) << "UUID"
                                        << "aaaa" << false;
    QTest::newRow("missing key") << blkidLines.at(3) << "UUID" << QString() << true;
    QTest::newRow("empty value") << "/dev/x: LABEL=\"\" TYPE=\"ext4\""
                                 << "LABEL"
                                 << "" << false;
}

void DeviceSpecificationTest::tagValue()
{
    QFETCH(QString, line);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, isNull);
    const QString result = DeviceSpecification::tagValue(line, key);
    QCOMPARE(result, value);
    QCOMPARE(result.isNull(), isNull);
}

void DeviceSpecificationTest::isDevicePath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("partition") << "/dev/sdb1" << true;
    QTest::newRow("mapper name") << "/dev/mapper/vg-home" << true;
    QTest::newRow("by-uuid link") << "/dev/disk/by-uuid/1234-ABCD" << true;
    QTest::newRow("by-label link with an escape") << "/dev/disk/by-label/a\\x20b" << true;
    QTest::newRow("dot-dot out of /dev") << "/dev/../etc/fstab" << false;
    QTest::newRow("dot-dot at the end") << "/dev/mapper/.." << false;
    QTest::newRow("dot component") << "/dev/./sdb1" << false;
    QTest::newRow("double slash") << "/dev//sdb1" << false;
    QTest::newRow("/dev itself") << "/dev/" << false;
    QTest::newRow("outside /dev") << "/tmp/sdb1" << false;
    QTest::newRow("prefix without slash") << "/device/sdb1" << false;
    QTest::newRow("option") << "-a" << false;
    QTest::newRow("relative") << "dev/sdb1" << false;
    QTest::newRow("line feed") << "/dev/sdb1\n/dev/sda1" << false;
    QTest::newRow("blank") << "/dev/sdb1 x" << false;
    QTest::newRow("empty") << "" << false;
}

void DeviceSpecificationTest::isDevicePath()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QCOMPARE(DeviceSpecification::isDevicePath(name), accepted);
}

QTEST_GUILESS_MAIN(DeviceSpecificationTest)
#include "devicespecificationtest.moc"
