// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helperactionexecutor.h"

#include <KAuth/Action>

#include <QHash>

// The real executor: one KAuth action per request, run with KJob::exec.
class KAuthActionExecutor : public HelperActionExecutor
{
public:
    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override;

private:
    // Making a KAuth::Action asks polkit for its status, synchronously, on
    // top of the helper's own authorisation of every request: so each
    // action is made once and reused for every request of that name. After
    // a failed request it is made afresh, so a status that has changed
    // meanwhile is asked for again.
    QHash<QString, KAuth::Action> m_actions;
};
