// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helperactionexecutor.h"

// The real executor: one KAuth action per request, run with KJob::exec.
class KAuthActionExecutor : public HelperActionExecutor
{
public:
    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override;
};
