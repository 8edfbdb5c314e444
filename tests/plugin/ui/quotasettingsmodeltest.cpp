// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/ui/quotasettingsmodel.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysizetransfer.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");

MemberQuotaData quotaData(quint64 usedBytes, quint64 softBytes, quint64 hardBytes, int files, int softFiles, int hardFiles)
{
    const MemorySizeTransfer transfer;
    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setMemorySize(UsedSize, transfer.memFromBytes(usedBytes));
    data.setMemorySize(SoftLimitSize, transfer.memFromBytes(softBytes));
    data.setMemorySize(HardLimitSize, transfer.memFromBytes(hardBytes));
    data.setNumberOfFilesUsed(files);
    data.setSoftFilesLimit(softFiles);
    data.setHardFilesLimit(hardFiles);
    return data;
}

MemberQuotaData withGrace(MemberQuotaData data)
{
    GraceTimePeriod period;
    period.blockGrace.days = 6;
    period.inodeGrace.hours = 3;
    data.setGraceTimePeriod(period);
    GraceDateTime moments;
    moments.blockGrace = QDateTime(QDate(2024, 3, 5), QTime(14, 7));
    data.setGraceDateTime(moments);
    data.setDeviceQuotaIsOn(true);
    data.setObjectQuotaIsOn(true);
    return data;
}
}

Q_DECLARE_METATYPE(MemberQuotaData)

class QuotaSettingsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cells_data();
    void cells();
    void headers_data();
    void headers();
    void decoration_data();
    void decoration();
    void resetsFollowTheDeviceAndTheList();

private:
    QTemporaryDir m_icons;
};

void QuotaSettingsModelTest::initTestCase()
{
    // A tiny icon theme that has the two member icons, so the icon the
    // model picks can be told by its name.
    QVERIFY(m_icons.isValid());
    const QString folder = m_icons.filePath(QStringLiteral("members/16"));
    QVERIFY(QDir().mkpath(folder));
    QFile index(m_icons.filePath(QStringLiteral("members/index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=members\nDirectories=16\n\n[16]\nSize=16\n");
    index.close();
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(folder + QStringLiteral("/gmc-user.png")));
    QVERIFY(image.save(folder + QStringLiteral("/gmc-user-groups.png")));
    QIcon::setThemeSearchPaths({m_icons.path()});
    QIcon::setThemeName(QStringLiteral("members"));
}

void QuotaSettingsModelTest::cells_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<MemberQuotaData>("data");
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("expected");

    const MemberQuotaData limits = quotaData(1536, 0, 1024 * 1024, 0, 7, 0);
    const MemberQuotaData offWithLimits = quotaData(0, 2 * 1024 * 1024, 3ULL * 1024 * 1024 * 1024, 4, 10, 20);
    const MemberQuotaData running = withGrace(limits);

    QTest::newRow("name comes from the member") << sdb << limits << int(QuotaSettingsModel::NameColumn) << QVariant(QStringLiteral("anna"));
    QTest::newRow("1536 bytes used show as 1.5 Kb") << sdb << limits << int(QuotaSettingsModel::UsedBlocks) << QVariant(QStringLiteral("1.5 Kb"));
    QTest::newRow("a soft limit of 0 is an empty cell") << sdb << limits << int(QuotaSettingsModel::BlockSoftLimit) << QVariant(QString());
    QTest::newRow("hard limit in Mb") << sdb << limits << int(QuotaSettingsModel::BlockHardLimit) << QVariant(QStringLiteral("1 Mb"));
    QTest::newRow("no files used shows nothing") << sdb << limits << int(QuotaSettingsModel::UsedInodes) << QVariant();
    QTest::newRow("a file limit of 7 shows 7") << sdb << limits << int(QuotaSettingsModel::InodeSoftLimit) << QVariant(7);
    QTest::newRow("a hard file limit of 0 shows nothing") << sdb << limits << int(QuotaSettingsModel::InodeHardLimit) << QVariant();
    QTest::newRow("quota off reads off") << sdb << limits << int(QuotaSettingsModel::QuotaIsOn) << QVariant(QStringLiteral("off"));
    QTest::newRow("quota off still shows its limits") << sdb << offWithLimits << int(QuotaSettingsModel::BlockHardLimit) << QVariant(QStringLiteral("3 Gb"));
    QTest::newRow("quota off still shows its file limits") << sdb << offWithLimits << int(QuotaSettingsModel::InodeHardLimit) << QVariant(20);
    QTest::newRow("quota on reads on") << sdb << running << int(QuotaSettingsModel::QuotaIsOn) << QVariant(QStringLiteral("on"));
    QTest::newRow("grace expiry in day.month.year hour:minute")
        << sdb << running << int(QuotaSettingsModel::GraceBlockTime) << QVariant(QStringLiteral("05.03.2024 14:07"));
    QTest::newRow("no grace running is an empty cell") << sdb << running << int(QuotaSettingsModel::GraceInodeTime) << QVariant(QString());
    QTest::newRow("grace period as short text") << sdb << running << int(QuotaSettingsModel::GraceBlockPeriod) << QVariant(Time{0, 0, 0, 6, 0}.toString());
    QTest::newRow("inode grace period from its own field")
        << sdb << running << int(QuotaSettingsModel::GraceInodePeriod) << QVariant(Time{0, 0, 3, 0, 0}.toString());
    QTest::newRow("a zero grace period is empty") << sdb << limits << int(QuotaSettingsModel::GraceBlockPeriod) << QVariant(QString());
    QTest::newRow("another device: name still shown") << sdc << offWithLimits << int(QuotaSettingsModel::NameColumn) << QVariant(QStringLiteral("anna"));
    QTest::newRow("another device: off") << sdc << running << int(QuotaSettingsModel::QuotaIsOn) << QVariant(QStringLiteral("off"));
    QTest::newRow("another device: no limits") << sdc << offWithLimits << int(QuotaSettingsModel::BlockHardLimit) << QVariant(QString());
    QTest::newRow("another device: no file counts") << sdc << offWithLimits << int(QuotaSettingsModel::InodeHardLimit) << QVariant();
    QTest::newRow("no device chosen yet: default data") << QString() << offWithLimits << int(QuotaSettingsModel::InodeSoftLimit) << QVariant();
    QTest::newRow("column beyond the last gives nothing") << sdb << limits << 12 << QVariant();
}

void QuotaSettingsModelTest::cells()
{
    QFETCH(QString, device);
    QFETCH(MemberQuotaData, data);
    QFETCH(int, column);
    QFETCH(QVariant, expected);

    SettingsDeviceQuota anna({QStringLiteral("anna"), 1001, false}, {{sdb, data}}, Users);
    QuotaSettingsModel model({&anna});
    if (!device.isNull()) {
        model.setCurrentDevice(device);
    }
    QCOMPARE(model.columnCount(), 12);
    QCOMPARE(model.rowCount(), 1);

    // A column beyond the model has no valid index; ask with one made for
    // column 0 and moved by hand through the sibling, which checks bounds.
    const QModelIndex index = column < model.columnCount() ? model.index(0, column) : model.index(0, 0).sibling(0, column);
    const QVariant display = model.data(index, Qt::DisplayRole);
    QCOMPARE(display, expected);
    QCOMPARE(model.data(index, Qt::ToolTipRole), expected);
    QCOMPARE(model.data(index, Qt::EditRole), QVariant());
}

void QuotaSettingsModelTest::headers_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("first column") << 0 << int(Qt::Horizontal) << int(Qt::DisplayRole) << QVariant(QStringLiteral("Name"));
    QTest::newRow("tool tip like the text") << 6 << int(Qt::Horizontal) << int(Qt::ToolTipRole) << QVariant(QStringLiteral("Blocks time to force"));
    QTest::newRow("last column") << 11 << int(Qt::Horizontal) << int(Qt::DisplayRole) << QVariant(QStringLiteral("Inodes time to force"));
    QTest::newRow("beyond the last column") << 12 << int(Qt::Horizontal) << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("rows have no header") << 0 << int(Qt::Vertical) << int(Qt::DisplayRole) << QVariant();
    QTest::newRow("other roles give nothing") << 0 << int(Qt::Horizontal) << int(Qt::DecorationRole) << QVariant();
}

void QuotaSettingsModelTest::headers()
{
    QFETCH(int, section);
    QFETCH(int, orientation);
    QFETCH(int, role);
    QFETCH(QVariant, expected);

    QuotaSettingsModel model({});
    QCOMPARE(model.headerData(section, static_cast<Qt::Orientation>(orientation), role), expected);
}

void QuotaSettingsModelTest::decoration_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("icon");

    QTest::newRow("user icon in the name column") << int(Users) << 0 << QStringLiteral("gmc-user");
    QTest::newRow("group icon in the name column") << int(Groups) << 0 << QStringLiteral("gmc-user-groups");
    QTest::newRow("no icon elsewhere") << int(Users) << 1 << QString();
}

void QuotaSettingsModelTest::decoration()
{
    QFETCH(int, kind);
    QFETCH(int, column);
    QFETCH(QString, icon);

    SettingsDeviceQuota member({QStringLiteral("staff"), 50, false}, {}, static_cast<SettingsId>(kind));
    QuotaSettingsModel model({&member});
    const QVariant decoration = model.data(model.index(0, column), Qt::DecorationRole);
    if (icon.isEmpty()) {
        QVERIFY(!decoration.isValid());
    } else {
        QCOMPARE(decoration.value<QIcon>().name(), icon);
    }
}

void QuotaSettingsModelTest::resetsFollowTheDeviceAndTheList()
{
    SettingsDeviceQuota anna({QStringLiteral("anna"), 1001, false}, {{sdb, quotaData(0, 0, 0, 0, 7, 0)}}, Users);
    SettingsDeviceQuota root({QStringLiteral("root"), 0, true}, {}, Users);
    QuotaSettingsModel model({&anna});
    const QModelIndex softFiles = model.index(0, QuotaSettingsModel::InodeSoftLimit);
    QCOMPARE(model.data(softFiles), QVariant());

    model.setCurrentDevice(sdb);
    QCOMPARE(model.data(model.index(0, QuotaSettingsModel::InodeSoftLimit)), QVariant(7));

    model.setSettingsQuota({&root, &anna});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.item(model.index(1, 0)), &anna);
    QCOMPARE(model.currentDevice(), sdb);
    // A stale index of a longer list must not read past the end.
    const QModelIndex second = model.index(1, 0);
    model.setSettingsQuota({&root});
    QCOMPARE(model.data(second), QVariant());
}

QTEST_MAIN(QuotaSettingsModelTest)

#include "quotasettingsmodeltest.moc"
