// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotasmodule.h"

#include "busystate.h"
#include "common/helperprotocol.h"
#include "common/proxyquotadata.h"
#include "platform/kcm/accessauthorizer.h"
#include "platform/kcm/messagesmanager.h"
#include "platform/kcm/statewidget.h"
#include "plugin/core/quotasmanager.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/members/quotakernelquery.h"
#include "plugin/notifications/notificationsdata.h"
#include "plugin/notifications/notificationsettingwidget.h"
#include "plugin/system/configreader.h"
#include "plugin/system/helperactionexecutor.h"
#include "plugin/system/kcmquotas_debug.h"
#include "plugin/ui/generalsettingswidget.h"
#include "plugin/ui/quotasettingswidget.h"
#include "ui_quotasmodule.h"

#include <KLocalizedString>
#include <KSharedConfig>

#include <QFontMetrics>
#include <QScopedValueRollback>
#include <QTabBar>

#include <exception>

QuotasModule::QuotasModule(KCMVS::ModuleParent *parent, const KCMVS::ModuleArguments &args, ModuleSeams seams)
    : KCMGP::GuardKCModule(QStringLiteral("velun_kcm_quotas"), parent, args, seams.authorizer.get())
    , m_seams(std::move(seams))
    , m_ui(new Ui::QuotasModule)
    , m_busy(new BusyState(widget()))
    , m_notificationsManager(nullptr, m_seams.notificationsRoot, m_seams.executor.get())
{
    m_seams.executor->setObserver(m_busy);
    // The table reader outlives the panel; it asks the helper for the block
    // devices through this panel's executor while the panel lives.
    ConfigReader::instance().setHelperExecutor(m_seams.executor.get());
    connect(m_busy, &BusyState::idle, this, &QuotasModule::runDeferredLater);
    setResetButtonVisible(true);
    if (checkCommonAccess()) {
        setNeedCommonAccessAuth(false);
    }
    ProxyQuotaData::registerMetaType();
}

QuotasModule::~QuotasModule()
{
    m_seams.executor->setObserver(nullptr);
    if (ConfigReader::instance().helperExecutor() == m_seams.executor.get()) {
        ConfigReader::instance().setHelperExecutor(nullptr);
    }
    // The notification tab shows data owned by the notifications manager,
    // which goes before the QObject children: the tab must go first.
    delete m_notificationWidget;
    delete m_ui;
}

QSize QuotasModule::sizeHint() const
{
    // Room for the member tables' usual columns and a screenful of rows,
    // in the panel's own font (which the message area inherits).
    const QFontMetrics metrics(messagesManager()->font());
    const QSize roomy(qMax(900, metrics.averageCharWidth() * 120), qMax(600, metrics.lineSpacing() * 34));
    return KCMGP::GuardKCModule::sizeHint().expandedTo(roomy);
}

bool QuotasModule::checkCommonAccess() const
{
    return authorizer().isAuthorized(commonAccessActionName(), commonAccessHelperId());
}

bool QuotasModule::isKernelQuotaSupport() const
{
    // A loaded quota format answers the question already; the helper's
    // check would cost its start and an authorisation for nothing.
    if (m_seams.kernel->quotaFormatLoaded()) {
        return true;
    }
    const QVariantMap arguments{{HelperProtocol::CheckSupportKernel, QVariant()}};
    return m_seams.executor->execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs).succeeded;
}

void QuotasModule::load()
{
    hostCall(Load);
}

void QuotasModule::save()
{
    hostCall(Save);
}

void QuotasModule::defaults()
{
    hostCall(Defaults);
}

bool QuotasModule::isBusy() const
{
    return m_inHostCall || m_busy->isBusy();
}

void QuotasModule::hostCall(HostCall call)
{
    if (!isBusy()) {
        runHostCall(call);
        return;
    }
    // Run once, where it was called last: a Reset after an Apply reloads
    // what the Apply wrote, whatever came in between.
    qCDebug(KCMQUOTAS) << "host call" << int(call) << "deferred until the panel is idle";
    m_deferred.removeAll(call);
    m_deferred.append(call);
}

void QuotasModule::runHostCall(HostCall call)
{
    {
        const QScopedValueRollback<bool> inHostCall(m_inHostCall, true);
        switch (call) {
        case Load:
            KCMGP::GuardKCModule::load();
            break;
        case Save:
            KCMGP::GuardKCModule::save();
            break;
        case Defaults:
            // Nothing of the panel has a default to go back to.
            break;
        }
    }
    runDeferredLater();
}

void QuotasModule::runDeferredLater()
{
    // Never from inside the operation that just ended: the deferred call
    // starts afresh from the event loop.
    if (m_deferred.isEmpty() || m_deferredPosted) {
        return;
    }
    m_deferredPosted = true;
    QMetaObject::invokeMethod(this, &QuotasModule::runDeferred, Qt::QueuedConnection);
}

void QuotasModule::runDeferred()
{
    m_deferredPosted = false;
    if (m_deferred.isEmpty() || isBusy()) {
        // Busy again: its end posts this anew.
        return;
    }
    runHostCall(m_deferred.takeFirst());
}

void QuotasModule::access()
{
    if (resetOccurred()) {
        return;
    }
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Loading quota data…"));
    if (isKernelQuotaSupport()) {
        initialModule();
        stateWidget()->resetState();
    } else {
        showError(i18nd("velun_kcm_quotas", "The module cannot be managed because there is no support for quotas in the kernel."));
    }
}

bool QuotasModule::resetOccurred()
{
    if (!m_prepared) {
        return false;
    }
    // Reset: every tab's pending edits go, and with them the pending flags,
    // so a later Apply writes nothing the administrator did not ask for.
    m_ui->generalWidget->discardEdits();
    m_generalChanged = false;
    updateDataForWidgets();
    m_notificationWidget->setNotificationData(m_notificationsManager.notificationsSettings());
    m_notificationsChanged = false;
    stateWidget()->resetState();
    return true;
}

void QuotasModule::initialModule()
{
    try {
        // A failed earlier attempt may have left a manager behind.
        delete m_quotasManager;
        m_quotasManager = new QuotasManager(*m_seams.executor, *m_seams.kernel, this);
        if (m_seams.users && m_seams.groups) {
            m_quotasManager->setAccountDirectory(m_seams.users, m_seams.groups);
        }
        m_quotasManager->update();

        connect(m_quotasManager, &QuotasManager::dataChanged, this, &QuotasModule::updateDataForWidgets);
        connect(&m_notificationsManager, &NotificationsManager::error, this, [this](const QString &message) {
            showError(message);
        });
        connect(&m_notificationsManager, &NotificationsManager::dataChanged, this, &QuotasModule::haveChangesNotificationData);

        m_ui->setupUi(widget());
        m_ui->verticalLayout->insertWidget(0, m_busy->indicator());
        setupWidgets();
        m_prepared = true;
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void QuotasModule::setupWidgets()
{
    m_ui->tabWidget->tabBar()->setExpanding(true);

    m_ui->generalWidget->updateData(m_quotasManager->quotaStorages(), false);

    // The columns and the sort order of each table are the administrator's
    // own, kept in their configuration across sessions.
    const KSharedConfig::Ptr viewConfig = KSharedConfig::openConfig(QStringLiteral("kcm_quotasrc"));
    auto users = new QuotaSettingsWidget(m_quotasManager->userSettings(), widget(), viewConfig->group(QStringLiteral("UsersTable")));
    auto groups = new QuotaSettingsWidget(m_quotasManager->groupSettings(), widget(), viewConfig->group(QStringLiteral("GroupsTable")));
    auto folders = new QuotaSettingsWidget(m_quotasManager->projectSettings(), widget(), viewConfig->group(QStringLiteral("FoldersTable")), Projects);
    users->setObjectName(QStringLiteral("usersSettings"));
    groups->setObjectName(QStringLiteral("groupsSettings"));
    folders->setObjectName(QStringLiteral("foldersSettings"));
    folders->setFolderDevices(m_quotasManager->folderDevices(), m_quotasManager->nextProjectId());
    m_settingsWidgets[Users] = users;
    m_settingsWidgets[Groups] = groups;
    m_settingsWidgets[Projects] = folders;
    for (QuotaSettingsWidget *widget : {users, groups, folders}) {
        connect(widget, &QuotaSettingsWidget::settingsChanged, this, &QuotasModule::settingsChangeHasOccurred);
        connect(widget, &QuotaSettingsWidget::limitsChangedForMany, this, &QuotasModule::limitsChangeHasOccurred);
        connect(widget, &QuotaSettingsWidget::refreshRequested, this, &QuotasModule::refreshQuotaData);
    }
    connect(folders, &QuotaSettingsWidget::folderAddRequested, this, &QuotasModule::folderAddHasOccurred);
    connect(folders, &QuotaSettingsWidget::folderRemoveRequested, this, &QuotasModule::folderRemoveHasOccurred);
    m_ui->vBoxUsers->addWidget(users);
    m_ui->vBoxGroups->addWidget(groups);
    m_ui->vBoxFolders->addWidget(folders);

    m_notificationWidget = new NotificationSettingWidget(m_notificationsManager.notificationsSettings(), widget());
    m_ui->vBoxNotification->addWidget(m_notificationWidget);

    connect(m_notificationWidget, &NotificationSettingWidget::modify, this, [this] {
        markAsChanged();
        m_notificationsChanged = true;
    });
    connect(m_ui->generalWidget, &GeneralSettingsWidget::modify, this, [this] {
        markAsChanged();
        m_generalChanged = true;
    });
}

// The quota data were reloaded. The notification tab shows none of them,
// and the general tab keeps its pending edits over the new data.
void QuotasModule::updateDataForWidgets()
{
    m_ui->generalWidget->updateData(m_quotasManager->quotaStorages(), true);
    m_settingsWidgets.at(Users)->updateSettings(m_quotasManager->userSettings());
    m_settingsWidgets.at(Groups)->updateSettings(m_quotasManager->groupSettings());
    // The devices first: the folders' table shows one of them.
    m_settingsWidgets.at(Projects)->setFolderDevices(m_quotasManager->folderDevices(), m_quotasManager->nextProjectId());
    m_settingsWidgets.at(Projects)->updateSettings(m_quotasManager->projectSettings());
}

void QuotasModule::folderAddHasOccurred(const QString &device, const QString &folder, const QString &name, quint32 projectId, const MemberQuotaData &limits)
{
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Adding the folder %1…", folder));
    try {
        m_quotasManager->addFolder(device, folder, name, projectId, limits);
        showSuccess();
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void QuotasModule::folderRemoveHasOccurred(const SettingsDeviceQuota &folder, bool keepProjectIds)
{
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Removing the folder %1…", folder.member().folder));
    try {
        m_quotasManager->removeFolder(folder, keepProjectIds);
        showSuccess();
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void QuotasModule::settingsChangeHasOccurred(const SettingsDeviceQuota &settings)
{
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Applying changes…"));
    try {
        showWritten(m_quotasManager->updateSettingsQuota(settings));
    } catch (const std::exception &e) {
        // The reason names the member, the device and what the helper said;
        // it belongs in the message itself, not behind a details button.
        showError(QString::fromUtf8(e.what()));
    }
}

void QuotasModule::limitsChangeHasOccurred(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits, int fields)
{
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Applying changes…"));
    try {
        showWritten(m_quotasManager->setMembersLimits(members, device, limits, fields));
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void QuotasModule::refreshQuotaData()
{
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Loading quota data…"));
    try {
        // Read everything afresh, the system tables too: setquota or another
        // administrator may have changed anything since the last load. The
        // general and notification tabs keep their pending edits.
        ConfigReader::instance().reset();
        m_quotasManager->update();
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void QuotasModule::showWritten(int written)
{
    // Success only when something reached the system.
    if (written > 0) {
        showSuccess();
    } else {
        messagesManager()->newMessage(i18nd("velun_kcm_quotas", "Nothing was changed: the limits were already as asked."),
                                      KCMVS::Information,
                                      QString(),
                                      KCMVS::Closable);
    }
}

void QuotasModule::haveChangesNotificationData(NotificationsData *data)
{
    m_notificationWidget->setNotificationData(data);
}

void QuotasModule::change()
{
    const BusyState::Scope busy(m_busy, i18nd("velun_kcm_quotas", "Applying changes…"));
    if (m_notificationsChanged) {
        if (m_notificationsManager.setNotificationsSettings(m_notificationWidget->data())) {
            showSuccess();
            m_notificationsChanged = false;
        } else {
            markAsChangedLater();
        }
    }
    if (m_generalChanged) {
        try {
            m_quotasManager->setGeneralSettings(m_ui->generalWidget->quotas());
            showSuccess();
            m_generalChanged = false;
            m_ui->generalWidget->discardEdits();
            m_ui->generalWidget->askRebootIfNeeded(*m_seams.reboot);
        } catch (const std::exception &e) {
            showError(i18nd("velun_kcm_quotas", "Applying changes occurred with errors."), QString::fromUtf8(e.what()));
            markAsChangedLater();
        }
    }
    stateWidget()->resetState();
}

void QuotasModule::markAsChangedLater()
{
    // After change() the host's own save handling marks the panel as
    // unchanged; the queued call runs after it and so keeps Apply enabled
    // for the part that failed.
    QMetaObject::invokeMethod(
        this,
        [this] {
            markAsChanged();
        },
        Qt::QueuedConnection);
}

void QuotasModule::showError(const QString &text, const QString &details)
{
    qCWarning(KCMQUOTAS) << text << details;
    messagesManager()->newMessage(text, KCMVS::Error, details, KCMVS::Closable);
}

void QuotasModule::showSuccess()
{
    messagesManager()->newMessage(i18nd("velun_kcm_quotas", "Changes applied successfully"), KCMVS::Positive, QString(), KCMVS::Closable);
}
