// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

class PathInspector;

// warnquota runs MAIL_CMD of its configuration through a shell as root, so
// a configuration text written by root for the desktop session may only
// name a program that root alone can change, with plain arguments: an
// absolute path to a regular executable file owned by root that others
// cannot write, reached through directories and links of root's only, then
// words without anything a shell acts on. The panel checks a text with this
// rule before it saves, and the helper before it writes.
class MailCommandRule
{
public:
    explicit MailCommandRule(PathInspector &inspector);

    // Empty when warnquota may be given `text` as its configuration;
    // otherwise the translated reason.
    QString check(const QString &text) const;

    // The part of the rule that needs no file system: the words of one
    // MAIL_CMD value. Empty when they are plain.
    static QString checkWords(const QString &command);

    // The longest line warnquota reads as one; it reads a longer one in
    // pieces, and a piece could begin a setting of its own.
    static constexpr int MaxLineBytes = 1000;

private:
    QString checkProgram(const QString &program) const;

    PathInspector &m_inspector;
};
