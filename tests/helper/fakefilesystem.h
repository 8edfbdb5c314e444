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
        if (failReplace) {
            return false;
        }
        if (!files.contains(path)) {
            modes.insert(path, newFileMode);
        }
        files.insert(path, content);
        replaced.append(path);
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
        return path == QLatin1String("/etc") || path == QLatin1String("/etc/cron.d") ? Directory : Missing;
    }

    bool isBlockDevice(const QString &path) override
    {
        return blockDevices.contains(path);
    }

    QString mountPoint(const QString &device) override
    {
        return mountPoints.value(device);
    }

    bool exists(const QString &path) override
    {
        return files.contains(path);
    }

    QHash<QString, QByteArray> files;
    QHash<QString, mode_t> modes;
    QHash<QString, EntryKind> kinds;
    QSet<QString> blockDevices;
    QHash<QString, QString> mountPoints;
    QStringList replaced;
    bool failReplace = false;
};
