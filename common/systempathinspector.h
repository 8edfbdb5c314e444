// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/pathinspector.h"

class SystemPathInspector : public PathInspector
{
public:
    PathEntry inspect(const QString &path) override;
    QString linkTarget(const QString &path) override;
};
