// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/systemfoldertree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

Q_DECLARE_METATYPE(FolderTree::Refusal)

namespace
{
// The block device node whose file system holds `path`, if /dev has one.
QString deviceOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return QString();
    }
    for (const QString &directory : {QStringLiteral("/dev"), QStringLiteral("/dev/mapper")}) {
        const QStringList entries = QDir(directory).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        for (const QString &entry : entries) {
            const QString node = directory + QLatin1Char('/') + entry;
            struct stat device;
            if (::lstat(QFile::encodeName(node).constData(), &device) == 0 && S_ISBLK(device.st_mode) && device.st_rdev == status.st_dev) {
                return node;
            }
        }
    }
    return QString();
}

void makeTree(const QString &top)
{
    QDir dir(top);
    QVERIFY(dir.mkpath(QStringLiteral("tree/sub")));
    QVERIFY(dir.mkpath(QStringLiteral("outside/deeper")));
    for (const char *file : {"tree/file", "tree/sub/file", "outside/file"}) {
        QFile created(dir.filePath(QString::fromLatin1(file)));
        QVERIFY(created.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("outside")), dir.filePath(QStringLiteral("tree/link"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("tree")), dir.filePath(QStringLiteral("link"))));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("tree/pipe"))).constData(), 0600), 0);
}
}

class SystemFolderTreeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusals_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<FolderTree::Refusal>("refusal");
        QTest::newRow("the folder") << "DIR/tree" << FolderTree::Reached;
        QTest::newRow("missing") << "DIR/none/x" << FolderTree::Missing;
        QTest::newRow("the folder is a link") << "DIR/link" << FolderTree::LinkOnTheWay;
        QTest::newRow("a link on the way") << "DIR/link/sub" << FolderTree::LinkOnTheWay;
        QTest::newRow("a file") << "DIR/tree/file" << FolderTree::NotADirectory;
        QTest::newRow("a file on the way") << "DIR/tree/file/x" << FolderTree::NotADirectory;
        QTest::newRow("another file system") << "/proc/sys" << FolderTree::OtherFileSystem;
    }

    // Id 0 changes nothing on a file system without project ids, so the
    // walk can run on any disk.
    void refusals()
    {
        QFETCH(QString, folder);
        QFETCH(FolderTree::Refusal, refusal);
        QTemporaryDir dir;
        const QString device = deviceOf(dir.path());
        if (device.isEmpty()) {
            QSKIP("the temporary directory is on no block device under /dev");
        }
        makeTree(dir.path());
        folder.replace(QLatin1String("DIR"), dir.path());
        const FolderTree::Result result = SystemFolderTree().setProject(device, folder, 0);
        QCOMPARE(result.refusal, refusal);
        if (refusal != FolderTree::Reached) {
            QCOMPARE(result.changed, quint64(0));
        }
    }

    // The folder, its files and its folders, never what a link leads to
    // (two more entries there), nor a pipe.
    void walk()
    {
        QTemporaryDir dir;
        const QString device = deviceOf(dir.path());
        if (device.isEmpty()) {
            QSKIP("the temporary directory is on no block device under /dev");
        }
        makeTree(dir.path());
        const FolderTree::Result result = SystemFolderTree().setProject(device, dir.filePath(QStringLiteral("tree")), 0);
        if (result.failed > 0 && (result.error == ENOTTY || result.error == EOPNOTSUPP)) {
            QSKIP("this file system has no project ids");
        }
        QCOMPARE(result.refusal, FolderTree::Reached);
        QCOMPARE(result.failed, quint64(0));
        QCOMPARE(result.changed, quint64(4));
        QCOMPARE(result.otherMounts, quint64(0));
    }

    // Where the folder refuses an id, the walk stops there instead of
    // failing once for every entry of a large tree.
    void refusedByTheFolder()
    {
        QTemporaryDir dir;
        const QString device = deviceOf(dir.path());
        if (device.isEmpty()) {
            QSKIP("the temporary directory is on no block device under /dev");
        }
        makeTree(dir.path());
        const FolderTree::Result result = SystemFolderTree().setProject(device, dir.filePath(QStringLiteral("tree")), 7);
        if (result.failed == 0) {
            SystemFolderTree().setProject(device, dir.filePath(QStringLiteral("tree")), 0);
            QSKIP("this file system has project ids");
        }
        QCOMPARE(result.failed, quint64(1));
        QCOMPARE(result.changed, quint64(0));
        QCOMPARE(result.firstFailure, dir.filePath(QStringLiteral("tree")));
    }
};

QTEST_GUILESS_MAIN(SystemFolderTreeTest)

#include "systemfoldertreetest.moc"
