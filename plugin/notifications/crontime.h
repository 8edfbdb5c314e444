// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// The five time fields of a cron line, each kept exactly as written in the
// file. An empty `minutes` marks a line that is not a job.
class CronTime
{
public:
    CronTime() = default;
    CronTime(const QString &minutes, const QString &hours, const QString &days, const QString &mouths, const QString &weeks);

    QString minutes() const;
    void setMinutes(const QString &minutes);
    QString hours() const;
    void setHours(const QString &hours);
    QString days() const;
    void setDays(const QString &days);
    QString mouths() const;
    void setMouths(const QString &mouths);
    QString weeks() const;
    void setWeeks(const QString &weeks);

    bool operator==(const CronTime &other) const;
    bool operator!=(const CronTime &other) const;

private:
    QString m_minutes;
    QString m_hours;
    QString m_days;
    QString m_mouths;
    QString m_weeks;
};
