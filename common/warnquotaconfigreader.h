// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QVector>

// Reads a warnquota configuration text the way warnquota does: a line that
// begins with '#' or ';' is a comment, a backslash at the end of a line
// joins the next line to it, and "NAME = value" sets NAME, with blanks
// around both trimmed and one pair of double quotes around the value taken
// off. Lines without '=' set nothing.
class WarnquotaConfigReader
{
public:
    struct Setting {
        QString name;
        QString value;
        // The line (counted from 1) the setting begins on.
        int line = 0;
    };

    static QVector<Setting> read(const QString &text);
};
