// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/ui/quotasettingsproxymodel.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/ui/quotasettingsmodel.h"

#include <KColorScheme>

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QDateTime now(QDate(2026, 12, 8), QTime(12, 0));

struct Row {
    QString name;
    int id;
    bool system;
    quint64 used;
    quint64 soft;
    quint64 hard;
    int files;
    QDateTime blockGraceEnd;
    bool unknown = false;
};

MemberQuotaData dataOf(const Row &row)
{
    const MemorySizeTransfer transfer;
    MemberQuotaData data;
    data.setDeviceName(sdb);
    data.setDeviceQuotaIsOn(true);
    data.setMemorySize(UsedSize, transfer.memFromBytes(row.used));
    data.setMemorySize(SoftLimitSize, transfer.memFromBytes(row.soft));
    data.setMemorySize(HardLimitSize, transfer.memFromBytes(row.hard));
    data.setNumberOfFilesUsed(row.files);
    data.setGraceDateTime({row.blockGraceEnd, QDateTime()});
    return data;
}

const quint64 MiB = 1024 * 1024;

// In the account directory's order. Sizes are chosen so that their texts
// sort differently from their numbers ("200 b" after "1 Mb").
const QList<Row> rows = {
    {"user10", 1010, false, 1536, 0, 0, 100, {}},
    {"root", 0, true, 3 * 1024 * MiB, 0, 0, 9, {}},
    {"user2", 1002, false, 200, MiB, 2 * MiB, 10, {}},
    {"anna", 1001, false, MiB + 1, MiB, 2 * MiB, 0, now.addSecs(2 * 86400 + 3 * 3600)},
    {"bert", 1003, false, 2 * MiB, MiB, 2 * MiB, 5, now.addDays(1)},
    {"carl", 1004, false, MiB + 1, MiB, 0, 5, now.addDays(-1)},
    {"#5000", 5000, false, MiB, MiB, 0, 1, {}, true},
};
}

class QuotaSettingsProxyModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void sorting_data();
    void sorting();
    void filtering_data();
    void filtering();
    void marks_data();
    void marks();
    void usageToolTips_data();
    void usageToolTips();
    void filterFollowsADeviceChange();

private:
    QStringList names(const QAbstractItemModel &model) const;

    QTemporaryDir m_icons;
    std::vector<std::unique_ptr<SettingsDeviceQuota>> m_members;
    std::unique_ptr<QuotaSettingsModel> m_model;
    std::unique_ptr<QuotaSettingsProxyModel> m_proxy;
};

void QuotaSettingsProxyModelTest::initTestCase()
{
    // The C locale compares plain code points; people sort in a language.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // An icon theme with just the icons in question, so a mark can be told
    // by its name.
    QVERIFY(m_icons.isValid());
    const QString folder = m_icons.filePath(QStringLiteral("marks/16"));
    QVERIFY(QDir().mkpath(folder));
    QFile index(m_icons.filePath(QStringLiteral("marks/index.theme")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=marks\nDirectories=16\n\n[16]\nSize=16\n");
    index.close();
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (const char *name : {"gmc-user", "dialog-warning", "dialog-error", "dialog-question"}) {
        QVERIFY(image.save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png")));
    }
    QIcon::setThemeSearchPaths({m_icons.path()});
    QIcon::setThemeName(QStringLiteral("marks"));
}

void QuotaSettingsProxyModelTest::init()
{
    m_proxy.reset();
    m_model.reset();
    m_members.clear();
    QList<SettingsDeviceQuota *> list;
    for (const Row &row : rows) {
        Member member{row.name, row.id, row.system};
        member.unknownAccount = row.unknown;
        m_members.push_back(std::make_unique<SettingsDeviceQuota>(member, QHash<QString, MemberQuotaData>{{sdb, dataOf(row)}}, Users));
        list.append(m_members.back().get());
    }
    m_model = std::make_unique<QuotaSettingsModel>(list, nullptr, [] {
        return now;
    });
    m_model->setCurrentDevice(sdb);
    m_proxy = std::make_unique<QuotaSettingsProxyModel>(m_model.get());
}

QStringList QuotaSettingsProxyModelTest::names(const QAbstractItemModel &model) const
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row) {
        result.append(model.index(row, QuotaSettingsModel::NameColumn).data().toString());
    }
    return result;
}

void QuotaSettingsProxyModelTest::sorting_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("unsorted keeps the directory's order")
        << -1 << int(Qt::AscendingOrder) << QStringList{"user10", "root", "user2", "anna", "bert", "carl", "#5000"};
    QTest::newRow("names: numbers inside count as numbers")
        << int(QuotaSettingsModel::NameColumn) << int(Qt::AscendingOrder) << QStringList{"#5000", "anna", "bert", "carl", "root", "user2", "user10"};
    QTest::newRow("used space by bytes, biggest first")
        << int(QuotaSettingsModel::UsedBlocks) << int(Qt::DescendingOrder) << QStringList{"root", "bert", "anna", "carl", "#5000", "user10", "user2"};
    QTest::newRow("used files by count, equal counts keep their order")
        << int(QuotaSettingsModel::UsedInodes) << int(Qt::AscendingOrder) << QStringList{"anna", "#5000", "bert", "carl", "root", "user2", "user10"};
    QTest::newRow("grace ends: none running first, then by moment")
        << int(QuotaSettingsModel::GraceBlockTime) << int(Qt::AscendingOrder) << QStringList{"user10", "root", "user2", "#5000", "carl", "bert", "anna"};
    QTest::newRow("hard limits by bytes") << int(QuotaSettingsModel::BlockHardLimit) << int(Qt::DescendingOrder)
                                          << QStringList{"user2", "anna", "bert", "user10", "root", "carl", "#5000"};
}

void QuotaSettingsProxyModelTest::sorting()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, expected);

    m_proxy->sort(column, static_cast<Qt::SortOrder>(order));
    QCOMPARE(names(*m_proxy), expected);
    // The member behind a sorted row is that row's member.
    QCOMPARE(m_proxy->item(m_proxy->index(0, 0))->member().name, expected.first());
}

void QuotaSettingsProxyModelTest::filtering_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("all") << int(QuotaSettingsProxyModel::All) << QString() << QStringList{"user10", "root", "user2", "anna", "bert", "carl", "#5000"};
    QTest::newRow("ordinary accounts, unknown ones included")
        << int(QuotaSettingsProxyModel::Ordinary) << QString() << QStringList{"user10", "user2", "anna", "bert", "carl", "#5000"};
    QTest::newRow("system accounts") << int(QuotaSettingsProxyModel::Systems) << QString() << QStringList{"root"};
    QTest::newRow("over a limit: grace running, at the hard limit, expired")
        << int(QuotaSettingsProxyModel::OverLimit) << QString() << QStringList{"anna", "bert", "carl"};
    QTest::newRow("part of a name, any case") << int(QuotaSettingsProxyModel::All) << QStringLiteral("SER1") << QStringList{"user10"};
    QTest::newRow("blanks around the search are ignored") << int(QuotaSettingsProxyModel::All) << QStringLiteral("  ann ") << QStringList{"anna"};
    QTest::newRow("a whole id") << int(QuotaSettingsProxyModel::All) << QStringLiteral("1003") << QStringList{"bert"};
    QTest::newRow("an id with #") << int(QuotaSettingsProxyModel::All) << QStringLiteral("#0") << QStringList{"root"};
    QTest::newRow("part of an id is no match") << int(QuotaSettingsProxyModel::All) << QStringLiteral("100") << QStringList{};
    QTest::newRow("an unknown account by its name") << int(QuotaSettingsProxyModel::All) << QStringLiteral("#5000") << QStringList{"#5000"};
    QTest::newRow("search within the mode") << int(QuotaSettingsProxyModel::OverLimit) << QStringLiteral("r") << QStringList{"bert", "carl"};
    QTest::newRow("nothing found") << int(QuotaSettingsProxyModel::Systems) << QStringLiteral("anna") << QStringList{};
}

void QuotaSettingsProxyModelTest::filtering()
{
    QFETCH(int, mode);
    QFETCH(QString, search);
    QFETCH(QStringList, expected);

    m_proxy->setFilterMode(static_cast<QuotaSettingsProxyModel::FilterModeId>(mode));
    m_proxy->setSearchText(search);
    QCOMPARE(names(*m_proxy), expected);
    m_proxy->setSearchText(QString());
    m_proxy->setFilterMode(QuotaSettingsProxyModel::All);
    QCOMPARE(m_proxy->rowCount(), int(rows.size()));
}

void QuotaSettingsProxyModelTest::marks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("textRole");
    QTest::addColumn<QString>("toolTipLine");

    QTest::newRow("within the limits: the member icon, plain text") << "user2"
                                                                    << "gmc-user" << -1 << "user2 (id 1002)";
    QTest::newRow("at the soft limit: still within") << "#5000"
                                                     << "dialog-question" << int(KColorScheme::InactiveText)
                                                     << "No account has this id; the records are left from a deleted account.";
    QTest::newRow("one byte over: grace running, with the time left")
        << "anna"
        << "dialog-warning" << int(KColorScheme::NeutralText) << "Over the soft limit; grace time left: 2d 3h";
    QTest::newRow("grace expired") << "carl"
                                   << "dialog-error" << int(KColorScheme::NegativeText) << "Over the soft limit; grace time expired";
    QTest::newRow("at the hard limit") << "bert"
                                       << "dialog-error" << int(KColorScheme::NegativeText) << "At the hard limit";
}

void QuotaSettingsProxyModelTest::marks()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    QFETCH(int, textRole);
    QFETCH(QString, toolTipLine);

    m_proxy->setSearchText(name);
    QCOMPARE(m_proxy->rowCount(), 1);
    const QModelIndex index = m_proxy->index(0, QuotaSettingsModel::NameColumn);
    QCOMPARE(index.data(Qt::DecorationRole).value<QIcon>().name(), icon);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (textRole < 0) {
        QVERIFY(!foreground.isValid());
    } else {
        const KColorScheme scheme(QPalette::Active, KColorScheme::View);
        QCOMPARE(foreground.value<QBrush>(), scheme.foreground(static_cast<KColorScheme::ForegroundRole>(textRole)));
    }
    QVERIFY2(index.data(Qt::ToolTipRole).toString().split(QLatin1Char('\n')).contains(toolTipLine), qPrintable(index.data(Qt::ToolTipRole).toString()));
    // The texts themselves stay those of the table.
    QCOMPARE(index.data(Qt::DisplayRole).toString(), name);
    QVERIFY(!m_proxy->index(0, QuotaSettingsModel::QuotaIsOn).data(Qt::DecorationRole).isValid());
}

void QuotaSettingsProxyModelTest::usageToolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QVariant>("share");

    QTest::newRow("exact bytes against both limits") << "anna" << int(QuotaSettingsModel::UsedBlocks)
                                                     << "Used (bytes): 1048577\nSoft limit: 1048576 (100% used)\nHard limit: 2097152 (50% used)"
                                                     << QVariant(double(MiB + 1) / double(MiB));
    QTest::newRow("no limit: no share") << "root" << int(QuotaSettingsModel::UsedBlocks) << "Used (bytes): 3221225472\nNo limit" << QVariant();
    QTest::newRow("files without limits") << "user10" << int(QuotaSettingsModel::UsedInodes) << "Used (files): 100\nNo limit" << QVariant();
}

void QuotaSettingsProxyModelTest::usageToolTips()
{
    QFETCH(QString, name);
    QFETCH(int, column);
    QFETCH(QString, toolTip);
    QFETCH(QVariant, share);

    m_proxy->setSearchText(name);
    const QModelIndex index = m_proxy->index(0, column);
    QCOMPARE(index.data(Qt::ToolTipRole).toString(), toolTip);
    QCOMPARE(index.data(QuotaSettingsModel::UsageShareRole), share);
}

void QuotaSettingsProxyModelTest::filterFollowsADeviceChange()
{
    m_proxy->setFilterMode(QuotaSettingsProxyModel::OverLimit);
    QCOMPARE(m_proxy->rowCount(), 3);
    // Nobody has data on another device, so nobody is over a limit there.
    m_model->setCurrentDevice(QStringLiteral("/dev/sdc1"));
    QCOMPARE(m_proxy->rowCount(), 0);
    m_model->setCurrentDevice(sdb);
    QCOMPARE(m_proxy->rowCount(), 3);
}

QTEST_MAIN(QuotaSettingsProxyModelTest)

#include "quotasettingsproxymodeltest.moc"
