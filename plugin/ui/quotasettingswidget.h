// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/ui/quotasettingsmodel.h"

#include <QList>
#include <QWidget>

class QListWidgetItem;
class SettingsDeviceQuota;

namespace Ui
{
class QuotaSettingsWidget;
}

// The users tab or the groups tab: a device chooser, a filter for ordinary
// and system accounts, the column list and the member table. A double click
// opens the member dialog; an accepted dialog comes out as settingsChanged.
class QuotaSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    enum FilterModeId {
        All = 0,
        Ordinary = 1,
        Systems = 2,
    };
    Q_ENUM(FilterModeId)

    QuotaSettingsWidget(const QList<SettingsDeviceQuota *> &settings, QWidget *parent = nullptr);
    ~QuotaSettingsWidget() override;

    void updateSettings(const QList<SettingsDeviceQuota *> &settings);

Q_SIGNALS:
    void settingsChanged(const SettingsDeviceQuota &settings);

private:
    void inflateFilterParams();
    bool isMainParam(QuotaSettingsModel::ParameterId id) const;
    void setupModeItemsFilter();
    void changeDevice();
    void changeFilterParams(QListWidgetItem *item);
    void showFilterCheckBoxes();
    void showSettingMemberQuotasWidget(const QModelIndex &index);

    Ui::QuotaSettingsWidget *m_ui;
    QList<SettingsDeviceQuota *> m_settings;
    QuotaSettingsModel *m_model;
};
