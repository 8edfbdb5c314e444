// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// The four limits of a member on a device, as bits: an edit of several
// members at once writes only the limits the administrator changed.
enum LimitFieldId {
    SoftSpaceField = 1,
    HardSpaceField = 2,
    SoftFilesField = 4,
    HardFilesField = 8,
    AllLimitFields = SoftSpaceField | HardSpaceField | SoftFilesField | HardFilesField,
};
