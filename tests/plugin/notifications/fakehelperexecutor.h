// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/system/helperactionexecutor.h"

#include <QSet>
#include <QStringList>

// Stands in for the root helper: records every request and fails those
// whose file path is listed in `failingPaths`.
class FakeHelperExecutor : public HelperActionExecutor
{
public:
    struct Request {
        QString actionName;
        QVariantMap arguments;
        int timeoutMs = 0;

        QString path() const
        {
            const QVariant cron = arguments.value(QStringLiteral("write_cron_file"));
            return cron.isValid() ? cron.toString() : arguments.value(QStringLiteral("write_conf_file")).toString();
        }
    };

    FakeHelperExecutor()
    {
        HelperActionExecutor::setInstance(this);
    }
    ~FakeHelperExecutor() override
    {
        HelperActionExecutor::setInstance(nullptr);
    }

    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
    {
        const Request request{actionName, arguments, timeoutMs};
        requests.append(request);
        Result result;
        result.succeeded = !failingPaths.contains(request.path());
        if (!result.succeeded) {
            result.errorText = QStringLiteral("Can'n create %1 file").arg(request.path());
        }
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

    QList<Request> requests;
    QSet<QString> failingPaths;
};
