// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// The KAuth helper ID shared by the panel and the root helper; the action
// names are derived from it so both sides can never disagree.
inline QString helperId()
{
    return QStringLiteral("org.velun.kcm.quotas");
}

inline QString accessActionName()
{
    return helperId() + QStringLiteral(".access");
}

inline QString changeActionName()
{
    return helperId() + QStringLiteral(".change");
}

inline QString setNotificationsActionName()
{
    return helperId() + QStringLiteral(".setnotifications");
}
