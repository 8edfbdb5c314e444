// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ProcessResult {
    bool started = false;
    // True only when the program ended on its own within the time limit,
    // crashed or not; `crashed` tells which.
    bool finished = false;
    bool crashed = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Starts a program and waits for it. A time limit of -1 waits without limit.
// A program still running at the end of its limit is killed.
class ProcessRunner
{
public:
    static constexpr int NoLimit = -1;

    virtual ~ProcessRunner() = default;
    virtual ProcessResult run(const QString &program, const QStringList &arguments, int startTimeoutMs, int finishTimeoutMs) = 0;
};
