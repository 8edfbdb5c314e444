// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

// Everything the panel asks of the root helper goes through this seam: the
// real one runs a KAuth action and waits for its end in a local event loop,
// tests hand a fake that records the requests to the constructors.
class HelperActionExecutor
{
public:
    struct Result {
        bool succeeded = false;
        QString errorText;
        QVariantMap data;
    };

    // Told before and after every request, so that the panel can show
    // what it waits for while the request's local event loop runs.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        virtual void requestStarted(const QString &actionName, const QVariantMap &arguments) = 0;
        virtual void requestFinished() = 0;
    };

    // Brackets one request for the observer; every executor that really
    // asks the helper holds one while it waits.
    class Notice
    {
    public:
        Notice(const HelperActionExecutor &executor, const QString &actionName, const QVariantMap &arguments);
        ~Notice();
        Notice(const Notice &) = delete;
        Notice &operator=(const Notice &) = delete;

    private:
        Observer *m_observer;
    };

    virtual ~HelperActionExecutor() = default;

    // `actionName` is the full name ("org.velun.kcm.quotas.change"); the
    // helper ID is always ours. Blocks until the helper has answered or the
    // timeout (milliseconds) has run out.
    virtual Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) = 0;

    // The real one, for classes that were handed none.
    static std::unique_ptr<HelperActionExecutor> createDefault();

    // The panel's busy state while it lives; nullptr for none. Not owned.
    void setObserver(Observer *observer);
    Observer *observer() const;

    // D-Bus gives up on a call after about 25 s unless the action sets its
    // own timeout, while quotacheck on a large disk or a slow blkid can run
    // far longer; a timed-out request would be reported as failed while
    // the helper goes on working.
    static constexpr int ChangeTimeoutMs = 60 * 60 * 1000;
    static constexpr int AccessTimeoutMs = 2 * 60 * 1000;
    static constexpr int NotificationsTimeoutMs = 2 * 60 * 1000;

private:
    Observer *m_observer = nullptr;
};
