// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "warnquotacronline.h"

#include <QRegularExpression>

namespace
{
const QStringList pathOptions = {
    QStringLiteral("--config="),
    QStringLiteral("--quota-tab="),
    QStringLiteral("--admins-file="),
};

// Nothing a shell would act on: no blanks, quotes, $, ;, globs or redirections.
bool isPlainAbsolutePath(const QString &path)
{
    static const QRegularExpression plain(QStringLiteral("^/[A-Za-z0-9/._+-]*$"));
    return plain.match(path).hasMatch();
}

// A line feed would start a second cron line, and cron turns '%' in a
// command into a line feed on the program's input.
bool hasForbiddenCharacter(const QString &line)
{
    for (const QChar c : line) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f || c == QLatin1Char('%')) {
            return true;
        }
    }
    return false;
}
}

bool WarnquotaCronLine::isHeaderLine(const QString &line)
{
    return line == QLatin1String("# Cron job for quota notifications") || line == QLatin1String("# Dont edit this file")
        || line == QLatin1String("PATH=/usr/sbin");
}

bool WarnquotaCronLine::isJob(const QString &line, QStringList *paths)
{
    if (hasForbiddenCharacter(line)) {
        return false;
    }
    // The pattern by which the panel reads its job lines back.
    static const QRegularExpression job(
        QStringLiteral(R"((^\s*[\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\w\d]+)\s+(.+?)(#+(.*))?$)"));
    const QRegularExpressionMatch match = job.match(line);
    if (!match.hasMatch()) {
        return false;
    }

    // A '#' inside a word does not start a shell comment: "-u#;id" would run
    // id. The comment must begin a word of its own.
    const int commentStart = match.capturedStart(8);
    if (commentStart > 0 && line.at(commentStart - 1) != QLatin1Char(' ') && line.at(commentStart - 1) != QLatin1Char('\t')) {
        return false;
    }

    const QStringList tokens = match.captured(7).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (tokens.isEmpty() || tokens.first() != QLatin1String("warnquota")) {
        return false;
    }
    QStringList named;
    for (int i = 1; i < tokens.size(); ++i) {
        const QString &token = tokens.at(i);
        if (token == QLatin1String("-u") || token == QLatin1String("-g")) {
            continue;
        }
        bool known = false;
        for (const QString &option : pathOptions) {
            if (token.startsWith(option) && isPlainAbsolutePath(token.mid(option.size()))) {
                named.append(token.mid(option.size()));
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
    }
    if (paths) {
        *paths = named;
    }
    return true;
}

bool WarnquotaCronLine::isAccepted(const QString &line)
{
    return isHeaderLine(line) || isJob(line);
}
