// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// Units of a space amount; each step is a factor of 1024. The values are
// positions in the unit choosers, so they must not change.
enum Dimension {
    Bytes = 0,
    KiloBytes = 1,
    MegaBytes = 2,
    GigaBytes = 3,
    TeraBytes = 4,
    PetaBytes = 5,
};
