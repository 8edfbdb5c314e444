// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "mailcommandrule.h"

#include "common/pathinspector.h"
#include "common/warnquotaconfigreader.h"

#include <KLocalizedString>

#include <QRegularExpression>
#include <QStringList>

namespace
{
const QString mailCommandName = QStringLiteral("MAIL_CMD");

// As many links as the kernel follows in one lookup.
constexpr int MaxFollowedLinks = 40;
}

MailCommandRule::MailCommandRule(PathInspector &inspector)
    : m_inspector(inspector)
{
}

QString MailCommandRule::checkWords(const QString &command)
{
    // Letters, digits and punctuation no shell gives a meaning in a word:
    // no '$', '`', quotes, redirections, separators, globs or '~'.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+( +[A-Za-z0-9_@%+=:,./-]+)*$"));
    if (!plain.match(command).hasMatch()) {
        return i18nd("velun_kcm_quotas", "MAIL_CMD %1 holds more than a program and plain arguments", command);
    }
    const QString program = command.section(QLatin1Char(' '), 0, 0);
    if (!program.startsWith(QLatin1Char('/'))) {
        return i18nd("velun_kcm_quotas", "The program %1 of MAIL_CMD is not an absolute path", program);
    }
    return QString();
}

QString MailCommandRule::check(const QString &text) const
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).toUtf8().size() > MaxLineBytes) {
            return i18nd("velun_kcm_quotas",
                         "Line %1 of the warnquota configuration is longer than %2 bytes",
                         QString::number(i + 1),
                         QString::number(MaxLineBytes));
        }
    }
    const QVector<WarnquotaConfigReader::Setting> settings = WarnquotaConfigReader::read(text);
    for (const auto &setting : settings) {
        // A joined line is read as one too.
        if (setting.name.toUtf8().size() + setting.value.toUtf8().size() > MaxLineBytes) {
            return i18nd("velun_kcm_quotas",
                         "Line %1 of the warnquota configuration is longer than %2 bytes",
                         QString::number(setting.line),
                         QString::number(MaxLineBytes));
        }
        if (setting.name.compare(mailCommandName, Qt::CaseInsensitive) != 0) {
            continue;
        }
        QString reason = checkWords(setting.value);
        if (reason.isEmpty()) {
            reason = checkProgram(setting.value.section(QLatin1Char(' '), 0, 0));
        }
        if (!reason.isEmpty()) {
            return reason;
        }
    }
    return QString();
}

// Walks the path as the kernel would, judging every directory and link on
// the way: a directory or link someone else can change could put another
// program in its place after the check.
QString MailCommandRule::checkProgram(const QString &program) const
{
    const QString refused = i18nd("velun_kcm_quotas", "The program %1 of MAIL_CMD is not an executable file of root's that only root can change", program);
    QStringList pending = program.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString at = QStringLiteral("/");
    int followed = 0;
    while (!pending.isEmpty()) {
        const PathEntry directory = m_inspector.inspect(at);
        if (directory.kind != PathEntry::Directory || directory.owner != 0 || (directory.mode & 022) != 0) {
            return refused;
        }
        const QString component = pending.takeFirst();
        if (component == QLatin1String(".")) {
            continue;
        }
        if (component == QLatin1String("..")) {
            at = at.left(at.lastIndexOf(QLatin1Char('/')));
            if (at.isEmpty()) {
                at = QStringLiteral("/");
            }
            continue;
        }
        const QString next = (at == QLatin1String("/") ? QString() : at) + QLatin1Char('/') + component;
        const PathEntry entry = m_inspector.inspect(next);
        if (entry.kind != PathEntry::SymbolicLink) {
            at = next;
            continue;
        }
        const QString target = m_inspector.linkTarget(next);
        if (entry.owner != 0 || ++followed > MaxFollowedLinks || target.isEmpty()) {
            return refused;
        }
        if (target.startsWith(QLatin1Char('/'))) {
            at = QStringLiteral("/");
        }
        pending = target.split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
    }
    const PathEntry file = m_inspector.inspect(at);
    if (file.kind != PathEntry::RegularFile || file.owner != 0 || (file.mode & 022) != 0 || (file.mode & 0111) == 0) {
        return refused;
    }
    return QString();
}
