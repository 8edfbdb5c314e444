// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Input: the device name, a line feed, '+' or '-' and a quota option, a
// line feed, then the fstab text. Properties: every byte outside the
// options field of the device's entries is unchanged, each such field
// keeps its own options byte for byte and only gains or loses the quota
// option, and getmntent reads as many entries from the new table as from
// the old one.

#include "helper/fstabrewriter.h"

#include <QVector>

#include <cstdio>
#include <cstdlib>
#include <mntent.h>

namespace
{
const QStringList blkidLines = {
    QStringLiteral("/dev/sda1: UUID=\"1111-AAAA\" TYPE=\"ext4\" PARTUUID=\"p1\""),
    QStringLiteral("/dev/sdb1: LABEL=\"my disk\" UUID=\"2222\" TYPE=\"ext4\""),
};

int countEntries(const QByteArray &table)
{
    if (table.isEmpty()) {
        return 0;
    }
    FILE *file = ::fmemopen(const_cast<char *>(table.constData()), static_cast<size_t>(table.size()), "r");
    if (!file) {
        std::abort();
    }
    int count = 0;
    while (::getmntent(file)) {
        ++count;
    }
    ::fclose(file);
    return count;
}

struct Span {
    int start;
    int end;
};

QVector<Span> fieldsOf(const QByteArray &line)
{
    QVector<Span> result;
    int at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
            ++at;
        }
        if (at == line.size()) {
            break;
        }
        const int start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
            ++at;
        }
        result.append({start, at});
    }
    return result;
}

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
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int first = input.indexOf('\n');
    const int second = first < 0 ? -1 : input.indexOf('\n', first + 1);
    if (second < 0) {
        return 0;
    }
    const QString device = QString::fromUtf8(input.left(first));
    const QByteArray changeSpec = input.mid(first + 1, second - first - 1);
    if (changeSpec.size() < 2 || (changeSpec.at(0) != '+' && changeSpec.at(0) != '-')) {
        return 0;
    }
    const FstabRewriter::QuotaOptionChange change{QString::fromUtf8(changeSpec.mid(1)), changeSpec.at(0) == '+'};
    const QByteArray option = change.option.toUtf8();
    const QByteArray before = input.mid(second + 1);
    // getmntent cannot read a line with a zero byte (it drops the rest of it
    // and the next line); the helper refuses such a table.
    if (before.contains('\0') || option.contains(',') || option.contains(' ') || option.contains('\t') || option.contains('\n')) {
        return 0;
    }

    const FstabRewriter rewriter(blkidLines);
    int changed = 0;
    const QByteArray after = rewriter.rewrite(before, device, change, changed);
    QStringList current;
    check(rewriter.currentOptions(before, device, current) == (changed > 0), __LINE__);

    const QList<QByteArray> oldLines = before.split('\n');
    const QList<QByteArray> newLines = after.split('\n');
    check(oldLines.size() == newLines.size(), __LINE__);
    int changedLines = 0;
    for (int i = 0; i < oldLines.size(); ++i) {
        const QByteArray &oldLine = oldLines.at(i);
        if (oldLine == newLines.at(i)) {
            continue;
        }
        // Only the options field of the line differs, and only by the option.
        const QVector<Span> parts = fieldsOf(oldLine);
        check(parts.size() >= 4, __LINE__);
        const QVector<Span> newParts = fieldsOf(newLines.at(i));
        check(newParts.size() == parts.size(), __LINE__);
        check(oldLine.left(parts[3].start) == newLines.at(i).left(newParts[3].start), __LINE__);
        check(oldLine.mid(parts[3].end) == newLines.at(i).mid(newParts[3].end), __LINE__);
        QList<QByteArray> oldOptions = oldLine.mid(parts[3].start, parts[3].end - parts[3].start).split(',');
        const QList<QByteArray> newOptions = newLines.at(i).mid(newParts[3].start, newParts[3].end - newParts[3].start).split(',');
        if (change.add) {
            check(!oldOptions.contains(option) && newOptions == oldOptions + QList<QByteArray>{option}, __LINE__);
        } else {
            check(oldOptions.removeAll(option) > 0, __LINE__);
            check(newOptions == (oldOptions.join(',').isEmpty() ? QList<QByteArray>{"defaults"} : oldOptions), __LINE__);
        }
        ++changedLines;
    }
    check(changedLines <= changed, __LINE__);
    check(countEntries(before) == countEntries(after), __LINE__);
    return 0;
}
