// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/warnquotaconfigreader.h"

#include <QTest>

class WarnquotaConfigReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QString>("text");
        // "NAME|value|line" per setting.
        QTest::addColumn<QStringList>("settings");

        QTest::newRow("plain") << "MAIL_CMD = /bin/true\n" << QStringList{QStringLiteral("MAIL_CMD|/bin/true|1")};
        QTest::newRow("quotes taken off") << "MAIL_CMD = \"/usr/sbin/sendmail -t\"" << QStringList{QStringLiteral("MAIL_CMD|/usr/sbin/sendmail -t|1")};
        QTest::newRow("one quote stays") << "SUBJECT = \"Quota" << QStringList{QStringLiteral("SUBJECT|\"Quota|1")};
        QTest::newRow("blanks and tabs trimmed") << "  MAIL_CMD \t=\t /bin/true  \t" << QStringList{QStringLiteral("MAIL_CMD|/bin/true|1")};
        QTest::newRow("no blanks") << "MAIL_CMD=/bin/true" << QStringList{QStringLiteral("MAIL_CMD|/bin/true|1")};
        QTest::newRow("hash comment") << "# MAIL_CMD = /bin/sh\nFROM = root" << QStringList{QStringLiteral("FROM|root|2")};
        QTest::newRow("semicolon comment") << ";MAIL_CMD = /bin/sh" << QStringList();
        // warnquota only looks at the first character.
        QTest::newRow("indented hash is no comment") << " # X = y" << QStringList{QStringLiteral("# X|y|1")};
        QTest::newRow("continuation joins the next line") << "MAIL_CMD = /bin/true \\\n; id" << QStringList{QStringLiteral("MAIL_CMD|/bin/true ; id|1")};
        QTest::newRow("continued line cannot start a comment")
            << "X = a\\\n# MAIL_CMD = b\nY = c" << QStringList{QStringLiteral("X|a# MAIL_CMD = b|1"), QStringLiteral("Y|c|3")};
        QTest::newRow("name split over a continuation") << "MAIL_\\\nCMD = /bin/sh" << QStringList{QStringLiteral("MAIL_CMD|/bin/sh|1")};
        QTest::newRow("backslash on the last line") << "MAIL_CMD = /bin/true\\" << QStringList{QStringLiteral("MAIL_CMD|/bin/true|1")};
        QTest::newRow("first '=' splits") << "MESSAGE = a=b" << QStringList{QStringLiteral("MESSAGE|a=b|1")};
        QTest::newRow("line without '='") << "MAIL_CMD /bin/sh\n\n" << QStringList();
        QTest::newRow("crlf") << "FROM = root\r\n" << QStringList{QStringLiteral("FROM|root|1")};
    }

    void read()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, settings);
        QStringList actual;
        for (const auto &setting : WarnquotaConfigReader::read(text)) {
            actual.append(QStringLiteral("%1|%2|%3").arg(setting.name, setting.value).arg(setting.line));
        }
        QCOMPARE(actual, settings);
    }
};

QTEST_GUILESS_MAIN(WarnquotaConfigReaderTest)

#include "warnquotaconfigreadertest.moc"
