// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/users/logindefs.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

uint LoginDefs::numericValue(const QString &key, uint fallback, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return fallback;
    }
    const QRegularExpression pattern(QStringLiteral("^\\s*%1\\s+(\\S+)").arg(QRegularExpression::escape(key)));
    uint value = fallback;
    QTextStream stream(&file);
    QString line;
    while (stream.readLineInto(&line)) {
        const QRegularExpressionMatch match = pattern.match(line);
        if (!match.hasMatch()) {
            continue;
        }
        bool ok = false;
        // login.defs accepts decimal, octal and hex numbers.
        const uint parsed = match.captured(1).toUInt(&ok, 0);
        // The last setting of a key wins, as in shadow's own reader.
        value = ok ? parsed : fallback;
    }
    return value;
}

bool LoginDefs::isSystemId(uint id, uint minimum)
{
    return id < minimum || id == 65534;
}
