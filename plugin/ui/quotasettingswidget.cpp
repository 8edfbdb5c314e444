// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotasettingswidget.h"

#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/system/devicedatainformation.h"
#include "plugin/system/kcmquotas_debug.h"
#include "plugin/ui/addfolderdialog.h"
#include "plugin/ui/quotatableexporter.h"
#include "plugin/ui/settingmemberquotasdialog.h"
#include "plugin/ui/usagebardelegate.h"
#include "ui_quotasettingswidget.h"

#include <KLocalizedString>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QListWidgetItem>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>
#include <exception>

namespace
{
const QString visibleColumnsKey = QStringLiteral("VisibleColumns");
const QString sortColumnKey = QStringLiteral("SortColumn");
const QString sortOrderKey = QStringLiteral("SortOrder");

// How an administrator knows the device: where it is mounted, then the
// device and its file system. The path stays the item's data.
QString deviceText(const QString &device)
{
    QString filesystem;
    try {
        filesystem = DeviceDataInformation::deviceFilesystem(device);
    } catch (const std::exception &e) {
        qCWarning(KCMQUOTAS) << "the file system of" << device << "is unknown:" << e.what();
    }
    const QString described = filesystem.isEmpty() ? device : i18nd("velun_kcm_quotas", "%1 (%2)", device, filesystem);
    if (!DeviceDataInformation::deviceIsMounted(device)) {
        return described;
    }
    try {
        return i18nd("velun_kcm_quotas", "%1 — %2", DeviceDataInformation::deviceMountPath(device), described);
    } catch (const std::exception &e) {
        qCWarning(KCMQUOTAS) << "the mount point of" << device << "is unknown:" << e.what();
        return described;
    }
}
}

QuotaSettingsWidget::QuotaSettingsWidget(const QList<SettingsDeviceQuota *> &settings, QWidget *parent, const KConfigGroup &viewState, SettingsId kind)
    : QWidget(parent)
    , m_ui(new Ui::QuotaSettingsWidget)
    , m_settings(settings)
    , m_viewState(viewState)
    , m_kind(kind)
{
    m_ui->setupUi(this);
    m_ui->filterParamsBtn->setIcon(style()->standardIcon(QStyle::SP_TitleBarUnshadeButton));

    m_model = new QuotaSettingsModel(m_settings, this);
    m_model->setShowsFolders(m_kind == Projects);
    m_proxy = new QuotaSettingsProxyModel(m_model, this);
    // Until the administrator picks a column, the rows keep the account
    // directory's order.
    m_ui->treeView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_ui->treeView->setModel(m_proxy);
    auto bars = new UsageBarDelegate(this);
    m_ui->treeView->setItemDelegateForColumn(QuotaSettingsModel::UsedBlocks, bars);
    m_ui->treeView->setItemDelegateForColumn(QuotaSettingsModel::UsedInodes, bars);

    m_ui->filterCheckBoxes->hide();
    inflateFilterParams();
    if (m_kind == Projects) {
        // Where a folder is comes first, its project beside its name.
        m_ui->treeView->header()->moveSection(QuotaSettingsModel::FolderColumn, 0);
        m_ui->treeView->header()->moveSection(QuotaSettingsModel::ProjectIdColumn, 2);
        m_ui->searchEdit->setPlaceholderText(i18nd("velun_kcm_quotas", "Search by folder, name or project id"));
        m_ui->searchEdit->setAccessibleName(i18nd("velun_kcm_quotas", "Search folders"));
        m_ui->addFolderBtn->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
        m_ui->removeFolderBtn->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
        m_ui->addFolderBtn->show();
        m_ui->removeFolderBtn->show();
        connect(m_ui->addFolderBtn, &QPushButton::clicked, this, &QuotaSettingsWidget::addFolder);
        connect(m_ui->removeFolderBtn, &QPushButton::clicked, this, &QuotaSettingsWidget::removeFolder);
    }
    restoreViewState();

    connect(m_ui->cBoxDevices, qOverload<int>(&QComboBox::currentIndexChanged), this, &QuotaSettingsWidget::changeDevice);
    fillDevices();

    m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "All"), QVariant::fromValue(All));
    // Folders are no accounts: there are no system ones among them.
    if (m_kind != Projects) {
        m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "Ordinary"), QVariant::fromValue(Ordinary));
        m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "Systems"), QVariant::fromValue(Systems));
    }
    m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "Over a limit"), QVariant::fromValue(OverLimit));

    connect(m_ui->cBoxFilterMode, qOverload<int>(&QComboBox::currentIndexChanged), this, &QuotaSettingsWidget::setupModeItemsFilter);
    connect(m_ui->filterCheckBoxes, &QListWidget::itemChanged, this, &QuotaSettingsWidget::changeFilterParams);
    connect(m_ui->filterParamsBtn, &QPushButton::clicked, this, &QuotaSettingsWidget::showFilterCheckBoxes);
    connect(m_ui->treeView, &QTreeView::doubleClicked, this, &QuotaSettingsWidget::showSettingMemberQuotasWidget);
    connect(m_ui->searchEdit, &QLineEdit::textChanged, m_proxy, &QuotaSettingsProxyModel::setSearchText);
    connect(m_ui->treeView->header(), &QHeaderView::sortIndicatorChanged, this, &QuotaSettingsWidget::saveViewState);
    setupActions();

    m_ui->cBoxFilterMode->setCurrentIndex(m_ui->cBoxFilterMode->findData(QVariant::fromValue(m_kind == Projects ? All : Ordinary)));
}

QuotaSettingsWidget::~QuotaSettingsWidget()
{
    delete m_ui;
}

void QuotaSettingsWidget::updateSettings(const QList<SettingsDeviceQuota *> &settings)
{
    // A reload after an edit or a refresh must not lose the administrator's
    // place in a long list.
    const Place before = place();
    if (!m_settings.isSharedWith(settings)) {
        m_settings = settings;
    }
    m_model->setSettingsQuota(m_settings);
    setupModeItemsFilter();
    restorePlace(before);
    updateActionsEnabled();
}

QuotaSettingsWidget::Place QuotaSettingsWidget::place() const
{
    Place place;
    for (const SettingsDeviceQuota *member : selectedMembers()) {
        place.selected.append(member->member().id);
    }
    const QModelIndex current = m_ui->treeView->currentIndex();
    if (current.isValid()) {
        place.current = m_proxy->item(current)->member().id;
        place.hasCurrent = true;
    }
    place.scroll = m_ui->treeView->verticalScrollBar()->value();
    return place;
}

void QuotaSettingsWidget::restorePlace(const Place &place)
{
    const QSet<int> selected(place.selected.cbegin(), place.selected.cend());
    QItemSelection selection;
    QModelIndex current;
    const int columns = m_proxy->columnCount();
    for (int row = 0; row < m_proxy->rowCount(); ++row) {
        const QModelIndex index = m_proxy->index(row, 0);
        const int id = m_proxy->item(index)->member().id;
        if (selected.contains(id)) {
            selection.select(index, m_proxy->index(row, columns - 1));
        }
        if (place.hasCurrent && id == place.current) {
            current = index;
        }
    }
    QItemSelectionModel *model = m_ui->treeView->selectionModel();
    if (current.isValid()) {
        model->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    m_ui->treeView->verticalScrollBar()->setValue(place.scroll);
}

bool QuotaSettingsWidget::eventFilter(QObject *watched, QEvent *event)
{
    // Return and Escape in the search field belong to it: in a host window
    // they would press its default button (saving and closing it) or close
    // it. Taking the shortcut override keeps the host's shortcuts off too.
    if (watched == m_ui->searchEdit && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool escape = key->key() == Qt::Key_Escape;
        if ((enter || escape) && key->modifiers() == Qt::NoModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                if (escape) {
                    m_ui->searchEdit->clear();
                } else if (m_proxy->rowCount() > 0) {
                    // On to the rows found, where Return opens the member.
                    m_ui->treeView->setFocus(Qt::ShortcutFocusReason);
                    if (!m_ui->treeView->selectionModel()->hasSelection()) {
                        const QModelIndex current = m_ui->treeView->currentIndex();
                        m_ui->treeView->selectionModel()->setCurrentIndex(current.isValid() ? current : m_proxy->index(0, 0),
                                                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                    }
                }
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString QuotaSettingsWidget::currentDevice() const
{
    return m_ui->cBoxDevices->currentData().toString();
}

void QuotaSettingsWidget::setFolderDevices(const QMap<QString, QString> &mountPoints, quint32 nextProjectId)
{
    m_nextProjectId = nextProjectId;
    if (m_kind != Projects || mountPoints.keys() == m_folderDevices.keys()) {
        m_folderDevices = mountPoints;
        return;
    }
    m_folderDevices = mountPoints;
    // A device switched on or off in the general tab comes or goes; the
    // one the administrator looks at stays chosen.
    const QString current = currentDevice();
    const QSignalBlocker blocker(m_ui->cBoxDevices);
    m_ui->cBoxDevices->clear();
    fillDevices();
    const int index = m_ui->cBoxDevices->findData(current);
    m_ui->cBoxDevices->setCurrentIndex(index >= 0 ? index : 0);
    changeDevice();
    updateActionsEnabled();
}

void QuotaSettingsWidget::fillDevices()
{
    QStringList devices;
    try {
        devices = m_kind == Projects ? m_folderDevices.keys() : DeviceDataInformation::supportedDevices();
    } catch (const std::exception &e) {
        // Without the device list the table still shows the members.
        qCWarning(KCMQUOTAS) << "the device list is unknown:" << e.what();
    }
    for (const QString &device : std::as_const(devices)) {
        m_ui->cBoxDevices->addItem(deviceText(device), device);
    }
}

void QuotaSettingsWidget::setupActions()
{
    m_setLimitsAction = new QAction(QIcon::fromTheme(QStringLiteral("document-edit")), i18nd("velun_kcm_quotas", "Set limits…"), this);
    m_setLimitsAction->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    m_setLimitsAction->setShortcutContext(Qt::WidgetShortcut);
    m_copyLimitsAction = new QAction(i18nd("velun_kcm_quotas", "Copy limits from…"), this);
    m_copyRowsAction = new QAction(QIcon::fromTheme(QStringLiteral("edit-copy")), i18nd("velun_kcm_quotas", "Copy"), this);
    m_copyRowsAction->setShortcuts(QKeySequence::Copy);
    m_copyRowsAction->setShortcutContext(Qt::WidgetShortcut);
    m_exportAction = new QAction(QIcon::fromTheme(QStringLiteral("document-export")), i18nd("velun_kcm_quotas", "Export…"), this);
    m_findAction = new QAction(i18nd("velun_kcm_quotas", "Search members"), this);
    m_findAction->setShortcuts(QKeySequence::Find);
    m_findAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_refreshAction = new QAction(QIcon::fromTheme(QStringLiteral("view-refresh")), i18nd("velun_kcm_quotas", "Refresh"), this);
    m_refreshAction->setShortcuts(QKeySequence::Refresh);
    m_refreshAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(m_findAction);
    addAction(m_refreshAction);
    m_ui->refreshBtn->setIcon(m_refreshAction->icon());
    m_ui->searchEdit->installEventFilter(this);
    connect(m_findAction, &QAction::triggered, this, [this] {
        m_ui->searchEdit->setFocus(Qt::ShortcutFocusReason);
        m_ui->searchEdit->selectAll();
    });
    connect(m_refreshAction, &QAction::triggered, this, &QuotaSettingsWidget::refreshRequested);
    connect(m_ui->refreshBtn, &QPushButton::clicked, m_refreshAction, &QAction::trigger);
    m_ui->treeView->addAction(m_setLimitsAction);
    m_ui->treeView->addAction(m_copyRowsAction);

    connect(m_setLimitsAction, &QAction::triggered, this, &QuotaSettingsWidget::setLimitsForSelection);
    connect(m_copyLimitsAction, &QAction::triggered, this, &QuotaSettingsWidget::copyLimitsFromMember);
    connect(m_copyRowsAction, &QAction::triggered, this, &QuotaSettingsWidget::copySelectedRows);
    connect(m_exportAction, &QAction::triggered, this, &QuotaSettingsWidget::exportTable);
    connect(m_ui->setLimitsBtn, &QPushButton::clicked, m_setLimitsAction, &QAction::trigger);
    connect(m_ui->copyLimitsBtn, &QPushButton::clicked, m_copyLimitsAction, &QAction::trigger);
    connect(m_ui->exportBtn, &QPushButton::clicked, m_exportAction, &QAction::trigger);
    connect(m_ui->treeView, &QWidget::customContextMenuRequested, this, &QuotaSettingsWidget::showContextMenu);
    connect(m_ui->treeView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &QuotaSettingsWidget::updateActionsEnabled);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &QuotaSettingsWidget::updateActionsEnabled);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, &QuotaSettingsWidget::updateActionsEnabled);
    updateActionsEnabled();
}

void QuotaSettingsWidget::updateActionsEnabled()
{
    const bool selected = m_ui->treeView->selectionModel()->hasSelection();
    const bool device = !currentDevice().isEmpty();
    m_setLimitsAction->setEnabled(selected);
    m_copyLimitsAction->setEnabled(selected && device);
    m_copyRowsAction->setEnabled(selected);
    m_ui->setLimitsBtn->setEnabled(selected);
    m_ui->copyLimitsBtn->setEnabled(selected && device);
    // One folder at a time: each asks about the files beneath it.
    m_ui->removeFolderBtn->setEnabled(m_ui->treeView->selectionModel()->selectedRows().size() == 1);
    m_ui->addFolderBtn->setEnabled(!m_folderDevices.isEmpty());
}

void QuotaSettingsWidget::showContextMenu(const QPoint &position)
{
    const QModelIndex index = m_ui->treeView->indexAt(position);
    if (index.isValid() && !m_ui->treeView->selectionModel()->isSelected(index)) {
        m_ui->treeView->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_ui->treeView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    QMenu menu(this);
    menu.addAction(m_setLimitsAction);
    menu.addAction(m_copyLimitsAction);
    menu.addSeparator();
    menu.addAction(m_copyRowsAction);
    menu.addAction(m_exportAction);
    menu.exec(m_ui->treeView->viewport()->mapToGlobal(position));
}

void QuotaSettingsWidget::inflateFilterParams()
{
    const int columns = m_model->columnCount();
    for (int column = 0; column < columns; ++column) {
        auto item = new QListWidgetItem(m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        if (isMainParam(static_cast<QuotaSettingsModel::ParameterId>(column))) {
            item->setCheckState(Qt::Checked);
        } else {
            item->setCheckState(Qt::Unchecked);
            m_ui->treeView->header()->hideSection(column);
        }
        item->setData(Qt::UserRole, column);
        m_ui->filterCheckBoxes->addItem(item);
    }
}

void QuotaSettingsWidget::restoreViewState()
{
    if (!m_viewState.isValid()) {
        return;
    }
    QHeaderView *header = m_ui->treeView->header();
    const int columns = m_model->columnCount();
    if (m_viewState.hasKey(visibleColumnsKey)) {
        const QList<int> visible = m_viewState.readEntry(visibleColumnsKey, QList<int>());
        for (int row = 0; row < m_ui->filterCheckBoxes->count(); ++row) {
            QListWidgetItem *item = m_ui->filterCheckBoxes->item(row);
            const int column = item->data(Qt::UserRole).toInt();
            const bool shown = visible.contains(column);
            item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
            header->setSectionHidden(column, !shown);
        }
    }
    const int sortColumn = m_viewState.readEntry(sortColumnKey, -1);
    if (sortColumn >= 0 && sortColumn < columns) {
        const auto order = m_viewState.readEntry(sortOrderKey, 0) == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
        header->setSortIndicator(sortColumn, order);
        m_ui->treeView->sortByColumn(sortColumn, order);
    }
}

void QuotaSettingsWidget::saveViewState()
{
    if (!m_viewState.isValid()) {
        return;
    }
    QList<int> visible;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (!m_ui->treeView->header()->isSectionHidden(column)) {
            visible.append(column);
        }
    }
    m_viewState.writeEntry(visibleColumnsKey, visible);
    m_viewState.writeEntry(sortColumnKey, m_ui->treeView->header()->sortIndicatorSection());
    m_viewState.writeEntry(sortOrderKey, m_ui->treeView->header()->sortIndicatorOrder() == Qt::DescendingOrder ? 1 : 0);
    // The panel can be closed by the host at any time; write at once.
    m_viewState.sync();
}

bool QuotaSettingsWidget::isMainParam(QuotaSettingsModel::ParameterId id) const
{
    switch (id) {
    case QuotaSettingsModel::FolderColumn:
    case QuotaSettingsModel::ProjectIdColumn:
    case QuotaSettingsModel::BlockHardLimit:
        return m_kind == Projects;
    case QuotaSettingsModel::NameColumn:
    case QuotaSettingsModel::QuotaIsOn:
    case QuotaSettingsModel::UsedBlocks:
    case QuotaSettingsModel::UsedInodes:
        return true;
    default:
        return false;
    }
}

void QuotaSettingsWidget::setupModeItemsFilter()
{
    const QVariant modeData = m_ui->cBoxFilterMode->currentData(Qt::UserRole);
    auto mode = All;
    if (modeData.isValid() && modeData.canConvert<FilterModeId>()) {
        mode = modeData.value<FilterModeId>();
    }
    m_proxy->setFilterMode(static_cast<QuotaSettingsProxyModel::FilterModeId>(mode));
}

void QuotaSettingsWidget::changeDevice()
{
    m_model->setCurrentDevice(currentDevice());
}

void QuotaSettingsWidget::changeFilterParams(QListWidgetItem *item)
{
    const int column = item->data(Qt::UserRole).toInt();
    const bool visible = item->data(Qt::CheckStateRole).toBool();
    m_ui->treeView->header()->setSectionHidden(column, !visible);
    saveViewState();
}

void QuotaSettingsWidget::showFilterCheckBoxes()
{
    const bool visible = !m_ui->filterCheckBoxes->isVisibleTo(this);
    m_ui->filterCheckBoxes->setVisible(visible);
    m_ui->filterParamsBtn->setIcon(style()->standardIcon(visible ? QStyle::SP_TitleBarShadeButton : QStyle::SP_TitleBarUnshadeButton));
}

void QuotaSettingsWidget::showSettingMemberQuotasWidget(const QModelIndex &index)
{
    if (!index.isValid() || index.model() != m_proxy) {
        return;
    }
    SettingsDeviceQuota *settings = m_proxy->item(index);
    SettingMemberQuotasDialog dialog(*settings, currentDevice(), nullptr);
    if (dialog.exec() == QDialog::Accepted) {
        Q_EMIT settingsChanged(dialog.selectedMember());
    }
}

QList<int> QuotaSettingsWidget::visibleColumns() const
{
    const QHeaderView *header = m_ui->treeView->header();
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column)) {
            columns.append(column);
        }
    }
    return columns;
}

QModelIndexList QuotaSettingsWidget::selectedRows() const
{
    QModelIndexList rows = m_ui->treeView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() < b.row();
    });
    return rows;
}

QList<SettingsDeviceQuota *> QuotaSettingsWidget::selectedMembers() const
{
    QList<SettingsDeviceQuota *> members;
    for (const QModelIndex &row : selectedRows()) {
        members.append(m_proxy->item(row));
    }
    return members;
}

void QuotaSettingsWidget::setLimitsForSelection()
{
    const QModelIndexList rows = selectedRows();
    if (rows.size() == 1) {
        showSettingMemberQuotasWidget(rows.first());
        return;
    }
    const QList<SettingsDeviceQuota *> members = selectedMembers();
    const QString device = currentDevice();
    if (members.isEmpty() || device.isEmpty()) {
        return;
    }
    SettingMemberQuotasDialog dialog(*members.first(), device, nullptr);
    dialog.setManyMembers(members);
    if (dialog.exec() == QDialog::Accepted && dialog.changedFields() != 0) {
        Q_EMIT limitsChangedForMany(members, device, dialog.selectedMember().devicesQuota().value(device), dialog.changedFields());
    }
}

void QuotaSettingsWidget::copyLimitsFromMember()
{
    const QList<SettingsDeviceQuota *> members = selectedMembers();
    const QString device = currentDevice();
    if (members.isEmpty() || device.isEmpty()) {
        return;
    }
    QStringList names;
    for (const SettingsDeviceQuota *member : std::as_const(m_settings)) {
        if (member->devicesQuota().contains(device)) {
            names.append(rowLabel(member));
        }
    }
    // Nothing is chosen for the administrator: a preselected account taken
    // over with Return would wipe the limits of every selected member.
    QInputDialog chooser(this);
    chooser.setWindowTitle(i18nd("velun_kcm_quotas", "Copy limits"));
    chooser.setLabelText(i18ndp("velun_kcm_quotas",
                                "Take the limits on this device for the selected member from:",
                                "Take the limits on this device for the %1 selected members from:",
                                members.size()));
    chooser.setComboBoxItems(names);
    chooser.setComboBoxEditable(true);
    chooser.setTextValue(QString());
    // The dialog builds its buttons when it is first laid out.
    chooser.sizeHint();
    if (auto buttons = chooser.findChild<QDialogButtonBox *>()) {
        QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
        const auto follow = [ok, names](const QString &text) {
            if (ok) {
                ok->setEnabled(names.contains(text));
            }
        };
        connect(&chooser, &QInputDialog::textValueChanged, ok, follow);
        follow(chooser.textValue());
    }
    if (chooser.exec() != QDialog::Accepted) {
        return;
    }
    const QString name = chooser.textValue();
    const auto source = std::find_if(m_settings.cbegin(), m_settings.cend(), [this, &name, &device](const SettingsDeviceQuota *member) {
        return rowLabel(member) == name && member->devicesQuota().contains(device);
    });
    if (source == m_settings.cend()) {
        QMessageBox::warning(this, i18nd("velun_kcm_quotas", "Copy limits"), i18nd("velun_kcm_quotas", "There is no member named %1.", name));
        return;
    }
    // Limits that could not be read are no limits to hand on: copying them
    // would wipe the selected members' real ones.
    const MemberQuotaData limits = (*source)->devicesQuota().value(device);
    if (!limits.isKnown()) {
        QMessageBox::warning(
            this,
            i18nd("velun_kcm_quotas", "Copy limits"),
            i18nd("velun_kcm_quotas",
                  "%1: %2",
                  name,
                  i18nd("velun_kcm_quotas", "The quota data of this member on this device could not be read, so its limits cannot be changed here.")));
        return;
    }
    QList<SettingsDeviceQuota *> targets = members;
    targets.removeAll(*source);
    if (targets.isEmpty()) {
        return;
    }
    const auto space = [&limits](MemorySizeId id) {
        const QString shown = limits.memorySizeById(id).humanSize();
        return shown.isEmpty() ? i18nd("velun_kcm_quotas", "none") : shown;
    };
    const auto files = [](qint64 count) {
        return count > 0 ? QString::number(count) : i18nd("velun_kcm_quotas", "none");
    };
    const QString described = i18nd("velun_kcm_quotas",
                                    "soft space limit %1, hard space limit %2, soft files limit %3, hard files limit %4",
                                    space(SoftLimitSize),
                                    space(HardLimitSize),
                                    files(limits.softFilesLimit()),
                                    files(limits.hardFilesLimit()));
    const QString question = i18ndp("velun_kcm_quotas",
                                    "Give %1 member the limits of %2 on %3 (%4)? The limits the member has there now are replaced.",
                                    "Give %1 members the limits of %2 on %3 (%4)? The limits the members have there now are replaced.",
                                    targets.size(),
                                    name,
                                    device,
                                    described);
    if (QMessageBox::question(this, i18nd("velun_kcm_quotas", "Copy limits"), question, QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel)
        != QMessageBox::Yes) {
        return;
    }
    Q_EMIT limitsChangedForMany(targets, device, limits, AllLimitFields);
}

void QuotaSettingsWidget::copySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex &row : selectedRows()) {
        rows.append(row.row());
    }
    if (rows.isEmpty()) {
        return;
    }
    QApplication::clipboard()->setText(QuotaTableExporter::tabSeparated(*m_proxy, rows, visibleColumns()));
}

bool QuotaSettingsWidget::exportTo(const QString &fileName, QString *errorText) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(QuotaTableExporter::csv(*m_proxy, visibleColumns())) < 0 || !file.commit()) {
        if (errorText) {
            *errorText = file.errorString();
        }
        return false;
    }
    return true;
}

void QuotaSettingsWidget::exportTable()
{
    const QString device = QFileInfo(currentDevice()).fileName();
    const QString suggested = QDir::home().filePath(device.isEmpty() ? QStringLiteral("quotas.csv") : QStringLiteral("quotas-%1.csv").arg(device));
    const QString fileName = QFileDialog::getSaveFileName(this, i18nd("velun_kcm_quotas", "Export"), suggested, i18nd("velun_kcm_quotas", "CSV files (*.csv)"));
    if (fileName.isEmpty()) {
        return;
    }
    QString error;
    if (!exportTo(fileName, &error)) {
        QMessageBox::warning(this, i18nd("velun_kcm_quotas", "Export"), i18nd("velun_kcm_quotas", "The table could not be written to %1: %2", fileName, error));
    }
}

QString QuotaSettingsWidget::rowLabel(const SettingsDeviceQuota *member) const
{
    return m_kind == Projects ? member->member().folder : member->member().name;
}

void QuotaSettingsWidget::addFolder()
{
    AddFolderDialog dialog(m_folderDevices, m_nextProjectId, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    Q_EMIT folderAddRequested(dialog.device(), dialog.folder(), dialog.name(), dialog.projectId(), dialog.limits());
}

void QuotaSettingsWidget::removeFolder()
{
    const QList<SettingsDeviceQuota *> members = selectedMembers();
    if (members.size() != 1) {
        return;
    }
    const SettingsDeviceQuota folder(*members.first());
    const Member member = folder.member();
    QMessageBox box(QMessageBox::Question,
                    i18nd("velun_kcm_quotas", "Remove folder"),
                    i18nd("velun_kcm_quotas",
                          "Remove the folder quota of %1? Its limits are cleared and project %2 (id %3) is taken out of /etc/projects and "
                          "/etc/projid.",
                          member.folder,
                          member.name,
                          QString::number(static_cast<quint32>(member.id))),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    this);
    box.setInformativeText(i18nd("velun_kcm_quotas",
                                 "Should the files beneath it keep project id %1? Kept, their usage still counts under that id; otherwise "
                                 "every file beneath goes back to project 0.",
                                 QString::number(static_cast<quint32>(member.id))));
    box.button(QMessageBox::Yes)->setText(i18nd("velun_kcm_quotas", "Keep the project id"));
    box.button(QMessageBox::No)->setText(i18nd("velun_kcm_quotas", "Clear the project id"));
    box.setDefaultButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (answer != QMessageBox::Yes && answer != QMessageBox::No) {
        return;
    }
    Q_EMIT folderRemoveRequested(folder, answer == QMessageBox::Yes);
}
