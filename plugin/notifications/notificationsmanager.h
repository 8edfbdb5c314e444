// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/notifications/cronjob.h"
#include "plugin/notifications/warnquotajob.h"

#include <QObject>

#include <memory>

class HelperActionExecutor;
class NotificationsData;

// Reads the notification tasks and warnquota's files into snapshots and
// saves snapshots through the helper; owns the warnquota command line.
class NotificationsManager : public QObject
{
    Q_OBJECT
public:
    // `rootDirectory` is put in front of every path the manager reads, so
    // tests can read a tree of their own; the paths sent to the helper are
    // always the real ones. The files are written through `executor`
    // (nullptr: a KAuth one of the manager's own), which must outlive this.
    explicit NotificationsManager(QObject *parent, const QString &rootDirectory = QString(), HelperActionExecutor *executor = nullptr);
    ~NotificationsManager() override;

    // A new snapshot owned by this manager.
    NotificationsData *notificationsSettings();
    // True when the cron table and every text were written; then a fresh
    // snapshot is announced through dataChanged().
    bool setNotificationsSettings(NotificationsData *data);

    QString readFile(const QString &path);
    bool writeFile(const QString &path, const QString &text);

    static WarnquotaJob cronJobToWarnquotaJob(const CronJob &job);
    static CronJob warnquotaJobToCronJob(const WarnquotaJob &job);

Q_SIGNALS:
    void error(const QString &message);
    void dataChanged(NotificationsData *data);

private:
    QString m_rootDirectory;
    std::unique_ptr<HelperActionExecutor> m_ownExecutor;
    HelperActionExecutor *m_executor;
};
