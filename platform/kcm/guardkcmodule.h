// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "velunkcmodule.h"

#include <memory>

namespace KCMGP
{
class AccessAuthorizer;

// A panel that needs administrator rights to be read at all. Unless the
// panel says the common access is authorized already, the first load asks
// for it once, up front, before the panel starts its many helper requests.
class GuardKCModule : public KCMVS::VelunKCModule
{
    Q_OBJECT
public:
    // `authorizer` answers the polkit questions; nullptr: the KAuth one.
    // Not owned: it must outlive the panel.
    GuardKCModule(const QString &translationDomain, KCMVS::ModuleParent *parent, const KCMVS::ModuleArguments &args, AccessAuthorizer *authorizer = nullptr);
    ~GuardKCModule() override;

    void setNeedCommonAccessAuth(bool need);
    bool needCommonAccessAuth() const;

    // The read-only access action of the quota helper doubles as the common
    // access of the guarded panels: one prompt covers all later reads while
    // polkit keeps the authorization.
    static QString commonAccessHelperId();
    static QString commonAccessActionName();

    // Whether the panel may count on the common access.
    bool commonAccessGranted() const;

protected:
    bool mayAccess() override;
    AccessAuthorizer &authorizer() const;

private:
    std::unique_ptr<AccessAuthorizer> m_ownAuthorizer;
    AccessAuthorizer *m_authorizer;
    bool m_needCommonAccessAuth = true;
    bool m_commonAccessAsked = false;
    bool m_commonAccessGranted = false;
};
}
