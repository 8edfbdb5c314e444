// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QDateTime>
#include <QtGlobal>

class MemberQuotaData;
class MemorySize;

// Where one member stands against its limits on one device at a moment,
// judged the way the kernel judges: a soft limit is exceeded only by usage
// above it, a hard limit is reached at usage equal to it.
class MemberQuotaState
{
public:
    // Ordered by severity, so the worse of two states is the larger one.
    enum StateId {
        WithinLimits = 0,
        GraceRunning,
        GraceExpired,
        AtHardLimit,
    };

    MemberQuotaState(const MemberQuotaData &data, const QDateTime &now);

    StateId blocks() const;
    StateId files() const;
    StateId worst() const;
    bool isOverLimit() const;

    // Seconds until the earliest running grace time ends; -1 when none runs
    // or its end is not known.
    qint64 graceSecondsLeft() const;

    // The part of the limit in use (soft limit, else hard limit); negative
    // when there is no limit to measure against.
    static double share(quint64 used, quint64 softLimit, quint64 hardLimit);
    // An amount in bytes, without building the unit table (and its
    // translated texts) for every cell of a large table.
    static quint64 bytes(const MemorySize &size);

private:
    static StateId judge(quint64 used, quint64 softLimit, quint64 hardLimit, const QDateTime &graceEnd, const QDateTime &now);

    StateId m_blocks = WithinLimits;
    StateId m_files = WithinLimits;
    qint64 m_graceSecondsLeft = -1;
};
