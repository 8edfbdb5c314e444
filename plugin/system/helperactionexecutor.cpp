// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helperactionexecutor.h"

#include "kauthactionexecutor.h"

namespace
{
HelperActionExecutor *replacement = nullptr;
}

HelperActionExecutor &HelperActionExecutor::instance()
{
    static KAuthActionExecutor kauth;
    return replacement ? *replacement : kauth;
}

void HelperActionExecutor::setInstance(HelperActionExecutor *executor)
{
    replacement = executor;
}
