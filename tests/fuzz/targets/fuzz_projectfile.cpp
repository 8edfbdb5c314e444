// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Input: a project file as an administrator might have left it. Property:
// it is written back byte for byte; removing the entries of an id takes
// exactly those and leaves every other line in its order; an added entry
// reads back as the last one.

#include "common/projectfile.h"

#include <cstdio>
#include <cstdlib>

namespace
{
void check(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "property of line %d failed\n", line);
        std::abort();
    }
}

// Whether `part` is `whole` with some lines taken out.
bool isSubsequence(const QByteArray &part, const QByteArray &whole)
{
    int from = 0;
    for (const QByteArray &line : part.split('\n')) {
        const int at = whole.indexOf(line, from);
        if (at < 0) {
            return false;
        }
        from = at + line.size();
    }
    return true;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), static_cast<int>(size));
    ProjectFile file(content);
    check(file.content() == content, __LINE__);
    const auto entries = file.entries();
    if (entries.isEmpty()) {
        return 0;
    }

    const QString id = entries.constFirst().first;
    int matching = 0;
    for (const auto &entry : entries) {
        matching += entry.first == id ? 1 : 0;
    }
    check(file.removeEntries(0, id) == matching, __LINE__);
    const auto left = file.entries();
    check(left.size() == entries.size() - matching, __LINE__);
    for (const auto &entry : left) {
        check(entry.first != id, __LINE__);
    }
    check(isSubsequence(file.content(), content), __LINE__);

    file.append(QStringLiteral("4294967294"), QStringLiteral("/srv/added"));
    const auto added = file.entries();
    check(added.size() == left.size() + 1, __LINE__);
    check(added.constLast() == qMakePair(QStringLiteral("4294967294"), QStringLiteral("/srv/added")), __LINE__);
    return 0;
}
