// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/policykitquotas.h"
#include "tests/helper/fakefilesystem.h"
#include "tests/helper/fakeprocessrunner.h"
#include "tests/helper/fakequotakernel.h"

#include <KLocalizedString>

#include <QTest>

namespace
{
const QString disk = QStringLiteral("/dev/sdb1");

enum Slot {
    Change,
    Access,
    SetNotifications,
};

KAuth::ActionReply call(PolicyKitQuotas &helper, Slot slot, const QVariantMap &args)
{
    switch (slot) {
    case Change:
        return helper.change(args);
    case Access:
        return helper.access(args);
    case SetNotifications:
        break;
    }
    return helper.setnotifications(args);
}
}

Q_DECLARE_METATYPE(Slot)
Q_DECLARE_METATYPE(ProcessResult)

class PolicyKitQuotasTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        KLocalizedString::addDomainLocaleDir("velun_kcm_quotas", QStringLiteral(KCMQ_LOCALE_BUILD_DIR));
    }

    void cleanup()
    {
        KLocalizedString::clearLanguages();
    }

    void kernelSupportCheck_data()
    {
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<ProcessResult>("modinfo");
        QTest::addColumn<bool>("supported");

        const QVariantMap check{{QStringLiteral("check_support_kernel"), QVariant()}};
        QVariantMap checkAndData = check;
        checkAndData.insert(QStringLiteral("get_data"), QVariant());
        ProcessResult crashed = FakeProcessRunner::result(0);
        crashed.crashed = true;
        QTest::newRow("module known") << check << FakeProcessRunner::result(0) << true;
        QTest::newRow("module unknown") << check << FakeProcessRunner::result(1, "modinfo: ERROR: Module quota_v2 not found.\n") << false;
        QTest::newRow("modinfo missing") << check << ProcessResult() << false;
        QTest::newRow("modinfo crashed") << check << crashed << false;
        QTest::newRow("check wins over another key") << checkAndData << FakeProcessRunner::result(0) << true;
    }

    void kernelSupportCheck()
    {
        QFETCH(QVariantMap, args);
        QFETCH(ProcessResult, modinfo);
        QFETCH(bool, supported);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        processes.results.insert(QStringLiteral("/usr/sbin/modinfo"), modinfo);
        PolicyKitQuotas helper(kernel, processes, files);

        const KAuth::ActionReply reply = helper.access(args);
        QCOMPARE(reply.failed(), !supported);
        QCOMPARE(reply.errorDescription(), QString());
        QVERIFY(reply.data().isEmpty());
        QCOMPARE(processes.calls.size(), 1);
        QCOMPARE(processes.calls.first().program, QStringLiteral("/usr/sbin/modinfo"));
        QCOMPARE(processes.calls.first().arguments, QStringList{QStringLiteral("quota_v2")});
    }

    void replyData_data()
    {
        QTest::addColumn<Slot>("slot");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("kernelError");
        QTest::addColumn<QStringList>("dataKeys");

        QTest::newRow("access returns the record") << Access << "get_quota_info" << 0 << QStringList{QStringLiteral("quota_info")};
        QTest::newRow("change reads but returns nothing") << Change << "get_quota_info" << 0 << QStringList();
        QTest::newRow("access returns blkid lines") << Access << "get_data" << 0 << QStringList{QStringLiteral("blkid_data")};
        QTest::newRow("access without results attaches nothing") << Access << "set_quota_info" << 0 << QStringList();
        QTest::newRow("failed access attaches nothing") << Access << "get_quota_info" << int(ESRCH) << QStringList();
    }

    void replyData()
    {
        QFETCH(Slot, slot);
        QFETCH(QString, key);
        QFETCH(int, kernelError);
        QFETCH(QStringList, dataKeys);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        kernel.error = kernelError;
        PolicyKitQuotas helper(kernel, processes, files);

        const KAuth::ActionReply reply = call(helper, slot, {{key, QVariant()}, {QStringLiteral("device_name"), disk}});
        QCOMPARE(reply.failed(), kernelError != 0);
        QCOMPARE(reply.data().keys(), dataKeys);
        if (kernelError != 0) {
            QCOMPARE(reply.type(), KAuth::ActionReply::HelperErrorType);
            QCOMPARE(reply.errorDescription(), QStringLiteral("No disk map was found for the specified user. Quota turned off in file system"));
        }
    }

    void translatedAnswer_data()
    {
        QTest::addColumn<Slot>("slot");
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("error");

        QTest::newRow("change, English") << Change << QVariantMap() << QStringList{QStringLiteral("en_US")} << "No arguments.";
        QTest::newRow("change, German") << Change << QVariantMap() << QStringList{QStringLiteral("de")} << "Keine Argumente.";
        QTest::newRow("access, German") << Access << QVariantMap() << QStringList{QStringLiteral("de")} << "Keine Argumente.";
        QTest::newRow("notifications, German") << SetNotifications << QVariantMap() << QStringList{QStringLiteral("de")} << "Keine Argumente.";
        QTest::newRow("German with the value filled in")
            << Change << QVariantMap{{QStringLiteral("remount_device"), QVariant()}, {QStringLiteral("device_name"), QStringLiteral("-a")}}
            << QStringList{QStringLiteral("de")} << "Gerät -a ist kein Blockgerät";
    }

    void translatedAnswer()
    {
        QFETCH(Slot, slot);
        QFETCH(QVariantMap, args);
        QFETCH(QStringList, languages);
        QFETCH(QString, error);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        PolicyKitQuotas helper(kernel, processes, files);
        args.insert(QStringLiteral("languages"), languages);
        args.insert(QStringLiteral("lcmessages"), QStringLiteral("C.UTF-8"));

        const KAuth::ActionReply reply = call(helper, slot, args);
        QCOMPARE(reply.type(), KAuth::ActionReply::HelperErrorType);
        QCOMPARE(reply.errorDescription(), error);
        QCOMPARE(qgetenv("LC_ALL"), QByteArray("C.UTF-8"));
    }
};

QTEST_GUILESS_MAIN(PolicyKitQuotasTest)

#include "policykitquotastest.moc"
