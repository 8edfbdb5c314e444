// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/notifications/notificationsmanager.h"
#include "fakehelperexecutor.h"
#include "latin1localecodec.h"
#include "plugin/notifications/cronmanager.h"
#include "plugin/notifications/notificationsdata.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{
const QString cronPath = QStringLiteral("/etc/cron.d/warnquota");
const QString defaultConfig = QStringLiteral("/etc/warnquota.conf");
const QString defaultQuotaTab = QStringLiteral("/etc/quotatab");
const QString defaultAdmins = QStringLiteral("/etc/quotagrpadmins");

WarnquotaJob
task(bool users, bool groups, const QString &adminsFile = defaultAdmins, const QString &quotaTab = defaultQuotaTab, const QString &config = defaultConfig)
{
    WarnquotaJob job;
    job.time = CronTime(QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"));
    job.user = QStringLiteral("root");
    job.users = users;
    job.groups = groups;
    job.adminsFile = adminsFile;
    job.quotaTab = quotaTab;
    job.config = config;
    return job;
}
}

class NotificationsManagerTest : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_root;

    void put(const QString &path, const QByteArray &content)
    {
        const QString full = m_root->path() + path;
        QDir().mkpath(QFileInfo(full).path());
        QFile file(full);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    void putDefaults()
    {
        put(defaultConfig, "MAIL_CMD = \"/usr/sbin/sendmail -t\"\n");
        put(defaultQuotaTab, "/dev/sda1: Home\n");
        put(defaultAdmins, "staff: alice\n");
    }

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
    }

    void cronJobToWarnquotaJob_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("users");
        QTest::addColumn<bool>("groups");
        QTest::addColumn<QString>("adminsFile");
        QTest::addColumn<QString>("quotaTab");
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("rebuilt");

        QTest::newRow("short and long options mixed") << "warnquota -g -a /etc/admins --config=/etc/wq.conf" << false << true << "/etc/admins"
                                                      << defaultQuotaTab << "/etc/wq.conf"
                                                      << "warnquota -g --admins-file=/etc/admins --config=/etc/wq.conf";
        QTest::newRow("combined flags") << "warnquota -ug" << true << true << defaultAdmins << defaultQuotaTab << defaultConfig << "warnquota -u -g";
        QTest::newRow("no flags warns users") << "warnquota" << true << false << defaultAdmins << defaultQuotaTab << defaultConfig << "warnquota -u";
        QTest::newRow("unknown command becomes warnquota")
            << "/usr/bin/true" << true << false << defaultAdmins << defaultQuotaTab << defaultConfig << "warnquota -u";
        QTest::newRow("every short option") << "/usr/sbin/warnquota -q /etc/qt -c /etc/c -a /etc/a -g" << false << true << "/etc/a"
                                            << "/etc/qt"
                                            << "/etc/c"
                                            << "warnquota -g --admins-file=/etc/a --quota-tab=/etc/qt --config=/etc/c";
        QTest::newRow("default paths are left out") << "warnquota -u --config=/etc/warnquota.conf --quota-tab=/etc/quotatab" << true << false << defaultAdmins
                                                    << defaultQuotaTab << defaultConfig << "warnquota -u";
        QTest::newRow("short option without value keeps the default")
            << "warnquota -u -q" << true << false << defaultAdmins << defaultQuotaTab << defaultConfig << "warnquota -u";
        QTest::newRow("later option wins") << "warnquota --config=/etc/a.conf -g --config=/etc/b.conf" << false << true << defaultAdmins << defaultQuotaTab
                                           << "/etc/b.conf"
                                           << "warnquota -g --config=/etc/b.conf";
        QTest::newRow("other options and extra blanks are dropped")
            << "warnquota  -s   -i -u " << true << false << defaultAdmins << defaultQuotaTab << defaultConfig << "warnquota -u";
        QTest::newRow("flags read from a value that looks like options") << "warnquota -c -g" << false << true << defaultAdmins << defaultQuotaTab << "-g"
                                                                         << "warnquota -g --config=-g";
    }

    void cronJobToWarnquotaJob()
    {
        QFETCH(QString, command);
        QFETCH(bool, users);
        QFETCH(bool, groups);
        QFETCH(QString, adminsFile);
        QFETCH(QString, quotaTab);
        QFETCH(QString, config);
        QFETCH(QString, rebuilt);

        CronJob job;
        job.time = CronTime(QStringLiteral("0"), QStringLiteral("8"), QStringLiteral("1"), QStringLiteral("*"), QStringLiteral("*"));
        job.user = QStringLiteral("root");
        job.command = command;
        job.comment = QStringLiteral("note");

        const WarnquotaJob parsed = NotificationsManager::cronJobToWarnquotaJob(job);
        QCOMPARE(parsed.users, users);
        QCOMPARE(parsed.groups, groups);
        QCOMPARE(parsed.adminsFile, adminsFile);
        QCOMPARE(parsed.quotaTab, quotaTab);
        QCOMPARE(parsed.config, config);
        QCOMPARE(parsed.command, command);

        const CronJob written = NotificationsManager::warnquotaJobToCronJob(parsed);
        QCOMPARE(written.command, rebuilt);
        QCOMPARE(written.time, job.time);
        QCOMPARE(written.user, job.user);
        QCOMPARE(written.comment, job.comment);
    }

    void warnquotaJobToCronJob_data()
    {
        QTest::addColumn<bool>("users");
        QTest::addColumn<bool>("groups");
        QTest::addColumn<QString>("adminsFile");
        QTest::addColumn<QString>("quotaTab");
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("command");

        QTest::newRow("users, default files") << true << false << defaultAdmins << defaultQuotaTab << defaultConfig << "warnquota -u";
        QTest::newRow("empty paths are left out") << false << true << QString() << QString() << QString() << "warnquota -g";
        QTest::newRow("neither flag") << false << false << QString() << QString() << QString() << "warnquota";
        QTest::newRow("options in fixed order") << true << true << "/srv/admins"
                                                << "/srv/tab"
                                                << "/srv/conf"
                                                << "warnquota -u -g --admins-file=/srv/admins --quota-tab=/srv/tab --config=/srv/conf";
    }

    void warnquotaJobToCronJob()
    {
        QFETCH(bool, users);
        QFETCH(bool, groups);
        QFETCH(QString, adminsFile);
        QFETCH(QString, quotaTab);
        QFETCH(QString, config);
        QFETCH(QString, command);
        WarnquotaJob job = task(users, groups, adminsFile, quotaTab, config);
        job.command = QStringLiteral("stale text");
        QCOMPARE(NotificationsManager::warnquotaJobToCronJob(job).command, command);
    }

    void snapshotReading_data()
    {
        QTest::addColumn<QByteArray>("cronTable");
        QTest::addColumn<bool>("defaultsPresent");
        QTest::addColumn<int>("tasks");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("unreadable");
        QTest::addColumn<int>("errors");

        const QStringList defaults{defaultAdmins, defaultConfig, defaultQuotaTab};
        QTest::newRow("no cron table") << QByteArray() << true << 0 << defaults << QString() << 0;
        QTest::newRow("missing files are empty texts without complaint") << QByteArray() << false << 0 << defaults << QString() << 0;
        QTest::newRow("task files besides the defaults")
            << QByteArray("0 8 * * * root warnquota -g -a /etc/admins --config=/etc/wq.conf\n") << true << 1
            << defaults + QStringList{QStringLiteral("/etc/admins"), QStringLiteral("/etc/wq.conf")} << QString() << 0;
        QTest::newRow("a file that is there but cannot be read is reported once")
            << QByteArray("0 8 * * * root warnquota -c /etc/wq.conf\n5 * * * * root warnquota -g --config=/etc/wq.conf\n") << true << 2
            << defaults + QStringList{QStringLiteral("/etc/wq.conf")} << QStringLiteral("/etc/wq.conf") << 1;
    }

    void snapshotReading()
    {
        QFETCH(QByteArray, cronTable);
        QFETCH(bool, defaultsPresent);
        QFETCH(int, tasks);
        QFETCH(QStringList, paths);
        QFETCH(QString, unreadable);
        QFETCH(int, errors);

        if (!unreadable.isEmpty()) {
            // A directory stands for a file the panel may not read, even as root.
            QDir().mkpath(m_root->path() + unreadable);
        }
        if (!cronTable.isEmpty()) {
            put(cronPath, cronTable);
        }
        if (defaultsPresent) {
            putDefaults();
        }
        FakeHelperExecutor helper;
        NotificationsManager manager(nullptr, m_root->path(), &helper);
        QSignalSpy errorSpy(&manager, &NotificationsManager::error);
        NotificationsData *data = manager.notificationsSettings();
        QCOMPARE(data->parent(), &manager);
        QCOMPARE(data->cronJobs().size(), tasks);
        QStringList read = data->files().keys();
        read.sort();
        paths.sort();
        QCOMPARE(read, paths);
        QCOMPARE(errorSpy.count(), errors);
        if (defaultsPresent) {
            QCOMPARE(data->files().value(defaultQuotaTab), QStringLiteral("/dev/sda1: Home\n"));
        }
    }

    void textsKeepNonAsciiCharacters()
    {
        // The helper writes UTF-8 whatever the panel's locale is.
        const Latin1LocaleCodec latin1;
        put(defaultConfig, "MESSAGE = Sie haben Ihr Kontingent überschritten\n");
        FakeHelperExecutor helper;
        NotificationsManager manager(nullptr, m_root->path(), &helper);
        QCOMPARE(manager.notificationsSettings()->files().value(defaultConfig), QStringLiteral("MESSAGE = Sie haben Ihr Kontingent überschritten\n"));
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("errors");

        QTest::newRow("everything written") << QStringList() << true << 0;
        QTest::newRow("one text fails, the rest is still written") << QStringList{QStringLiteral("/etc/wq.conf")} << false << 1;
        QTest::newRow("cron table fails, texts are still written") << QStringList{cronPath} << false << 1;
        QTest::newRow("two failures, two errors") << QStringList{cronPath, defaultQuotaTab} << false << 2;
    }

    void save()
    {
        QFETCH(QStringList, failing);
        QFETCH(bool, result);
        QFETCH(int, errors);

        putDefaults();
        FakeHelperExecutor helper;
        for (const QString &path : failing) {
            helper.failingPaths.insert(path);
        }
        NotificationsManager manager(nullptr, m_root->path(), &helper);
        QSignalSpy errorSpy(&manager, &NotificationsManager::error);
        QList<NotificationsData *> announced;
        connect(&manager, &NotificationsManager::dataChanged, this, [&announced](NotificationsData *fresh) {
            announced.append(fresh);
        });

        NotificationsData data(nullptr);
        data.appendJobs(task(true, false));
        data.appendJobs(task(false, true, defaultAdmins, defaultQuotaTab, QStringLiteral("/etc/wq.conf")));
        data.setFileText(defaultConfig, QStringLiteral("a"));
        data.setFileText(defaultQuotaTab, QStringLiteral("b"));
        data.setFileText(QStringLiteral("/etc/wq.conf"), QStringLiteral("c"));

        QCOMPARE(manager.setNotificationsSettings(&data), result);
        QCOMPARE(errorSpy.count(), errors);
        QCOMPARE(announced.size(), result ? 1 : 0);

        const QStringList written = helper.writtenPaths();
        QCOMPARE(written.size(), 4);
        QCOMPARE(written.first(), cronPath);
        QCOMPARE(QSet<QString>(written.begin() + 1, written.end()), (QSet<QString>{defaultConfig, defaultQuotaTab, QStringLiteral("/etc/wq.conf")}));
        QCOMPARE(helper.requests.first().arguments.value(QStringLiteral("added_lines")).toStringList().mid(3),
                 (QStringList{QStringLiteral("0 8 * * * root warnquota -u"), QStringLiteral("0 8 * * * root warnquota -g --config=/etc/wq.conf")}));
        for (const FakeHelperExecutor::Request &request : std::as_const(helper.requests)) {
            QVERIFY(request.timeoutMs >= 2 * 60 * 1000);
            QVERIFY(request.arguments.contains(QStringLiteral("lcmessages")));
        }
        const auto texts = data.files();
        for (const FakeHelperExecutor::Request &request : helper.requests.mid(1)) {
            QCOMPARE(request.arguments.value(QStringLiteral("text")).toString(), texts.value(request.path()));
        }
        if (result) {
            QCOMPARE(announced.first()->parent(), &manager);
        }
    }

    void unreadableFileIsNotWipedOut()
    {
        putDefaults();
        // A directory stands for a file the panel may not read, even as root.
        QDir().mkpath(m_root->path() + QStringLiteral("/etc/secret"));
        FakeHelperExecutor helper;
        NotificationsManager manager(nullptr, m_root->path(), &helper);
        NotificationsData data(nullptr);
        data.setFileText(QStringLiteral("/etc/secret"), QString());
        data.setFileText(defaultConfig, QString());
        QVERIFY(manager.setNotificationsSettings(&data));
        QCOMPARE(helper.writtenPaths(), (QStringList{cronPath, defaultConfig}));
    }
};

QTEST_GUILESS_MAIN(NotificationsManagerTest)

#include "notificationsmanagertest.moc"
