// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

// A grace period broken down the way the editors show it. fromSeconds
// keeps every field in its natural range (seconds 0..59 up to days 0..6).
// The file is not named after the class: a time.h would shadow the C
// library's <time.h> for every target with this folder on its include path.
struct Time {
    quint32 seconds = 0;
    quint32 minutes = 0;
    quint32 hours = 0;
    quint32 days = 0;
    quint32 weeks = 0;

    // Short text such as "1w 1d 1h"; zero fields are left out, so an empty
    // span gives an empty text.
    QString toString() const;
};

bool operator==(const Time &a, const Time &b);
bool operator!=(const Time &a, const Time &b);
