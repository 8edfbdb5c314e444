// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// A small stand-in for kcmshell5 and kcmshell6: loads the installed plug-in through its
// factory, lets the host's load run, and then looks at or drives the panel
// only through its widget tree (object names), as a person would.
//
//   kcmq-panel-host PLUGIN show
//   kcmq-panel-host PLUGIN shots DIR
//   kcmq-panel-host PLUGIN edit-user NAME DEVICE SOFT_FILES HARD_FILES HARD_MB
//   kcmq-panel-host PLUGIN enable-users DEVICE
//   kcmq-panel-host PLUGIN grace DEVICE DAYS       (users on, space grace; not applied)
//   kcmq-panel-host PLUGIN note-admins TEXT        (group administrators text; not applied)
//   kcmq-panel-host PLUGIN print-admins
//   kcmq-panel-host PLUGIN apply
//   kcmq-panel-host PLUGIN users-view DEVICE MODE SEARCH COLUMN ORDER
//   kcmq-panel-host PLUGIN users-shot FILE
//   kcmq-panel-host PLUGIN set-many DEVICE SHOT SOFT_FILES HARD_FILES HARD_MB NAME,NAME,...
//   kcmq-panel-host PLUGIN users-export FILE
//   kcmq-panel-host PLUGIN set-many-hard DEVICE HARD_MB NAME,NAME,...   (only the hard space limit)
//   kcmq-panel-host PLUGIN edit-files NAME DEVICE SOFT_FILES            (only the soft file limit)
//   kcmq-panel-host PLUGIN edit-group NAME DEVICE SOFT_FILES HARD_FILES HARD_MB
//   kcmq-panel-host PLUGIN edit-folder NAME DEVICE SOFT_FILES HARD_FILES HARD_MB   (by project name)
//   kcmq-panel-host PLUGIN add-folder FOLDER NAME ID SOFT_MB HARD_MB SOFT_FILES HARD_FILES SHOT
//                                     (NAME "" and ID 0 keep what the dialog proposes; SHOT "" takes no picture)
//   kcmq-panel-host PLUGIN remove-folder FOLDER keep|clear   (whether the files beneath keep the project id)
//   kcmq-panel-host PLUGIN folders-view DEVICE SEARCH
//   kcmq-panel-host PLUGIN folders-shot FILE

#include "platform/kcm/kcmodulecompat.h"

#include <KMessageWidget>
#include <KPluginFactory>

#include <QAbstractItemModel>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPluginLoader>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <cstdio>

namespace
{
void out(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The file limits take counts beyond 2^31: set through the spin box's
// 64-bit value property.
void setCount(QAbstractSpinBox *spin, const QString &count)
{
    spin->setProperty("value", QVariant::fromValue<qint64>(count.toLongLong()));
}

template<typename T>
T *child(QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found) {
        out(QStringLiteral("error=no widget %1").arg(name));
        std::exit(3);
    }
    return found;
}

template<typename T>
T *optionalChild(QObject *parent, const QString &name)
{
    return parent->findChild<T *>(name);
}

// The panel's widgets hang off its widget, which is the module itself only
// for the KF5 hosts.
template<typename T>
T *child(KCModule *module, const QString &name)
{
    return child<T>(static_cast<QObject *>(KCMVS::moduleWidget(module)), name);
}

QWidget *tab(KCModule *module, const QString &name)
{
    return child<QWidget>(child<QTabWidget>(module, QStringLiteral("tabWidget")), name);
}

// Brings the named tab to the front, as a click on it would.
QWidget *showTab(KCModule *module, const QString &name)
{
    QWidget *page = tab(module, name);
    child<QTabWidget>(module, QStringLiteral("tabWidget"))->setCurrentWidget(page);
    return page;
}

// Saves a picture of the widget and says where, or why not.
bool saveShot(QWidget *widget, const QString &file)
{
    if (!widget->grab().save(file)) {
        out(QStringLiteral("error=cannot save %1").arg(file));
        return false;
    }
    out(QStringLiteral("screenshot=%1").arg(file));
    return true;
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

void printMessages(KCModule *module)
{
    const auto messages = KCMVS::moduleWidget(module)->findChildren<KMessageWidget *>();
    for (const KMessageWidget *message : messages) {
        if (message->parentWidget() && message->parentWidget()->objectName() == QLatin1String("messagesManager")) {
            out(QStringLiteral("message=%1|%2|%3")
                    .arg(int(message->messageType()))
                    .arg(message->property("summary").toString(), message->property("details").toString()));
        }
    }
}

QGroupBox *boxTitled(QWidget *parent, const QString &title)
{
    const auto boxes = parent->findChildren<QGroupBox *>();
    for (QGroupBox *box : boxes) {
        if (box->title() == title) {
            return box;
        }
    }
    out(QStringLiteral("error=no box %1").arg(title));
    std::exit(3);
}

// Every member of a member tab, all accounts, on every device of the tab.
void printMembers(KCModule *module, const QString &tabName, const QString &kind)
{
    QWidget *page = tab(module, tabName);
    if (auto filter = optionalChild<QComboBox>(page, QStringLiteral("cBoxFilterMode"))) {
        filter->setCurrentIndex(0);
    }
    auto devices = child<QComboBox>(page, QStringLiteral("cBoxDevices"));
    QAbstractItemModel *model = child<QTreeView>(page, QStringLiteral("treeView"))->model();
    for (int d = 0; d < devices->count(); ++d) {
        devices->setCurrentIndex(d);
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column) {
                cells.append(model->index(row, column).data().toString());
            }
            out(QStringLiteral("%1=%2 %3").arg(kind, devices->itemData(d).toString(), cells.join(QLatin1Char('|'))));
        }
    }
}

void show(KCModule *module)
{
    const auto tabs = child<QTabWidget>(module, QStringLiteral("tabWidget"));
    for (int i = 0; i < tabs->count(); ++i) {
        out(QStringLiteral("tab=%1").arg(tabs->widget(i)->objectName()));
    }
    QWidget *general = tab(module, QStringLiteral("generalTab"));
    auto devices = child<QComboBox>(general, QStringLiteral("cBoxDevices"));
    const auto onOff = [](const QGroupBox *box) {
        return box->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    };
    for (int d = 0; d < devices->count(); ++d) {
        devices->setCurrentIndex(d);
        QString line = QStringLiteral("general=%1 fs=%2 users=%3 groups=%4")
                           .arg(devices->itemText(d),
                                child<QLabel>(general, QStringLiteral("fsName"))->text(),
                                onOff(child<QGroupBox>(general, QStringLiteral("usersQuotaBox"))),
                                onOff(child<QGroupBox>(general, QStringLiteral("groupsQuotaBox"))));
        // Folder quota support is offered only where the file system can
        // have it.
        const auto projects = optionalChild<QGroupBox>(general, QStringLiteral("projectsQuotaBox"));
        if (projects && projects->isVisibleTo(general)) {
            line += QStringLiteral(" projects=%1").arg(onOff(projects));
        }
        out(line);
        // What the tab says about the device's file system (XFS, the
        // project feature), as the administrator reads it.
        for (const QString &name : {QStringLiteral("xfsQuotaLabel"), QStringLiteral("folderQuotaLabel")}) {
            const auto note = optionalChild<QLabel>(general, name);
            if (note && note->isVisibleTo(general)) {
                out(QStringLiteral("general-note=%1 %2").arg(devices->itemText(d), note->text()));
            }
        }
    }
    printMembers(module, QStringLiteral("users"), QStringLiteral("user"));
    printMembers(module, QStringLiteral("groups"), QStringLiteral("group"));
    if (optionalChild<QWidget>(child<QTabWidget>(module, QStringLiteral("tabWidget")), QStringLiteral("folders"))) {
        printMembers(module, QStringLiteral("folders"), QStringLiteral("folder"));
    }
}

int shots(KCModule *module, const QString &dir)
{
    const auto tabs = child<QTabWidget>(module, QStringLiteral("tabWidget"));
    const QStringList names{QStringLiteral("general"),
                            QStringLiteral("notifications"),
                            QStringLiteral("groups"),
                            QStringLiteral("users"),
                            QStringLiteral("folders")};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        settle();
        const QString file = QStringLiteral("%1/kcm-quotas-%2-%3.png").arg(dir).arg(i + 1).arg(names.value(i, tabs->widget(i)->objectName()));
        if (!saveShot(KCMVS::moduleWidget(module), file)) {
            return 1;
        }
    }
    return 0;
}

// The member tabs name devices by mount point; the path is the item data.
void selectDevice(QWidget *page, const QString &device)
{
    auto devices = child<QComboBox>(page, QStringLiteral("cBoxDevices"));
    const int index = devices->findData(device);
    if (index < 0) {
        out(QStringLiteral("error=no device %1").arg(device));
        std::exit(3);
    }
    devices->setCurrentIndex(index);
}

// The users tab narrowed and sorted as an administrator would: device,
// filter mode (its number), search text, sort column and order (asc or
// desc), every column shown. Prints the device's text, the number of rows
// and the first ten rows (name and the used bytes of the tool tip).
int usersView(KCModule *module, const QStringList &args)
{
    QWidget *page = tab(module, QStringLiteral("users"));
    selectDevice(page, args.value(0));
    auto modes = child<QComboBox>(page, QStringLiteral("cBoxFilterMode"));
    for (int i = 0; i < modes->count(); ++i) {
        if (modes->itemData(i).toInt() == args.value(1).toInt()) {
            modes->setCurrentIndex(i);
        }
    }
    child<QLineEdit>(page, QStringLiteral("searchEdit"))->setText(args.value(2));
    auto view = child<QTreeView>(page, QStringLiteral("treeView"));
    view->sortByColumn(args.value(3).toInt(), args.value(4) == QLatin1String("desc") ? Qt::DescendingOrder : Qt::AscendingOrder);
    auto columns = child<QListWidget>(page, QStringLiteral("filterCheckBoxes"));
    for (int i = 0; i < columns->count(); ++i) {
        columns->item(i)->setCheckState(Qt::Checked);
    }
    settle();
    auto devices = child<QComboBox>(page, QStringLiteral("cBoxDevices"));
    out(QStringLiteral("device-text=%1").arg(devices->currentText()));
    QAbstractItemModel *model = view->model();
    out(QStringLiteral("rows=%1").arg(model->rowCount()));
    for (int row = 0; row < qMin(10, model->rowCount()); ++row) {
        out(QStringLiteral("row=%1|%2")
                .arg(model->index(row, 0).data().toString(), model->index(row, 2).data(Qt::ToolTipRole).toString().section(QLatin1Char('\n'), 0, 0)));
    }
    return 0;
}

// The whole window with the named tab in front.
int tabShot(KCModule *module, const QString &tabName, const QString &file)
{
    showTab(module, tabName);
    settle();
    return saveShot(KCMVS::moduleWidget(module)->window(), file) ? 0 : 1;
}

// Selects the named members (all accounts shown) on the users tab.
QTreeView *selectUsers(KCModule *module, const QString &device, const QStringList &names)
{
    QWidget *page = showTab(module, QStringLiteral("users"));
    selectDevice(page, device);
    child<QComboBox>(page, QStringLiteral("cBoxFilterMode"))->setCurrentIndex(0);
    child<QLineEdit>(page, QStringLiteral("searchEdit"))->clear();
    auto view = child<QTreeView>(page, QStringLiteral("treeView"));
    view->clearSelection();
    int selected = 0;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        const QModelIndex index = view->model()->index(r, 0);
        if (names.contains(index.data().toString())) {
            view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            ++selected;
        }
    }
    out(QStringLiteral("selected=%1").arg(selected));
    return view;
}

// Selects the named members (all accounts shown) and sets the same limits
// for them through "Set limits…"; the dialog is photographed first.
int setMany(KCModule *module, const QStringList &args)
{
    selectUsers(module, args.value(0), args.value(5).split(QLatin1Char(',')));
    QWidget *page = tab(module, QStringLiteral("users"));
    bool accepted = false;
    QTimer::singleShot(0, module, [&] {
        auto dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            out(QStringLiteral("error=no dialog"));
            return;
        }
        out(QStringLiteral("dialog-title=%1").arg(dialog->windowTitle()));
        child<QCheckBox>(dialog, QStringLiteral("softLimitFilesChBox"))->setChecked(true);
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("softLimitFilesValue")), args.value(2));
        child<QCheckBox>(dialog, QStringLiteral("hardLimitFilesChBox"))->setChecked(true);
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("hardLimitFilesValue")), args.value(3));
        child<QCheckBox>(dialog, QStringLiteral("hardLimitMemoryChBox"))->setChecked(true);
        child<QComboBox>(dialog, QStringLiteral("hardLimitCombo"))->setCurrentIndex(1);
        child<QDoubleSpinBox>(dialog, QStringLiteral("hardLimitMemoryValue"))->setValue(args.value(4).toDouble());
        settle();
        if (dialog->grab().save(args.value(1))) {
            out(QStringLiteral("screenshot=%1").arg(args.value(1)));
        }
        QPushButton *ok = child<QDialogButtonBox>(dialog, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
        accepted = ok->isEnabled();
        ok->click();
    });
    child<QPushButton>(page, QStringLiteral("setLimitsBtn"))->click();
    settle();
    printMessages(module);
    return accepted ? 0 : 1;
}

// "Set limits…" for the named members, changing only the hard space limit
// (in Mb); their other limits are whatever each of them has.
int setManyHard(KCModule *module, const QStringList &args)
{
    selectUsers(module, args.value(0), args.value(2).split(QLatin1Char(',')));
    bool accepted = false;
    QTimer::singleShot(0, module, [&] {
        auto dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            out(QStringLiteral("error=no dialog"));
            return;
        }
        for (const char *name : {"softLimitMemoryValue", "softLimitFilesValue", "hardLimitFilesValue"}) {
            out(QStringLiteral("field=%1|%2").arg(QString::fromLatin1(name), child<QAbstractSpinBox>(dialog, QString::fromLatin1(name))->text()));
        }
        child<QCheckBox>(dialog, QStringLiteral("hardLimitMemoryChBox"))->setCheckState(Qt::Checked);
        child<QComboBox>(dialog, QStringLiteral("hardLimitCombo"))->setCurrentIndex(1);
        child<QDoubleSpinBox>(dialog, QStringLiteral("hardLimitMemoryValue"))->setValue(args.value(1).toDouble());
        QPushButton *ok = child<QDialogButtonBox>(dialog, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
        accepted = ok->isEnabled();
        ok->click();
    });
    child<QPushButton>(tab(module, QStringLiteral("users")), QStringLiteral("setLimitsBtn"))->click();
    settle();
    printMessages(module);
    return accepted ? 0 : 1;
}

// The member dialog of one user, opened on the device given: only the soft
// file limit is set.
int editFiles(KCModule *module, const QStringList &args)
{
    QTreeView *view = selectUsers(module, args.value(1), {args.value(0)});
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        out(QStringLiteral("error=no user %1").arg(args.value(0)));
        return 1;
    }
    bool edited = false;
    QTimer::singleShot(0, module, [&] {
        auto dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            out(QStringLiteral("error=no dialog"));
            return;
        }
        child<QCheckBox>(dialog, QStringLiteral("softLimitFilesChBox"))->setChecked(true);
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("softLimitFilesValue")), args.value(2));
        QPushButton *ok = child<QDialogButtonBox>(dialog, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
        edited = ok->isEnabled();
        ok->click();
    });
    Q_EMIT view->doubleClicked(rows.first());
    settle();
    printMessages(module);
    return edited ? 0 : 1;
}

// "Export…" of the users tab as shown, answered with the file name.
int usersExport(KCModule *module, const QString &file)
{
    QWidget *page = tab(module, QStringLiteral("users"));
    QTimer::singleShot(0, module, [&] {
        auto dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            out(QStringLiteral("error=no file dialog"));
            return;
        }
        dialog->selectFile(file);
        static_cast<QDialog *>(dialog)->accept();
    });
    child<QPushButton>(page, QStringLiteral("exportBtn"))->click();
    settle();
    out(QStringLiteral("exported=%1").arg(QFile::exists(file) ? file : QString()));
    return QFile::exists(file) ? 0 : 1;
}

// The member dialog of one row of a member tab (users, groups, folders by
// their project name), opened by a double click: file limits and the hard
// space limit (in Mb) set.
int editMember(KCModule *module, const QString &tabName, const QStringList &args)
{
    const QString name = args.value(0);
    const QString device = args.value(1);
    QWidget *page = showTab(module, tabName);
    if (auto filter = optionalChild<QComboBox>(page, QStringLiteral("cBoxFilterMode"))) {
        filter->setCurrentIndex(0);
    }
    child<QLineEdit>(page, QStringLiteral("searchEdit"))->clear();
    selectDevice(page, device);
    auto view = child<QTreeView>(page, QStringLiteral("treeView"));
    QModelIndex row;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        if (view->model()->index(r, 0).data().toString() == name) {
            row = view->model()->index(r, 0);
        }
    }
    if (!row.isValid()) {
        out(QStringLiteral("error=no row %1").arg(name));
        return 1;
    }
    bool edited = false;
    QTimer::singleShot(0, module, [&] {
        auto dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            out(QStringLiteral("error=no dialog"));
            return;
        }
        out(QStringLiteral("dialog-title=%1").arg(dialog->windowTitle()));
        child<QComboBox>(dialog, QStringLiteral("devicesCombo"))->setCurrentText(device);
        child<QCheckBox>(dialog, QStringLiteral("softLimitFilesChBox"))->setChecked(true);
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("softLimitFilesValue")), args.value(2));
        child<QCheckBox>(dialog, QStringLiteral("hardLimitFilesChBox"))->setChecked(true);
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("hardLimitFilesValue")), args.value(3));
        child<QCheckBox>(dialog, QStringLiteral("hardLimitMemoryChBox"))->setChecked(true);
        child<QComboBox>(dialog, QStringLiteral("hardLimitCombo"))->setCurrentIndex(1);
        child<QDoubleSpinBox>(dialog, QStringLiteral("hardLimitMemoryValue"))->setValue(args.value(4).toDouble());
        QPushButton *ok = child<QDialogButtonBox>(dialog, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
        edited = ok->isEnabled();
        ok->click();
    });
    Q_EMIT view->doubleClicked(row);
    settle();
    printMessages(module);
    return edited ? 0 : 1;
}

// Picks the unit of a space limit by its text (the units the panel shows,
// such as "Mb").
void selectUnit(QComboBox *units, const QString &text)
{
    const int index = units->findText(text);
    if (index < 0) {
        out(QStringLiteral("error=no unit %1 in %2").arg(text, units->objectName()));
        std::exit(3);
    }
    units->setCurrentIndex(index);
}

// "Add folder…" on the folders tab: the folder typed into the dialog, what
// the dialog proposes printed, then the name, id and limits given, OK.
int addFolder(KCModule *module, const QStringList &args)
{
    QWidget *page = showTab(module, QStringLiteral("folders"));
    settle();
    bool accepted = false;
    QTimer::singleShot(0, module, [&] {
        auto dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            out(QStringLiteral("error=no dialog"));
            return;
        }
        out(QStringLiteral("dialog-title=%1").arg(dialog->windowTitle()));
        child<QLineEdit>(dialog, QStringLiteral("folderEdit"))->setText(args.value(0));
        auto name = child<QLineEdit>(dialog, QStringLiteral("nameEdit"));
        auto id = child<QSpinBox>(dialog, QStringLiteral("projectIdSpin"));
        out(QStringLiteral("proposed=%1|%2").arg(name->text()).arg(id->value()));
        out(QStringLiteral("folder-device=%1").arg(child<QLabel>(dialog, QStringLiteral("deviceName"))->text()));
        if (!args.value(1).isEmpty()) {
            name->setText(args.value(1));
        }
        if (args.value(2).toLongLong() != 0) {
            id->setValue(args.value(2).toInt());
        }
        selectUnit(child<QComboBox>(dialog, QStringLiteral("blockSoftUnit")), QStringLiteral("Mb"));
        child<QDoubleSpinBox>(dialog, QStringLiteral("blockSoftLimit"))->setValue(args.value(3).toDouble());
        selectUnit(child<QComboBox>(dialog, QStringLiteral("blockHardUnit")), QStringLiteral("Mb"));
        child<QDoubleSpinBox>(dialog, QStringLiteral("blockHardLimit"))->setValue(args.value(4).toDouble());
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("inodeSoftLimit")), args.value(5));
        setCount(child<QAbstractSpinBox>(dialog, QStringLiteral("inodeHardLimit")), args.value(6));
        settle();
        if (!args.value(7).isEmpty() && dialog->grab().save(args.value(7))) {
            out(QStringLiteral("screenshot=%1").arg(args.value(7)));
        }
        QPushButton *ok = child<QDialogButtonBox>(dialog, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
        accepted = ok->isEnabled();
        if (!accepted) {
            // The dialog says why it refuses; the host must not hang on it.
            out(QStringLiteral("problem=%1").arg(child<QLabel>(dialog, QStringLiteral("problemLabel"))->text().replace(QLatin1Char('\n'), QLatin1Char('|'))));
            dialog->reject();
            return;
        }
        ok->click();
    });
    child<QPushButton>(page, QStringLiteral("addFolderBtn"))->click();
    settle();
    printMessages(module);
    return accepted ? 0 : 1;
}

// Selects the row of a folder (any cell equal to FOLDER) on whichever
// device of the folders tab shows it.
QTreeView *selectFolder(QWidget *page, const QString &folder)
{
    auto devices = child<QComboBox>(page, QStringLiteral("cBoxDevices"));
    child<QLineEdit>(page, QStringLiteral("searchEdit"))->clear();
    auto view = child<QTreeView>(page, QStringLiteral("treeView"));
    QAbstractItemModel *model = view->model();
    for (int d = 0; d < devices->count(); ++d) {
        devices->setCurrentIndex(d);
        settle();
        for (int r = 0; r < model->rowCount(); ++r) {
            for (int c = 0; c < model->columnCount(); ++c) {
                if (model->index(r, c).data().toString() == folder) {
                    view->clearSelection();
                    view->selectionModel()->select(model->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                    return view;
                }
            }
        }
    }
    return nullptr;
}

// "Remove folder" for one folder, answering whether the files beneath keep
// their project id.
int removeFolder(KCModule *module, const QString &folder, const QString &answer)
{
    QWidget *page = showTab(module, QStringLiteral("folders"));
    if (!selectFolder(page, folder)) {
        out(QStringLiteral("error=no folder %1").arg(folder));
        return 1;
    }
    auto remove = child<QPushButton>(page, QStringLiteral("removeFolderBtn"));
    if (!remove->isEnabled()) {
        out(QStringLiteral("error=removeFolderBtn is disabled"));
        return 1;
    }
    bool answered = false;
    QTimer::singleShot(0, module, [&] {
        auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            out(QStringLiteral("error=no question"));
            return;
        }
        out(QStringLiteral("remove-question=%1|%2").arg(box->text(), box->informativeText()));
        QAbstractButton *button = box->button(answer == QLatin1String("keep") ? QMessageBox::Yes : QMessageBox::No);
        out(QStringLiteral("remove-answer=%1").arg(button->text()));
        answered = true;
        button->click();
    });
    remove->click();
    settle();
    printMessages(module);
    return answered ? 0 : 1;
}

// The folders tab on one device, narrowed by a search: the device's text,
// the number of rows and every cell of each row.
int foldersView(KCModule *module, const QString &device, const QString &search)
{
    QWidget *page = showTab(module, QStringLiteral("folders"));
    selectDevice(page, device);
    child<QLineEdit>(page, QStringLiteral("searchEdit"))->setText(search);
    settle();
    out(QStringLiteral("device-text=%1").arg(child<QComboBox>(page, QStringLiteral("cBoxDevices"))->currentText()));
    QAbstractItemModel *model = child<QTreeView>(page, QStringLiteral("treeView"))->model();
    QStringList header;
    for (int c = 0; c < model->columnCount(); ++c) {
        header.append(model->headerData(c, Qt::Horizontal).toString());
    }
    out(QStringLiteral("header=%1").arg(header.join(QLatin1Char('|'))));
    out(QStringLiteral("rows=%1").arg(model->rowCount()));
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c) {
            cells.append(model->index(r, c).data().toString());
        }
        out(QStringLiteral("row=%1").arg(cells.join(QLatin1Char('|'))));
    }
    return 0;
}

int enableUsers(KCModule *module, const QString &device)
{
    QWidget *general = tab(module, QStringLiteral("generalTab"));
    child<QComboBox>(general, QStringLiteral("cBoxDevices"))->setCurrentText(device);
    QGroupBox *users = child<QGroupBox>(general, QStringLiteral("usersQuotaBox"));
    users->setChecked(true);
    Q_EMIT users->clicked(true);
    module->save();
    settle();
    printMessages(module);
    return 0;
}

// Ticks user quota support on the device and sets its users' space grace
// period, leaving the Apply to a later command.
int grace(KCModule *module, const QString &device, int days)
{
    QWidget *general = tab(module, QStringLiteral("generalTab"));
    child<QComboBox>(general, QStringLiteral("cBoxDevices"))->setCurrentText(device);
    QGroupBox *users = child<QGroupBox>(general, QStringLiteral("usersQuotaBox"));
    if (!users->isChecked()) {
        users->setChecked(true);
        Q_EMIT users->clicked(true);
    }
    auto spinBox = child<QSpinBox>(boxTitled(users, QStringLiteral("Memory grace period")), QStringLiteral("spinBoxDays"));
    if (!spinBox->isEnabled()) {
        out(QStringLiteral("error=the grace editor is disabled"));
        return 1;
    }
    spinBox->setValue(days);
    return 0;
}

// Enters text in the group administrators editor, adding a task first when
// there is none to edit.
int noteAdmins(KCModule *module, const QString &text)
{
    QWidget *page = tab(module, QStringLiteral("notification"));
    if (child<QComboBox>(page, QStringLiteral("cronJobsComboBox"))->count() == 0) {
        child<QPushButton>(page, QStringLiteral("addTaskButton"))->click();
    }
    auto editor = child<QPlainTextEdit>(page, QStringLiteral("quotaGroupAdminsText"));
    editor->moveCursor(QTextCursor::Start);
    editor->insertPlainText(text + QLatin1Char('\n'));
    return 0;
}

void printAdmins(KCModule *module)
{
    const QString text = child<QPlainTextEdit>(tab(module, QStringLiteral("notification")), QStringLiteral("quotaGroupAdminsText"))->toPlainText();
    out(QStringLiteral("admins=%1").arg(text.split(QLatin1Char('\n')).join(QLatin1Char('|'))));
}

void apply(KCModule *module)
{
    module->save();
    settle();
    printMessages(module);
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The export's file question must be the panel's own widget dialog, so
    // the host can answer it.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        out(
            QStringLiteral("usage: kcmq-panel-host PLUGIN show|shots DIR|edit-user NAME DEVICE SOFT HARD MB|enable-users DEVICE|grace DEVICE DAYS|note-admins "
                           "TEXT|print-admins|apply"));
        return 2;
    }

    // A question box (the reboot request) would wait for a person: note it
    // and answer No.
    QTimer questions;
    QObject::connect(&questions, &QTimer::timeout, &app, [] {
        if (auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            out(QStringLiteral("question=%1").arg(box->text()));
            box->done(QMessageBox::No);
        }
    });
    questions.start(200);

    QPluginLoader loader(args.at(0));
    auto factory = qobject_cast<KPluginFactory *>(loader.instance());
    if (!factory) {
        out(QStringLiteral("error=%1").arg(loader.errorString()));
        return 1;
    }
    out(QStringLiteral("factory=%1").arg(QString::fromLatin1(factory->metaObject()->className())));
    QWidget window;
    auto module = factory->create<KCModule>(&window, QVariantList());
    if (!module) {
        out(QStringLiteral("error=the factory made no module"));
        return 1;
    }
    auto layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(KCMVS::moduleWidget(module));
    window.resize(1000, 700);
    module->load();
    window.show();
    settle();
    printMessages(module);
    if (!KCMVS::moduleWidget(module)->findChild<QTabWidget *>(QStringLiteral("tabWidget"))) {
        out(QStringLiteral("error=the panel was not prepared"));
        return 1;
    }

    // Several commands run one after the other on the one loaded panel.
    QStringList rest = args.mid(1);
    int status = 0;
    while (!rest.isEmpty() && status == 0) {
        const QString command = rest.takeFirst();
        if (command == QLatin1String("show")) {
            show(module);
        } else if (command == QLatin1String("shots")) {
            status = shots(module, rest.value(0));
            rest = rest.mid(1);
        } else if (command == QLatin1String("edit-user")) {
            status = editMember(module, QStringLiteral("users"), rest.mid(0, 5));
            rest = rest.mid(5);
        } else if (command == QLatin1String("edit-group")) {
            status = editMember(module, QStringLiteral("groups"), rest.mid(0, 5));
            rest = rest.mid(5);
        } else if (command == QLatin1String("edit-folder")) {
            status = editMember(module, QStringLiteral("folders"), rest.mid(0, 5));
            rest = rest.mid(5);
        } else if (command == QLatin1String("add-folder")) {
            status = addFolder(module, rest.mid(0, 8));
            rest = rest.mid(8);
        } else if (command == QLatin1String("remove-folder")) {
            status = removeFolder(module, rest.value(0), rest.value(1));
            rest = rest.mid(2);
        } else if (command == QLatin1String("folders-view")) {
            status = foldersView(module, rest.value(0), rest.value(1));
            rest = rest.mid(2);
        } else if (command == QLatin1String("folders-shot")) {
            status = tabShot(module, QStringLiteral("folders"), rest.value(0));
            rest = rest.mid(1);
        } else if (command == QLatin1String("users-view")) {
            status = usersView(module, rest.mid(0, 5));
            rest = rest.mid(5);
        } else if (command == QLatin1String("users-shot")) {
            status = tabShot(module, QStringLiteral("users"), rest.value(0));
            rest = rest.mid(1);
        } else if (command == QLatin1String("set-many")) {
            status = setMany(module, rest.mid(0, 6));
            rest = rest.mid(6);
        } else if (command == QLatin1String("set-many-hard")) {
            status = setManyHard(module, rest.mid(0, 3));
            rest = rest.mid(3);
        } else if (command == QLatin1String("edit-files")) {
            status = editFiles(module, rest.mid(0, 3));
            rest = rest.mid(3);
        } else if (command == QLatin1String("users-export")) {
            status = usersExport(module, rest.value(0));
            rest = rest.mid(1);
        } else if (command == QLatin1String("enable-users")) {
            status = enableUsers(module, rest.value(0));
            rest = rest.mid(1);
        } else if (command == QLatin1String("grace")) {
            status = grace(module, rest.value(0), rest.value(1).toInt());
            rest = rest.mid(2);
        } else if (command == QLatin1String("note-admins")) {
            status = noteAdmins(module, rest.value(0));
            rest = rest.mid(1);
        } else if (command == QLatin1String("print-admins")) {
            printAdmins(module);
        } else if (command == QLatin1String("apply")) {
            apply(module);
        } else {
            out(QStringLiteral("error=unknown command %1").arg(command));
            status = 2;
        }
        out(QStringLiteral("done=%1 %2").arg(command).arg(status));
    }
    return status;
}
