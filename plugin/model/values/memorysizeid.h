// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// The three space slots of a member's quota data.
enum MemorySizeId {
    UsedSize = 0,
    SoftLimitSize = 1,
    HardLimitSize = 2,
};
