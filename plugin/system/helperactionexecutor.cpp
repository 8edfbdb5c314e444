// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helperactionexecutor.h"

#include "kauthactionexecutor.h"

std::unique_ptr<HelperActionExecutor> HelperActionExecutor::createDefault()
{
    return std::make_unique<KAuthActionExecutor>();
}

void HelperActionExecutor::setObserver(Observer *observer)
{
    m_observer = observer;
}

HelperActionExecutor::Observer *HelperActionExecutor::observer() const
{
    return m_observer;
}

HelperActionExecutor::Notice::Notice(const HelperActionExecutor &executor, const QString &actionName, const QVariantMap &arguments)
    : m_observer(executor.observer())
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
