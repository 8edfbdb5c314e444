// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/quotatime.h"

// The grace periods of one device for one kind of member.
struct GraceTimePeriod {
    Time blockGrace;
    Time inodeGrace;
};

inline bool operator==(const GraceTimePeriod &a, const GraceTimePeriod &b)
{
    return a.blockGrace == b.blockGrace && a.inodeGrace == b.inodeGrace;
}

inline bool operator!=(const GraceTimePeriod &a, const GraceTimePeriod &b)
{
    return !(a == b);
}
