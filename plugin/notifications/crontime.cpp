// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "crontime.h"

CronTime::CronTime(const QString &minutes, const QString &hours, const QString &days, const QString &mouths, const QString &weeks)
    : m_minutes(minutes)
    , m_hours(hours)
    , m_days(days)
    , m_mouths(mouths)
    , m_weeks(weeks)
{
}

QString CronTime::minutes() const
{
    return m_minutes;
}

void CronTime::setMinutes(const QString &minutes)
{
    m_minutes = minutes;
}

QString CronTime::hours() const
{
    return m_hours;
}

void CronTime::setHours(const QString &hours)
{
    m_hours = hours;
}

QString CronTime::days() const
{
    return m_days;
}

void CronTime::setDays(const QString &days)
{
    m_days = days;
}

QString CronTime::mouths() const
{
    return m_mouths;
}

void CronTime::setMouths(const QString &mouths)
{
    m_mouths = mouths;
}

QString CronTime::weeks() const
{
    return m_weeks;
}

void CronTime::setWeeks(const QString &weeks)
{
    m_weeks = weeks;
}

bool CronTime::operator==(const CronTime &other) const
{
    return m_minutes == other.m_minutes && m_hours == other.m_hours && m_days == other.m_days && m_mouths == other.m_mouths && m_weeks == other.m_weeks;
}

bool CronTime::operator!=(const CronTime &other) const
{
    return !(*this == other);
}
