// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "localearguments.h"

#include "common/helperprotocol.h"

#include <KLocalizedString>

#include <clocale>

QVariantMap localeArguments()
{
    // Asking with a null locale reads the current one without changing it.
    const char *messages = std::setlocale(LC_MESSAGES, nullptr);
    return {
        {HelperProtocol::Languages, KLocalizedString::languages()},
        {HelperProtocol::LcMessages, QString::fromUtf8(messages ? messages : "")},
    };
}
