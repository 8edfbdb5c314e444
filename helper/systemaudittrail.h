// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/audittrail.h"

// The system log through syslog(3), which the journal receives on a
// systemd machine: `journalctl -t kcm-quotas-helper` shows the lines.
class SystemAuditTrail : public AuditTrail
{
public:
    static const char *identifier();

    void beginRequest() override;
    void record(Outcome outcome, const QString &line) override;

private:
    int m_callerUid = -1;
};
