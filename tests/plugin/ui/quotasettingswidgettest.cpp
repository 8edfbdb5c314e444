// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/ui/quotasettingswidget.h"
#include "plugin/ui/settingmemberquotasdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>

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
    m_members.append(
        std::make_shared<SettingsDeviceQuota>(Member{QStringLiteral("bert"), 1002, false}, QHash<QString, MemberQuotaData>{{sdb, filesLimit(sdb, 5)}}, Users));
}

void QuotaSettingsWidgetTest::cleanup()
{
    m_members.clear();
    m_system.reset();
}

QList<SettingsDeviceQuota *> QuotaSettingsWidgetTest::members()
{
    QList<SettingsDeviceQuota *> list;
    for (const auto &member : qAsConst(m_members)) {
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
}

void QuotaSettingsWidgetTest::filterModes()
{
    QFETCH(QList<int>, modes);
    QFETCH(QStringList, names);

    QuotaSettingsWidget widget(members());
    auto filter = widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    QCOMPARE(filter->count(), 3);
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
    // Sorted; the first is current and shown at once.
    QCOMPARE(devices->currentText(), sdb);
    QCOMPARE(view->model()->index(0, 9).data(), QVariant(2));
    devices->setCurrentText(sdc);
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
        dialog->findChild<QSpinBox *>(QStringLiteral("hardLimitFilesValue"))->setValue(42);
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
    widget.findChild<QComboBox *>(QStringLiteral("cBoxDevices"))->setCurrentText(sdc);
    widget.findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"))->setCurrentIndex(2);

    SettingsDeviceQuota reloaded(Member{QStringLiteral("root"), 0, true}, {{sdc, filesLimit(sdc, 33)}}, Users);
    widget.updateSettings({&reloaded, m_members.at(1).get()});
    auto view = widget.findChild<QTreeView *>(QStringLiteral("treeView"));
    QCOMPARE(shownNames(view), QStringList{"root"});
    QCOMPARE(view->model()->index(0, 9).data(), QVariant(33));
}

QTEST_MAIN(QuotaSettingsWidgetTest)

#include "quotasettingswidgettest.moc"
