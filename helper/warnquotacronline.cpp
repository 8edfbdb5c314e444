// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "warnquotacronline.h"

#include "common/configurationfilerule.h"

#include <QRegularExpression>

namespace
{
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

bool WarnquotaCronLine::isJob(const QString &line, QList<NamedFile> *files)
{
    if (hasForbiddenCharacter(line)) {
        return false;
    }
    // The five schedule fields hold numbers, steps, ranges and lists only:
    // no names, no '=' (cron would read the line as a variable) and no
    // "@reboot" forms. Then the user root and warnquota with plain words;
    // a comment must begin a word of its own, or "-u#;id" would run id.
    static const QRegularExpression job(QStringLiteral(R"(^[ \t]*(?:[0-9*,/-]+[ \t]+){5}root[ \t]+warnquota((?:[ \t]+[^ \t#]+)*)[ \t]*(?:[ \t]#.*)?$)"));
    const QRegularExpressionMatch match = job.match(line);
    if (!match.hasMatch()) {
        return false;
    }
    QList<NamedFile> named;
    const QStringList tokens = match.captured(1).split(QRegularExpression(QStringLiteral("[ \t]+")), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        if (token == QLatin1String("-u") || token == QLatin1String("-g")) {
            continue;
        }
        bool known = false;
        for (const ConfigFileRoleId role : {WarnquotaConfRole, GroupAdminsRole, QuotaTabRole}) {
            const QString option = ConfigurationFileRule::option(role);
            if (token.startsWith(option)) {
                named.append({token.mid(option.size()), role});
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
    }
    if (files) {
        *files = named;
    }
    return true;
}
