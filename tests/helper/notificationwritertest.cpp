// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/policykitquotas.h"
#include "tests/helper/fakeaudittrail.h"
#include "tests/helper/fakefilesystem.h"
#include "tests/helper/fakefoldertree.h"
#include "tests/helper/fakeprocessrunner.h"
#include "tests/helper/fakequotakernel.h"

#include <QTest>

Q_DECLARE_METATYPE(FileSystem::EntryKind)

namespace
{
const QString cronPath = QStringLiteral("/etc/cron.d/warnquota");
const QStringList header = {
    QStringLiteral("# Cron job for quota notifications"),
    QStringLiteral("# Dont edit this file"),
    QStringLiteral("PATH=/usr/sbin"),
};

QVariantMap cron(const QStringList &lines, const QString &path = cronPath)
{
    return {{QStringLiteral("write_cron_file"), path}, {QStringLiteral("added_lines"), header + lines}};
}

QVariantMap conf(const QString &path, const QString &text)
{
    return {{QStringLiteral("write_conf_file"), path}, {QStringLiteral("text"), text}};
}

QByteArray cronBytes(const QStringList &lines)
{
    return ((header + lines).join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}
}

class NotificationWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void write_data()
    {
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<QByteArray>("cronOnDisk");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("writtenPath");
        QTest::addColumn<QByteArray>("bytes");

        const QString job = QStringLiteral("0 8 1 * * root warnquota -u");
        QTest::newRow("header and one job, each line ended") << cron({job}) << QByteArray() << "" << cronPath << cronBytes({job});
        QTest::newRow("only the header") << cron({}) << QByteArray() << "" << cronPath << cronBytes({});
        QTest::newRow("job with files, flags and a comment")
            << cron({QStringLiteral("*/5 8-17 * * 1,3 root warnquota -u -g --admins-file=/etc/quotagrpadmins.x --quota-tab=/etc/quotatab_1+x "
                                    "--config=/etc/warnquota-staff.conf #monthly")})
            << QByteArray() << "" << cronPath
            << cronBytes({QStringLiteral("*/5 8-17 * * 1,3 root warnquota -u -g --admins-file=/etc/quotagrpadmins.x --quota-tab=/etc/quotatab_1+x "
                                         "--config=/etc/warnquota-staff.conf #monthly")});
        QTest::newRow("indented job with a tab before the comment") << cron({QStringLiteral("  5 * * * *\troot warnquota\t#x")}) << QByteArray() << ""
                                                                    << cronPath << cronBytes({QStringLiteral("  5 * * * *\troot warnquota\t#x")});
        QVariantMap both = cron({job});
        both.insert(conf(QStringLiteral("/etc/warnquota.conf"), QStringLiteral("x")));
        QTest::newRow("both keys write only the cron table") << both << QByteArray() << "" << cronPath << cronBytes({job});
        QTest::newRow("empty cron path") << cron({job}, QStringLiteral("")) << QByteArray() << "Can'n create  file"
                                         << "" << QByteArray();
        QTest::newRow("neither key") << QVariantMap{{QStringLiteral("text"), QStringLiteral("x")}} << QByteArray() << "No arguments."
                                     << "" << QByteArray();
        QTest::newRow("other cron path") << cron({job}, QStringLiteral("/etc/cron.d/evil")) << QByteArray() << "Can'n create /etc/cron.d/evil file"
                                         << "" << QByteArray();
        const QStringList refusedLines = {
            QStringLiteral("* * * * * root rm -rf /"),
            QStringLiteral("* * * * * root warnquota -u; rm -rf /"),
            QStringLiteral("* * * * * root warnquota -u\n* * * * * root sh -c id"),
            QStringLiteral("* * * * * root warnquota -s"),
            QStringLiteral("* * * * * root /usr/bin/warnquota -u"),
            QStringLiteral("* * * * * root warnquota -u #x%id"),
            QStringLiteral("* * * * * root warnquota -u#;id"),
            QStringLiteral("MAILTO=someone"),
            QStringLiteral("0 8 1 * * warnquota"),
            QStringLiteral("MAILTO=X 1 1 1 1 root warnquota -u"),
            QStringLiteral("0 8 1 JAN * root warnquota -u"),
            QStringLiteral("@reboot root warnquota -u"),
            QStringLiteral("0 8 1 * * nobody warnquota -u"),
            QStringLiteral("0 8 1 * * root warnquota -u -q /etc/quotatab"),
            QStringLiteral("0 8 1 * * root warnquota -u `id`"),
            QStringLiteral("0 8 1 * * root warnquota -u>/etc/x"),
        };
        for (const QString &line : refusedLines) {
            QTest::addRow("refused line: %s", qPrintable(line))
                << cron({job, line}) << QByteArray() << QStringLiteral("Can'n create %1 file").arg(cronPath) << "" << QByteArray();
        }

        const QStringList namedFiles = {
            QStringLiteral("--config=/etc/ld.so.preload"),
            QStringLiteral("--config=/etc/cron.d/warnquota"),
            QStringLiteral("--admins-file=/etc/sudoers.d/quota"),
            QStringLiteral("--quota-tab=/tmp/d/quotatab"),
            QStringLiteral("--config=/etc/$(id)"),
            QStringLiteral("--config=etc/relative"),
        };
        const QStringList reasons = {
            QStringLiteral("The name of the file /etc/ld.so.preload does not begin with warnquota"),
            QStringLiteral("The file /etc/cron.d/warnquota is the cron table of the quota notifications"),
            QStringLiteral("The file /etc/sudoers.d/quota is neither in /etc nor in a quota directory of /etc"),
            QStringLiteral("The file /tmp/d/quotatab is neither in /etc nor in a quota directory of /etc"),
            QStringLiteral("The file name /etc/$(id) is not a plain absolute path"),
            QStringLiteral("The file name etc/relative is not a plain absolute path"),
        };
        for (int i = 0; i < namedFiles.size(); ++i) {
            QTest::addRow("job naming a foreign file: %s", qPrintable(namedFiles.at(i)))
                << cron({job, QStringLiteral("0 8 1 * * root warnquota -u ") + namedFiles.at(i)}) << QByteArray() << reasons.at(i) << "" << QByteArray();
        }

        QTest::newRow("default file, text cut at U+0000")
            << conf(QStringLiteral("/etc/quotatab"), QStringLiteral("a\nb") + QChar(0) + QStringLiteral("c")) << QByteArray() << ""
            << "/etc/quotatab" << QByteArray("a\nb");
        QTest::newRow("text written as utf-8 without a line feed")
            << conf(QStringLiteral("/etc/quotagrpadmins"), QStringLiteral("grün: root")) << QByteArray() << ""
            << "/etc/quotagrpadmins" << QByteArray("gr\xc3\xbcn: root");
        const QByteArray onDisk = cronBytes({QStringLiteral("0 8 * * * root warnquota -g --config=/etc/warnquota-wq.conf --quota-tab=/etc/../root/x"),
                                             QStringLiteral("0 9 * * * root warnquota -u --config=/etc/ld.so.preload --admins-file=/etc/warnquota.x")});
        QTest::newRow("file named by a job on disk") << conf(QStringLiteral("/etc/warnquota-wq.conf"), QStringLiteral("text")) << onDisk << ""
                                                     << "/etc/warnquota-wq.conf" << QByteArray("text");
        QTest::newRow("foreign file named by a hand-edited job") << conf(QStringLiteral("/etc/ld.so.preload"), QStringLiteral("/tmp/x.so")) << onDisk
                                                                 << "The name of the file /etc/ld.so.preload does not begin with warnquota"
                                                                 << "" << QByteArray();
        QTest::newRow("file named in the wrong role") << conf(QStringLiteral("/etc/warnquota.x"), QStringLiteral("x")) << onDisk
                                                      << "The name of the file /etc/warnquota.x does not begin with quotagrpadmins"
                                                      << "" << QByteArray();
        QTest::newRow("file named by no job") << conf(QStringLiteral("/etc/shadow"), QStringLiteral("root::0:")) << onDisk << "Can'n create /etc/shadow file"
                                              << "" << QByteArray();
        QTest::newRow("named path with dot-dot") << conf(QStringLiteral("/etc/../root/x"), QStringLiteral("x")) << onDisk
                                                 << "The file name /etc/../root/x is not a plain absolute path"
                                                 << "" << QByteArray();

        // warnquota runs MAIL_CMD through a root shell.
        QTest::newRow("plain MAIL_CMD") << conf(QStringLiteral("/etc/warnquota.conf"), QStringLiteral("MAIL_CMD = \"/bin/true\"")) << QByteArray() << ""
                                        << "/etc/warnquota.conf" << QByteArray("MAIL_CMD = \"/bin/true\"");
        QTest::newRow("MAIL_CMD with shell code") << conf(QStringLiteral("/etc/warnquota.conf"), QStringLiteral("MAIL_CMD = \"/bin/true; id\"")) << QByteArray()
                                                  << "MAIL_CMD /bin/true; id holds more than a program and plain arguments"
                                                  << "" << QByteArray();
        QTest::newRow("MAIL_CMD of a job's configuration") << conf(QStringLiteral("/etc/warnquota-wq.conf"), QStringLiteral("MAIL_CMD = /tmp/x")) << onDisk
                                                           << "The program /tmp/x of MAIL_CMD is not an executable file of root's that only root can change"
                                                           << "" << QByteArray();
        QTest::newRow("MAIL_CMD after the zero character is not written")
            << conf(QStringLiteral("/etc/warnquota.conf"), QStringLiteral("FROM = root\n") + QChar(0) + QStringLiteral("MAIL_CMD = $(id)")) << QByteArray()
            << ""
            << "/etc/warnquota.conf" << QByteArray("FROM = root\n");
        QTest::newRow("MAIL_CMD in the quota table is no setting")
            << conf(QStringLiteral("/etc/quotatab"), QStringLiteral("MAIL_CMD = $(id)")) << QByteArray() << ""
            << "/etc/quotatab" << QByteArray("MAIL_CMD = $(id)");

        // Bounds, judged before anything is read or written.
        QTest::newRow("text of 1 MiB") << conf(QStringLiteral("/etc/quotatab"), QString(1024 * 1024, QLatin1Char('a'))) << QByteArray() << ""
                                       << "/etc/quotatab" << QByteArray(1024 * 1024, 'a');
        QTest::newRow("text above 1 MiB") << conf(QStringLiteral("/etc/quotatab"), QString(1024 * 1024 + 1, QLatin1Char('a'))) << QByteArray()
                                          << "The text for /etc/quotatab is larger than 1 MiB"
                                          << "" << QByteArray();
        QTest::newRow("text above 1 MiB in utf-8") << conf(QStringLiteral("/etc/quotatab"), QString(512 * 1024 + 1, QChar(0xfc))) << QByteArray()
                                                   << "The text for /etc/quotatab is larger than 1 MiB"
                                                   << "" << QByteArray();
        QStringList hundredJobs;
        for (int i = 0; i < 100; ++i) {
            hundredJobs.append(job);
        }
        QTest::newRow("100 jobs") << cron(hundredJobs) << QByteArray() << "" << cronPath << cronBytes(hundredJobs);
        QTest::newRow("101 jobs") << cron(hundredJobs + QStringList{job}) << QByteArray() << "The cron table holds more than 100 jobs"
                                  << "" << QByteArray();
        const QString longJob = job + QString(1024 - job.size() - 2, QLatin1Char(' ')) + QStringLiteral("-u");
        QTest::newRow("job of 1 KiB") << cron({longJob}) << QByteArray() << "" << cronPath << cronBytes({longJob});
        QTest::newRow("job above 1 KiB") << cron({longJob + QLatin1Char(' ')}) << QByteArray() << "A line of the cron table is longer than 1024 bytes"
                                         << "" << QByteArray();
    }

    void write()
    {
        QFETCH(QVariantMap, args);
        QFETCH(QByteArray, cronOnDisk);
        QFETCH(QString, error);
        QFETCH(QString, writtenPath);
        QFETCH(QByteArray, bytes);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        if (!cronOnDisk.isNull()) {
            files.files.insert(cronPath, cronOnDisk);
        }
        // /bin/true of root's, 0755, for MAIL_CMD.
        files.files.insert(QStringLiteral("/bin/true"), QByteArray());
        files.permissions.insert(QStringLiteral("/bin/true"), 0755);
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);

        const KAuth::ActionReply reply = helper.setnotifications(args);
        QCOMPARE(reply.errorDescription(), error);
        QCOMPARE(reply.failed(), !error.isEmpty());
        QCOMPARE(files.replaced, writtenPath.isEmpty() ? QStringList() : QStringList{writtenPath});
        if (!writtenPath.isEmpty()) {
            QCOMPARE(files.files.value(writtenPath), bytes);
        }
        QVERIFY(reply.data().isEmpty());
    }

    void refusedTarget_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("linkedPath");
        QTest::addColumn<FileSystem::EntryKind>("kind");
        QTest::addColumn<QString>("error");

        const QString cronError = QStringLiteral("Can'n create %1 file").arg(cronPath);
        QTest::newRow("cron table is a link") << cronPath << cronPath << FileSystem::SymbolicLink << cronError;
        QTest::newRow("cron directory is a link") << cronPath << "/etc/cron.d" << FileSystem::SymbolicLink << cronError;
        QTest::newRow("configuration file is a link") << "/etc/warnquota.conf"
                                                      << "/etc/warnquota.conf" << FileSystem::SymbolicLink
                                                      << "The path of the file /etc/warnquota.conf passes through the symbolic link /etc/warnquota.conf";
        QTest::newRow("configuration file is a directory") << "/etc/quotatab"
                                                           << "/etc/quotatab" << FileSystem::Directory << "The file /etc/quotatab is not a regular file";
        QTest::newRow("configuration file is a device") << "/etc/quotatab"
                                                        << "/etc/quotatab" << FileSystem::OtherEntry << "The file /etc/quotatab is not a regular file";
    }

    void refusedTarget()
    {
        QFETCH(QString, path);
        QFETCH(QString, linkedPath);
        QFETCH(FileSystem::EntryKind, kind);
        QFETCH(QString, error);
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        files.kinds.insert(linkedPath, kind);
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);

        const KAuth::ActionReply reply = helper.setnotifications(path == cronPath ? cron({}) : conf(path, QStringLiteral("x")));
        QCOMPARE(reply.errorDescription(), error);
        QVERIFY(files.replaced.isEmpty());
    }

    void directoryOfAUser()
    {
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        files.files.insert(QStringLiteral("/etc/quota/quotatab"), "old");
        files.owners.insert(QStringLiteral("/etc/quota"), 1000);
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);

        const QString job = QStringLiteral("0 8 1 * * root warnquota -u --quota-tab=/etc/quota/quotatab");
        QCOMPARE(helper.setnotifications(cron({job})).errorDescription(),
                 QStringLiteral("The directory /etc/quota on the path of the file /etc/quota/quotatab is not owned by root or can be written by others"));
        QVERIFY(files.replaced.isEmpty());
    }

    void failedCommit()
    {
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        files.failReplace = true;
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        QCOMPARE(helper.setnotifications(conf(QStringLiteral("/etc/warnquota.conf"), QStringLiteral("x"))).errorDescription(),
                 QStringLiteral("Can'n create /etc/warnquota.conf file"));
        QCOMPARE(helper.setnotifications(cron({})).errorDescription(), QStringLiteral("Can'n create /etc/cron.d/warnquota file"));
    }

    void newFileMode()
    {
        FakeQuotaKernel kernel;
        FakeProcessRunner processes;
        FakeFileSystem files;
        FakeAuditTrail audit;
        FakeFolderTree folders;
        PolicyKitQuotas helper(kernel, processes, files, folders, audit);
        QVERIFY(!helper.setnotifications(cron({})).failed());
        QCOMPARE(files.modes.value(cronPath), mode_t(0644));
    }
};

QTEST_GUILESS_MAIN(NotificationWriterTest)

#include "notificationwritertest.moc"
