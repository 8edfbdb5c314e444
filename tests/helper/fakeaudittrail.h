// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/audittrail.h"

#include <QStringList>

// Keeps the lines, without a caller; refusals start with "refused: ".
class FakeAuditTrail : public AuditTrail
{
public:
    void record(Outcome outcome, const QString &line) override
    {
        lines.append((outcome == Refused ? QStringLiteral("refused: ") : QStringLiteral("done: ")) + line);
    }

    QStringList lines;
};
