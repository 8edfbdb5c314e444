// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/fstabrewriter.h"

#include <QTest>

namespace
{
const QStringList blkidLines = {
    QStringLiteral("/dev/sda1: UUID=\"1111-AAAA\" TYPE=\"ext4\" PARTUUID=\"p1\""),
    QStringLiteral("/dev/sda10: UUID=\"aaaa\" TYPE=\"ext4\""),
    QStringLiteral("/dev/sdb1: LABEL=\"my disk\" UUID=\"2222\" TYPE=\"ext4\""),
    QString(),
};
const QStringList quotaOptions = {QStringLiteral("defaults"), QStringLiteral("usrquota")};
}

class FstabRewriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rewrite_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("changedEntries");

        QTest::newRow("uuid entry keeps its first field") << QByteArray("UUID=1111-AAAA / ext4 errors=remount-ro 0 1\n") << "/dev/sda1" << quotaOptions
                                                          << QByteArray("UUID=1111-AAAA / ext4 defaults,usrquota 0 1\n") << 1;
        QTest::newRow("quoted uuid entry") << QByteArray("UUID=\"1111-AAAA\" / ext4 rw 0 1\n") << "/dev/sda1" << quotaOptions
                                           << QByteArray("UUID=\"1111-AAAA\" / ext4 defaults,usrquota 0 1\n") << 1;
        QTest::newRow("two entries both change") << QByteArray("/dev/sda1 /a ext4 rw 0 2\nUUID=1111-AAAA /b ext4 ro 0 2\n") << "/dev/sda1" << quotaOptions
                                                 << QByteArray("/dev/sda1 /a ext4 defaults,usrquota 0 2\nUUID=1111-AAAA /b ext4 defaults,usrquota 0 2\n") << 2;
        QTest::newRow("empty options write defaults") << QByteArray("/dev/sda1 / ext4 usrquota 0 1\n") << "/dev/sda1" << QStringList()
                                                      << QByteArray("/dev/sda1 / ext4 defaults 0 1\n") << 1;
        QTest::newRow("unknown device changes nothing")
            << QByteArray("/dev/sda1 / ext4 rw 0 1\n") << "/dev/sdc1" << quotaOptions << QByteArray("/dev/sda1 / ext4 rw 0 1\n") << 0;
        QTest::newRow("tag missing from blkid keeps its options")
            << QByteArray("UUID=9999 /x ext4 rw 0 2\n/dev/sdb1 /y ext4 rw 0 2\n") << "/dev/sdb1" << quotaOptions
            << QByteArray("UUID=9999 /x ext4 rw 0 2\n/dev/sdb1 /y ext4 defaults,usrquota 0 2\n") << 1;
        QTest::newRow("longer device name is another device")
            << QByteArray("/dev/sda10 /data ext4 rw 0 2\n") << "/dev/sda1" << quotaOptions << QByteArray("/dev/sda10 /data ext4 rw 0 2\n") << 0;
        QTest::newRow("comments, blank lines and spacing survive")
            << QByteArray("# <file system> <mount point>\n\n   # indented\n/dev/sda1\t/\text4\trw\t0\t1   \nproc  /proc  proc  defaults  0  0\n") << "/dev/sda1"
            << quotaOptions
            << QByteArray("# <file system> <mount point>\n\n   # indented\n/dev/sda1\t/\text4\tdefaults,usrquota\t0\t1   \nproc  /proc  proc  defaults  0  0\n")
            << 1;
        QTest::newRow("commented entry of the device stays")
            << QByteArray("#/dev/sda1 / ext4 rw 0 1\n") << "/dev/sda1" << quotaOptions << QByteArray("#/dev/sda1 / ext4 rw 0 1\n") << 0;
        QTest::newRow("escaped label in the first field") << QByteArray("LABEL=my\\040disk /srv ext4 rw 0 2\n") << "/dev/sdb1" << quotaOptions
                                                          << QByteArray("LABEL=my\\040disk /srv ext4 defaults,usrquota 0 2\n") << 1;
        QTest::newRow("blank, tab, line feed and backslash are escaped")
            << QByteArray("/dev/sda1 / ext4 rw 0 1\n") << "/dev/sda1" << QStringList{QStringLiteral("x-name=a b\tc\nd\\e")}
            << QByteArray("/dev/sda1 / ext4 x-name=a\\040b\\011c\\012d\\134e 0 1\n") << 1;
        QTest::newRow("entry without dump and pass") << QByteArray("/dev/sda1 / ext4 rw\n") << "/dev/sda1" << quotaOptions
                                                     << QByteArray("/dev/sda1 / ext4 defaults,usrquota\n") << 1;
        QTest::newRow("entry without options") << QByteArray("/dev/sda1 / ext4\n") << "/dev/sda1" << quotaOptions
                                               << QByteArray("/dev/sda1 / ext4  defaults,usrquota\n") << 1;
        QTest::newRow("last line without line feed") << QByteArray("/dev/sda1 / ext4 rw 0 1") << "/dev/sda1" << quotaOptions
                                                     << QByteArray("/dev/sda1 / ext4 defaults,usrquota 0 1") << 1;
    }

    void rewrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, device);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, after);
        QFETCH(int, changedEntries);
        int changed = -1;
        QCOMPARE(FstabRewriter(blkidLines).rewrite(before, device, options, changed), after);
        QCOMPARE(changed, changedEntries);
    }

    void decodeField_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");

        QTest::newRow("plain") << QByteArray("/dev/sda1") << "/dev/sda1";
        QTest::newRow("four escapes") << QByteArray("a\\040b\\011c\\012d\\134e") << "a b\tc\nd\\e";
        QTest::newRow("double backslash") << QByteArray("a\\\\b") << "a\\b";
        QTest::newRow("unknown escape stays") << QByteArray("a\\041b") << "a\\041b";
        QTest::newRow("trailing backslash stays") << QByteArray("a\\") << "a\\";
        QTest::newRow("utf-8") << QByteArray("LABEL=K\xc3\xbc\x63he") << u8"LABEL=Küche";
    }

    void decodeField()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QCOMPARE(FstabRewriter::decodeField(field), text);
    }
};

QTEST_GUILESS_MAIN(FstabRewriterTest)

#include "fstabrewritertest.moc"
