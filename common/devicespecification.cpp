// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devicespecification.h"

namespace
{
const QString pathSeparator = QStringLiteral(": ");

// Finds `pair` (TAG="value") as a whole blank-separated pair after the
// device path.
bool hasPair(const QString &line, const QString &pair)
{
    const int start = line.indexOf(pathSeparator);
    if (start < 0) {
        return false;
    }
    int from = start + 1;
    while (true) {
        const int at = line.indexOf(pair, from);
        if (at < 0) {
            return false;
        }
        const int end = at + pair.size();
        const bool blankBefore = line.at(at - 1) == QLatin1Char(' ');
        const bool endsPair = end == line.size() || line.at(end) == QLatin1Char(' ');
        if (blankBefore && endsPair) {
            return true;
        }
        from = at + 1;
    }
}
}

QString DeviceSpecification::blockDeviceName(const QString &fsSpec, const QStringList &blkidLines)
{
    if (fsSpec.startsWith(QLatin1Char('/'))) {
        // Compared as the line's own device path: a name that holds the
        // separator would otherwise match a line naming a shorter one.
        for (const QString &line : blkidLines) {
            if (devicePath(line) == fsSpec) {
                return fsSpec;
            }
        }
        return QString();
    }

    static const QStringList tags = {
        QStringLiteral("UUID"),
        QStringLiteral("LABEL"),
        QStringLiteral("PARTLABEL"),
        QStringLiteral("PARTUUID"),
    };
    for (const QString &tag : tags) {
        if (!fsSpec.startsWith(tag)) {
            continue;
        }
        QString value = fsSpec.mid(tag.size());
        value.remove(QLatin1Char('"'));
        value.remove(QLatin1Char('='));
        const QString pair = tag + QStringLiteral("=\"") + value + QLatin1Char('"');
        for (const QString &line : blkidLines) {
            if (hasPair(line, pair)) {
                return devicePath(line);
            }
        }
        return QString();
    }
    return QString();
}

bool DeviceSpecification::isDevicePath(const QString &name)
{
    if (!name.startsWith(QLatin1String("/dev/"))) {
        return false;
    }
    const QStringList components = name.mid(5).split(QLatin1Char('/'));
    for (const QString &component : components) {
        if (component.isEmpty() || component == QLatin1String(".") || component == QLatin1String("..")) {
            return false;
        }
    }
    // A line feed or a blank would split the name where it is written back
    // into tables and tool output.
    for (const QChar c : name) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    return true;
}

QString DeviceSpecification::devicePath(const QString &blkidLine)
{
    const int at = blkidLine.indexOf(pathSeparator);
    return at > 0 ? blkidLine.left(at) : QString();
}

QString DeviceSpecification::tagValue(const QString &blkidLine, const QString &key)
{
    const QString opening = key + QStringLiteral("=\"");
    const int start = blkidLine.indexOf(pathSeparator);
    if (start < 0) {
        return QString();
    }
    int from = start + 1;
    while (true) {
        const int at = blkidLine.indexOf(opening, from);
        if (at < 0) {
            return QString();
        }
        if (blkidLine.at(at - 1) == QLatin1Char(' ')) {
            const int valueStart = at + opening.size();
            const int close = blkidLine.indexOf(QLatin1Char('"'), valueStart);
            if (close < 0) {
                return QString();
            }
            QString value = blkidLine.mid(valueStart, close - valueStart);
            // A present but empty value must differ from an absent key.
            if (value.isNull()) {
                value = QStringLiteral("");
            }
            return value;
        }
        from = at + 1;
    }
}
