// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemfilesystem.h"

#include "common/systempathinspector.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QVector>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <mntent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace
{
bool writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool copyExtendedAttributes(int from, int to)
{
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0) {
        return errno == ENOTSUP;
    }
    QByteArray names(size, '\0');
    size = ::flistxattr(from, names.data(), names.size());
    if (size < 0) {
        return false;
    }
    names.truncate(size);
    for (const QByteArray &attribute : names.split('\0')) {
        if (attribute.isEmpty()) {
            continue;
        }
        const ssize_t valueSize = ::fgetxattr(from, attribute.constData(), nullptr, 0);
        if (valueSize < 0) {
            return false;
        }
        QByteArray value(valueSize, '\0');
        const ssize_t read = ::fgetxattr(from, attribute.constData(), value.data(), value.size());
        if (read < 0 || ::fsetxattr(to, attribute.constData(), value.constData(), static_cast<size_t>(read), 0) != 0) {
            return false;
        }
    }
    return true;
}

// Closes the held directories, the last one first.
struct HeldDirectories {
    QVector<int> fds;
    void closeAll()
    {
        while (!fds.isEmpty()) {
            ::close(fds.takeLast());
        }
    }
    ~HeldDirectories()
    {
        closeAll();
    }
};
}

SystemFileSystem::SystemFileSystem(const QString &mountTable)
    : m_mountTable(mountTable)
{
}

bool SystemFileSystem::readFile(const QString &path, QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool SystemFileSystem::replaceFile(const QString &path, const QByteArray &content, mode_t newFileMode)
{
    return replaceFile(QFile::encodeName(path), content, newFileMode, MaxLinks);
}

// Every directory is opened relative to the one before it without following
// links and held until the end, and the new file is made and renamed inside
// the last one: a component swapped for a link after the caller's checks
// makes the write fail instead of leading it elsewhere.
bool SystemFileSystem::replaceFile(const QByteArray &path, const QByteArray &content, mode_t newFileMode, int linksLeft)
{
    if (!path.startsWith('/') || linksLeft < 0) {
        return false;
    }
    const QList<QByteArray> components = path.mid(1).split('/');
    const QByteArray name = components.last();
    if (name.isEmpty() || name == "." || name == "..") {
        return false;
    }

    HeldDirectories chain;
    int directory = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        return false;
    }
    chain.fds.append(directory);
    for (int i = 0; i + 1 < components.size(); ++i) {
        const QByteArray &component = components.at(i);
        if (component.isEmpty() || component == "." || component == "..") {
            return false;
        }
        directory = ::openat(directory, component.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (directory < 0) {
            return false;
        }
        chain.fds.append(directory);
    }

    struct stat old;
    if (::fstatat(directory, name.constData(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        return writeNew(directory, name, content, nullptr, newFileMode);
    }
    if (S_ISLNK(old.st_mode)) {
        // A link (an fstab kept elsewhere) stays a link: its target is
        // replaced, reached by the same walk.
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlinkat(directory, name.constData(), target.data(), target.size());
        if (length <= 0 || length >= target.size()) {
            return false;
        }
        target.truncate(length);
        if (!target.startsWith('/')) {
            target = path.left(path.lastIndexOf('/') + 1) + target;
        }
        chain.closeAll();
        return replaceFile(target, content, newFileMode, linksLeft - 1);
    }
    if (!S_ISREG(old.st_mode)) {
        return false;
    }
    const int oldFd = ::openat(directory, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (oldFd < 0) {
        return false;
    }
    const bool ok = ::fstat(oldFd, &old) == 0 && S_ISREG(old.st_mode) && writeNew(directory, name, content, &old, newFileMode, oldFd);
    ::close(oldFd);
    return ok;
}

bool SystemFileSystem::writeNew(int directory, const QByteArray &name, const QByteArray &content, const struct stat *old, mode_t newFileMode, int oldFd)
{
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = "." + name + "." + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        // Private until complete: the text may be a secret of root's.
        fd = ::openat(directory, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }

    // Security labels and ACLs of the old file go over first; chown comes
    // before chmod because changing the owner may clear set-id bits.
    bool ok = writeAll(fd, content);
    ok = ok && (!old || copyExtendedAttributes(oldFd, fd));
    ok = ok && (!old || ::fchown(fd, old->st_uid, old->st_gid) == 0);
    ok = ok && ::fchmod(fd, old ? (old->st_mode & 07777) : newFileMode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::renameat(directory, temporary.constData(), directory, name.constData()) == 0;
    if (!ok) {
        ::unlinkat(directory, temporary.constData(), 0);
        return false;
    }
    ::fsync(directory);
    return true;
}

FileSystem::EntryKind SystemFileSystem::entryKind(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? Missing : OtherEntry;
    }
    if (S_ISLNK(status.st_mode)) {
        return SymbolicLink;
    }
    if (S_ISDIR(status.st_mode)) {
        return Directory;
    }
    if (S_ISREG(status.st_mode)) {
        return RegularFile;
    }
    return OtherEntry;
}

bool SystemFileSystem::isBlockDevice(const QString &path)
{
    // A link out of /dev (a device node some user made on a mounted disk)
    // does not count.
    const QString target = QFileInfo(path).canonicalFilePath();
    struct stat status;
    return target.startsWith(QLatin1String("/dev/")) && ::stat(QFile::encodeName(target).constData(), &status) == 0 && S_ISBLK(status.st_mode);
}

// Walks the path one component at a time with lstat(2), as the kernel
// would, so that every directory and link on the way is seen and judged,
// not only the last one.
QString SystemFileSystem::resolveDeviceNode(const QString &path)
{
    // As many links as the kernel follows in one lookup.
    constexpr int MaxFollowedLinks = 40;
    if (!path.startsWith(QLatin1Char('/'))) {
        return QString();
    }
    QStringList pending = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString at = QStringLiteral("/");
    int followed = 0;
    while (!pending.isEmpty()) {
        const QString component = pending.takeFirst();
        if (component == QLatin1String(".")) {
            continue;
        }
        if (component == QLatin1String("..")) {
            at = at.left(at.lastIndexOf(QLatin1Char('/')));
            if (at.isEmpty()) {
                at = QStringLiteral("/");
            }
            continue;
        }
        // Whoever may change a directory on the way may swap what it holds
        // after this answer.
        struct stat directory;
        if (::lstat(QFile::encodeName(at).constData(), &directory) != 0 || directory.st_uid != 0 || (directory.st_mode & 022) != 0) {
            return QString();
        }
        const QString next = (at == QLatin1String("/") ? QString() : at) + QLatin1Char('/') + component;
        struct stat status;
        if (::lstat(QFile::encodeName(next).constData(), &status) != 0) {
            return QString();
        }
        if (!S_ISLNK(status.st_mode)) {
            at = next;
            continue;
        }
        if (++followed > MaxFollowedLinks || status.st_uid != 0) {
            return QString();
        }
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(QFile::encodeName(next).constData(), target.data(), target.size());
        if (length <= 0 || length >= target.size()) {
            return QString();
        }
        target.truncate(length);
        const QString decoded = QFile::decodeName(target);
        if (decoded.startsWith(QLatin1Char('/'))) {
            at = QStringLiteral("/");
        }
        pending = decoded.split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
    }
    struct stat status;
    if (!at.startsWith(QLatin1String("/dev/")) || ::lstat(QFile::encodeName(at).constData(), &status) != 0 || !S_ISBLK(status.st_mode)) {
        return QString();
    }
    return at;
}

QString SystemFileSystem::mountPoint(const QString &device)
{
    QString mountPoint;
    QString type;
    findMount(device, mountPoint, type);
    return mountPoint;
}

QString SystemFileSystem::mountedType(const QString &device)
{
    QString mountPoint;
    QString type;
    findMount(device, mountPoint, type);
    return type;
}

bool SystemFileSystem::findMount(const QString &device, QString &mountPoint, QString &type) const
{
    struct stat deviceStatus;
    if (::stat(QFile::encodeName(device).constData(), &deviceStatus) != 0 || !S_ISBLK(deviceStatus.st_mode)) {
        return false;
    }
    FILE *table = ::setmntent(QFile::encodeName(m_mountTable).constData(), "r");
    if (!table) {
        return false;
    }
    // Compare device numbers rather than names: the mount table may list the
    // device under another of its names (/dev/mapper/x versus /dev/dm-0).
    // Only the device fields are examined, never the mount points, so a hung
    // network mount cannot block the helper.
    bool found = false;
    while (const mntent *entry = ::getmntent(table)) {
        struct stat entryStatus;
        if (entry->mnt_fsname[0] == '/' && ::stat(entry->mnt_fsname, &entryStatus) == 0 && S_ISBLK(entryStatus.st_mode)
            && entryStatus.st_rdev == deviceStatus.st_rdev) {
            mountPoint = QFile::decodeName(entry->mnt_dir);
            type = QFile::decodeName(entry->mnt_type);
            found = true;
            break;
        }
    }
    ::endmntent(table);
    return found;
}

bool SystemFileSystem::exists(const QString &path)
{
    return QFileInfo::exists(path);
}

PathEntry SystemFileSystem::inspect(const QString &path)
{
    return SystemPathInspector().inspect(path);
}

QString SystemFileSystem::linkTarget(const QString &path)
{
    return SystemPathInspector().linkTarget(path);
}
