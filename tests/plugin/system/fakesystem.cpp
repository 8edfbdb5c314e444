// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "fakesystem.h"

#include "common/devicespecification.h"
#include "common/helperprotocol.h"
#include "common/projectfile.h"
#include "common/quotarecordbatch.h"
#include "common/settingsid.h"
#include "plugin/system/configreader.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cerrno>

#include <algorithm>

namespace
{
const QStringList commands = {
    QStringLiteral("get_data"),
    QStringLiteral("get_quota_info"),
    QStringLiteral("get_all_quota_info"),
    QStringLiteral("get_quota_tables"),
    QStringLiteral("set_device_options"),
    QStringLiteral("create_quota_file"),
    QStringLiteral("remount_device"),
    QStringLiteral("enable_device_quota"),
    QStringLiteral("set_device_grace_period"),
    QStringLiteral("set_quota_info"),
    QStringLiteral("set_folder_project"),
    QStringLiteral("clear_folder_project"),
    QStringLiteral("add_project_entry"),
    QStringLiteral("remove_project_entry"),
};

QByteArray readAllOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAllOf(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(content);
    }
}

QString recordKey(const QString &path, int type, int id)
{
    return QStringLiteral("%1|%2|%3").arg(path).arg(type).arg(id);
}

// XFS counts a kind from the mount on that carries one of its options.
bool xfsCounts(const FakeSystem::Device &d, int kind)
{
    static const QStringList forms[3] = {{QStringLiteral("usrquota"), QStringLiteral("uquota"), QStringLiteral("quota"), QStringLiteral("uqnoenforce")},
                                         {QStringLiteral("grpquota"), QStringLiteral("gquota"), QStringLiteral("gqnoenforce")},
                                         {QStringLiteral("prjquota"), QStringLiteral("pquota"), QStringLiteral("pqnoenforce")}};
    return d.mounted && std::any_of(forms[kind].cbegin(), forms[kind].cend(), [&d](const QString &form) {
               return d.mountOptions.contains(form);
           });
}

void writeLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream(&file) << lines.join(QLatin1Char('\n')) << '\n';
    }
}
}

FakeSystem::FakeSystem()
{
    ProxyQuotaData::registerMetaType();
    m_executor.respond = [this](const FakeHelperExecutor::Request &request) {
        return answer(request.actionName, request.arguments, request.timeoutMs);
    };
    writeTables();
    ConfigReader::instance().setTabFilePaths(m_dir.filePath(QStringLiteral("fstab")), m_dir.filePath(QStringLiteral("mtab")));
    ConfigReader::instance().setHelperExecutor(&m_executor);
}

FakeSystem::~FakeSystem()
{
    ConfigReader::instance().setHelperExecutor(nullptr);
    ConfigReader::instance().setTabFilePaths(QString(), QString());
}

QString FakeSystem::projectsPath() const
{
    return m_dir.filePath(QStringLiteral("projects"));
}

QString FakeSystem::projidPath() const
{
    return m_dir.filePath(QStringLiteral("projid"));
}

void FakeSystem::writeProjectFiles(const QByteArray &projects, const QByteArray &projid)
{
    writeAllOf(projectsPath(), projects);
    writeAllOf(projidPath(), projid);
}

QByteArray FakeSystem::projectsContent() const
{
    return readAllOf(projectsPath());
}

QByteArray FakeSystem::projidContent() const
{
    return readAllOf(projidPath());
}

FakeHelperExecutor &FakeSystem::executor()
{
    return m_executor;
}

QString FakeSystem::addDevice(const Device &device)
{
    Device d = device;
    d.quotaOn[2] = d.quotaOn[2] || d.projectsOn;
    if (d.fsSpec.isEmpty()) {
        d.fsSpec = d.path;
    }
    d.mountDir = m_dir.filePath(QStringLiteral("mnt%1").arg(m_devices.size()));
    QDir().mkpath(d.mountDir);
    m_devices.append(d);
    writeTables();
    return d.mountDir;
}

FakeSystem::Device &FakeSystem::device(const QString &path)
{
    for (Device &d : m_devices) {
        if (d.path == path) {
            return d;
        }
    }
    qFatal("no such fake device");
}

void FakeSystem::addRawFstabLine(const QString &line)
{
    m_rawFstab.append(line);
    writeTables();
}

void FakeSystem::writeTables()
{
    QStringList fstab = {QStringLiteral("# static file system information")};
    fstab += m_rawFstab;
    QStringList mtab = {QStringLiteral("proc /proc proc rw,nosuid 0 0")};
    for (const Device &d : std::as_const(m_devices)) {
        if (d.inFstab) {
            fstab.append(QStringLiteral("%1 %2 %3 %4 0 2").arg(d.fsSpec, d.mountDir, d.type, d.fstabOptions.join(QLatin1Char(','))));
        }
        if (d.mounted) {
            mtab.append(
                QStringLiteral("%1 %2 %3 %4 0 0").arg(d.path, d.root ? QStringLiteral("/") : d.mountDir, d.type, d.mountOptions.join(QLatin1Char(','))));
        }
    }
    writeLines(m_dir.filePath(QStringLiteral("fstab")), fstab);
    writeLines(m_dir.filePath(QStringLiteral("mtab")), mtab);
}

QString FakeSystem::quotaFilePath(const QString &path, int type) const
{
    for (const Device &d : m_devices) {
        if (d.path == path) {
            return d.mountDir + (type == 0 ? QStringLiteral("/aquota.user") : QStringLiteral("/aquota.group"));
        }
    }
    return QString();
}

void FakeSystem::createQuotaFile(const QString &path, int type)
{
    QFile file(quotaFilePath(path, type));
    file.open(QIODevice::WriteOnly);
}

bool FakeSystem::quotaFileExists(const QString &path, int type) const
{
    return QFile::exists(quotaFilePath(path, type));
}

void FakeSystem::setRecord(const QString &path, int type, int id, const ProxyQuotaData &record)
{
    m_records.insert(recordKey(path, type, id), record);
}

ProxyQuotaData FakeSystem::record(const QString &path, int type, int id) const
{
    return m_records.value(recordKey(path, type, id));
}

void FakeSystem::failNext(const QString &command, const QString &text, const QString &device)
{
    m_failCommand = command;
    m_failText = text;
    m_failDevice = device;
}

QStringList FakeSystem::changeLog() const
{
    QStringList log;
    for (const Call &call : calls) {
        if (call.action != QLatin1String("change")) {
            continue;
        }
        QString entry = call.command + QLatin1Char(' ') + call.arguments.value(QStringLiteral("device_name")).toString();
        if (call.command == QLatin1String("set_device_options")) {
            entry += QLatin1Char(' ') + call.arguments.value(QStringLiteral("options")).toStringList().join(QLatin1Char(','));
        } else if (call.command == QLatin1String("enable_device_quota")) {
            entry += QLatin1Char(' ') + QString::number(call.arguments.value(QStringLiteral("type")).toInt())
                + (call.arguments.value(QStringLiteral("enable")).toBool() ? QStringLiteral(" on") : QStringLiteral(" off"));
        } else if (call.command.contains(QLatin1String("project"))) {
            // The folder requests: "<command> <device> <folder> <id>", each
            // part only where the request has it.
            for (const QString &key : {QStringLiteral("folder"), QStringLiteral("id")}) {
                if (call.arguments.contains(key)) {
                    entry += QLatin1Char(' ') + call.arguments.value(key).toString();
                }
            }
        } else if (call.arguments.contains(QStringLiteral("type"))) {
            entry += QLatin1Char(' ') + QString::number(call.arguments.value(QStringLiteral("type")).toInt());
        }
        log.append(entry);
    }
    return log;
}

int FakeSystem::count(const QString &command) const
{
    return std::count_if(calls.cbegin(), calls.cend(), [&command](const Call &call) {
        return call.command == command;
    });
}

QString FakeSystem::commandOf(const QVariantMap &arguments) const
{
    for (const QString &command : commands) {
        if (arguments.contains(command)) {
            return command;
        }
    }
    return QString();
}

HelperActionExecutor::Result FakeSystem::answer(const QString &actionName, const QVariantMap &arguments, int timeoutMs)
{
    if (onRequest) {
        onRequest(commandOf(arguments));
    }
    const QString command = commandOf(arguments);
    const QString action = actionName == accessActionName() ? QStringLiteral("access")
        : actionName == changeActionName()                  ? QStringLiteral("change")
                                                            : actionName;
    calls.append({action, command, arguments});
    timeouts.append(timeoutMs);

    Result result;
    const QString device = arguments.value(QStringLiteral("device_name")).toString();
    if (!m_failCommand.isEmpty() && command == m_failCommand && (m_failDevice.isEmpty() || m_failDevice == device)) {
        result.errorText = m_failText;
        m_failCommand.clear();
        return result;
    }
    result.succeeded = true;
    if (command == QLatin1String("get_data")) {
        result.data.insert(QStringLiteral("blkid_data"), blkidOutput());
    } else if (command == QLatin1String("get_quota_info")) {
        const ProxyQuotaData record =
            m_records.value(recordKey(device, arguments.value(QStringLiteral("type")).toInt(), arguments.value(QStringLiteral("id")).toInt()));
        result.data.insert(QStringLiteral("quota_info"), QVariant::fromValue(record));
    } else if (command == QLatin1String("get_all_quota_info")) {
        return readAll(device, arguments.value(QStringLiteral("type")).toInt(), arguments.value(QStringLiteral("ids")).toByteArray());
    } else if (command == QLatin1String("get_quota_tables")) {
        // Table by table as the helper answers: a table it cannot read
        // carries the reason, the others their records.
        const QString kinds[3][3] = {{QStringLiteral("user_devices"), QStringLiteral("user_ids"), QStringLiteral("user_records")},
                                     {QStringLiteral("group_devices"), QStringLiteral("group_ids"), QStringLiteral("group_records")},
                                     {QStringLiteral("project_devices"), QStringLiteral("project_ids"), QStringLiteral("project_records")}};
        // Asked with the blkid lines, a device may be named by its tag.
        const bool withBlkid = arguments.value(QStringLiteral("with_blkid_data")).toBool();
        if (withBlkid) {
            result.data.insert(QStringLiteral("blkid_data"), blkidOutput());
        }
        for (int type = 0; type < 3; ++type) {
            if (type == 2 && !arguments.contains(kinds[type][0])) {
                continue;
            }
            QVariantList tables;
            for (const QString &name : arguments.value(kinds[type][0]).toStringList()) {
                const QString path = withBlkid && !name.startsWith(QLatin1Char('/')) ? DeviceSpecification::blockDeviceName(name, blkidOutput()) : name;
                const Result table = readAll(path, type, arguments.value(kinds[type][1]).toByteArray());
                tables.append(table.succeeded ? table.data.value(QStringLiteral("quota_records")) : QVariant(table.errorText));
            }
            result.data.insert(kinds[type][2], tables);
        }
    } else if (action == QLatin1String("change")) {
        return handleChange(command, arguments);
    }
    return result;
}

QStringList FakeSystem::blkidOutput() const
{
    if (!blkidLines.isEmpty()) {
        return blkidLines;
    }
    QStringList lines;
    for (const Device &d : std::as_const(m_devices)) {
        lines.append(QStringLiteral("%1: %2TYPE=\"%3\"").arg(d.path, d.blkidPairs.isEmpty() ? QString() : d.blkidPairs + QLatin1Char(' '), d.type));
    }
    lines.append(QString());
    return lines;
}

HelperActionExecutor::Result FakeSystem::readAll(const QString &path, int type, const QByteArray &packedIds)
{
    Result result;
    const bool quotaOn = std::any_of(m_devices.cbegin(), m_devices.cend(), [&](const Device &d) {
        return d.path == path && d.mounted
            && ((type >= 0 && type <= 1 && d.quotaOn[type]) || (type == 2 && (d.projectsAccounted || (d.type == QLatin1String("xfs") && xfsCounts(d, 2)))));
    });
    QVector<quint32> ids;
    if (!quotaOn || !QuotaRecordBatch::decodeIds(packedIds, ids)) {
        result.errorText = QStringLiteral("No disk map was found for the specified user. Quota turned off in file system");
        return result;
    }
    // As the kernel's walk: every record held, then zeros for the rest.
    QMap<quint32, ProxyQuotaData> records;
    const QString prefix = recordKey(path, type, 0).chopped(1);
    for (auto it = m_records.cbegin(); it != m_records.cend(); ++it) {
        if (it.key().startsWith(prefix)) {
            records.insert(it.key().mid(prefix.size()).toUInt(), it.value());
        }
    }
    for (quint32 id : std::as_const(ids)) {
        if (!records.contains(id)) {
            records.insert(id, ProxyQuotaData());
        }
    }
    QVector<QuotaRecordBatch::Entry> entries;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        entries.append({it.key(), it.value()});
    }
    result.succeeded = true;
    result.data.insert(QStringLiteral("quota_records"), QuotaRecordBatch::encodeRecords(entries));
    return result;
}

HelperActionExecutor::Result FakeSystem::handleChange(const QString &command, const QVariantMap &arguments)
{
    Result result;
    result.succeeded = true;
    // The project files' requests name no device.
    if (command == QLatin1String("add_project_entry") || command == QLatin1String("remove_project_entry")) {
        const QString id = QString::number(arguments.value(QStringLiteral("id")).toUInt());
        ProjectFile projects(projectsContent());
        ProjectFile projid(projidContent());
        if (command == QLatin1String("add_project_entry")) {
            projects.append(id, arguments.value(QStringLiteral("folder")).toString());
            projid.append(arguments.value(QStringLiteral("project_name")).toString(), id);
        } else {
            projects.removeEntries(0, id);
            projid.removeEntries(1, id);
        }
        writeProjectFiles(projects.content(), projid.content());
        return result;
    }
    Device &d = device(arguments.value(QStringLiteral("device_name")).toString());
    const int type = arguments.value(QStringLiteral("type")).toInt();
    if (command == QLatin1String("set_device_options")) {
        // As the helper: one quota option added or taken out, nothing else
        // (the same list again changes nothing).
        const QStringList requested = arguments.value(QStringLiteral("options")).toStringList();
        bool oneChange = requested == d.fstabOptions;
        for (const QString &option : quotaMountOptionSpellings()) {
            QStringList removed = d.fstabOptions;
            oneChange = oneChange || (!d.fstabOptions.contains(option) && requested == d.fstabOptions + QStringList{option})
                || (removed.removeAll(option) > 0 && (requested == removed || (removed.isEmpty() && requested == QStringList{QStringLiteral("defaults")})));
        }
        if (!oneChange) {
            result.succeeded = false;
            result.errorText = QStringLiteral("Only the quota options of device %1 can be changed").arg(d.path);
            return result;
        }
        d.fstabOptions = arguments.value(QStringLiteral("options")).toStringList();
    } else if (command == QLatin1String("remount_device")) {
        if (!d.mounted || (d.root && d.type == QLatin1String("xfs"))) {
            result.succeeded = false;
            result.errorText = QStringLiteral("Failed to remount device %1").arg(d.path);
            return result;
        }
        if (remountAppliesFstab) {
            QStringList options = {QStringLiteral("rw"), QStringLiteral("relatime")};
            for (const QString &option : std::as_const(d.fstabOptions)) {
                if (option.endsWith(QLatin1String("quota"))) {
                    options.append(option);
                }
            }
            d.mountOptions = options;
            // XFS mounted anew enforces every kind it was given.
            for (int kind = 0; kind < 3 && d.type == QLatin1String("xfs"); ++kind) {
                d.quotaOn[kind] = xfsCounts(d, kind);
            }
        }
    } else if (command == QLatin1String("create_quota_file")) {
        // The helper creates nothing where the records are kept inside.
        if (quotacheckCreatesFile && !d.internalQuota) {
            createQuotaFile(d.path, type);
        }
    } else if (command == QLatin1String("enable_device_quota")) {
        if (d.type == QLatin1String("xfs") && !xfsCounts(d, type)) {
            result.succeeded = false;
            result.errorText = QStringLiteral("XFS does not count these quotas on %1").arg(d.path);
            return result;
        }
        d.quotaOn[type] = arguments.value(QStringLiteral("enable")).toBool();
        d.projectsOn = d.quotaOn[2];
    } else if (command == QLatin1String("set_device_grace_period")) {
        d.blockGrace[type] = arguments.value(QStringLiteral("bgrace")).toUInt();
        d.inodeGrace[type] = arguments.value(QStringLiteral("igrace")).toUInt();
    } else if (command == QLatin1String("set_folder_project")) {
        folderIds.insert(arguments.value(QStringLiteral("folder")).toString(), arguments.value(QStringLiteral("id")).toUInt());
    } else if (command == QLatin1String("clear_folder_project")) {
        folderIds.remove(arguments.value(QStringLiteral("folder")).toString());
    } else if (command == QLatin1String("set_quota_info")) {
        setRecord(d.path, type, arguments.value(QStringLiteral("id")).toInt(), arguments.value(QStringLiteral("info")).value<ProxyQuotaData>());
    }
    writeTables();
    return result;
}

int FakeSystem::getState(const QByteArray &device, fs_quota_statv *state)
{
    if (state->qs_version != FS_QSTATV_VERSION1) {
        return EINVAL;
    }
    for (const Device &d : std::as_const(m_devices)) {
        if (d.path.toUtf8() != device || !d.mounted) {
            continue;
        }
        if (d.type == QLatin1String("xfs")) {
            // Counted from the mount's options; its records under ordinary
            // inode numbers.
            const bool counts[3] = {xfsCounts(d, 0), xfsCounts(d, 1), xfsCounts(d, 2)};
            state->qs_flags = (counts[0] ? FS_QUOTA_UDQ_ACCT : 0) | (counts[0] && d.quotaOn[0] ? FS_QUOTA_UDQ_ENFD : 0) | (counts[1] ? FS_QUOTA_GDQ_ACCT : 0)
                | (counts[1] && d.quotaOn[1] ? FS_QUOTA_GDQ_ENFD : 0) | (counts[2] ? FS_QUOTA_PDQ_ACCT : 0)
                | (counts[2] && d.quotaOn[2] ? FS_QUOTA_PDQ_ENFD : 0);
            state->qs_uquota.qfs_ino = counts[0] ? 131 : 0;
            state->qs_gquota.qfs_ino = counts[1] ? 132 : 0;
            state->qs_pquota.qfs_ino = counts[2] ? 133 : 0;
            return state->qs_flags != 0 ? 0 : ENOSYS;
        }
        // Quota files are accounted only while quotaon has them on; hidden
        // records are accounted from mount time on.
        const bool users = d.internalQuota || d.quotaOn[0];
        const bool groups = d.internalQuota || d.quotaOn[1];
        state->qs_flags = (users ? FS_QUOTA_UDQ_ACCT : 0) | (d.quotaOn[0] ? FS_QUOTA_UDQ_ENFD : 0) | (groups ? FS_QUOTA_GDQ_ACCT : 0)
            | (d.quotaOn[1] ? FS_QUOTA_GDQ_ENFD : 0) | (d.projectsAccounted ? FS_QUOTA_PDQ_ACCT : 0)
            | (d.projectsAccounted && d.quotaOn[2] ? FS_QUOTA_PDQ_ENFD : 0);
        state->qs_uquota.qfs_ino = users ? (d.internalQuota ? 3 : 12) : 0;
        state->qs_gquota.qfs_ino = groups ? (d.internalQuota ? 4 : 13) : 0;
        state->qs_pquota.qfs_ino = d.projectsAccounted ? 14 : 0;
        return state->qs_flags != 0 ? 0 : ENOSYS;
    }
    return ENODEV;
}

int FakeSystem::getInfo(const QByteArray &device, int type, dqinfo *info)
{
    for (const Device &d : std::as_const(m_devices)) {
        if (d.path.toUtf8() == device && d.mounted && type >= 0 && type <= 2 && (d.quotaOn[type] || d.internalQuota || (type == 2 && d.projectsAccounted))) {
            info->dqi_bgrace = d.blockGrace[type];
            info->dqi_igrace = d.inodeGrace[type];
            return 0;
        }
    }
    return -1;
}
