// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/users/groupinfo.h"
#include "platform/users/userinfo.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace KCMGP
{
class AccessAuthorizer;
}
class HelperActionExecutor;
class QuotaKernelQuery;
class SystemReboot;

// The panel's ways out to the system: the polkit questions, the root helper,
// the kernel's quota queries and the reboot. The factory builds the real
// ones for every panel it makes; the panel hands them down to whatever it
// builds. Tests build the panel with fakes and keep their own references.
struct ModuleSeams {
    std::shared_ptr<KCMGP::AccessAuthorizer> authorizer;
    std::shared_ptr<HelperActionExecutor> executor;
    std::shared_ptr<QuotaKernelQuery> kernel;
    std::shared_ptr<SystemReboot> reboot;
    // Where the notification files are read from: empty for the system's
    // own; the helper is always asked to write the real paths.
    QString notificationsRoot;
    // The account directory: unset for the system's name service.
    std::function<QList<UserInfo>()> users;
    std::function<QList<GroupInfo>()> groups;

    // The real ones: KAuth, the kernel and the desktop's reboot tool.
    static ModuleSeams system();
};
