// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systempathinspector.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

PathEntry SystemPathInspector::inspect(const QString &path)
{
    PathEntry entry;
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        entry.kind = errno == ENOENT || errno == ENOTDIR ? PathEntry::Missing : PathEntry::OtherEntry;
        return entry;
    }
    entry.owner = status.st_uid;
    entry.mode = status.st_mode & 07777;
    if (S_ISLNK(status.st_mode)) {
        entry.kind = PathEntry::SymbolicLink;
    } else if (S_ISDIR(status.st_mode)) {
        entry.kind = PathEntry::Directory;
    } else if (S_ISREG(status.st_mode)) {
        entry.kind = PathEntry::RegularFile;
    } else {
        entry.kind = PathEntry::OtherEntry;
    }
    return entry;
}

QString SystemPathInspector::linkTarget(const QString &path)
{
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target.data(), target.size());
    if (length <= 0 || length >= target.size()) {
        return QString();
    }
    target.truncate(length);
    return QFile::decodeName(target);
}
