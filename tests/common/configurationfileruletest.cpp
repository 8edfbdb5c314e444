// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/configurationfilerule.h"
#include "common/pathinspector.h"

#include <QHash>
#include <QTest>

namespace
{
// Directories /, /etc and /etc/quota of root, 0755; everything else missing
// unless set.
class FakeInspector : public PathInspector
{
public:
    PathEntry inspect(const QString &path) override
    {
        if (entries.contains(path)) {
            return entries.value(path);
        }
        PathEntry entry;
        if (path == QLatin1String("/") || path == QLatin1String("/etc") || path == QLatin1String("/etc/quota") || path == QLatin1String("/etc/sudoers.d")) {
            entry.kind = PathEntry::Directory;
            entry.mode = 0755;
        }
        return entry;
    }

    QHash<QString, PathEntry> entries;
};

PathEntry entry(PathEntry::Kind kind, uint owner, uint mode)
{
    PathEntry result;
    result.kind = kind;
    result.owner = owner;
    result.mode = mode;
    return result;
}
}

Q_DECLARE_METATYPE(ConfigFileRoleId)
Q_DECLARE_METATYPE(PathEntry)

class ConfigurationFileRuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<ConfigFileRoleId>("role");
        QTest::addColumn<QString>("changedPath");
        QTest::addColumn<PathEntry>("changedEntry");
        QTest::addColumn<QString>("reason");

        const PathEntry none;
        const QString notPlain = QStringLiteral("The file name %1 is not a plain absolute path");
        const QString misplaced = QStringLiteral("The file %1 is neither in /etc nor in a quota directory of /etc");

        QTest::newRow("default configuration file") << "/etc/warnquota.conf" << WarnquotaConfRole << "" << none << "";
        QTest::newRow("default quota tab") << "/etc/quotatab" << QuotaTabRole << "" << none << "";
        QTest::newRow("default admins file") << "/etc/quotagrpadmins" << GroupAdminsRole << "" << none << "";
        QTest::newRow("configuration of another team") << "/etc/warnquota-staff.conf" << WarnquotaConfRole << "" << none << "";
        QTest::newRow("quota tab in a quota directory") << "/etc/quota/quotatab.local" << QuotaTabRole << "" << none << "";
        QTest::newRow("existing file of root") << "/etc/warnquota.conf" << WarnquotaConfRole << "/etc/warnquota.conf" << entry(PathEntry::RegularFile, 0, 0600)
                                               << "";

        QTest::newRow("loader preload list") << "/etc/ld.so.preload" << WarnquotaConfRole << "" << none
                                             << "The name of the file /etc/ld.so.preload does not begin with warnquota";
        QTest::newRow("quota tab named as configuration")
            << "/etc/quotatab" << WarnquotaConfRole << "" << none << "The name of the file /etc/quotatab does not begin with warnquota";
        QTest::newRow("the cron table itself") << "/etc/cron.d/warnquota" << WarnquotaConfRole << "" << none
                                               << "The file /etc/cron.d/warnquota is the cron table of the quota notifications";
        QTest::newRow("sudoers drop-in") << "/etc/sudoers.d/quota" << GroupAdminsRole << "" << none << misplaced.arg(QStringLiteral("/etc/sudoers.d/quota"));
        QTest::newRow("well named file in a drop-in directory")
            << "/etc/sudoers.d/warnquota" << WarnquotaConfRole << "" << none << misplaced.arg(QStringLiteral("/etc/sudoers.d/warnquota"));
        QTest::newRow("outside /etc") << "/tmp/d/quotatab" << QuotaTabRole << "" << none << misplaced.arg(QStringLiteral("/tmp/d/quotatab"));
        QTest::newRow("/etc itself") << "/etc" << QuotaTabRole << "" << none << misplaced.arg(QStringLiteral("/etc"));
        QTest::newRow("dot-dot out of /etc") << "/etc/../root/warnquota" << WarnquotaConfRole << "" << none
                                             << notPlain.arg(QStringLiteral("/etc/../root/warnquota"));
        QTest::newRow("relative") << "etc/warnquota.conf" << WarnquotaConfRole << "" << none << notPlain.arg(QStringLiteral("etc/warnquota.conf"));
        QTest::newRow("empty") << "" << WarnquotaConfRole << "" << none << notPlain.arg(QString());
        QTest::newRow("shell word") << "/etc/warnquota$(id)" << WarnquotaConfRole << "" << none << notPlain.arg(QStringLiteral("/etc/warnquota$(id)"));
        QTest::newRow("blank") << "/etc/warnquota x" << WarnquotaConfRole << "" << none << notPlain.arg(QStringLiteral("/etc/warnquota x"));
        QTest::newRow("double slash") << "/etc//warnquota.conf" << WarnquotaConfRole << "" << none << notPlain.arg(QStringLiteral("/etc//warnquota.conf"));
        QTest::newRow("hidden file") << "/etc/.warnquota" << WarnquotaConfRole << "" << none << notPlain.arg(QStringLiteral("/etc/.warnquota"));

        QTest::newRow("file is a link") << "/etc/warnquota.conf" << WarnquotaConfRole << "/etc/warnquota.conf" << entry(PathEntry::SymbolicLink, 0, 0777)
                                        << "The path of the file /etc/warnquota.conf passes through the symbolic link /etc/warnquota.conf";
        QTest::newRow("directory is a link") << "/etc/quota/quotatab" << QuotaTabRole << "/etc/quota" << entry(PathEntry::SymbolicLink, 0, 0777)
                                             << "The path of the file /etc/quota/quotatab passes through the symbolic link /etc/quota";
        QTest::newRow("directory of a user")
            << "/etc/quota/quotatab" << QuotaTabRole << "/etc/quota" << entry(PathEntry::Directory, 1000, 0755)
            << "The directory /etc/quota on the path of the file /etc/quota/quotatab is not owned by root or can be written by others";
        QTest::newRow("group writable directory")
            << "/etc/quota/quotatab" << QuotaTabRole << "/etc/quota" << entry(PathEntry::Directory, 0, 0775)
            << "The directory /etc/quota on the path of the file /etc/quota/quotatab is not owned by root or can be written by others";
        QTest::newRow("world writable root directory")
            << "/etc/quotatab" << QuotaTabRole << "/" << entry(PathEntry::Directory, 0, 01777)
            << "The directory / on the path of the file /etc/quotatab is not owned by root or can be written by others";
        QTest::newRow("missing quota directory") << "/etc/quotas/quotatab" << QuotaTabRole << "" << none
                                                 << "The directory /etc/quotas on the path of the file /etc/quotas/quotatab does not exist";
        QTest::newRow("file is a directory") << "/etc/quotatab" << QuotaTabRole << "/etc/quotatab" << entry(PathEntry::Directory, 0, 0755)
                                             << "The file /etc/quotatab is not a regular file";
        QTest::newRow("file is a fifo") << "/etc/quotatab" << QuotaTabRole << "/etc/quotatab" << entry(PathEntry::OtherEntry, 0, 0644)
                                        << "The file /etc/quotatab is not a regular file";
    }

    void check()
    {
        QFETCH(QString, path);
        QFETCH(ConfigFileRoleId, role);
        QFETCH(QString, changedPath);
        QFETCH(PathEntry, changedEntry);
        QFETCH(QString, reason);
        FakeInspector inspector;
        if (!changedPath.isEmpty()) {
            inspector.entries.insert(changedPath, changedEntry);
        }
        QCOMPARE(ConfigurationFileRule(inspector).check(path, role), reason);
    }

    void checkAnyRole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");

        QTest::newRow("configuration") << "/etc/warnquota.staff"
                                       << "";
        QTest::newRow("admins") << "/etc/quotagrpadmins-2"
                                << "";
        QTest::newRow("quota tab in its directory") << "/etc/quota/quotatab"
                                                    << "";
        QTest::newRow("password file") << "/etc/shadow"
                                       << "The name of the file /etc/shadow begins with none of warnquota, quotagrpadmins and quotatab";
        QTest::newRow("cron table") << "/etc/cron.d/warnquota"
                                    << "The file /etc/cron.d/warnquota is the cron table of the quota notifications";
    }

    void checkAnyRole()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        FakeInspector inspector;
        QCOMPARE(ConfigurationFileRule(inspector).checkAnyRole(path), reason);
    }
};

QTEST_GUILESS_MAIN(ConfigurationFileRuleTest)

#include "configurationfileruletest.moc"
