// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

namespace KCMGP
{
// The polkit questions a guarded panel asks, behind a seam so that panels
// can be tested without an authorization daemon. The real one is
// KAuthAccessAuthorizer; a panel hands its own to its base's constructor.
class AccessAuthorizer
{
public:
    virtual ~AccessAuthorizer() = default;

    // Whether the action is authorized already, without asking anybody.
    virtual bool isAuthorized(const QString &actionName, const QString &helperId) = 0;
    // Asks for the authorization (the user may be prompted); no helper runs.
    virtual bool authorize(const QString &actionName, const QString &helperId) = 0;
};
}
