// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Input: one cron line. Property: a line the helper accepts (the job check
// and the configuration-file rule's name part for every file it names)
// reads back through the panel's pattern as the same job, with the user
// root, schedule fields of numbers only, and a command that the shell runs
// as warnquota with plain words and nothing else.

#include "common/configurationfilerule.h"
#include "helper/warnquotacronline.h"

#include <QRegularExpression>

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

// The panel's reading of a job line.
const QRegularExpression
    panelPattern(QStringLiteral(R"((^\s*[\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\w\d]+)\s+(.+?)(#+(.*))?$)"));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QList<WarnquotaCronLine::NamedFile> files;
    if (!WarnquotaCronLine::isJob(line, &files)) {
        return 0;
    }
    for (const auto &file : files) {
        if (!ConfigurationFileRule::checkName(file.path, file.role).isEmpty()) {
            return 0;
        }
    }

    const QRegularExpressionMatch match = panelPattern.match(line);
    check(match.hasMatch(), __LINE__);
    static const QRegularExpression scheduleField(QStringLiteral("^[0-9*,/-]+$"));
    for (int group = 1; group <= 5; ++group) {
        check(scheduleField.match(match.captured(group).trimmed()).hasMatch(), __LINE__);
    }
    check(match.captured(6) == QLatin1String("root"), __LINE__);

    // What the shell sees before its comment: warnquota and plain words.
    const QString command = match.captured(7);
    static const QRegularExpression plainCommand(QStringLiteral("^warnquota([ \\t]+(-u|-g|--(config|quota-tab|admins-file)=/[A-Za-z0-9/._+-]+))*[ \\t]*$"));
    check(plainCommand.match(command).hasMatch(), __LINE__);
    // A comment begins a word of its own, so the shell ignores it.
    if (match.capturedStart(8) >= 0) {
        const QChar before = line.at(match.capturedStart(8) - 1);
        check(before == QLatin1Char(' ') || before == QLatin1Char('\t'), __LINE__);
    }
    check(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('%')) && !line.contains(QLatin1Char('\r')), __LINE__);

    // Written back the way the panel writes a job, it reads as the same job.
    QString rebuilt;
    for (int group = 1; group <= 7; ++group) {
        rebuilt += (group > 1 ? QStringLiteral(" ") : QString()) + match.captured(group);
    }
    if (!match.captured(9).isEmpty()) {
        rebuilt += QStringLiteral(" #") + match.captured(9);
    }
    const QRegularExpressionMatch again = panelPattern.match(rebuilt);
    check(again.hasMatch(), __LINE__);
    // The panel keeps the blank before the '#' in the command, so each
    // save adds one; the job is the same.
    for (int group = 1; group <= 6; ++group) {
        check(again.captured(group) == match.captured(group), __LINE__);
    }
    check(again.captured(7).trimmed() == match.captured(7).trimmed(), __LINE__);
    check(WarnquotaCronLine::isJob(rebuilt), __LINE__);
    return 0;
}
