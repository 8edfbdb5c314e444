// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs in the VM as an ordinary user, like the panel: saves notification
// snapshots through the real helper and reads them back from the system.

#include "plugin/notifications/cronmanager.h"
#include "plugin/notifications/notificationsdata.h"
#include "plugin/notifications/notificationsmanager.h"

#include <QFile>
#include <QTest>

namespace
{
// The scenario puts a mail recorder here and runs the daily task's command.
const QString mailConfigPath = QStringLiteral("/etc/warnquota-kcmq.conf");
const QString mailConfig = QStringLiteral(
    "MAIL_CMD = \"/run/kcmq/notifications/mail-stub\"\n"
    "FROM = \"root@localhost\"\n"
    "SUBJECT = Quota warning from the panel\n"
    "MESSAGE = Your disk usage is over the limit.|\n"
    "SIGNATURE = The administrator\n");

WarnquotaJob task(const QString &time, bool users, bool groups, const QString &config)
{
    WarnquotaJob job;
    job.time = CronManager::stringToCronTime(time);
    job.user = QStringLiteral("root");
    job.users = users;
    job.groups = groups;
    job.config = config;
    job.adminsFile = QStringLiteral("/etc/quotagrpadmins");
    job.quotaTab = QStringLiteral("/etc/quotatab");
    return job;
}

QString describe(const WarnquotaJob &job)
{
    return QStringLiteral("%1 %2 users=%3 groups=%4 %5 %6 %7")
        .arg(CronManager::cronTimeToString(job.time), job.user)
        .arg(job.users)
        .arg(job.groups)
        .arg(job.config, job.adminsFile, job.quotaTab);
}

QStringList describe(const QList<WarnquotaJob> &jobs)
{
    QStringList result;
    for (const WarnquotaJob &job : jobs) {
        result.append(describe(job));
    }
    return result;
}
}

class NotificationsSystemTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savedSnapshotReadsBack()
    {
        NotificationsManager manager(nullptr);
        QStringList errors;
        connect(&manager, &NotificationsManager::error, this, [&errors](const QString &message) {
            errors.append(message);
        });
        QList<NotificationsData *> announced;
        connect(&manager, &NotificationsManager::dataChanged, this, [&announced](NotificationsData *data) {
            announced.append(data);
        });

        NotificationsData data(nullptr);
        data.appendJobs(task(QStringLiteral("5 8 * * *"), true, false, mailConfigPath));
        data.appendJobs(task(QStringLiteral("0 6 15 * *"), false, true, QStringLiteral("/etc/warnquota.conf")));
        data.setFileText(mailConfigPath, mailConfig);
        data.setFileText(QStringLiteral("/etc/warnquota.conf"), QStringLiteral("MAIL_CMD = \"/bin/true\"\n"));
        data.setFileText(QStringLiteral("/etc/quotatab"), QStringLiteral("# Gerätebeschreibungen\n"));
        data.setFileText(QStringLiteral("/etc/quotagrpadmins"), QString());

        QVERIFY2(manager.setNotificationsSettings(&data), qPrintable(errors.join(QLatin1Char('\n'))));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        QCOMPARE(announced.size(), 1);

        for (NotificationsData *read : {announced.first(), manager.notificationsSettings()}) {
            QCOMPARE(describe(read->cronJobs()), describe(data.cronJobs()));
            const QHash<QString, QString> texts = data.files();
            for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
                QCOMPARE(read->files().value(it.key()), it.value());
            }
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    }

    void unwritableTaskFileIsReported()
    {
        NotificationsManager manager(nullptr);
        QStringList errors;
        connect(&manager, &NotificationsManager::error, this, [&errors](const QString &message) {
            errors.append(message);
        });

        // The helper refuses a file outside /etc for a task at all: neither
        // the cron table naming it nor its text is written, the other texts
        // are.
        const QString refusedFile = QStringLiteral("/nonexistent-kcmq/warnquota.conf");
        NotificationsData *before = manager.notificationsSettings();
        NotificationsData data(nullptr);
        data.appendJobs(task(QStringLiteral("0 22 * * *"), true, true, refusedFile));
        data.setFileText(refusedFile, QStringLiteral("MAIL_CMD = \"/bin/true\"\n"));
        data.setFileText(QStringLiteral("/etc/quotatab"), QStringLiteral("# still written\n"));

        QVERIFY(!manager.setNotificationsSettings(&data));
        QCOMPARE(errors,
                 (QStringList{QStringLiteral("The file %1 is neither in /etc nor in a quota directory of /etc").arg(refusedFile),
                              QStringLiteral("Can'n create %1 file").arg(refusedFile)}));

        errors.clear();
        NotificationsData *read = manager.notificationsSettings();
        QCOMPARE(describe(read->cronJobs()), describe(before->cronJobs()));
        QCOMPARE(read->files().value(QStringLiteral("/etc/quotatab")), QStringLiteral("# still written\n"));
        QVERIFY(!QFile::exists(refusedFile));
    }
};

QTEST_GUILESS_MAIN(NotificationsSystemTest)

#include "notificationssystemtest.moc"
