// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/core/quotasmanager.h"
#include "plugin/system/helperquotarecordreader.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");
const QString sdd = QStringLiteral("/dev/sdd1");

// Counts the batch reads and can fail them per device; otherwise it reads
// through the helper as the panel does, here the simulated one.
class CountingReader : public QuotaRecordReader
{
public:
    explicit CountingReader(HelperActionExecutor &executor)
        : m_helper(executor)
    {
    }

    QMap<quint32, ProxyQuotaData> readRecords(const QString &device, SettingsId type, const QVector<quint32> &ids) override
    {
        reads.append(QStringLiteral("%1 %2 %3").arg(device).arg(int(type)).arg(ids.size()));
        if (failing.contains(device)) {
            throw std::runtime_error(failing.value(device).toStdString());
        }
        return m_helper.readRecords(device, type, ids);
    }

    QStringList reads;
    QHash<QString, QString> failing;

private:
    HelperQuotaRecordReader m_helper;
};

FakeSystem::Device quotaDisk(const QString &path, bool users, bool groups)
{
    FakeSystem::Device device;
    device.path = path;
    device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota"), QStringLiteral("grpquota")};
    device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota"), QStringLiteral("grpquota")};
    device.quotaOn[Users] = users;
    device.quotaOn[Groups] = groups;
    device.blockGrace[Users] = 604800;
    device.inodeGrace[Groups] = 3600;
    return device;
}

ProxyQuotaData record(quint64 usedBytes, quint64 softBlocks, quint64 hardBlocks, quint64 softFiles, quint64 hardFiles, quint64 blockTime = 0)
{
    ProxyQuotaData r;
    r.dqb_curspace = usedBytes;
    r.dqb_bsoftlimit = softBlocks;
    r.dqb_bhardlimit = hardBlocks;
    r.dqb_isoftlimit = softFiles;
    r.dqb_ihardlimit = hardFiles;
    r.dqb_curinodes = usedBytes / 4096;
    r.dqb_btime = blockTime;
    r.dqb_valid = 0x3f;
    return r;
}

// Everything a tab or the member dialog shows of one member on one device.
QString shown(const MemberQuotaData &data)
{
    const auto size = [&data](MemorySizeId id) {
        const MemorySize s = data.memorySizeById(id);
        return QStringLiteral("%1%2").arg(s.value()).arg(int(s.dimension()));
    };
    return QStringList{data.deviceName(),
                       data.deviceFilesystem(),
                       size(UsedSize),
                       size(SoftLimitSize),
                       size(HardLimitSize),
                       QString::number(data.numberOfFilesUsed()),
                       QString::number(data.softFilesLimit()),
                       QString::number(data.hardFilesLimit()),
                       data.graceDateTime().blockGrace.toString(Qt::ISODate),
                       data.graceDateTime().inodeGrace.toString(Qt::ISODate),
                       data.graceTimePeriod().blockGrace.toString(),
                       data.graceTimePeriod().inodeGrace.toString(),
                       data.objectQuotaIsOn() ? QStringLiteral("member on") : QStringLiteral("member off"),
                       data.deviceQuotaIsOn() ? QStringLiteral("device on") : QStringLiteral("device off"),
                       data.isKnown() ? QStringLiteral("known") : QStringLiteral("unknown")}
        .join(QLatin1Char('|'));
}

QList<UserInfo> directoryUsers(int count)
{
    QList<UserInfo> users{UserInfo(0, QStringLiteral("root"), true)};
    for (int i = 0; i < count; ++i) {
        users.append(UserInfo(uint(1000 + i), QStringLiteral("user%1").arg(i), false));
    }
    return users;
}

QList<GroupInfo> directoryGroups(int count)
{
    QList<GroupInfo> groups;
    for (int i = 0; i < count; ++i) {
        groups.append(GroupInfo(uint(2000 + i), QStringLiteral("group%1").arg(i), false));
    }
    return groups;
}

struct Fixture {
    FakeSystem system;
    CountingReader *reader = nullptr;
    std::unique_ptr<QuotasManager> manager;

    explicit Fixture(int users = 3, int groups = 2)
    {
        auto counting = std::make_unique<CountingReader>(system.executor());
        reader = counting.get();
        manager = std::make_unique<QuotasManager>(system.executor(), system, std::move(counting));
        manager->setAccountDirectory(
            [users] {
                return directoryUsers(users);
            },
            [groups] {
                return directoryGroups(groups);
            });
    }
};

SettingsDeviceQuota *memberNamed(const QList<SettingsDeviceQuota *> &members, const QString &name)
{
    for (SettingsDeviceQuota *member : members) {
        if (member->member().name == name) {
            return member;
        }
    }
    return nullptr;
}
}

class QuotasManagerLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void snapshotShowsWhatSingleReadsShow_data();
    void snapshotShowsWhatSingleReadsShow();
    void requestCount_data();
    void requestCount();
    void strayRecordsBecomeUnknownAccounts();
    void failedDeviceReadLeavesMembersUnknown();
    void oneRecordRequestPerLoad_data();
    void oneRecordRequestPerLoad();
};

void QuotasManagerLoadTest::snapshotShowsWhatSingleReadsShow_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("users") << int(Users);
    QTest::newRow("groups") << int(Groups);
}

void QuotasManagerLoadTest::snapshotShowsWhatSingleReadsShow()
{
    QFETCH(int, type);
    const auto kind = static_cast<SettingsId>(type);
    Fixture f;
    f.system.addDevice(quotaDisk(sdb, true, true));
    f.system.addDevice(quotaDisk(sdc, kind == Users, kind != Users));
    f.system.addDevice(quotaDisk(sdd, false, false));
    const int first = kind == Users ? 1000 : 2000;
    f.system.setRecord(sdb, kind, first, record(1536, 1, 1048576, 10, 20, 1700000000));
    // File limits of 2^31 and beyond.
    f.system.setRecord(sdb, kind, first + 1, record(5000000, 0, 0, quint64(1) << 31, quint64(1) << 32));
    f.system.setRecord(sdc, kind, first, record(4096, 2048, 4096, 0, 0));
    f.system.setRecord(sdd, kind, first, record(4096, 2048, 4096, 1, 1));

    f.manager->update();
    const QList<SettingsDeviceQuota *> members = kind == Users ? f.manager->userSettings() : f.manager->groupSettings();
    QVERIFY(!members.isEmpty());
    f.system.calls.clear();
    for (const SettingsDeviceQuota *member : members) {
        const QHash<QString, MemberQuotaData> table = member->devicesQuota();
        QCOMPARE(table.size(), 3);
        for (const QString &device : {sdb, sdc, sdd}) {
            QCOMPARE(shown(table.value(device)), shown(MemberQuotaData(device, member->member().id, kind, f.system, f.system.executor())));
        }
    }
    // The comparison really read member by member.
    QVERIFY(f.system.count(QStringLiteral("get_quota_info")) > 0);
}

void QuotasManagerLoadTest::requestCount_data()
{
    QTest::addColumn<int>("members");
    QTest::addColumn<int>("batches");
    QTest::newRow("a handful of accounts") << 5 << 3;
    QTest::newRow("a directory of thousands") << 3000 << 3;
}

void QuotasManagerLoadTest::requestCount()
{
    QFETCH(int, members);
    QFETCH(int, batches);
    Fixture f(members, members);
    f.system.addDevice(quotaDisk(sdb, true, true));
    f.system.addDevice(quotaDisk(sdc, true, false));
    f.system.addDevice(quotaDisk(sdd, false, false));
    f.system.setRecord(sdb, Users, 1000, record(4096, 8, 16, 0, 0));

    const auto load = [&f] {
        f.system.calls.clear();
        f.reader->reads.clear();
    };
    load();
    f.manager->update();
    QCOMPARE(f.manager->userSettings().size(), members + 1);
    QCOMPARE(f.manager->groupSettings().size(), members);
    QCOMPARE(f.reader->reads,
             (QStringList{QStringLiteral("%1 0 %2").arg(sdb).arg(members + 1),
                          QStringLiteral("%1 0 %2").arg(sdc).arg(members + 1),
                          QStringLiteral("%1 1 %2").arg(sdb).arg(members)}));
    // 2 x (devices with quotas on) + 2 at most, whatever the directory holds.
    QVERIFY(f.system.calls.size() <= 2 * 2 + 2);
    QCOMPARE(f.system.count(QStringLiteral("get_quota_info")), 0);

    // The reload after a member's edit is batched the same way.
    SettingsDeviceQuota edited(*f.manager->userSettings().at(1));
    load();
    f.manager->updateSettingsQuota(edited);
    QCOMPARE(f.reader->reads.size(), batches);
    QCOMPARE(f.system.count(QStringLiteral("get_quota_info")), 0);
    QCOMPARE(f.system.count(QStringLiteral("get_all_quota_info")), batches);
}

void QuotasManagerLoadTest::strayRecordsBecomeUnknownAccounts()
{
    Fixture f(1, 1);
    f.system.addDevice(quotaDisk(sdb, true, true));
    f.system.addDevice(quotaDisk(sdc, true, true));
    f.system.setRecord(sdb, Users, 4242, record(8192, 0, 0, 0, 9));
    f.system.setRecord(sdc, Users, 77, record(0, 0, 0, 5, 0));
    // A record that holds nothing is no trace of a deleted account.
    f.system.setRecord(sdb, Users, 5000, record(0, 0, 0, 0, 0));
    f.system.setRecord(sdc, Groups, 3000, record(0, 100, 0, 0, 0));

    f.manager->update();
    QStringList users;
    for (const SettingsDeviceQuota *member : f.manager->userSettings()) {
        users.append(member->member().name + (member->member().unknownAccount ? QStringLiteral(" (unknown)") : QString()));
    }
    QCOMPARE(users, (QStringList{QStringLiteral("root"), QStringLiteral("user0"), QStringLiteral("#77 (unknown)"), QStringLiteral("#4242 (unknown)")}));

    const SettingsDeviceQuota *stray = memberNamed(f.manager->userSettings(), QStringLiteral("#4242"));
    QCOMPARE(stray->member().id, 4242);
    QVERIFY(!stray->member().isSystem);
    QCOMPARE(stray->id(), Users);
    QCOMPARE(stray->devicesQuota().value(sdb).numberOfFilesUsed(), 2);
    QVERIFY(stray->devicesQuota().value(sdc).isKnown());
    QCOMPARE(stray->devicesQuota().value(sdc).numberOfFilesUsed(), 0);

    const SettingsDeviceQuota *group = memberNamed(f.manager->groupSettings(), QStringLiteral("#3000"));
    QVERIFY(group && group->member().unknownAccount);
    QCOMPARE(group->id(), Groups);
    QCOMPARE(f.manager->groupSettings().size(), 2);

    // Clearing the stray record writes to its id like any member's edit,
    // on the device where it changed only.
    SettingsDeviceQuota cleared(*stray);
    QHash<QString, MemberQuotaData> table = cleared.devicesQuota();
    table[sdb] = MemberQuotaData(sdb, QString(), dqblk{}, GraceTimePeriod());
    cleared.setDevicesQuota(table);
    f.manager->updateSettingsQuota(cleared);
    QStringList writes = f.system.changeLog().filter(QStringLiteral("set_quota_info"));
    writes.sort();
    QCOMPARE(writes, (QStringList{QStringLiteral("set_quota_info /dev/sdb1 0")}));
    for (const FakeSystem::Call &call : std::as_const(f.system.calls)) {
        if (call.command == QLatin1String("set_quota_info")) {
            QCOMPARE(call.arguments.value(QStringLiteral("id")).toInt(), 4242);
        }
    }
}

void QuotasManagerLoadTest::failedDeviceReadLeavesMembersUnknown()
{
    Fixture f(1, 0);
    f.system.addDevice(quotaDisk(sdb, true, false));
    f.system.addDevice(quotaDisk(sdc, true, false));
    f.system.createQuotaFile(sdb, Users);
    f.system.createQuotaFile(sdc, Users);
    const ProxyQuotaData limits = record(4096, 100, 200, 10, 20);
    f.system.setRecord(sdb, Users, 1000, limits);
    f.system.setRecord(sdc, Users, 1000, limits);
    f.reader->failing.insert(sdb, QStringLiteral("Wrong value cmd or type"));

    f.manager->update();
    const SettingsDeviceQuota *user = memberNamed(f.manager->userSettings(), QStringLiteral("user0"));
    const MemberQuotaData unreadable = user->devicesQuota().value(sdb);
    QVERIFY(!unreadable.isKnown());
    QCOMPARE(unreadable.unknownReason(), QStringLiteral("Wrong value cmd or type"));
    QVERIFY(unreadable.deviceQuotaIsOn());
    QVERIFY(!unreadable.objectQuotaIsOn());
    QVERIFY(user->devicesQuota().value(sdc).isKnown());
    QCOMPARE(user->devicesQuota().value(sdc).softFilesLimit(), 10);
    // The device's own facts were read all the same.
    QVERIFY(f.manager->quotaStorages().value(sdb)->usersData().quotaSupportOn());

    // Editing the member on the readable device must leave the other
    // device's real limits alone.
    SettingsDeviceQuota edited(*user);
    QHash<QString, MemberQuotaData> table = edited.devicesQuota();
    table[sdc].setSoftFilesLimit(11);
    edited.setDevicesQuota(table);
    f.manager->updateSettingsQuota(edited);
    QCOMPARE(f.system.changeLog().filter(QStringLiteral("set_quota_info")), QStringList{QStringLiteral("set_quota_info /dev/sdc1 0")});
    QCOMPARE(f.system.record(sdb, Users, 1000), limits);
    QCOMPARE(f.system.record(sdc, Users, 1000).dqb_isoftlimit, quint64(11));
}

void QuotasManagerLoadTest::oneRecordRequestPerLoad_data()
{
    QTest::addColumn<bool>("quotas");
    QTest::addColumn<QString>("fsSpec");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("the devices and every table in one request") << true << sdb << QString();
    // Matched by the rule the device list is made with, not by the name.
    QTest::newRow("a device fstab names by its label gets its records") << true << QStringLiteral("LABEL=home") << QString();
    QTest::newRow("no quotas anywhere: still the one request for the devices") << false << sdb << QString();
    // Without the blkid lines no device is known: as a failed listing.
    QTest::newRow("a refused request fails the load") << true << sdb << QStringLiteral("Authorization denied");
}

// Each request costs an authorisation: a first load asks once for the
// blkid lines and every table fstab may name, a reload only for the
// tables with quotas on.
void QuotasManagerLoadTest::oneRecordRequestPerLoad()
{
    QFETCH(bool, quotas);
    QFETCH(QString, fsSpec);
    QFETCH(QString, refusal);

    FakeSystem system;
    FakeSystem::Device home = quotaDisk(sdb, quotas, quotas);
    home.fsSpec = fsSpec;
    home.blkidPairs = QStringLiteral("LABEL=\"home\"");
    system.addDevice(home);
    system.addDevice(quotaDisk(sdc, quotas, false));
    system.addDevice(quotaDisk(sdd, false, false));
    system.setRecord(sdb, Users, 1000, record(4096, 8, 16, 5, 0));
    system.setRecord(sdb, Groups, 2000, record(4096, 8, 16, 7, 0));
    QuotasManager manager(system.executor(), system);
    manager.setAccountDirectory(
        [] {
            return directoryUsers(2);
        },
        [] {
            return directoryGroups(2);
        });
    const auto commands = [&system] {
        QStringList sent;
        for (const FakeSystem::Call &call : std::as_const(system.calls)) {
            sent.append(call.command);
        }
        return sent;
    };

    if (!refusal.isEmpty()) {
        system.failNext(QStringLiteral("get_quota_tables"), refusal);
        try {
            manager.update();
            QFAIL("a refused first request must fail the load");
        } catch (const std::runtime_error &error) {
            QCOMPARE(QString::fromUtf8(error.what()), refusal);
        }
        QCOMPARE(commands(), QStringList{QStringLiteral("get_quota_tables")});
        QVERIFY(manager.userSettings().isEmpty());
        // Nothing was kept of it: the next load asks the same way again.
        system.calls.clear();
    }

    manager.update();
    QCOMPARE(commands(), QStringList{QStringLiteral("get_quota_tables")});
    const QVariantMap first = system.calls.first().arguments;
    QVERIFY(first.value(QStringLiteral("with_blkid_data")).toBool());
    const QStringList named{fsSpec, sdc, sdd};
    QCOMPARE(first.value(QStringLiteral("user_devices")).toStringList(), named);
    QCOMPARE(first.value(QStringLiteral("group_devices")).toStringList(), named);

    const MemberQuotaData user = memberNamed(manager.userSettings(), QStringLiteral("user0"))->devicesQuota().value(sdb);
    const MemberQuotaData group = memberNamed(manager.groupSettings(), QStringLiteral("group0"))->devicesQuota().value(sdb);
    QVERIFY(user.isKnown() && group.isKnown());
    QCOMPARE(user.softFilesLimit(), quotas ? 5 : 0);
    QCOMPARE(group.softFilesLimit(), quotas ? 7 : 0);
    QCOMPARE(QStringList(manager.quotaStorages().keys()), (QStringList{sdb, sdc, sdd}));
    QCOMPARE(manager.quotaStorages().value(sdb)->usersData().quotaSupportOn(), quotas);

    // The reload knows the devices: only the tables with quotas on.
    system.calls.clear();
    manager.update();
    QCOMPARE(system.calls.size(), quotas ? 1 : 0);
    if (quotas) {
        const QVariantMap reload = system.calls.first().arguments;
        QVERIFY(!reload.contains(QStringLiteral("with_blkid_data")));
        QCOMPARE(reload.value(QStringLiteral("user_devices")).toStringList(), (QStringList{sdb, sdc}));
        QCOMPARE(reload.value(QStringLiteral("group_devices")).toStringList(), QStringList{sdb});
    }
    QCOMPARE(memberNamed(manager.userSettings(), QStringLiteral("user0"))->devicesQuota().value(sdb).softFilesLimit(), quotas ? 5 : 0);
}

QTEST_GUILESS_MAIN(QuotasManagerLoadTest)

#include "quotasmanagerloadtest.moc"
