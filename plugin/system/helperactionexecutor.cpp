// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helperactionexecutor.h"

#include "kauthactionexecutor.h"

namespace
{
HelperActionExecutor *replacement = nullptr;
HelperActionExecutor::Observer *currentObserver = nullptr;
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

void HelperActionExecutor::setObserver(Observer *observer)
{
    currentObserver = observer;
}

HelperActionExecutor::Observer *HelperActionExecutor::observer()
{
    return currentObserver;
}

HelperActionExecutor::Notice::Notice(const QString &actionName, const QVariantMap &arguments)
    : m_observer(currentObserver)
{
    if (m_observer) {
        m_observer->requestStarted(actionName, arguments);
    }
}

HelperActionExecutor::Notice::~Notice()
{
    if (m_observer) {
        m_observer->requestFinished();
    }
}
