// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// Which of a device's six grace periods an editor shows; the values are
// the editors' identifiers and must not change.
enum GracePeriodId {
    UsersMemoryGrace = 1,
    UsersFilesGrace = 2,
    GroupsMemoryGrace = 3,
    GroupsFilesGrace = 4,
    ProjectsMemoryGrace = 5,
    ProjectsFilesGrace = 6,
};
