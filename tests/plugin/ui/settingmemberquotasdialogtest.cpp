// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/ui/int64spinbox.h"
#include "plugin/ui/settingmemberquotasdialog.h"
#include "tests/plugin/clickindicator.h"

#include <KMessageWidget>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");
constexpr quint64 KiB = 1024;
constexpr quint64 GiB = 1024 * 1024 * 1024;

MemberQuotaData onDevice(quint64 softBytes, quint64 hardBytes, qint64 softFiles, qint64 hardFiles, bool deviceOn = true)
{
    const MemorySizeTransfer transfer;
    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setDeviceFilesystem(QStringLiteral("ext4"));
    data.setDeviceQuotaIsOn(deviceOn);
    data.setMemorySize(UsedSize, transfer.memFromBytes(1536));
    data.setMemorySize(SoftLimitSize, transfer.memFromBytes(softBytes));
    data.setMemorySize(HardLimitSize, transfer.memFromBytes(hardBytes));
    data.setNumberOfFilesUsed(12);
    data.setSoftFilesLimit(softFiles);
    data.setHardFilesLimit(hardFiles);
    data.setObjectQuotaIsOn(deviceOn && data.isValid());
    return data;
}

template<typename T>
T *widget(QObject *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QString::fromLatin1(name));
    if (!found) {
        qFatal("no widget %s", name);
    }
    return found;
}

using Edit = std::function<void(SettingMemberQuotasDialog &)>;
}

// QFETCH for use inside an expression.
#define FETCHED(Type, name) (*static_cast<Type *>(QTest::qData(#name, ::qMetaTypeId<Type>())))

Q_DECLARE_METATYPE(MemberQuotaData)
Q_DECLARE_METATYPE(Edit)

class SettingMemberQuotasDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void widgetsShowTheData_data();
    void widgetsShowTheData();
    void acceptStoresTheEdits_data();
    void acceptStoresTheEdits();
    void okFollowsChanges_data();
    void okFollowsChanges();
    void deviceChoice_data();
    void deviceChoice();
    void unitSwitchShowsTheAmount_data();
    void unitSwitchShowsTheAmount();
    void limitsMustFit_data();
    void limitsMustFit();
    void manyMembersWriteOnlyWhatChanged_data();
    void manyMembersWriteOnlyWhatChanged();
    void runningGraceKeptToTheSecond();
    void labelsAndBoxesAreNamed();

private:
    std::unique_ptr<FakeSystem> m_system;
};

void SettingMemberQuotasDialogTest::init()
{
    m_system = std::make_unique<FakeSystem>();
    FakeSystem::Device disk;
    disk.path = sdb;
    disk.fsSpec = sdb;
    m_system->addDevice(disk);
    disk.path = sdc;
    disk.fsSpec = sdc;
    m_system->addDevice(disk);
}

void SettingMemberQuotasDialogTest::cleanup()
{
    m_system.reset();
}

void SettingMemberQuotasDialogTest::widgetsShowTheData_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<MemberQuotaData>("data");
    QTest::addColumn<bool>("softChecked");
    QTest::addColumn<double>("softValue");
    QTest::addColumn<QString>("softUnit");
    QTest::addColumn<double>("softMaximum");
    QTest::addColumn<bool>("hardChecked");
    QTest::addColumn<double>("hardValue");
    QTest::addColumn<QString>("hardUnit");
    QTest::addColumn<double>("hardMaximum");
    QTest::addColumn<bool>("boxesEnabled");
    QTest::addColumn<QString>("warning");

    // The kernel's largest limit, 2^63 - 1 bytes in whole KiB, as far as
    // two decimals can tell.
    const double kbMaximum = 9007199254740991.0;
    const double gbMaximum = 8589934592.0;
    QTest::newRow("zero soft limit unchecked in Kb, 1.5 Gb hard limit") << int(Users) << onDevice(0, 3 * GiB / 2, 0, 0) << false << 0.0 << QStringLiteral("Kb")
                                                                        << kbMaximum << true << 1.5 << QStringLiteral("Gb") << gbMaximum << true << QString();
    QTest::newRow("soft limit in Mb") << int(Users) << onDevice(5 * 1024 * KiB, 0, 0, 0) << true << 5.0 << QStringLiteral("Mb") << 8796093022208.0 << false
                                      << 0.0 << QStringLiteral("Kb") << kbMaximum << true << QString();
    QTest::newRow("5 TiB soft limit in Tb, 1.5 PiB hard limit in Pb")
        << int(Users) << onDevice(5 * 1024 * GiB, 1536 * 1024 * GiB, 0, 0) << true << 5.0 << QStringLiteral("Tb") << 8388608.0 << true << 1.5
        << QStringLiteral("Pb") << 8192.0 << true << QString();
    QTest::newRow("quotas off for users: boxes disabled, warning for users")
        << int(Users) << onDevice(0, 0, 0, 0, false) << false << 0.0 << QStringLiteral("Kb") << kbMaximum << false << 0.0 << QStringLiteral("Kb") << kbMaximum
        << false << QStringLiteral("The settings will become available after quota support is enabled for users on this device.");
    QTest::newRow("quotas off for groups: warning for groups")
        << int(Groups) << onDevice(0, 0, 0, 0, false) << false << 0.0 << QStringLiteral("Kb") << kbMaximum << false << 0.0 << QStringLiteral("Kb") << kbMaximum
        << false << QStringLiteral("The settings will become available after quota support is enabled for groups on this device.");
}

void SettingMemberQuotasDialogTest::widgetsShowTheData()
{
    QFETCH(int, kind);
    QFETCH(MemberQuotaData, data);

    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, static_cast<SettingsId>(kind));
    SettingMemberQuotasDialog dialog(member, sdb);

    QCOMPARE(dialog.windowTitle(), kind == Users ? QStringLiteral("Setting quotas for a user: anna") : QStringLiteral("Setting quotas for a group: anna"));
    QCOMPARE(widget<QCheckBox>(&dialog, "softLimitMemoryChBox")->isChecked(), FETCHED(bool, softChecked));
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "softLimitMemoryValue")->value(), FETCHED(double, softValue));
    QCOMPARE(widget<QComboBox>(&dialog, "softLimitCombo")->currentText(), FETCHED(QString, softUnit));
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "softLimitMemoryValue")->maximum(), FETCHED(double, softMaximum));
    QCOMPARE(widget<QCheckBox>(&dialog, "hardLimitMemoryChBox")->isChecked(), FETCHED(bool, hardChecked));
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "hardLimitMemoryValue")->value(), FETCHED(double, hardValue));
    QCOMPARE(widget<QComboBox>(&dialog, "hardLimitCombo")->currentText(), FETCHED(QString, hardUnit));
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "hardLimitMemoryValue")->maximum(), FETCHED(double, hardMaximum));
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "softLimitMemoryValue")->isEnabled(), FETCHED(bool, softChecked));

    const bool boxesEnabled = FETCHED(bool, boxesEnabled);
    for (const char *name : {"softLimitMemoryChBox", "hardLimitMemoryChBox", "softLimitFilesChBox", "hardLimitFilesChBox"}) {
        QCOMPARE(widget<QCheckBox>(&dialog, name)->isEnabled(), boxesEnabled);
    }
    const QString warning = FETCHED(QString, warning);
    auto message = widget<KMessageWidget>(&dialog, "kmessagewidget");
    QCOMPARE(message->isVisibleTo(&dialog), !warning.isEmpty());
    if (!warning.isEmpty()) {
        QCOMPARE(message->text(), warning);
    }

    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "usedMemory")->value(), 1.5);
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "usedMemory")->suffix(), QStringLiteral(" Kb"));
    QCOMPARE(widget<Int64SpinBox>(&dialog, "usedFiles")->value(), qint64(12));
    QCOMPARE(widget<Int64SpinBox>(&dialog, "usedFiles")->suffix(), QStringLiteral(" number of files"));
    // No grace running: blank and disabled.
    auto memoryMoment = widget<QDateTimeEdit>(&dialog, "dateTimeMemory");
    QVERIFY(!memoryMoment->isEnabled());
    QCOMPARE(memoryMoment->text(), QStringLiteral(" "));
}

void SettingMemberQuotasDialogTest::acceptStoresTheEdits_data()
{
    QTest::addColumn<MemberQuotaData>("data");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<double>("softValue");
    QTest::addColumn<int>("softDimension");
    QTest::addColumn<double>("hardValue");
    QTest::addColumn<int>("hardDimension");
    QTest::addColumn<qint64>("softFiles");
    QTest::addColumn<qint64>("hardFiles");

    QTest::newRow("untouched zero soft limit stays 0")
        << onDevice(0, 3 * GiB / 2, 0, 9) << Edit([](SettingMemberQuotasDialog &) {}) << 0.0 << int(Bytes) << 1.5 << int(GigaBytes) << qint64(0) << qint64(9);
    QTest::newRow("a unit switch converts: 5 Kb stay 5 Kb") << onDevice(5 * KiB, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(2);
    }) << 5.0 << int(KiloBytes) << 0.0 << int(Bytes) << qint64(0)
                                                            << qint64(0);
    // 1.337 Gb to the KiB, more than the two decimals shown.
    const quint64 odd = 1401946 * KiB;
    QTest::newRow("only the file limit changed: the space limits stay exact") << onDevice(odd, 2 * odd, 0, 9) << Edit([](SettingMemberQuotasDialog &d) {
        widget<Int64SpinBox>(&d, "hardLimitFilesValue")->setValue(10);
    }) << double(odd) / GiB << int(GigaBytes) << double(2 * odd) / GiB << int(GigaBytes)
                                                                              << qint64(0) << qint64(10);
    QTest::newRow("switching units back and forth loses nothing") << onDevice(odd, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(0);
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(1);
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(2);
    }) << double(odd) / GiB << int(GigaBytes) << 0.0 << int(Bytes) << qint64(0)
                                                                  << qint64(0);
    QTest::newRow("a value typed after a unit switch counts in the new unit") << onDevice(3 * GiB / 2, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(1);
        widget<QDoubleSpinBox>(&d, "softLimitMemoryValue")->setValue(512);
    }) << 512.0 << int(MegaBytes) << 0.0 << int(Bytes) << qint64(0) << qint64(0);
    QTest::newRow("unchecking a limit stores no limit") << onDevice(5 * KiB, 7 * KiB, 3, 4) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "hardLimitMemoryChBox")->setChecked(false);
        widget<QCheckBox>(&d, "softLimitFilesChBox")->setChecked(false);
    }) << 5.0 << int(KiloBytes) << 0.0 << int(Bytes) << qint64(0)
                                                        << qint64(4);
    QTest::newRow("new limits typed in") << onDevice(0, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "softLimitMemoryChBox")->setChecked(true);
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(1);
        widget<QDoubleSpinBox>(&d, "softLimitMemoryValue")->setValue(250);
        widget<QCheckBox>(&d, "hardLimitFilesChBox")->setChecked(true);
        widget<Int64SpinBox>(&d, "hardLimitFilesValue")->setValue(1000);
    }) << 250.0 << int(MegaBytes) << 0.0 << int(Bytes)
                                         << qint64(0) << qint64(1000);
    QTest::newRow("5000 Gb are no longer clamped") << onDevice(0, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "hardLimitMemoryChBox")->setChecked(true);
        widget<QComboBox>(&d, "hardLimitCombo")->setCurrentIndex(2);
        widget<QDoubleSpinBox>(&d, "hardLimitMemoryValue")->setValue(5000);
    }) << 0.0 << int(Bytes) << 5000.0 / 1024 << int(TeraBytes)
                                                   << qint64(0) << qint64(0);
    QTest::newRow("a value above the kernel's maximum is clamped to it") << onDevice(0, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "hardLimitMemoryChBox")->setChecked(true);
        widget<QComboBox>(&d, "hardLimitCombo")->setCurrentIndex(4);
        widget<QDoubleSpinBox>(&d, "hardLimitMemoryValue")->setValue(9000);
    }) << 0.0 << int(Bytes) << 8191.999999999999 << int(PetaBytes) << qint64(0)
                                                                         << qint64(0);
    // Only another field edited: a 5 TiB soft limit and 3,000,000,000 files
    // come back exactly as they were read.
    QTest::newRow("5 TiB and 3,000,000,000 files survive an edit of the hard space limit")
        << onDevice(5 * 1024 * GiB, 0, 0, 3000000000LL) << Edit([](SettingMemberQuotasDialog &d) {
               widget<QCheckBox>(&d, "hardLimitMemoryChBox")->setChecked(true);
               widget<QComboBox>(&d, "hardLimitCombo")->setCurrentIndex(4);
               widget<QDoubleSpinBox>(&d, "hardLimitMemoryValue")->setValue(8);
           })
        << 5.0 << int(TeraBytes) << 8.0 << int(PetaBytes) << qint64(0) << qint64(3000000000LL);
    QTest::newRow("a file limit beyond 2^31 can be typed") << onDevice(0, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "softLimitFilesChBox")->setChecked(true);
        widget<Int64SpinBox>(&d, "softLimitFilesValue")->setValue(3000000000LL);
    }) << 0.0 << int(Bytes) << 0.0 << int(Bytes) << qint64(3000000000LL)
                                                           << qint64(0);
}

void SettingMemberQuotasDialogTest::acceptStoresTheEdits()
{
    QFETCH(MemberQuotaData, data);
    QFETCH(Edit, edit);

    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    SettingMemberQuotasDialog dialog(member, sdb);
    edit(dialog);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    const QHash<QString, MemberQuotaData> devices = dialog.selectedMember().devicesQuota();
    QCOMPARE(devices.size(), 1);
    const MemberQuotaData stored = devices.value(sdb);
    QCOMPARE(stored.deviceName(), sdb);
    QCOMPARE(stored.memorySizeById(SoftLimitSize).value(), FETCHED(double, softValue));
    QCOMPARE(int(stored.memorySizeById(SoftLimitSize).dimension()), FETCHED(int, softDimension));
    QCOMPARE(stored.memorySizeById(HardLimitSize).value(), FETCHED(double, hardValue));
    QCOMPARE(int(stored.memorySizeById(HardLimitSize).dimension()), FETCHED(int, hardDimension));
    QCOMPARE(stored.softFilesLimit(), FETCHED(qint64, softFiles));
    QCOMPARE(stored.hardFilesLimit(), FETCHED(qint64, hardFiles));
    // What the kernel is sent: exact to the KiB.
    const MemorySizeTransfer transfer;
    MemorySize expected;
    expected.setValue(FETCHED(double, softValue));
    expected.setDimension(static_cast<Dimension>(FETCHED(int, softDimension)));
    QCOMPARE(transfer.bytesFromMem(stored.memorySizeById(SoftLimitSize)) / KiB, transfer.bytesFromMem(expected) / KiB);
    QVERIFY(!stored.graceDateTime().blockGrace.isValid());
    QVERIFY(!stored.graceDateTime().inodeGrace.isValid());
    // The member handed in is a copy: its own table is untouched.
    QCOMPARE(member.devicesQuota().value(sdb).hardFilesLimit(), data.hardFilesLimit());
}

void SettingMemberQuotasDialogTest::okFollowsChanges_data()
{
    QTest::addColumn<MemberQuotaData>("data");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("okEnabled");

    QTest::newRow("nothing changed") << onDevice(5 * KiB, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &) {}) << false;
    QTest::newRow("ticking the box of a zero limit is not yet a change") << onDevice(0, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        clickIndicator(widget<QCheckBox>(&d, "softLimitFilesChBox"));
    }) << false;
    QTest::newRow("clicking the box of a set limit is a change") << onDevice(0, 0, 8, 0) << Edit([](SettingMemberQuotasDialog &d) {
        clickIndicator(widget<QCheckBox>(&d, "softLimitFilesChBox"));
    }) << true;
    QTest::newRow("a new value") << onDevice(0, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<Int64SpinBox>(&d, "hardLimitFilesValue")->setValue(3);
    }) << true;
    QTest::newRow("another unit") << onDevice(5 * KiB, 0, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QComboBox>(&d, "hardLimitCombo")->setCurrentIndex(1);
    }) << true;
}

void SettingMemberQuotasDialogTest::okFollowsChanges()
{
    QFETCH(MemberQuotaData, data);
    QFETCH(Edit, edit);
    QFETCH(bool, okEnabled);

    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    SettingMemberQuotasDialog dialog(member, sdb);
    dialog.show();
    QPushButton *ok = widget<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    QVERIFY(!ok->isEnabled());
    QVERIFY(widget<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Cancel)->isEnabled());
    edit(dialog);
    QCOMPARE(ok->isEnabled(), okEnabled);
}

void SettingMemberQuotasDialogTest::deviceChoice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("shown");

    QTest::newRow("the device passed in") << sdc << sdc;
    QTest::newRow("an unknown device falls back to the first") << QStringLiteral("/dev/sdz9") << sdb;
}

void SettingMemberQuotasDialogTest::deviceChoice()
{
    QFETCH(QString, device);
    QFETCH(QString, shown);

    MemberQuotaData onC = onDevice(0, 0, 0, 77);
    onC.setDeviceName(sdc);
    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, onDevice(0, 0, 0, 5)}, {sdc, onC}}, Users);
    SettingMemberQuotasDialog dialog(member, device);
    QCOMPARE(widget<QComboBox>(&dialog, "devicesCombo")->currentText(), shown);
    QCOMPARE(widget<Int64SpinBox>(&dialog, "hardLimitFilesValue")->value(), qint64(shown == sdc ? 77 : 5));

    // Switching the device shows that device's data; only the device shown
    // when accepting is written back.
    widget<QComboBox>(&dialog, "devicesCombo")->setCurrentText(shown == sdc ? sdb : sdc);
    widget<Int64SpinBox>(&dialog, "hardLimitFilesValue")->setValue(9);
    dialog.accept();
    const auto devices = dialog.selectedMember().devicesQuota();
    QCOMPARE(devices.value(shown == sdc ? sdb : sdc).hardFilesLimit(), qint64(9));
    QCOMPARE(devices.value(shown).hardFilesLimit(), qint64(shown == sdc ? 77 : 5));
}

void SettingMemberQuotasDialogTest::unitSwitchShowsTheAmount_data()
{
    QTest::addColumn<MemberQuotaData>("data");
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("shown");

    QTest::newRow("1.5 Gb in Mb") << onDevice(0, 3 * GiB / 2, 0, 0) << 1 << 1536.0;
    QTest::newRow("1.5 Gb in Kb") << onDevice(0, 3 * GiB / 2, 0, 0) << 0 << 1572864.0;
    QTest::newRow("5 Kb in Gb: too small for two decimals") << onDevice(0, 5 * KiB, 0, 0) << 2 << 0.0;
    QTest::newRow("3 Mb in Gb") << onDevice(0, 3 * 1024 * KiB, 0, 0) << 2 << 0.0;
    QTest::newRow("no limit stays 0") << onDevice(0, 0, 0, 0) << 2 << 0.0;
}

void SettingMemberQuotasDialogTest::unitSwitchShowsTheAmount()
{
    QFETCH(MemberQuotaData, data);
    QFETCH(int, unit);
    QFETCH(double, shown);

    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    SettingMemberQuotasDialog dialog(member, sdb);
    widget<QComboBox>(&dialog, "hardLimitCombo")->setCurrentIndex(unit);
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "hardLimitMemoryValue")->value(), shown);
}

void SettingMemberQuotasDialogTest::limitsMustFit_data()
{
    QTest::addColumn<MemberQuotaData>("data");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("warning");

    const QString space = QStringLiteral("The soft memory limit is above the hard memory limit. A limit of 0 means no limit.");
    const QString files = QStringLiteral("The soft files limit is above the hard files limit. A limit of 0 means no limit.");
    QTest::newRow("soft files above hard") << onDevice(0, 0, 0, 5) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "softLimitFilesChBox")->setChecked(true);
        widget<Int64SpinBox>(&d, "softLimitFilesValue")->setValue(10);
    }) << files;
    QTest::newRow("equal limits fit") << onDevice(0, 0, 0, 5) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "softLimitFilesChBox")->setChecked(true);
        widget<Int64SpinBox>(&d, "softLimitFilesValue")->setValue(5);
    }) << QString();
    QTest::newRow("a hard limit of 0 is none") << onDevice(0, 0, 0, 5) << Edit([](SettingMemberQuotasDialog &d) {
        widget<Int64SpinBox>(&d, "softLimitFilesValue")->setValue(10);
        widget<QCheckBox>(&d, "softLimitFilesChBox")->setChecked(true);
        widget<QCheckBox>(&d, "hardLimitFilesChBox")->setChecked(false);
    }) << QString();
    QTest::newRow("soft space above hard, across units") << onDevice(0, GiB, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "softLimitMemoryChBox")->setChecked(true);
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(1);
        widget<QDoubleSpinBox>(&d, "softLimitMemoryValue")->setValue(1025);
    }) << space;
    QTest::newRow("lowering the soft limit again makes sense") << onDevice(0, GiB, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
        widget<QCheckBox>(&d, "softLimitMemoryChBox")->setChecked(true);
        widget<QComboBox>(&d, "softLimitCombo")->setCurrentIndex(1);
        widget<QDoubleSpinBox>(&d, "softLimitMemoryValue")->setValue(1025);
        widget<QDoubleSpinBox>(&d, "softLimitMemoryValue")->setValue(1024);
    }) << QString();
    QTest::newRow("both pairs wrong")
        << onDevice(2 * GiB, GiB, 0, 0) << Edit([](SettingMemberQuotasDialog &d) {
               widget<QCheckBox>(&d, "softLimitFilesChBox")->setChecked(true);
               widget<Int64SpinBox>(&d, "softLimitFilesValue")->setValue(10);
               widget<QCheckBox>(&d, "hardLimitFilesChBox")->setChecked(true);
               widget<Int64SpinBox>(&d, "hardLimitFilesValue")->setValue(1);
           })
        << QStringLiteral(
               "The soft memory limit is above the hard memory limit. The soft files limit is above the hard files limit. A limit of 0 means no limit.");
}

void SettingMemberQuotasDialogTest::limitsMustFit()
{
    QFETCH(MemberQuotaData, data);
    QFETCH(Edit, edit);
    QFETCH(QString, warning);

    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    SettingMemberQuotasDialog dialog(member, sdb);
    dialog.show();
    edit(dialog);
    auto message = widget<KMessageWidget>(&dialog, "limitsWarning");
    QCOMPARE(message->isVisibleTo(&dialog), !warning.isEmpty());
    if (!warning.isEmpty()) {
        QCOMPARE(message->text(), warning);
    }
    QPushButton *ok = widget<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    QCOMPARE(ok->isEnabled(), warning.isEmpty());
    // Not even a direct accept lets a wrong pair through.
    dialog.accept();
    QCOMPARE(dialog.result() == QDialog::Accepted, warning.isEmpty());
}

void SettingMemberQuotasDialogTest::manyMembersWriteOnlyWhatChanged_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("changed");
    QTest::addColumn<qint64>("hardFiles");

    // anna and bert agree on the hard space limit (1 GiB) and the soft file
    // limit (none) and differ in the soft space limit and the hard file limit.
    QTest::newRow("nothing touched: OK stays off") << Edit([](SettingMemberQuotasDialog &) {}) << 0 << qint64(0);
    QTest::newRow("a unit switch alone changes nothing") << Edit([](SettingMemberQuotasDialog &d) {
        widget<QComboBox>(&d, "hardLimitCombo")->setCurrentIndex(1);
    }) << 0 << qint64(0);
    QTest::newRow("only the hard space limit") << Edit([](SettingMemberQuotasDialog &d) {
        widget<QDoubleSpinBox>(&d, "hardLimitMemoryValue")->setValue(2);
    }) << int(HardSpaceField) << qint64(0);
    QTest::newRow("setting a limit they differ in") << Edit([](SettingMemberQuotasDialog &d) {
        clickIndicator(widget<QCheckBox>(&d, "hardLimitFilesChBox"));
        widget<Int64SpinBox>(&d, "hardLimitFilesValue")->setValue(3000000000LL);
    }) << int(HardFilesField) << qint64(3000000000LL);
    QTest::newRow("removing a limit they differ in") << Edit([](SettingMemberQuotasDialog &d) {
        clickIndicator(widget<QCheckBox>(&d, "softLimitMemoryChBox"));
        clickIndicator(widget<QCheckBox>(&d, "softLimitMemoryChBox"));
    }) << int(SoftSpaceField) << qint64(0);
    QTest::newRow("clicking through back to various changes nothing") << Edit([](SettingMemberQuotasDialog &d) {
        for (int click = 0; click < 3; ++click) {
            clickIndicator(widget<QCheckBox>(&d, "softLimitMemoryChBox"));
        }
    }) << 0 << qint64(0);
    QTest::newRow("a value set back to what they had") << Edit([](SettingMemberQuotasDialog &d) {
        widget<QDoubleSpinBox>(&d, "hardLimitMemoryValue")->setValue(2);
        widget<QDoubleSpinBox>(&d, "hardLimitMemoryValue")->setValue(1);
    }) << 0 << qint64(0);
}

void SettingMemberQuotasDialogTest::manyMembersWriteOnlyWhatChanged()
{
    QFETCH(Edit, edit);
    QFETCH(int, changed);
    QFETCH(qint64, hardFiles);

    SettingsDeviceQuota anna({QStringLiteral("anna"), 1001, false}, {{sdb, onDevice(5 * 1024 * GiB, GiB, 0, 3000000000LL)}}, Users);
    SettingsDeviceQuota bert({QStringLiteral("bert"), 1002, false}, {{sdb, onDevice(0, GiB, 0, 7)}}, Users);
    SettingMemberQuotasDialog dialog(anna, sdb);
    dialog.setManyMembers({&anna, &bert});
    dialog.show();

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Setting quotas for 2 users: anna, bert"));
    QVERIFY(widget<QLabel>(&dialog, "manyMembersLabel")->text().startsWith(QStringLiteral("The limits you change are set for 2 members.")));
    // Where they differ: an empty field saying so, not the first member's value.
    QCOMPARE(widget<QCheckBox>(&dialog, "softLimitMemoryChBox")->checkState(), Qt::PartiallyChecked);
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "softLimitMemoryValue")->text(), QStringLiteral("various"));
    QCOMPARE(widget<Int64SpinBox>(&dialog, "hardLimitFilesValue")->text(), QStringLiteral("various"));
    QCOMPARE(widget<QCheckBox>(&dialog, "hardLimitMemoryChBox")->checkState(), Qt::Checked);
    QCOMPARE(widget<QDoubleSpinBox>(&dialog, "hardLimitMemoryValue")->value(), 1.0);
    QCOMPARE(widget<QCheckBox>(&dialog, "softLimitFilesChBox")->checkState(), Qt::Unchecked);

    edit(dialog);
    QCOMPARE(dialog.changedFields(), changed);
    QPushButton *ok = widget<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    QCOMPARE(ok->isEnabled(), changed != 0);
    if (changed & HardFilesField) {
        dialog.accept();
        QCOMPARE(dialog.selectedMember().devicesQuota().value(sdb).hardFilesLimit(), hardFiles);
    }
}

void SettingMemberQuotasDialogTest::runningGraceKeptToTheSecond()
{
    MemberQuotaData data = onDevice(GiB, 2 * GiB, 0, 9);
    const QDateTime moment = QDateTime::fromSecsSinceEpoch(1800000007);
    data.setGraceDateTime({moment, QDateTime()});
    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    SettingMemberQuotasDialog dialog(member, sdb);
    widget<Int64SpinBox>(&dialog, "hardLimitFilesValue")->setValue(10);
    dialog.accept();
    // Untouched, the moment goes back as it was read, seconds and all.
    QCOMPARE(dialog.selectedMember().devicesQuota().value(sdb).graceDateTime().blockGrace, moment);
}

void SettingMemberQuotasDialogTest::labelsAndBoxesAreNamed()
{
    SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, onDevice(0, 0, 0, 0)}}, Users);
    SettingMemberQuotasDialog dialog(member, sdb);
    // The value labels beside the captions are shown, not captions.
    const QStringList values{"filesystemName", "quotaStatusName", "quotaIsOnValue"};
    const auto labels = dialog.findChildren<QLabel *>();
    int captions = 0;
    for (const QLabel *label : labels) {
        const QString name = label->objectName();
        if (name.startsWith(QLatin1String("label_")) || name.endsWith(QLatin1String("Label"))) {
            QVERIFY2(label->buddy(), qPrintable(name));
            ++captions;
        }
    }
    QCOMPARE(captions, 11);
    // Check boxes without text say which limit they switch.
    const auto boxes = dialog.findChildren<QCheckBox *>();
    QCOMPARE(boxes.size(), 4);
    for (const QCheckBox *box : boxes) {
        QVERIFY(box->text().isEmpty());
        QVERIFY2(!box->accessibleName().isEmpty(), qPrintable(box->objectName()));
    }
    for (const char *name : {"softLimitCombo", "hardLimitCombo", "devicesCombo"}) {
        QVERIFY2(!widget<QComboBox>(&dialog, name)->accessibleName().isEmpty(), name);
    }
}

QTEST_MAIN(SettingMemberQuotasDialogTest)

#include "settingmemberquotasdialogtest.moc"
