// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "cronmanager.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "plugin/system/helperactionexecutor.h"

#include <KLocalizedString>

#include <QFile>
#include <QRegularExpression>

namespace
{
const QRegularExpression &jobLinePattern()
{
    static const QRegularExpression pattern(HelperProtocol::CronJobLinePattern);
    return pattern;
}

const QRegularExpression &timePattern()
{
    static const QRegularExpression pattern(HelperProtocol::CronTimePattern);
    return pattern;
}
}

CronManager::CronManager(HelperActionExecutor &executor, QObject *parent)
    : QObject(parent)
    , m_executor(executor)
{
}

CronJob CronManager::parseLine(const QString &line) const
{
    const QRegularExpressionMatch match = jobLinePattern().match(line);
    if (!match.hasMatch()) {
        return CronJob();
    }
    CronJob job;
    job.time = CronTime(match.captured(1), match.captured(2), match.captured(3), match.captured(4), match.captured(5));
    job.user = match.captured(6);
    job.command = match.captured(7);
    job.comment = match.captured(9);
    return job;
}

QString CronManager::parseJob(const CronJob &job) const
{
    QString line = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                       .arg(job.time.minutes(), job.time.hours(), job.time.days(), job.time.mouths(), job.time.weeks(), job.user, job.command);
    if (!job.comment.isEmpty()) {
        line += QStringLiteral(" #%1").arg(job.comment);
    }
    return line;
}

QString CronManager::cronTimeToString(const CronTime &time)
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(time.minutes(), time.hours(), time.days(), time.mouths(), time.weeks());
}

CronTime CronManager::stringToCronTime(const QString &text)
{
    const QRegularExpressionMatch match = timePattern().match(text);
    if (!match.hasMatch()) {
        return CronTime();
    }
    return CronTime(match.captured(1), match.captured(2), match.captured(3), match.captured(4), match.captured(5));
}

QList<CronJob> CronManager::readCronJobs(const QString &path)
{
    QList<CronJob> jobs;
    QFile file(path);
    if (!file.exists()) {
        return jobs;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        Q_EMIT error(i18nd("velun_kcm_quotas", "Can'n open %1 file", path));
        return jobs;
    }
    // The helper writes the table as UTF-8, so it is read back as UTF-8
    // whatever the panel's locale: a comment with non-ASCII text must not
    // change on every save.
    const QString text = QString::fromUtf8(file.readAll());
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const CronJob job = parseLine(line);
        if (!job.time.minutes().isEmpty()) {
            jobs.append(job);
        }
    }
    return jobs;
}

bool CronManager::writeJobs(const QString &path, const QList<CronJob> &jobs)
{
    QStringList lines = HelperProtocol::CronHeaderLines;
    for (const CronJob &job : jobs) {
        lines.append(parseJob(job));
    }

    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::WriteCronFile, path);
    arguments.insert(HelperProtocol::AddedLines, lines);
    const HelperActionExecutor::Result result = m_executor.execute(setNotificationsActionName(), arguments, HelperActionExecutor::NotificationsTimeoutMs);
    if (!result.succeeded) {
        Q_EMIT error(result.errorText);
        return false;
    }
    return true;
}

bool CronManager::rewriteCronJobs(const QString &path, const QList<CronJob> &jobs)
{
    return writeJobs(path, jobs);
}

bool CronManager::addCronJobs(const QString &path, const QList<CronJob> &jobs)
{
    QList<CronJob> merged = readQuietly(path);
    for (const CronJob &job : jobs) {
        if (!merged.contains(job)) {
            merged.append(job);
        }
    }
    return writeJobs(path, merged);
}

bool CronManager::deleteCronJobs(const QString &path, const QList<CronJob> &jobs)
{
    QList<CronJob> remaining = readQuietly(path);
    for (const CronJob &job : jobs) {
        remaining.removeAll(job);
    }
    return writeJobs(path, remaining);
}

// An incremental edit treats an unreadable table as empty and says nothing:
// the write that follows replaces it anyway.
QList<CronJob> CronManager::readQuietly(const QString &path)
{
    const bool wasBlocked = blockSignals(true);
    const QList<CronJob> jobs = readCronJobs(path);
    blockSignals(wasBlocked);
    return jobs;
}
