// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/ui/generalsettingswidget.h"
#include "plugin/model/members/quotastorage.h"
#include "plugin/ui/graceperiodswidget.h"
#include "plugin/ui/systemreboot.h"

#include <KMessageWidget>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");

class FakeReboot : public SystemReboot
{
public:
    bool confirm() override
    {
        ++questions;
        return agree;
    }
    void runTool(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment, int timeoutMs) override
    {
        runs.append(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
        runtimeDir = environment.value(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("<unset>"));
        timeout = timeoutMs;
    }

    bool agree = false;
    int questions = 0;
    QStringList runs;
    QString runtimeDir;
    int timeout = 0;
};

// On/off and mounted-with-option for users and groups, as a short text:
// "U" quotas on, "u" mounted with the option; "G", "g" the same for groups.
DeviceDataInformation kindData(const QString &device, const QString &flags, bool groups, quint32 graceMinutes)
{
    DeviceDataInformation data;
    data.setDeviceName(device);
    data.setQuotaSupportOn(flags.contains(groups ? QLatin1Char('G') : QLatin1Char('U')));
    data.setMountWithQuota(flags.contains(groups ? QLatin1Char('g') : QLatin1Char('u')));
    data.setQuotaKeptInternally(flags.contains(QLatin1Char('I')));
    GraceTimePeriod period;
    period.blockGrace.minutes = graceMinutes;
    period.inodeGrace.hours = graceMinutes % 24;
    period.blockGrace.weeks = 1;
    data.setGraceTimePeriod(period);
    return data;
}

QuotaStorage *storage(const QString &device, const QString &flags, QObject *parent, quint32 graceMinutes = 5)
{
    auto result = new QuotaStorage(parent);
    result->setFilesystem(QStringLiteral("ext4"));
    result->setUsersData(kindData(device, flags, false, graceMinutes));
    result->setGroupsData(kindData(device, flags, true, graceMinutes + 1));
    return result;
}

// The support box by its object name; it must carry its title too.
QGroupBox *box(QWidget *widget, const QString &name)
{
    const QString title = name == QLatin1String("usersQuotaBox") ? QStringLiteral("User quota support") : QStringLiteral("Group quota support");
    auto found = widget->findChild<QGroupBox *>(name);
    if (!found || found->title() != title) {
        qFatal("no box %s titled %s", qPrintable(name), qPrintable(title));
    }
    return found;
}

GracePeriodsWidget *graceEditor(QWidget *widget, GracePeriodId id)
{
    const auto editors = widget->findChildren<GracePeriodsWidget *>();
    for (GracePeriodsWidget *editor : editors) {
        if (editor->id() == id) {
            return editor;
        }
    }
    return nullptr;
}
}

Q_DECLARE_METATYPE(Time)

class GeneralSettingsWidgetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheDevice_data();
    void showsTheDevice();
    void rebootQuestion_data();
    void rebootQuestion();
    void quotasReportTheEdits();
    void everyDeviceKeepsItsEdits();
    void onlyTheAdministratorsEditsModify_data();
    void onlyTheAdministratorsEditsModify();
    void graceEditorsFollowTheBox();
    void untouchedGraceGoesBackAsRead_data();
    void untouchedGraceGoesBackAsRead();
    void refreshShowsTheNewData();
    void graceSuffixes_data();
    void graceSuffixes();
    void graceEditorShowsItsPart_data();
    void graceEditorShowsItsPart();
    void filesystemNotes_data();
    void filesystemNotes();
    void folderEditsReported_data();
    void folderEditsReported();
};

void GeneralSettingsWidgetTest::showsTheDevice_data()
{
    QTest::addColumn<QString>("flags");
    QTest::addColumn<bool>("usersChecked");
    QTest::addColumn<bool>("groupsChecked");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<bool>("internalLine");

    QTest::newRow("both off") << "ug" << false << false << true << false;
    QTest::newRow("users off, groups on: warning, user editors disabled") << "uGg" << false << true << true << false;
    QTest::newRow("both on: no warning") << "UuGg" << true << true << false << false;
    // Enforced at once without the mount option, so no reboot question.
    QTest::newRow("quota kept internally, on without the option") << "UGI" << true << true << false << true;
    QTest::newRow("quota kept internally, off") << "I" << false << false << true << true;
}

void GeneralSettingsWidgetTest::showsTheDevice()
{
    QFETCH(QString, flags);
    QFETCH(bool, usersChecked);
    QFETCH(bool, groupsChecked);
    QFETCH(bool, warning);
    QFETCH(bool, internalLine);

    FakeReboot reboot;
    GeneralSettingsWidget widget;
    QObject owner;
    widget.updateData({{sdb, storage(sdb, QStringLiteral("UuGg"), &owner, 7)}, {sdc, storage(sdc, flags, &owner, 9)}}, false);

    auto devices = widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    QCOMPARE(devices->count(), 2);
    QCOMPARE(devices->currentText(), sdb);
    devices->setCurrentText(sdc);

    QCOMPARE(widget.findChild<QLabel *>(QStringLiteral("fsName"))->text(), QStringLiteral("ext4"));
    QCOMPARE(box(&widget, QStringLiteral("usersQuotaBox"))->isChecked(), usersChecked);
    QCOMPARE(box(&widget, QStringLiteral("groupsQuotaBox"))->isChecked(), groupsChecked);
    QCOMPARE(widget.findChild<KMessageWidget *>(QStringLiteral("kmessagewidget"))->isVisibleTo(&widget), warning);
    QCOMPARE(widget.findChild<QLabel *>(QStringLiteral("internalQuotaLabel"))->isVisibleTo(&widget), internalLine);
    QCOMPARE(graceEditor(&widget, UsersMemoryGrace)->isEnabled(), usersChecked);
    QCOMPARE(graceEditor(&widget, GroupsFilesGrace)->isEnabled(), groupsChecked);
    QCOMPARE(graceEditor(&widget, UsersMemoryGrace)->time().minutes, 9u);
    QCOMPARE(graceEditor(&widget, GroupsMemoryGrace)->time().minutes, 10u);
    QCOMPARE(reboot.questions, 0);
}

void GeneralSettingsWidgetTest::rebootQuestion_data()
{
    QTest::addColumn<QString>("otherFlags");
    QTest::addColumn<bool>("agree");
    QTest::addColumn<QString>("sudoUid");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("runtimeDir");

    QTest::newRow("nothing needs a remount") << "UuGg" << true << "1000" << 0 << QString();
    QTest::newRow("user quotas on without the mount option") << "UGg" << false << "1000" << 1 << QString();
    QTest::newRow("group quotas on without the mount option, agreed") << "UuG" << true << "1000" << 1 << "/run/user/1000";
    QTest::newRow("no SUDO_UID still sets the runtime folder") << "UG" << true << QString() << 1 << "/run/user/";
    QTest::newRow("quota kept internally needs no remount") << "UGI" << true << "1000" << 0 << QString();
}

void GeneralSettingsWidgetTest::rebootQuestion()
{
    QFETCH(QString, otherFlags);
    QFETCH(bool, agree);
    QFETCH(QString, sudoUid);
    QFETCH(int, questions);
    QFETCH(QString, runtimeDir);

    const QByteArray oldUid = qgetenv("SUDO_UID");
    if (sudoUid.isNull()) {
        qunsetenv("SUDO_UID");
    } else {
        qputenv("SUDO_UID", sudoUid.toUtf8());
    }
    FakeReboot reboot;
    reboot.agree = agree;
    GeneralSettingsWidget widget;
    QObject owner;
    // Loading, showing devices and refreshing never ask; the question
    // belongs to the Apply that left a device needing the remount, and the
    // device need not be the one shown.
    widget.updateData({{sdb, storage(sdb, QStringLiteral("UuGg"), &owner)}, {sdc, storage(sdc, otherFlags, &owner)}}, false);
    widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdc);
    widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdb);
    widget.updateData({{sdb, storage(sdb, QStringLiteral("UuGg"), &owner)}, {sdc, storage(sdc, otherFlags, &owner)}}, true);
    QCOMPARE(reboot.questions, 0);
    widget.askRebootIfNeeded(reboot);
    if (oldUid.isNull()) {
        qunsetenv("SUDO_UID");
    } else {
        qputenv("SUDO_UID", oldUid);
    }

    QCOMPARE(reboot.questions, questions);
    if (runtimeDir.isEmpty()) {
        QVERIFY(reboot.runs.isEmpty());
    } else {
        QCOMPARE(reboot.runs.first(), QStringLiteral("/usr/bin/vyx-wmfunc VYXWM_REBOOT"));
        QCOMPARE(reboot.runtimeDir, runtimeDir);
        QCOMPARE(reboot.timeout, 30000);
    }
}

void GeneralSettingsWidgetTest::quotasReportTheEdits()
{
    FakeReboot reboot;
    GeneralSettingsWidget widget;
    QObject owner;
    widget.updateData({{sdb, storage(sdb, QStringLiteral("UuGg"), &owner, 1)}}, false);
    QSignalSpy modified(&widget, &GeneralSettingsWidget::modify);

    QGroupBox *groups = box(&widget, QStringLiteral("groupsQuotaBox"));
    QTest::mouseClick(groups, Qt::LeftButton, {}, QPoint(10, 5));
    if (groups->isChecked()) {
        groups->setChecked(false);
        Q_EMIT groups->clicked(false);
    }
    QVERIFY(modified.count() >= 1);
    const int afterClick = modified.count();
    graceEditor(&widget, UsersFilesGrace)->findChild<QSpinBox *>(QStringLiteral("spinBoxDays"))->setValue(3);
    QCOMPARE(modified.count(), afterClick + 1);

    const QMap<QString, QuotaStorage *> quotas = widget.quotas();
    QCOMPARE(quotas.keys(), QStringList{sdb});
    const QuotaStorage *wanted = quotas.value(sdb);
    QCOMPARE(wanted->parent(), &widget);
    QCOMPARE(wanted->filesystem(), QStringLiteral("ext4"));
    QVERIFY(wanted->usersData().quotaSupportOn());
    QVERIFY(!wanted->groupsData().quotaSupportOn());
    QCOMPARE(wanted->usersData().deviceName(), sdb);
    QCOMPARE(wanted->usersData().graceTimePeriod().blockGrace, (Time{0, 1, 0, 0, 1}));
    QCOMPARE(wanted->usersData().graceTimePeriod().inodeGrace, (Time{0, 0, 1, 3, 0}));
    QCOMPARE(wanted->groupsData().graceTimePeriod().blockGrace, (Time{0, 2, 0, 0, 1}));
    // Only what the tab edits is filled in.
    QVERIFY(!wanted->usersData().mountWithQuota());
}

void GeneralSettingsWidgetTest::everyDeviceKeepsItsEdits()
{
    FakeReboot reboot;
    GeneralSettingsWidget widget;
    QObject owner;
    // sdc is listed first to show that the map, not the list, sets the order.
    widget.updateData({{sdc, storage(sdc, QStringLiteral("ug"), &owner, 9)}, {sdb, storage(sdb, QStringLiteral("UuGg"), &owner, 7)}}, false);
    auto devices = widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    QGroupBox *users = box(&widget, QStringLiteral("usersQuotaBox"));

    devices->setCurrentText(sdc);
    users->setChecked(true);
    Q_EMIT users->clicked(true);
    graceEditor(&widget, UsersMemoryGrace)->findChild<QSpinBox *>(QStringLiteral("spinBoxDays"))->setValue(4);
    devices->setCurrentText(sdb);
    graceEditor(&widget, GroupsFilesGrace)->findChild<QSpinBox *>(QStringLiteral("spinBoxHours"))->setValue(20);
    QVERIFY(widget.hasPendingEdits());

    // Back on sdc, its edits are shown, also after a reload of the data.
    devices->setCurrentText(sdc);
    widget.updateData({{sdc, storage(sdc, QStringLiteral("ug"), &owner, 9)}, {sdb, storage(sdb, QStringLiteral("UuGg"), &owner, 7)}}, true);
    QVERIFY(users->isChecked());
    QCOMPARE(graceEditor(&widget, UsersMemoryGrace)->time().days, 4u);

    const QMap<QString, QuotaStorage *> quotas = widget.quotas();
    QCOMPARE(quotas.keys(), (QStringList{sdb, sdc}));
    QCOMPARE(quotas.value(sdb)->groupsData().graceTimePeriod().inodeGrace.hours, 20u);
    QVERIFY(quotas.value(sdb)->usersData().quotaSupportOn());
    QVERIFY(quotas.value(sdc)->usersData().quotaSupportOn());
    QVERIFY(!quotas.value(sdc)->groupsData().quotaSupportOn());
    QCOMPARE(quotas.value(sdc)->usersData().graceTimePeriod().blockGrace, (Time{0, 9, 0, 4, 1}));
    QCOMPARE(quotas.value(sdc)->usersData().deviceName(), sdc);

    widget.discardEdits();
    QVERIFY(!widget.hasPendingEdits());
    QVERIFY(widget.quotas().isEmpty());
    QVERIFY(!users->isChecked());
    QCOMPARE(graceEditor(&widget, UsersMemoryGrace)->time().days, 0u);
}

void GeneralSettingsWidgetTest::onlyTheAdministratorsEditsModify_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("modifies");

    QTest::newRow("showing another device") << "switch" << false;
    QTest::newRow("a refresh with other grace periods") << "refresh" << false;
    QTest::newRow("discarding the edits") << "discard" << false;
    QTest::newRow("a grace period typed in") << "grace" << true;
    QTest::newRow("a support box clicked") << "box" << true;
}

void GeneralSettingsWidgetTest::onlyTheAdministratorsEditsModify()
{
    QFETCH(QString, step);
    QFETCH(bool, modifies);

    FakeReboot reboot;
    GeneralSettingsWidget widget;
    QSignalSpy modified(&widget, &GeneralSettingsWidget::modify);
    QObject owner;
    widget.updateData({{sdb, storage(sdb, QStringLiteral("UuGg"), &owner, 1)}, {sdc, storage(sdc, QStringLiteral("Uu"), &owner, 2)}}, false);
    QCOMPARE(modified.count(), 0);

    if (step == QLatin1String("switch")) {
        widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdc);
    } else if (step == QLatin1String("refresh")) {
        widget.updateData({{sdb, storage(sdb, QStringLiteral("Uu"), &owner, 30)}, {sdc, storage(sdc, QStringLiteral("Uu"), &owner, 2)}}, true);
    } else if (step == QLatin1String("discard")) {
        widget.discardEdits();
    } else if (step == QLatin1String("grace")) {
        graceEditor(&widget, UsersFilesGrace)->findChild<QSpinBox *>(QStringLiteral("spinBoxMinutes"))->setValue(17);
    } else {
        Q_EMIT box(&widget, QStringLiteral("groupsQuotaBox"))->clicked(true);
    }
    QCOMPARE(modified.count() > 0, modifies);
    QCOMPARE(widget.hasPendingEdits(), modifies);
}

void GeneralSettingsWidgetTest::graceEditorsFollowTheBox()
{
    FakeReboot reboot;
    GeneralSettingsWidget widget;
    widget.show();
    QObject owner;
    widget.updateData({{sdb, storage(sdb, QStringLiteral("Gg"), &owner, 1)}}, false);
    QGroupBox *users = box(&widget, QStringLiteral("usersQuotaBox"));
    GracePeriodsWidget *editor = graceEditor(&widget, UsersMemoryGrace);
    QVERIFY(!editor->isEnabled());

    // Ticked as a person does, on the box's check indicator.
    users->setChecked(true);
    Q_EMIT users->clicked(true);
    QVERIFY(editor->isEnabled());
    editor->findChild<QSpinBox *>(QStringLiteral("spinBoxDays"))->setValue(6);
    const QuotaStorage *wanted = widget.quotas().value(sdb);
    QVERIFY(wanted->usersData().quotaSupportOn());
    QCOMPARE(wanted->usersData().graceTimePeriod().blockGrace.days, 6u);

    users->setChecked(false);
    QVERIFY(!editor->isEnabled());
}

void GeneralSettingsWidgetTest::untouchedGraceGoesBackAsRead_data()
{
    QTest::addColumn<Time>("loaded");
    QTest::addColumn<int>("typedMinutes");
    QTest::addColumn<Time>("applied");

    QTest::newRow("seconds the editor cannot show") << Time{30, 1, 0, 0, 0} << -1 << Time{30, 1, 0, 0, 0};
    QTest::newRow("weeks beyond the weeks box") << Time{0, 0, 0, 0, 9000} << -1 << Time{0, 0, 0, 0, 9000};
    QTest::newRow("an edited period is what the editor shows") << Time{30, 1, 0, 0, 0} << 2 << Time{0, 2, 0, 0, 0};
    QTest::newRow("edited back to the shown value keeps the seconds") << Time{30, 1, 0, 0, 0} << 1 << Time{30, 1, 0, 0, 0};
}

void GeneralSettingsWidgetTest::untouchedGraceGoesBackAsRead()
{
    QFETCH(Time, loaded);
    QFETCH(int, typedMinutes);
    QFETCH(Time, applied);

    FakeReboot reboot;
    GeneralSettingsWidget widget;
    QObject owner;
    QuotaStorage *stored = storage(sdb, QStringLiteral("UuGg"), &owner);
    DeviceDataInformation users = stored->usersData();
    users.setGraceTimePeriod({loaded, Time{}});
    stored->setUsersData(users);
    widget.updateData({{sdb, stored}}, false);

    auto minutes = graceEditor(&widget, UsersMemoryGrace)->findChild<QSpinBox *>(QStringLiteral("spinBoxMinutes"));
    if (typedMinutes >= 0) {
        minutes->setValue(typedMinutes + 1);
        minutes->setValue(typedMinutes);
    } else {
        // Another edit on the device: the period itself stays untouched.
        Q_EMIT box(&widget, QStringLiteral("groupsQuotaBox"))->clicked(true);
    }
    QCOMPARE(widget.quotas().value(sdb)->usersData().graceTimePeriod().blockGrace, applied);
}

void GeneralSettingsWidgetTest::refreshShowsTheNewData()
{
    FakeReboot reboot;
    GeneralSettingsWidget widget;
    QObject owner;
    widget.updateData({{sdb, storage(sdb, QStringLiteral("ug"), &owner)}, {sdc, storage(sdc, QStringLiteral("ug"), &owner)}}, false);
    widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdc);
    QVERIFY(!box(&widget, QStringLiteral("usersQuotaBox"))->isChecked());

    widget.updateData({{sdb, storage(sdb, QStringLiteral("ug"), &owner)}, {sdc, storage(sdc, QStringLiteral("UuGg"), &owner, 30)}}, true);
    auto devices = widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    QCOMPARE(devices->count(), 2);
    QCOMPARE(devices->currentText(), sdc);
    QVERIFY(box(&widget, QStringLiteral("usersQuotaBox"))->isChecked());
    QCOMPARE(graceEditor(&widget, UsersMemoryGrace)->time().minutes, 30u);

    // A refresh whose storages lack the device shown reads nothing of it.
    widget.updateData({}, true);
    QCOMPARE(widget.findChild<QLabel *>(QStringLiteral("fsName"))->text(), QString());
}

void GeneralSettingsWidgetTest::graceSuffixes_data()
{
    QTest::addColumn<QString>("spinBox");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("no weeks") << "spinBoxWeeks" << 0 << " weeks";
    QTest::newRow("one week") << "spinBoxWeeks" << 1 << " week";
    QTest::newRow("five days") << "spinBoxDays" << 5 << " days";
    QTest::newRow("one hour") << "spinBoxHours" << 1 << " hour";
    QTest::newRow("no minutes") << "spinBoxMinutes" << 0 << " minutes";
}

void GeneralSettingsWidgetTest::graceSuffixes()
{
    QFETCH(QString, spinBox);
    QFETCH(int, count);
    QFETCH(QString, suffix);

    GracePeriodsWidget editor(GroupsFilesGrace);
    auto box = editor.findChild<QSpinBox *>(spinBox);
    if (count == 0) {
        box->setValue(1);
    }
    box->setValue(count);
    QCOMPARE(box->suffix(), suffix);
}

void GeneralSettingsWidgetTest::graceEditorShowsItsPart_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Time>("shown");
    QTest::addColumn<QString>("toolTip");

    // blockGrace: 90 seconds; inodeGrace: a span beyond the weeks box.
    QTest::newRow("users space") << int(UsersMemoryGrace) << "Memory grace period" << Time{0, 1, 0, 0, 0}
                                 << "The time that will be given to the to user when the by memory soft limit is exceeded.<br> After the present time the "
                                    "soft limit will become hard";
    QTest::newRow("groups files") << int(GroupsFilesGrace) << "Grace period for files" << Time{0, 59, 23, 6, 7100}
                                  << "The time that will be given to the to group when the by files soft limit is exceeded.<br> After the present time the "
                                     "soft limit will become hard";
}

void GeneralSettingsWidgetTest::graceEditorShowsItsPart()
{
    QFETCH(int, id);
    QFETCH(QString, title);
    QFETCH(Time, shown);
    QFETCH(QString, toolTip);

    GracePeriodsWidget editor(static_cast<GracePeriodId>(id));
    QSignalSpy changed(&editor, &GracePeriodsWidget::changed);
    GraceTimePeriod period;
    period.blockGrace = Time{30, 1, 0, 0, 0};
    period.inodeGrace = Time{0, 59, 23, 6, 9000};
    editor.setPeriodData(period);

    QCOMPARE(editor.id(), static_cast<GracePeriodId>(id));
    QCOMPARE(editor.time(), shown);
    QVERIFY(changed.count() > 0);
    auto group = editor.findChild<QGroupBox *>(QStringLiteral("groupBoxGrace"));
    QCOMPARE(group->title(), title);
    QCOMPARE(group->toolTip(), toolTip);
}

// Per kind "U"/"G"/"P" on, "u"/"g"/"p" in fstab, "I" counted by the file
// system for every kind, "J" for folders alone (the ext4 project feature).
QuotaStorage *filesystemStorage(const QString &device, const QString &filesystem, const QString &mountPath, const QString &flags, QObject *parent)
{
    auto result = new QuotaStorage(parent);
    result->setFilesystem(filesystem);
    result->setMountPath(mountPath);
    const auto kind = [&](QChar on, QChar fstab, bool counted) {
        DeviceDataInformation data;
        data.setDeviceName(device);
        data.setQuotaSupportOn(flags.contains(on));
        data.setWillMountWithQuota(flags.contains(fstab));
        data.setQuotaKeptInternally(counted);
        return data;
    };
    const bool all = flags.contains(QLatin1Char('I'));
    result->setUsersData(kind(QLatin1Char('U'), QLatin1Char('u'), all));
    result->setGroupsData(kind(QLatin1Char('G'), QLatin1Char('g'), all));
    result->setProjectsData(kind(QLatin1Char('P'), QLatin1Char('p'), all || flags.contains(QLatin1Char('J'))));
    return result;
}

void GeneralSettingsWidgetTest::filesystemNotes_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::addColumn<QString>("mountPath");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<bool>("folderBox");
    QTest::addColumn<QString>("folderNote");
    QTest::addColumn<QString>("xfsNote");
    QTest::addColumn<bool>("usersChecked");

    const QString remount = QStringLiteral(
        "XFS counts quotas only while it is mounted with their options: switching a kind on adds its option to /etc/fstab and mounts /dev/sdc1 again, "
        "which is refused while the device is busy. XFS has no quota files.");
    const QString root = QStringLiteral(
        "/dev/sdc1 is the root file system, which the kernel mounts with the options of its command line: switching a kind on adds its option to "
        "/etc/fstab, and the kernel command line needs rootflags=%1 as well. Nothing changes before the next boot.");
    QTest::newRow("ext4 with the project feature") << "ext4"
                                                   << "/srv"
                                                   << "J" << true << QString() << QString() << false;
    QTest::newRow("ext4 without it says how to add it, no switch")
        << "ext4"
        << "/srv"
        << "" << false << "/dev/sdc1 has no folder quotas yet: unmount it and run tune2fs -O project,quota /dev/sdc1, then mount it again." << QString()
        << false;
    QTest::newRow("ext4 not mounted cannot tell") << "ext4"
                                                  << ""
                                                  << "" << false << QString() << QString() << false;
    QTest::newRow("ext3 has none") << "ext3"
                                   << "/srv"
                                   << "" << false << "Folder quotas need an ext4 or XFS file system; /dev/sdc1 is ext3." << QString() << false;
    QTest::newRow("xfs not counting is mounted again") << "xfs"
                                                       << "/srv"
                                                       << "" << true << QString() << remount << false;
    QTest::newRow("xfs counting") << "xfs"
                                  << "/srv"
                                  << "UIP" << true << QString() << remount << true;
    QTest::newRow("xfs root with the option waiting for the boot") << "xfs"
                                                                   << "/"
                                                                   << "u" << true << QString() << root.arg(QStringLiteral("usrquota")) << true;
    QTest::newRow("xfs root, nothing asked yet") << "xfs"
                                                 << "/"
                                                 << "" << true << QString() << root.arg(QStringLiteral("usrquota,grpquota,prjquota")) << false;
    // Counted already: the kernel command line has what it needs.
    QTest::newRow("xfs root counting") << "xfs"
                                       << "/"
                                       << "uUIG" << true << QString() << root.arg(QStringLiteral("usrquota,grpquota")) << true;
}

void GeneralSettingsWidgetTest::filesystemNotes()
{
    QFETCH(QString, filesystem);
    QFETCH(QString, mountPath);
    QFETCH(QString, flags);
    QFETCH(bool, folderBox);
    QFETCH(QString, folderNote);
    QFETCH(QString, xfsNote);
    QFETCH(bool, usersChecked);

    GeneralSettingsWidget widget;
    QObject owner;
    // Shown after a device with folder quotas, whose notes must not stay.
    widget.updateData({{sdb, filesystemStorage(sdb, QStringLiteral("xfs"), QStringLiteral("/"), QStringLiteral("IUP"), &owner)},
                       {sdc, filesystemStorage(sdc, filesystem, mountPath, flags, &owner)}},
                      false);
    widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdc);

    auto folders = widget.findChild<QGroupBox *>(QStringLiteral("projectsQuotaBox"));
    QCOMPARE(folders->title(), QStringLiteral("Folder quota support"));
    QCOMPARE(folders->isVisibleTo(&widget), folderBox);
    auto folderLabel = widget.findChild<QLabel *>(QStringLiteral("folderQuotaLabel"));
    QCOMPARE(folderLabel->isVisibleTo(&widget) ? folderLabel->text() : QString(), folderNote);
    auto xfsLabel = widget.findChild<QLabel *>(QStringLiteral("xfsQuotaLabel"));
    QCOMPARE(xfsLabel->isVisibleTo(&widget) ? xfsLabel->text() : QString(), xfsNote);
    QCOMPARE(box(&widget, QStringLiteral("usersQuotaBox"))->isChecked(), usersChecked);
    // Nothing of it is an edit.
    QVERIFY(!widget.hasPendingEdits());
}

void GeneralSettingsWidgetTest::folderEditsReported_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<bool>("reported");

    QTest::newRow("folders offered: switch and grace periods go along") << "ext4"
                                                                        << "J" << true;
    QTest::newRow("no folder quotas: nothing to apply for folders") << "ext4"
                                                                    << "" << false;
}

void GeneralSettingsWidgetTest::folderEditsReported()
{
    QFETCH(QString, filesystem);
    QFETCH(QString, flags);
    QFETCH(bool, reported);

    GeneralSettingsWidget widget;
    QObject owner;
    QuotaStorage *stored = filesystemStorage(sdb, filesystem, QStringLiteral("/srv"), flags, &owner);
    DeviceDataInformation projects = stored->projectsData();
    projects.setGraceTimePeriod({Time{30, 0, 0, 2, 0}, Time{0, 0, 5, 0, 0}});
    stored->setProjectsData(projects);
    widget.updateData({{sdb, stored}}, false);

    if (reported) {
        QGroupBox *folders = widget.findChild<QGroupBox *>(QStringLiteral("projectsQuotaBox"));
        folders->setChecked(true);
        Q_EMIT folders->clicked(true);
        graceEditor(&widget, ProjectsFilesGrace)->findChild<QSpinBox *>(QStringLiteral("spinBoxHours"))->setValue(7);
    } else {
        Q_EMIT box(&widget, QStringLiteral("usersQuotaBox"))->clicked(true);
    }
    const DeviceDataInformation wanted = widget.quotas().value(sdb)->projectsData();
    QCOMPARE(wanted.deviceName(), reported ? sdb : QString());
    QCOMPARE(wanted.quotaSupportOn(), reported);
    if (reported) {
        // The untouched space period keeps its seconds.
        QCOMPARE(wanted.graceTimePeriod().blockGrace, (Time{30, 0, 0, 2, 0}));
        QCOMPARE(wanted.graceTimePeriod().inodeGrace, (Time{0, 0, 7, 0, 0}));
    }
}

QTEST_MAIN(GeneralSettingsWidgetTest)

#include "generalsettingswidgettest.moc"
