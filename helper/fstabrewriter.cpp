// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fstabrewriter.h"

#include "common/devicespecification.h"
#include "common/settingsid.h"

#include <QVector>

namespace
{
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

struct Field {
    int start;
    int end;
};

QVector<Field> fields(const QByteArray &line)
{
    QVector<Field> result;
    int at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line.at(at))) {
            ++at;
        }
        if (at == line.size()) {
            break;
        }
        const int start = at;
        while (at < line.size() && !isBlank(line.at(at))) {
            ++at;
        }
        result.append({start, at});
    }
    return result;
}
}

FstabRewriter::FstabRewriter(const QStringList &blkidLines)
    : m_resolver([blkidLines](const QString &fsSpec) {
        const QString resolved = DeviceSpecification::blockDeviceName(fsSpec, blkidLines);
        return resolved.isEmpty() ? fsSpec : resolved;
    })
{
}

FstabRewriter::FstabRewriter(Resolver resolver)
    : m_resolver(std::move(resolver))
{
}

QByteArray FstabRewriter::rewrite(const QByteArray &table, const QString &device, const QuotaOptionChange &change, int &matchedEntries) const
{
    matchedEntries = 0;
    QByteArray result;
    result.reserve(table.size() + 64);
    int at = 0;
    while (at < table.size()) {
        int end = table.indexOf('\n', at);
        const bool hasNewline = end >= 0;
        if (!hasNewline) {
            end = table.size();
        }
        bool changed = false;
        result += rewriteLine(table.mid(at, end - at), device, change, changed);
        if (hasNewline) {
            result += '\n';
        }
        if (changed) {
            ++matchedEntries;
        }
        at = end + 1;
    }
    return result;
}

bool FstabRewriter::belongsTo(const QByteArray &line, const QString &device) const
{
    const QVector<Field> parts = fields(line);
    // Comments and blank lines, and lines without an options field: what
    // such a line means is for the administrator to settle, not for us.
    if (parts.size() < 4 || line.at(parts.first().start) == '#') {
        return false;
    }
    const QString fsSpec = decodeField(line.mid(parts[0].start, parts[0].end - parts[0].start));
    const QString resolved = m_resolver(fsSpec);
    return !resolved.isEmpty() && resolved == device;
}

QByteArray FstabRewriter::rewriteLine(const QByteArray &line, const QString &device, const QuotaOptionChange &change, bool &matched) const
{
    if (!belongsTo(line, device)) {
        return line;
    }
    matched = true;
    const QVector<Field> parts = fields(line);
    const QByteArray field = line.mid(parts[3].start, parts[3].end - parts[3].start);
    // The options are compared and kept as written: an escape the file
    // holds is never decoded and written back in another form.
    const QByteArray option = change.option.toUtf8();
    QList<QByteArray> options = field.split(',');
    if (change.add) {
        if (options.contains(option)) {
            return line;
        }
        options.append(option);
    } else {
        if (options.removeAll(option) == 0) {
            return line;
        }
        // An empty options field would shift the dump and pass fields into
        // its place and can stop the next boot; so would the empty field
        // that "usrquota," leaves behind.
        if (options.join(',').isEmpty()) {
            options = {"defaults"};
        }
    }
    return line.left(parts[3].start) + options.join(',') + line.mid(parts[3].end);
}

bool FstabRewriter::currentOptions(const QByteArray &table, const QString &device, QStringList &options) const
{
    const QList<QByteArray> lines = table.split('\n');
    for (const QByteArray &line : lines) {
        if (belongsTo(line, device)) {
            const QVector<Field> parts = fields(line);
            options = decodeField(line.mid(parts[3].start, parts[3].end - parts[3].start)).split(QLatin1Char(','));
            return true;
        }
    }
    return false;
}

bool FstabRewriter::quotaOptionChange(const QStringList &current, const QStringList &requested, QuotaOptionChange &change)
{
    for (const QString &option : quotaMountOptionSpellings()) {
        if (!current.contains(option) && requested == current + QStringList{option}) {
            change = {option, true};
            return true;
        }
        QStringList removed = current;
        // The panel writes "defaults" where nothing would be left.
        if (removed.removeAll(option) > 0 && (requested == removed || (removed.isEmpty() && requested == QStringList{QStringLiteral("defaults")}))) {
            change = {option, false};
            return true;
        }
    }
    return false;
}

bool FstabRewriter::isQuotaOptionChange(const QStringList &current, const QStringList &requested)
{
    QuotaOptionChange change;
    return quotaOptionChange(current, requested, change);
}

QString FstabRewriter::decodeField(const QByteArray &field)
{
    QByteArray decoded;
    decoded.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\') {
            const QByteArray code = field.mid(i + 1, 3);
            char replacement = 0;
            if (code == "040") {
                replacement = ' ';
            } else if (code == "011") {
                replacement = '\t';
            } else if (code == "012") {
                replacement = '\n';
            } else if (code == "134") {
                replacement = '\\';
            }
            if (replacement) {
                decoded += replacement;
                i += 3;
                continue;
            }
            if (field.mid(i + 1, 1) == "\\") {
                decoded += '\\';
                ++i;
                continue;
            }
        }
        decoded += field.at(i);
    }
    return QString::fromUtf8(decoded);
}

QByteArray FstabRewriter::encodeField(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray encoded;
    encoded.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case ' ':
            encoded += "\\040";
            break;
        case '\t':
            encoded += "\\011";
            break;
        case '\n':
            encoded += "\\012";
            break;
        case '\\':
            encoded += "\\134";
            break;
        default:
            encoded += c;
        }
    }
    return encoded;
}
