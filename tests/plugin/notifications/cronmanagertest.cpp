// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/notifications/cronmanager.h"
#include "common/helperprotocol.h"
#include "fakehelperexecutor.h"
#include "latin1localecodec.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{
CronJob job(const QStringList &time, const QString &user, const QString &command, const QString &comment = QString())
{
    CronJob result;
    result.time = CronTime(time.value(0), time.value(1), time.value(2), time.value(3), time.value(4));
    result.user = user;
    result.command = command;
    result.comment = comment;
    return result;
}

QStringList fields(const CronTime &time)
{
    return {time.minutes(), time.hours(), time.days(), time.mouths(), time.weeks()};
}

const QStringList header{
    QStringLiteral("# Cron job for quota notifications"),
    QStringLiteral("# Dont edit this file"),
    QStringLiteral("PATH=/usr/sbin"),
};
}

Q_DECLARE_METATYPE(CronJob)

class CronManagerTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString writeTable(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("warnquota"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        return path;
    }

private Q_SLOTS:
    void parseLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("isJob");
        QTest::addColumn<QStringList>("time");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("comment");

        const QStringList monthly{QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("1"), QStringLiteral("*"), QStringLiteral("*")};
        QTest::newRow("plain job") << "0 8 1 * * root warnquota -u" << true << monthly << "root"
                                   << "warnquota -u" << QString();
        QTest::newRow("trailing comment keeps the blank in the command") << "0 8 1 * * root warnquota -u #monthly" << true << monthly << "root"
                                                                         << "warnquota -u "
                                                                         << "monthly";
        QTest::newRow("a run of hashes opens one comment") << "0 8 1 * * root warnquota ##a # b" << true << monthly << "root"
                                                           << "warnquota "
                                                           << "a # b";
        QTest::newRow("leading blanks stay with the minutes")
            << "  5 * * * * root warnquota" << true
            << QStringList{QStringLiteral("  5"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*")} << "root"
            << "warnquota" << QString();
        QTest::newRow("steps, ranges and lists")
            << "*/5 1-5 1,15 * 1-5 root warnquota -g" << true
            << QStringList{QStringLiteral("*/5"), QStringLiteral("1-5"), QStringLiteral("1,15"), QStringLiteral("*"), QStringLiteral("1-5")} << "root"
            << "warnquota -g" << QString();
        QTest::newRow("tabs separate fields") << "0\t8\t1\t*\t*\troot\twarnquota" << true << monthly << "root"
                                              << "warnquota" << QString();
        QTest::newRow("six fields are not a job") << "0 8 1 * * warnquota" << false << QStringList() << QString() << QString() << QString();
        QTest::newRow("commented-out job") << "#0 8 1 * * root warnquota -u" << false << QStringList() << QString() << QString() << QString();
        QTest::newRow("lower-case month name") << "0 8 1 jan * root warnquota" << false << QStringList() << QString() << QString() << QString();
        QTest::newRow("@ shortcut") << "@daily root warnquota" << false << QStringList() << QString() << QString() << QString();
        QTest::newRow("variable assignment") << "PATH=/usr/sbin" << false << QStringList() << QString() << QString() << QString();
        QTest::newRow("empty line") << "" << false << QStringList() << QString() << QString() << QString();
    }

    void parseLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, isJob);
        QFETCH(QStringList, time);
        QFETCH(QString, user);
        QFETCH(QString, command);
        QFETCH(QString, comment);

        FakeHelperExecutor helper;
        CronManager manager(helper);
        const CronJob parsed = manager.parseLine(line);
        QCOMPARE(!parsed.time.minutes().isEmpty(), isJob);
        if (!isJob) {
            QVERIFY(parsed.user.isEmpty() && parsed.command.isEmpty() && parsed.comment.isEmpty());
            return;
        }
        QCOMPARE(fields(parsed.time), time);
        QCOMPARE(parsed.user, user);
        QCOMPARE(parsed.command, command);
        QCOMPARE(parsed.comment, comment);
    }

    void parseJob_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("written");

        QTest::newRow("plain job unchanged") << "0 8 1 * * root warnquota -u"
                                             << "0 8 1 * * root warnquota -u";
        QTest::newRow("comment gains a second blank") << "0 8 1 * * root warnquota -u #monthly"
                                                      << "0 8 1 * * root warnquota -u  #monthly";
        QTest::newRow("indentation written back") << "  5 * * * * root warnquota"
                                                  << "  5 * * * * root warnquota";
        QTest::newRow("tabs become blanks") << "0\t8\t1\t*\t*\troot\twarnquota"
                                            << "0 8 1 * * root warnquota";
    }

    void parseJob()
    {
        QFETCH(QString, line);
        QFETCH(QString, written);
        FakeHelperExecutor helper;
        CronManager manager(helper);
        QCOMPARE(manager.parseJob(manager.parseLine(line)), written);
    }

    void stringToCronTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("time");

        const QStringList none{QString(), QString(), QString(), QString(), QString()};
        QTest::newRow("step in the minutes")
            << "*/5 * * * *" << QStringList{QStringLiteral("*/5"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*")};
        QTest::newRow("surrounding and inner white space")
            << "  0   8 1,15 * 1-5  "
            << QStringList{QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("1,15"), QStringLiteral("*"), QStringLiteral("1-5")};
        QTest::newRow("four fields") << "0 8 * *" << none;
        QTest::newRow("six fields") << "0 8 * * * *" << none;
        QTest::newRow("weekday name") << "0 8 * * MON" << none;
        QTest::newRow("empty text") << "" << none;
        QTest::newRow("four blanks") << "    " << none;
    }

    void stringToCronTime()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, time);
        QCOMPARE(fields(CronManager::stringToCronTime(text)), time);
    }

    void cronTimeToStringOfEmptyTimeIsFourBlanks()
    {
        QCOMPARE(CronManager::cronTimeToString(CronTime()), QStringLiteral("    "));
        const CronTime time(QStringLiteral("*/10"), QStringLiteral("1-5"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("0"));
        QCOMPARE(CronManager::stringToCronTime(CronManager::cronTimeToString(time)), time);
    }

    void readCronJobs_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("commands");

        QTest::newRow("header only") << QByteArray("# Cron job for quota notifications\n# Dont edit this file\nPATH=/usr/sbin\n") << QStringList();
        QTest::newRow("jobs in file order, others dropped")
            << QByteArray("PATH=/usr/sbin\n0 8 1 * * root warnquota -u\n# note\n\n@daily root warnquota\n5 * * * * root warnquota -g\n")
            << QStringList{QStringLiteral("warnquota -u"), QStringLiteral("warnquota -g")};
        QTest::newRow("duplicates stay") << QByteArray("0 8 * * * root warnquota\n0 8 * * * root warnquota #again\n")
                                         << QStringList{QStringLiteral("warnquota"), QStringLiteral("warnquota ")};
        QTest::newRow("last line without line feed") << QByteArray("0 8 * * * root warnquota -u") << QStringList{QStringLiteral("warnquota -u")};
    }

    void readCronJobs()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, commands);
        FakeHelperExecutor helper;
        CronManager manager(helper);
        QSignalSpy errors(&manager, &CronManager::error);
        QStringList read;
        const QList<CronJob> jobs = manager.readCronJobs(writeTable(content));
        for (const CronJob &job : jobs) {
            read.append(job.command);
        }
        QCOMPARE(read, commands);
        QCOMPARE(errors.count(), 0);
    }

    void readKeepsNonAsciiComments()
    {
        // The helper writes UTF-8 whatever the panel's locale is.
        const Latin1LocaleCodec latin1;
        FakeHelperExecutor helper;
        CronManager manager(helper);
        const QList<CronJob> jobs = manager.readCronJobs(writeTable(QByteArray("0 8 * * * root warnquota #Prüfung\n")));
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs.first().comment, QStringLiteral("Prüfung"));
    }

    void readMissingFileIsQuiet()
    {
        FakeHelperExecutor helper;
        CronManager manager(helper);
        QSignalSpy errors(&manager, &CronManager::error);
        QVERIFY(manager.readCronJobs(m_dir.filePath(QStringLiteral("nothing-here"))).isEmpty());
        QCOMPARE(errors.count(), 0);
    }

    void readUnopenableFileReportsIt()
    {
        // A directory exists but cannot be read as a file, even by root.
        FakeHelperExecutor helper;
        CronManager manager(helper);
        QSignalSpy errors(&manager, &CronManager::error);
        QVERIFY(manager.readCronJobs(m_dir.path()).isEmpty());
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.first().first().toString().contains(m_dir.path()));
    }

    void writeJobsSendsHeaderAndLines_data()
    {
        QTest::addColumn<QList<CronJob>>("jobs");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("no jobs: header only") << QList<CronJob>() << header;
        QTest::newRow("jobs in list order")
            << QList<CronJob>{job({QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("1"), QStringLiteral("*"), QStringLiteral("*")},
                                  QStringLiteral("root"),
                                  QStringLiteral("warnquota -u")),
                              job({QStringLiteral("5"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*")},
                                  QStringLiteral("root"),
                                  QStringLiteral("warnquota -g"),
                                  QStringLiteral("hourly"))}
            << header + QStringList{QStringLiteral("0 8 1 * * root warnquota -u"), QStringLiteral("5 * * * * root warnquota -g #hourly")};
    }

    void writeJobsSendsHeaderAndLines()
    {
        QFETCH(QList<CronJob>, jobs);
        QFETCH(QStringList, lines);
        FakeHelperExecutor helper;
        CronManager manager(helper);
        QVERIFY(manager.writeJobs(QStringLiteral("/etc/cron.d/warnquota"), jobs));
        QCOMPARE(helper.requests.size(), 1);
        const FakeHelperExecutor::Request &request = helper.requests.first();
        QCOMPARE(request.actionName, setNotificationsActionName());
        QCOMPARE(request.arguments.value(QStringLiteral("write_cron_file")).toString(), QStringLiteral("/etc/cron.d/warnquota"));
        QCOMPARE(request.arguments.value(QStringLiteral("added_lines")).toStringList(), lines);
        QVERIFY(request.arguments.contains(QStringLiteral("languages")));
        QVERIFY(request.arguments.contains(QStringLiteral("lcmessages")));
        // D-Bus would give up after about 25 s while the password dialog is open.
        QVERIFY(request.timeoutMs >= 2 * 60 * 1000);
    }

    void writeFailureIsReported()
    {
        FakeHelperExecutor helper;
        helper.failingPaths.insert(QStringLiteral("/etc/cron.d/warnquota"));
        CronManager manager(helper);
        QSignalSpy errors(&manager, &CronManager::error);
        QVERIFY(!manager.rewriteCronJobs(QStringLiteral("/etc/cron.d/warnquota"), {}));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), QStringLiteral("Can'n create /etc/cron.d/warnquota file"));
    }

    void incrementalEdits_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("add");
        QTest::addColumn<QList<CronJob>>("jobs");
        QTest::addColumn<QStringList>("lines");

        const QStringList daily{QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*")};
        const QStringList hourly{QStringLiteral("5"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*")};
        const QByteArray existing("0 8 * * * root warnquota -u #old\n");

        QTest::newRow("add: a job differing only in comment is not added")
            << existing << true << QList<CronJob>{job(daily, QStringLiteral("root"), QStringLiteral("warnquota -u "), QStringLiteral("new"))}
            << header + QStringList{QStringLiteral("0 8 * * * root warnquota -u  #old")};
        QTest::newRow("add: new jobs come last, given duplicates collapse")
            << existing << true
            << QList<CronJob>{job(hourly, QStringLiteral("root"), QStringLiteral("warnquota -g")),
                              job(hourly, QStringLiteral("root"), QStringLiteral("warnquota -g"))}
            << header + QStringList{QStringLiteral("0 8 * * * root warnquota -u  #old"), QStringLiteral("5 * * * * root warnquota -g")};
        QTest::newRow("add: unreadable or missing table counts as empty")
            << QByteArray() << true << QList<CronJob>{job(hourly, QStringLiteral("root"), QStringLiteral("warnquota -g"))}
            << header + QStringList{QStringLiteral("5 * * * * root warnquota -g")};
        QTest::newRow("delete: equal jobs go whatever their comment")
            << QByteArray("0 8 * * * root warnquota -u #a\n5 * * * * root warnquota -g\n0 8 * * * root warnquota -u #b\n") << false
            << QList<CronJob>{job(daily, QStringLiteral("root"), QStringLiteral("warnquota -u "))}
            << header + QStringList{QStringLiteral("5 * * * * root warnquota -g")};
        QTest::newRow("delete: nothing matching still rewrites")
            << existing << false << QList<CronJob>{job(hourly, QStringLiteral("root"), QStringLiteral("warnquota -g"))}
            << header + QStringList{QStringLiteral("0 8 * * * root warnquota -u  #old")};
    }

    void incrementalEdits()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, add);
        QFETCH(QList<CronJob>, jobs);
        QFETCH(QStringList, lines);

        const QString path = content.isEmpty() ? m_dir.path() : writeTable(content);
        FakeHelperExecutor helper;
        CronManager manager(helper);
        QSignalSpy errors(&manager, &CronManager::error);
        QVERIFY(add ? manager.addCronJobs(path, jobs) : manager.deleteCronJobs(path, jobs));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(helper.requests.size(), 1);
        QCOMPARE(helper.requests.first().arguments.value(QStringLiteral("added_lines")).toStringList(), lines);
    }
};

QTEST_GUILESS_MAIN(CronManagerTest)

#include "cronmanagertest.moc"
