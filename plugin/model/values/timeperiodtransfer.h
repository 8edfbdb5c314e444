// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/quotatime.h"

// Conversions between the kernel's grace second counts and Time.
class TimePeriodTransfer
{
public:
    // Only the low 32 bits are used: the kernel's dqinfo grace fields are
    // 32 bits wide.
    static Time fromSeconds(unsigned long seconds);
    static unsigned long fromTime(const Time &time);
};
