// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/systemfilesystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace
{
mode_t modeOf(const QString &path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : mode_t(-1);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void createFile(const QString &path, const QByteArray &content, mode_t mode)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}
}

class SystemFileSystemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceFile_data()
    {
        QTest::addColumn<int>("oldMode");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("newMode");

        QTest::newRow("new file gets the requested mode") << -1 << QByteArray("x\n") << 0644;
        QTest::newRow("private file stays private") << 0600 << QByteArray("secret\n") << 0600;
        QTest::newRow("group readable file keeps its mode") << 0640 << QByteArray("") << 0640;
        QTest::newRow("same content twice") << 0644 << QByteArray("old\n") << 0644;
    }

    void replaceFile()
    {
        QFETCH(int, oldMode);
        QFETCH(QByteArray, content);
        QFETCH(int, newMode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fstab"));
        if (oldMode >= 0) {
            createFile(path, "old\n", mode_t(oldMode));
        }
        // A umask must not decide the mode of a cron table.
        const mode_t previousMask = ::umask(077);
        SystemFileSystem files;
        const bool replaced = files.replaceFile(path, content, 0644);
        ::umask(previousMask);
        QVERIFY(replaced);
        QCOMPARE(contentOf(path), content);
        QCOMPARE(modeOf(path), mode_t(newMode));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("fstab")});
    }

    void replaceKeepsOwner()
    {
        if (::geteuid() != 0) {
            QSKIP("changing the owner of a file needs root");
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quotatab"));
        createFile(path, "old\n", 0644);
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        QVERIFY(SystemFileSystem().replaceFile(path, "new\n", 0600));
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(status.st_uid, uid_t(65534));
        QCOMPARE(status.st_gid, gid_t(65534));
    }

    void replaceThroughLinkKeepsTheLink()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("real"));
        const QString link = dir.filePath(QStringLiteral("link"));
        createFile(target, "old\n", 0640);
        QVERIFY(QFile::link(target, link));
        QVERIFY(SystemFileSystem().replaceFile(link, "new\n", 0644));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(contentOf(target), QByteArray("new\n"));
        QCOMPARE(modeOf(target), mode_t(0640));
    }

    void failedReplaceLeavesEverything_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isDirectory");

        QTest::newRow("missing directory") << "missing/fstab" << false;
        QTest::newRow("target is a directory") << "fstab" << true;
    }

    void failedReplaceLeavesEverything()
    {
        QFETCH(QString, name);
        QFETCH(bool, isDirectory);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (isDirectory) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        }
        QVERIFY(!SystemFileSystem().replaceFile(path, "new\n", 0644));
        QCOMPARE(QFileInfo(path).isDir(), isDirectory);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), isDirectory ? 1 : 0);
    }

    // A directory on the way swapped for a link is not followed, whether
    // the link leads to a directory or loops.
    void linkOnTheWayIsRefused()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("elsewhere")));
        const QString target = dir.filePath(QStringLiteral("elsewhere/quotatab"));
        createFile(target, "old\n", 0644);
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), dir.filePath(QStringLiteral("etc"))));

        QVERIFY(!SystemFileSystem().replaceFile(dir.filePath(QStringLiteral("etc/quotatab")), "new\n", 0644));
        QCOMPARE(contentOf(target), QByteArray("old\n"));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("elsewhere"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("quotatab")});
    }

    void pathsThatAreNoFiles_data()
    {
        QTest::addColumn<QString>("path");

        QTest::newRow("relative") << "etc/fstab";
        QTest::newRow("dot-dot") << "/etc/../etc/fstab";
        QTest::newRow("ends in a slash") << "/etc/";
        QTest::newRow("empty") << "";
    }

    void pathsThatAreNoFiles()
    {
        QFETCH(QString, path);
        QVERIFY(!SystemFileSystem().replaceFile(path, "x", 0644));
    }

    void extendedAttributesKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("warnquota.conf"));
        createFile(path, "old\n", 0640);
        const QByteArray name = QFile::encodeName(path);
        if (::setxattr(name.constData(), "user.kcmquotas", "label", 5, 0) != 0) {
            QSKIP("this file system keeps no user attributes");
        }
        QVERIFY(SystemFileSystem().replaceFile(path, "new\n", 0644));
        char value[16] = {};
        QCOMPARE(::getxattr(name.constData(), "user.kcmquotas", value, sizeof(value)), ssize_t(5));
        QCOMPARE(QByteArray(value), QByteArray("label"));
        QCOMPARE(modeOf(path), mode_t(0640));
    }

    void entryKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");

        QTest::newRow("regular file") << "file" << int(FileSystem::RegularFile);
        QTest::newRow("directory") << "dir" << int(FileSystem::Directory);
        QTest::newRow("link is not followed") << "link" << int(FileSystem::SymbolicLink);
        QTest::newRow("missing") << "none" << int(FileSystem::Missing);
        QTest::newRow("below a file") << "file/x" << int(FileSystem::Missing);
    }

    void entryKind()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QTemporaryDir dir;
        createFile(dir.filePath(QStringLiteral("file")), "x", 0644);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dir")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("dir")), dir.filePath(QStringLiteral("link"))));
        QCOMPARE(int(SystemFileSystem().entryKind(dir.filePath(name))), kind);
    }

    // Only a regular file goes; a link stays, and so does what it leads to.
    void removeFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("projects"));
        const QString link = dir.filePath(QStringLiteral("link"));
        createFile(file, "1:/srv\n", 0644);
        QVERIFY(QFile::link(file, link));
        SystemFileSystem files;
        QVERIFY(!files.removeFile(link));
        QVERIFY(QFileInfo::exists(file));
        QVERIFY(files.removeFile(file));
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(files.removeFile(file));
        QVERIFY(!files.removeFile(dir.path()));
    }

    void notBlockDevices()
    {
        SystemFileSystem files;
        QVERIFY(!files.isBlockDevice(QStringLiteral("/dev/null")));
        QVERIFY(!files.isBlockDevice(QStringLiteral("/etc/passwd")));
        QVERIFY(!files.isBlockDevice(QStringLiteral("-a")));
        QVERIFY(files.mountPoint(QStringLiteral("/dev/null")).isEmpty());
    }

    void resolveDeviceNode_data()
    {
        QTest::addColumn<QString>("name");
        // "node" for the block device found under /dev, "" for none.
        QTest::addColumn<QString>("expected");
        QTest::addColumn<uint>("directoryMode");

        QTest::newRow("the node itself") << "NODE"
                                         << "node" << 0700u;
        QTest::newRow("dot-dot inside /dev") << "/dev/../dev/NODE"
                                             << "node" << 0700u;
        // The temporary directory lies in /tmp, which anyone can write.
        QTest::newRow("link below a directory others can write") << "DIR/link"
                                                                 << "" << 0700u;
        QTest::newRow("link in a directory others can write") << "DIR/link"
                                                              << "" << 0777u;
        QTest::newRow("link to a character device") << "DIR/null"
                                                    << "" << 0700u;
        QTest::newRow("links in a circle") << "DIR/loop"
                                           << "" << 0700u;
        QTest::newRow("character device") << "/dev/null"
                                          << "" << 0700u;
        QTest::newRow("regular file") << "/etc/passwd"
                                      << "" << 0700u;
        QTest::newRow("relative name") << "dev/null"
                                       << "" << 0700u;
        QTest::newRow("missing") << "/dev/kcmq-none"
                                 << "" << 0700u;
    }

    void resolveDeviceNode()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QFETCH(uint, directoryMode);
        QString node;
        const QStringList entries = QDir(QStringLiteral("/dev")).entryList(QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &entry : entries) {
            struct stat status;
            if (::lstat(QFile::encodeName(QStringLiteral("/dev/") + entry).constData(), &status) == 0 && S_ISBLK(status.st_mode)) {
                node = QStringLiteral("/dev/") + entry;
                break;
            }
        }
        if (node.isEmpty() && (expected == QLatin1String("node") || name.contains(QLatin1String("NODE")))) {
            QSKIP("no block device under /dev here");
        }
        QTemporaryDir dir;
        QVERIFY(QFile::link(node.isEmpty() ? QStringLiteral("/dev/null") : node, dir.filePath(QStringLiteral("link"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("null"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("loop")), dir.filePath(QStringLiteral("loop"))));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), directoryMode) == 0);
        name.replace(QLatin1String("/dev/NODE"), node).replace(QLatin1String("NODE"), node).replace(QLatin1String("DIR"), dir.path());
        QCOMPARE(SystemFileSystem().resolveDeviceNode(name), expected == QLatin1String("node") ? node : QString());
    }
};

QTEST_GUILESS_MAIN(SystemFileSystemTest)

#include "systemfilesystemtest.moc"
