// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QVariantMap>

// Everything the panel asks of the root helper goes through this seam: the
// default runs a KAuth action and waits for its end in a local event loop,
// tests install a fake that records the requests.
class HelperActionExecutor
{
public:
    struct Result {
        bool succeeded = false;
        QString errorText;
        QVariantMap data;
    };

    virtual ~HelperActionExecutor() = default;

    // `actionName` is the full name ("org.velun.kcm.quotas.change"); the
    // helper ID is always ours. Blocks until the helper has answered or the
    // timeout (milliseconds) has run out.
    virtual Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) = 0;

    // The process-wide executor; the KAuth one unless a test replaced it.
    static HelperActionExecutor &instance();
    // Tests only: nullptr restores the KAuth executor. Not owned.
    static void setInstance(HelperActionExecutor *executor);

    // D-Bus gives up on a call after about 25 s unless the action sets its
    // own timeout, while quotacheck on a large disk or a slow blkid can run
    // far longer; a timed-out request would be reported as failed while
    // the helper goes on working.
    static constexpr int ChangeTimeoutMs = 60 * 60 * 1000;
    static constexpr int AccessTimeoutMs = 2 * 60 * 1000;
    static constexpr int NotificationsTimeoutMs = 2 * 60 * 1000;
};
