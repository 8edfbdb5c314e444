// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/filesystem.h"

#include <QHash>
#include <QSet>
#include <QStringList>

// Files held in memory. Parent directories of the files exist implicitly;
// `kinds` overrides what a path is (links, directories, devices).
class FakeFileSystem : public FileSystem
{
public:
    bool readFile(const QString &path, QByteArray &content) override
    {
        if (!files.contains(path)) {
            return false;
        }
        content = files.value(path);
        return true;
    }

    bool replaceFile(const QString &path, const QByteArray &content, mode_t newFileMode) override
    {
        if (failReplace || failPaths.contains(path)) {
            return false;
        }
        if (!files.contains(path)) {
            modes.insert(path, newFileMode);
        }
        files.insert(path, content);
        replaced.append(path);
        if (log) {
            log->append(QStringLiteral("replace ") + path);
        }
        return true;
    }

    EntryKind entryKind(const QString &path) override
    {
        if (kinds.contains(path)) {
            return kinds.value(path);
        }
        if (files.contains(path)) {
            return RegularFile;
        }
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            if (it.key().startsWith(path + QLatin1Char('/'))) {
                return Directory;
            }
        }
        return path == QLatin1String("/") || path == QLatin1String("/etc") || path == QLatin1String("/etc/cron.d") ? Directory : Missing;
    }

    // Everything belongs to root with the usual modes unless `owners` or
    // `permissions` say otherwise.
    PathEntry inspect(const QString &path) override
    {
        PathEntry entry;
        const EntryKind kind = entryKind(path);
        static const QHash<EntryKind, PathEntry::Kind> kindOf = {
            {Missing, PathEntry::Missing},
            {Directory, PathEntry::Directory},
            {RegularFile, PathEntry::RegularFile},
            {SymbolicLink, PathEntry::SymbolicLink},
            {OtherEntry, PathEntry::OtherEntry},
        };
        entry.kind = kindOf.value(kind);
        entry.owner = owners.value(path, 0);
        entry.mode = permissions.value(path, kind == Directory ? 0755 : 0644);
        return entry;
    }

    bool isBlockDevice(const QString &path) override
    {
        return blockDevices.contains(path);
    }

    // `deviceNodes` maps links to their node; any other name in
    // `blockDevices` is a node itself.
    QString resolveDeviceNode(const QString &path) override
    {
        if (deviceNodes.contains(path)) {
            return deviceNodes.value(path);
        }
        return blockDevices.contains(path) ? path : QString();
    }

    QString mountPoint(const QString &device) override
    {
        return mountPoints.value(device);
    }

    QString mountedType(const QString &device) override
    {
        return mountPoints.contains(device) ? types.value(device, QStringLiteral("ext4")) : QString();
    }

    bool exists(const QString &path) override
    {
        return files.contains(path);
    }

    QHash<QString, QByteArray> files;
    QHash<QString, mode_t> modes;
    QHash<QString, EntryKind> kinds;
    QHash<QString, uint> owners;
    QHash<QString, uint> permissions;
    QSet<QString> blockDevices;
    QHash<QString, QString> deviceNodes;
    QHash<QString, QString> mountPoints;
    // The file system type of a mounted device; ext4 unless named here.
    QHash<QString, QString> types;
    QStringList replaced;
    bool failReplace = false;
    // Paths whose replacement fails.
    QSet<QString> failPaths;
    QStringList *log = nullptr;
};
