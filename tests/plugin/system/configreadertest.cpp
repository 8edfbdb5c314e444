// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/system/configreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

class ConfigReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readTabFile_data();
    void readTabFile();
    void unreadableTableIsEmpty();
    void tablesAreCachedUntilReset();
    void blkidIsCachedUntilReset();
    void blkidFailure();
};

void ConfigReaderTest::readTabFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("mountPaths");
    QTest::addColumn<QStringList>("options");

    QTest::newRow("comments and blank lines skipped") << "# comment\n\n/dev/sda1 / ext4 rw,usrquota 0 1\n"
                                                      << QStringList{"/dev/sda1"} << QStringList{"/"} << QStringList{"rw,usrquota"};
    QTest::newRow("tag forms kept as written") << "UUID=\"1234-ABCD\" /home ext4 defaults 0 2\nLABEL=data /data ext3 noauto 0 0\n"
                                               << QStringList{"UUID=\"1234-ABCD\"", "LABEL=data"} << QStringList{"/home", "/data"}
                                               << QStringList{"defaults", "noauto"};
    QTest::newRow("escaped blank in a mount point decoded") << "/dev/sdb1 /mnt/my\\040disk ext4 rw 0 0\n"
                                                            << QStringList{"/dev/sdb1"} << QStringList{"/mnt/my disk"} << QStringList{"rw"};
    QTest::newRow("missing dump and pass fields") << "/dev/sdc1 /srv ext2 rw\n" << QStringList{"/dev/sdc1"} << QStringList{"/srv"} << QStringList{"rw"};
}

void ConfigReaderTest::readTabFile()
{
    QFETCH(QString, text);
    QFETCH(QStringList, devices);
    QFETCH(QStringList, mountPaths);
    QFETCH(QStringList, options);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("tab")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();

    const QList<ConfigReader::TabLine> lines = ConfigReader::readTabFile(file.fileName());
    QStringList gotDevices, gotPaths, gotOptions;
    for (const ConfigReader::TabLine &line : lines) {
        gotDevices << line.device;
        gotPaths << line.mountPath;
        gotOptions << line.options;
    }
    QCOMPARE(gotDevices, devices);
    QCOMPARE(gotPaths, mountPaths);
    QCOMPARE(gotOptions, options);
}

void ConfigReaderTest::unreadableTableIsEmpty()
{
    QTest::ignoreMessage(QtWarningMsg, "\"File /nonexistent/fstab can not be open\"");
    QVERIFY(ConfigReader::readTabFile(QStringLiteral("/nonexistent/fstab")).isEmpty());
}

void ConfigReaderTest::tablesAreCachedUntilReset()
{
    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    system.addDevice(disk);
    ConfigReader &reader = ConfigReader::instance();

    QCOMPARE(reader.tabFile(ConfigReader::Fstab).size(), 1);
    QCOMPARE(reader.tabFile(ConfigReader::Mtab).size(), 2);

    FakeSystem::Device other;
    other.path = QStringLiteral("/dev/sdc1");
    system.addDevice(other);
    QCOMPARE(reader.tabFile(ConfigReader::Fstab).size(), 1);
    QCOMPARE(reader.tabFile(ConfigReader::Mtab).size(), 2);

    reader.reset();
    QCOMPARE(reader.tabFile(ConfigReader::Fstab).size(), 2);
    QCOMPARE(reader.tabFile(ConfigReader::Mtab).size(), 3);
}

void ConfigReaderTest::blkidIsCachedUntilReset()
{
    FakeSystem system;
    FakeSystem::Device disk;
    disk.path = QStringLiteral("/dev/sdb1");
    system.addDevice(disk);
    ConfigReader &reader = ConfigReader::instance();

    const QStringList first = reader.blkid();
    QCOMPARE(first, (QStringList{QStringLiteral("/dev/sdb1: TYPE=\"ext4\""), QString()}));
    QCOMPARE(reader.blkid(), first);
    QCOMPARE(system.count(QStringLiteral("get_data")), 1);
    QCOMPARE(system.calls.first().action, QStringLiteral("access"));
    QCOMPARE(system.timeouts.first(), int(HelperActionExecutor::AccessTimeoutMs));
    QVERIFY(system.calls.first().arguments.contains(QStringLiteral("languages")));
    QVERIFY(system.calls.first().arguments.contains(QStringLiteral("lcmessages")));

    reader.reset();
    reader.blkid();
    QCOMPARE(system.count(QStringLiteral("get_data")), 2);
}

void ConfigReaderTest::blkidFailure()
{
    FakeSystem system;
    ConfigReader &reader = ConfigReader::instance();
    system.failNext(QStringLiteral("get_data"), QStringLiteral("Process blkid can not finished"));
    try {
        reader.blkid();
        QFAIL("a failed get_data must throw");
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Process blkid can not finished"));
    }
    // Nothing was remembered: the next call asks again and succeeds.
    QCOMPARE(reader.blkid(), QStringList{QString()});
    QCOMPARE(system.count(QStringLiteral("get_data")), 2);
}

QTEST_GUILESS_MAIN(ConfigReaderTest)

#include "configreadertest.moc"
