// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/timeperiodtransfer.h"

namespace
{
constexpr quint32 week = 604800;
constexpr quint32 day = 86400;
constexpr quint32 hour = 3600;
constexpr quint32 minute = 60;
}

Time TimePeriodTransfer::fromSeconds(unsigned long seconds)
{
    const auto s = static_cast<quint32>(seconds);
    Time time;
    time.weeks = s / week;
    time.days = s % week / day;
    time.hours = s % week % day / hour;
    time.minutes = s % week % day % hour / minute;
    time.seconds = s % minute;
    return time;
}

unsigned long TimePeriodTransfer::fromTime(const Time &time)
{
    // Each product wraps in 32 bits; the editors stay far below that.
    const quint64 sum =
        quint64(quint32(time.weeks * week)) + quint32(time.days * day) + quint32(time.hours * hour) + quint32(time.minutes * minute) + time.seconds;
    return static_cast<unsigned long>(sum);
}
