// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/core/quotasmanager.h"
#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/system/configreader.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");
const QString sdd = QStringLiteral("/dev/sdd1");

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::runtime_error &error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}

MemorySize sizeOf(double value, Dimension dimension)
{
    MemorySize size;
    size.setValue(value);
    size.setDimension(dimension);
    return size;
}

DeviceDataInformation wanted(const QString &device, bool on, quint32 blockGraceDays = 0)
{
    DeviceDataInformation data;
    data.setDeviceName(device);
    data.setQuotaSupportOn(on);
    GraceTimePeriod period;
    period.blockGrace.days = blockGraceDays;
    data.setGraceTimePeriod(period);
    return data;
}

FakeSystem::Device plainDisk(const QString &path)
{
    FakeSystem::Device device;
    device.path = path;
    return device;
}

// A manager on the simulated machine and a fixed account directory: two
// users, one group.
std::unique_ptr<QuotasManager> makeManager(FakeSystem &system)
{
    auto manager = std::make_unique<QuotasManager>(system.executor(), system);
    manager->setAccountDirectory(
        [] {
            return QList<UserInfo>{UserInfo(0, QStringLiteral("root"), true), UserInfo(1001, QStringLiteral("anna"), false)};
        },
        [] {
            return QList<GroupInfo>{GroupInfo(100, QStringLiteral("users"), false)};
        });
    return manager;
}
}

class QuotasManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setDeviceData_data();
    void setDeviceData();
    void setDeviceDataInternal_data();
    void setDeviceDataInternal();
    void setDeviceDataWithoutQuotaFiles_data();
    void setDeviceDataWithoutQuotaFiles();
    void limitsOnXfs_data();
    void limitsOnXfs();
    void generalApplyTakesFolderSettings();
    void loadsInternalQuotaDevice();
    void graceWrittenRightAfterQuotasComeOn();
    void enableFstabQuotaOptionRejectsUnknownType();
    void proxyData_data();
    void proxyData();
    void failureOnSecondOfThreeDevices();
    void generalApplyReloadsWithFreshTables();
    void loadAndReload();
    void loadsNoautoDeviceWithQuotasOff();
    void oneKindOnTheOtherOff();
    void updateSettingsQuota_data();
    void updateSettingsQuota();
    void setMembersLimits_data();
    void setMembersLimits();
    void setMembersLimitsWritesOnlyChangedFields_data();
    void setMembersLimitsWritesOnlyChangedFields();
    void memberEditWritesOnlyEditedDevices_data();
    void memberEditWritesOnlyEditedDevices();
};

void QuotasManagerTest::setDeviceData_data()
{
    QTest::addColumn<QStringList>("fstabOptions");
    QTest::addColumn<QStringList>("mountOptions");
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("quotaOn");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("want");
    QTest::addColumn<bool>("remountWorks");
    QTest::addColumn<bool>("quotacheckWorks");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("error");

    const QStringList plain{"rw", "relatime"};
    QTest::newRow("enable where option and file are missing")
        << QStringList{"defaults"} << plain << true << false << false << int(Users) << true << true << true
        << QStringList{"set_device_options /dev/sdb1 defaults,usrquota",
                       "remount_device /dev/sdb1",
                       "create_quota_file /dev/sdb1 0",
                       "enable_device_quota /dev/sdb1 0 on",
                       "set_device_grace_period /dev/sdb1 0"}
        << QString();
    QTest::newRow("enable where everything is on already writes only grace periods")
        << QStringList{"defaults", "usrquota"} << QStringList{"rw", "usrquota"} << true << true << true << int(Users) << true << true << true
        << QStringList{"set_device_grace_period /dev/sdb1 0"} << QString();
    QTest::newRow("disable group quotas removes every copy of the option")
        << QStringList{"grpquota", "defaults", "grpquota"} << QStringList{"rw", "grpquota"} << true << true << true << int(Groups) << false << true << true
        << QStringList{"enable_device_quota /dev/sdb1 1 off", "set_device_options /dev/sdb1 defaults"} << QString();
    QTest::newRow("disable with nothing to do") << QStringList{"defaults"} << plain << true << false << false << int(Groups) << false << true << true
                                                << QStringList{} << QString();
    QTest::newRow("file present but option not on the live mount remounts")
        << QStringList{"defaults", "usrquota"} << plain << true << true << false << int(Users) << true << true << true
        << QStringList{"remount_device /dev/sdb1", "enable_device_quota /dev/sdb1 0 on", "set_device_grace_period /dev/sdb1 0"} << QString();
    QTest::newRow("option live but file missing")
        << QStringList{"defaults", "grpquota"} << QStringList{"rw", "grpquota"} << true << false << false << int(Groups) << true << true << true
        << QStringList{"remount_device /dev/sdb1", "create_quota_file /dev/sdb1 1", "enable_device_quota /dev/sdb1 1 on", "set_device_grace_period /dev/sdb1 1"}
        << QString();
    QTest::newRow("remount that does not bring the option fails")
        << QStringList{"defaults"} << plain << true << false << false << int(Users) << true << false << true
        << QStringList{"set_device_options /dev/sdb1 defaults,usrquota", "remount_device /dev/sdb1"} << "Failed to enable quotas on device /dev/sdb1";
    QTest::newRow("quotacheck that leaves no file fails")
        << QStringList{"defaults"} << plain << true << false << false << int(Users) << true << true << false
        << QStringList{"set_device_options /dev/sdb1 defaults,usrquota", "remount_device /dev/sdb1", "create_quota_file /dev/sdb1 0"}
        << "Failed to enable quotas on device /dev/sdb1";
    QTest::newRow("enable on a device that is not mounted fails before any action")
        << QStringList{"noauto"} << plain << false << false << false << int(Users) << true << true << true << QStringList{} << "Device /dev/sdb1 not mounted";
    QTest::newRow("disable on a device that is not mounted only edits fstab")
        << QStringList{"noauto", "usrquota"} << plain << false << false << false << int(Users) << false << true << true
        << QStringList{"set_device_options /dev/sdb1 noauto"} << QString();
}

void QuotasManagerTest::setDeviceData()
{
    QFETCH(QStringList, fstabOptions);
    QFETCH(QStringList, mountOptions);
    QFETCH(bool, mounted);
    QFETCH(bool, fileExists);
    QFETCH(bool, quotaOn);
    QFETCH(int, type);
    QFETCH(bool, want);
    QFETCH(bool, remountWorks);
    QFETCH(bool, quotacheckWorks);
    QFETCH(QStringList, actions);
    QFETCH(QString, error);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.fstabOptions = fstabOptions;
    device.mountOptions = mountOptions;
    device.mounted = mounted;
    device.quotaOn[type] = quotaOn;
    system.addDevice(device);
    if (fileExists) {
        system.createQuotaFile(sdb, type);
    }
    system.remountAppliesFstab = remountWorks;
    system.quotacheckCreatesFile = quotacheckWorks;

    auto manager = makeManager(system);
    const SettingsId kind = static_cast<SettingsId>(type);
    QCOMPARE(errorOf([&] {
                 QVERIFY(manager->setDeviceData(wanted(sdb, want, 3), kind));
             }),
             error);
    QCOMPARE(system.changeLog(), actions);
    if (error.isEmpty()) {
        QCOMPARE(system.device(sdb).quotaOn[type], want);
    }
}

// The ext4 "quota" feature: the records exist from mkfs on and are accounted
// from mount time on, so there is never a remount or a quotacheck; the fstab
// option only brings enforcement back with the next mount.
void QuotasManagerTest::setDeviceDataInternal_data()
{
    QTest::addColumn<QStringList>("fstabOptions");
    QTest::addColumn<bool>("enforced");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("want");
    QTest::addColumn<QStringList>("actions");

    QTest::newRow("enable writes the option, switches enforcement on, then the grace periods")
        << QStringList{"defaults"} << false << int(Users) << true
        << QStringList{"set_device_options /dev/sdb1 defaults,usrquota", "enable_device_quota /dev/sdb1 0 on", "set_device_grace_period /dev/sdb1 0"};
    QTest::newRow("enable with the option already there, mounted without it")
        << QStringList{"defaults", "grpquota"} << false << int(Groups) << true
        << QStringList{"enable_device_quota /dev/sdb1 1 on", "set_device_grace_period /dev/sdb1 1"};
    QTest::newRow("enable where enforced already writes only grace periods")
        << QStringList{"defaults", "usrquota"} << true << int(Users) << true << QStringList{"set_device_grace_period /dev/sdb1 0"};
    QTest::newRow("disable switches enforcement off and removes the option")
        << QStringList{"defaults", "usrquota"} << true << int(Users) << false
        << QStringList{"enable_device_quota /dev/sdb1 0 off", "set_device_options /dev/sdb1 defaults"};
    QTest::newRow("disable where only accounting runs does nothing") << QStringList{"defaults"} << false << int(Groups) << false << QStringList{};
}

void QuotasManagerTest::setDeviceDataInternal()
{
    QFETCH(QStringList, fstabOptions);
    QFETCH(bool, enforced);
    QFETCH(int, type);
    QFETCH(bool, want);
    QFETCH(QStringList, actions);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.internalQuota = true;
    device.fstabOptions = fstabOptions;
    device.quotaOn[type] = enforced;
    system.addDevice(device);

    auto manager = makeManager(system);
    QVERIFY(manager->setDeviceData(wanted(sdb, want, 3), static_cast<SettingsId>(type)));
    QCOMPARE(system.changeLog(), actions);
    QCOMPARE(system.device(sdb).quotaOn[type], want);
    QVERIFY(!system.quotaFileExists(sdb, type));
}

void QuotasManagerTest::loadsInternalQuotaDevice()
{
    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.internalQuota = true;
    device.blockGrace[Users] = 604800;
    system.addDevice(device);
    auto manager = makeManager(system);
    manager->update();

    DeviceDataInformation users = manager->quotaStorages().value(sdb)->usersData();
    QVERIFY(!users.quotaSupportOn());
    QVERIFY(users.settingFileExist());
    QVERIFY(users.quotaKeptInternally());
    QVERIFY(manager->quotaStorages().value(sdb)->groupsData().quotaKeptInternally());
    QVERIFY(!manager->userSettings().last()->devicesQuota().value(sdb).deviceQuotaIsOn());
    QCOMPARE(system.count(QStringLiteral("get_quota_info")), 0);

    // A member edit switches enforcement on and writes the limits, with no
    // remount and no quotacheck.
    MemberQuotaData data;
    data.setMemorySize(HardLimitSize, sizeOf(2.0, MegaBytes));
    manager->updateSettingsQuota(SettingsDeviceQuota(Member{QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users));
    QCOMPARE(system.changeLog(),
             (QStringList{"set_device_options /dev/sdb1 defaults,usrquota", "enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0"}));
    QCOMPARE(system.record(sdb, Users, 1001).dqb_bhardlimit, quint64(2048));

    users = manager->quotaStorages().value(sdb)->usersData();
    QVERIFY(users.quotaSupportOn());
    QVERIFY(!users.mountWithQuota());
    QCOMPARE(users.graceTimePeriod().blockGrace.weeks, quint32(1));
    QVERIFY(manager->userSettings().last()->devicesQuota().value(sdb).objectQuotaIsOn());
}

void QuotasManagerTest::graceWrittenRightAfterQuotasComeOn()
{
    {
        FakeSystem system;
        system.addDevice(plainDisk(sdb));
        auto manager = makeManager(system);
        manager->setDeviceData(wanted(sdb, true, 2), Users);
        QCOMPARE(system.changeLog().mid(system.changeLog().size() - 2),
                 (QStringList{QStringLiteral("enable_device_quota /dev/sdb1 0 on"), QStringLiteral("set_device_grace_period /dev/sdb1 0")}));
        QCOMPARE(system.device(sdb).blockGrace[Users], quint32(2 * 86400));
    }

    {
        // Nothing entered for a kind that was off: the file's periods stay.
        FakeSystem system;
        FakeSystem::Device disk = plainDisk(sdb);
        disk.blockGrace[Users] = 604800;
        system.addDevice(disk);
        auto manager = makeManager(system);
        manager->setDeviceData(wanted(sdb, true, 0), Users);
        QVERIFY(system.device(sdb).quotaOn[Users]);
        QCOMPARE(system.count(QStringLiteral("set_device_grace_period")), 0);
        QCOMPARE(system.device(sdb).blockGrace[Users], quint32(604800));
    }

    // A refused switch leaves the grace periods alone.
    FakeSystem system;
    system.addDevice(plainDisk(sdb));
    system.failNext(QStringLiteral("enable_device_quota"), QStringLiteral("quotaon failed"));
    auto manager = makeManager(system);
    errorOf([&] {
        manager->setDeviceData(wanted(sdb, true, 2), Users);
    });
    QCOMPARE(system.count(QStringLiteral("set_device_grace_period")), 0);
}

// Folders, and every kind on XFS: no quota file, no quotacheck; XFS counts a
// kind only when mounted with its option.
void QuotasManagerTest::setDeviceDataWithoutQuotaFiles_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("projectFeature");
    QTest::addColumn<QStringList>("fstabOptions");
    QTest::addColumn<QStringList>("mountOptions");
    QTest::addColumn<bool>("quotaOn");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("want");
    QTest::addColumn<QString>("remountRefusal");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("onAfter");

    const QStringList defaults{"defaults"};
    const QStringList plain{"rw", "relatime"};
    QTest::newRow("xfs users: option, mounted again, enforced from the mount")
        << "xfs" << false << false << defaults << plain << false << int(Users) << true << QString()
        << QStringList{"set_device_options /dev/sdb1 defaults,usrquota", "remount_device /dev/sdb1", "set_device_grace_period /dev/sdb1 0"} << QString()
        << true;
    QTest::newRow("xfs folders the same with prjquota")
        << "xfs" << false << false << defaults << plain << false << int(Projects) << true << QString()
        << QStringList{"set_device_options /dev/sdb1 defaults,prjquota", "remount_device /dev/sdb1", "set_device_grace_period /dev/sdb1 2"} << QString()
        << true;
    QTest::newRow("xfs busy: the helper's refusal reaches the administrator")
        << "xfs" << false << false << defaults << plain << false << int(Groups) << true << "umount: target is busy"
        << QStringList{"set_device_options /dev/sdb1 defaults,grpquota", "remount_device /dev/sdb1"} << "umount: target is busy" << false;
    QTest::newRow("xfs root file system: the option only, never a remount")
        << "xfs" << true << false << defaults << plain << false << int(Users) << true << QString()
        << QStringList{"set_device_options /dev/sdb1 defaults,usrquota"} << QString() << false;
    QTest::newRow("xfs counting without enforcing: the option after the accounting-only one, quotas on")
        << "xfs" << false << false << QStringList{"defaults", "uqnoenforce"} << QStringList{"rw", "uqnoenforce"} << false << int(Users) << true << QString()
        << QStringList{"set_device_options /dev/sdb1 defaults,uqnoenforce,usrquota",
                       "enable_device_quota /dev/sdb1 0 on",
                       "set_device_grace_period /dev/sdb1 0"}
        << QString() << true;
    QTest::newRow("xfs off: enforcement off, every spelling out of fstab, one per request")
        << "xfs" << false << false << QStringList{"uquota", "defaults", "usrquota"} << QStringList{"rw", "usrquota"} << true << int(Users) << false << QString()
        << QStringList{"enable_device_quota /dev/sdb1 0 off", "set_device_options /dev/sdb1 uquota,defaults", "set_device_options /dev/sdb1 defaults"}
        << QString() << false;
    QTest::newRow("ext4 folders with the project feature: no remount, no quota file")
        << "ext4" << false << true << defaults << plain << false << int(Projects) << true << QString()
        << QStringList{"set_device_options /dev/sdb1 defaults,prjquota", "enable_device_quota /dev/sdb1 2 on", "set_device_grace_period /dev/sdb1 2"}
        << QString() << true;
    QTest::newRow("ext4 folders on: grace periods only") << "ext4" << false << true << QStringList{"defaults", "prjquota"} << plain << true << int(Projects)
                                                         << true << QString() << QStringList{"set_device_grace_period /dev/sdb1 2"} << QString() << true;
    QTest::newRow("ext4 without the project feature: fstab untouched, how to add it")
        << "ext4" << false << false << defaults << plain << false << int(Projects) << true << QString() << QStringList{}
        << "/dev/sdb1 has no folder quotas yet: unmount it and run tune2fs -O project,quota /dev/sdb1, then mount it again." << false;
    QTest::newRow("ext3 has no folder quotas") << "ext3" << false << false << defaults << plain << false << int(Projects) << true << QString() << QStringList{}
                                               << "Folder quotas need an ext4 or XFS file system; /dev/sdb1 is ext3." << false;
    QTest::newRow("ext4 folders off") << "ext4" << false << true << QStringList{"defaults", "prjquota"} << plain << true << int(Projects) << false << QString()
                                      << QStringList{"enable_device_quota /dev/sdb1 2 off", "set_device_options /dev/sdb1 defaults"} << QString() << false;
}

void QuotasManagerTest::setDeviceDataWithoutQuotaFiles()
{
    QFETCH(QString, filesystem);
    QFETCH(bool, root);
    QFETCH(bool, projectFeature);
    QFETCH(QStringList, fstabOptions);
    QFETCH(QStringList, mountOptions);
    QFETCH(bool, quotaOn);
    QFETCH(int, type);
    QFETCH(bool, want);
    QFETCH(QString, remountRefusal);
    QFETCH(QStringList, actions);
    QFETCH(QString, error);
    QFETCH(bool, onAfter);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.type = filesystem;
    device.root = root;
    device.projectsAccounted = projectFeature;
    device.fstabOptions = fstabOptions;
    device.mountOptions = mountOptions;
    device.quotaOn[type] = quotaOn;
    system.addDevice(device);
    if (!remountRefusal.isEmpty()) {
        system.failNext(QStringLiteral("remount_device"), remountRefusal);
    }

    auto manager = makeManager(system);
    QCOMPARE(errorOf([&] {
                 QVERIFY(manager->setDeviceData(wanted(sdb, want, 3), static_cast<SettingsId>(type)));
             }),
             error);
    QCOMPARE(system.changeLog(), actions);
    QCOMPARE(system.device(sdb).quotaOn[type], onAfter);
    QVERIFY(!system.quotaFileExists(sdb, Users) && !system.quotaFileExists(sdb, Groups));
}

void QuotasManagerTest::limitsOnXfs_data()
{
    QTest::addColumn<bool>("root");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("error");

    QTest::newRow("not counted yet: option, mounted again, limits")
        << false << QStringList{"set_device_options /dev/sdb1 defaults,usrquota", "remount_device /dev/sdb1", "set_quota_info /dev/sdb1 0"} << QString();
    QTest::newRow("root file system: no limits before the next boot")
        << true << QStringList{"set_device_options /dev/sdb1 defaults,usrquota"}
        << "The limits of anna on /dev/sdb1 were not set: Quotas on /dev/sdb1 start only with the next boot: the root file system needs "
           "rootflags=usrquota on the kernel command line.";
}

void QuotasManagerTest::limitsOnXfs()
{
    QFETCH(bool, root);
    QFETCH(QStringList, actions);
    QFETCH(QString, error);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.type = QStringLiteral("xfs");
    device.root = root;
    system.addDevice(device);
    auto manager = makeManager(system);
    MemberQuotaData data;
    data.setMemorySize(HardLimitSize, sizeOf(2.0, MegaBytes));
    QCOMPARE(errorOf([&] {
                 manager->updateSettingsQuota(SettingsDeviceQuota(Member{QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users));
             }),
             error);
    QCOMPARE(system.changeLog(), actions);
    QCOMPARE(system.record(sdb, Users, 1001).dqb_bhardlimit, error.isEmpty() ? 2048ULL : 0ULL);
}

void QuotasManagerTest::generalApplyTakesFolderSettings()
{
    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.projectsAccounted = true;
    device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("prjquota")};
    device.quotaOn[Projects] = true;
    system.addDevice(device);
    FakeSystem::Device other = plainDisk(sdc);
    other.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("prjquota")};
    system.addDevice(other);
    auto manager = makeManager(system);
    manager->update();
    QCOMPARE(manager->quotaStorages().value(sdb)->projectsData().quotaSupportOn(), true);
    QCOMPARE(manager->quotaStorages().value(sdb)->mountPath(), system.device(sdb).mountDir);

    QObject owner;
    auto storage = new QuotaStorage(&owner);
    storage->setUsersData(wanted(sdb, false));
    storage->setGroupsData(wanted(sdb, false));
    storage->setProjectsData(wanted(sdb, true, 4));
    // Settings from before folders: the folder option must stay untouched.
    auto older = new QuotaStorage(&owner);
    older->setUsersData(wanted(sdc, false));
    older->setGroupsData(wanted(sdc, false));
    system.calls.clear();
    manager->setGeneralSettings({{sdb, storage}, {sdc, older}});
    QCOMPARE(system.changeLog(), QStringList{"set_device_grace_period /dev/sdb1 2"});
    QCOMPARE(system.device(sdb).blockGrace[Projects], 4u * 24 * 3600);
}

void QuotasManagerTest::enableFstabQuotaOptionRejectsUnknownType()
{
    FakeSystem system;
    system.addDevice(plainDisk(sdb));
    auto manager = makeManager(system);
    QCOMPARE(errorOf([&] {
                 manager->enableFstabQuotaOption(sdb, static_cast<SettingsId>(3), true);
             }),
             QStringLiteral("Unknown type for setDeviceData"));
    QVERIFY(system.changeLog().isEmpty());
}

void QuotasManagerTest::proxyData_data()
{
    QTest::addColumn<double>("soft");
    QTest::addColumn<int>("softUnit");
    QTest::addColumn<double>("hard");
    QTest::addColumn<int>("hardUnit");
    QTest::addColumn<int>("softFiles");
    QTest::addColumn<int>("hardFiles");
    QTest::addColumn<bool>("blockMoment");
    QTest::addColumn<bool>("inodeMoment");
    QTest::addColumn<qulonglong>("bsoft");
    QTest::addColumn<qulonglong>("bhard");
    QTest::addColumn<qulonglong>("isoft");
    QTest::addColumn<qulonglong>("ihard");
    QTest::addColumn<qulonglong>("valid");

    QTest::newRow("partial block dropped, no grace running")
        << 1.5 << int(KiloBytes) << 1.0 << int(GigaBytes) << 0 << 0 << false << false << 1ULL << 1048576ULL << 0ULL << 0ULL << 5ULL;
    QTest::newRow("no limits still writes both pairs")
        << 0.0 << int(Bytes) << 0.0 << int(Bytes) << 0 << 0 << false << false << 0ULL << 0ULL << 0ULL << 0ULL << 5ULL;
    QTest::newRow("block grace moment") << 1.0 << int(MegaBytes) << 2.0 << int(MegaBytes) << 10 << 20 << true << false << 1024ULL << 2048ULL << 10ULL << 20ULL
                                        << 21ULL;
    QTest::newRow("both grace moments") << 0.0 << int(Bytes) << 0.0 << int(Bytes) << 1 << 2 << true << true << 0ULL << 0ULL << 1ULL << 2ULL << 53ULL;
    QTest::newRow("inode grace moment only") << 0.0 << int(Bytes) << 0.0 << int(Bytes) << 0 << 0 << false << true << 0ULL << 0ULL << 0ULL << 0ULL << 37ULL;
    QTest::newRow("less than a block is no limit") << 1023.0 << int(Bytes) << 0.0 << int(Bytes) << 0 << 0 << false << false << 0ULL << 0ULL << 0ULL << 0ULL
                                                   << 5ULL;
    QTest::newRow("a negative file limit is none") << 0.0 << int(Bytes) << 0.0 << int(Bytes) << 0 << int(-2147483648LL) << false << false << 0ULL << 0ULL
                                                   << 0ULL << 0ULL << 5ULL;
    QTest::newRow("5 Tb to the KiB") << 5.0 << int(TeraBytes) << 1.5 << int(PetaBytes) << 0 << 0 << false << false << 5368709120ULL << 1649267441664ULL << 0ULL
                                     << 0ULL << 5ULL;
}

void QuotasManagerTest::proxyData()
{
    QFETCH(double, soft);
    QFETCH(int, softUnit);
    QFETCH(double, hard);
    QFETCH(int, hardUnit);
    QFETCH(int, softFiles);
    QFETCH(int, hardFiles);
    QFETCH(bool, blockMoment);
    QFETCH(bool, inodeMoment);
    QFETCH(qulonglong, bsoft);
    QFETCH(qulonglong, bhard);
    QFETCH(qulonglong, isoft);
    QFETCH(qulonglong, ihard);
    QFETCH(qulonglong, valid);

    MemberQuotaData data;
    data.setMemorySize(SoftLimitSize, sizeOf(soft, static_cast<Dimension>(softUnit)));
    data.setMemorySize(HardLimitSize, sizeOf(hard, static_cast<Dimension>(hardUnit)));
    data.setMemorySize(UsedSize, sizeOf(7.0, GigaBytes));
    data.setNumberOfFilesUsed(42);
    data.setSoftFilesLimit(softFiles);
    data.setHardFilesLimit(hardFiles);
    GraceDateTime moments;
    if (blockMoment) {
        moments.blockGrace = QDateTime::fromSecsSinceEpoch(1800000000);
    }
    if (inodeMoment) {
        moments.inodeGrace = QDateTime::fromSecsSinceEpoch(1800000100);
    }
    data.setGraceDateTime(moments);

    const ProxyQuotaData record = QuotasManager().proxyData(data);
    QCOMPARE(record.dqb_bsoftlimit, quint64(bsoft));
    QCOMPARE(record.dqb_bhardlimit, quint64(bhard));
    QCOMPARE(record.dqb_isoftlimit, quint64(isoft));
    QCOMPARE(record.dqb_ihardlimit, quint64(ihard));
    QCOMPARE(record.dqb_valid, quint64(valid));
    QCOMPARE(record.dqb_btime, blockMoment ? quint64(1800000000) : quint64(0));
    QCOMPARE(record.dqb_itime, inodeMoment ? quint64(1800000100) : quint64(0));
    QCOMPARE(record.dqb_curspace, quint64(0));
    QCOMPARE(record.dqb_curinodes, quint64(0));
}

void QuotasManagerTest::failureOnSecondOfThreeDevices()
{
    FakeSystem system;
    for (const QString &path : {sdb, sdc, sdd}) {
        system.addDevice(plainDisk(path));
    }
    auto manager = makeManager(system);
    manager->update();
    const QMap<QString, QuotaStorage *> loaded = manager->quotaStorages();
    QSignalSpy changed(manager.get(), &QuotasManager::dataChanged);

    QObject tab;
    QMap<QString, QuotaStorage *> storages;
    for (const QString &path : {sdb, sdc, sdd}) {
        auto storage = new QuotaStorage(&tab);
        storage->setUsersData(wanted(path, true));
        storage->setGroupsData(wanted(path, false));
        storages.insert(path, storage);
    }
    system.failNext(QStringLiteral("set_device_options"), QStringLiteral("Device /dev/sdc1 is not in /etc/fstab"), sdc);
    system.calls.clear();

    QCOMPARE(errorOf([&] {
                 manager->setGeneralSettings(storages);
             }),
             QStringLiteral("Device /dev/sdc1 is not in /etc/fstab"));
    QVERIFY(system.device(sdb).quotaOn[Users]);
    QVERIFY(system.device(sdb).fstabOptions.contains(QStringLiteral("usrquota")));
    QVERIFY(!system.device(sdc).quotaOn[Users]);
    QCOMPARE(system.device(sdd).fstabOptions, QStringList{QStringLiteral("defaults")});
    for (const FakeSystem::Call &call : std::as_const(system.calls)) {
        QVERIFY2(call.arguments.value(QStringLiteral("device_name")).toString() != sdd, qPrintable(call.command));
    }
    QCOMPARE(changed.count(), 0);
    QCOMPARE(manager->quotaStorages(), loaded);
    QCOMPARE(system.count(QStringLiteral("get_quota_info")), 0);
}

void QuotasManagerTest::generalApplyReloadsWithFreshTables()
{
    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("grpquota")};
    device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("grpquota")};
    device.quotaOn[Groups] = true;
    system.addDevice(device);
    system.createQuotaFile(sdb, Groups);
    auto manager = makeManager(system);
    manager->update();
    QVERIFY(manager->quotaStorages().value(sdb)->groupsData().willMountWithQuota());

    QObject tab;
    auto storage = new QuotaStorage(&tab);
    storage->setUsersData(wanted(sdb, false));
    storage->setGroupsData(wanted(sdb, false));
    QSignalSpy changed(manager.get(), &QuotasManager::dataChanged);
    manager->setGeneralSettings({{sdb, storage}});

    QCOMPARE(changed.count(), 1);
    const DeviceDataInformation groups = manager->quotaStorages().value(sdb)->groupsData();
    QVERIFY(!groups.quotaSupportOn());
    QVERIFY(!groups.willMountWithQuota());
    // No remount on disable: the live mount keeps the option.
    QVERIFY(groups.mountWithQuota());
}

void QuotasManagerTest::loadAndReload()
{
    FakeSystem system;
    system.addDevice(plainDisk(sdb));
    system.addDevice(plainDisk(sdc));
    auto manager = makeManager(system);
    QSignalSpy changed(manager.get(), &QuotasManager::dataChanged);

    manager->update();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(manager->userSettings().size(), 2);
    QCOMPARE(manager->groupSettings().size(), 1);
    QCOMPARE(manager->quotaStorages().keys(), (QStringList{sdb, sdc}));
    QCOMPARE(manager->userSettings().first()->member().name, QStringLiteral("root"));
    QVERIFY(manager->userSettings().first()->member().isSystem);
    QCOMPARE(manager->userSettings().last()->devicesQuota().keys().size(), 2);

    QPointer<SettingsDeviceQuota> oldUser = manager->userSettings().first();
    QPointer<QuotaStorage> oldStorage = manager->quotaStorages().first();
    QPointer<SettingsDeviceQuota> oldGroup = manager->groupSettings().first();
    // While the tabs refill on dataChanged() the old load must still be there.
    bool oldAliveDuringSignal = false;
    connect(manager.get(), &QuotasManager::dataChanged, this, [&] {
        oldAliveDuringSignal = !oldUser.isNull() && !oldStorage.isNull() && !oldGroup.isNull();
    });
    manager->update();
    QCOMPARE(changed.count(), 1);
    QVERIFY(oldAliveDuringSignal);
    QCOMPARE(manager->userSettings().size(), 2);
    QCOMPARE(manager->groupSettings().size(), 1);
    // The previous load is gone once the tabs have the new one.
    QVERIFY(oldUser.isNull());
    QVERIFY(oldStorage.isNull());
    QVERIFY(oldGroup.isNull());
    QCOMPARE(manager->findChildren<SettingsDeviceQuota *>().size(), 3);
    QCOMPARE(manager->findChildren<QuotaStorage *>().size(), 2);

    // Emptying alone frees nothing: the tabs still show those objects.
    oldUser = manager->userSettings().first();
    oldStorage = manager->quotaStorages().first();
    manager->resetData();
    QVERIFY(manager->userSettings().isEmpty());
    QVERIFY(manager->quotaStorages().isEmpty());
    QVERIFY(!oldUser.isNull());
    QVERIFY(!oldStorage.isNull());
    QCOMPARE(oldUser->member().id, 0);
    QCOMPARE(changed.count(), 1);

    // The next load still tells the tabs, then frees what they showed.
    manager->update();
    QCOMPARE(changed.count(), 2);
    QVERIFY(oldUser.isNull());
    QVERIFY(oldStorage.isNull());
    QCOMPARE(manager->findChildren<SettingsDeviceQuota *>().size(), 3);
    QCOMPARE(manager->findChildren<QuotaStorage *>().size(), 2);
}

void QuotasManagerTest::loadsNoautoDeviceWithQuotasOff()
{
    FakeSystem system;
    system.addDevice(plainDisk(sdb));
    FakeSystem::Device noauto = plainDisk(sdc);
    noauto.type = QStringLiteral("ext3");
    noauto.fstabOptions = QStringList{QStringLiteral("noauto"), QStringLiteral("usrquota")};
    noauto.mounted = false;
    system.addDevice(noauto);

    auto manager = makeManager(system);
    manager->update();
    QCOMPARE(manager->quotaStorages().keys(), (QStringList{sdb, sdc}));
    const QuotaStorage *storage = manager->quotaStorages().value(sdc);
    QCOMPARE(storage->filesystem(), QStringLiteral("ext3"));
    QVERIFY(storage->usersData().willMountWithQuota());
    QVERIFY(!storage->usersData().mountWithQuota());
    QVERIFY(!storage->usersData().quotaSupportOn());
    QVERIFY(!storage->usersData().settingFileExist());
    QCOMPARE(manager->userSettings().size(), 2);
    QVERIFY(!manager->userSettings().last()->devicesQuota().value(sdc).deviceQuotaIsOn());
}

void QuotasManagerTest::oneKindOnTheOtherOff()
{
    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.fstabOptions = QStringList{QStringLiteral("usrquota")};
    device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    device.quotaOn[Users] = true;
    device.blockGrace[Users] = 604800;
    system.addDevice(device);
    system.createQuotaFile(sdb, Users);

    auto manager = makeManager(system);
    manager->update();
    const QuotaStorage *storage = manager->quotaStorages().value(sdb);
    QVERIFY(storage->usersData().quotaSupportOn());
    QVERIFY(storage->usersData().settingFileExist());
    QCOMPARE(storage->usersData().graceTimePeriod().blockGrace.weeks, quint32(1));
    QVERIFY(!storage->groupsData().quotaSupportOn());
    QCOMPARE(storage->groupsData().graceTimePeriod(), GraceTimePeriod());
    // The first load asks for every table fstab may name, before it knows
    // the devices; a reload only for the users' table.
    system.calls.clear();
    manager->update();
    QCOMPARE(system.count(QStringLiteral("get_quota_tables")), 1);
    QCOMPARE(system.count(QStringLiteral("get_all_quota_info")), 0);
    QCOMPARE(system.count(QStringLiteral("get_quota_info")), 0);
    for (const FakeSystem::Call &call : std::as_const(system.calls)) {
        if (call.command == QLatin1String("get_quota_tables")) {
            QCOMPARE(call.arguments.value(QStringLiteral("user_devices")).toStringList(), QStringList{sdb});
            QCOMPARE(call.arguments.value(QStringLiteral("group_devices")).toStringList(), QStringList());
        }
    }
}

void QuotasManagerTest::updateSettingsQuota_data()
{
    QTest::addColumn<bool>("quotaOn");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<bool>("limits");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<qulonglong>("hardBlocks");

    QTest::newRow("device with a quota file") << true << true << true << QStringList{"enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0"}
                                              << 2048ULL;
    QTest::newRow("no limits where quotas are off is skipped") << false << false << false << QStringList{} << 0ULL;
    QTest::newRow("no limits where quotas are on removes them")
        << true << true << false << QStringList{"enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0"} << 0ULL;
    QTest::newRow("device without a quota file gets one, then the limits") << false << false << true
                                                                           << QStringList{"set_device_options /dev/sdb1 defaults,usrquota",
                                                                                          "remount_device /dev/sdb1",
                                                                                          "create_quota_file /dev/sdb1 0",
                                                                                          "enable_device_quota /dev/sdb1 0 on",
                                                                                          "set_quota_info /dev/sdb1 0"}
                                                                           << 2048ULL;
}

void QuotasManagerTest::updateSettingsQuota()
{
    QFETCH(bool, quotaOn);
    QFETCH(bool, fileExists);
    QFETCH(bool, limits);
    QFETCH(QStringList, actions);
    QFETCH(qulonglong, hardBlocks);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    if (quotaOn) {
        device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
        device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    }
    device.quotaOn[Users] = quotaOn;
    system.addDevice(device);
    if (fileExists) {
        system.createQuotaFile(sdb, Users);
    }
    ProxyQuotaData old;
    old.dqb_bhardlimit = 99;
    system.setRecord(sdb, Users, 1001, old);

    auto manager = makeManager(system);
    MemberQuotaData data;
    if (limits) {
        data.setMemorySize(HardLimitSize, sizeOf(2.0, MegaBytes));
    }
    const SettingsDeviceQuota settings(Member{QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    QSignalSpy changed(manager.get(), &QuotasManager::dataChanged);
    manager->updateSettingsQuota(settings);

    QCOMPARE(system.changeLog(), actions);
    if (!actions.isEmpty()) {
        QCOMPARE(system.record(sdb, Users, 1001).dqb_bhardlimit, quint64(hardBlocks));
        QCOMPARE(system.calls.last().command, QStringLiteral("get_quota_tables"));
    }
    // The reload after the first load of this manager is its first one.
    QCOMPARE(changed.count(), 0);
    QCOMPARE(manager->userSettings().size(), 2);
}

void QuotasManagerTest::setMembersLimits_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<bool>("annaUnread");
    QTest::addColumn<QList<int>>("applied");

    QTest::newRow("every member, one request each") << QString() << false << QList<int>{1001, 1002, 1003};
    QTest::newRow("a refused member is named, the others applied") << QStringLiteral("No such id") << false << QList<int>{1002, 1003};
    QTest::newRow("a member whose record was not read is named, never written") << QStringLiteral("could not be read") << true << QList<int>{1002, 1003};
}

void QuotasManagerTest::setMembersLimits()
{
    QFETCH(QString, refused);
    QFETCH(bool, annaUnread);
    QFETCH(QList<int>, applied);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
    device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    device.quotaOn[Users] = true;
    system.addDevice(device);
    system.createQuotaFile(sdb, Users);
    ProxyQuotaData old;
    old.dqb_bhardlimit = 99;
    for (int id : {1001, 1002, 1003}) {
        system.setRecord(sdb, Users, id, old);
    }

    auto manager = makeManager(system);
    manager->update();
    MemberQuotaData limits;
    limits.setMemorySize(HardLimitSize, sizeOf(2.0, MegaBytes));
    limits.setSoftFilesLimit(10);
    // The first member's grace time must not become everybody's.
    limits.setGraceDateTime({QDateTime::fromSecsSinceEpoch(1700000000), QDateTime()});
    QHash<QString, MemberQuotaData> annaData;
    if (annaUnread) {
        annaData.insert(sdb, MemberQuotaData::unknown(sdb, QStringLiteral("ext4"), QStringLiteral("No answer")));
    }
    SettingsDeviceQuota anna(Member{QStringLiteral("anna"), 1001, false}, annaData, Users);
    SettingsDeviceQuota bert(Member{QStringLiteral("bert"), 1002, false}, {}, Users);
    SettingsDeviceQuota carl(Member{QStringLiteral("carl"), 1003, false}, {}, Users);
    if (!refused.isEmpty() && !annaUnread) {
        system.failNext(QStringLiteral("set_quota_info"), refused, sdb);
    }
    system.calls.clear();
    QSignalSpy changed(manager.get(), &QuotasManager::dataChanged);
    const QString error = errorOf([&] {
        manager->setMembersLimits({&anna, &bert, &carl}, sdb, limits, AllLimitFields);
    });

    QStringList expected{"enable_device_quota /dev/sdb1 0 on"};
    for (int i = annaUnread ? 1 : 0; i < 3; ++i) {
        expected.append(QStringLiteral("set_quota_info /dev/sdb1 0"));
    }
    QCOMPARE(system.changeLog(), expected);
    for (int id : {1001, 1002, 1003}) {
        const ProxyQuotaData record = system.record(sdb, Users, id);
        QCOMPARE(record.dqb_bhardlimit, applied.contains(id) ? quint64(2048) : quint64(99));
        if (applied.contains(id)) {
            QCOMPARE(record.dqb_isoftlimit, quint64(10));
            QCOMPARE(record.dqb_valid, quint64(5));
        }
    }
    // One reload, at the end, also after a refusal.
    QCOMPARE(changed.count(), 1);
    if (refused.isEmpty()) {
        QVERIFY(error.isEmpty());
    } else {
        QVERIFY2(error.contains(QStringLiteral("anna: ")) && error.contains(refused), qPrintable(error));
        QVERIFY(!error.contains(QStringLiteral("bert")));
    }
}

void QuotasManagerTest::setMembersLimitsWritesOnlyChangedFields_data()
{
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("quotaOn");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("written");

    QTest::newRow("only the hard space limit: each keeps its file limits")
        << int(HardSpaceField) << true << QStringList{"enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0", "set_quota_info /dev/sdb1 0"} << 2;
    QTest::newRow("the file hard limit anna already has: only bert is written")
        << int(HardFilesField) << true << QStringList{"enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0"} << 1;
    QTest::newRow("nothing changed: nothing written, nothing prepared") << 0 << true << QStringList{} << 0;
    QTest::newRow("quotas off and no limits: nothing written, nothing prepared") << int(AllLimitFields) << false << QStringList{} << 0;
}

void QuotasManagerTest::setMembersLimitsWritesOnlyChangedFields()
{
    QFETCH(int, fields);
    QFETCH(bool, quotaOn);
    QFETCH(QStringList, actions);
    QFETCH(int, written);

    FakeSystem system;
    FakeSystem::Device device = plainDisk(sdb);
    device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
    device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    device.quotaOn[Users] = quotaOn;
    system.addDevice(device);
    system.createQuotaFile(sdb, Users);
    // anna: 5 TiB soft, 3,000,000,000 files hard; bert: 1 GiB soft, 7 files hard.
    ProxyQuotaData anna;
    anna.dqb_bsoftlimit = 5ULL << 30;
    anna.dqb_ihardlimit = 3000000000ULL;
    ProxyQuotaData bert;
    bert.dqb_bsoftlimit = 1ULL << 20;
    bert.dqb_ihardlimit = 7;
    system.setRecord(sdb, Users, 1001, anna);
    system.setRecord(sdb, Users, 1002, bert);

    const MemorySizeTransfer transfer;
    const auto member = [&](int id, const QString &name, const ProxyQuotaData &record) {
        MemberQuotaData data;
        if (quotaOn) {
            data = MemberQuotaData(sdb, QStringLiteral("ext4"), record.toDqblk(), GraceTimePeriod(), transfer);
        }
        return std::make_unique<SettingsDeviceQuota>(Member{name, id, false}, QHash<QString, MemberQuotaData>{{sdb, data}}, Users);
    };
    auto annaMember = member(1001, QStringLiteral("anna"), anna);
    auto bertMember = member(1002, QStringLiteral("bert"), bert);

    // What the dialog hands over: anna's values with the new hard space limit.
    MemberQuotaData limits = annaMember->devicesQuota().value(sdb);
    if (quotaOn) {
        limits.setMemorySize(HardLimitSize, sizeOf(8.0, TeraBytes));
    }

    auto manager = makeManager(system);
    system.calls.clear();
    const int count = manager->setMembersLimits({annaMember.get(), bertMember.get()}, sdb, limits, fields);
    QCOMPARE(system.changeLog(), actions);
    QCOMPARE(count, written);
    if (fields == HardSpaceField) {
        QCOMPARE(system.record(sdb, Users, 1001).dqb_bhardlimit, 8ULL << 30);
        QCOMPARE(system.record(sdb, Users, 1001).dqb_bsoftlimit, 5ULL << 30);
        QCOMPARE(system.record(sdb, Users, 1001).dqb_ihardlimit, 3000000000ULL);
        QCOMPARE(system.record(sdb, Users, 1002).dqb_bhardlimit, 8ULL << 30);
        QCOMPARE(system.record(sdb, Users, 1002).dqb_bsoftlimit, 1ULL << 20);
        QCOMPARE(system.record(sdb, Users, 1002).dqb_ihardlimit, 7ULL);
    }
}

void QuotasManagerTest::memberEditWritesOnlyEditedDevices_data()
{
    QTest::addColumn<bool>("editB");
    QTest::addColumn<bool>("editC");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("error");

    QTest::newRow("the edited device only; the one with quotas off is not prepared")
        << true << false << QString() << QStringList{"enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0"} << 1 << QString();
    QTest::newRow("nothing edited: nothing written") << false << false << QString() << QStringList{} << 0 << QString();
    QTest::newRow("a refusal names member, device and reason")
        << true << false << QStringLiteral("Quota limit out of range") << QStringList{"enable_device_quota /dev/sdb1 0 on", "set_quota_info /dev/sdb1 0"} << 0
        << QStringLiteral("The limits of anna on /dev/sdb1 were not set: Quota limit out of range");
    QTest::newRow("a limit on the device with quotas off prepares that one") << false << true << QString()
                                                                             << QStringList{"set_device_options /dev/sdc1 defaults,usrquota",
                                                                                            "remount_device /dev/sdc1",
                                                                                            "create_quota_file /dev/sdc1 0",
                                                                                            "enable_device_quota /dev/sdc1 0 on",
                                                                                            "set_quota_info /dev/sdc1 0"}
                                                                             << 1 << QString();
}

void QuotasManagerTest::memberEditWritesOnlyEditedDevices()
{
    QFETCH(bool, editB);
    QFETCH(bool, editC);
    QFETCH(QString, refused);
    QFETCH(QStringList, actions);
    QFETCH(int, written);
    QFETCH(QString, error);

    FakeSystem system;
    FakeSystem::Device on = plainDisk(sdb);
    on.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
    on.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    on.quotaOn[Users] = true;
    system.addDevice(on);
    system.createQuotaFile(sdb, Users);
    system.addDevice(plainDisk(sdc));
    ProxyQuotaData anna;
    anna.dqb_bsoftlimit = 5ULL << 30;
    anna.dqb_ihardlimit = 3000000000ULL;
    system.setRecord(sdb, Users, 1001, anna);

    auto manager = makeManager(system);
    manager->update();
    const SettingsDeviceQuota *loaded = nullptr;
    for (const SettingsDeviceQuota *member : manager->userSettings()) {
        if (member->member().id == 1001) {
            loaded = member;
        }
    }
    QVERIFY(loaded);
    SettingsDeviceQuota edited(*loaded);
    QHash<QString, MemberQuotaData> table = edited.devicesQuota();
    if (editB) {
        table[sdb].setSoftFilesLimit(100);
    }
    if (editC) {
        table[sdc].setHardFilesLimit(50);
    }
    edited.setDevicesQuota(table);
    if (!refused.isEmpty()) {
        system.failNext(QStringLiteral("set_quota_info"), refused, sdb);
    }
    system.calls.clear();
    int count = -1;
    QCOMPARE(errorOf([&] {
                 count = manager->updateSettingsQuota(edited);
             }),
             error);
    QCOMPARE(system.changeLog(), actions);
    if (error.isEmpty()) {
        QCOMPARE(count, written);
    }
    if (editB && refused.isEmpty()) {
        // The untouched limits go back bit for bit.
        const ProxyQuotaData record = system.record(sdb, Users, 1001);
        QCOMPARE(record.dqb_bsoftlimit, 5ULL << 30);
        QCOMPARE(record.dqb_ihardlimit, 3000000000ULL);
        QCOMPARE(record.dqb_isoftlimit, 100ULL);
    }
}

QTEST_GUILESS_MAIN(QuotasManagerTest)

#include "quotasmanagertest.moc"
