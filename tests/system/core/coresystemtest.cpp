// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the test VM as an ordinary user: the quotas manager against
// the real helper, KAuth, quotactl and the fixture devices. Each test
// function is started on its own by the scenario, which checks the system
// with its own tools in between.

#include "plugin/core/quotasmanager.h"
#include "plugin/model/members/systemquotakernelquery.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/system/configreader.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

#include <stdexcept>

namespace
{
QString env(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) {
        qFatal("fixture variable %s is not set", name);
    }
    return value;
}

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}

DeviceDataInformation wanted(const QString &device, bool on, quint32 blockGraceDays = 0)
{
    DeviceDataInformation data;
    data.setDeviceName(device);
    data.setQuotaSupportOn(on);
    GraceTimePeriod period;
    period.blockGrace.days = blockGraceDays;
    period.inodeGrace.hours = 5;
    data.setGraceTimePeriod(period);
    return data;
}

SettingsDeviceQuota *findMember(const QList<SettingsDeviceQuota *> &members, int id)
{
    for (SettingsDeviceQuota *member : members) {
        if (member->member().id == id) {
            return member;
        }
    }
    return nullptr;
}

QString fstabLineOf(const QString &fsSpec)
{
    QFile file(QStringLiteral("/etc/fstab"));
    file.open(QIODevice::ReadOnly);
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString text = QString::fromLocal8Bit(line).simplified();
        if (text.startsWith(fsSpec + QLatin1Char(' '))) {
            return text;
        }
    }
    return QString();
}

int accountCount()
{
    int count = 0;
    setpwent();
    while (getpwent()) {
        ++count;
    }
    endpwent();
    return count;
}
}

class CoreSystemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void load();
    void enableUserQuotas();
    void writeMemberLimits();
    void disableGroupQuotas();
    void helperFailureMidApply();
    void internalLoad();
    void internalEnable();
    void internalDisable();

private:
    QString m_ext4, m_ext3, m_ext2, m_vfat, m_spare, m_xfs, m_prj;
};

void CoreSystemTest::initTestCase()
{
    QVERIFY2(getuid() != 0, "the manager must run as an ordinary user");
    m_ext4 = env("KCMQ_EXT4_DEVICE");
    m_ext3 = env("KCMQ_EXT3_DEVICE");
    m_ext2 = env("KCMQ_EXT2_DEVICE");
    m_vfat = env("KCMQ_VFAT_DEVICE");
    m_spare = env("KCMQ_SPARE_DEVICE");
    m_xfs = env("KCMQ_XFS_DEVICE");
    m_prj = env("KCMQ_PRJ_DEVICE");
}

void CoreSystemTest::load()
{
    QuotasManager manager;
    manager.update();

    QStringList expected{m_ext4, m_ext3, m_ext2, m_spare, m_xfs, m_prj};
    expected.sort();
    const QMap<QString, QuotaStorage *> storages = manager.quotaStorages();
    QCOMPARE(storages.keys(), expected);

    const QuotaStorage *ext4 = storages.value(m_ext4);
    QCOMPARE(ext4->filesystem(), QStringLiteral("ext4"));
    QVERIFY(ext4->usersData().quotaSupportOn());
    QVERIFY(ext4->groupsData().quotaSupportOn());
    QVERIFY(ext4->usersData().settingFileExist());
    QVERIFY(ext4->usersData().willMountWithQuota());
    QVERIFY(ext4->usersData().mountWithQuota());
    // ext4's default grace period is one week.
    QCOMPARE(ext4->usersData().graceTimePeriod().blockGrace.toString(), QStringLiteral("1w"));

    const QuotaStorage *ext3 = storages.value(m_ext3);
    QCOMPARE(ext3->filesystem(), QStringLiteral("ext3"));
    QVERIFY(!ext3->usersData().quotaSupportOn());
    QVERIFY(!ext3->usersData().willMountWithQuota());

    // XFS enforces what it was mounted with; the ext4 device made with the
    // project feature accounts users and groups without enforcing them.
    const QuotaStorage *xfs = storages.value(m_xfs);
    QCOMPARE(xfs->filesystem(), QStringLiteral("xfs"));
    QVERIFY(xfs->usersData().quotaSupportOn());
    QVERIFY(xfs->groupsData().quotaSupportOn());
    // XFS keeps its records in its own metadata: there is no file to make.
    QVERIFY(xfs->usersData().settingFileExist());
    const QuotaStorage *prj = storages.value(m_prj);
    QCOMPARE(prj->filesystem(), QStringLiteral("ext4"));
    QVERIFY(!prj->usersData().quotaSupportOn());

    const QuotaStorage *spare = storages.value(m_spare);
    QCOMPARE(spare->filesystem(), QStringLiteral("ext4"));
    QVERIFY(spare->usersData().willMountWithQuota());
    QVERIFY(!spare->usersData().mountWithQuota());
    QVERIFY(!spare->usersData().quotaSupportOn());
    QVERIFY(!spare->usersData().settingFileExist());

    QCOMPARE(manager.userSettings().size(), accountCount());
    const SettingsDeviceQuota *user1 = findMember(manager.userSettings(), env("KCMQ_USER1_ID").toInt());
    QVERIFY(user1);
    QCOMPARE(user1->member().name, env("KCMQ_USER1"));
    QVERIFY(!user1->member().isSystem);
    const MemberQuotaData onExt4 = user1->devicesQuota().value(m_ext4);
    QVERIFY(onExt4.deviceQuotaIsOn());
    QVERIFY(onExt4.memorySizeById(UsedSize).dimension() == MegaBytes);
    QVERIFY(onExt4.memorySizeById(UsedSize).value() >= 3.0);
    QVERIFY(!user1->devicesQuota().value(m_ext3).deviceQuotaIsOn());
    QVERIFY(findMember(manager.userSettings(), 0)->member().isSystem);
    QVERIFY(findMember(manager.groupSettings(), env("KCMQ_GROUP1_ID").toInt()));
}

void CoreSystemTest::enableUserQuotas()
{
    // No load first: an apply needs none, and each load costs a helper
    // request per member on the ext4 device.
    QuotasManager manager;
    QSignalSpy changed(&manager, &QuotasManager::dataChanged);

    QObject tab;
    auto storage = new QuotaStorage(&tab);
    storage->setUsersData(wanted(m_ext3, true, 2));
    storage->setGroupsData(wanted(m_ext3, false));
    manager.setGeneralSettings({{m_ext3, storage}});
    QCOMPARE(changed.count(), 0);

    DeviceDataInformation users = manager.quotaStorages().value(m_ext3)->usersData();
    QVERIFY(users.quotaSupportOn());
    QVERIFY(users.willMountWithQuota());
    QVERIFY(users.mountWithQuota());
    QVERIFY(users.settingFileExist());
    QVERIFY(!manager.quotaStorages().value(m_ext3)->groupsData().quotaSupportOn());
    QVERIFY(fstabLineOf(QStringLiteral("LABEL=") + env("KCMQ_EXT3_LABEL")).contains(QStringLiteral(" defaults,usrquota ")));
    // The grace periods follow the switch in the same apply.
    QCOMPARE(users.graceTimePeriod().blockGrace.toString(), QStringLiteral("2d"));
    QCOMPARE(users.graceTimePeriod().inodeGrace.toString(), QStringLiteral("5h"));

    // Applied again, nothing changes.
    manager.setGeneralSettings({{m_ext3, storage}});
    users = manager.quotaStorages().value(m_ext3)->usersData();
    QCOMPARE(users.graceTimePeriod().blockGrace.toString(), QStringLiteral("2d"));
    QCOMPARE(users.graceTimePeriod().inodeGrace.toString(), QStringLiteral("5h"));
    QCOMPARE(changed.count(), 1);
}

void CoreSystemTest::writeMemberLimits()
{
    QuotasManager manager;
    manager.update();
    const int id = env("KCMQ_USER2_ID").toInt();
    SettingsDeviceQuota edited(*findMember(manager.userSettings(), id));
    QHash<QString, MemberQuotaData> table = edited.devicesQuota();
    MemberQuotaData data = table.value(m_ext4);
    const MemorySizeTransfer transfer;
    data.setMemorySize(SoftLimitSize, transfer.memFromBytes(10 * 1024 * 1024));
    data.setMemorySize(HardLimitSize, transfer.memFromBytes(20 * 1024 * 1024));
    data.setSoftFilesLimit(100);
    data.setHardFilesLimit(200);
    table.insert(m_ext4, data);
    edited.setDevicesQuota(table);

    manager.updateSettingsQuota(edited);
    const MemberQuotaData reloaded = findMember(manager.userSettings(), id)->devicesQuota().value(m_ext4);
    QCOMPARE(reloaded.memorySizeById(SoftLimitSize).humanSize(), QStringLiteral("10 Mb"));
    QCOMPARE(reloaded.memorySizeById(HardLimitSize).humanSize(), QStringLiteral("20 Mb"));
    QCOMPARE(reloaded.softFilesLimit(), 100);
    QCOMPARE(reloaded.hardFilesLimit(), 200);
    QVERIFY(reloaded.objectQuotaIsOn());
}

void CoreSystemTest::disableGroupQuotas()
{
    QuotasManager manager;
    QObject tab;
    auto storage = new QuotaStorage(&tab);
    storage->setUsersData(manager.graceDeviceData(m_ext4, Users));
    storage->setGroupsData(wanted(m_ext4, false));
    manager.setGeneralSettings({{m_ext4, storage}});

    const QuotaStorage *ext4 = manager.quotaStorages().value(m_ext4);
    QVERIFY(ext4->usersData().quotaSupportOn());
    QVERIFY(!ext4->groupsData().quotaSupportOn());
    QVERIFY(!ext4->groupsData().willMountWithQuota());
    // Disabling does not remount, so the live mount keeps the option.
    QVERIFY(ext4->groupsData().mountWithQuota());
    QVERIFY(ext4->groupsData().settingFileExist());
}

void CoreSystemTest::helperFailureMidApply()
{
    QuotasManager manager;
    manager.update();
    const QMap<QString, QuotaStorage *> loaded = manager.quotaStorages();
    QSignalSpy changed(&manager, &QuotasManager::dataChanged);

    // The scenario has made /etc/fstab impossible to replace. The ext2
    // device already has its option, so it only needs a quota file and
    // quotas on; the vfat device needs an fstab rewrite, which the helper
    // fails; the spare device's fstab edit must then never be tried.
    QObject tab;
    QMap<QString, QuotaStorage *> storages;
    for (const auto &[device, on] : {std::pair{m_ext2, true}, std::pair{m_vfat, true}, std::pair{m_spare, false}}) {
        auto storage = new QuotaStorage(&tab);
        storage->setUsersData(wanted(device, on));
        storage->setGroupsData(wanted(device, false));
        storages.insert(device, storage);
    }
    const QString spareLine = fstabLineOf(m_spare);

    QCOMPARE(errorOf([&] {
                 manager.setGeneralSettings(storages);
             }),
             QStringLiteral("Unable to write to file system description file"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(manager.quotaStorages(), loaded);

    ConfigReader::instance().reset();
    const bool ext2First = m_ext2 < m_vfat;
    SystemQuotaKernelQuery kernel;
    QCOMPARE(MemberQuotaData::quotaIsOn(m_ext2, Users, kernel), ext2First);
    if (m_spare > m_vfat) {
        QCOMPARE(fstabLineOf(m_spare), spareLine);
    }
    QVERIFY(!fstabLineOf(m_vfat).contains(QStringLiteral("usrquota")));
}

// The device made with the ext4 "quota" feature: its records live in hidden
// inodes and are accounted from mount time on, so quotas are off although
// the kernel answers for them, and there is no file to create.
void CoreSystemTest::internalLoad()
{
    const QString device = env("KCMQ_INTERNAL_DEVICE");
    QuotasManager manager;
    manager.update();

    const QuotaStorage *storage = manager.quotaStorages().value(device);
    QVERIFY(storage);
    QCOMPARE(storage->filesystem(), QStringLiteral("ext4"));
    for (const DeviceDataInformation &data : {storage->usersData(), storage->groupsData()}) {
        QVERIFY(!data.quotaSupportOn());
        QVERIFY(data.settingFileExist());
        QVERIFY(data.quotaKeptInternally());
        QVERIFY(!data.willMountWithQuota());
    }
    const SettingsDeviceQuota *user1 = findMember(manager.userSettings(), env("KCMQ_USER1_ID").toInt());
    QVERIFY(user1);
    QVERIFY(!user1->devicesQuota().value(device).deviceQuotaIsOn());
}

void CoreSystemTest::internalEnable()
{
    const QString device = env("KCMQ_INTERNAL_DEVICE");
    QuotasManager manager;
    QObject tab;
    auto storage = new QuotaStorage(&tab);
    storage->setUsersData(wanted(device, true, 2));
    storage->setGroupsData(wanted(device, false));
    manager.setGeneralSettings({{device, storage}});

    const DeviceDataInformation users = manager.quotaStorages().value(device)->usersData();
    QVERIFY(users.quotaSupportOn());
    QVERIFY(users.willMountWithQuota());
    // Enforcement went on without a remount.
    QVERIFY(!users.mountWithQuota());
    QVERIFY(!manager.quotaStorages().value(device)->groupsData().quotaSupportOn());
    QVERIFY(fstabLineOf(device).contains(QStringLiteral(" defaults,usrquota ")));

    // Grace periods go to the hidden records like to a quota file, right
    // after the switch; applied again, they stay.
    manager.setGeneralSettings({{device, storage}});
    const GraceTimePeriod grace = manager.quotaStorages().value(device)->usersData().graceTimePeriod();
    QCOMPARE(grace.blockGrace.toString(), QStringLiteral("2d"));
    QCOMPARE(grace.inodeGrace.toString(), QStringLiteral("5h"));
}

void CoreSystemTest::internalDisable()
{
    const QString device = env("KCMQ_INTERNAL_DEVICE");
    QuotasManager manager;
    QObject tab;
    auto storage = new QuotaStorage(&tab);
    storage->setUsersData(wanted(device, false));
    storage->setGroupsData(wanted(device, false));
    QCOMPARE(errorOf([&] {
                 manager.setGeneralSettings({{device, storage}});
             }),
             QString());

    const DeviceDataInformation users = manager.quotaStorages().value(device)->usersData();
    QVERIFY(!users.quotaSupportOn());
    QVERIFY(!users.willMountWithQuota());
    QVERIFY(users.quotaKeptInternally());
    QVERIFY(!fstabLineOf(device).contains(QStringLiteral("usrquota")));
}

QTEST_GUILESS_MAIN(CoreSystemTest)

#include "coresystemtest.moc"
