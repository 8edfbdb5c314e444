// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "configurationfilerule.h"

#include "common/helperprotocol.h"
#include "common/pathinspector.h"

#include <KLocalizedString>

#include <QRegularExpression>
#include <QStringList>

namespace
{
// The name a file of that role must begin with.
QString namePrefix(ConfigFileRoleId role)
{
    switch (role) {
    case WarnquotaConfRole:
        return QStringLiteral("warnquota");
    case GroupAdminsRole:
        return QStringLiteral("quotagrpadmins");
    case QuotaTabRole:
        break;
    }
    return QStringLiteral("quotatab");
}

// Directories below /etc that other programs read as drop-in places
// (cron.d, sudoers.d, profile.d, modprobe.d, ...) must never receive a file,
// whatever its name; only directories that are plainly about quotas may.
bool isQuotaDirectory(const QString &name)
{
    return name.startsWith(QLatin1String("quota")) || name.startsWith(QLatin1String("warnquota"));
}
}

ConfigurationFileRule::ConfigurationFileRule(PathInspector &inspector)
    : m_inspector(inspector)
{
}

QString ConfigurationFileRule::defaultPath(ConfigFileRoleId role)
{
    switch (role) {
    case WarnquotaConfRole:
        return QStringLiteral("/etc/warnquota.conf");
    case GroupAdminsRole:
        return QStringLiteral("/etc/quotagrpadmins");
    case QuotaTabRole:
        break;
    }
    return QStringLiteral("/etc/quotatab");
}

QString ConfigurationFileRule::option(ConfigFileRoleId role)
{
    switch (role) {
    case WarnquotaConfRole:
        return QStringLiteral("--config=");
    case GroupAdminsRole:
        return QStringLiteral("--admins-file=");
    case QuotaTabRole:
        break;
    }
    return QStringLiteral("--quota-tab=");
}

// Plain absolute path, not the cron table, in /etc or a quota directory of
// it: everything but the name of the file itself.
QString ConfigurationFileRule::checkPlacement(const QString &path)
{
    // Nothing a shell would act on when the path stands in a cron line; no
    // component begins with '.', so "." and ".." cannot lead out of /etc.
    static const QRegularExpression plain(QStringLiteral("^(/[A-Za-z0-9_+-][A-Za-z0-9._+-]*)+$"));
    if (!plain.match(path).hasMatch()) {
        return i18nd("velun_kcm_quotas", "The file name %1 is not a plain absolute path", path);
    }
    if (path == HelperProtocol::CronTablePath) {
        return i18nd("velun_kcm_quotas", "The file %1 is the cron table of the quota notifications", path);
    }
    const QStringList components = path.mid(1).split(QLatin1Char('/'));
    bool placed = components.size() >= 2 && components.first() == QLatin1String("etc");
    for (int i = 1; placed && i + 1 < components.size(); ++i) {
        placed = isQuotaDirectory(components.at(i));
    }
    if (!placed) {
        return i18nd("velun_kcm_quotas", "The file %1 is neither in /etc nor in a quota directory of /etc", path);
    }
    return QString();
}

QString ConfigurationFileRule::checkName(const QString &path, ConfigFileRoleId role)
{
    const QString placement = checkPlacement(path);
    if (!placement.isEmpty()) {
        return placement;
    }
    const QString prefix = namePrefix(role);
    if (!path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).startsWith(prefix)) {
        return i18nd("velun_kcm_quotas", "The name of the file %1 does not begin with %2", path, prefix);
    }
    return QString();
}

QString ConfigurationFileRule::checkOnDisk(const QString &path) const
{
    // Root alone may be able to change every directory on the way, so that
    // what is checked here is still true when the helper writes.
    const QStringList components = path.mid(1).split(QLatin1Char('/'));
    QString prefix;
    for (int i = -1; i < components.size(); ++i) {
        const bool isFile = i + 1 == components.size();
        prefix = i < 0 ? QStringLiteral("/") : (i == 0 ? QString() : prefix) + QLatin1Char('/') + components.at(i);
        const PathEntry entry = m_inspector.inspect(prefix);
        if (entry.kind == PathEntry::SymbolicLink) {
            return i18nd("velun_kcm_quotas", "The path of the file %1 passes through the symbolic link %2", path, prefix);
        }
        if (isFile) {
            if (entry.kind != PathEntry::RegularFile && entry.kind != PathEntry::Missing) {
                return i18nd("velun_kcm_quotas", "The file %1 is not a regular file", path);
            }
            break;
        }
        if (entry.kind == PathEntry::Missing) {
            return i18nd("velun_kcm_quotas", "The directory %2 on the path of the file %1 does not exist", path, prefix);
        }
        if (entry.kind != PathEntry::Directory || entry.owner != 0 || (entry.mode & 022) != 0) {
            return i18nd("velun_kcm_quotas", "The directory %2 on the path of the file %1 is not owned by root or can be written by others", path, prefix);
        }
    }
    return QString();
}

QString ConfigurationFileRule::check(const QString &path, ConfigFileRoleId role) const
{
    const QString name = checkName(path, role);
    return name.isEmpty() ? checkOnDisk(path) : name;
}

QString ConfigurationFileRule::checkAnyRole(const QString &path) const
{
    const QString placement = checkPlacement(path);
    if (!placement.isEmpty()) {
        return placement;
    }
    for (const ConfigFileRoleId role : {WarnquotaConfRole, GroupAdminsRole, QuotaTabRole}) {
        if (checkName(path, role).isEmpty()) {
            return checkOnDisk(path);
        }
    }
    return i18nd("velun_kcm_quotas", "The name of the file %1 begins with none of warnquota, quotagrpadmins and quotatab", path);
}
