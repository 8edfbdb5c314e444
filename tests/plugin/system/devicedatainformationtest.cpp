// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/system/devicedatainformation.h"

#include <QTest>

#include <stdexcept>

class DeviceDataInformationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void supportedDevices_data();
    void supportedDevices();
    void supportedDevicesPassesBlkidFailure();
    void deviceOptions_data();
    void deviceOptions();
    void deviceMountWithQuota_data();
    void deviceMountWithQuota();
    void deviceFilesystem_data();
    void deviceFilesystem();
    void deviceMountPath();
};

namespace
{
QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::runtime_error &error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}
}

void DeviceDataInformationTest::supportedDevices_data()
{
    QTest::addColumn<QStringList>("blkid");
    QTest::addColumn<QStringList>("fstab");
    QTest::addColumn<QStringList>("devices");

    const QStringList lines = {
        QStringLiteral("/dev/sda10: UUID=\"aaaa\" TYPE=\"ext4\" PARTUUID=\"1234\""),
        QStringLiteral("/dev/sda1: UUID=\"1234\" TYPE=\"ext4\""),
        QStringLiteral("/dev/sdb1: LABEL=\"home\" SEC_TYPE=\"ext2\" TYPE=\"ext3\""),
        QStringLiteral("/dev/sdc1: UUID=\"cccc\" TYPE=\"vfat\""),
        QStringLiteral("/dev/sdd1: UUID=\"dddd\" TYPE=\"xfs\""),
        QStringLiteral("/dev/sde1: LABEL=\"a.b\" TYPE=\"ext2\""),
        QStringLiteral("/dev/sdf1: UUID=\"ffff\" BLOCK_SIZE=\"4096\""),
        QString(),
    };

    QTest::newRow("path does not pick the longer path listed first") << lines << QStringList{"/dev/sda1 /a ext4 defaults 0 0"} << QStringList{"/dev/sda1"};
    QTest::newRow("uuid is not matched by a partuuid") << lines << QStringList{"UUID=1234 /a ext4 defaults 0 0"} << QStringList{"/dev/sda1"};
    QTest::newRow("label of an ext3 line with a secondary type") << lines << QStringList{"LABEL=home /home ext3 defaults 0 2"} << QStringList{"/dev/sdb1"};
    QTest::newRow("vfat never supported, xfs is") << lines << QStringList{"UUID=cccc /boot/efi vfat umask=0077 0 1", "UUID=dddd /srv xfs defaults 0 0"}
                                                  << QStringList{"/dev/sdd1"};
    QTest::newRow("label with a dot matched literally")
        << lines << QStringList{"LABEL=a.b /x ext2 defaults 0 0", "LABEL=a+b /y ext2 defaults 0 0"} << QStringList{"/dev/sde1"};
    QTest::newRow("line without a type") << lines << QStringList{"UUID=ffff /f ext4 defaults 0 0"} << QStringList{};
    QTest::newRow("pseudo file systems ignored") << lines << QStringList{"tmpfs /tmp tmpfs defaults 0 0", "proc /proc proc defaults 0 0"} << QStringList{};
    QTest::newRow("sorted, a device named twice added twice")
        << lines << QStringList{"LABEL=home /home ext3 defaults 0 2", "/dev/sda1 /a ext4 defaults 0 0", "/dev/sdb1 /h ext3 noauto 0 0"}
        << QStringList{"/dev/sda1", "/dev/sdb1", "/dev/sdb1"};
    QTest::newRow("device not known to blkid") << lines << QStringList{"/dev/sdz1 /z ext4 defaults 0 0"} << QStringList{};
}

void DeviceDataInformationTest::supportedDevices()
{
    QFETCH(QStringList, blkid);
    QFETCH(QStringList, fstab);
    QFETCH(QStringList, devices);

    FakeSystem system;
    system.blkidLines = blkid;
    for (const QString &line : fstab) {
        system.addRawFstabLine(line);
    }
    QCOMPARE(DeviceDataInformation::supportedDevices(), devices);
}

void DeviceDataInformationTest::supportedDevicesPassesBlkidFailure()
{
    FakeSystem system;
    system.failNext(QStringLiteral("get_data"), QStringLiteral("Authorization denied"));
    QCOMPARE(errorOf([] {
                 DeviceDataInformation::supportedDevices();
             }),
             QStringLiteral("Authorization denied"));
}

void DeviceDataInformationTest::deviceOptions_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("error");

    QTest::newRow("fstab through the uuid entry") << "/etc/fstab" << QStringList{"defaults", "usrquota"} << QString();
    QTest::newRow("mtab by path") << "/etc/mtab" << QStringList{"rw", "relatime", "grpquota"} << QString();
    QTest::newRow("table name must be exact") << "/etc/fstab " << QStringList{} << "Unknow file name /etc/fstab ";
    QTest::newRow("other file refused") << "/etc/passwd" << QStringList{} << "Unknow file name /etc/passwd";
}

void DeviceDataInformationTest::deviceOptions()
{
    QFETCH(QString, table);
    QFETCH(QStringList, options);
    QFETCH(QString, error);

    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    disk.fsSpec = QStringLiteral("UUID=\"bbbb\"");
    disk.blkidPairs = QStringLiteral("UUID=\"bbbb\"");
    disk.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
    disk.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("relatime"), QStringLiteral("grpquota")};
    system.addDevice(disk);

    QStringList got;
    QCOMPARE(errorOf([&] {
                 got = DeviceDataInformation::deviceOptions(QStringLiteral("/dev/sdb1"), table);
             }),
             error);
    QCOMPARE(got, options);
}

void DeviceDataInformationTest::deviceMountWithQuota_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::addColumn<QStringList>("options");
    // Users, groups, projects: "ugp" where the kind is given.
    QTest::addColumn<QString>("kinds");

    QTest::newRow("user option only") << "ext4" << QStringList{"rw", "usrquota"} << "u";
    QTest::newRow("all three options") << "ext4" << QStringList{"grpquota", "prjquota", "usrquota"} << "ugp";
    QTest::newRow("option with a value is not the option") << "ext4" << QStringList{"rw", "usrquota=aquota.user"} << "";
    QTest::newRow("case matters") << "ext4" << QStringList{"USRQUOTA", "GrpQuota"} << "";
    QTest::newRow("old-style quota option is not usrquota on ext4") << "ext4" << QStringList{"quota"} << "";
    QTest::newRow("xfs short forms") << "xfs" << QStringList{"uquota", "gquota", "pquota"} << "ugp";
    QTest::newRow("xfs quota is the user option") << "xfs" << QStringList{"quota"} << "u";
    // What /proc/mounts shows while XFS counts but does not enforce.
    QTest::newRow("xfs accounting only") << "xfs" << QStringList{"rw", "uqnoenforce", "pqnoenforce"} << "up";
    QTest::newRow("ext4 takes no short forms") << "ext4" << QStringList{"uquota", "pquota"} << "";
}

void DeviceDataInformationTest::deviceMountWithQuota()
{
    QFETCH(QString, filesystem);
    QFETCH(QStringList, options);
    QFETCH(QString, kinds);

    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    disk.type = filesystem;
    disk.fstabOptions = options;
    system.addDevice(disk);
    const QString fstab = QStringLiteral("/etc/fstab");
    QCOMPARE(DeviceDataInformation::deviceMountWithQuota(disk.path, Users, fstab), kinds.contains(QLatin1Char('u')));
    QCOMPARE(DeviceDataInformation::deviceMountWithQuota(disk.path, Groups, fstab), kinds.contains(QLatin1Char('g')));
    QCOMPARE(DeviceDataInformation::deviceMountWithQuota(disk.path, Projects, fstab), kinds.contains(QLatin1Char('p')));
    QCOMPARE(errorOf([&] {
                 DeviceDataInformation::deviceMountWithQuota(disk.path, static_cast<SettingsId>(3), fstab);
             }),
             QStringLiteral("Unknown type for deviceMountWithQuota"));
}

void DeviceDataInformationTest::deviceFilesystem_data()
{
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("filesystem");

    QTest::newRow("mounted device from mtab") << true << "/dev/sdb1"
                                              << "ext3";
    QTest::newRow("noauto device from its blkid type") << false << "/dev/sdb1"
                                                       << "ext3";
    QTest::newRow("unknown device") << true << "/dev/sdz1"
                                    << "";
}

void DeviceDataInformationTest::deviceFilesystem()
{
    QFETCH(bool, mounted);
    QFETCH(QString, device);
    QFETCH(QString, filesystem);

    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    disk.type = QStringLiteral("ext3");
    disk.blkidPairs = QStringLiteral("SEC_TYPE=\"ext2\"");
    disk.mounted = mounted;
    system.addDevice(disk);
    QCOMPARE(DeviceDataInformation::deviceFilesystem(device), filesystem);
}

void DeviceDataInformationTest::deviceMountPath()
{
    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    const QString dir = system.addDevice(disk);
    FakeSystem::Device noauto;
    noauto.path = QStringLiteral("/dev/sdc1");
    noauto.mounted = false;
    system.addDevice(noauto);

    QCOMPARE(DeviceDataInformation::deviceMountPath(disk.path), dir);
    QVERIFY(DeviceDataInformation::deviceIsMounted(disk.path));
    QVERIFY(!DeviceDataInformation::deviceIsMounted(noauto.path));
    QCOMPARE(errorOf([&] {
                 DeviceDataInformation::deviceMountPath(noauto.path);
             }),
             QStringLiteral("Device /dev/sdc1 not mounted"));
    // mtab names devices as the kernel does; a link name is not resolved.
    QCOMPARE(errorOf([&] {
                 DeviceDataInformation::deviceMountPath(QStringLiteral("/dev/disk/by-label/home"));
             }),
             QStringLiteral("Device /dev/disk/by-label/home not mounted"));
}

QTEST_GUILESS_MAIN(DeviceDataInformationTest)

#include "devicedatainformationtest.moc"
