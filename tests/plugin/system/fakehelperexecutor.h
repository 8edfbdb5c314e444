// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/system/helperactionexecutor.h"

#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>

// The tests' one stand-in for the root helper, handed to the panel's classes
// as the real executor is. It records every request, tells the observer
// about it as the real one does, and answers through `respond`; without
// one, a request succeeds with no data, except the notification files named
// in `failingPaths`, which fail as the helper reports it. `onRequest` runs
// while a request waits for its answer, where the real executor's local
// event loop would let the host call in.
class FakeHelperExecutor : public HelperActionExecutor
{
public:
    struct Request {
        QString actionName;
        QVariantMap arguments;
        int timeoutMs = 0;

        // The notification file a "setnotifications" request writes.
        QString path() const
        {
            const QVariant cron = arguments.value(QStringLiteral("write_cron_file"));
            return cron.isValid() ? cron.toString() : arguments.value(QStringLiteral("write_conf_file")).toString();
        }
    };

    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
    {
        const Request request{actionName, arguments, timeoutMs};
        requests.append(request);
        const Notice notice(*this, actionName, arguments);
        ++m_depth;
        maxDepth = qMax(maxDepth, m_depth);
        if (onRequest) {
            onRequest(request);
        }
        const Result result = respond ? respond(request) : answerFiles(request);
        --m_depth;
        return result;
    }

    QStringList writtenPaths() const
    {
        QStringList paths;
        for (const Request &request : requests) {
            paths.append(request.path());
        }
        return paths;
    }

    // Whether a request is being answered right now.
    bool isRunning() const
    {
        return m_depth > 0;
    }

    QList<Request> requests;
    QSet<QString> failingPaths;
    std::function<Result(const Request &)> respond;
    std::function<void(const Request &)> onRequest;
    // The most requests that ever ran inside one another: 1 unless one was
    // started from another's wait.
    int maxDepth = 0;

private:
    Result answerFiles(const Request &request) const
    {
        Result result;
        result.succeeded = !failingPaths.contains(request.path());
        if (!result.succeeded) {
            result.errorText = QStringLiteral("Can'n create %1 file").arg(request.path());
        }
        return result;
    }

    int m_depth = 0;
};
