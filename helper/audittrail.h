// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>

// Where the helper records what it changed and what it refused, one line
// each, so that an administrator can see afterwards who did what.
class AuditTrail
{
public:
    enum Outcome {
        Done,
        Refused,
    };

    virtual ~AuditTrail() = default;
    // Called as a request arrives, before anything of it is done: the
    // caller is looked up once, in a known state.
    virtual void beginRequest()
    {
    }
    // Records `line`, preceded by the uid of the request's caller.
    virtual void record(Outcome outcome, const QString &line) = 0;
};
