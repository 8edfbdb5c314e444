// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/quotatime.h"

#include <KLocalizedString>

#include <QStringList>

#include <utility>

QString Time::toString() const
{
    const std::pair<quint32, QString> parts[] = {
        {weeks, i18nd("velun_kcm_quotas", "w")},
        {days, i18nd("velun_kcm_quotas", "d")},
        {hours, i18nd("velun_kcm_quotas", "h")},
        {minutes, i18nd("velun_kcm_quotas", "min")},
        {seconds, i18nd("velun_kcm_quotas", "sec")},
    };
    QStringList pieces;
    for (const auto &part : parts) {
        if (part.first != 0) {
            pieces.append(QStringLiteral("%1%2").arg(part.first).arg(part.second));
        }
    }
    return pieces.join(QLatin1Char(' '));
}

bool operator==(const Time &a, const Time &b)
{
    return a.seconds == b.seconds && a.minutes == b.minutes && a.hours == b.hours && a.days == b.days && a.weeks == b.weeks;
}

bool operator!=(const Time &a, const Time &b)
{
    return !(a == b);
}
