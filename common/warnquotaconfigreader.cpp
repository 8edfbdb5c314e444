// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "warnquotaconfigreader.h"

#include <QStringList>

namespace
{
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

QString trimmedBlanks(const QString &text)
{
    int start = 0;
    int end = text.size();
    while (start < end && isBlank(text.at(start))) {
        ++start;
    }
    while (end > start && isBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(start, end - start);
}

void addSetting(QVector<WarnquotaConfigReader::Setting> &settings, const QString &joined, int line)
{
    const int equals = joined.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return;
    }
    QString value = trimmedBlanks(joined.mid(equals + 1));
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) {
        value = value.mid(1, value.size() - 2);
    }
    settings.append({trimmedBlanks(joined.left(equals)), value, line});
}
}

QVector<WarnquotaConfigReader::Setting> WarnquotaConfigReader::read(const QString &text)
{
    QVector<Setting> settings;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString joined;
    int firstLine = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (joined.isNull()) {
            firstLine = i + 1;
            // Only the first of joined lines can make a comment: warnquota
            // looks at the start of what it has gathered.
            if (line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';'))) {
                continue;
            }
            joined = QStringLiteral("");
        }
        if (line.endsWith(QLatin1Char('\\'))) {
            joined += line.left(line.size() - 1);
            continue;
        }
        joined += line;
        addSetting(settings, joined, firstLine);
        joined = QString();
    }
    // A backslash on the last line joins nothing; what was gathered counts.
    if (!joined.isNull()) {
        addSetting(settings, joined, firstLine);
    }
    return settings;
}
