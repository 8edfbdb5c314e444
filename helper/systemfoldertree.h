// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/foldertree.h"

#include <sys/types.h>

class SystemFolderTree : public FolderTree
{
public:
    Result setProject(const QString &device, const QString &folder, quint32 id) override;

private:
    struct Walk;
    static void walkDirectory(Walk &walk, int directory, const QString &path);
    static void setAttributes(Walk &walk, int fd, bool isDirectory, const QString &path);
};
