// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/ui/addfolderdialog.h"
#include "plugin/ui/quotasettingsmodel.h"
#include "plugin/ui/quotasettingswidget.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");
const QMap<QString, QString> mounts{{sdb, QStringLiteral("/srv/data")}, {sdc, QStringLiteral("/srv/big")}};

SettingsDeviceQuota *folder(QObject *owner, const QString &device, const QString &path, const QString &name, quint32 id, qint64 hardFiles)
{
    Member member;
    member.name = name;
    member.id = static_cast<int>(id);
    member.folder = path;
    MemberQuotaData data;
    data.setDeviceName(device);
    data.setDeviceQuotaIsOn(true);
    data.setHardFilesLimit(hardFiles);
    data.setNumberOfFilesUsed(hardFiles);
    return new SettingsDeviceQuota(member, {{device, data}}, Projects, owner);
}

// "folder|name|id" of every row the table shows, in its order.
QStringList shownRows(QTreeView *view)
{
    QStringList rows;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        rows.append(QStringList{model->index(row, QuotaSettingsModel::FolderColumn).data().toString(),
                                model->index(row, QuotaSettingsModel::NameColumn).data().toString(),
                                model->index(row, QuotaSettingsModel::ProjectIdColumn).data().toString()}
                        .join(QLatin1Char('|')));
    }
    return rows;
}
}

class FoldersTabTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void rowsOfTheChosenDevice_data();
    void rowsOfTheChosenDevice();
    void removeAsksAboutTheFilesBeneath_data();
    void removeAsksAboutTheFilesBeneath();
    void addDialogChecksTheAnswers_data();
    void addDialogChecksTheAnswers();
    void addDialogProposesAName_data();
    void addDialogProposesAName();
    void addDialogLimits();
    void exportNamesTheFolders();

private:
    std::unique_ptr<QObject> m_owner;
    std::unique_ptr<QuotaSettingsWidget> m_widget;
    QTreeView *m_view = nullptr;
};

void FoldersTabTest::init()
{
    m_owner = std::make_unique<QObject>();
    const QList<SettingsDeviceQuota *> folders{folder(m_owner.get(), sdb, QStringLiteral("/srv/data/alpha"), QStringLiteral("alpha"), 10, 5),
                                               folder(m_owner.get(), sdc, QStringLiteral("/srv/big/gamma"), QStringLiteral("gamma"), 12, 0),
                                               folder(m_owner.get(), sdb, QStringLiteral("/srv/data/beta"), QString(), 3000000000u, 0)};
    m_widget = std::make_unique<QuotaSettingsWidget>(folders, nullptr, KConfigGroup(), Projects);
    m_widget->setFolderDevices(mounts, 13);
    m_view = m_widget->findChild<QTreeView *>(QStringLiteral("treeView"));
}

void FoldersTabTest::cleanup()
{
    m_widget.reset();
    m_owner.reset();
}

void FoldersTabTest::rowsOfTheChosenDevice_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    const QString alpha = QStringLiteral("/srv/data/alpha|alpha|10");
    const QString beta = QStringLiteral("/srv/data/beta||3000000000");
    QTest::newRow("only the device's folders") << sdb << ""
                                               << "All" << QStringList{alpha, beta};
    QTest::newRow("the other device") << sdc << ""
                                      << "All" << QStringList{QStringLiteral("/srv/big/gamma|gamma|12")};
    QTest::newRow("search by path") << sdb << "data/be"
                                    << "All" << QStringList{beta};
    QTest::newRow("search by a 32-bit project id") << sdb << "#3000000000"
                                                   << "All" << QStringList{beta};
    QTest::newRow("over a limit") << sdb << ""
                                  << "Over a limit" << QStringList{alpha};
}

void FoldersTabTest::rowsOfTheChosenDevice()
{
    QFETCH(QString, device);
    QFETCH(QString, search);
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);

    auto devices = m_widget->findChild<QComboBox *>(QStringLiteral("cBoxDevices"));
    // Only the devices that account folder quotas are offered.
    QCOMPARE(devices->count(), 2);
    devices->setCurrentIndex(devices->findData(device));
    auto modes = m_widget->findChild<QComboBox *>(QStringLiteral("cBoxFilterMode"));
    modes->setCurrentText(filter);
    QCOMPARE(modes->currentText(), filter);
    m_widget->findChild<QLineEdit *>(QStringLiteral("searchEdit"))->setText(search);
    QCOMPARE(shownRows(m_view), expected);
    QVERIFY(!m_view->isColumnHidden(QuotaSettingsModel::FolderColumn));
}

void FoldersTabTest::removeAsksAboutTheFilesBeneath_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("signals");
    QTest::addColumn<bool>("keep");
    QTest::newRow("keep the id") << int(QMessageBox::Yes) << 1 << true;
    QTest::newRow("clear the id") << int(QMessageBox::No) << 1 << false;
    QTest::newRow("cancel removes nothing") << int(QMessageBox::Cancel) << 0 << false;
}

void FoldersTabTest::removeAsksAboutTheFilesBeneath()
{
    QFETCH(int, answer);
    QFETCH(int, signals);
    QFETCH(bool, keep);

    auto remove = m_widget->findChild<QPushButton *>(QStringLiteral("removeFolderBtn"));
    QVERIFY(!remove->isEnabled());
    m_view->selectionModel()->select(m_view->model()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(remove->isEnabled());

    QList<QPair<QString, bool>> removed;
    connect(m_widget.get(), &QuotaSettingsWidget::folderRemoveRequested, this, [&removed](const SettingsDeviceQuota &folder, bool keepIds) {
        removed.append({folder.member().folder, keepIds});
    });
    QTimer::singleShot(0, this, [answer] {
        auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QVERIFY(box->text().contains(QLatin1String("/srv/data/alpha")));
        box->button(static_cast<QMessageBox::StandardButton>(answer))->click();
    });
    remove->click();
    QCOMPARE(removed.size(), signals);
    if (signals == 1) {
        QCOMPARE(removed.first().first, QStringLiteral("/srv/data/alpha"));
        QCOMPARE(removed.first().second, keep);
    }
}

void FoldersTabTest::addDialogChecksTheAnswers_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("softFiles");
    QTest::addColumn<int>("hardFiles");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("problem");
    QTest::newRow("a folder on a device with folder quotas") << "/srv/data/alpha"
                                                             << "alpha" << 0 << 10 << sdb << "";
    QTest::newRow("the deeper device") << "/srv/big/x"
                                       << "x" << 0 << 0 << sdc << "";
    QTest::newRow("a mount point itself") << "/srv/data"
                                          << "data" << 0 << 0 << sdb << "";
    QTest::newRow("no folder yet") << ""
                                   << "alpha" << 0 << 0 << ""
                                   << "Choose the folder";
    QTest::newRow("a relative path") << "srv/data/alpha"
                                     << "alpha" << 0 << 0 << ""
                                     << "absolute path";
    QTest::newRow("a dot-dot part") << "/srv/data/../etc"
                                    << "alpha" << 0 << 0 << ""
                                    << "absolute path";
    QTest::newRow("a device without folder quotas") << "/home/anna"
                                                    << "anna" << 0 << 0 << ""
                                                    << "not on a device";
    QTest::newRow("a name the tools cannot take") << "/srv/data/alpha"
                                                  << "9 lives" << 0 << 0 << sdb << "project name";
    QTest::newRow("soft above hard") << "/srv/data/alpha"
                                     << "alpha" << 20 << 10 << sdb << "soft files limit";
}

void FoldersTabTest::addDialogChecksTheAnswers()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(int, softFiles);
    QFETCH(int, hardFiles);
    QFETCH(QString, device);
    QFETCH(QString, problem);

    AddFolderDialog dialog(mounts, 13);
    QCOMPARE(dialog.findChild<QSpinBox *>(QStringLiteral("projectIdSpin"))->value(), 13);
    dialog.findChild<QLineEdit *>(QStringLiteral("folderEdit"))->setText(folder);
    dialog.findChild<QLineEdit *>(QStringLiteral("nameEdit"))->setText(name);
    dialog.findChild<QSpinBox *>(QStringLiteral("inodeSoftLimit"))->setValue(softFiles);
    dialog.findChild<QSpinBox *>(QStringLiteral("inodeHardLimit"))->setValue(hardFiles);

    QCOMPARE(dialog.device(), device);
    const QString problems = dialog.problems().join(QLatin1Char(' '));
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    if (problem.isEmpty()) {
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QVERIFY(ok->isEnabled());
    } else {
        QVERIFY2(problems.contains(problem), qPrintable(problems));
        QVERIFY(!ok->isEnabled());
        // Said, not just refused.
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("problemLabel"))->text().contains(problem));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
}

void FoldersTabTest::addDialogProposesAName_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the last part") << "/srv/data/alpha"
                                   << "alpha";
    QTest::newRow("a trailing slash") << "/srv/data/alpha/"
                                      << "alpha";
    QTest::newRow("blanks and umlauts become _") << "/srv/data/Team Müller"
                                                 << "Team_M_ller";
    QTest::newRow("a leading digit gets a _") << "/srv/data/2026"
                                              << "_2026";
    QTest::newRow("at most 32") << "/srv/data/" + QString(40, QLatin1Char('a')) << QString(32, QLatin1Char('a'));
}

void FoldersTabTest::addDialogProposesAName()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(AddFolderDialog::proposedName(folder), expected);
    QVERIFY(AddFolderDialog::isValidName(expected));

    // The proposal follows the folder until a name is typed by hand.
    AddFolderDialog dialog(mounts, 1);
    auto folderEdit = dialog.findChild<QLineEdit *>(QStringLiteral("folderEdit"));
    auto nameEdit = dialog.findChild<QLineEdit *>(QStringLiteral("nameEdit"));
    folderEdit->setText(folder);
    QCOMPARE(nameEdit->text(), expected);
    nameEdit->setText(QStringLiteral("mine"));
    folderEdit->setText(QStringLiteral("/srv/data/other"));
    QCOMPARE(nameEdit->text(), QStringLiteral("mine"));
}

void FoldersTabTest::addDialogLimits()
{
    AddFolderDialog dialog(mounts, 1);
    dialog.findChild<QLineEdit *>(QStringLiteral("folderEdit"))->setText(QStringLiteral("/srv/data/alpha"));
    dialog.findChild<QDoubleSpinBox *>(QStringLiteral("blockHardLimit"))->setValue(1.5);
    auto unit = dialog.findChild<QComboBox *>(QStringLiteral("blockHardUnit"));
    unit->setCurrentIndex(unit->findData(int(GigaBytes)));
    dialog.findChild<QSpinBox *>(QStringLiteral("inodeHardLimit"))->setValue(1000);
    const MemberQuotaData limits = dialog.limits();
    QCOMPARE(MemorySizeTransfer().bytesFromMem(limits.memorySizeById(HardLimitSize)), quint64(1536) * 1024 * 1024);
    QCOMPARE(MemorySizeTransfer().bytesFromMem(limits.memorySizeById(SoftLimitSize)), quint64(0));
    QCOMPARE(limits.hardFilesLimit(), qint64(1000));
    QCOMPARE(limits.softFilesLimit(), qint64(0));
}

void FoldersTabTest::exportNamesTheFolders()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("folders.csv"));
    QVERIFY(m_widget->exportTo(file));
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
    // Where and which project first; a 32-bit id exported whole.
    QCOMPARE(lines.value(0).section(QLatin1Char(','), 0, 2), QStringLiteral("Folder,Name,Project id"));
    QCOMPARE(lines.value(1).section(QLatin1Char(','), 0, 2), QStringLiteral("/srv/data/alpha,alpha,10"));
    QCOMPARE(lines.value(2).section(QLatin1Char(','), 0, 2), QStringLiteral("/srv/data/beta,,3000000000"));
}

QTEST_MAIN(FoldersTabTest)

#include "folderstabtest.moc"
