// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationsdata.h"

NotificationsData::NotificationsData(QObject *parent)
    : QObject(parent)
{
}

QList<WarnquotaJob> NotificationsData::cronJobs() const
{
    return m_jobs;
}

void NotificationsData::setCronJobs(const QList<WarnquotaJob> &jobs)
{
    m_jobs = jobs;
}

void NotificationsData::appendJobs(const WarnquotaJob &job)
{
    m_jobs.append(job);
}

QHash<QString, QString> NotificationsData::files() const
{
    return m_files;
}

void NotificationsData::setFileText(const QString &path, const QString &text)
{
    m_files.insert(path, text);
}
