// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationsmanager.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "plugin/notifications/cronmanager.h"
#include "plugin/notifications/notificationpaths.h"
#include "plugin/notifications/notificationsdata.h"
#include "plugin/system/helperactionexecutor.h"

#include <KLocalizedString>

#include <QFile>
#include <QSet>

namespace
{
const QString quotaTabOption = QStringLiteral("--quota-tab=");
const QString configOption = QStringLiteral("--config=");
const QString adminsFileOption = QStringLiteral("--admins-file=");

// The value of a short option is the token after its first occurrence.
QString shortOptionValue(const QStringList &tokens, const QString &option)
{
    const int index = tokens.indexOf(option);
    return index >= 0 ? tokens.value(index + 1) : QString();
}

QString withoutOption(QString token, const QString &option)
{
    return token.remove(option);
}

void addPathOption(QStringList &tokens, const QString &option, const QString &path, const QString &defaultPath)
{
    if (!path.isEmpty() && path != defaultPath) {
        tokens.append(option + path);
    }
}
}

NotificationsManager::NotificationsManager(QObject *parent, const QString &rootDirectory, HelperActionExecutor *executor)
    : QObject(parent)
    , m_rootDirectory(rootDirectory)
    , m_ownExecutor(executor ? nullptr : HelperActionExecutor::createDefault())
    , m_executor(executor ? executor : m_ownExecutor.get())
{
}

NotificationsManager::~NotificationsManager() = default;

NotificationsData *NotificationsManager::notificationsSettings()
{
    CronManager cron(*m_executor);
    connect(&cron, &CronManager::error, this, &NotificationsManager::error);

    auto *data = new NotificationsData(this);
    QSet<QString> seen;
    const auto readOnce = [this, data, &seen](const QString &path) {
        if (seen.contains(path)) {
            return;
        }
        seen.insert(path);
        data->setFileText(path, readFile(path));
    };

    const QList<CronJob> jobs = cron.readCronJobs(m_rootDirectory + NotificationPaths::cronTable());
    for (const CronJob &job : jobs) {
        const WarnquotaJob task = cronJobToWarnquotaJob(job);
        data->appendJobs(task);
        readOnce(task.adminsFile);
        readOnce(task.quotaTab);
        readOnce(task.config);
    }
    readOnce(NotificationPaths::defaultConfig());
    readOnce(NotificationPaths::defaultQuotaTab());
    readOnce(NotificationPaths::defaultAdminsFile());
    return data;
}

bool NotificationsManager::setNotificationsSettings(NotificationsData *data)
{
    if (!data) {
        return false;
    }
    CronManager cron(*m_executor);
    connect(&cron, &CronManager::error, this, &NotificationsManager::error);

    QList<CronJob> jobs;
    const QList<WarnquotaJob> tasks = data->cronJobs();
    for (const WarnquotaJob &task : tasks) {
        jobs.append(warnquotaJobToCronJob(task));
    }
    bool written = cron.rewriteCronJobs(NotificationPaths::cronTable(), jobs);

    const QHash<QString, QString> files = data->files();
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        // A file that is there but could not be read was shown as an empty
        // text; writing that back would wipe content nobody has seen.
        if (it.value().isEmpty()) {
            QFile existing(m_rootDirectory + it.key());
            if (existing.exists() && !existing.open(QIODevice::ReadOnly)) {
                continue;
            }
        }
        written = writeFile(it.key(), it.value()) && written;
    }

    if (written) {
        Q_EMIT dataChanged(notificationsSettings());
    }
    return written;
}

QString NotificationsManager::readFile(const QString &path)
{
    QFile file(m_rootDirectory + path);
    // warnquota runs without its optional files (the group administrators
    // file is rarely there): a missing file is an empty text, and it is
    // created only once the administrator enters something.
    if (!file.exists()) {
        return QString();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        Q_EMIT error(i18nd("velun_kcm_quotas", "Can'n open %1 file", path));
        return QString();
    }
    // The helper writes these texts as UTF-8; reading them the same way
    // keeps them intact across saves whatever the panel's locale.
    return QString::fromUtf8(file.readAll());
}

bool NotificationsManager::writeFile(const QString &path, const QString &text)
{
    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::WriteConfFile, path);
    arguments.insert(HelperProtocol::Text, text);
    const HelperActionExecutor::Result result = m_executor->execute(setNotificationsActionName(), arguments, HelperActionExecutor::NotificationsTimeoutMs);
    if (!result.succeeded) {
        Q_EMIT error(result.errorText);
        return false;
    }
    return true;
}

WarnquotaJob NotificationsManager::cronJobToWarnquotaJob(const CronJob &job)
{
    WarnquotaJob task;
    task.time = job.time;
    task.user = job.user;
    task.command = job.command;
    task.comment = job.comment;

    const QStringList tokens = job.command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (token == QLatin1String("-q")) {
            task.quotaTab = shortOptionValue(tokens, token);
        } else if (token.contains(quotaTabOption)) {
            task.quotaTab = withoutOption(token, quotaTabOption);
        } else if (token == QLatin1String("-c")) {
            task.config = shortOptionValue(tokens, token);
        } else if (token.contains(configOption)) {
            task.config = withoutOption(token, configOption);
        } else if (token == QLatin1String("-a")) {
            task.adminsFile = shortOptionValue(tokens, token);
        } else if (token.contains(adminsFileOption)) {
            task.adminsFile = withoutOption(token, adminsFileOption);
        } else if (token.startsWith(QLatin1Char('-'))) {
            for (const QChar flag : QStringView(token).mid(1)) {
                if (flag == QLatin1Char('u')) {
                    task.users = true;
                } else if (flag == QLatin1Char('g')) {
                    task.groups = true;
                }
            }
        }
    }

    // warnquota without -u or -g warns users; say so explicitly.
    if (!task.users && !task.groups) {
        task.users = true;
    }
    if (task.adminsFile.isEmpty()) {
        task.adminsFile = NotificationPaths::defaultAdminsFile();
    }
    if (task.config.isEmpty()) {
        task.config = NotificationPaths::defaultConfig();
    }
    if (task.quotaTab.isEmpty()) {
        task.quotaTab = NotificationPaths::defaultQuotaTab();
    }
    return task;
}

CronJob NotificationsManager::warnquotaJobToCronJob(const WarnquotaJob &job)
{
    CronJob cronJob = job;
    QStringList tokens{QStringLiteral("warnquota")};
    if (job.users) {
        tokens.append(QStringLiteral("-u"));
    }
    if (job.groups) {
        tokens.append(QStringLiteral("-g"));
    }
    addPathOption(tokens, adminsFileOption, job.adminsFile, NotificationPaths::defaultAdminsFile());
    addPathOption(tokens, quotaTabOption, job.quotaTab, NotificationPaths::defaultQuotaTab());
    addPathOption(tokens, configOption, job.config, NotificationPaths::defaultConfig());
    cronJob.command = tokens.join(QLatin1Char(' '));
    return cronJob;
}
