// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// Everything the panel and the root helper must spell alike: the KAuth
// helper ID and its three actions, the sub-command keys, the argument and
// reply keys, and the cron table the helper writes for the panel. Both
// programs name these only through this header, so a key can never be
// misspelt on one side alone.

inline QString helperId()
{
    return QStringLiteral("org.velun.kcm.quotas");
}

// Read-only queries: kernel support, quota records, blkid lines.
inline QString accessActionName()
{
    return helperId() + QStringLiteral(".access");
}

// Every change of quotas, mount options, quota files and quota state.
inline QString changeActionName()
{
    return helperId() + QStringLiteral(".change");
}

// The warnquota configuration files and the cron table.
inline QString setNotificationsActionName()
{
    return helperId() + QStringLiteral(".setnotifications");
}

namespace HelperProtocol
{
// Sub-commands of the access and change actions are named by the presence
// of their key; the value is an invalid QVariant. When several are present
// the helper runs the first in the order below.
inline const QString CheckSupportKernel = QStringLiteral("check_support_kernel");
inline const QString SetDeviceOptions = QStringLiteral("set_device_options");
inline const QString EnableDeviceQuota = QStringLiteral("enable_device_quota");
inline const QString CreateQuotaFile = QStringLiteral("create_quota_file");
inline const QString RemountDevice = QStringLiteral("remount_device");
inline const QString SetDeviceGracePeriod = QStringLiteral("set_device_grace_period");
inline const QString SetQuotaInfo = QStringLiteral("set_quota_info");
inline const QString GetQuotaInfo = QStringLiteral("get_quota_info");
// One device's records of one kind: DeviceName, Type, Ids.
inline const QString GetAllQuotaInfo = QStringLiteral("get_all_quota_info");
// Every device's records of both kinds in one request, so that a load
// pays for one authorisation instead of one per device and kind:
// UserDevices, GroupDevices, UserIds, GroupIds.
inline const QString GetQuotaTables = QStringLiteral("get_quota_tables");
inline const QString GetData = QStringLiteral("get_data");

// Folder quotas (change action). A folder is an absolute path on the file
// system of DeviceName, with no ".." part and no symbolic link on the way.
// Gives the folder and everything beneath it on the same file system the
// project id Id, with the inherit flag on directories, never following a
// link: DeviceName, Folder, Id.
inline const QString SetFolderProject = QStringLiteral("set_folder_project");
// Gives them project id 0 and takes the inherit flag off again: DeviceName,
// Folder.
inline const QString ClearFolderProject = QStringLiteral("clear_folder_project");
// Records the project in ProjectsFilePath ("Id:Folder") and ProjidFilePath
// ("ProjectName:Id"), keeping every other line: Id, ProjectName, Folder.
inline const QString AddProjectEntry = QStringLiteral("add_project_entry");
// Takes every line of project Id out of both files, keeping the others: Id.
inline const QString RemoveProjectEntry = QStringLiteral("remove_project_entry");

// Sub-commands of the setnotifications action; their value is the path of
// the file to write.
inline const QString WriteCronFile = QStringLiteral("write_cron_file");
inline const QString WriteConfFile = QStringLiteral("write_conf_file");

// Arguments. Every request but the kernel support check carries the locale
// keys, so that the helper answers in the panel's language.
inline const QString Languages = QStringLiteral("languages");
inline const QString LcMessages = QStringLiteral("lcmessages");
inline const QString DeviceName = QStringLiteral("device_name");
inline const QString Options = QStringLiteral("options");
inline const QString Type = QStringLiteral("type");
inline const QString Enable = QStringLiteral("enable");
inline const QString BlockGrace = QStringLiteral("bgrace");
inline const QString InodeGrace = QStringLiteral("igrace");
inline const QString Id = QStringLiteral("id");
inline const QString Info = QStringLiteral("info");
// Ids packed as QuotaRecordBatch::encodeIds writes them.
inline const QString Ids = QStringLiteral("ids");
inline const QString UserIds = QStringLiteral("user_ids");
inline const QString GroupIds = QStringLiteral("group_ids");
// Device paths (QStringList) whose user or group records to read.
inline const QString UserDevices = QStringLiteral("user_devices");
inline const QString GroupDevices = QStringLiteral("group_devices");
// Optional in GetQuotaTables (a boolean, true): the reply carries the blkid
// lines too (BlkidData, from the same blkid run the helper resolves with),
// and UserDevices and GroupDevices may name a device as /etc/fstab does
// (UUID=..., LABEL=...). A panel that knows no device yet so needs one
// request for the devices and the records; a table of a device without
// quotas answers with the reason as any other.
inline const QString WithBlkidData = QStringLiteral("with_blkid_data");
// Project records: the Type argument is 2 (PRJQUOTA) in the record
// sub-commands, and GetQuotaTables takes these beside the user and group
// ones.
inline const QString ProjectIds = QStringLiteral("project_ids");
inline const QString ProjectDevices = QStringLiteral("project_devices");
inline const QString Folder = QStringLiteral("folder");
inline const QString ProjectName = QStringLiteral("project_name");
inline const QString AddedLines = QStringLiteral("added_lines");
inline const QString Text = QStringLiteral("text");

// Reply data.
inline const QString QuotaInfo = QStringLiteral("quota_info");
inline const QString QuotaRecords = QStringLiteral("quota_records");
// One entry per device of UserDevices (GroupDevices), in that order: the
// packed records (QByteArray), or the translated reason (QString) why that
// device's records could not be read.
inline const QString UserRecords = QStringLiteral("user_records");
inline const QString GroupRecords = QStringLiteral("group_records");
inline const QString ProjectRecords = QStringLiteral("project_records");
inline const QString BlkidData = QStringLiteral("blkid_data");

// The most devices one GetQuotaTables request may name per kind.
constexpr int MaxTablesPerKind = 256;

// The files that name folder quotas' projects, as xfs_quota and repquota -P
// read them: "id:folder" lines and "name:id" lines. Both are readable by
// everyone, so the panel reads them itself; only the helper writes them.
inline const QString ProjectsFilePath = QStringLiteral("/etc/projects");
inline const QString ProjidFilePath = QStringLiteral("/etc/projid");
// Project id 0 is every file's default; the kernel keeps ids in 32 bits and
// the tools treat the top one as invalid.
constexpr quint32 MaxProjectId = 4294967294u;

// The panel's cron table of warnquota jobs: these header lines, then one
// job line each.
inline const QString CronTablePath = QStringLiteral("/etc/cron.d/warnquota");
inline const QStringList CronHeaderLines = {
    QStringLiteral("# Cron job for quota notifications"),
    QStringLiteral("# Dont edit this file"),
    QStringLiteral("PATH=/usr/sbin"),
};

// The grammar of a cron job line as the panel reads it. Groups: 1 minutes
// (with the line's leading blanks), 2 hours, 3 days, 4 months, 5 weekdays,
// 6 user, 7 command, 9 comment. The time fields allow the whole range ','
// to '\', which holds the digits, '-', '/' and the upper-case letters but
// no lower-case ones: lines with month or weekday names and the '@'
// shortcuts are not jobs.
inline const QString CronJobLinePattern =
    QStringLiteral(R"((^\s*[\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\d\*,-\\]+)\s+([\w\d]+)\s+(.+?)(#+(.*))?$)");

// The five time fields alone, as the notification tab edits them.
inline const QString CronTimePattern = QStringLiteral(R"(^\s*([\d\/*,-]+)\s+([\d\/*,-]+)\s+([\d\/*,-]+)\s+([\d\/*,-]+)\s+([\d\/*,-]+)\s*$)");

// The job lines the helper writes into the cron table, a strict subset of
// CronJobLinePattern: cron hands the command to a root shell. The five
// fields hold numbers, steps, ranges and lists only (no names, no '=' that
// would make the line a variable, no "@reboot"); then the user root and
// warnquota with plain words, captured in group 1 for the option check; a
// comment must begin a word of its own, or "-u#;id" would run id.
inline const QString CronWarnquotaJobPattern = QStringLiteral(R"(^[ \t]*(?:[0-9*,/-]+[ \t]+){5}root[ \t]+warnquota((?:[ \t]+[^ \t#]+)*)[ \t]*(?:[ \t]#.*)?$)");
}
