// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDateTime>

// When a member's soft limits start to act as hard limits on one device;
// an invalid moment means no grace time is running.
struct GraceDateTime {
    QDateTime blockGrace;
    QDateTime inodeGrace;
};

inline bool operator==(const GraceDateTime &a, const GraceDateTime &b)
{
    return a.blockGrace == b.blockGrace && a.inodeGrace == b.inodeGrace;
}

inline bool operator!=(const GraceDateTime &a, const GraceDateTime &b)
{
    return !(a == b);
}
