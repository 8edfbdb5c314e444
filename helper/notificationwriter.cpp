// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationwriter.h"

#include "helper/failure.h"
#include "helper/filesystem.h"
#include "helper/warnquotacronline.h"

#include <KLocalizedString>

#include <algorithm>

namespace
{
const QStringList defaultConfFiles = {
    QStringLiteral("/etc/warnquota.conf"),
    QStringLiteral("/etc/quotatab"),
    QStringLiteral("/etc/quotagrpadmins"),
};

// cron ignores tables that others may write; root owns new files anyway.
constexpr mode_t NewFileMode = 0644;
}

NotificationWriter::NotificationWriter(FileSystem &files)
    : m_files(files)
{
}

QString NotificationWriter::cronFilePath()
{
    return QStringLiteral("/etc/cron.d/warnquota");
}

void NotificationWriter::writeCronFile(const QString &path, const QStringList &lines)
{
    if (path != cronFilePath() || !std::all_of(lines.cbegin(), lines.cend(), &WarnquotaCronLine::isAccepted)) {
        refuse(path);
    }
    write(path, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void NotificationWriter::writeConfFile(const QString &path, const QString &text)
{
    if (!defaultConfFiles.contains(path) && !pathsNamedByCronFile().contains(path)) {
        refuse(path);
    }
    write(path, text);
}

// The panel writes the cron table before the files its jobs name, so a
// file of a new job is already listed here when its text arrives.
QStringList NotificationWriter::pathsNamedByCronFile() const
{
    QByteArray content;
    if (!m_files.readFile(cronFilePath(), content)) {
        return {};
    }
    QStringList result;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        QStringList paths;
        if (WarnquotaCronLine::isJob(line, &paths)) {
            result += paths;
        }
    }
    return result;
}

// Absolute, no "." or ".." components, no symbolic link on the way, and a
// regular file or nothing at the end: a request can't be bent to write
// through a link into some other file.
bool NotificationWriter::isSafeTarget(const QString &path) const
{
    if (!path.startsWith(QLatin1Char('/'))) {
        return false;
    }
    const QStringList components = path.mid(1).split(QLatin1Char('/'));
    QString prefix;
    for (int i = 0; i < components.size(); ++i) {
        const QString &component = components.at(i);
        if (component.isEmpty() || component == QLatin1String(".") || component == QLatin1String("..")) {
            return false;
        }
        prefix += QLatin1Char('/') + component;
        const FileSystem::EntryKind kind = m_files.entryKind(prefix);
        if (i + 1 < components.size() ? kind != FileSystem::Directory : kind != FileSystem::RegularFile && kind != FileSystem::Missing) {
            return false;
        }
    }
    return true;
}

void NotificationWriter::write(const QString &path, const QString &text)
{
    if (!isSafeTarget(path)) {
        refuse(path);
    }
    QByteArray bytes = text.toUtf8();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    if (!m_files.replaceFile(path, bytes, NewFileMode)) {
        refuse(path);
    }
}

void NotificationWriter::refuse(const QString &path) const
{
    fail(i18nd("velun_kcm_quotas", "Can'n create %1 file", path));
}
