// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/pathinspector.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The file-system calls of the helper; inspect() is lstat(2).
class FileSystem : public PathInspector
{
public:
    // What a path names, without following a symbolic link at its end.
    enum EntryKind {
        Missing,
        Directory,
        RegularFile,
        SymbolicLink,
        OtherEntry,
    };

    virtual ~FileSystem() = default;

    // False when the file cannot be read.
    virtual bool readFile(const QString &path, QByteArray &content) = 0;

    // Replaces the file in one step, keeping the mode and owner of an
    // existing file; a new file gets `newFileMode`. On false the old file is
    // exactly as it was.
    virtual bool replaceFile(const QString &path, const QByteArray &content, mode_t newFileMode) = 0;

    virtual EntryKind entryKind(const QString &path) = 0;

    // Follows symbolic links, so /dev/mapper and /dev/disk/by-* names count,
    // but only as far as a device node under /dev.
    virtual bool isBlockDevice(const QString &path) = 0;

    // The block device node under /dev that `path` leads to, or an empty
    // string. Every directory on the way must belong to root and be closed to
    // others' writes, and every symbolic link belong to root: a link a user
    // made (in /dev/shm, say) could be pointed elsewhere after this answer.
    virtual QString resolveDeviceNode(const QString &path) = 0;

    // Where the file system on that block device is mounted, or an empty
    // string when it is not mounted.
    virtual QString mountPoint(const QString &device) = 0;

    // The type of the file system mounted from that block device, as the
    // mount table names it ("ext4", "xfs"), or an empty string when it is
    // not mounted.
    virtual QString mountedType(const QString &device) = 0;

    virtual bool exists(const QString &path) = 0;
};
