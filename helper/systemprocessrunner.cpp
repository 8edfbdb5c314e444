// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemprocessrunner.h"

#include <QProcess>

ProcessResult SystemProcessRunner::run(const QString &program, const QStringList &arguments, int startTimeoutMs, int finishTimeoutMs)
{
    ProcessResult result;
    QProcess process;
    process.start(program, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(startTimeoutMs)) {
        return result;
    }
    result.started = true;
    // The tools never read their input; an open pipe could make one wait.
    process.closeWriteChannel();

    if (process.waitForFinished(finishTimeoutMs)) {
        result.finished = true;
        result.crashed = process.exitStatus() == QProcess::CrashExit;
        result.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished();
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}
