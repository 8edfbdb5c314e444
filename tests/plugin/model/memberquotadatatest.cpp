// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysizetransfer.h"

#include <QRegularExpression>
#include <QTest>

namespace
{
const QString disk = QStringLiteral("/dev/sdb1");

MemorySize sizeOf(double value, Dimension dimension)
{
    MemorySize size;
    size.setValue(value);
    size.setDimension(dimension);
    return size;
}
}

class MemberQuotaDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void quotasOffMakesNoRequest();
    void fromKernelRecord_data();
    void fromKernelRecord();
    void failedRequestReadsAsNoLimits();
    void limitChecks_data();
    void limitChecks();
    void quotaFileExist_data();
    void quotaFileExist();
    void quotaState_data();
    void quotaState();
    void canCreateQuotaFile_data();
    void canCreateQuotaFile();
    void copiesAreIndependent();
    void copyLimitsTakesOnlyTheNamedFields_data();
    void copyLimitsTakesOnlyTheNamedFields();
};

void MemberQuotaDataTest::quotasOffMakesNoRequest()
{
    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    device.quotaOn[Users] = true;
    system.addDevice(device);
    ProxyQuotaData record;
    record.dqb_bsoftlimit = 5;
    system.setRecord(disk, Groups, 100, record);

    const MemberQuotaData data(disk, 100, Groups, system, system.executor());
    QCOMPARE(system.count(QStringLiteral("get_quota_info")), 0);
    QVERIFY(!data.deviceQuotaIsOn());
    QVERIFY(!data.objectQuotaIsOn());
    QVERIFY(data.isNull());
    QVERIFY(!data.isValid());
    QCOMPARE(data.memorySizeById(SoftLimitSize).value(), 0.0);
    QCOMPARE(data.memorySizeById(SoftLimitSize).dimension(), Bytes);
    QCOMPARE(data.deviceName(), disk);
    QCOMPARE(data.deviceFilesystem(), QStringLiteral("ext4"));
}

void MemberQuotaDataTest::fromKernelRecord_data()
{
    QTest::addColumn<ProxyQuotaData>("record");
    QTest::addColumn<double>("used");
    QTest::addColumn<int>("usedUnit");
    QTest::addColumn<double>("soft");
    QTest::addColumn<int>("softUnit");
    QTest::addColumn<double>("hard");
    QTest::addColumn<int>("hardUnit");
    QTest::addColumn<qint64>("hardFiles");
    QTest::addColumn<bool>("limited");

    ProxyQuotaData blocks;
    blocks.dqb_curspace = 1536;
    blocks.dqb_bsoftlimit = 1;
    blocks.dqb_bhardlimit = 1048576;
    QTest::newRow("block limits are 1024-byte blocks, usage is bytes")
        << blocks << 1.5 << int(KiloBytes) << 1.0 << int(KiloBytes) << 1.0 << int(GigaBytes) << qint64(0) << true;

    ProxyQuotaData none;
    none.dqb_curspace = 4096;
    none.dqb_curinodes = 12;
    QTest::newRow("usage without limits") << none << 4.0 << int(KiloBytes) << 0.0 << int(Bytes) << 0.0 << int(Bytes) << qint64(0) << false;

    ProxyQuotaData wide;
    wide.dqb_ihardlimit = 4294967296ULL;
    wide.dqb_isoftlimit = 3;
    QTest::newRow("2^32 files stay 2^32") << wide << 0.0 << int(Bytes) << 0.0 << int(Bytes) << 0.0 << int(Bytes) << qint64(4294967296LL) << true;

    ProxyQuotaData high;
    high.dqb_ihardlimit = 3000000000ULL;
    QTest::newRow("3,000,000,000 files are a limit, not a negative number")
        << high << 0.0 << int(Bytes) << 0.0 << int(Bytes) << 0.0 << int(Bytes) << qint64(3000000000LL) << true;

    ProxyQuotaData huge;
    huge.dqb_bsoftlimit = 5ULL << 30;
    huge.dqb_bhardlimit = (1ULL << 53) - 1;
    huge.dqb_ihardlimit = 0x7fffffffffffffffULL;
    QTest::newRow("5 TiB and the kernel's largest limits")
        << huge << 0.0 << int(Bytes) << 5.0 << int(TeraBytes) << 8191.999999999999 << int(PetaBytes) << qint64(0x7fffffffffffffffLL) << true;
}

void MemberQuotaDataTest::fromKernelRecord()
{
    QFETCH(ProxyQuotaData, record);
    QFETCH(double, used);
    QFETCH(int, usedUnit);
    QFETCH(double, soft);
    QFETCH(int, softUnit);
    QFETCH(double, hard);
    QFETCH(int, hardUnit);
    QFETCH(qint64, hardFiles);
    QFETCH(bool, limited);

    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    device.quotaOn[Users] = true;
    device.blockGrace[Users] = 694800;
    device.inodeGrace[Users] = 60;
    system.addDevice(device);
    system.setRecord(disk, Users, 1001, record);

    const MemberQuotaData data(disk, 1001, Users, system, system.executor());
    QCOMPARE(system.count(QStringLiteral("get_quota_info")), 1);
    QVERIFY(data.deviceQuotaIsOn());
    QCOMPARE(data.memorySizeById(UsedSize).value(), used);
    QCOMPARE(int(data.memorySizeById(UsedSize).dimension()), usedUnit);
    QCOMPARE(data.memorySizeById(SoftLimitSize).value(), soft);
    QCOMPARE(int(data.memorySizeById(SoftLimitSize).dimension()), softUnit);
    QCOMPARE(data.memorySizeById(HardLimitSize).value(), hard);
    QCOMPARE(int(data.memorySizeById(HardLimitSize).dimension()), hardUnit);
    QCOMPARE(data.hardFilesLimit(), hardFiles);
    QCOMPARE(data.numberOfFilesUsed(), qint64(record.dqb_curinodes));
    QCOMPARE(data.objectQuotaIsOn(), limited);
    QCOMPARE(data.graceTimePeriod().blockGrace.toString(), QStringLiteral("1w 1d 1h"));
    QCOMPARE(data.graceTimePeriod().inodeGrace.toString(), QStringLiteral("1min"));
    QVERIFY(!data.graceDateTime().blockGrace.isValid());
}

void MemberQuotaDataTest::failedRequestReadsAsNoLimits()
{
    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    device.quotaOn[Users] = true;
    system.addDevice(device);
    ProxyQuotaData record;
    record.dqb_bhardlimit = 100;
    record.dqb_btime = 1700000000;
    system.setRecord(disk, Users, 7, record);

    const MemberQuotaData running(disk, 7, Users, system, system.executor());
    QCOMPARE(running.graceDateTime().blockGrace, QDateTime::fromSecsSinceEpoch(1700000000));
    QVERIFY(!running.graceDateTime().inodeGrace.isValid());

    system.failNext(QStringLiteral("get_quota_info"), QStringLiteral("Failed to read quota"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("failed: \"Failed to read quota\"$")));
    const MemberQuotaData failed(disk, 7, Users, system, system.executor());
    QVERIFY(failed.deviceQuotaIsOn());
    QVERIFY(failed.isNull());
    QVERIFY(!failed.objectQuotaIsOn());
    QVERIFY(!failed.graceDateTime().blockGrace.isValid());
}

void MemberQuotaDataTest::limitChecks_data()
{
    QTest::addColumn<double>("soft");
    QTest::addColumn<double>("hard");
    QTest::addColumn<int>("softFiles");
    QTest::addColumn<int>("hardFiles");
    QTest::addColumn<bool>("null");
    QTest::addColumn<bool>("valid");

    QTest::newRow("no limits") << 0.0 << 0.0 << 0 << 0 << true << false;
    QTest::newRow("only a file soft limit") << 0.0 << 0.0 << 10 << 0 << false << true;
    QTest::newRow("only a space hard limit") << 0.0 << 0.5 << 0 << 0 << false << true;
    QTest::newRow("negative file limit is neither") << 0.0 << 0.0 << -1 << 0 << false << false;
}

void MemberQuotaDataTest::limitChecks()
{
    QFETCH(double, soft);
    QFETCH(double, hard);
    QFETCH(int, softFiles);
    QFETCH(int, hardFiles);
    QFETCH(bool, null);
    QFETCH(bool, valid);

    MemberQuotaData data;
    data.setMemorySize(SoftLimitSize, sizeOf(soft, GigaBytes));
    data.setMemorySize(HardLimitSize, sizeOf(hard, MegaBytes));
    data.setMemorySize(UsedSize, sizeOf(5.0, GigaBytes));
    data.setNumberOfFilesUsed(99);
    data.setSoftFilesLimit(softFiles);
    data.setHardFilesLimit(hardFiles);
    QCOMPARE(data.isNull(), null);
    QCOMPARE(data.isValid(), valid);
}

void MemberQuotaDataTest::quotaFileExist_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("exists");

    QTest::newRow("user file") << QString() << int(Users) << true;
    QTest::newRow("mount point with a trailing slash") << "/" << int(Users) << true;
    QTest::newRow("group file missing") << QString() << int(Groups) << false;
    QTest::newRow("unknown type") << QString() << 2 << false;
}

void MemberQuotaDataTest::quotaFileExist()
{
    QFETCH(QString, suffix);
    QFETCH(int, type);
    QFETCH(bool, exists);

    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    system.addDevice(device);
    system.createQuotaFile(disk, Users);
    system.device(disk).mountDir += suffix;
    system.writeTables();
    QCOMPARE(MemberQuotaData::quotaFileExist(disk, static_cast<SettingsId>(type), system), exists);
}

void MemberQuotaDataTest::quotaState_data()
{
    QTest::addColumn<bool>("internal");
    QTest::addColumn<bool>("usersEnforced");
    QTest::addColumn<bool>("groupsEnforced");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("keptInternally");
    QTest::addColumn<bool>("fileExists");

    QTest::newRow("quota file, user quotas on") << false << true << false << int(Users) << true << false << true;
    QTest::newRow("quota files, group quotas off") << false << true << false << int(Groups) << false << false << false;
    QTest::newRow("internal records accounted but not enforced are off") << true << false << false << int(Users) << false << true << true;
    QTest::newRow("internal group records enforced") << true << false << true << int(Groups) << true << true << true;
    QTest::newRow("internal user records stay off while groups are enforced") << true << false << true << int(Users) << false << true << true;
}

// Quotas are on where the kernel enforces them; records kept inside the
// file system count as the quota file. A member where they are off costs no
// helper request.
void MemberQuotaDataTest::quotaState()
{
    QFETCH(bool, internal);
    QFETCH(bool, usersEnforced);
    QFETCH(bool, groupsEnforced);
    QFETCH(int, type);
    QFETCH(bool, on);
    QFETCH(bool, keptInternally);
    QFETCH(bool, fileExists);

    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    device.internalQuota = internal;
    device.quotaOn[Users] = usersEnforced;
    device.quotaOn[Groups] = groupsEnforced;
    system.addDevice(device);
    if (!internal) {
        system.createQuotaFile(disk, Users);
    }
    const SettingsId kind = static_cast<SettingsId>(type);
    QCOMPARE(MemberQuotaData::quotaIsOn(disk, kind, system), on);
    QCOMPARE(MemberQuotaData::quotaKeptInternally(disk, kind, system), keptInternally);
    QCOMPARE(MemberQuotaData::quotaFileExist(disk, kind, system), fileExists);

    const MemberQuotaData member(disk, 1001, kind, system, system.executor());
    QCOMPARE(member.deviceQuotaIsOn(), on);
    QCOMPARE(system.count(QStringLiteral("get_quota_info")), on ? 1 : 0);
}

void MemberQuotaDataTest::canCreateQuotaFile_data()
{
    QTest::addColumn<QStringList>("mountOptions");
    QTest::addColumn<bool>("users");
    QTest::addColumn<bool>("groups");

    QTest::newRow("user option mounted") << QStringList{"rw", "usrquota"} << true << false;
    QTest::newRow("only configured, not mounted with it") << QStringList{"rw"} << false << false;
    QTest::newRow("case-sensitive whole entry") << QStringList{"rw", "USRQUOTA", "grpquota=x"} << false << false;
}

void MemberQuotaDataTest::canCreateQuotaFile()
{
    QFETCH(QStringList, mountOptions);
    QFETCH(bool, users);
    QFETCH(bool, groups);

    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    device.fstabOptions = QStringList{QStringLiteral("usrquota"), QStringLiteral("grpquota")};
    device.mountOptions = mountOptions;
    system.addDevice(device);
    QCOMPARE(MemberQuotaData::canCreateQuotaFile(disk, Users), users);
    QCOMPARE(MemberQuotaData::canCreateQuotaFile(disk, Groups), groups);
}

void MemberQuotaDataTest::copiesAreIndependent()
{
    FakeSystem system;
    FakeSystem::Device device;
    device.path = disk;
    system.addDevice(device);

    MemberQuotaData data;
    data.setHardFilesLimit(5);
    SettingsDeviceQuota original(Member{QStringLiteral("anna"), 1001, false}, {{disk, data}}, Users);
    SettingsDeviceQuota copy(original);
    QVERIFY(!copy.parent());
    QHash<QString, MemberQuotaData> table = copy.devicesQuota();
    table[disk].setHardFilesLimit(9);
    copy.setDevicesQuota(table);
    QCOMPARE(original.devicesQuota().value(disk).hardFilesLimit(), 5);
    QCOMPARE(copy.devicesQuota().value(disk).hardFilesLimit(), 9);

    // The device list is the system's, not the table's.
    const SettingsDeviceQuota empty(Member{QStringLiteral("bert"), 1002, false}, {}, Groups);
    QCOMPARE(empty.devices(), QStringList{disk});
}

void MemberQuotaDataTest::copyLimitsTakesOnlyTheNamedFields_data()
{
    QTest::addColumn<int>("fields");
    QTest::addColumn<QList<qulonglong>>("limits");

    const qulonglong tib = 1ULL << 40;
    // Ours: 5 TiB, 6 TiB, 3,000,000,000, 4,000,000,000 files; theirs: 1 KiB, 2 KiB, 1, 2.
    QTest::newRow("nothing") << 0 << QList<qulonglong>{5 * tib, 6 * tib, 3000000000ULL, 4000000000ULL};
    QTest::newRow("only the hard space limit") << int(HardSpaceField) << QList<qulonglong>{5 * tib, 2048, 3000000000ULL, 4000000000ULL};
    QTest::newRow("soft limits") << int(SoftSpaceField | SoftFilesField) << QList<qulonglong>{1024, 6 * tib, 1, 4000000000ULL};
    QTest::newRow("everything") << int(AllLimitFields) << QList<qulonglong>{1024, 2048, 1, 2};
}

void MemberQuotaDataTest::copyLimitsTakesOnlyTheNamedFields()
{
    QFETCH(int, fields);
    QFETCH(QList<qulonglong>, limits);

    const MemorySizeTransfer transfer;
    MemberQuotaData ours;
    ours.setMemorySize(SoftLimitSize, transfer.memFromBytes(5ULL << 40));
    ours.setMemorySize(HardLimitSize, transfer.memFromBytes(6ULL << 40));
    ours.setSoftFilesLimit(3000000000LL);
    ours.setHardFilesLimit(4000000000LL);
    ours.setGraceDateTime({QDateTime::fromSecsSinceEpoch(1800000000), QDateTime()});
    MemberQuotaData theirs;
    theirs.setMemorySize(SoftLimitSize, transfer.memFromBytes(1024));
    theirs.setMemorySize(HardLimitSize, transfer.memFromBytes(2048));
    theirs.setSoftFilesLimit(1);
    theirs.setHardFilesLimit(2);

    MemberQuotaData result = ours;
    result.copyLimits(theirs, fields);
    QCOMPARE(transfer.bytesFromMem(result.memorySizeById(SoftLimitSize)), limits.at(0));
    QCOMPARE(transfer.bytesFromMem(result.memorySizeById(HardLimitSize)), limits.at(1));
    QCOMPARE(quint64(result.softFilesLimit()), limits.at(2));
    QCOMPARE(quint64(result.hardFilesLimit()), limits.at(3));
    QCOMPARE(result.graceDateTime().blockGrace, ours.graceDateTime().blockGrace);
    QCOMPARE(result.sameLimits(ours), fields == 0);
    QCOMPARE(result.sameLimits(theirs), fields == AllLimitFields);
}

QTEST_GUILESS_MAIN(MemberQuotaDataTest)

#include "memberquotadatatest.moc"
