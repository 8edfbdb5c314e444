// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/helperprotocol.h"

#include <QRegularExpression>
#include <QTest>

// The panel reads the cron table with one grammar and the helper writes it
// with a stricter one; they must agree where they meet: whatever the
// helper writes, the panel reads back as the same job, and the header the
// helper lets through is never taken for a job.
class HelperProtocolTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cronGrammars_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("panelJob");
        QTest::addColumn<bool>("helperWrites");

        QTest::newRow("monthly warning") << "0 8 1 * * root warnquota -u" << true << true;
        QTest::newRow("options and a comment") << "*/5 * * * * root warnquota -u -g --config=/etc/warnquota.conf #monthly" << true << true;
        QTest::newRow("indented") << "  5 * * * * root warnquota" << true << true;
        QTest::newRow("ranges and lists") << "0,30 8-17 1-7 1,4,7,10 1-5 root warnquota -g" << true << true;
        QTest::newRow("weekday name") << "0 8 * * MON root warnquota" << true << false;
        QTest::newRow("another user") << "0 8 1 * * nobody warnquota" << true << false;
        QTest::newRow("another command") << "0 8 1 * * root rm -rf /" << true << false;
        QTest::newRow("comment glued to an option") << "0 8 1 * * root warnquota -u#;id" << true << false;
        QTest::newRow("six fields") << "0 8 1 * * warnquota" << false << false;
        QTest::newRow("shortcut") << "@reboot root warnquota" << false << false;
        QTest::newRow("commented out") << "# 0 8 1 * * root warnquota" << false << false;
        for (const QString &header : HelperProtocol::CronHeaderLines) {
            QTest::newRow(qPrintable(QStringLiteral("header: ") + header)) << header << false << false;
        }
    }

    void cronGrammars()
    {
        QFETCH(QString, line);
        QFETCH(bool, panelJob);
        QFETCH(bool, helperWrites);

        const QRegularExpressionMatch read = QRegularExpression(HelperProtocol::CronJobLinePattern).match(line);
        const QRegularExpressionMatch written = QRegularExpression(HelperProtocol::CronWarnquotaJobPattern).match(line);
        QCOMPARE(read.hasMatch(), panelJob);
        QCOMPARE(written.hasMatch(), helperWrites);
        if (helperWrites) {
            // Read back as root's warnquota job with the written options.
            QCOMPARE(read.captured(6), QStringLiteral("root"));
            QVERIFY(read.captured(7).trimmed().startsWith(QStringLiteral("warnquota")));
            QVERIFY(read.captured(7).contains(written.captured(1).trimmed()));
        }
    }

    // The time text the notification tab edits is the five fields of a
    // job line the helper writes.
    void timeTextMakesJobs_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("valid");
        QTest::newRow("every five minutes") << "*/5 * * * *" << true;
        QTest::newRow("monthly") << " 0 8 1 * * " << true;
        QTest::newRow("four fields") << "0 8 * *" << false;
        QTest::newRow("weekday name") << "0 8 * * MON" << false;
    }

    void timeTextMakesJobs()
    {
        QFETCH(QString, time);
        QFETCH(bool, valid);
        QCOMPARE(QRegularExpression(HelperProtocol::CronTimePattern).match(time).hasMatch(), valid);
        if (valid) {
            const QString line = time.trimmed() + QStringLiteral(" root warnquota -u");
            QVERIFY(QRegularExpression(HelperProtocol::CronWarnquotaJobPattern).match(line).hasMatch());
        }
    }
};

QTEST_GUILESS_MAIN(HelperProtocolTest)

#include "helperprotocoltest.moc"
