// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "plugin/core/quotasmanager.h"
#include "plugin/system/configreader.h"

#include <QTest>

#include <memory>
#include <stdexcept>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");

QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const std::runtime_error &error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}

ProxyQuotaData usage(quint64 bytes, quint64 hardBlocks)
{
    ProxyQuotaData r;
    r.dqb_curspace = bytes;
    r.dqb_curinodes = 3;
    r.dqb_bhardlimit = hardBlocks;
    return r;
}

// sdb accounts folder quotas, sdc (mounted below sdb's folders) only when
// asked; $B and $C in the tables stand for their mount points.
struct Fixture {
    FakeSystem system;
    std::unique_ptr<QuotasManager> manager;
    QString sdbMount;
    QString sdcMount;

    explicit Fixture(bool sdcAccounts = true)
    {
        FakeSystem::Device b;
        b.path = sdb;
        b.projectsAccounted = true;
        b.projectsOn = true;
        sdbMount = system.addDevice(b);
        FakeSystem::Device c;
        c.path = sdc;
        c.projectsAccounted = sdcAccounts;
        sdcMount = system.addDevice(c);
        manager = std::make_unique<QuotasManager>(system.executor(), system);
        manager->setAccountDirectory(
            [] {
                return QList<UserInfo>();
            },
            [] {
                return QList<GroupInfo>();
            });
        manager->setProjectFilePaths(system.projectsPath(), system.projidPath());
    }

    QString paths(QString text) const
    {
        return text.replace(QLatin1String("$B"), sdbMount).replace(QLatin1String("$C"), sdcMount);
    }

    // "folder|name|id|device|used bytes|hard limit bytes|known" per row.
    QStringList rows() const
    {
        QStringList rows;
        for (const SettingsDeviceQuota *folder : manager->projectSettings()) {
            const Member m = folder->member();
            const QString device = folder->devicesQuota().keys().value(0);
            const MemberQuotaData data = folder->devicesQuota().value(device);
            rows.append(QStringList{m.folder,
                                    m.name,
                                    QString::number(m.id),
                                    device,
                                    QString::number(MemorySizeTransfer().bytesFromMem(data.memorySizeById(UsedSize))),
                                    QString::number(MemorySizeTransfer().bytesFromMem(data.memorySizeById(HardLimitSize))),
                                    data.isKnown() ? QStringLiteral("known") : QStringLiteral("unknown")}
                            .join(QLatin1Char('|')));
        }
        return rows;
    }
};
}

class QuotasManagerFoldersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderDevice_data();
    void folderDevice();
    void loadsFolders_data();
    void loadsFolders();
    void nextProjectId_data();
    void nextProjectId();
    void addFolder_data();
    void addFolder();
    void removeFolder_data();
    void removeFolder();
    void folderLimitsWrittenWithoutPreparingTheDevice();
};

void QuotasManagerFoldersTest::folderDevice_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("beneath a mount") << "/srv/data/alpha"
                                     << "/dev/sdb1";
    QTest::newRow("the mount point itself") << "/srv/data"
                                            << "/dev/sdb1";
    QTest::newRow("a name that only starts like the mount") << "/srv/data2/alpha"
                                                            << "/dev/sda1";
    QTest::newRow("the deeper mount wins") << "/srv/data/big/x"
                                           << "/dev/sdc1";
    QTest::newRow("dot-dot parts are resolved first") << "/srv/data/big/../alpha"
                                                      << "/dev/sdb1";
    QTest::newRow("a relative path is on no device") << "srv/data/alpha"
                                                     << "";
}

void QuotasManagerFoldersTest::folderDevice()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    const QMap<QString, QString> mounts{{QStringLiteral("/dev/sda1"), QStringLiteral("/")},
                                        {sdb, QStringLiteral("/srv/data/")},
                                        {sdc, QStringLiteral("/srv/data/big")}};
    QCOMPARE(QuotasManager::folderDevice(folder, mounts), expected);
}

void QuotasManagerFoldersTest::loadsFolders_data()
{
    QTest::addColumn<QString>("projects");
    QTest::addColumn<QString>("projid");
    QTest::addColumn<bool>("sdcAccounts");
    QTest::addColumn<bool>("readFails");
    QTest::addColumn<QStringList>("expected");

    const QString alpha = QStringLiteral("$B/alpha|alpha|10|/dev/sdb1|4096|1048576|known");
    QTest::newRow("a folder with its name, usage and limit") << "# folders\n10:$B/alpha\n"
                                                             << "alpha:10\n"
                                                             << true << false << QStringList{alpha};
    QTest::newRow("a folder without a name still shows") << "10:$B/alpha\n"
                                                         << "" << true << false << QStringList{QStringLiteral("$B/alpha||10|/dev/sdb1|4096|1048576|known")};
    QTest::newRow("a name without a folder is no folder") << "10:$B/alpha\n"
                                                          << "alpha:10\nbeta:11\n"
                                                          << true << false << QStringList{alpha};
    QTest::newRow("project 0 is everyone's default") << "0:$B/all\n10:$B/alpha\n"
                                                     << "alpha:10\n"
                                                     << true << false << QStringList{alpha};
    QTest::newRow("a folder on a device without folder quotas is left out") << "10:$B/alpha\n12:$C/gamma\n"
                                                                            << "alpha:10\ngamma:12\n"
                                                                            << false << false << QStringList{alpha};
    QTest::newRow("each folder on its own device") << "10:$B/alpha\n12:$C/gamma\n"
                                                   << "alpha:10\ngamma:12\n"
                                                   << true << false << QStringList{alpha, QStringLiteral("$C/gamma|gamma|12|/dev/sdc1|0|0|known")};
    QTest::newRow("records that cannot be read are unknown, not zero")
        << "10:$B/alpha\n12:$C/gamma\n"
        << "alpha:10\ngamma:12\n"
        << true << true << QStringList{QStringLiteral("$B/alpha|alpha|10|/dev/sdb1|0|0|unknown"), QStringLiteral("$C/gamma|gamma|12|/dev/sdc1|0|0|unknown")};
    QTest::newRow("no project files, no folders") << ""
                                                  << "" << true << false << QStringList();
}

void QuotasManagerFoldersTest::loadsFolders()
{
    QFETCH(QString, projects);
    QFETCH(QString, projid);
    QFETCH(bool, sdcAccounts);
    QFETCH(bool, readFails);
    QFETCH(QStringList, expected);

    Fixture f(sdcAccounts);
    f.system.writeProjectFiles(f.paths(projects).toUtf8(), projid.toUtf8());
    f.system.setRecord(sdb, Projects, 10, usage(4096, 1024));
    if (readFails) {
        // The first load lists the devices and their user and group tables
        // in one request; the folders' tables come in the next one.
        f.manager->update();
        f.system.failNext(QStringLiteral("get_quota_tables"), QStringLiteral("helper down"));
    }
    f.manager->update();
    QStringList wanted;
    for (const QString &row : std::as_const(expected)) {
        wanted.append(f.paths(row));
    }
    QCOMPARE(f.rows(), wanted);
}

void QuotasManagerFoldersTest::nextProjectId_data()
{
    QTest::addColumn<QString>("projects");
    QTest::addColumn<QString>("projid");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("no files") << ""
                              << "" << 1u;
    QTest::newRow("above the highest of both files") << "10:/srv/a\n3:/srv/b\n"
                                                     << "c:42\n"
                                                     << 43u;
    QTest::newRow("comments and broken lines do not count") << "# 99:/x\n7:/srv/a\nnonsense\n"
                                                            << "" << 8u;
    QTest::newRow("the top taken: the lowest gap") << "4294967294:/srv/a\n1:/srv/b\n"
                                                   << "" << 2u;
}

void QuotasManagerFoldersTest::nextProjectId()
{
    QFETCH(QString, projects);
    QFETCH(QString, projid);
    QFETCH(quint32, expected);
    Fixture f;
    f.system.writeProjectFiles(projects.toUtf8(), projid.toUtf8());
    f.manager->update();
    QCOMPARE(f.manager->nextProjectId(), expected);
}

void QuotasManagerFoldersTest::addFolder_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<quint64>("hardBlocks");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("projidAfter");
    QTest::addColumn<QString>("projectsBefore");
    QTest::addColumn<QString>("projidBefore");

    const QString set = QStringLiteral("set_folder_project /dev/sdb1 $B/alpha 20");
    const QString entry = QStringLiteral("add_project_entry  $B/alpha 20");
    QTest::newRow("folder, entry, then limits") << sdb << quint64(2048) << "" << QStringList{set, entry, QStringLiteral("set_quota_info /dev/sdb1 2")} << ""
                                                << "alpha:20\n"
                                                << ""
                                                << "";
    QTest::newRow("no limits, no limit request") << sdb << quint64(0) << "" << QStringList{set, entry} << ""
                                                 << "alpha:20\n"
                                                 << ""
                                                 << "";
    QTest::newRow("a refused folder stops everything") << sdb << quint64(2048) << "set_folder_project" << QStringList{set} << "no such folder"
                                                       << ""
                                                       << ""
                                                       << "";
    QTest::newRow("a refused entry takes the project id back")
        << sdb << quint64(2048) << "add_project_entry" << QStringList{set, entry, QStringLiteral("clear_folder_project /dev/sdb1 $B/alpha")}
        << "The folder $B/alpha was not added: no such folder"
        << ""
        << ""
        << "";
    QTest::newRow("refused limits are named, the folder stays")
        << sdb << quint64(2048) << "set_quota_info" << QStringList{set, entry, QStringLiteral("set_quota_info /dev/sdb1 2")}
        << "The folder $B/alpha was added, but its limits were not set: no such folder"
        << "alpha:20\n"
        << ""
        << "";
    QTest::newRow("a device without folder quotas is refused before any request")
        << sdc << quint64(2048) << "" << QStringList() << "Folder quotas are not accounted on /dev/sdc1"
        << ""
        << ""
        << "";
    // Refused before any request, so the files keep the project id they had.
    QTest::newRow("an id the files already have") << sdb << quint64(0) << "" << QStringList() << "The project id 20 is already in use"
                                                  << "old:20\n"
                                                  << ""
                                                  << "old:20\n";
    QTest::newRow("a name already taken") << sdb << quint64(0) << "" << QStringList() << "The project name alpha is already in use"
                                          << "alpha:9\n"
                                          << "9:$B/other\n"
                                          << "alpha:9\n";
    QTest::newRow("a folder that has a quota already")
        << sdb << quint64(0) << "" << QStringList() << "The folder $B/alpha already has a folder quota (project id 9)"
        << "beta:9\n"
        << "9:$B/alpha\n"
        << "beta:9\n";
}

void QuotasManagerFoldersTest::addFolder()
{
    QFETCH(QString, device);
    QFETCH(quint64, hardBlocks);
    QFETCH(QString, failing);
    QFETCH(QStringList, log);
    QFETCH(QString, error);
    QFETCH(QString, projidAfter);
    QFETCH(QString, projectsBefore);
    QFETCH(QString, projidBefore);

    Fixture f(false);
    f.system.writeProjectFiles(f.paths(projectsBefore).toUtf8(), projidBefore.toUtf8());
    f.manager->update();
    if (!failing.isEmpty()) {
        f.system.failNext(failing, QStringLiteral("no such folder"));
    }
    MemberQuotaData limits;
    limits.setMemorySize(HardLimitSize, MemorySizeTransfer().memFromBytes(hardBlocks * 1024));
    const QString folder = (device == sdb ? f.sdbMount : f.sdcMount) + QStringLiteral("/alpha");
    const QString thrown = errorOf([&] {
        f.manager->addFolder(device, folder, QStringLiteral("alpha"), 20, limits);
    });
    QVERIFY2(error.isEmpty() ? thrown.isEmpty() : thrown.startsWith(f.paths(error)), qPrintable(thrown));
    QStringList wanted;
    for (const QString &line : std::as_const(log)) {
        wanted.append(f.paths(line));
    }
    QCOMPARE(f.system.changeLog(), wanted);
    QCOMPARE(QString::fromUtf8(f.system.projidContent()), projidAfter);
    if (hardBlocks != 0 && failing.isEmpty() && device == sdb) {
        QCOMPARE(f.system.record(sdb, Projects, 20).dqb_bhardlimit, hardBlocks);
        // The reload shows the folder at once.
        QCOMPARE(f.manager->projectSettings().size(), 1);
    }
}

void QuotasManagerFoldersTest::removeFolder_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("projectsAfter");

    const QString clearLimits = QStringLiteral("set_quota_info /dev/sdb1 2");
    const QString clear = QStringLiteral("clear_folder_project /dev/sdb1 $B/alpha");
    const QString remove = QStringLiteral("remove_project_entry  10");
    const QString before = QStringLiteral("# mine\n10:$B/alpha\n11:$B/beta\n");
    const QString after = QStringLiteral("# mine\n11:$B/beta\n");
    QTest::newRow("files keep the id") << true << "" << QStringList{clearLimits, remove} << after;
    QTest::newRow("files lose the id") << false << "" << QStringList{clearLimits, clear, remove} << after;
    QTest::newRow("a refused clear leaves the entry") << false << "clear_folder_project" << QStringList{clearLimits, clear} << before;
}

void QuotasManagerFoldersTest::removeFolder()
{
    QFETCH(bool, keep);
    QFETCH(QString, failing);
    QFETCH(QStringList, log);
    QFETCH(QString, projectsAfter);

    Fixture f;
    f.system.writeProjectFiles(f.paths(QStringLiteral("# mine\n10:$B/alpha\n11:$B/beta\n")).toUtf8(), "alpha:10\nbeta:11\n");
    f.system.setRecord(sdb, Projects, 10, usage(4096, 1024));
    f.manager->update();
    QCOMPARE(f.manager->projectSettings().size(), 2);
    if (!failing.isEmpty()) {
        f.system.failNext(failing, QStringLiteral("refused"));
    }
    const QString thrown = errorOf([&] {
        f.manager->removeFolder(*f.manager->projectSettings().first(), keep);
    });
    QCOMPARE(thrown.isEmpty(), failing.isEmpty());
    QStringList wanted;
    for (const QString &line : std::as_const(log)) {
        wanted.append(f.paths(line));
    }
    QCOMPARE(f.system.changeLog(), wanted);
    QCOMPARE(QString::fromUtf8(f.system.projectsContent()), f.paths(projectsAfter));
    // The limits go before anything else, whatever follows.
    QCOMPARE(f.system.record(sdb, Projects, 10).dqb_bhardlimit, quint64(0));
}

void QuotasManagerFoldersTest::folderLimitsWrittenWithoutPreparingTheDevice()
{
    Fixture f;
    f.system.writeProjectFiles(f.paths(QStringLiteral("10:$B/alpha\n")).toUtf8(), "alpha:10\n");
    f.manager->update();
    SettingsDeviceQuota edited(*f.manager->projectSettings().first());
    QHash<QString, MemberQuotaData> table = edited.devicesQuota();
    table[sdb].setHardFilesLimit(500);
    edited.setDevicesQuota(table);

    QCOMPARE(f.manager->updateSettingsQuota(edited), 1);
    // No fstab option, remount or quota file: accounting is all it takes.
    QCOMPARE(f.system.changeLog(), QStringList{QStringLiteral("set_quota_info /dev/sdb1 2")});
    QCOMPARE(f.system.record(sdb, Projects, 10).dqb_ihardlimit, quint64(500));
}

QTEST_GUILESS_MAIN(QuotasManagerFoldersTest)

#include "quotasmanagerfolderstest.moc"
