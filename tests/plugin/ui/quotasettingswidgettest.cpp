// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/ui/int64spinbox.h"
#include "plugin/ui/quotasettingswidget.h"
#include "plugin/ui/settingmemberquotasdialog.h"

#include "plugin/model/values/memorysizetransfer.h"

#include <KSharedConfig>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");

MemberQuotaData filesLimit(const QString &device, int hardFiles)
{
    MemberQuotaData data;
    data.setDeviceName(device);
    data.setDeviceQuotaIsOn(true);
    data.setHardFilesLimit(hardFiles);
    return data;
}

MemberQuotaData atFilesLimit(const QString &device, int hardFiles)
{
    MemberQuotaData data = filesLimit(device, hardFiles);
    data.setNumberOfFilesUsed(hardFiles);
    return data;
}

QStringList shownNames(QTreeView *view)
{
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        names.append(view->model()->index(row, 0).data().toString());
    }
    return names;
}
}

class QuotaSettingsWidgetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void filterModes_data();
    void filterModes();
    void columnList_data();
    void columnList();
    void deviceChoiceReachesTheTable();
    void noDeviceAndNoMembers();
    void doubleClickEditsTheFilteredRow();
    void updateKeepsDeviceAndFilter();
    void viewStateIsRemembered_data();
    void viewStateIsRemembered();
    void searchNarrowsTheTable();
    void setLimitsForMany_data();
    void setLimitsForMany();
    void copyLimitsFromAMember_data();
    void copyLimitsFromAMember();
    void exportWritesTheShownTable();
    void copyPutsRowsAsTabSeparatedText();
    void searchFieldKeepsItsKeys_data();
    void searchFieldKeepsItsKeys();
    void placeSurvivesAReload_data();
    void placeSurvivesAReload();
    void refreshIsAsked_data();
    void refreshIsAsked();
    void controlsAreNamed();

private:
    QList<SettingsDeviceQuota *> members();

    std::unique_ptr<FakeSystem> m_system;
    QList<std::shared_ptr<SettingsDeviceQuota>> m_members;
};

void QuotaSettingsWidgetTest::init()
{
    m_system = std::make_unique<FakeSystem>();
    for (const QString &path : {sdc, sdb}) {
        FakeSystem::Device disk;
        disk.path = path;
        disk.fsSpec = path;
        m_system->addDevice(disk);
    }
    m_members.clear();
    m_members.append(
        std::make_shared<SettingsDeviceQuota>(Member{QStringLiteral("root"), 0, true}, QHash<QString, MemberQuotaData>{{sdb, filesLimit(sdb, 1)}}, Users));
    m_members.append(std::make_shared<SettingsDeviceQuota>(Member{QStringLiteral("anna"), 1001, false},
                                                           QHash<QString, MemberQuotaData>{{sdb, filesLimit(sdb, 2)}, {sdc, filesLimit(sdc, 20)}},
                                                           Users));
    m_members.append(std::make_shared<SettingsDeviceQuota>(Member{QStringLiteral("daemon"), 1, true}, QHash<QString, MemberQuotaData>{}, Users));
    m_members.append(std::make_shared<SettingsDeviceQuota>(Member{QStringLiteral("bert"), 1002, false},
                                                           QHash<QString, MemberQuotaData>{{sdb, atFilesLimit(sdb, 5)}},
                                                           Users));
}

void QuotaSettingsWidgetTest::cleanup()
{
    m_members.clear();
    m_system.reset();
}

QList<SettingsDeviceQuota *> QuotaSettingsWidgetTest::members()
{
    QList<SettingsDeviceQuota *> list;
    for (const auto &member : std::as_const(m_members)) {
        list.append(member.get());
    }
    return list;
}

void QuotaSettingsWidgetTest::filterModes_data()
{
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("opens on ordinary accounts") << QList<int>{} << QStringList{"anna", "bert"};
    QTest::newRow("all in list order") << QList<int>{QuotaSettingsWidget::All} << QStringList{"root", "anna", "daemon", "bert"};
    QTest::newRow("system accounts") << QList<int>{QuotaSettingsWidget::Systems} << QStringList{"root", "daemon"};
    QTest::newRow("all and back to ordinary") << QList<int>{QuotaSettingsWidget::All, QuotaSettingsWidget::Ordinary} << QStringList{"anna", "bert"};
    QTest::newRow("over a limit") << QList<int>{QuotaSettingsWidget::OverLimit} << QStringList{"bert"};
}

void QuotaSettingsWidgetTest::filterModes()
{
    QFETCH(QList<int>, modes);
    QFETCH(QStringList, names);

    QuotaSettingsWidget widget(members());
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    QCOMPARE(filter->count(), 4);
    for (int mode : modes) {
        filter->setCurrentIndex(filter->findData(QVariant::fromValue(static_cast<QuotaSettingsWidget::FilterModeId>(mode))));
    }
    QCOMPARE(shownNames(widget.findChild<QTreeView *>(QStringLiteral("treeView"))), names);
}

void QuotaSettingsWidgetTest::columnList_data()
{
    QTest::addColumn<QList<int>>("toggled");
    QTest::addColumn<QList<int>>("visible");

    QTest::newRow("the four main columns at start") << QList<int>{} << QList<int>{0, 1, 2, 7};
    QTest::newRow("the name column can be hidden too") << QList<int>{0} << QList<int>{1, 2, 7};
    QTest::newRow("a limit column shown") << QList<int>{9} << QList<int>{0, 1, 2, 7, 9};
    QTest::newRow("shown and hidden again") << QList<int>{4, 4} << QList<int>{0, 1, 2, 7};
}

void QuotaSettingsWidgetTest::columnList()
{
    QFETCH(QList<int>, toggled);
    QFETCH(QList<int>, visible);

    QuotaSettingsWidget widget(members());
    auto list = widget.findChild<QListWidget *>(QStringLiteral("filterCheckBoxes"));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    QCOMPARE(list->count(), 12);
    QVERIFY(!list->isVisibleTo(&widget));
    // The items carry their column numbers; a sorted list still works.
    list->sortItems();
    for (int column : toggled) {
        for (int row = 0; row < list->count(); ++row) {
            QListWidgetItem *item = list->item(row);
            if (item->data(Qt::UserRole).toInt() == column) {
                item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            }
        }
    }
    QList<int> shown;
    for (int column = 0; column < 12; ++column) {
        if (!view->header()->isSectionHidden(column)) {
            shown.append(column);
        }
    }
    QCOMPARE(shown, visible);

    auto button = widget.findChild<QPushButton *>(QStringLiteral("filterParamsBtn"));
    button->click();
    QVERIFY(list->isVisibleTo(&widget));
    button->click();
    QVERIFY(!list->isVisibleTo(&widget));
}

void QuotaSettingsWidgetTest::deviceChoiceReachesTheTable()
{
    QuotaSettingsWidget widget(members());
    auto devices = widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    QCOMPARE(devices->count(), 2);
    // Sorted; the first is current and shown at once. The administrator
    // reads the mount point first, the device path stays the key.
    QCOMPARE(devices->currentData().toString(), sdb);
    QCOMPARE(widget.currentDevice(), sdb);
    QCOMPARE(devices->currentText(), m_system->device(sdb).mountDir + QStringLiteral(" — /dev/sdb1 (ext4)"));
    QCOMPARE(view->model()->index(0, 9).data(), QVariant(2));
    devices->setCurrentIndex(devices->findData(sdc));
    QCOMPARE(view->model()->index(0, 9).data(), QVariant(20));
    QCOMPARE(view->model()->index(1, 9).data(), QVariant());
}

void QuotaSettingsWidgetTest::noDeviceAndNoMembers()
{
    m_system.reset();
    m_system = std::make_unique<FakeSystem>();
    QuotaSettingsWidget widget({});
    QCOMPARE(widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->count(), 0);
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    for (int index : {0, 2, 1}) {
        filter->setCurrentIndex(index);
        QCOMPARE(widget.findChild<QTreeView *>(QStringLiteral("treeView"))->model()->rowCount(), 0);
    }
    widget.updateSettings(members());
    QCOMPARE(shownNames(widget.findChild<QTreeView *>(QStringLiteral("treeView"))), (QStringList{"anna", "bert"}));
    QCOMPARE(widget.findChild<QTreeView *>(QStringLiteral("treeView"))->model()->index(0, 9).data(), QVariant());
}

void QuotaSettingsWidgetTest::doubleClickEditsTheFilteredRow()
{
    QuotaSettingsWidget widget(members());
    widget.show();
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    QSignalSpy changed(&widget, &QuotaSettingsWidget::settingsChanged);
    QString dialogTitle;
    QString editedName;
    connect(&widget, &QuotaSettingsWidget::settingsChanged, this, [&editedName](const SettingsDeviceQuota &settings) {
        editedName = settings.member().name + QLatin1Char(':') + QString::number(settings.devicesQuota().value(sdb).hardFilesLimit());
    });

    // The dialog runs modally: edit and accept it once it is up.
    QTimer::singleShot(0, this, [&dialogTitle] {
        auto dialog = qobject_cast<SettingMemberQuotasDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialogTitle = dialog->windowTitle();
        dialog->findChild<Int64SpinBox *>(QStringLiteral("hardLimitFilesValue"))->setValue(42);
        dialog->accept();
    });
    // Row 1 under the ordinary filter is bert, not daemon.
    const QModelIndex bert = view->model()->index(1, 0);
    Q_EMIT view->doubleClicked(bert);
    QCOMPARE(dialogTitle, QStringLiteral("Setting quotas for a user: bert"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(editedName, QStringLiteral("bert:42"));

    // A rejected dialog changes nothing.
    QTimer::singleShot(0, this, [] {
        QApplication::activeModalWidget()->close();
    });
    Q_EMIT view->doubleClicked(view->model()->index(0, 0));
    QCOMPARE(changed.count(), 1);
}

void QuotaSettingsWidgetTest::updateKeepsDeviceAndFilter()
{
    QuotaSettingsWidget widget(members());
    auto devices = widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    devices->setCurrentIndex(devices->findData(sdc));
    widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"))->setCurrentIndex(2);

    SettingsDeviceQuota reloaded(Member{QStringLiteral("root"), 0, true}, {{sdc, filesLimit(sdc, 33)}}, Users);
    widget.updateSettings({&reloaded, m_members.at(1).get()});
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    QCOMPARE(shownNames(view), QStringList{"root"});
    QCOMPARE(view->model()->index(0, 9).data(), QVariant(33));
}

void QuotaSettingsWidgetTest::viewStateIsRemembered_data()
{
    QTest::addColumn<QList<int>>("toggled");
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<int>("sortOrder");
    QTest::addColumn<QList<int>>("visible");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("nothing chosen: today's defaults") << QList<int>{} << -1 << int(Qt::AscendingOrder) << QList<int>{0, 1, 2, 7}
                                                      << QStringList{"root", "anna", "daemon", "bert"};
    QTest::newRow("a limit column shown, sorted by name")
        << QList<int>{9} << 0 << int(Qt::AscendingOrder) << QList<int>{0, 1, 2, 7, 9} << QStringList{"anna", "bert", "daemon", "root"};
    QTest::newRow("main columns hidden, sorted by a hidden one descending")
        << QList<int>{1, 2} << 9 << int(Qt::DescendingOrder) << QList<int>{0, 7} << QStringList{"bert", "anna", "root", "daemon"};
}

void QuotaSettingsWidgetTest::viewStateIsRemembered()
{
    QFETCH(QList<int>, toggled);
    QFETCH(int, sortColumn);
    QFETCH(int, sortOrder);
    QFETCH(QList<int>, visible);
    QFETCH(QStringList, names);

    QTemporaryDir dir;
    const KSharedConfig::Ptr config = KSharedConfig::openConfig(dir.filePath(QStringLiteral("kcm_quotasrc")), KConfig::SimpleConfig);
    {
        QuotaSettingsWidget widget(members(), nullptr, config->group("UsersTable"));
        auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
        filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
        auto list = widget.findChild<QListWidget *>(QStringLiteral("filterCheckBoxes"));
        for (int column : toggled) {
            QListWidgetItem *item = list->item(column);
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        }
        // What a click on a column header does.
        if (sortColumn >= 0) {
            widget.findChild<QTreeView *>(QStringLiteral("treeView"))->header()->setSortIndicator(sortColumn, static_cast<Qt::SortOrder>(sortOrder));
        }
    }

    // Read back from the file, as the next session would.
    const KSharedConfig::Ptr reread = KSharedConfig::openConfig(dir.filePath(QStringLiteral("kcm_quotasrc")), KConfig::SimpleConfig);
    QuotaSettingsWidget widget(members(), nullptr, reread->group("UsersTable"));
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    QList<int> shown;
    for (int column = 0; column < 12; ++column) {
        if (!view->header()->isSectionHidden(column)) {
            shown.append(column);
            QCOMPARE(widget.findChild<QListWidget *>(QStringLiteral("filterCheckBoxes"))->item(column)->checkState(), Qt::Checked);
        }
    }
    QCOMPARE(shown, visible);
    QCOMPARE(shownNames(view), names);

    // The other tab keeps its own state.
    QuotaSettingsWidget groups(members(), nullptr, reread->group("GroupsTable"));
    QCOMPARE(groups.findChild<QTreeView *>(QStringLiteral("treeView"))->header()->isSectionHidden(QuotaSettingsModel::InodeHardLimit), true);
    QCOMPARE(groups.findChild<QTreeView *>(QStringLiteral("treeView"))->header()->sortIndicatorSection(), -1);
}

void QuotaSettingsWidgetTest::searchNarrowsTheTable()
{
    QuotaSettingsWidget widget(members());
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    auto search = widget.findChild<QLineEdit *>(QStringLiteral("searchEdit"));
    QTest::keyClicks(search, QStringLiteral("BE"));
    QCOMPARE(shownNames(view), QStringList{"bert"});
    search->setText(QStringLiteral("1001"));
    QCOMPARE(shownNames(view), QStringList{"anna"});
    // The search and the mode act together: root is a system account.
    search->setText(QStringLiteral("#0"));
    QCOMPARE(shownNames(view), QStringList{});
    search->clear();
    QCOMPARE(shownNames(view), (QStringList{"anna", "bert"}));
}

void QuotaSettingsWidgetTest::setLimitsForMany_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("title");

    QTest::newRow("two members through the button") << QStringList{"anna", "bert"} << false << "Setting quotas for 2 users: anna, bert";
    QTest::newRow("three members through Return") << QStringList{"root", "anna", "daemon"} << true << "Setting quotas for 3 users: root, anna, daemon";
    QTest::newRow("one member: the plain editor") << QStringList{"bert"} << true << "Setting quotas for a user: bert";
}

void QuotaSettingsWidgetTest::setLimitsForMany()
{
    QFETCH(QStringList, selected);
    QFETCH(bool, byKey);
    QFETCH(QString, title);

    QuotaSettingsWidget widget(members());
    widget.show();
    // Shortcuts only reach the focused view of the active window.
    QApplication::setActiveWindow(&widget);
    QVERIFY(QTest::qWaitForWindowActive(&widget));
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    auto button = widget.findChild<QPushButton *>(QStringLiteral("setLimitsBtn"));
    QVERIFY(!button->isEnabled());
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        if (selected.contains(view->model()->index(row, 0).data().toString())) {
            view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QVERIFY(button->isEnabled());

    QList<QStringList> many;
    QString device;
    MemberQuotaData limits;
    int fields = 0;
    connect(&widget,
            &QuotaSettingsWidget::limitsChangedForMany,
            this,
            [&](const QList<SettingsDeviceQuota *> &members, const QString &onDevice, const MemberQuotaData &data, int changed) {
                fields = changed;
                QStringList names;
                for (const SettingsDeviceQuota *member : members) {
                    names.append(member->member().name);
                }
                many.append(names);
                device = onDevice;
                limits = data;
            });
    int single = 0;
    connect(&widget, &QuotaSettingsWidget::settingsChanged, this, [&single] {
        ++single;
    });

    QString shownTitle;
    bool deviceFixed = false;
    QTimer::singleShot(0, this, [&] {
        auto dialog = qobject_cast<SettingMemberQuotasDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shownTitle = dialog->windowTitle();
        deviceFixed = !dialog->findChild<QComboBox *>(QStringLiteral("devicesCombo"))->isEnabled();
        // The members differ in this limit: it has to be set to be written.
        dialog->findChild<QCheckBox *>(QStringLiteral("hardLimitFilesChBox"))->setCheckState(Qt::Checked);
        dialog->findChild<Int64SpinBox *>(QStringLiteral("hardLimitFilesValue"))->setValue(77);
        dialog->accept();
    });
    if (byKey) {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);
    } else {
        button->click();
    }
    QCOMPARE(shownTitle, title);
    if (selected.size() == 1) {
        QCOMPARE(single, 1);
        QVERIFY(many.isEmpty());
        return;
    }
    QVERIFY(deviceFixed);
    QCOMPARE(single, 0);
    QCOMPARE(many, QList<QStringList>{selected});
    QCOMPARE(device, sdb);
    QCOMPARE(limits.hardFilesLimit(), qint64(77));
    QCOMPARE(fields, int(HardFilesField));
}

void QuotaSettingsWidgetTest::copyLimitsFromAMember_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<qint64>("hardFiles");

    QTest::newRow("another member's limits, confirmed") << "bert" << int(QMessageBox::Yes) << QStringList{"root", "anna"} << qint64(5);
    QTest::newRow("a selected member is not its own target") << "anna" << int(QMessageBox::Yes) << QStringList{"root"} << qint64(2);
    QTest::newRow("the question cancelled: nothing happens") << "bert" << int(QMessageBox::Cancel) << QStringList{} << qint64(0);
    QTest::newRow("the question escaped: nothing happens") << "bert" << int(QMessageBox::Escape) << QStringList{} << qint64(0);
    QTest::newRow("no such member: nothing happens") << "nobody" << int(QMessageBox::Ok) << QStringList{} << qint64(0);
}

void QuotaSettingsWidgetTest::copyLimitsFromAMember()
{
    QFETCH(QString, source);
    QFETCH(int, answer);
    QFETCH(QStringList, targets);
    QFETCH(qint64, hardFiles);

    QuotaSettingsWidget widget(members());
    widget.show();
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    view->selectionModel()->select(QItemSelection(view->model()->index(0, 0), view->model()->index(1, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);

    QStringList names;
    qint64 hard = 0;
    int fields = 0;
    connect(&widget,
            &QuotaSettingsWidget::limitsChangedForMany,
            this,
            [&](const QList<SettingsDeviceQuota *> &members, const QString &, const MemberQuotaData &data, int changed) {
                for (const SettingsDeviceQuota *member : members) {
                    names.append(member->member().name);
                }
                hard = data.hardFilesLimit();
                fields = changed;
            });
    QString preset;
    bool okAtFirst = true;
    QStringList offered;
    QString question;
    QTimer::singleShot(0, this, [&] {
        auto chooser = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(chooser);
        preset = chooser->textValue();
        offered = chooser->comboBoxItems();
        okAtFirst = chooser->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled();
        chooser->setTextValue(source);
        QTimer::singleShot(0, [&] {
            auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            question = box->text();
            if (answer == QMessageBox::Escape) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else if (answer == QMessageBox::Ok) {
                box->accept();
            } else {
                box->button(static_cast<QMessageBox::StandardButton>(answer))->click();
            }
        });
        chooser->accept();
    });
    widget.findChild<QPushButton *>(QStringLiteral("copyLimitsBtn"))->click();
    // Nothing preselected: Return at once copies nothing.
    QVERIFY(preset.isEmpty());
    QVERIFY(!okAtFirst);
    // The members of the device shown; daemon has no data there.
    QCOMPARE(offered, (QStringList{"root", "anna", "bert"}));
    QCOMPARE(names, targets);
    QCOMPARE(hard, hardFiles);
    if (source == QLatin1String("bert")) {
        QCOMPARE(question,
                 QStringLiteral("Give 2 members the limits of bert on /dev/sdb1 (soft space limit none, hard space limit none, soft files limit "
                                "none, hard files limit 5)? The limits the members have there now are replaced."));
    }
    if (!names.isEmpty()) {
        QCOMPARE(fields, int(AllLimitFields));
    }
}

void QuotaSettingsWidgetTest::exportWritesTheShownTable()
{
    // A name with a comma and a quote, as directory accounts can have.
    MemberQuotaData quoted = filesLimit(sdb, 3);
    quoted.setMemorySize(UsedSize, MemorySizeTransfer().memFromBytes(1536));
    quoted.setGraceDateTime({QDateTime(QDate(2026, 3, 5), QTime(14, 7), Qt::UTC), QDateTime()});
    SettingsDeviceQuota odd(Member{QStringLiteral("Doe, \"J\""), 1500, false}, {{sdb, quoted}}, Users);
    QList<SettingsDeviceQuota *> list = members();
    list.append(&odd);

    QuotaSettingsWidget widget(list);
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    // Shown: ordinary accounts, sorted by name descending, with the block
    // expiry moved to the second place.
    view->sortByColumn(QuotaSettingsModel::NameColumn, Qt::DescendingOrder);
    widget.findChild<QListWidget *>(QStringLiteral("filterCheckBoxes"))->item(QuotaSettingsModel::GraceBlockTime)->setCheckState(Qt::Checked);
    view->header()->moveSection(view->header()->visualIndex(QuotaSettingsModel::GraceBlockTime), 1);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("users.csv"));
    QVERIFY(widget.exportTo(file));
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(),
             QByteArray("Name,Space grace ends (UTC),Quota is on,Used space (bytes),Used inodes (files)\r\n"
                        "\"Doe, \"\"J\"\"\",2026-03-05T14:07:00Z,off,1536,0\r\n"
                        "bert,,off,0,5\r\n"
                        "anna,,off,0,0\r\n"));

    QString error;
    QVERIFY(!widget.exportTo(dir.filePath(QStringLiteral("missing/users.csv")), &error));
    QVERIFY(!error.isEmpty());
}

void QuotaSettingsWidgetTest::copyPutsRowsAsTabSeparatedText()
{
    QuotaSettingsWidget widget(members());
    widget.show();
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    // Rows in the order shown, whatever the order of selecting them.
    view->selectionModel()->select(view->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::clipboard()->clear();
    QApplication::setActiveWindow(&widget);
    QVERIFY(QTest::qWaitForWindowActive(&widget));
    view->setFocus();
    QTest::keySequence(view, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("anna\toff\t\t\nbert\toff\t\t5\n"));
}

void QuotaSettingsWidgetTest::searchFieldKeepsItsKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tableFocused");

    QTest::newRow("Escape clears the search") << int(Qt::Key_Escape) << QString() << false;
    QTest::newRow("Return goes on to the rows found") << int(Qt::Key_Return) << QStringLiteral("bert") << true;
    QTest::newRow("Enter likewise") << int(Qt::Key_Enter) << QStringLiteral("bert") << true;
}

void QuotaSettingsWidgetTest::searchFieldKeepsItsKeys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, tableFocused);

    // A stand-in for the host's window: a dialog whose default button would
    // save and close it, and which Escape would close.
    QDialog host;
    auto layout = new QVBoxLayout(&host);
    auto widget = new QuotaSettingsWidget(members(), &host);
    layout->addWidget(widget);
    auto ok = new QPushButton(QStringLiteral("OK"), &host);
    ok->setDefault(true);
    layout->addWidget(ok);
    QSignalSpy pressed(ok, &QPushButton::clicked);
    host.show();
    QApplication::setActiveWindow(&host);
    QVERIFY(QTest::qWaitForWindowActive(&host));

    // Ctrl+F finds the search field from anywhere in the tab.
    auto view = widget->findChild<QTreeView *>(QStringLiteral("treeView"));
    view->setFocus();
    QTest::keySequence(&host, QKeySequence(QKeySequence::Find));
    auto search = widget->findChild<QLineEdit *>(QStringLiteral("searchEdit"));
    QTRY_VERIFY(search->hasFocus());

    QTest::keyClicks(search, QStringLiteral("bert"));
    QTest::keyClick(search, static_cast<Qt::Key>(key));
    QCOMPARE(search->text(), text);
    QCOMPARE(pressed.count(), 0);
    QVERIFY(host.isVisible());
    QCOMPARE(host.result(), int(QDialog::Rejected));
    QCOMPARE(view->hasFocus(), tableFocused);
    if (tableFocused) {
        // Return on the row opens the member dialog.
        QString title;
        QTimer::singleShot(0, this, [&title] {
            auto dialog = qobject_cast<SettingMemberQuotasDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            dialog->reject();
        });
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(title, QStringLiteral("Setting quotas for a user: bert"));
        QCOMPARE(pressed.count(), 0);
    }
}

void QuotaSettingsWidgetTest::placeSurvivesAReload_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("reversed");

    QTest::newRow("one member") << QStringList{"bert"} << false;
    QTest::newRow("two members, the list in another order") << QStringList{"root", "bert"} << true;
}

void QuotaSettingsWidgetTest::placeSurvivesAReload()
{
    QFETCH(QStringList, selected);
    QFETCH(bool, reversed);

    QuotaSettingsWidget widget(members());
    widget.show();
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    filter->setCurrentIndex(filter->findData(QVariant::fromValue(QuotaSettingsWidget::All)));
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex index = view->model()->index(row, 0);
        if (selected.contains(index.data().toString())) {
            view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        }
    }

    // A reload brings new objects for the same members, by id.
    QList<std::shared_ptr<SettingsDeviceQuota>> fresh;
    QList<SettingsDeviceQuota *> list;
    for (const auto &member : std::as_const(m_members)) {
        fresh.append(std::make_shared<SettingsDeviceQuota>(*member));
        list.append(fresh.last().get());
    }
    if (reversed) {
        std::reverse(list.begin(), list.end());
    }
    widget.updateSettings(list);

    QStringList after;
    for (const QModelIndex &index : view->selectionModel()->selectedRows()) {
        after.append(index.data().toString());
    }
    std::sort(after.begin(), after.end());
    std::sort(selected.begin(), selected.end());
    QCOMPARE(after, selected);
    QCOMPARE(view->currentIndex().siblingAtColumn(0).data().toString(), selected.contains(QStringLiteral("bert")) ? QStringLiteral("bert") : selected.last());
}

void QuotaSettingsWidgetTest::refreshIsAsked_data()
{
    QTest::addColumn<bool>("byKey");

    QTest::newRow("the Refresh button") << false;
    QTest::newRow("F5") << true;
}

void QuotaSettingsWidgetTest::refreshIsAsked()
{
    QFETCH(bool, byKey);

    QuotaSettingsWidget widget(members());
    widget.show();
    QApplication::setActiveWindow(&widget);
    QVERIFY(QTest::qWaitForWindowActive(&widget));
    QSignalSpy refresh(&widget, &QuotaSettingsWidget::refreshRequested);
    if (byKey) {
        widget.findChild<QTreeView *>(QStringLiteral("treeView"))->setFocus();
        QTest::keySequence(&widget, QKeySequence(QKeySequence::Refresh));
    } else {
        widget.findChild<QPushButton *>(QStringLiteral("refreshBtn"))->click();
    }
    QCOMPARE(refresh.count(), 1);
}

void QuotaSettingsWidgetTest::controlsAreNamed()
{
    QuotaSettingsWidget widget(members());
    for (const char *name : {"searchEdit", "cBoxFilterMode", "cBoxDevices"}) {
        QVERIFY2(!widget.findChild<QWidget *>(QString::fromLatin1(name))->accessibleName().isEmpty(), name);
    }
    QCOMPARE(widget.findChild<QLabel *>(QStringLiteral("deviceLabel"))->buddy(), widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices")));
}

QTEST_MAIN(QuotaSettingsWidgetTest)

#include "quotasettingswidgettest.moc"
