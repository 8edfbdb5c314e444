// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotasmodule.h"

#include "busystate.h"
#include "common/helperid.h"
#include "common/proxyquotadata.h"
#include "platform/kcm/accessauthorizer.h"
#include "platform/kcm/messagesmanager.h"
#include "platform/kcm/statewidget.h"
#include "plugin/core/quotasmanager.h"
#include "plugin/notifications/notificationsdata.h"
#include "plugin/notifications/notificationsettingwidget.h"
#include "plugin/system/configreader.h"
#include "plugin/system/helperactionexecutor.h"
#include "plugin/ui/generalsettingswidget.h"
#include "plugin/ui/quotasettingswidget.h"
#include "ui_quotasmodule.h"

#include <KLocalizedString>
#include <KSharedConfig>

#include <QFontMetrics>
#include <QTabBar>

#include <exception>

QuotasModule::QuotasModule(KCMVS::ModuleParent *parent, const KCMVS::ModuleArguments &args)
    : KCMGP::GuardKCModule(QStringLiteral("velun_kcm_quotas"), parent, args)
    , m_ui(new Ui::QuotasModule)
    , m_busy(new BusyState(widget()))
    , m_notificationsManager(nullptr)
{
    setResetButtonVisible(true);
    if (checkCommonAccess()) {
        setNeedCommonAccessAuth(false);
    }
    ProxyQuotaData::registerMetaType();
}

QuotasModule::~QuotasModule()
{
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
    return KCMGP::AccessAuthorizer::instance().isAuthorized(commonAccessActionName(), commonAccessHelperId());
}

bool QuotasModule::isKernelQuotaSupport() const
{
    const QVariantMap arguments{{QStringLiteral("check_support_kernel"), QVariant()}};
    return HelperActionExecutor::instance().execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs).succeeded;
}

void QuotasModule::defaults()
{
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
        m_quotasManager = new QuotasManager(this);
        m_quotasManager->update();

        connect(m_quotasManager, &QuotasManager::dataChanged, this, &QuotasModule::updateDataForWidgets);
        connect(&m_notificationsManager, &NotificationsManager::error, this, [this](const QString &message) {
            showError(message);
        });
        connect(&m_notificationsManager, &NotificationsManager::dataChanged, this, &QuotasModule::haveChangesNotificationData);

        m_ui->setupUi(widget());
        m_ui->verticalLayout->insertWidget(0, m_busy->indicator());
        m_busy->setInputWidget(m_ui->tabWidget);
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
    m_settingsWidgets[Users] = users;
    m_settingsWidgets[Groups] = groups;
    for (QuotaSettingsWidget *widget : {users, groups}) {
        connect(widget, &QuotaSettingsWidget::settingsChanged, this, &QuotasModule::settingsChangeHasOccurred);
        connect(widget, &QuotaSettingsWidget::limitsChangedForMany, this, &QuotasModule::limitsChangeHasOccurred);
        connect(widget, &QuotaSettingsWidget::refreshRequested, this, &QuotasModule::refreshQuotaData);
    }
    m_ui->vBoxUsers->addWidget(users);
    m_ui->vBoxGroups->addWidget(groups);

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
            m_ui->generalWidget->askRebootIfNeeded();
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
    messagesManager()->newMessage(text, KCMVS::Error, details, KCMVS::Closable);
}

void QuotasModule::showSuccess()
{
    messagesManager()->newMessage(i18nd("velun_kcm_quotas", "Changes applied successfully"), KCMVS::Positive, QString(), KCMVS::Closable);
}
