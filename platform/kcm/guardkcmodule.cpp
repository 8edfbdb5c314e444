// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "guardkcmodule.h"

#include "accessauthorizer.h"
#include "common/helperid.h"
#include "messagesmanager.h"

#include <KLocalizedString>

namespace KCMGP
{
GuardKCModule::GuardKCModule(const QString &translationDomain, QWidget *parent, const QList<QVariant> &args)
    : KCMVS::VelunKCModule(translationDomain, parent, args)
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
    if (!m_needCommonAccessAuth || m_commonAccessGranted) {
        return true;
    }
    m_commonAccessGranted = AccessAuthorizer::instance().authorize(commonAccessActionName(), commonAccessHelperId());
    if (!m_commonAccessGranted) {
        messagesManager()->newMessage(i18nd("velun_kcm_quotas", "Access to this panel was not authorized."), KCMVS::Error);
    }
    return m_commonAccessGranted;
}
}
