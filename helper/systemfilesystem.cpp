// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemfilesystem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <mntent.h>
#include <sys/stat.h>
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

void syncDirectory(const QByteArray &directory)
{
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
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
    // A link (an fstab kept elsewhere) stays a link: its target is replaced.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        target = info.canonicalFilePath();
        if (target.isEmpty()) {
            return false;
        }
    }
    const QByteArray targetName = QFile::encodeName(target);

    struct stat old;
    const bool hasOld = ::stat(targetName.constData(), &old) == 0;
    if (!hasOld && errno != ENOENT) {
        return false;
    }
    if (hasOld && !S_ISREG(old.st_mode)) {
        return false;
    }

    // The temporary file must be on the same file system for rename() to
    // replace the old file in one step.
    const int slash = targetName.lastIndexOf('/');
    const QByteArray directory = slash > 0 ? targetName.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    QByteArray temporaryName = directory + "/." + targetName.mid(slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temporaryName.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }

    // chown before chmod: changing the owner may clear set-id bits.
    bool ok = writeAll(fd, content);
    ok = ok && (!hasOld || ::fchown(fd, old.st_uid, old.st_gid) == 0);
    ok = ok && ::fchmod(fd, hasOld ? (old.st_mode & 07777) : newFileMode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporaryName.constData(), targetName.constData()) == 0;
    if (!ok) {
        ::unlink(temporaryName.constData());
        return false;
    }
    syncDirectory(directory);
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
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISBLK(status.st_mode);
}

QString SystemFileSystem::mountPoint(const QString &device)
{
    struct stat deviceStatus;
    if (::stat(QFile::encodeName(device).constData(), &deviceStatus) != 0 || !S_ISBLK(deviceStatus.st_mode)) {
        return QString();
    }
    FILE *table = ::setmntent(QFile::encodeName(m_mountTable).constData(), "r");
    if (!table) {
        return QString();
    }
    // Compare device numbers rather than names: the mount table may list the
    // device under another of its names (/dev/mapper/x versus /dev/dm-0).
    // Only the device fields are examined, never the mount points, so a hung
    // network mount cannot block the helper.
    QString result;
    while (const mntent *entry = ::getmntent(table)) {
        struct stat entryStatus;
        if (entry->mnt_fsname[0] == '/' && ::stat(entry->mnt_fsname, &entryStatus) == 0 && S_ISBLK(entryStatus.st_mode)
            && entryStatus.st_rdev == deviceStatus.st_rdev) {
            result = QFile::decodeName(entry->mnt_dir);
            break;
        }
    }
    ::endmntent(table);
    return result;
}

bool SystemFileSystem::exists(const QString &path)
{
    return QFileInfo::exists(path);
}
