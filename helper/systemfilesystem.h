// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/filesystem.h"

struct stat;

class SystemFileSystem : public FileSystem
{
public:
    // `mountTable` is the kernel's list of mounts, in the fstab format.
    explicit SystemFileSystem(const QString &mountTable = QStringLiteral("/proc/self/mounts"));

    bool readFile(const QString &path, QByteArray &content) override;
    bool replaceFile(const QString &path, const QByteArray &content, mode_t newFileMode) override;
    EntryKind entryKind(const QString &path) override;
    bool isBlockDevice(const QString &path) override;
    QString resolveDeviceNode(const QString &path) override;
    QString mountPoint(const QString &device) override;
    QString mountedType(const QString &device) override;
    bool exists(const QString &path) override;
    PathEntry inspect(const QString &path) override;
    QString linkTarget(const QString &path) override;

private:
    // Links followed at the end of a path before giving up.
    static constexpr int MaxLinks = 8;

    // The mount point and type of the device's first mount.
    bool findMount(const QString &device, QString &mountPoint, QString &type) const;
    bool replaceFile(const QByteArray &path, const QByteArray &content, mode_t newFileMode, int linksLeft);
    static bool writeNew(int directory, const QByteArray &name, const QByteArray &content, const struct stat *old, mode_t newFileMode, int oldFd = -1);

    QString m_mountTable;
};
