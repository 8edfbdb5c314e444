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
inline const QString BlkidData = QStringLiteral("blkid_data");

// The most devices one GetQuotaTables request may name per kind.
constexpr int MaxTablesPerKind = 256;

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
