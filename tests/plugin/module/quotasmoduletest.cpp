// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "common/helperid.h"
#include "platform/kcm/accessauthorizer.h"
#include "platform/kcm/messagesmanager.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/module/quotasmodule.h"
#include "plugin/ui/quotasettingswidget.h"
#include "plugin/ui/systemreboot.h"

#include <KMessageWidget>

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString applied = QStringLiteral("Changes applied successfully");
const QString withErrors = QStringLiteral("Applying changes occurred with errors.");
const QString noKernelSupport = QStringLiteral("The module cannot be managed because there is no support for quotas in the kernel.");

// The simulated machine, plus the two requests only the module and the
// notification tab make.
class ModuleSystem : public FakeSystem
{
public:
    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
    {
        if (arguments.contains(QStringLiteral("check_support_kernel"))) {
            ++kernelChecks;
            Result result;
            result.succeeded = kernelSupport;
            return result;
        }
        if (actionName == setNotificationsActionName()) {
            ++notificationWrites;
            Result result;
            result.succeeded = !notificationsFail;
            if (notificationsFail) {
                result.errorText = QStringLiteral("Can'n create %1 file").arg(arguments.value(QStringLiteral("write_conf_file")).toString());
            }
            return result;
        }
        return FakeSystem::execute(actionName, arguments, timeoutMs);
    }

    bool kernelSupport = true;
    bool notificationsFail = false;
    int kernelChecks = 0;
    int notificationWrites = 0;
};

class Authorizer : public KCMGP::AccessAuthorizer
{
public:
    Authorizer()
    {
        setInstance(this);
    }
    ~Authorizer() override
    {
        setInstance(nullptr);
    }
    bool isAuthorized(const QString &, const QString &) override
    {
        return true;
    }
    bool authorize(const QString &, const QString &) override
    {
        return true;
    }
};

class NoReboot : public SystemReboot
{
public:
    NoReboot()
    {
        setInstance(this);
    }
    ~NoReboot() override
    {
        setInstance(nullptr);
    }
    bool confirm() override
    {
        return false;
    }
    void runTool(const QString &, const QStringList &, const QProcessEnvironment &, int) override
    {
    }
};

struct Message {
    QString text;
    int type;
    QString details;
};

// The panel's own messages; the notification tab's complaints about
// configuration files missing on the test machine are left out.
QList<Message> messages(QuotasModule &module)
{
    QList<Message> result;
    const auto widgets = module.messagesManager()->messages();
    for (const KMessageWidget *widget : widgets) {
        const QString text = widget->property("summary").toString();
        if (!text.startsWith(QLatin1String("Can'n open"))) {
            result.append({text, int(widget->messageType()), widget->property("details").toString()});
        }
    }
    return result;
}

bool hasMessage(QuotasModule &module, const QString &text, int type)
{
    const auto shown = messages(module);
    return std::any_of(shown.begin(), shown.end(), [&](const Message &m) {
        return m.text == text && m.type == type;
    });
}

QString detailsOf(QuotasModule &module, const QString &text)
{
    const auto shown = messages(module);
    for (const Message &m : shown) {
        if (m.text == text) {
            return m.details;
        }
    }
    return QString();
}

int changedToTrue(const QSignalSpy &spy)
{
    int count = 0;
    for (const auto &arguments : spy) {
        count += arguments.at(0).toBool() ? 1 : 0;
    }
    return count;
}
}

class QuotasModuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void preparationFailures_data();
    void preparationFailures();
    void memberEdit_data();
    void memberEdit();
    void limitsForMany_data();
    void limitsForMany();
    void generalApply_data();
    void generalApply();
    void failingNotificationsDoNotStopGeneralSettings();
    void reloadShowsTheLoadedStateAgain();

private:
    std::unique_ptr<QuotasModule> prepared();
    void editGeneralTab(QuotasModule &module);

    std::unique_ptr<ModuleSystem> m_system;
    std::unique_ptr<Authorizer> m_authorizer;
    std::unique_ptr<NoReboot> m_reboot;
};

void QuotasModuleTest::init()
{
    // The tabs keep their columns in the user's configuration: not the
    // real one of whoever runs the tests.
    QStandardPaths::setTestModeEnabled(true);
    m_system = std::make_unique<ModuleSystem>();
    m_authorizer = std::make_unique<Authorizer>();
    m_reboot = std::make_unique<NoReboot>();
    FakeSystem::Device disk;
    disk.path = sdb;
    disk.fsSpec = sdb;
    disk.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
    disk.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    disk.quotaOn[Users] = true;
    m_system->addDevice(disk);
    m_system->createQuotaFile(sdb, Users);
}

void QuotasModuleTest::cleanup()
{
    m_reboot.reset();
    m_authorizer.reset();
    m_system.reset();
}

std::unique_ptr<QuotasModule> QuotasModuleTest::prepared()
{
    auto module = std::make_unique<QuotasModule>(nullptr, QVariantList());
    module->load();
    return module;
}

void QuotasModuleTest::editGeneralTab(QuotasModule &module)
{
    const auto boxes = module.findChildren<QGroupBox *>();
    for (QGroupBox *box : boxes) {
        if (box->title() == QLatin1String("Group quota support")) {
            box->setChecked(true);
            Q_EMIT box->clicked(true);
            return;
        }
    }
    QFAIL("no group quota box");
}

void QuotasModuleTest::preparationFailures_data()
{
    QTest::addColumn<bool>("kernelSupport");
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QString>("message");

    QTest::newRow("no kernel support") << false << QString() << true << noKernelSupport;
    QTest::newRow("block devices cannot be listed") << true << "get_data" << true << "blkid failed";
}

void QuotasModuleTest::preparationFailures()
{
    QFETCH(bool, kernelSupport);
    QFETCH(QString, failCommand);
    QFETCH(bool, mounted);
    QFETCH(QString, message);

    m_system->kernelSupport = kernelSupport;
    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, QStringLiteral("blkid failed"));
    }
    m_system->device(sdb).mounted = mounted;
    m_system->writeTables();

    QuotasModule module(nullptr, {});
    QCOMPARE(m_system->kernelChecks, 0);
    module.load();

    QStringList shown;
    for (const Message &m : messages(module)) {
        shown.append(m.text);
    }
    QVERIFY2(hasMessage(module, message, KMessageWidget::Error), qPrintable(shown.join(QLatin1Char('|'))));
    QVERIFY(!module.findChild<QTabWidget *>() || !module.findChild<QuotaSettingsWidget *>());
    if (!kernelSupport) {
        // Nothing of the system was read.
        QCOMPARE(m_system->count(QStringLiteral("get_data")), 0);
        QCOMPARE(m_system->count(QStringLiteral("get_quota_info")), 0);
    }

    // Unprepared: the next load starts over, with the kernel check.
    m_system->kernelSupport = true;
    m_system->device(sdb).mounted = true;
    m_system->writeTables();
    module.load();
    QCOMPARE(m_system->kernelChecks, 2);
    QVERIFY(module.findChild<QuotaSettingsWidget *>());
    QCOMPARE(module.findChildren<QTabWidget *>().size(), 1);
}

void QuotasModuleTest::memberEdit_data()
{
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("details");

    QTest::newRow("limits written") << QString() << applied << int(KMessageWidget::Positive) << QString();
    QTest::newRow("the helper refuses the limits") << "set_quota_info" << withErrors << int(KMessageWidget::Error) << "no such user";
}

void QuotasModuleTest::memberEdit()
{
    QFETCH(QString, failCommand);
    QFETCH(QString, message);
    QFETCH(int, type);
    QFETCH(QString, details);

    auto module = prepared();
    QSignalSpy changed(module.get(), qOverload<bool>(&KCModule::changed));
    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, details);
    }

    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setDeviceQuotaIsOn(true);
    data.setHardFilesLimit(50);
    SettingsDeviceQuota member({QStringLiteral("nobody"), 65534, false}, {{sdb, data}}, Users);
    QuotaSettingsWidget *usersTab = nullptr;
    const auto tabs = module->findChildren<QuotaSettingsWidget *>();
    QCOMPARE(tabs.size(), 2);
    usersTab = tabs.first();
    Q_EMIT usersTab->settingsChanged(member);
    QCoreApplication::processEvents();

    QVERIFY(hasMessage(*module, message, type));
    QCOMPARE(detailsOf(*module, message), details);
    QCOMPARE(m_system->count(QStringLiteral("set_quota_info")), 1);
    // Applied at once: the host's Apply is not involved.
    QCOMPARE(changedToTrue(changed), 0);
}

void QuotasModuleTest::limitsForMany_data()
{
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("details");

    QTest::newRow("limits written for both") << QString() << applied << int(KMessageWidget::Positive) << QString();
    QTest::newRow("the helper refuses the first: named, the second applied")
        << "set_quota_info" << withErrors << int(KMessageWidget::Error) << "The limits of 1 member were not set:\nnobody: no such user";
}

void QuotasModuleTest::limitsForMany()
{
    QFETCH(QString, failCommand);
    QFETCH(QString, message);
    QFETCH(int, type);
    QFETCH(QString, details);

    auto module = prepared();
    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, QStringLiteral("no such user"));
    }
    SettingsDeviceQuota nobody({QStringLiteral("nobody"), 65534, false}, {}, Users);
    SettingsDeviceQuota anna({QStringLiteral("anna"), 1001, false}, {}, Users);
    MemberQuotaData limits;
    limits.setHardFilesLimit(50);
    const auto tabs = module->findChildren<QuotaSettingsWidget *>();
    QCOMPARE(tabs.size(), 2);
    Q_EMIT tabs.first()->limitsChangedForMany({&nobody, &anna}, sdb, limits);
    QCoreApplication::processEvents();

    QVERIFY(hasMessage(*module, message, type));
    QCOMPARE(detailsOf(*module, message), details);
    QCOMPARE(m_system->count(QStringLiteral("set_quota_info")), 2);
    QCOMPARE(m_system->record(sdb, Users, 1001).dqb_ihardlimit, quint64(50));
}

void QuotasModuleTest::generalApply_data()
{
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("stillPending");

    QTest::newRow("applied") << QString() << applied << int(KMessageWidget::Positive) << false;
    QTest::newRow("the fstab rewrite fails") << "set_device_options" << withErrors << int(KMessageWidget::Error) << true;
}

void QuotasModuleTest::generalApply()
{
    QFETCH(QString, failCommand);
    QFETCH(QString, message);
    QFETCH(int, type);
    QFETCH(bool, stillPending);

    auto module = prepared();
    QSignalSpy changed(module.get(), qOverload<bool>(&KCModule::changed));
    editGeneralTab(*module);
    QCOMPARE(changedToTrue(changed), 1);

    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, QStringLiteral("fstab is read-only"));
    }
    const int before = m_system->count(QStringLiteral("set_device_options"));
    module->save();
    QVERIFY(m_system->count(QStringLiteral("set_device_options")) > before);
    QVERIFY(hasMessage(*module, message, type));
    if (stillPending) {
        QCOMPARE(detailsOf(*module, message), QStringLiteral("fstab is read-only"));
    }

    // A failed part is marked as changed again once the host is done.
    changed.clear();
    QCoreApplication::processEvents();
    QCOMPARE(changedToTrue(changed), stillPending ? 1 : 0);

    // A second Apply repeats only what is still pending.
    const int calls = m_system->calls.size();
    module->save();
    QCOMPARE(m_system->calls.size() > calls, stillPending);
}

void QuotasModuleTest::failingNotificationsDoNotStopGeneralSettings()
{
    auto module = prepared();
    editGeneralTab(*module);
    auto config = module->findChild<QPlainTextEdit *>(QStringLiteral("warnQuotaConfText"));
    QVERIFY(config);
    config->insertPlainText(QStringLiteral("MAIL_CMD = \"/bin/true\"\n"));
    m_system->notificationsFail = true;

    QSignalSpy changed(module.get(), qOverload<bool>(&KCModule::changed));
    const int before = m_system->count(QStringLiteral("set_device_options"));
    module->save();
    QVERIFY(m_system->notificationWrites > 0);
    QVERIFY(m_system->count(QStringLiteral("set_device_options")) > before);
    QVERIFY(hasMessage(*module, applied, KMessageWidget::Positive));
    const auto shown = messages(*module);
    QVERIFY(std::any_of(shown.begin(), shown.end(), [](const Message &m) {
        return m.text.startsWith(QLatin1String("Can'n create")) && m.type == KMessageWidget::Error;
    }));
    changed.clear();
    QCoreApplication::processEvents();
    QCOMPARE(changedToTrue(changed), 1);

    // The notifications are still pending, the general settings are not.
    m_system->notificationsFail = false;
    const int writes = m_system->notificationWrites;
    const int deviceCalls = m_system->count(QStringLiteral("set_device_options"));
    module->save();
    QVERIFY(m_system->notificationWrites > writes);
    QCOMPARE(m_system->count(QStringLiteral("set_device_options")), deviceCalls);
}

void QuotasModuleTest::reloadShowsTheLoadedStateAgain()
{
    auto module = prepared();
    editGeneralTab(*module);
    const int checks = m_system->kernelChecks;
    const int reads = m_system->count(QStringLiteral("get_data"));

    module->load();
    // A reload refills the tabs from memory: no kernel check, no reads.
    QCOMPARE(m_system->kernelChecks, checks);
    QCOMPARE(m_system->count(QStringLiteral("get_data")), reads);
    const auto boxes = module->findChildren<QGroupBox *>();
    for (QGroupBox *box : boxes) {
        if (box->title() == QLatin1String("Group quota support")) {
            QVERIFY(!box->isChecked());
        }
    }
    // The edit is still pending for Apply, which now applies the state shown.
    module->messagesManager()->clearMessages();
    module->save();
    QVERIFY(hasMessage(*module, applied, KMessageWidget::Positive));

    // Defaults changes nothing.
    const int calls = m_system->calls.size();
    module->defaults();
    QCOMPARE(m_system->calls.size(), calls);
}

QTEST_MAIN(QuotasModuleTest)

#include "quotasmoduletest.moc"
