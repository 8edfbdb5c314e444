// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/policykitquotas.h"
#include "common/proxyquotadata.h"
#include "tests/helper/fakeaudittrail.h"
#include "tests/helper/fakefilesystem.h"
#include "tests/helper/fakefoldertree.h"
#include "tests/helper/fakeprocessrunner.h"
#include "tests/helper/fakequotakernel.h"

#include <KLocalizedString>

#include <QTest>

#include <clocale>
#include <libintl.h>
#include <string>

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

// Whether gettext follows LANGUAGE under C.UTF-8, the helper's locale when
// the caller's one is not installed. glibc 2.36 does; later ones (2.41 of
// Debian 13) treat C.UTF-8 like plain C and answer untranslated there.
bool translatesUnderCUtf8()
{
    const QByteArray locale = std::setlocale(LC_ALL, nullptr);
    const bool languageSet = qEnvironmentVariableIsSet("LANGUAGE");
    const QByteArray language = qgetenv("LANGUAGE");
    std::setlocale(LC_ALL, "C.UTF-8");
    qputenv("LANGUAGE", "de");
    bindtextdomain("velun_kcm_quotas", KCMQ_LOCALE_BUILD_DIR);
    const char *const message = "No arguments.";
    const bool translated = qstrcmp(dgettext("velun_kcm_quotas", message), message) != 0;
    if (languageSet) {
        qputenv("LANGUAGE", language);
    } else {
        qunsetenv("LANGUAGE");
    }
    std::setlocale(LC_ALL, locale.constData());
    return translated;
}

// A row expecting a translated answer under C.UTF-8 where the C library
// cannot give one (see above).
bool untranslatable(const KAuth::ActionReply &reply, const QString &error, const QByteArray &lcAll)
{
    return reply.errorDescription() != error && lcAll == QByteArray("C.UTF-8") && !translatesUnderCUtf8();
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
        QTest::addColumn<bool>("moduleLoaded");
        QTest::addColumn<bool>("supported");

        const QVariantMap check{{QStringLiteral("check_support_kernel"), QVariant()}};
        QVariantMap checkAndData = check;
        checkAndData.insert(QStringLiteral("get_data"), QVariant());
        ProcessResult crashed = FakeProcessRunner::result(0);
        crashed.crashed = true;
        const ProcessResult unknown = FakeProcessRunner::result(1, "modinfo: ERROR: Module quota_v2 not found.\n");
        QTest::newRow("module known") << check << FakeProcessRunner::result(0) << false << true;
        QTest::newRow("module unknown") << check << unknown << false << false;
        QTest::newRow("modinfo missing") << check << ProcessResult() << false << false;
        QTest::newRow("modinfo crashed") << check << crashed << false << false;
        QTest::newRow("check wins over another read") << checkAndData << FakeProcessRunner::result(0) << false << true;
        // Loaded: in use, whatever modinfo would say of the module file.
        QTest::newRow("module loaded") << check << unknown << true << true;
    }

    void kernelSupportCheck()
    {
        QFETCH(QVariantMap, args);
        QFETCH(ProcessResult, modinfo);
        QFETCH(bool, moduleLoaded);
        QFETCH(bool, supported);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        processes.results.insert(QStringLiteral("/usr/sbin/modinfo"), modinfo);
        if (moduleLoaded) {
            files.kinds.insert(QStringLiteral("/sys/module/quota_v2"), FileSystem::Directory);
        }
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);

        const KAuth::ActionReply reply = helper.access(args);
        QCOMPARE(reply.failed(), !supported);
        QCOMPARE(reply.errorDescription(), QString());
        QVERIFY(reply.data().isEmpty());
        if (moduleLoaded) {
            QVERIFY(processes.calls.isEmpty());
            return;
        }
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
        QTest::newRow("change attaches nothing") << Change << "set_quota_info" << 0 << QStringList();
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
        files.blockDevices.insert(disk);
        files.files.insert(QStringLiteral("/etc/fstab"), "/dev/sdb1 /home ext4 defaults 0 2\n");
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);

        const KAuth::ActionReply reply = call(helper, slot, {{key, QVariant()}, {QStringLiteral("device_name"), disk}});
        QCOMPARE(reply.failed(), kernelError != 0);
        QCOMPARE(reply.data().keys(), dataKeys);
        if (kernelError != 0) {
            QCOMPARE(reply.type(), KAuth::ActionReply::HelperErrorType);
            QCOMPARE(reply.errorDescription(), QStringLiteral("No disk map was found for the specified user. Quota turned off in file system"));
        }
    }

    void requestsOfEachAction_data()
    {
        QTest::addColumn<Slot>("slot");
        QTest::addColumn<QStringList>("keys");
        // The key the refusal names; empty when the request is the action's.
        QTest::addColumn<QString>("refused");

        for (const char *key : {"check_support_kernel", "get_data", "get_quota_info", "get_all_quota_info", "get_quota_tables"}) {
            QTest::addRow("access: %s", key) << Access << QStringList{QString::fromLatin1(key)} << QString();
        }
        for (const char *key : {"set_device_options",
                                "enable_device_quota",
                                "create_quota_file",
                                "remount_device",
                                "set_device_grace_period",
                                "set_quota_info",
                                "set_folder_project",
                                "clear_folder_project",
                                "add_project_entry",
                                "remove_project_entry"}) {
            QTest::addRow("access refuses %s", key) << Access << QStringList{QString::fromLatin1(key)} << QString::fromLatin1(key);
            QTest::addRow("change: %s", key) << Change << QStringList{QString::fromLatin1(key)} << QString();
        }
        QTest::newRow("change: get_quota_info") << Change << QStringList{QStringLiteral("get_quota_info")} << QString();
        for (const char *key : {"check_support_kernel", "get_data", "get_all_quota_info", "get_quota_tables"}) {
            QTest::addRow("change refuses %s", key) << Change << QStringList{QString::fromLatin1(key)} << QString::fromLatin1(key);
        }
        QTest::newRow("a change hidden behind a read")
            << Access << QStringList{QStringLiteral("get_data"), QStringLiteral("remount_device")} << "remount_device";
        QTest::newRow("a change behind the kernel check")
            << Access << QStringList{QStringLiteral("check_support_kernel"), QStringLiteral("set_quota_info")} << "set_quota_info";
        QTest::newRow("a read behind a change") << Change << QStringList{QStringLiteral("set_quota_info"), QStringLiteral("get_data")} << "get_data";
    }

    void requestsOfEachAction()
    {
        QFETCH(Slot, slot);
        QFETCH(QStringList, keys);
        QFETCH(QString, refused);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        FakeAuditTrail audit;
        files.blockDevices.insert(disk);
        files.files.insert(QStringLiteral("/etc/fstab"), "/dev/sdb1 /home ext4 defaults 0 2\n");
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        QVariantMap args{{QStringLiteral("device_name"), disk},
                         {QStringLiteral("options"), QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")}}};
        for (const QString &key : std::as_const(keys)) {
            args.insert(key, QVariant());
        }
        const KAuth::ActionReply reply = call(helper, slot, args);
        const QString action = slot == Access ? QStringLiteral("org.velun.kcm.quotas.access") : QStringLiteral("org.velun.kcm.quotas.change");
        const QString message = QStringLiteral("The request %1 is not part of the action %2").arg(refused, action);
        if (refused.isEmpty()) {
            QVERIFY(reply.errorDescription() != message);
            return;
        }
        QCOMPARE(reply.errorDescription(), message);
        QVERIFY(kernel.calls.isEmpty());
        QVERIFY(processes.calls.isEmpty());
        QVERIFY(files.replaced.isEmpty());
        QCOMPARE(audit.lines.size(), 1);
        QVERIFY(audit.lines.first().startsWith(QStringLiteral("refused: ")));
    }

    void auditTrail_data()
    {
        QTest::addColumn<Slot>("slot");
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<int>("kernelError");
        QTest::addColumn<QStringList>("lines");

        ProxyQuotaData limits;
        limits.dqb_bsoftlimit = 100;
        limits.dqb_bhardlimit = 200;
        limits.dqb_valid = QIF_BLIMITS;
        const QVariantMap setRecord{{QStringLiteral("set_quota_info"), QVariant()},
                                    {QStringLiteral("device_name"), disk},
                                    {QStringLiteral("id"), 1001},
                                    {QStringLiteral("info"), QVariant::fromValue(limits)}};
        const QString prefix;
        QTest::newRow("limit change")
            << Change << setRecord << 0
            << QStringList{QStringLiteral("done: ") + prefix
                           + QStringLiteral("action=org.velun.kcm.quotas.change request=set_quota_info device=/dev/sdb1 type=0 id=1001 "
                                            "old_limits=bsoft:1,bhard:2,isoft:3,ihard:4 new_limits=bsoft:100,bhard:200,isoft:0,ihard:0 result=done")};
        QTest::newRow("failed change") << Change << setRecord << int(ESRCH)
                                       << QStringList{QStringLiteral("refused: ") + prefix
                                                      + QStringLiteral(
                                                          "action=org.velun.kcm.quotas.change request=set_quota_info device=/dev/sdb1 type=0 id=1001 "
                                                          "old_limits=unknown new_limits=bsoft:100,bhard:200,isoft:0,ihard:0 result=refused reason=\"No disk "
                                                          "map was found for the specified user. Quota turned off in file system\"")};
        QTest::newRow("a read is not recorded") << Access << QVariantMap{{QStringLiteral("get_quota_info"), QVariant()}, {QStringLiteral("device_name"), disk}}
                                                << 0 << QStringList();
        QTest::newRow("a refused read is")
            << Access << QVariantMap{{QStringLiteral("get_quota_info"), QVariant()}, {QStringLiteral("device_name"), QStringLiteral("/tmp/x\ny")}} << 0
            << QStringList{QStringLiteral("refused: ") + prefix
                           + QStringLiteral("action=org.velun.kcm.quotas.access request=get_quota_info device=/tmp/x\ny result=refused "
                                            "reason=\"Device /tmp/x\ny is not a block device\"")};
        QTest::newRow("a read without a device") << Access << QVariantMap{{QStringLiteral("get_quota_info"), QVariant()}, {QStringLiteral("id"), 0}} << 0
                                                 << QStringList{QStringLiteral("refused: action=org.velun.kcm.quotas.access request=get_quota_info device= "
                                                                               "result=refused reason=\"Device  is not a block device\"")};
        QTest::newRow("a recorded folder") << Change
                                           << QVariantMap{{QStringLiteral("add_project_entry"), QVariant()},
                                                          {QStringLiteral("id"), 42},
                                                          {QStringLiteral("project_name"), QStringLiteral("alpha")},
                                                          {QStringLiteral("folder"), QStringLiteral("/home/alpha")}}
                                           << 0
                                           << QStringList{QStringLiteral("done: action=org.velun.kcm.quotas.change request=add_project_entry project=42 "
                                                                         "name=alpha folder=/home/alpha result=done")};
        QTest::newRow("a folder given its project") << Change
                                                    << QVariantMap{{QStringLiteral("set_folder_project"), QVariant()},
                                                                   {QStringLiteral("device_name"), disk},
                                                                   {QStringLiteral("id"), 42},
                                                                   {QStringLiteral("folder"), QStringLiteral("/home/alpha")}}
                                                    << 0
                                                    << QStringList{QStringLiteral("done: action=org.velun.kcm.quotas.change request=set_folder_project "
                                                                                  "device=/dev/sdb1 folder=/home/alpha project=42 changed=0 failed=0 "
                                                                                  "other_mounts=0 result=done")};
        QTest::newRow("a written file")
            << SetNotifications
            << QVariantMap{{QStringLiteral("write_conf_file"), QStringLiteral("/etc/warnquota.conf")},
                           {QStringLiteral("text"), QStringLiteral("MAIL_CMD = /bin/true")}}
            << 0
            << QStringList{QStringLiteral("done: ") + prefix
                           + QStringLiteral("action=org.velun.kcm.quotas.setnotifications request=write_conf_file file=/etc/warnquota.conf result=done")};
    }

    void auditTrail()
    {
        QFETCH(Slot, slot);
        QFETCH(QVariantMap, args);
        QFETCH(int, kernelError);
        QFETCH(QStringList, lines);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        FakeAuditTrail audit;
        files.blockDevices.insert(disk);
        files.files.insert(QStringLiteral("/etc/fstab"), "/dev/sdb1 /home ext4 defaults 0 2\n");
        files.files.insert(QStringLiteral("/bin/true"), QByteArray());
        files.permissions.insert(QStringLiteral("/bin/true"), 0755);
        files.mountPoints.insert(disk, QStringLiteral("/home"));
        kernel.record = {2, 1, 0, 4, 3, 0, 0, 0, QIF_ALL};
        kernel.error = kernelError;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        call(helper, slot, args);
        QCOMPARE(audit.lines, lines);
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
        QTest::newRow("German without a device") << Access << QVariantMap{{QStringLiteral("get_quota_info"), QVariant()}} << QStringList{QStringLiteral("de")}
                                                 << "Gerät  ist kein Blockgerät";
        QTest::newRow("English without a device") << Access << QVariantMap{{QStringLiteral("get_quota_info"), QVariant()}}
                                                  << QStringList{QStringLiteral("en_US")} << "Device  is not a block device";
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
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        args.insert(QStringLiteral("languages"), languages);
        args.insert(QStringLiteral("lcmessages"), QStringLiteral("C.UTF-8"));

        const KAuth::ActionReply reply = call(helper, slot, args);
        QCOMPARE(reply.type(), KAuth::ActionReply::HelperErrorType);
        if (untranslatable(reply, error, qgetenv("LC_ALL"))) {
            QSKIP("this C library ignores LANGUAGE under C.UTF-8");
        }
        QCOMPARE(reply.errorDescription(), error);
        QCOMPARE(qgetenv("LC_ALL"), QByteArray("C.UTF-8"));
    }

    void localeNames_data()
    {
        QTest::addColumn<Slot>("slot");
        QTest::addColumn<QVariant>("languages");
        QTest::addColumn<QString>("lcmessages");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("lcAll");

        const QVariant german(QStringList{QStringLiteral("de")});
        const QString invalid = QStringLiteral("Invalid locale name %1");
        // glibc does not translate under plain C, whatever the languages.
        QTest::newRow("plain C") << Change << german << "C"
                                 << "No arguments." << QByteArray("C");
        QTest::newRow("POSIX") << Access << german << "POSIX"
                               << "No arguments." << QByteArray("POSIX");
        QTest::newRow("locale not installed runs under C.UTF-8") << Change << german << "xx_YY.UTF-8@euro"
                                                                 << "Keine Argumente." << QByteArray("C.UTF-8");
        QTest::newRow("no locale key runs under C.UTF-8") << SetNotifications << german << ""
                                                          << "Keine Argumente." << QByteArray("C.UTF-8");
        QTest::newRow("several languages") << Change << QVariant(QStringList{QStringLiteral("de_AT"), QStringLiteral("de")}) << "C.UTF-8"
                                           << "Keine Argumente." << QByteArray("C.UTF-8");

        QTest::newRow("language as a path") << Change << QVariant(QStringList{QStringLiteral("de"), QStringLiteral("../../../tmp/x")}) << "C.UTF-8"
                                            << invalid.arg(QStringLiteral("../../../tmp/x")) << QByteArray("C.UTF-8");
        QTest::newRow("empty language") << Access << QVariant(QStringList{QString()}) << "C.UTF-8" << invalid.arg(QString()) << QByteArray("C.UTF-8");
        QTest::newRow("language with dot-dot") << SetNotifications << QVariant(QStringList{QStringLiteral("de..x")}) << "C.UTF-8"
                                               << invalid.arg(QStringLiteral("de..x")) << QByteArray("C.UTF-8");
        // The locale is refused in the panel's language.
        QTest::newRow("locale as a path") << Change << german << "/tmp/x"
                                          << "Ungültiger Name einer Locale /tmp/x" << QByteArray("C.UTF-8");
        QTest::newRow("locale with a slash inside") << SetNotifications << german << "de_DE/../../tmp"
                                                    << "Ungültiger Name einer Locale de_DE/../../tmp" << QByteArray("C.UTF-8");
        QTest::newRow("locale of 65 characters") << Access << QVariant(QStringList()) << QString(65, QLatin1Char('a'))
                                                 << invalid.arg(QString(65, QLatin1Char('a'))) << QByteArray("C.UTF-8");
        QTest::newRow("locale with a blank") << Change << QVariant(QStringList()) << "de DE" << invalid.arg(QStringLiteral("de DE")) << QByteArray("C.UTF-8");
    }

    // Each row runs after a request that set a German C.UTF-8 locale, so
    // nothing of that one may linger.
    void localeNames()
    {
        QFETCH(Slot, slot);
        QFETCH(QVariant, languages);
        QFETCH(QString, lcmessages);
        QFETCH(QString, error);
        QFETCH(QByteArray, lcAll);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        helper.change({{QStringLiteral("languages"), QStringList{QStringLiteral("en_US")}}, {QStringLiteral("lcmessages"), QStringLiteral("de_DE.UTF-8")}});

        QVariantMap args{{QStringLiteral("languages"), languages}};
        if (!lcmessages.isEmpty()) {
            args.insert(QStringLiteral("lcmessages"), lcmessages);
        }
        const KAuth::ActionReply reply = call(helper, slot, args);
        QCOMPARE(qgetenv("LC_ALL"), lcAll);
        if (untranslatable(reply, error, lcAll)) {
            QSKIP("this C library ignores LANGUAGE under C.UTF-8");
        }
        QCOMPARE(reply.errorDescription(), error);
        QVERIFY(processes.calls.isEmpty());
        QVERIFY(files.replaced.isEmpty());
    }

    // Where the C library ignores the language list under C.UTF-8, the
    // messages take an installed locale of the first requested language
    // that has one; the rest of the locale stays C.UTF-8.
    void messagesLocale_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("lcmessages");
        QTest::addColumn<QByteArray>("messages");

        QTest::newRow("language alone") << QStringList{QStringLiteral("de")} << "C.UTF-8" << QByteArray("de_DE.UTF-8");
        QTest::newRow("language and country") << QStringList{QStringLiteral("de_DE")} << "" << QByteArray("de_DE.UTF-8");
        QTest::newRow("first language without a locale")
            << QStringList{QStringLiteral("xx"), QStringLiteral("de")} << "xx_YY.UTF-8" << QByteArray("de_DE.UTF-8");
        QTest::newRow("plain C stays C") << QStringList{QStringLiteral("de")} << "C" << QByteArray("C");
    }

    void messagesLocale()
    {
        QFETCH(QStringList, languages);
        QFETCH(QString, lcmessages);
        QFETCH(QByteArray, messages);
        const std::string saved = std::setlocale(LC_ALL, nullptr);
        const bool installed = std::setlocale(LC_MESSAGES, "de_DE.UTF-8") != nullptr;
        std::setlocale(LC_ALL, saved.c_str());
        if (!installed) {
            QSKIP("de_DE.UTF-8 is not installed here");
        }
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        helper.change({{QStringLiteral("languages"), languages}, {QStringLiteral("lcmessages"), lcmessages}});

        QCOMPARE(QByteArray(std::setlocale(LC_MESSAGES, nullptr)), messages);
        QCOMPARE(QByteArray(std::setlocale(LC_CTYPE, nullptr)), lcmessages == QLatin1String("C") ? QByteArray("C") : QByteArray("C.UTF-8"));
    }
};

QTEST_GUILESS_MAIN(PolicyKitQuotasTest)

#include "policykitquotastest.moc"
