// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "kauthaccessauthorizer.h"

#include <KAuth/Action>
#include <KAuth/ExecuteJob>

namespace KCMGP
{
bool KAuthAccessAuthorizer::isAuthorized(const QString &actionName, const QString &helperId)
{
    KAuth::Action action(actionName);
    action.setHelperId(helperId);
    return action.status() == KAuth::Action::AuthorizedStatus;
}

bool KAuthAccessAuthorizer::authorize(const QString &actionName, const QString &helperId)
{
    KAuth::Action action(actionName);
    action.setHelperId(helperId);
    KAuth::ExecuteJob *job = action.execute(KAuth::Action::AuthorizeOnlyMode);
    return job->exec();
}
}
