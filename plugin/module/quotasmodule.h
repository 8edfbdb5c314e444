// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/settingsid.h"
#include "platform/kcm/guardkcmodule.h"
#include "plugin/notifications/notificationsmanager.h"

#include <unordered_map>

class BusyState;
class NotificationSettingWidget;
class NotificationsData;
class MemberQuotaData;
class QuotaSettingsWidget;
class QuotasManager;
class SettingsDeviceQuota;

namespace Ui
{
class QuotasModule;
}

// The disk-quota panel as the host sees it: it prepares itself on the first
// load, applies a member's limits as soon as the member dialog is accepted,
// and leaves device settings and notifications to the host's Apply.
class QuotasModule : public KCMGP::GuardKCModule
{
    Q_OBJECT
public:
    QuotasModule(KCMVS::ModuleParent *parent, const KCMVS::ModuleArguments &args);
    ~QuotasModule() override;

    // The tabs are only built on the first load, after the host has sized
    // its window; without this the host would open a window fitting an
    // empty panel.
    QSize sizeHint() const override;

public Q_SLOTS:
    void defaults() override;
    void access() override;
    void change() override;

private:
    bool checkCommonAccess() const;
    bool isKernelQuotaSupport() const;
    void initialModule();
    void setupWidgets();
    void updateDataForWidgets();
    bool resetOccurred();
    void settingsChangeHasOccurred(const SettingsDeviceQuota &settings);
    void limitsChangeHasOccurred(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits, int fields);
    // Re-reads the quota data of every device, user and group.
    void refreshQuotaData();
    // Success when `written` requests reached the system, else says so.
    void showWritten(int written);
    void haveChangesNotificationData(NotificationsData *data);
    void showError(const QString &text, const QString &details = QString());
    void showSuccess();
    void markAsChangedLater();

    Ui::QuotasModule *m_ui;
    BusyState *m_busy;
    QuotasManager *m_quotasManager = nullptr;
    std::unordered_map<SettingsId, QuotaSettingsWidget *> m_settingsWidgets;
    NotificationsManager m_notificationsManager;
    NotificationSettingWidget *m_notificationWidget = nullptr;
    bool m_notificationsChanged = false;
    bool m_generalChanged = false;
    bool m_prepared = false;
};
