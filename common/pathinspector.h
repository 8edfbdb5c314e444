// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// What one path names, without following a symbolic link at its end.
struct PathEntry {
    enum Kind {
        Missing,
        Directory,
        RegularFile,
        SymbolicLink,
        OtherEntry,
    };

    Kind kind = Missing;
    uint owner = 0;
    // Permission bits only (07777).
    uint mode = 0;
};

// The lstat(2) view of the file system that the configuration-file rule
// needs; the panel and the helper each pass their own.
class PathInspector
{
public:
    virtual ~PathInspector() = default;
    virtual PathEntry inspect(const QString &path) = 0;
    // What the symbolic link `path` holds, or an empty string.
    virtual QString linkTarget(const QString &path)
    {
        Q_UNUSED(path)
        return QString();
    }
};
