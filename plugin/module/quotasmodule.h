// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/settingsid.h"
#include "platform/kcm/guardkcmodule.h"
#include "plugin/module/moduleseams.h"
#include "plugin/notifications/notificationsmanager.h"

#include <QList>

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
//
// Every helper request waits in a local event loop, in which the host's
// Apply, Reset and OK still arrive. The panel is busy as a whole meanwhile:
// its widget is disabled, and the host's load(), save() and defaults() are
// deferred until it is idle again, each run once, in the order of its
// latest call.
class QuotasModule : public KCMGP::GuardKCModule
{
    Q_OBJECT
public:
    // Asks the system through `seams` (see ModuleSeams), every one set.
    QuotasModule(KCMVS::ModuleParent *parent, const KCMVS::ModuleArguments &args, ModuleSeams seams = ModuleSeams::system());
    ~QuotasModule() override;

    // The tabs are only built on the first load, after the host has sized
    // its window; without this the host would open a window fitting an
    // empty panel.
    QSize sizeHint() const override;

public Q_SLOTS:
    void load() override;
    void save() override;
    void defaults() override;
    void access() override;
    void change() override;

private:
    enum HostCall {
        Load,
        Save,
        Defaults,
    };
    void hostCall(HostCall call);
    void runHostCall(HostCall call);
    void runDeferredLater();
    void runDeferred();
    bool isBusy() const;

    bool checkCommonAccess() const;
    bool isKernelQuotaSupport() const;
    void initialModule();
    void setupWidgets();
    void updateDataForWidgets();
    bool resetOccurred();
    void settingsChangeHasOccurred(const SettingsDeviceQuota &settings);
    void limitsChangeHasOccurred(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits, int fields);
    void folderAddHasOccurred(const QString &device, const QString &folder, const QString &name, quint32 projectId, const MemberQuotaData &limits);
    void folderRemoveHasOccurred(const SettingsDeviceQuota &folder, bool keepProjectIds);
    // Re-reads the quota data of every device, user and group.
    void refreshQuotaData();
    // Success when `written` requests reached the system, else says so.
    void showWritten(int written);
    void haveChangesNotificationData(NotificationsData *data);
    void showError(const QString &text, const QString &details = QString());
    void showSuccess();
    void markAsChangedLater();

    ModuleSeams m_seams;
    Ui::QuotasModule *m_ui;
    BusyState *m_busy;
    QuotasManager *m_quotasManager = nullptr;
    std::unordered_map<SettingsId, QuotaSettingsWidget *> m_settingsWidgets;
    NotificationsManager m_notificationsManager;
    NotificationSettingWidget *m_notificationWidget = nullptr;
    bool m_notificationsChanged = false;
    bool m_generalChanged = false;
    bool m_prepared = false;
    // The host's calls that came while the panel was busy.
    QList<HostCall> m_deferred;
    bool m_inHostCall = false;
    bool m_deferredPosted = false;
};
