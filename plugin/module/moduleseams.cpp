// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "moduleseams.h"

#include "platform/kcm/kauthaccessauthorizer.h"
#include "plugin/model/members/systemquotakernelquery.h"
#include "plugin/system/kauthactionexecutor.h"
#include "plugin/ui/desktopsystemreboot.h"

ModuleSeams ModuleSeams::system()
{
    ModuleSeams seams;
    seams.authorizer = std::make_shared<KCMGP::KAuthAccessAuthorizer>();
    seams.executor = std::make_shared<KAuthActionExecutor>();
    seams.kernel = std::make_shared<SystemQuotaKernelQuery>();
    seams.reboot = std::make_shared<DesktopSystemReboot>();
    return seams;
}
