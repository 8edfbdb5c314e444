// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Input: an fstab device field (a path, UUID=, LABEL=, ...), a line feed,
// then blkid lines. Properties: a resolved name is the device path of a
// blkid line that names the field; a name accepted as a device path stays
// under /dev.

#include "common/devicespecification.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace
{
// Names the property that failed before the fuzzer records the input.
void check(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "property of line %d failed\n", line);
        std::abort();
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int end = input.indexOf(QLatin1Char('\n'));
    const QString fsSpec = end < 0 ? input : input.left(end);
    const QStringList lines = end < 0 ? QStringList() : input.mid(end + 1).split(QLatin1Char('\n'));

    const QString device = DeviceSpecification::blockDeviceName(fsSpec, lines);
    if (!device.isEmpty()) {
        bool named = false;
        for (const QString &line : lines) {
            if (DeviceSpecification::devicePath(line) == device && (fsSpec.startsWith(QLatin1Char('/')) ? fsSpec == device : line.contains(QLatin1Char('=')))) {
                named = true;
                break;
            }
        }
        check(named, __LINE__);
    }
    for (const QString &line : lines) {
        DeviceSpecification::tagValue(line, QStringLiteral("UUID"));
    }

    if (DeviceSpecification::isDevicePath(fsSpec)) {
        check(fsSpec.startsWith(QLatin1String("/dev/")), __LINE__);
        check(QDir::cleanPath(fsSpec) == fsSpec, __LINE__);
        check(!fsSpec.split(QLatin1Char('/')).contains(QStringLiteral("..")), __LINE__);
    }
    return 0;
}
