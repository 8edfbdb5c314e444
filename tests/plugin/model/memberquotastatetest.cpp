// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/memberquotastate.h"
#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/values/memorysizetransfer.h"

#include <QTest>

namespace
{
const QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);

struct Usage {
    quint64 used = 0;
    quint64 soft = 0;
    quint64 hard = 0;
    QDateTime graceEnd;
};

MemberQuotaData blocksData(const Usage &usage)
{
    const MemorySizeTransfer transfer;
    MemberQuotaData data;
    data.setMemorySize(UsedSize, transfer.memFromBytes(usage.used));
    data.setMemorySize(SoftLimitSize, transfer.memFromBytes(usage.soft));
    data.setMemorySize(HardLimitSize, transfer.memFromBytes(usage.hard));
    data.setGraceDateTime({usage.graceEnd, QDateTime()});
    return data;
}

MemberQuotaData filesData(const Usage &usage)
{
    MemberQuotaData data;
    data.setNumberOfFilesUsed(qint64(usage.used));
    data.setSoftFilesLimit(qint64(usage.soft));
    data.setHardFilesLimit(qint64(usage.hard));
    data.setGraceDateTime({QDateTime(), usage.graceEnd});
    return data;
}
}

Q_DECLARE_METATYPE(Usage)

class MemberQuotaStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boundaries_data();
    void boundaries();
    void worstOfBothAndTimeLeft();
    void share_data();
    void share();
};

void MemberQuotaStateTest::boundaries_data()
{
    QTest::addColumn<Usage>("usage");
    QTest::addColumn<int>("state");

    const quint64 mib = 1024 * 1024;
    const QDateTime later = now.addDays(2);
    QTest::newRow("no limits at all") << Usage{5 * mib, 0, 0, {}} << int(MemberQuotaState::WithinLimits);
    QTest::newRow("below the soft limit") << Usage{mib - 1, mib, 2 * mib, {}} << int(MemberQuotaState::WithinLimits);
    QTest::newRow("exactly at the soft limit is still within") << Usage{mib, mib, 2 * mib, {}} << int(MemberQuotaState::WithinLimits);
    QTest::newRow("one byte over the soft limit") << Usage{mib + 1, mib, 2 * mib, later} << int(MemberQuotaState::GraceRunning);
    QTest::newRow("over the soft limit, clock not started yet") << Usage{mib + 1, mib, 0, {}} << int(MemberQuotaState::GraceRunning);
    QTest::newRow("grace ends this very second: expired") << Usage{mib + 1, mib, 0, now} << int(MemberQuotaState::GraceExpired);
    QTest::newRow("grace ended yesterday") << Usage{mib + 1, mib, 2 * mib, now.addDays(-1)} << int(MemberQuotaState::GraceExpired);
    QTest::newRow("one byte below the hard limit") << Usage{2 * mib - 1, mib, 2 * mib, later} << int(MemberQuotaState::GraceRunning);
    QTest::newRow("exactly at the hard limit") << Usage{2 * mib, mib, 2 * mib, later} << int(MemberQuotaState::AtHardLimit);
    QTest::newRow("at the hard limit outranks an expired grace") << Usage{2 * mib, mib, 2 * mib, now.addDays(-1)} << int(MemberQuotaState::AtHardLimit);
    QTest::newRow("hard limit only, below it") << Usage{mib, 0, 2 * mib, {}} << int(MemberQuotaState::WithinLimits);
    QTest::newRow("a stale grace end below the soft limit means nothing") << Usage{10, mib, 0, now.addDays(-3)} << int(MemberQuotaState::WithinLimits);
}

void MemberQuotaStateTest::boundaries()
{
    QFETCH(Usage, usage);
    QFETCH(int, state);

    // Space and files follow the same rules; files count beyond 2^31 too.
    const MemberQuotaState blocks(blocksData(usage), now);
    QCOMPARE(int(blocks.blocks()), state);
    QCOMPARE(int(blocks.files()), int(MemberQuotaState::WithinLimits));
    QCOMPARE(blocks.isOverLimit(), state != MemberQuotaState::WithinLimits);

    Usage files = usage;
    if (usage.used > 1024) {
        const quint64 shift = 0x80000000ULL - 1024 * 1024;
        files.used += shift;
        files.soft += files.soft ? shift : 0;
        files.hard += files.hard ? shift : 0;
    }
    const MemberQuotaState inodes(filesData(files), now);
    QCOMPARE(int(inodes.files()), state);
    QCOMPARE(int(inodes.worst()), state);
}

void MemberQuotaStateTest::worstOfBothAndTimeLeft()
{
    MemberQuotaData data = blocksData({200, 100, 0, now.addSecs(3600)});
    data.setNumberOfFilesUsed(11);
    data.setSoftFilesLimit(10);
    data.setGraceDateTime({now.addSecs(3600), now.addSecs(600)});
    MemberQuotaState state(data, now);
    QCOMPARE(int(state.worst()), int(MemberQuotaState::GraceRunning));
    // The grace that ends first is the one that matters.
    QCOMPARE(state.graceSecondsLeft(), qint64(600));

    data.setHardFilesLimit(11);
    state = MemberQuotaState(data, now);
    QCOMPARE(int(state.worst()), int(MemberQuotaState::AtHardLimit));
    QCOMPARE(state.graceSecondsLeft(), qint64(3600));

    QCOMPARE(MemberQuotaState(blocksData({200, 100, 0, {}}), now).graceSecondsLeft(), qint64(-1));
}

void MemberQuotaStateTest::share_data()
{
    QTest::addColumn<quint64>("used");
    QTest::addColumn<quint64>("soft");
    QTest::addColumn<quint64>("hard");
    QTest::addColumn<double>("share");

    QTest::newRow("no limit: nothing to measure") << quint64(5) << quint64(0) << quint64(0) << -1.0;
    QTest::newRow("against the soft limit") << quint64(75) << quint64(100) << quint64(400) << 0.75;
    QTest::newRow("against the hard limit when there is no soft one") << quint64(100) << quint64(0) << quint64(400) << 0.25;
    QTest::newRow("over the limit goes past one") << quint64(150) << quint64(100) << quint64(0) << 1.5;
}

void MemberQuotaStateTest::share()
{
    QFETCH(quint64, used);
    QFETCH(quint64, soft);
    QFETCH(quint64, hard);
    QFETCH(double, share);
    QCOMPARE(MemberQuotaState::share(used, soft, hard), share);
}

QTEST_GUILESS_MAIN(MemberQuotaStateTest)

#include "memberquotastatetest.moc"
