// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/systemprocessrunner.h"

#include <QElapsedTimer>
#include <QTest>

class SystemProcessRunnerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("finishTimeoutMs");
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("standardOutput");
        QTest::addColumn<QByteArray>("standardError");

        QTest::newRow("both channels and the exit code") << "sh" << QStringList{QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2; exit 3")} << 10000
                                                         << true << true << false << 3 << QByteArray("out\n") << QByteArray("err\n");
        QTest::newRow("no limit") << "sh" << QStringList{QStringLiteral("-c"), QStringLiteral("printf x")} << -1 << true << true << false << 0
                                  << QByteArray("x") << QByteArray();
        QTest::newRow("input is closed") << "cat" << QStringList() << 10000 << true << true << false << 0 << QByteArray() << QByteArray();
        QTest::newRow("missing program") << "/nonexistent/quotaon" << QStringList() << 10000 << false << false << false << -1 << QByteArray() << QByteArray();
        QTest::newRow("crash") << "sh" << QStringList{QStringLiteral("-c"), QStringLiteral("kill -SEGV $$")} << 10000 << true << true << true << 0
                               << QByteArray() << QByteArray();
        QTest::newRow("time limit") << "sleep" << QStringList{QStringLiteral("20")} << 200 << true << false << false << -1 << QByteArray() << QByteArray();
    }

    void run()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, finishTimeoutMs);
        QFETCH(bool, started);
        QFETCH(bool, finished);
        QFETCH(bool, crashed);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, standardOutput);
        QFETCH(QByteArray, standardError);
        QElapsedTimer timer;
        timer.start();
        const ProcessResult result = SystemProcessRunner().run(program, arguments, 10000, finishTimeoutMs);
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(result.started, started);
        QCOMPARE(result.finished, finished);
        QCOMPARE(result.crashed, crashed);
        if (!crashed) {
            QCOMPARE(result.exitCode, exitCode);
        }
        QCOMPARE(result.standardOutput, standardOutput);
        QCOMPARE(result.standardError, standardError);
    }
};

QTEST_GUILESS_MAIN(SystemProcessRunnerTest)

#include "systemprocessrunnertest.moc"
