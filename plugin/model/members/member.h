// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Who an account is: a user (id = uid) or a group (id = gid).
struct Member {
    QString name;
    int id = 0;
    bool isSystem = false;
    // Quota records of an id that no account has (left by a deleted
    // account); such a member is named "#<id>".
    bool isUnknown = false;
};
