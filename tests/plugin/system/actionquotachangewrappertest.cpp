// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/system/actionquotachangewrapper.h"
#include "plugin/system/devicedatainformation.h"

#include <QTest>

#include <functional>
#include <stdexcept>

using Setter = std::function<bool(ActionQuotaChangeWrapper &)>;
Q_DECLARE_METATYPE(Setter)

class ActionQuotaChangeWrapperTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requests_data();
    void requests();
    void failureThrowsAndResets();
};

void ActionQuotaChangeWrapperTest::requests_data()
{
    QTest::addColumn<Setter>("setter");
    QTest::addColumn<QVariantMap>("expected");

    QTest::newRow("device options") << Setter([](ActionQuotaChangeWrapper &w) {
        return w.setDeviceOptions(QStringLiteral("/dev/sdb1"), {QStringLiteral("defaults"), QStringLiteral("usrquota")});
    }) << QVariantMap{{"set_device_options", QVariant()}, {"device_name", "/dev/sdb1"}, {"options", QStringList{"defaults", "usrquota"}}};
    QTest::newRow("quota file for groups") << Setter([](ActionQuotaChangeWrapper &w) {
        return w.createQuotaFile(QStringLiteral("/dev/sdb1"), Groups);
    }) << QVariantMap{{"create_quota_file", QVariant()}, {"device_name", "/dev/sdb1"}, {"type", 1}};
    QTest::newRow("remount") << Setter([](ActionQuotaChangeWrapper &w) {
        return w.remountDevice(QStringLiteral("/dev/sdb1"));
    }) << QVariantMap{{"remount_device", QVariant()}, {"device_name", "/dev/sdb1"}};
    QTest::newRow("group quotas on, enable as a boolean") << Setter([](ActionQuotaChangeWrapper &w) {
        return w.enableDeviceQuota(QStringLiteral("/dev/sdb1"), Groups, true);
    }) << QVariantMap{{"enable_device_quota", QVariant()}, {"device_name", "/dev/sdb1"}, {"type", 1}, {"enable", true}};
    QTest::newRow("one week of block grace") << Setter([](ActionQuotaChangeWrapper &w) {
        DeviceDataInformation data;
        data.setDeviceName(QStringLiteral("/dev/sdc1"));
        GraceTimePeriod period;
        period.blockGrace.weeks = 1;
        period.inodeGrace.hours = 2;
        period.inodeGrace.minutes = 1;
        data.setGraceTimePeriod(period);
        return w.setDeviceGracePeriod(data, Users);
    })
                                             << QVariantMap{{"set_device_grace_period", QVariant()},
                                                            {"device_name", "/dev/sdc1"},
                                                            {"type", 0},
                                                            {"bgrace", quint64(604800)},
                                                            {"igrace", quint64(7260)}};
    ProxyQuotaData record;
    record.dqb_bsoftlimit = 10;
    record.dqb_valid = 5;
    ProxyQuotaData::registerMetaType();
    QTest::newRow("quota record") << Setter([record](ActionQuotaChangeWrapper &w) {
        return w.setProxyData(QStringLiteral("/dev/sdb1"), 1001, record, Users);
    }) << QVariantMap{{"set_quota_info", QVariant()}, {"device_name", "/dev/sdb1"}, {"id", 1001}, {"info", QVariant::fromValue(record)}, {"type", 0}};
}

void ActionQuotaChangeWrapperTest::requests()
{
    QFETCH(Setter, setter);
    QFETCH(QVariantMap, expected);

    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    system.addDevice(disk);
    disk.path = QStringLiteral("/dev/sdc1");
    system.addDevice(disk);
    ActionQuotaChangeWrapper wrapper(system.executor());
    QVERIFY(setter(wrapper));
    // A second request carries only its own keys.
    QVERIFY(setter(wrapper));

    QCOMPARE(system.calls.size(), 2);
    for (const FakeSystem::Call &call : std::as_const(system.calls)) {
        QCOMPARE(call.action, QStringLiteral("change"));
        QVariantMap arguments = call.arguments;
        QVERIFY(arguments.contains(QStringLiteral("languages")));
        QVERIFY(arguments.contains(QStringLiteral("lcmessages")));
        arguments.remove(QStringLiteral("languages"));
        arguments.remove(QStringLiteral("lcmessages"));
        QCOMPARE(arguments.keys(), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QCOMPARE(arguments.value(it.key()).userType(), it.value().userType());
            QCOMPARE(arguments.value(it.key()), it.value());
        }
    }
    QCOMPARE(system.timeouts, (QList<int>{HelperActionExecutor::ChangeTimeoutMs, HelperActionExecutor::ChangeTimeoutMs}));
    QVERIFY(HelperActionExecutor::ChangeTimeoutMs >= 60 * 60 * 1000);
}

void ActionQuotaChangeWrapperTest::failureThrowsAndResets()
{
    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    system.addDevice(disk);
    ActionQuotaChangeWrapper wrapper(system.executor());

    system.failNext(QStringLiteral("set_device_options"), QStringLiteral("Gerät /dev/sdb1 nicht in /etc/fstab"));
    try {
        wrapper.setDeviceOptions(disk.path, {QStringLiteral("usrquota")});
        QFAIL("a failed request must throw");
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Gerät /dev/sdb1 nicht in /etc/fstab"));
    }
    system.failNext(QStringLiteral("remount_device"), QString());
    QVERIFY_EXCEPTION_THROWN(wrapper.remountDevice(disk.path), std::runtime_error);

    QVERIFY(wrapper.remountDevice(disk.path));
    QStringList keys = system.calls.last().arguments.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{"device_name", "languages", "lcmessages", "remount_device"}));
}

QTEST_GUILESS_MAIN(ActionQuotaChangeWrapperTest)

#include "actionquotachangewrappertest.moc"
