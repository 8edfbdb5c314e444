// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// How the tabs and the member dialog treat what a load could not read: a
// device whose records failed, and members that stand for records of ids
// without an account.

#include "fakesystem.h"

#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/ui/quotasettingsmodel.h"
#include "plugin/ui/quotatableexporter.h"
#include "plugin/ui/settingmemberquotasdialog.h"

#include <KMessageWidget>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");
const QString reason = QStringLiteral("Wrong value cmd or type");

MemberQuotaData knownLimits(const QString &device)
{
    dqblk record{};
    record.dqb_bsoftlimit = 1024;
    record.dqb_isoftlimit = 10;
    return MemberQuotaData(device, QStringLiteral("ext4"), record, GraceTimePeriod());
}

QList<QCheckBox *> limitBoxes(QObject *dialog)
{
    QList<QCheckBox *> boxes;
    for (const char *name : {"softLimitMemoryChBox", "hardLimitMemoryChBox", "softLimitFilesChBox", "hardLimitFilesChBox"}) {
        boxes.append(dialog->findChild<QCheckBox *>(QString::fromLatin1(name)));
    }
    return boxes;
}
}

class UnknownDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelCells_data();
    void modelCells();
    void dialogRefusesUnreadDevice_data();
    void dialogRefusesUnreadDevice();
    void exportLeavesUnreadCellsEmpty_data();
    void exportLeavesUnreadCellsEmpty();
};

void UnknownDataTest::modelCells_data()
{
    QTest::addColumn<bool>("unknownAccount");
    QTest::addColumn<QString>("readError");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    const QVariant unknown = QStringLiteral("unknown");
    QTest::newRow("unread limit shows unknown, not empty") << false << reason << int(QuotaSettingsModel::BlockSoftLimit) << int(Qt::DisplayRole) << unknown;
    QTest::newRow("unread file count shows unknown, not nothing") << false << reason << int(QuotaSettingsModel::UsedInodes) << int(Qt::DisplayRole) << unknown;
    QTest::newRow("unread quota state shows unknown, not off") << false << reason << int(QuotaSettingsModel::QuotaIsOn) << int(Qt::DisplayRole) << unknown;
    QTest::newRow("the tooltip gives the reason") << false << reason << int(QuotaSettingsModel::BlockHardLimit) << int(Qt::ToolTipRole)
                                                  << QVariant(QStringLiteral("The quota data could not be read: Wrong value cmd or type"));
    QTest::newRow("the name stays readable") << false << reason << int(QuotaSettingsModel::NameColumn) << int(Qt::DisplayRole)
                                             << QVariant(QStringLiteral("anna"));
    QTest::newRow("known data is shown as before") << false << QString() << int(QuotaSettingsModel::InodeSoftLimit) << int(Qt::DisplayRole) << QVariant(10);
    QTest::newRow("an account is marked as known") << false << QString() << int(QuotaSettingsModel::UsedBlocks) << QuotaSettingsModel::UnknownAccountRole
                                                   << QVariant(false);
    QTest::newRow("a stray id is marked in every cell")
        << true << QString() << int(QuotaSettingsModel::UsedBlocks) << QuotaSettingsModel::UnknownAccountRole << QVariant(true);
    QTest::newRow("a stray id's name says where it comes from")
        << true << QString() << int(QuotaSettingsModel::NameColumn) << int(Qt::ToolTipRole)
        << QVariant(QStringLiteral("No account has this id; its quota records were left by a deleted account."));
}

void UnknownDataTest::modelCells()
{
    QFETCH(bool, unknownAccount);
    QFETCH(QString, readError);
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(QVariant, expected);

    const MemberQuotaData data = readError.isEmpty() ? knownLimits(sdb) : MemberQuotaData::unknown(sdb, QStringLiteral("ext4"), readError);
    SettingsDeviceQuota member({unknownAccount ? QStringLiteral("#4242") : QStringLiteral("anna"), 4242, false, unknownAccount}, {{sdb, data}}, Users);
    QuotaSettingsModel model({&member}, nullptr);
    model.setCurrentDevice(sdb);
    QCOMPARE(model.index(0, column).data(role), expected);
}

void UnknownDataTest::dialogRefusesUnreadDevice_data()
{
    QTest::addColumn<QString>("readError");
    QTest::addColumn<QString>("message");

    QTest::newRow("the helper's reason") << reason
                                         << "The quota data of this member on this device could not be read, so its limits cannot be changed here: "
                                            "Wrong value cmd or type";
    QTest::newRow("no reason given") << QString() << "The quota data of this member on this device could not be read, so its limits cannot be changed here.";
}

void UnknownDataTest::dialogRefusesUnreadDevice()
{
    QFETCH(QString, readError);
    QFETCH(QString, message);

    FakeSystem system;
    for (const QString &path : {sdb, sdc}) {
        FakeSystem::Device device;
        device.path = path;
        system.addDevice(device);
    }
    const MemberQuotaData unread = MemberQuotaData::unknown(sdb, QStringLiteral("ext4"), readError);
    const SettingsDeviceQuota member({QStringLiteral("anna"), 1001, false}, {{sdb, unread}, {sdc, knownLimits(sdc)}}, Users);

    SettingMemberQuotasDialog dialog(member, sdb, nullptr);
    auto ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    auto warning = dialog.findChild<KMessageWidget *>();
    for (QCheckBox *box : limitBoxes(&dialog)) {
        QVERIFY(!box->isEnabled());
    }
    QVERIFY(!warning->isHidden());
    QCOMPARE(warning->text(), message);
    QVERIFY(!ok->isEnabled());

    // The readable device can be edited; back on the unread one OK is
    // refused again, and even a forced accept stores nothing for it.
    auto devices = dialog.findChild<QComboBox *>(QStringLiteral("devicesCombo"));
    devices->setCurrentText(sdc);
    for (QCheckBox *box : limitBoxes(&dialog)) {
        QVERIFY(box->isEnabled());
    }
    QVERIFY(warning->isHidden());
    devices->setCurrentText(sdb);
    QVERIFY(!ok->isEnabled());
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.selectedMember().devicesQuota().value(sdb).isKnown());
}

void UnknownDataTest::exportLeavesUnreadCellsEmpty_data()
{
    QTest::addColumn<QString>("readError");
    QTest::addColumn<QByteArray>("csv");

    const QByteArray header =
        "Name,Quota is on,Used space (bytes),Soft space limit (bytes),Grace space period (seconds),Used inodes (files),"
        "Soft inode limit (files)\r\n";
    QTest::newRow("an unread record: empty cells, not zeros") << reason << header + "anna,,,,,,\r\n";
    QTest::newRow("a read record: its values") << QString() << header + "anna,on,0,1048576,0,0,10\r\n";
}

void UnknownDataTest::exportLeavesUnreadCellsEmpty()
{
    QFETCH(QString, readError);
    QFETCH(QByteArray, csv);

    const MemberQuotaData data = readError.isEmpty() ? knownLimits(sdb) : MemberQuotaData::unknown(sdb, QStringLiteral("ext4"), readError);
    SettingsDeviceQuota member({QStringLiteral("anna"), 4242, false}, {{sdb, data}}, Users);
    QuotaSettingsModel model({&member}, nullptr);
    model.setCurrentDevice(sdb);
    const QList<int> columns{QuotaSettingsModel::NameColumn,
                             QuotaSettingsModel::QuotaIsOn,
                             QuotaSettingsModel::UsedBlocks,
                             QuotaSettingsModel::BlockSoftLimit,
                             QuotaSettingsModel::GraceBlockPeriod,
                             QuotaSettingsModel::UsedInodes,
                             QuotaSettingsModel::InodeSoftLimit};
    QCOMPARE(QuotaTableExporter::csv(model, columns), csv);
}

QTEST_MAIN(UnknownDataTest)

#include "unknowndatatest.moc"
