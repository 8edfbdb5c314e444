// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// The account ranges of /etc/login.defs: ids below UID_MIN / GID_MIN belong
// to the system.
class LoginDefs
{
public:
    // The value of a numeric key, or `fallback` when the file or the key
    // is missing or the value is not a number.
    static uint numericValue(const QString &key, uint fallback, const QString &path = QStringLiteral("/etc/login.defs"));

    // Below the minimum, or the overflow id 65534 (nobody, nogroup).
    static bool isSystemId(uint id, uint minimum);
};
