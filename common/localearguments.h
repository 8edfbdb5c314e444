// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QVariantMap>

// The "languages" and "lcmessages" keys that every helper request but the
// kernel support check carries, so the helper answers in the panel's language.
QVariantMap localeArguments();
