// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/members/memberquotadata.h"
#include "plugin/ui/quotasettingsmodel.h"
#include "plugin/ui/quotasettingsproxymodel.h"

#include <KConfigGroup>

#include <QList>
#include <QMap>
#include <QWidget>

class QAction;
class QListWidgetItem;
class SettingsDeviceQuota;

namespace Ui
{
class QuotaSettingsWidget;
}

// The users tab or the groups tab: a device chooser, a filter for ordinary
// and system accounts or those over a limit, a search, the column list and
// the member table. A double click, Return or the context menu opens the
// member dialog; an accepted dialog comes out as settingsChanged, limits
// set for several members at once as limitsChangedForMany. The visible
// columns and the sort order are kept in the configuration group given.
class QuotaSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    enum FilterModeId {
        All = QuotaSettingsProxyModel::All,
        Ordinary = QuotaSettingsProxyModel::Ordinary,
        Systems = QuotaSettingsProxyModel::Systems,
        OverLimit = QuotaSettingsProxyModel::OverLimit,
    };
    Q_ENUM(FilterModeId)

    // `kind` Projects makes it the folders tab: the folders' paths and
    // project ids as columns, only the devices given by setFolderDevices(),
    // and buttons to add and remove folders.
    QuotaSettingsWidget(const QList<SettingsDeviceQuota *> &settings,
                        QWidget *parent = nullptr,
                        const KConfigGroup &viewState = KConfigGroup(),
                        SettingsId kind = Users);
    ~QuotaSettingsWidget() override;

    void updateSettings(const QList<SettingsDeviceQuota *> &settings);
    // The folders tab: the devices that account folder quotas, with their
    // mount points, and the project id a new folder is offered.
    void setFolderDevices(const QMap<QString, QString> &mountPoints, quint32 nextProjectId);

    // The device whose data the table shows (a block device path).
    QString currentDevice() const;
    // The table as shown (filter, search, sort, visible columns) as CSV;
    // false with the reason in errorText when the file cannot be written.
    bool exportTo(const QString &fileName, QString *errorText = nullptr) const;

Q_SIGNALS:
    void settingsChanged(const SettingsDeviceQuota &settings);
    // The limits named by `fields` (LimitFieldId bits), taken from limits,
    // for each of the members on device; their other limits stay.
    void limitsChangedForMany(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits, int fields);
    // The administrator asks for the quota data to be read again.
    void refreshRequested();
    // The folders tab: a folder to give a folder quota, with its first
    // limits; a folder whose folder quota is to go.
    void folderAddRequested(const QString &device, const QString &folder, const QString &name, quint32 projectId, const MemberQuotaData &limits);
    void folderRemoveRequested(const SettingsDeviceQuota &folder, bool keepProjectIds);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void inflateFilterParams();
    bool isMainParam(QuotaSettingsModel::ParameterId id) const;
    void setupModeItemsFilter();
    void changeDevice();
    void changeFilterParams(QListWidgetItem *item);
    void showFilterCheckBoxes();
    void showSettingMemberQuotasWidget(const QModelIndex &index);
    void fillDevices();
    void setupActions();
    void restoreViewState();
    void saveViewState();
    void updateActionsEnabled();
    void showContextMenu(const QPoint &position);
    QList<int> visibleColumns() const;
    QModelIndexList selectedRows() const;
    QList<SettingsDeviceQuota *> selectedMembers() const;
    void setLimitsForSelection();
    void copyLimitsFromMember();
    void copySelectedRows();
    void exportTable();
    void addFolder();
    void removeFolder();
    // How the tab names a row to the administrator: a folder by its path.
    QString rowLabel(const SettingsDeviceQuota *member) const;
    // The selected members, the current one and the scroll position, by
    // member id, so a reload can put them back.
    struct Place {
        QList<int> selected;
        int current = -1;
        bool hasCurrent = false;
        int scroll = 0;
    };
    Place place() const;
    void restorePlace(const Place &place);

    Ui::QuotaSettingsWidget *m_ui;
    QList<SettingsDeviceQuota *> m_settings;
    QuotaSettingsModel *m_model;
    QuotaSettingsProxyModel *m_proxy;
    KConfigGroup m_viewState;
    SettingsId m_kind;
    QMap<QString, QString> m_folderDevices;
    quint32 m_nextProjectId = 1;
    QAction *m_setLimitsAction = nullptr;
    QAction *m_copyLimitsAction = nullptr;
    QAction *m_copyRowsAction = nullptr;
    QAction *m_exportAction = nullptr;
    QAction *m_findAction = nullptr;
    QAction *m_refreshAction = nullptr;
};
