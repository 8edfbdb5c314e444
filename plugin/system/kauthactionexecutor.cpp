// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "kauthactionexecutor.h"

#include "common/helperprotocol.h"

#include <KAuth/ExecuteJob>

HelperActionExecutor::Result KAuthActionExecutor::execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs)
{
    auto made = m_actions.find(actionName);
    if (made == m_actions.end()) {
        KAuth::Action action(actionName);
        action.setHelperId(helperId());
        made = m_actions.insert(actionName, action);
    }
    // A copy: the arguments of one request never linger in the next.
    KAuth::Action action = made.value();
    action.setArguments(arguments);
    action.setTimeout(timeoutMs);

    // Before exec: its local event loop repaints the window but must find
    // the input already disabled and the busy text shown.
    const Notice notice(*this, actionName, arguments);
    KAuth::ExecuteJob *job = action.execute();
    Result result;
    result.succeeded = job->exec();
    result.errorText = job->errorText();
    result.data = job->data();
    if (!result.succeeded) {
        m_actions.remove(actionName);
    }
    return result;
}
