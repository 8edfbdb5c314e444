// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/processrunner.h"

#include <QHash>
#include <QVector>

#include <functional>

// Every program "runs" with the result set for it (by default: started,
// finished, exit code 0, no output).
class FakeProcessRunner : public ProcessRunner
{
public:
    struct Call {
        QString program;
        QStringList arguments;
        int startTimeoutMs;
        int finishTimeoutMs;
    };

    ProcessResult run(const QString &program, const QStringList &arguments, int startTimeoutMs, int finishTimeoutMs) override
    {
        calls.append({program, arguments, startTimeoutMs, finishTimeoutMs});
        if (log) {
            log->append(program);
        }
        if (onRun) {
            onRun(program);
        }
        if (results.contains(program)) {
            return results.value(program);
        }
        ProcessResult result;
        result.started = true;
        result.finished = true;
        result.exitCode = 0;
        return result;
    }

    static ProcessResult result(int exitCode, const QByteArray &standardError = {}, const QByteArray &standardOutput = {})
    {
        ProcessResult result;
        result.started = true;
        result.finished = true;
        result.exitCode = exitCode;
        result.standardError = standardError;
        result.standardOutput = standardOutput;
        return result;
    }

    QVector<Call> calls;
    QHash<QString, ProcessResult> results;
    std::function<void(const QString &)> onRun;
    QStringList *log = nullptr;
};
