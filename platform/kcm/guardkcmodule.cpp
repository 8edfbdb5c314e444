// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "guardkcmodule.h"

#include "accessauthorizer.h"
#include "common/helperprotocol.h"
#include "kauthaccessauthorizer.h"

namespace KCMGP
{
GuardKCModule::GuardKCModule(const QString &translationDomain, KCMVS::ModuleParent *parent, const KCMVS::ModuleArguments &args, AccessAuthorizer *authorizer)
    : KCMVS::VelunKCModule(translationDomain, parent, args)
    , m_ownAuthorizer(authorizer ? nullptr : std::make_unique<KAuthAccessAuthorizer>())
    , m_authorizer(authorizer ? authorizer : m_ownAuthorizer.get())
{
}

GuardKCModule::~GuardKCModule() = default;

void GuardKCModule::setNeedCommonAccessAuth(bool need)
{
    m_needCommonAccessAuth = need;
}

bool GuardKCModule::needCommonAccessAuth() const
{
    return m_needCommonAccessAuth;
}

QString GuardKCModule::commonAccessHelperId()
{
    return helperId();
}

QString GuardKCModule::commonAccessActionName()
{
    return accessActionName();
}

bool GuardKCModule::mayAccess()
{
    // Asked once per panel: a refusal is not the guard's to report, the
    // panel's own requests then fail and say so in the panel's words.
    if (m_needCommonAccessAuth && !m_commonAccessAsked) {
        m_commonAccessAsked = true;
        m_commonAccessGranted = m_authorizer->authorize(commonAccessActionName(), commonAccessHelperId());
    }
    return true;
}

AccessAuthorizer &GuardKCModule::authorizer() const
{
    return *m_authorizer;
}

bool GuardKCModule::commonAccessGranted() const
{
    return !m_needCommonAccessAuth || m_commonAccessGranted;
}
}
