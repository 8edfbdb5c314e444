// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "memberquotastate.h"

#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/values/memorysizetransfer.h"

#include <algorithm>

namespace
{
quint64 amount(const MemberQuotaData &data, MemorySizeId id)
{
    return MemberQuotaState::bytes(data.memorySizeById(id));
}

quint64 count(qint64 value)
{
    return value > 0 ? quint64(value) : 0;
}
}

MemberQuotaState::MemberQuotaState(const MemberQuotaData &data, const QDateTime &now)
{
    const GraceDateTime moments = data.graceDateTime();
    m_blocks = judge(amount(data, UsedSize), amount(data, SoftLimitSize), amount(data, HardLimitSize), moments.blockGrace, now);
    m_files = judge(count(data.numberOfFilesUsed()), count(data.softFilesLimit()), count(data.hardFilesLimit()), moments.inodeGrace, now);

    const auto left = [&now](StateId state, const QDateTime &end) -> qint64 {
        return state == GraceRunning && end.isValid() ? now.secsTo(end) : -1;
    };
    const qint64 blocksLeft = left(m_blocks, moments.blockGrace);
    const qint64 filesLeft = left(m_files, moments.inodeGrace);
    if (blocksLeft >= 0 && filesLeft >= 0) {
        m_graceSecondsLeft = std::min(blocksLeft, filesLeft);
    } else {
        m_graceSecondsLeft = std::max(blocksLeft, filesLeft);
    }
}

MemberQuotaState::StateId MemberQuotaState::judge(quint64 used, quint64 softLimit, quint64 hardLimit, const QDateTime &graceEnd, const QDateTime &now)
{
    if (hardLimit > 0 && used >= hardLimit) {
        return AtHardLimit;
    }
    if (softLimit > 0 && used > softLimit) {
        // Without an end the kernel has not started the clock yet (limits
        // set below usage a moment ago); it is still running, not expired.
        return graceEnd.isValid() && graceEnd <= now ? GraceExpired : GraceRunning;
    }
    return WithinLimits;
}

MemberQuotaState::StateId MemberQuotaState::blocks() const
{
    return m_blocks;
}

MemberQuotaState::StateId MemberQuotaState::files() const
{
    return m_files;
}

MemberQuotaState::StateId MemberQuotaState::worst() const
{
    return std::max(m_blocks, m_files);
}

bool MemberQuotaState::isOverLimit() const
{
    return worst() != WithinLimits;
}

qint64 MemberQuotaState::graceSecondsLeft() const
{
    return m_graceSecondsLeft;
}

quint64 MemberQuotaState::bytes(const MemorySize &size)
{
    static const MemorySizeTransfer transfer;
    return transfer.bytesFromMem(size);
}

double MemberQuotaState::share(quint64 used, quint64 softLimit, quint64 hardLimit)
{
    const quint64 limit = softLimit > 0 ? softLimit : hardLimit;
    if (limit == 0) {
        return -1.0;
    }
    return static_cast<double>(used) / static_cast<double>(limit);
}
