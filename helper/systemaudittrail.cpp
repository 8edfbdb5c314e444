// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemaudittrail.h"

#include <KAuth/HelperSupport>

#include <syslog.h>

const char *SystemAuditTrail::identifier()
{
    return "kcm-quotas-helper";
}

// KAuth has the caller's uid from the bus, not from anything the caller
// sent.
void SystemAuditTrail::beginRequest()
{
    m_callerUid = KAuth::HelperSupport::callerUid();
}

void SystemAuditTrail::record(Outcome outcome, const QString &line)
{
    // The identifier is fixed, not the program's name, so that the lines
    // are found by one name however the helper was started. Security
    // records go to the authpriv facility, which only root may read in a
    // classic syslog set-up.
    ::openlog(identifier(), LOG_PID, LOG_AUTHPRIV);
    // A caller's line feed would start a forged line in a plain-text log.
    QString flat = QStringLiteral("uid=%1 ").arg(m_callerUid) + line;
    for (QChar &c : flat) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = QLatin1Char('?');
        }
    }
    ::syslog(outcome == Refused ? LOG_WARNING : LOG_NOTICE, "%s", flat.toUtf8().constData());
    ::closelog();
}
