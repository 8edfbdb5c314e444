// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemfoldertree.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

struct SystemFolderTree::Walk {
    quint32 id = 0;
    dev_t device = 0;
    // The mount the folder is on: a bind mount of the same file system
    // beneath it is another mount all the same, and could even lead back
    // into the folder.
    quint64 mountId = 0;
    bool haveMountId = false;
    QSet<ino_t> directories;
    Result result;
};

namespace
{
bool mountIdOf(int fd, quint64 &id)
{
#ifdef STX_MNT_ID
    struct statx status;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STX_MNT_ID, &status) == 0 && (status.stx_mask & STX_MNT_ID)) {
        id = status.stx_mnt_id;
        return true;
    }
#else
    Q_UNUSED(fd)
    Q_UNUSED(id)
#endif
    return false;
}

class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    void reset(int fd)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    int get() const
    {
        return m_fd;
    }

private:
    int m_fd;
};

void noteFailure(FolderTree::Result &result, const QString &path, int error)
{
    if (result.failed++ == 0) {
        result.firstFailure = path;
        result.error = error;
    }
}
}

FolderTree::Result SystemFolderTree::setProject(const QString &device, const QString &folder, quint32 id)
{
    Walk walk;
    walk.id = id;
    struct stat deviceStatus;
    if (::stat(QFile::encodeName(device).constData(), &deviceStatus) != 0 || !S_ISBLK(deviceStatus.st_mode)) {
        walk.result.refusal = OtherFileSystem;
        return walk.result;
    }
    walk.device = deviceStatus.st_rdev;

    // Each part is opened inside the one before without following a link,
    // and the last one is what the walk then works on: a part swapped for a
    // link after the caller's checks makes the open fail instead of leading
    // elsewhere.
    Descriptor current(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QList<QByteArray> parts = QFile::encodeName(folder).mid(1).split('/');
    for (const QByteArray &part : parts) {
        if (current.get() < 0) {
            break;
        }
        const int next = ::openat(current.get(), part.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int error = errno;
            struct stat status;
            if (error == ENOENT) {
                walk.result.refusal = Missing;
            } else if (error == ELOOP
                       || (error == ENOTDIR && ::fstatat(current.get(), part.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode))) {
                // O_DIRECTORY answers a link with ENOTDIR.
                walk.result.refusal = LinkOnTheWay;
            } else if (error == ENOTDIR) {
                walk.result.refusal = NotADirectory;
            } else {
                walk.result.refusal = Unreachable;
                walk.result.error = error;
            }
            return walk.result;
        }
        current.reset(next);
    }
    struct stat status;
    if (current.get() < 0 || ::fstat(current.get(), &status) != 0) {
        walk.result.refusal = Unreachable;
        walk.result.error = errno;
        return walk.result;
    }
    if (status.st_dev != walk.device) {
        walk.result.refusal = OtherFileSystem;
        return walk.result;
    }
    walk.haveMountId = mountIdOf(current.get(), walk.mountId);
    walk.directories.insert(status.st_ino);
    setAttributes(walk, current.get(), true, folder);
    // What the folder itself refuses (a file system without project ids)
    // every entry beneath would refuse too.
    if (walk.result.failed == 0) {
        walkDirectory(walk, current.get(), folder);
    }
    return walk.result;
}

void SystemFolderTree::walkDirectory(Walk &walk, int directory, const QString &path)
{
    const int copy = ::fcntl(directory, F_DUPFD_CLOEXEC, 0);
    DIR *entries = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!entries) {
        noteFailure(walk.result, path, errno);
        if (copy >= 0) {
            ::close(copy);
        }
        return;
    }
    while (const dirent *entry = ::readdir(entries)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const QString childPath = path + QLatin1Char('/') + QFile::decodeName(name);
        struct stat status;
        if (::fstatat(directory, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            noteFailure(walk.result, childPath, errno);
            continue;
        }
        // Links are not followed, and device nodes, pipes and sockets are
        // not opened: opening a device can act on it.
        const bool isDirectory = S_ISDIR(status.st_mode);
        if (!isDirectory && !S_ISREG(status.st_mode)) {
            continue;
        }
        if (status.st_dev != walk.device) {
            ++walk.result.otherMounts;
            continue;
        }
        Descriptor child(::openat(directory, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (isDirectory ? O_DIRECTORY : 0)));
        struct stat opened;
        if (child.get() < 0 || ::fstat(child.get(), &opened) != 0) {
            noteFailure(walk.result, childPath, errno);
            continue;
        }
        // Swapped since it was looked at: whatever it is now, it is not
        // what was judged.
        if (opened.st_ino != status.st_ino || opened.st_dev != status.st_dev) {
            noteFailure(walk.result, childPath, EAGAIN);
            continue;
        }
        if (isDirectory) {
            quint64 mountId = 0;
            if ((walk.haveMountId && mountIdOf(child.get(), mountId) && mountId != walk.mountId) || walk.directories.contains(opened.st_ino)) {
                ++walk.result.otherMounts;
                continue;
            }
            walk.directories.insert(opened.st_ino);
        }
        setAttributes(walk, child.get(), isDirectory, childPath);
        if (isDirectory) {
            walkDirectory(walk, child.get(), childPath);
        }
    }
    ::closedir(entries);
}

void SystemFolderTree::setAttributes(Walk &walk, int fd, bool isDirectory, const QString &path)
{
    struct fsxattr attributes;
    if (::ioctl(fd, FS_IOC_FSGETXATTR, &attributes) != 0) {
        noteFailure(walk.result, path, errno);
        return;
    }
    attributes.fsx_projid = walk.id;
    // New files and folders beneath take the folder's id from the flag.
    if (isDirectory && walk.id != 0) {
        attributes.fsx_xflags |= FS_XFLAG_PROJINHERIT;
    } else if (isDirectory) {
        attributes.fsx_xflags &= ~FS_XFLAG_PROJINHERIT;
    }
    if (::ioctl(fd, FS_IOC_FSSETXATTR, &attributes) != 0) {
        noteFailure(walk.result, path, errno);
        return;
    }
    ++walk.result.changed;
}
