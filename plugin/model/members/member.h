// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Who an account is: a user (id = uid) or a group (id = gid); or a folder
// with a folder quota (id = its project id, name = the project's name).
struct Member {
    QString name;
    int id = 0;
    bool isSystem = false;
    // No account has this id: the member stands for quota records left by
    // a deleted account, named "#<id>".
    bool unknownAccount = false;
    // The folder's absolute path; empty for users and groups.
    QString folder = {};
};
