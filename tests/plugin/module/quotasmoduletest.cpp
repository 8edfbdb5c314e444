// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "common/helperprotocol.h"
#include "platform/kcm/accessauthorizer.h"
#include "platform/kcm/messagesmanager.h"
#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/module/quotasmodule.h"
#include "plugin/ui/graceperiodswidget.h"
#include "plugin/ui/quotasettingsmodel.h"
#include "plugin/ui/quotasettingswidget.h"
#include "plugin/ui/systemreboot.h"

#include <QTemporaryDir>

#include <KMessageWidget>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");
const QString applied = QStringLiteral("Changes applied successfully");
const QString withErrors = QStringLiteral("Applying changes occurred with errors.");
const QString noKernelSupport = QStringLiteral("The module cannot be managed because there is no support for quotas in the kernel.");

// The simulated machine, plus the two requests only the module and the
// notification tab make.
class ModuleSystem : public FakeSystem
{
public:
    Result answer(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
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
        return FakeSystem::answer(actionName, arguments, timeoutMs);
    }

    bool quotaFormatLoaded() override
    {
        return formatLoaded;
    }

    bool kernelSupport = true;
    bool formatLoaded = false;
    bool notificationsFail = false;
    int kernelChecks = 0;
    int notificationWrites = 0;
};

class Authorizer : public KCMGP::AccessAuthorizer
{
public:
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
    bool confirm() override
    {
        ++questions;
        return false;
    }
    void runTool(const QString &, const QStringList &, const QProcessEnvironment &, int) override
    {
    }

    int questions = 0;
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
    void firstLoadRequests_data();
    void firstLoadRequests();
    void memberEdit_data();
    void memberEdit();
    void limitsForMany_data();
    void limitsForMany();
    void generalApply_data();
    void generalApply();
    void failingNotificationsDoNotStopGeneralSettings();
    void reloadShowsTheLoadedStateAgain();
    void captionLabelsHaveBuddies_data();
    void captionLabelsHaveBuddies();
    void busyWhileTheHelperWorks_data();
    void busyWhileTheHelperWorks();
    void hostCallsWaitForTheRequest_data();
    void hostCallsWaitForTheRequest();
    void hostCallsDuringTheFirstLoad();
    void memberEditKeepsPendingEdits();
    void refreshReadsTheSystemAndKeepsPendingEdits();
    void oneApplyForEveryEditedDevice();
    void rebootQuestionOnlyAfterApply();
    void foldersTab_data();
    void foldersTab();

private:
    ModuleSeams seams();
    std::unique_ptr<QuotasModule> prepared();
    QGroupBox *groupsBox(QuotasModule &module);
    QuotaSettingsWidget *usersTab(QuotasModule &module);
    void editGeneralTab(QuotasModule &module);
    void editGrace(QuotasModule &module, const QString &device, int days);
    void addSecondDevice();
    void fireHostCalls(QuotasModule &module, const QString &calls);

    std::shared_ptr<ModuleSystem> m_system;
    std::shared_ptr<Authorizer> m_authorizer;
    std::shared_ptr<NoReboot> m_reboot;
    // The notification files the panel reads: none of the machine's own.
    std::unique_ptr<QTemporaryDir> m_root;
};

void QuotasModuleTest::init()
{
    // The tabs keep their columns in the user's configuration: not the
    // real one of whoever runs the tests.
    QStandardPaths::setTestModeEnabled(true);
    m_system = std::make_shared<ModuleSystem>();
    m_authorizer = std::make_shared<Authorizer>();
    m_reboot = std::make_shared<NoReboot>();
    m_root = std::make_unique<QTemporaryDir>();
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
    m_root.reset();
}

// The panel on the simulated machine, as the factory builds it on the real
// one; the helper executor lives as long as the machine that answers it.
ModuleSeams QuotasModuleTest::seams()
{
    ModuleSeams seams;
    seams.authorizer = m_authorizer;
    seams.executor = std::shared_ptr<HelperActionExecutor>(m_system, &m_system->executor());
    seams.kernel = m_system;
    seams.reboot = m_reboot;
    seams.notificationsRoot = m_root->path();
    seams.users = [] {
        return QList<UserInfo>{UserInfo(0, QStringLiteral("root"), true), UserInfo(65534, QStringLiteral("nobody"), true)};
    };
    seams.groups = [] {
        return QList<GroupInfo>{GroupInfo(0, QStringLiteral("root"), true), GroupInfo(100, QStringLiteral("users"), false)};
    };
    return seams;
}

std::unique_ptr<QuotasModule> QuotasModuleTest::prepared()
{
    auto module = std::make_unique<QuotasModule>(nullptr, KCMVS::ModuleArguments(), seams());
    module->load();
    return module;
}

QGroupBox *QuotasModuleTest::groupsBox(QuotasModule &module)
{
    auto box = module.widget()->findChild<QGroupBox *>(QStringLiteral("groupsQuotaBox"));
    if (!box || box->title() != QLatin1String("Group quota support")) {
        qFatal("no group quota box");
    }
    return box;
}

QuotaSettingsWidget *QuotasModuleTest::usersTab(QuotasModule &module)
{
    auto tab = module.widget()->findChild<QuotaSettingsWidget *>(QStringLiteral("usersSettings"));
    if (!tab) {
        qFatal("no users tab");
    }
    return tab;
}

void QuotasModuleTest::editGeneralTab(QuotasModule &module)
{
    QGroupBox *box = groupsBox(module);
    box->setChecked(true);
    Q_EMIT box->clicked(true);
}

void QuotasModuleTest::editGrace(QuotasModule &module, const QString &device, int days)
{
    auto devices = module.widget()->findChild<QWidget *>(QStringLiteral("generalWidget"))->findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    devices->setCurrentText(device);
    const auto editors = module.widget()->findChild<QGroupBox *>(QStringLiteral("usersQuotaBox"))->findChildren<GracePeriodsWidget *>();
    const auto editor = std::find_if(editors.cbegin(), editors.cend(), [](const GracePeriodsWidget *candidate) {
        return candidate->id() == UsersMemoryGrace;
    });
    QVERIFY(editor != editors.cend());
    (*editor)->findChild<QSpinBox *>(QStringLiteral("spinBoxDays"))->setValue(days);
}

void QuotasModuleTest::addSecondDevice()
{
    FakeSystem::Device disk;
    disk.path = sdc;
    disk.fsSpec = sdc;
    disk.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")};
    disk.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")};
    disk.quotaOn[Users] = true;
    m_system->addDevice(disk);
    m_system->createQuotaFile(sdc, Users);
}

void QuotasModuleTest::preparationFailures_data()
{
    QTest::addColumn<bool>("kernelSupport");
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QString>("message");

    QTest::newRow("no kernel support") << false << QString() << true << noKernelSupport;
    // The first load's one request lists the block devices.
    QTest::newRow("block devices cannot be listed") << true << "get_quota_tables" << true << "blkid failed";
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

    QuotasModule module(nullptr, {}, seams());
    QCOMPARE(m_system->kernelChecks, 0);
    module.load();

    QStringList shown;
    for (const Message &m : messages(module)) {
        shown.append(m.text);
    }
    QVERIFY2(hasMessage(module, message, KMessageWidget::Error), qPrintable(shown.join(QLatin1Char('|'))));
    QVERIFY(!module.widget()->findChild<QuotaSettingsWidget *>(QStringLiteral("usersSettings")));
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
    QVERIFY(module.widget()->findChild<QuotaSettingsWidget *>(QStringLiteral("usersSettings")));
    QCOMPARE(module.widget()->findChildren<QTabWidget *>(QStringLiteral("tabWidget")).size(), 1);
}

void QuotasModuleTest::firstLoadRequests_data()
{
    QTest::addColumn<bool>("formatLoaded");
    QTest::addColumn<QStringList>("requests");

    const QString tables = QStringLiteral("get_quota_tables");
    QTest::newRow("quota format loaded: no support check") << true << QStringList{tables};
    QTest::newRow("quota format not known: the helper checks") << false << QStringList{QStringLiteral("check_support_kernel"), tables};
}

// Every request of the first load costs an authorisation, the first one
// the helper's start too.
void QuotasModuleTest::firstLoadRequests()
{
    QFETCH(bool, formatLoaded);
    QFETCH(QStringList, requests);
    m_system->formatLoaded = formatLoaded;

    QuotasModule module(nullptr, {}, seams());
    module.load();
    QStringList sent;
    for (const FakeHelperExecutor::Request &request : std::as_const(m_system->executor().requests)) {
        for (const QString &command : {QStringLiteral("check_support_kernel"), QStringLiteral("get_data"), QStringLiteral("get_quota_tables")}) {
            if (request.arguments.contains(command)) {
                sent.append(command);
            }
        }
    }
    QCOMPARE(sent, requests);
    QVERIFY(usersTab(module));
    QVERIFY(!hasMessage(module, noKernelSupport, KMessageWidget::Error));
}

void QuotasModuleTest::memberEdit_data()
{
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("details");

    QTest::newRow("limits written") << QString() << applied << int(KMessageWidget::Positive) << QString();
    // The reason is in the message itself, with the member and the device.
    QTest::newRow("the helper refuses the limits") << "set_quota_info"
                                                   << "The limits of nobody on /dev/sdb1 were not set: no such user" << int(KMessageWidget::Error)
                                                   << "no such user";
}

void QuotasModuleTest::memberEdit()
{
    QFETCH(QString, failCommand);
    QFETCH(QString, message);
    QFETCH(int, type);
    QFETCH(QString, details);

    auto module = prepared();
    QSignalSpy changed(module.get(), &KCMVS::VelunKCModule::pendingChangesChanged);
    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, details);
    }

    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setDeviceQuotaIsOn(true);
    data.setHardFilesLimit(50);
    SettingsDeviceQuota member({QStringLiteral("nobody"), 65534, false}, {{sdb, data}}, Users);
    Q_EMIT usersTab(*module)->settingsChanged(member);
    QCoreApplication::processEvents();

    QVERIFY(hasMessage(*module, message, type));
    QVERIFY(failCommand.isEmpty() || message.endsWith(details));
    QCOMPARE(m_system->count(QStringLiteral("set_quota_info")), 1);
    // Applied at once: the host's Apply is not involved.
    QCOMPARE(changedToTrue(changed), 0);
}

void QuotasModuleTest::limitsForMany_data()
{
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("hardFiles");
    QTest::addColumn<int>("written");

    QTest::newRow("limits written for both") << QString() << applied << int(KMessageWidget::Positive) << 50 << 2;
    QTest::newRow("the helper refuses the first: named, the second applied")
        << "set_quota_info"
        << "The limits of 1 member on /dev/sdb1 were not set:\nnobody: no such user" << int(KMessageWidget::Error) << 50 << 2;
    QTest::newRow("limits they already have: no success claimed")
        << QString() << "Nothing was changed: the limits were already as asked." << int(KMessageWidget::Information) << 0 << 0;
}

void QuotasModuleTest::limitsForMany()
{
    QFETCH(QString, failCommand);
    QFETCH(QString, message);
    QFETCH(int, type);
    QFETCH(int, hardFiles);
    QFETCH(int, written);

    auto module = prepared();
    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, QStringLiteral("no such user"));
    }
    SettingsDeviceQuota nobody({QStringLiteral("nobody"), 65534, false}, {}, Users);
    SettingsDeviceQuota anna({QStringLiteral("anna"), 1001, false}, {}, Users);
    MemberQuotaData limits;
    limits.setHardFilesLimit(hardFiles);
    Q_EMIT usersTab(*module)->limitsChangedForMany({&nobody, &anna}, sdb, limits, AllLimitFields);
    QCoreApplication::processEvents();

    QVERIFY(hasMessage(*module, message, type));
    QVERIFY(!hasMessage(*module, applied, KMessageWidget::Positive) || type == KMessageWidget::Positive);
    QCOMPARE(m_system->count(QStringLiteral("set_quota_info")), written);
    QCOMPARE(m_system->record(sdb, Users, 1001).dqb_ihardlimit, quint64(hardFiles));
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
    QSignalSpy changed(module.get(), &KCMVS::VelunKCModule::pendingChangesChanged);
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
    auto config = module->widget()->findChild<QPlainTextEdit *>(QStringLiteral("warnQuotaConfText"));
    QVERIFY(config);
    config->insertPlainText(QStringLiteral("MAIL_CMD = \"/bin/true\"\n"));
    m_system->notificationsFail = true;

    QSignalSpy changed(module.get(), &KCMVS::VelunKCModule::pendingChangesChanged);
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
    QVERIFY(!groupsBox(*module)->isChecked());
    // Reset took the pending flags with the edits: Apply writes nothing.
    auto config = module->widget()->findChild<QPlainTextEdit *>(QStringLiteral("warnQuotaConfText"));
    config->insertPlainText(QStringLiteral("MAIL_CMD = \"/bin/true\"\n"));
    module->load();
    QVERIFY(config->toPlainText().isEmpty());
    module->messagesManager()->clearMessages();
    const int before = m_system->calls.size();
    module->save();
    QCOMPARE(m_system->calls.size(), before);
    QCOMPARE(m_system->notificationWrites, 0);
    QVERIFY(!hasMessage(*module, applied, KMessageWidget::Positive));

    // Defaults changes nothing.
    const int calls = m_system->calls.size();
    module->defaults();
    QCOMPARE(m_system->calls.size(), calls);
}

void QuotasModuleTest::busyWhileTheHelperWorks_data()
{
    QTest::addColumn<bool>("memberEdit");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");

    const QString loading = QStringLiteral("Loading quota data…");
    QTest::newRow("first load") << false << "get_quota_tables" << loading;
    QTest::newRow("member edit: the slow quota check names its device")
        << true << "create_quota_file"
        << "Checking the quota file of /dev/sdb1; this can take minutes on a large file system…";
    QTest::newRow("member edit: writing the limits") << true << "set_quota_info"
                                                     << "Applying changes…";
    QTest::newRow("member edit: the reload") << true << "get_quota_tables" << loading;
}

void QuotasModuleTest::busyWhileTheHelperWorks()
{
    QFETCH(bool, memberEdit);
    QFETCH(QString, command);
    QFETCH(QString, text);

    QuotasModule module(nullptr, {}, seams());
    QStringList seen;
    // What the window shows while a request of that kind runs.
    m_system->onRequest = [&](const QString &running) {
        if (running != command) {
            return;
        }
        const auto indicator = module.widget()->findChild<QWidget *>(QStringLiteral("busyIndicator"));
        const auto label = module.widget()->findChild<QLabel *>(QStringLiteral("busyText"));
        const QCursor *cursor = QApplication::overrideCursor();
        seen.append(QStringLiteral("%1|%2|panel %3|%4")
                        .arg(indicator && !indicator->isHidden() ? QStringLiteral("shown") : QStringLiteral("hidden"),
                             label ? label->text() : QString(),
                             module.widget()->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"),
                             cursor && cursor->shape() == Qt::WaitCursor ? QStringLiteral("wait") : QStringLiteral("normal")));
    };
    module.load();
    if (memberEdit) {
        QVERIFY(seen.isEmpty() || command == QLatin1String("get_quota_tables"));
        seen.clear();
        QFile::remove(m_system->device(sdb).mountDir + QStringLiteral("/aquota.user"));
        MemberQuotaData data;
        data.setDeviceName(sdb);
        data.setDeviceQuotaIsOn(true);
        data.setHardFilesLimit(50);
        Q_EMIT usersTab(module)->settingsChanged(SettingsDeviceQuota({QStringLiteral("nobody"), 65534, false}, {{sdb, data}}, Users));
    }
    m_system->onRequest = nullptr;

    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.first(), QStringLiteral("shown|%1|panel off|wait").arg(text));
    // Over again: input back, cursor restored, indicator gone.
    QVERIFY(module.widget()->findChild<QWidget *>(QStringLiteral("busyIndicator"))->isHidden());
    QVERIFY(module.widget()->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

// The host's calls as they come from its buttons while a request waits:
// "load" (Reset), "save" (Apply), "defaults". None may start anything.
void QuotasModuleTest::fireHostCalls(QuotasModule &module, const QString &calls)
{
    QVERIFY(!module.widget()->isEnabled());
    const int requests = m_system->executor().requests.size();
    for (const QString &call : calls.split(QLatin1Char(','))) {
        if (call == QLatin1String("load")) {
            module.load();
        } else if (call == QLatin1String("save")) {
            module.save();
        } else {
            module.defaults();
        }
    }
    QCOMPARE(m_system->executor().requests.size(), requests);
}

void QuotasModuleTest::hostCallsWaitForTheRequest_data()
{
    QTest::addColumn<QString>("calls");
    QTest::addColumn<bool>("appliedAgain");

    // The Apply fails, so its edit is still pending when the calls run.
    QTest::newRow("Apply, then Reset: applied again, then shown") << "save,load" << true;
    QTest::newRow("Reset, then Apply: the edit is gone, nothing to write") << "load,save" << false;
    QTest::newRow("Reset, Apply, Reset: the latest Reset wins") << "load,save,load" << true;
    QTest::newRow("Apply twice, Defaults: one Apply") << "save,defaults,save" << true;
}

void QuotasModuleTest::hostCallsWaitForTheRequest()
{
    QFETCH(QString, calls);
    QFETCH(bool, appliedAgain);

    auto module = prepared();
    editGeneralTab(*module);
    m_system->failNext(QStringLiteral("set_device_options"), QStringLiteral("fstab is read-only"));
    const int before = m_system->count(QStringLiteral("set_device_options"));
    bool fired = false;
    m_system->executor().onRequest = [&](const FakeHelperExecutor::Request &request) {
        if (!fired && request.arguments.contains(QStringLiteral("set_device_options"))) {
            fired = true;
            fireHostCalls(*module, calls);
        }
    };
    module->save();
    QVERIFY(fired);
    QCOMPARE(m_system->count(QStringLiteral("set_device_options")), before + 1);
    QVERIFY(hasMessage(*module, withErrors, KMessageWidget::Error));

    // Each deferred call starts from the event loop, one after the other.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    m_system->executor().onRequest = nullptr;
    QCOMPARE(m_system->executor().maxDepth, 1);
    QCOMPARE(m_system->count(QStringLiteral("set_device_options")), before + (appliedAgain ? 2 : 1));
    QCOMPARE(m_system->device(sdb).quotaOn[Groups], appliedAgain);
    // Every sequence ends with what the system holds now.
    QCOMPARE(groupsBox(*module)->isChecked(), appliedAgain);
    QVERIFY(module->widget()->isEnabled());
    QCOMPARE(m_system->kernelChecks, 1);
}

void QuotasModuleTest::hostCallsDuringTheFirstLoad()
{
    QuotasModule module(nullptr, {}, seams());
    bool fired = false;
    m_system->executor().onRequest = [&](const FakeHelperExecutor::Request &request) {
        if (!fired && request.arguments.contains(QStringLiteral("get_quota_tables"))) {
            fired = true;
            fireHostCalls(module, QStringLiteral("load,save"));
        }
    };
    module.load();
    QVERIFY(fired);
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    m_system->executor().onRequest = nullptr;

    // One preparation: the later load only showed its data again.
    QCOMPARE(m_system->executor().maxDepth, 1);
    QCOMPARE(m_system->kernelChecks, 1);
    QCOMPARE(module.widget()->findChildren<QuotaSettingsWidget *>(QStringLiteral("usersSettings")).size(), 1);
    QVERIFY(module.widget()->isEnabled());
    QVERIFY(!hasMessage(module, withErrors, KMessageWidget::Error));
}

void QuotasModuleTest::memberEditKeepsPendingEdits()
{
    auto module = prepared();
    editGeneralTab(*module);
    QTest::mouseClick(module->widget()->findChild<QPushButton *>(QStringLiteral("addTaskButton")), Qt::LeftButton);
    auto admins = module->widget()->findChild<QPlainTextEdit *>(QStringLiteral("quotaGroupAdminsText"));
    admins->insertPlainText(QStringLiteral("devel: anna\n"));

    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setDeviceQuotaIsOn(true);
    data.setHardFilesLimit(50);
    Q_EMIT usersTab(*module)->settingsChanged(SettingsDeviceQuota({QStringLiteral("nobody"), 65534, false}, {{sdb, data}}, Users));
    QVERIFY(hasMessage(*module, applied, KMessageWidget::Positive));

    // Both pending edits are still shown, and the next Apply writes them.
    QCOMPARE(admins->toPlainText(), QStringLiteral("devel: anna\n"));
    QVERIFY(groupsBox(*module)->isChecked());
    QCOMPARE(module->widget()->findChild<QComboBox *>(QStringLiteral("cronJobsComboBox"))->currentText(), QStringLiteral("new task"));
    module->save();
    // The cron table and the one text that was entered.
    QCOMPARE(m_system->notificationWrites, 2);
    QVERIFY(m_system->changeLog().contains(QStringLiteral("set_device_options /dev/sdb1 defaults,usrquota,grpquota")));
    QVERIFY(m_system->device(sdb).quotaOn[Groups]);
}

void QuotasModuleTest::refreshReadsTheSystemAndKeepsPendingEdits()
{
    auto module = prepared();
    editGeneralTab(*module);
    auto admins = module->widget()->findChild<QPlainTextEdit *>(QStringLiteral("quotaGroupAdminsText"));
    admins->insertPlainText(QStringLiteral("devel: anna\n"));

    // Changed outside the panel, as setquota would.
    ProxyQuotaData outside;
    outside.dqb_ihardlimit = 3000000000ULL;
    m_system->setRecord(sdb, Users, 65534, outside);
    const int reads = m_system->count(QStringLiteral("get_quota_tables"));
    auto users = module->widget()->findChild<QuotaSettingsWidget *>(QStringLiteral("usersSettings"));
    auto filter = users->findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
    users->findChild<QPushButton *>(QStringLiteral("refreshBtn"))->click();

    QVERIFY(m_system->count(QStringLiteral("get_quota_tables")) > reads);
    bool found = false;
    auto view = users->findChild<QTreeView *>(QStringLiteral("treeView"));
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        // An account of the directory or a record without one: either way, read again.
        const QString name = view->model()->index(row, 0).data().toString();
        if (name == QLatin1String("nobody") || name == QLatin1String("#65534")) {
            found = true;
            QCOMPARE(view->model()->index(row, QuotaSettingsModel::InodeHardLimit).data(QuotaSettingsModel::RawValueRole).toULongLong(), 3000000000ULL);
        }
    }
    QVERIFY(found);
    // The pending edits of the other tabs are still there for Apply.
    QVERIFY(admins->toPlainText().startsWith(QLatin1String("devel: anna\n")));
    module->save();
    QVERIFY(m_system->changeLog().contains(QStringLiteral("set_device_options /dev/sdb1 defaults,usrquota,grpquota")));
}

void QuotasModuleTest::oneApplyForEveryEditedDevice()
{
    addSecondDevice();
    auto module = prepared();
    // Merely showing another device is no edit.
    QSignalSpy changed(module.get(), &KCMVS::VelunKCModule::pendingChangesChanged);
    module->widget()->findChild<QWidget *>(QStringLiteral("generalWidget"))->findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdc);
    QCOMPARE(changedToTrue(changed), 0);
    editGrace(*module, sdc, 3);
    QCOMPARE(changedToTrue(changed), 1);
    editGrace(*module, sdb, 5);
    module->save();
    QVERIFY(hasMessage(*module, applied, KMessageWidget::Positive));

    QStringList graceWrites;
    for (const QString &entry : m_system->changeLog()) {
        if (entry.startsWith(QLatin1String("set_device_grace_period"))) {
            graceWrites.append(entry);
        }
    }
    // In ascending order of the device path, users then groups.
    QCOMPARE(graceWrites, (QStringList{QStringLiteral("set_device_grace_period /dev/sdb1 0"), QStringLiteral("set_device_grace_period /dev/sdc1 0")}));
    QCOMPARE(m_system->device(sdb).blockGrace[Users], quint32(5 * 86400));
    QCOMPARE(m_system->device(sdc).blockGrace[Users], quint32(3 * 86400));

    // Applied edits are no longer pending.
    const int calls = m_system->calls.size();
    module->save();
    QCOMPARE(m_system->calls.size(), calls);
}

void QuotasModuleTest::rebootQuestionOnlyAfterApply()
{
    addSecondDevice();
    // User quotas on while the device is mounted without their option.
    m_system->device(sdc).mountOptions = QStringList{QStringLiteral("rw")};
    m_system->writeTables();
    auto module = prepared();
    editGrace(*module, sdc, 2);
    editGrace(*module, sdb, 2);
    module->load();
    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setDeviceQuotaIsOn(true);
    Q_EMIT usersTab(*module)->settingsChanged(SettingsDeviceQuota({QStringLiteral("nobody"), 65534, false}, {{sdb, data}}, Users));
    QCOMPARE(m_reboot->questions, 0);

    editGrace(*module, sdb, 4);
    module->save();
    QCOMPARE(m_reboot->questions, 1);
}

// A screen reader names a control by its caption label, and the label's
// mnemonic reaches it: every caption of the general and notification tabs
// leads to the control it names.
void QuotasModuleTest::captionLabelsHaveBuddies_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("buddy");
    QTest::newRow("devices of the general tab") << QStringLiteral("labelDevices") << QStringLiteral("cBoxDevices");
    QTest::newRow("whom a task notifies") << QStringLiteral("label") << QStringLiteral("usersChBox");
    QTest::newRow("how often a task runs") << QStringLiteral("label_2") << QStringLiteral("monthRButton");
    QTest::newRow("when a task runs") << QStringLiteral("atLabel") << QStringLiteral("atDateTimeEdit");
}

void QuotasModuleTest::captionLabelsHaveBuddies()
{
    QFETCH(QString, label);
    QFETCH(QString, buddy);
    auto module = prepared();
    const QList<QLabel *> labels = module->widget()->findChildren<QLabel *>(label);
    QCOMPARE(labels.size(), 1);
    QVERIFY(labels.first()->buddy());
    QCOMPARE(labels.first()->buddy()->objectName(), buddy);
}

void QuotasModuleTest::foldersTab_data()
{
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("failCommand");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("type");

    QTest::newRow("a folder added") << true << QString()
                                    << QStringList{QStringLiteral("set_folder_project"), QStringLiteral("add_project_entry"), QStringLiteral("set_quota_info")}
                                    << applied << int(KMessageWidget::Positive);
    // Never reported as done: the folder's project id is taken back.
    QTest::newRow("the project files refused") << true << "add_project_entry"
                                               << QStringList{QStringLiteral("set_folder_project"),
                                                              QStringLiteral("add_project_entry"),
                                                              QStringLiteral("clear_folder_project")}
                                               << "The folder $M/alpha was not added: duplicate id" << int(KMessageWidget::Error);
    QTest::newRow("a folder removed, its files cleared")
        << false << QString() << QStringList{QStringLiteral("set_quota_info"), QStringLiteral("clear_folder_project"), QStringLiteral("remove_project_entry")}
        << applied << int(KMessageWidget::Positive);
}

void QuotasModuleTest::foldersTab()
{
    QFETCH(bool, add);
    QFETCH(QString, failCommand);
    QFETCH(QStringList, commands);
    QFETCH(QString, message);
    QFETCH(int, type);

    m_system->device(sdb).projectsAccounted = true;
    const QString mount = m_system->device(sdb).mountDir;
    auto module = prepared();
    // The page and the controls others drive the tab by.
    auto page = module->widget()->findChild<QWidget *>(QStringLiteral("folders"));
    QVERIFY(page);
    auto tab = page->findChild<QuotaSettingsWidget *>(QStringLiteral("foldersSettings"));
    QVERIFY(tab);
    for (const char *name : {"treeView", "cBoxDevices", "searchEdit", "addFolderBtn", "removeFolderBtn"}) {
        QVERIFY2(tab->findChild<QWidget *>(QLatin1String(name)), name);
    }
    QCOMPARE(tab->findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->currentData().toString(), sdb);

    if (!failCommand.isEmpty()) {
        m_system->failNext(failCommand, QStringLiteral("duplicate id"));
    }
    const int before = m_system->calls.size();
    if (add) {
        MemberQuotaData limits;
        limits.setHardFilesLimit(100);
        Q_EMIT tab->folderAddRequested(sdb, mount + QStringLiteral("/alpha"), QStringLiteral("alpha"), 7, limits);
    } else {
        Member member;
        member.name = QStringLiteral("alpha");
        member.id = 7;
        member.folder = mount + QStringLiteral("/alpha");
        MemberQuotaData data;
        data.setDeviceName(sdb);
        Q_EMIT tab->folderRemoveRequested(SettingsDeviceQuota(member, {{sdb, data}}, Projects), false);
    }
    QCoreApplication::processEvents();
    QStringList sent;
    for (int i = before; i < m_system->calls.size(); ++i) {
        if (m_system->calls.at(i).action == QLatin1String("change")) {
            sent.append(m_system->calls.at(i).command);
        }
    }
    QCOMPARE(sent, commands);
    QVERIFY2(hasMessage(*module, QString(message).replace(QLatin1String("$M"), mount), type), qPrintable(messages(*module).value(0).text));
}

QTEST_MAIN(QuotasModuleTest)

#include "quotasmoduletest.moc"
