// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/mailcommandrule.h"
#include "common/pathinspector.h"

#include <QHash>
#include <QTest>

namespace
{
PathEntry entry(PathEntry::Kind kind, uint owner, uint mode)
{
    PathEntry result;
    result.kind = kind;
    result.owner = owner;
    result.mode = mode;
    return result;
}

// A Debian 12 root: /bin is a link to usr/bin, sendmail a link to exim4.
class FakeInspector : public PathInspector
{
public:
    FakeInspector()
    {
        for (const char *directory : {"/", "/usr", "/usr/bin", "/usr/sbin", "/tmp/x"}) {
            entries.insert(QString::fromLatin1(directory), entry(PathEntry::Directory, 0, 0755));
        }
        entries.insert(QStringLiteral("/tmp"), entry(PathEntry::Directory, 0, 01777));
        entries.insert(QStringLiteral("/bin"), entry(PathEntry::SymbolicLink, 0, 0777));
        links.insert(QStringLiteral("/bin"), QStringLiteral("usr/bin"));
        entries.insert(QStringLiteral("/usr/bin/true"), entry(PathEntry::RegularFile, 0, 0755));
        entries.insert(QStringLiteral("/usr/sbin/exim4"), entry(PathEntry::RegularFile, 0, 04755));
        entries.insert(QStringLiteral("/usr/sbin/sendmail"), entry(PathEntry::SymbolicLink, 0, 0777));
        links.insert(QStringLiteral("/usr/sbin/sendmail"), QStringLiteral("exim4"));
    }

    PathEntry inspect(const QString &path) override
    {
        return entries.value(path);
    }

    QString linkTarget(const QString &path) override
    {
        return links.value(path);
    }

    QHash<QString, PathEntry> entries;
    QHash<QString, QString> links;
};
}

class MailCommandRuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void check_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("reason");

        const QString words = QStringLiteral("MAIL_CMD %1 holds more than a program and plain arguments");
        const QString program = QStringLiteral("The program %1 of MAIL_CMD is not an executable file of root's that only root can change");
        QTest::newRow("a plain program") << "MAIL_CMD = \"/bin/true\""
                                         << ""
                                         << "";
        QTest::newRow("sendmail through its link, with an option") << "MAIL_CMD = \"/usr/sbin/sendmail -t -oi\""
                                                                   << ""
                                                                   << "";
        QTest::newRow("no MAIL_CMD at all") << "FROM = root@example.com\nSUBJECT = Over quota $USER"
                                            << ""
                                            << "";
        QTest::newRow("commented shell code") << "# MAIL_CMD = \"sh -c id\"\n;MAIL_CMD = $(id)\nMAIL_CMD = /bin/true"
                                              << ""
                                              << "";
        QTest::newRow("command substitution") << "MAIL_CMD = /bin/true $(id)"
                                              << "" << words.arg(QStringLiteral("/bin/true $(id)"));
        QTest::newRow("backquote") << "MAIL_CMD = /bin/true `id`"
                                   << "" << words.arg(QStringLiteral("/bin/true `id`"));
        QTest::newRow("separator") << "MAIL_CMD = /bin/true; id"
                                   << "" << words.arg(QStringLiteral("/bin/true; id"));
        QTest::newRow("redirection") << "MAIL_CMD = /bin/true >/etc/x"
                                     << "" << words.arg(QStringLiteral("/bin/true >/etc/x"));
        QTest::newRow("pipe") << "MAIL_CMD = /bin/true | id"
                              << "" << words.arg(QStringLiteral("/bin/true | id"));
        QTest::newRow("variable") << "MAIL_CMD = /bin/true $HOME"
                                  << "" << words.arg(QStringLiteral("/bin/true $HOME"));
        QTest::newRow("separator on a continued line") << "MAIL_CMD = /bin/true \\\n&& id"
                                                       << "" << words.arg(QStringLiteral("/bin/true && id"));
        QTest::newRow("second MAIL_CMD") << "MAIL_CMD = /bin/true\nMAIL_CMD = id"
                                         << "" << QStringLiteral("The program id of MAIL_CMD is not an absolute path");
        QTest::newRow("other case") << "mail_cmd = /bin/true&id"
                                    << "" << words.arg(QStringLiteral("/bin/true&id"));
        QTest::newRow("empty") << "MAIL_CMD ="
                               << "" << words.arg(QString());
        QTest::newRow("relative program") << "MAIL_CMD = sendmail -t"
                                          << "" << QStringLiteral("The program sendmail of MAIL_CMD is not an absolute path");
        QTest::newRow("missing program") << "MAIL_CMD = /usr/bin/none"
                                         << "" << program.arg(QStringLiteral("/usr/bin/none"));
        QTest::newRow("program of another user") << "MAIL_CMD = /usr/bin/true"
                                                 << "owner" << program.arg(QStringLiteral("/usr/bin/true"));
        QTest::newRow("program others can write") << "MAIL_CMD = /usr/bin/true"
                                                  << "writable" << program.arg(QStringLiteral("/usr/bin/true"));
        QTest::newRow("not executable") << "MAIL_CMD = /usr/bin/true"
                                        << "not executable" << program.arg(QStringLiteral("/usr/bin/true"));
        QTest::newRow("in a directory anyone can write") << "MAIL_CMD = /tmp/true"
                                                         << "in tmp" << program.arg(QStringLiteral("/tmp/true"));
        QTest::newRow("through a user's link") << "MAIL_CMD = /usr/sbin/sendmail"
                                               << "user link" << program.arg(QStringLiteral("/usr/sbin/sendmail"));
        QTest::newRow("a directory is no program") << "MAIL_CMD = /usr/bin"
                                                   << "" << program.arg(QStringLiteral("/usr/bin"));
        QTest::newRow("dot-dot out of a root directory") << "MAIL_CMD = /usr/bin/../../tmp/x/true"
                                                         << "in tmp" << program.arg(QStringLiteral("/usr/bin/../../tmp/x/true"));
        QTest::newRow("line too long for warnquota") << QStringLiteral("X = %1MAIL_CMD = id").arg(QString(1000, QLatin1Char('a'))) << ""
                                                     << "Line 1 of the warnquota configuration is longer than 1000 bytes";
        QTest::newRow("line of 1000 bytes") << QStringLiteral("X = %1").arg(QString(996, QLatin1Char('a'))) << ""
                                            << "";
        QTest::newRow("joined line too long") << QStringLiteral("X = %1\\\n%1").arg(QString(600, QLatin1Char('a'))) << ""
                                              << "Line 1 of the warnquota configuration is longer than 1000 bytes";
    }

    void check()
    {
        QFETCH(QString, text);
        QFETCH(QString, change);
        QFETCH(QString, reason);
        FakeInspector inspector;
        if (change == QLatin1String("owner")) {
            inspector.entries[QStringLiteral("/usr/bin/true")].owner = 1000;
        } else if (change == QLatin1String("writable")) {
            inspector.entries[QStringLiteral("/usr/bin/true")].mode = 0757;
        } else if (change == QLatin1String("not executable")) {
            inspector.entries[QStringLiteral("/usr/bin/true")].mode = 0644;
        } else if (change == QLatin1String("in tmp")) {
            inspector.entries.insert(QStringLiteral("/tmp/true"), entry(PathEntry::RegularFile, 0, 0755));
            inspector.entries.insert(QStringLiteral("/tmp/x/true"), entry(PathEntry::RegularFile, 0, 0755));
        } else if (change == QLatin1String("user link")) {
            inspector.entries[QStringLiteral("/usr/sbin/sendmail")].owner = 1000;
        }
        QCOMPARE(MailCommandRule(inspector).check(text), reason);
    }
};

QTEST_GUILESS_MAIN(MailCommandRuleTest)

#include "mailcommandruletest.moc"
