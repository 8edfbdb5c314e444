// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/notifications/warnquotajob.h"

#include <QHash>
#include <QList>
#include <QObject>

// What the notification tab shows: the tasks in display order and the whole
// text of every file they use, by path. Not tied to the disk once filled.
class NotificationsData : public QObject
{
    Q_OBJECT
public:
    explicit NotificationsData(QObject *parent);

    QList<WarnquotaJob> cronJobs() const;
    void setCronJobs(const QList<WarnquotaJob> &jobs);
    void appendJobs(const WarnquotaJob &job);

    QHash<QString, QString> files() const;
    void setFileText(const QString &path, const QString &text);

private:
    QList<WarnquotaJob> m_jobs;
    QHash<QString, QString> m_files;
};
