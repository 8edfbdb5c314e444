// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "accessauthorizer.h"

#include "kauthaccessauthorizer.h"

namespace KCMGP
{
namespace
{
AccessAuthorizer *s_replacement = nullptr;
}

AccessAuthorizer &AccessAuthorizer::instance()
{
    static KAuthAccessAuthorizer real;
    return s_replacement ? *s_replacement : real;
}

void AccessAuthorizer::setInstance(AccessAuthorizer *authorizer)
{
    s_replacement = authorizer;
}
}
