// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/notifications/cronjob.h"

#include <QList>
#include <QObject>

class HelperActionExecutor;

// Reads a cron.d table with the panel's own rights and has the helper
// rewrite it. The panel owns the file: a write regenerates it from the job
// list, so anything but job lines is gone afterwards.
class CronManager : public QObject
{
    Q_OBJECT
public:
    // The table is written through `executor`, which must outlive this.
    explicit CronManager(HelperActionExecutor &executor, QObject *parent = nullptr);

    // An all-empty job when the line is not a job line.
    CronJob parseLine(const QString &line) const;
    QString parseJob(const CronJob &job) const;

    static QString cronTimeToString(const CronTime &time);
    // An all-empty time when the text is not five plain cron fields.
    static CronTime stringToCronTime(const QString &text);

    // Missing file: empty list, no error.
    QList<CronJob> readCronJobs(const QString &path);
    bool writeJobs(const QString &path, const QList<CronJob> &jobs);
    bool rewriteCronJobs(const QString &path, const QList<CronJob> &jobs);
    bool addCronJobs(const QString &path, const QList<CronJob> &jobs);
    bool deleteCronJobs(const QString &path, const QList<CronJob> &jobs);

Q_SIGNALS:
    void error(const QString &message);

private:
    QList<CronJob> readQuietly(const QString &path);

    HelperActionExecutor &m_executor;
};
