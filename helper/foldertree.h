// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Gives a directory tree a project id, as chattr -R -p does, for folder
// quotas. The caller has checked the folder's spelling (absolute, no ".",
// ".." or empty parts); the walk itself makes sure that nothing on the way
// is a link and that the folder is on the device, holding each directory
// open as it goes, so that nothing can be swapped between check and use.
class FolderTree
{
public:
    enum Refusal {
        // The folder was reached; the counts tell how the walk went.
        Reached,
        // A part of the path does not exist.
        Missing,
        // A part of the path is a symbolic link.
        LinkOnTheWay,
        // A part of the path, or the folder itself, is no directory.
        NotADirectory,
        // The folder is not on the file system of the device.
        OtherFileSystem,
        // The path could not be opened for another reason (`error`).
        Unreachable,
    };

    struct Result {
        Refusal refusal = Reached;
        // Files and directories given the id, the folder included.
        quint64 changed = 0;
        // Entries whose id could not be set, and the first of them with
        // its errno value.
        quint64 failed = 0;
        QString firstFailure;
        int error = 0;
        // Mounts beneath the folder that were left alone.
        quint64 otherMounts = 0;
    };

    virtual ~FolderTree() = default;

    // Sets project id `id` on `folder` and on every file and directory
    // beneath it that lives on the same mount, with the inherit flag on
    // directories (taken off again for id 0). Links are never followed and
    // entries that are neither files nor directories are left as they are.
    // `device` is the block device whose file system the folder must be on.
    virtual Result setProject(const QString &device, const QString &folder, quint32 id) = 0;
};
