// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

#include <stdexcept>

// Handlers report a failure by throwing the translated text; the action slot
// turns it into the error reply the panel shows.
[[noreturn]] inline void fail(const QString &message)
{
    throw std::runtime_error(message.toUtf8().toStdString());
}
