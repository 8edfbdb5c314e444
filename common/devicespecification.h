// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// Turns a mount-table device field (a path or a UUID=, LABEL=, PARTLABEL=,
// PARTUUID= form) into a block device path through the lines of `blkid`.
// Both programs use this one rule so that the panel and the helper always
// agree on which fstab entry belongs to which device.
class DeviceSpecification
{
public:
    // The device path of the first line that names `fsSpec`, or an empty
    // string. Matching is literal: a path must open the line as "PATH: ",
    // a tag form must be a whole pair TAG="value" preceded by a blank, so
    // /dev/sda1 never picks /dev/sda10 and UUID=x never picks PARTUUID="x".
    static QString blockDeviceName(const QString &fsSpec, const QStringList &blkidLines);

    // A name the helper may hand to its tools as a device: an absolute path
    // under /dev without empty, "." or ".." components (whether it is a block
    // device is for the file system to say).
    static bool isDevicePath(const QString &name);

    // The text before the first ": " of a blkid line (empty if none).
    static QString devicePath(const QString &blkidLine);

    // The value of the pair whose key is exactly `key` (TYPE, UUID, ...),
    // or a null string when the line has no such pair.
    static QString tagValue(const QString &blkidLine, const QString &key);
};
