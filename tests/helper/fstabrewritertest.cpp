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
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("add");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("matchedEntries");

        const QString usr = QStringLiteral("usrquota");
        QTest::newRow("uuid entry keeps its first field") << QByteArray("UUID=1111-AAAA / ext4 errors=remount-ro 0 1\n") << "/dev/sda1" << usr << true
                                                          << QByteArray("UUID=1111-AAAA / ext4 errors=remount-ro,usrquota 0 1\n") << 1;
        QTest::newRow("quoted uuid entry") << QByteArray("UUID=\"1111-AAAA\" / ext4 rw 0 1\n") << "/dev/sda1" << usr << true
                                           << QByteArray("UUID=\"1111-AAAA\" / ext4 rw,usrquota 0 1\n") << 1;
        // The second entry must not take the first one's options: losing
        // "nofail" can stop the next boot.
        QTest::newRow("two entries keep their own options")
            << QByteArray("/dev/sda1 /a ext4 rw 0 2\nUUID=1111-AAAA /b ext4 ro,noauto,nofail 0 2\n") << "/dev/sda1" << usr << true
            << QByteArray("/dev/sda1 /a ext4 rw,usrquota 0 2\nUUID=1111-AAAA /b ext4 ro,noauto,nofail,usrquota 0 2\n") << 2;
        QTest::newRow("entry that has the option stays") << QByteArray("/dev/sda1 /a ext4 rw 0 2\n/dev/sda1 /b ext4 usrquota,ro 0 2\n") << "/dev/sda1" << usr
                                                         << true << QByteArray("/dev/sda1 /a ext4 rw,usrquota 0 2\n/dev/sda1 /b ext4 usrquota,ro 0 2\n") << 2;
        QTest::newRow("removed from each entry, every copy")
            << QByteArray("/dev/sda1 /a ext4 usrquota,rw,usrquota 0 2\n/dev/sda1 /b ext4 ro,usrquota,nofail 0 2\n") << "/dev/sda1" << usr << false
            << QByteArray("/dev/sda1 /a ext4 rw 0 2\n/dev/sda1 /b ext4 ro,nofail 0 2\n") << 2;
        QTest::newRow("removing the only option writes defaults")
            << QByteArray("/dev/sda1 / ext4 usrquota 0 1\n") << "/dev/sda1" << usr << false << QByteArray("/dev/sda1 / ext4 defaults 0 1\n") << 1;
        QTest::newRow("removing the option before a trailing comma writes defaults, not an empty field")
            << QByteArray("/dev/sda1 / ext4 usrquota, 0 1\n") << "/dev/sda1" << usr << false << QByteArray("/dev/sda1 / ext4 defaults 0 1\n") << 1;
        QTest::newRow("grpquota beside usrquota is another option")
            << QByteArray("/dev/sda1 / ext4 usrquota,grpquota 0 1\n") << "/dev/sda1" << QStringLiteral("grpquota") << false
            << QByteArray("/dev/sda1 / ext4 usrquota 0 1\n") << 1;
        QTest::newRow("unknown device changes nothing")
            << QByteArray("/dev/sda1 / ext4 rw 0 1\n") << "/dev/sdc1" << usr << true << QByteArray("/dev/sda1 / ext4 rw 0 1\n") << 0;
        QTest::newRow("tag missing from blkid keeps its options") << QByteArray("UUID=9999 /x ext4 rw 0 2\n/dev/sdb1 /y ext4 rw 0 2\n") << "/dev/sdb1" << usr
                                                                  << true << QByteArray("UUID=9999 /x ext4 rw 0 2\n/dev/sdb1 /y ext4 rw,usrquota 0 2\n") << 1;
        QTest::newRow("longer device name is another device")
            << QByteArray("/dev/sda10 /data ext4 rw 0 2\n") << "/dev/sda1" << usr << true << QByteArray("/dev/sda10 /data ext4 rw 0 2\n") << 0;
        QTest::newRow("comments, blank lines and spacing survive")
            << QByteArray("# <file system> <mount point>\n\n   # indented\n/dev/sda1\t/\text4\trw\t0\t1   \nproc  /proc  proc  defaults  0  0\n") << "/dev/sda1"
            << usr << true
            << QByteArray("# <file system> <mount point>\n\n   # indented\n/dev/sda1\t/\text4\trw,usrquota\t0\t1   \nproc  /proc  proc  defaults  0  0\n") << 1;
        QTest::newRow("commented entry of the device stays")
            << QByteArray("#/dev/sda1 / ext4 rw 0 1\n") << "/dev/sda1" << usr << true << QByteArray("#/dev/sda1 / ext4 rw 0 1\n") << 0;
        QTest::newRow("escaped label in the first field") << QByteArray("LABEL=my\\040disk /srv ext4 rw 0 2\n") << "/dev/sdb1" << usr << true
                                                          << QByteArray("LABEL=my\\040disk /srv ext4 rw,usrquota 0 2\n") << 1;
        // Escapes other than the four that are decoded keep their bytes.
        QTest::newRow("every escape kept as written") << QByteArray("/dev/sda1 /a\\040b ext4 x-a=\\101\\040b,x-c=d\\\\e 0 1\n") << "/dev/sda1" << usr << true
                                                      << QByteArray("/dev/sda1 /a\\040b ext4 x-a=\\101\\040b,x-c=d\\\\e,usrquota 0 1\n") << 1;
        QTest::newRow("entry without dump and pass") << QByteArray("/dev/sda1 / ext4 rw\n") << "/dev/sda1" << usr << true
                                                     << QByteArray("/dev/sda1 / ext4 rw,usrquota\n") << 1;
        QTest::newRow("entry without options is left alone") << QByteArray("/dev/sda1 / ext4\n/dev/sda1 /b ext4 rw 0 0\n") << "/dev/sda1" << usr << true
                                                             << QByteArray("/dev/sda1 / ext4\n/dev/sda1 /b ext4 rw,usrquota 0 0\n") << 1;
        QTest::newRow("two-field entry is left alone") << QByteArray("/dev/sda1 /\n") << "/dev/sda1" << usr << true << QByteArray("/dev/sda1 /\n") << 0;
        QTest::newRow("last line without line feed") << QByteArray("/dev/sda1 / ext4 rw 0 1") << "/dev/sda1" << usr << true
                                                     << QByteArray("/dev/sda1 / ext4 rw,usrquota 0 1") << 1;
    }

    void rewrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, device);
        QFETCH(QString, option);
        QFETCH(bool, add);
        QFETCH(QByteArray, after);
        QFETCH(int, matchedEntries);
        int matched = -1;
        QCOMPARE(FstabRewriter(blkidLines).rewrite(before, device, {option, add}, matched), after);
        QCOMPARE(matched, matchedEntries);
    }

    void resolverDecidesTheEntry()
    {
        // A link name in the table and the node it leads to are one device.
        const FstabRewriter rewriter([](const QString &fsSpec) {
            return fsSpec == QLatin1String("/dev/mapper/vg-home") ? QStringLiteral("/dev/dm-0") : QString();
        });
        int matched = -1;
        QCOMPARE(rewriter.rewrite("/dev/mapper/vg-home /home ext4 rw 0 2\n/dev/dm-0x /x ext4 rw 0 2\n",
                                  QStringLiteral("/dev/dm-0"),
                                  {QStringLiteral("grpquota"), true},
                                  matched),
                 QByteArray("/dev/mapper/vg-home /home ext4 rw,grpquota 0 2\n/dev/dm-0x /x ext4 rw 0 2\n"));
        QCOMPARE(matched, 1);
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

    void currentOptions_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("options");

        QTest::newRow("first entry of the device") << QByteArray(
            "# x\n/dev/sda10 / ext4 ro 0 1\nUUID=1111-AAAA /a ext4 rw,noatime 0 2\n/dev/sda1 /b ext4 ro 0 2\n")
                                                   << "/dev/sda1" << true << QStringList{QStringLiteral("rw"), QStringLiteral("noatime")};
        QTest::newRow("escaped options are decoded") << QByteArray("/dev/sda1 / ext4 a\\040b,c 0 1\n") << "/dev/sda1" << true
                                                     << QStringList{QStringLiteral("a b"), QStringLiteral("c")};
        QTest::newRow("entry without options is no entry") << QByteArray("/dev/sda1 / ext4\n") << "/dev/sda1" << false << QStringList();
        QTest::newRow("commented entry is no entry") << QByteArray("#/dev/sda1 / ext4 rw 0 1\n") << "/dev/sda1" << false << QStringList();
    }

    void currentOptions()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, device);
        QFETCH(bool, found);
        QFETCH(QStringList, options);
        QStringList current;
        QCOMPARE(FstabRewriter(blkidLines).currentOptions(table, device, current), found);
        QCOMPARE(current, options);
    }

    void quotaOptionChange_data()
    {
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("requested");
        QTest::addColumn<bool>("accepted");

        const QStringList base = {QStringLiteral("rw"), QStringLiteral("relatime")};
        const QString usr = QStringLiteral("usrquota");
        const QString grp = QStringLiteral("grpquota");
        QTest::newRow("user quota appended") << base << base + QStringList{usr} << true;
        QTest::newRow("project quota appended") << base << base + QStringList{QStringLiteral("prjquota")} << true;
        QTest::newRow("XFS's short project option removed") << base + QStringList{QStringLiteral("pquota")} << base << true;
        QTest::newRow("no-enforce spelling is no quota option") << base << base + QStringList{QStringLiteral("pqnoenforce")} << false;
        QTest::newRow("group quota appended") << base << base + QStringList{grp} << true;
        QTest::newRow("user quota removed") << base + QStringList{usr, grp} << base + QStringList{grp} << true;
        QTest::newRow("every copy removed") << QStringList{usr, QStringLiteral("rw"), usr} << QStringList{QStringLiteral("rw")} << true;
        QTest::newRow("last option removed") << QStringList{grp} << QStringList() << true;
        QTest::newRow("last option removed, defaults written") << QStringList{grp} << QStringList{QStringLiteral("defaults")} << true;
        QTest::newRow("defaults after another option is left") << base + QStringList{grp} << base + QStringList{QStringLiteral("defaults")} << false;
        QTest::newRow("appended to an empty field") << QStringList{QString()} << QStringList{QString(), usr} << true;

        QTest::newRow("foreign options added") << QStringList{QStringLiteral("rw"), QStringLiteral("relatime")}
                                               << QStringList{QStringLiteral("rw"),
                                                              QStringLiteral("relatime"),
                                                              QStringLiteral("suid"),
                                                              QStringLiteral("dev"),
                                                              QStringLiteral("exec"),
                                                              QStringLiteral("user")}
                                               << false;
        QTest::newRow("quota option and another") << base << base + QStringList{usr, QStringLiteral("user")} << false;
        QTest::newRow("both quota options at once") << base << base + QStringList{usr, grp} << false;
        QTest::newRow("quota option inserted elsewhere") << base << QStringList{usr} + base << false;
        QTest::newRow("other option dropped") << base + QStringList{usr} << QStringList{QStringLiteral("rw")} << false;
        QTest::newRow("present option appended again") << base + QStringList{usr} << base + QStringList{usr, usr} << false;
        QTest::newRow("only one of two copies removed") << QStringList{usr, QStringLiteral("rw"), usr} << QStringList{QStringLiteral("rw"), usr} << false;
        QTest::newRow("unchanged") << base << base << false;
        QTest::newRow("other case") << base << base + QStringList{QStringLiteral("USRQUOTA")} << false;
        QTest::newRow("option smuggled after a comma") << base << base + QStringList{QStringLiteral("usrquota,user")} << false;
    }

    void quotaOptionChange()
    {
        QFETCH(QStringList, current);
        QFETCH(QStringList, requested);
        QFETCH(bool, accepted);
        QCOMPARE(FstabRewriter::isQuotaOptionChange(current, requested), accepted);
    }
};

QTEST_GUILESS_MAIN(FstabRewriterTest)

#include "fstabrewritertest.moc"
