// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Who an account is: a user (id = uid) or a group (id = gid).
struct Member {
    QString name;
    int id = 0;
    bool isSystem = false;
    // No account has this id: the member stands for quota records left by
    // a deleted account, named "#<id>".
    bool unknownAccount = false;
};
