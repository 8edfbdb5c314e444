// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/processrunner.h"

class SystemProcessRunner : public ProcessRunner
{
public:
    ProcessResult run(const QString &program, const QStringList &arguments, int startTimeoutMs, int finishTimeoutMs) override;
};
