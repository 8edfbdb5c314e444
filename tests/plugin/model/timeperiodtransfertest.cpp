// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/timeperiodtransfer.h"
#include "plugin/model/values/gracetimeperiod.h"

#include <QTest>

Q_DECLARE_METATYPE(Time)

namespace
{
Time span(quint32 weeks, quint32 days, quint32 hours, quint32 minutes, quint32 seconds)
{
    Time t;
    t.weeks = weeks;
    t.days = days;
    t.hours = hours;
    t.minutes = minutes;
    t.seconds = seconds;
    return t;
}
}

class TimePeriodTransferTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromSeconds_data();
    void fromSeconds();
    void fromTime_data();
    void fromTime();
    void roundTrip_data();
    void roundTrip();
    void toString_data();
    void toString();
};

void TimePeriodTransferTest::fromSeconds_data()
{
    QTest::addColumn<qulonglong>("seconds");
    QTest::addColumn<Time>("time");

    QTest::newRow("zero") << 0ULL << span(0, 0, 0, 0, 0);
    QTest::newRow("one week only") << 604800ULL << span(1, 0, 0, 0, 0);
    QTest::newRow("seconds only") << 59ULL << span(0, 0, 0, 0, 59);
    QTest::newRow("a day less a second") << 86399ULL << span(0, 0, 23, 59, 59);
    QTest::newRow("week, day and hour") << 694800ULL << span(1, 1, 1, 0, 0);
    QTest::newRow("every field") << (2ULL * 604800 + 6 * 86400 + 5 * 3600 + 4 * 60 + 3) << span(2, 6, 5, 4, 3);
    QTest::newRow("wraps at 2^32") << (4294967296ULL + 5) << span(0, 0, 0, 0, 5);
    QTest::newRow("largest 32-bit count") << 4294967295ULL << span(7101, 3, 6, 28, 15);
}

void TimePeriodTransferTest::fromSeconds()
{
    QFETCH(qulonglong, seconds);
    QFETCH(Time, time);
    QCOMPARE(TimePeriodTransfer::fromSeconds(seconds), time);
}

void TimePeriodTransferTest::fromTime_data()
{
    QTest::addColumn<Time>("time");
    QTest::addColumn<qulonglong>("seconds");

    QTest::newRow("zero") << span(0, 0, 0, 0, 0) << 0ULL;
    QTest::newRow("one week") << span(1, 0, 0, 0, 0) << 604800ULL;
    QTest::newRow("editor maximum") << span(7100, 6, 23, 59, 0) << (7100ULL * 604800 + 6 * 86400 + 23 * 3600 + 59 * 60);
    QTest::newRow("fields beyond their range still add up") << span(0, 8, 25, 61, 61) << (8ULL * 86400 + 25 * 3600 + 61 * 60 + 61);
    QTest::newRow("week product wraps in 32 bits") << span(7102, 0, 0, 0, 0) << ((7102ULL * 604800) & 0xffffffffULL);
}

void TimePeriodTransferTest::fromTime()
{
    QFETCH(Time, time);
    QFETCH(qulonglong, seconds);
    QCOMPARE(quint64(TimePeriodTransfer::fromTime(time)), quint64(seconds));
}

void TimePeriodTransferTest::roundTrip_data()
{
    QTest::addColumn<qulonglong>("seconds");
    QTest::newRow("one") << 1ULL;
    QTest::newRow("default ext4 grace of a week") << 604800ULL;
    QTest::newRow("odd count") << 123456789ULL;
    QTest::newRow("largest 32-bit count") << 4294967295ULL;
}

void TimePeriodTransferTest::roundTrip()
{
    QFETCH(qulonglong, seconds);
    QCOMPARE(quint64(TimePeriodTransfer::fromTime(TimePeriodTransfer::fromSeconds(seconds))), quint64(seconds));
}

void TimePeriodTransferTest::toString_data()
{
    QTest::addColumn<Time>("time");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty span gives empty text") << span(0, 0, 0, 0, 0) << QString();
    QTest::newRow("week, day, hour") << span(1, 1, 1, 0, 0) << "1w 1d 1h";
    QTest::newRow("minutes alone") << span(0, 0, 0, 5, 0) << "5min";
    QTest::newRow("inner zero left out") << span(3, 0, 2, 0, 7) << "3w 2h 7sec";
    QTest::newRow("no leading zeros") << span(7100, 6, 23, 59, 59) << "7100w 6d 23h 59min 59sec";
}

void TimePeriodTransferTest::toString()
{
    QFETCH(Time, time);
    QFETCH(QString, text);
    QCOMPARE(time.toString(), text);
}

QTEST_GUILESS_MAIN(TimePeriodTransferTest)

#include "timeperiodtransfertest.moc"
