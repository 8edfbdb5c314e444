// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "accessauthorizer.h"

namespace KCMGP
{
class KAuthAccessAuthorizer : public AccessAuthorizer
{
public:
    bool isAuthorized(const QString &actionName, const QString &helperId) override;
    bool authorize(const QString &actionName, const QString &helperId) override;
};
}
