// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/projectfile.h"

#include <QTest>

namespace
{
QStringList flatten(const QList<QPair<QString, QString>> &entries)
{
    QStringList result;
    for (const auto &entry : entries) {
        result.append(entry.first + QLatin1Char('|') + entry.second);
    }
    return result;
}

QStringList flatten(const QList<ProjectFolder> &folders)
{
    QStringList result;
    for (const ProjectFolder &folder : folders) {
        result.append(QString::number(folder.id) + QLatin1Char('|') + folder.name + QLatin1Char('|') + folder.folder);
    }
    return result;
}
}

class ProjectFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entries_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("comments and blank lines are no entries")
            << QByteArray("# projects\n\n   \n  # 10:/srv/old\n10:/srv/alpha\n") << QStringList{QStringLiteral("10|/srv/alpha")};
        QTest::newRow("a line without a colon is no entry") << QByteArray("garbage\n11:/srv/b\n") << QStringList{QStringLiteral("11|/srv/b")};
        QTest::newRow("last line without its line feed") << QByteArray("1:/a\n2:/b") << QStringList{QStringLiteral("1|/a"), QStringLiteral("2|/b")};
        QTest::newRow("carriage returns and blanks around fields")
            << QByteArray(" 3 : /srv/c \r\nalpha:3\r\n") << QStringList{QStringLiteral("3|/srv/c"), QStringLiteral("alpha|3")};
        QTest::newRow("a folder with a colon splits at the first") << QByteArray("4:/srv/a:b\n") << QStringList{QStringLiteral("4|/srv/a:b")};
        QTest::newRow("duplicates are all entries") << QByteArray("5:/x\n5:/y\n5:/x\n")
                                                    << QStringList{QStringLiteral("5|/x"), QStringLiteral("5|/y"), QStringLiteral("5|/x")};
        QTest::newRow("empty fields") << QByteArray(":\n6:\n") << QStringList{QStringLiteral("|"), QStringLiteral("6|")};
        QTest::newRow("bytes that are not UTF-8") << QByteArray("7:/srv/\xff\xfe\n\0\n", 12) << QStringList{QStringLiteral("7|/srv/\ufffd\ufffd")};
    }

    void entries()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, entries);
        const ProjectFile file(content);
        QCOMPARE(flatten(file.entries()), entries);
        // Read and written back untouched, whatever it holds.
        QCOMPARE(file.content(), content);
    }

    void edits_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QByteArray>("expected");
        // field -1: append "value:x" instead of removing.
        QTest::newRow("append to no file") << QByteArray() << -1 << QStringLiteral("12") << 0 << QByteArray("12:x\n");
        QTest::newRow("append after a last line without line feed")
            << QByteArray("# mine\n1:/a") << -1 << QStringLiteral("12") << 0 << QByteArray("# mine\n1:/a\n12:x\n");
        QTest::newRow("append keeps comments and blanks") << QByteArray("# c\n\n1:/a\n") << -1 << QStringLiteral("2") << 0 << QByteArray("# c\n\n1:/a\n2:x\n");
        QTest::newRow("remove by id keeps every other line")
            << QByteArray("# c\n1:/a\n\n2:/b\r\nnonsense\n3:/c") << 0 << QStringLiteral("2") << 1 << QByteArray("# c\n1:/a\n\nnonsense\n3:/c");
        QTest::newRow("remove takes every duplicate") << QByteArray("2:/b\n1:/a\n 2 :/other\n") << 0 << QStringLiteral("2") << 2 << QByteArray("1:/a\n");
        QTest::newRow("remove by the second field") << QByteArray("alpha:7\nbeta:8\ngamma:7\n") << 1 << QStringLiteral("7") << 2 << QByteArray("beta:8\n");
        QTest::newRow("the other field is not looked at") << QByteArray("7:8\n") << 1 << QStringLiteral("7") << 0 << QByteArray("7:8\n");
        QTest::newRow("a commented entry stays") << QByteArray("#7:/a\n") << 0 << QStringLiteral("7") << 0 << QByteArray("#7:/a\n");
        QTest::newRow("another number is another id") << QByteArray("70:/a\n") << 0 << QStringLiteral("7") << 0 << QByteArray("70:/a\n");
    }

    void edits()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(int, removed);
        QFETCH(QByteArray, expected);
        ProjectFile file(content);
        if (field < 0) {
            file.append(value, QStringLiteral("x"));
        } else {
            QCOMPARE(file.removeEntries(field, value), removed);
        }
        QCOMPARE(file.content(), expected);
    }

    void folders_data()
    {
        QTest::addColumn<QByteArray>("projects");
        QTest::addColumn<QByteArray>("projid");
        QTest::addColumn<QStringList>("folders");
        QTest::newRow("no files") << QByteArray() << QByteArray() << QStringList();
        QTest::newRow("named folders in file order") << QByteArray("# x\n20:/srv/b\n10:/srv/a\n") << QByteArray("a:10\nb:20\n")
                                                     << QStringList{QStringLiteral("20|b|/srv/b"), QStringLiteral("10|a|/srv/a")};
        QTest::newRow("an id without a name") << QByteArray("10:/srv/a\n") << QByteArray("other:11\n") << QStringList{QStringLiteral("10||/srv/a")};
        QTest::newRow("a name without an id is no folder") << QByteArray() << QByteArray("lonely:12\n") << QStringList();
        QTest::newRow("an id without a folder is no folder") << QByteArray("13:\n") << QByteArray("empty:13\n") << QStringList();
        QTest::newRow("two folders of one project") << QByteArray("14:/a\n14:/b\n") << QByteArray("both:14\n")
                                                    << QStringList{QStringLiteral("14|both|/a"), QStringLiteral("14|both|/b")};
        QTest::newRow("the first of two names") << QByteArray("15:/a\n") << QByteArray("first:15\nsecond:15\n") << QStringList{QStringLiteral("15|first|/a")};
        QTest::newRow("ids are numbers, not texts") << QByteArray("016:/a\n") << QByteArray("n:16\n") << QStringList{QStringLiteral("16|n|/a")};
        QTest::newRow("ids that are no 32-bit number")
            << QByteArray("x:/a\n-1:/b\n4294967296:/c\n4294967295:/d\n") << QByteArray("d:4294967295\n") << QStringList{QStringLiteral("4294967295|d|/d")};
    }

    void folders()
    {
        QFETCH(QByteArray, projects);
        QFETCH(QByteArray, projid);
        QFETCH(QStringList, folders);
        QCOMPARE(flatten(ProjectFile::folders(ProjectFile(projects), ProjectFile(projid))), folders);
    }
};

QTEST_GUILESS_MAIN(ProjectFileTest)

#include "projectfiletest.moc"
