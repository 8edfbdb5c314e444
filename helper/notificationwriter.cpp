// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationwriter.h"

#include "common/configurationfilerule.h"
#include "common/helperprotocol.h"
#include "common/mailcommandrule.h"
#include "helper/failure.h"
#include "helper/filesystem.h"
#include "helper/warnquotacronline.h"

#include <KLocalizedString>

namespace
{
// cron ignores tables that others may write; root owns new files anyway.
constexpr mode_t NewFileMode = 0644;

// Far beyond what the panel writes; larger requests only cost root's time
// and memory, so they are refused before anything is read or written.
constexpr int MaxConfigurationBytes = 1024 * 1024;
constexpr int MaxCronJobs = 100;
constexpr int MaxCronLineBytes = 1024;
// The fixed lines the panel puts above its jobs.
constexpr int CronHeaderLines = 3;
}

NotificationWriter::NotificationWriter(FileSystem &files)
    : m_files(files)
{
}

QString NotificationWriter::cronFilePath()
{
    return HelperProtocol::CronTablePath;
}

void NotificationWriter::writeCronFile(const QString &path, const QStringList &lines)
{
    if (path != cronFilePath()) {
        refuse(path);
    }
    if (lines.size() > MaxCronJobs + CronHeaderLines) {
        fail(i18nd("velun_kcm_quotas", "The cron table holds more than %1 jobs", QString::number(MaxCronJobs)));
    }
    for (const QString &line : lines) {
        // Every character takes at least one byte, so the count in
        // characters settles most lines without encoding them.
        if (line.size() > MaxCronLineBytes || line.toUtf8().size() > MaxCronLineBytes) {
            fail(i18nd("velun_kcm_quotas", "A line of the cron table is longer than %1 bytes", QString::number(MaxCronLineBytes)));
        }
    }
    const ConfigurationFileRule rule(m_files);
    for (const QString &line : lines) {
        QList<WarnquotaCronLine::NamedFile> files;
        if (WarnquotaCronLine::isHeaderLine(line)) {
            continue;
        }
        if (!WarnquotaCronLine::isJob(line, &files)) {
            refuse(path);
        }
        // A job that names a file the rule refuses would make that file
        // writable through write_conf_file.
        for (const auto &file : std::as_const(files)) {
            const QString reason = rule.check(file.path, file.role);
            if (!reason.isEmpty()) {
                fail(reason);
            }
        }
    }
    write(path, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void NotificationWriter::writeConfFile(const QString &path, const QString &text)
{
    if (text.size() > MaxConfigurationBytes || text.toUtf8().size() > MaxConfigurationBytes) {
        fail(i18nd("velun_kcm_quotas", "The text for %1 is larger than 1 MiB", path));
    }
    QList<ConfigFileRoleId> roles;
    for (const ConfigFileRoleId role : {WarnquotaConfRole, GroupAdminsRole, QuotaTabRole}) {
        if (ConfigurationFileRule::defaultPath(role) == path) {
            roles.append(role);
        }
    }
    for (const auto &file : filesNamedByCronFile()) {
        if (file.path == path) {
            roles.append(file.role);
        }
    }
    if (roles.isEmpty()) {
        refuse(path);
    }
    // The cron table on disk may have been edited by hand: a file it names
    // is still checked for every role it is named in.
    const ConfigurationFileRule rule(m_files);
    for (const ConfigFileRoleId role : std::as_const(roles)) {
        const QString reason = rule.check(path, role);
        if (!reason.isEmpty()) {
            fail(reason);
        }
    }
    // warnquota runs MAIL_CMD through a shell: the text of a file that is
    // read as its configuration may name only a program of root's.
    if (roles.contains(WarnquotaConfRole)) {
        // Judged as written: the text ends at its first zero character.
        const int zero = text.indexOf(QChar(0));
        const QString reason = MailCommandRule(m_files).check(zero >= 0 ? text.left(zero) : text);
        if (!reason.isEmpty()) {
            fail(reason);
        }
    }
    write(path, text);
}

// The panel writes the cron table before the files its jobs name, so a
// file of a new job is already listed here when its text arrives.
QList<WarnquotaCronLine::NamedFile> NotificationWriter::filesNamedByCronFile() const
{
    QByteArray content;
    if (!m_files.readFile(cronFilePath(), content)) {
        return {};
    }
    QList<WarnquotaCronLine::NamedFile> result;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        QList<WarnquotaCronLine::NamedFile> files;
        if (WarnquotaCronLine::isJob(line, &files)) {
            result += files;
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
