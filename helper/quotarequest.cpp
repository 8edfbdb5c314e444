// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotarequest.h"

#include "common/devicespecification.h"
#include "common/helperprotocol.h"
#include "common/proxyquotadata.h"
#include "common/quotarecordbatch.h"
#include "common/quotastate.h"
#include "common/settingsid.h"
#include "helper/failure.h"
#include "helper/filesystem.h"
#include "helper/fstabrewriter.h"
#include "helper/processrunner.h"
#include "helper/quotakernel.h"

#include <KLocalizedString>

#include <QMap>
#include <QPair>
#include <QVector>

#include <cerrno>
#include <limits>
#include <sys/quota.h>

namespace
{
const QString fstabPath = QStringLiteral("/etc/fstab");

// blkid, quotaon and quotaoff answer within seconds; a tool that hangs must
// not hold the only thread of the helper (and the panel waiting on it).
constexpr int ToolTimeoutMs = 30000;

// More ids than any account directory holds; a larger list is not a
// directory but an attempt to keep the helper busy.
constexpr int MaxRequestedIds = 1024 * 1024;

// The only bits of a record's validity mask the panel sets: limits and the
// grace times running out. The usage bits would let a caller reset what a
// member has used and so escape every limit until the next quotacheck.
constexpr quint64 SettableRecordBits = QIF_BLIMITS | QIF_ILIMITS | QIF_BTIME | QIF_ITIME;

// The kernel keeps usage, limits and times as signed 64-bit numbers, block
// limits as bytes (QIF_DQBLKSIZE per block): anything larger would wrap.
constexpr quint64 MaxKernelValue = quint64(std::numeric_limits<qint64>::max());
constexpr quint64 MaxBlockLimit = MaxKernelValue / QIF_DQBLKSIZE;
// Grace periods are 32 bits wide in the quota file.
constexpr quint64 MaxGracePeriod = std::numeric_limits<quint32>::max();

// The limits of a record as the audit trail shows them.
QString limitsText(const dqblk &record)
{
    return QStringLiteral("bsoft:%1,bhard:%2,isoft:%3,ihard:%4")
        .arg(quint64(record.dqb_bsoftlimit))
        .arg(quint64(record.dqb_bhardlimit))
        .arg(quint64(record.dqb_isoftlimit))
        .arg(quint64(record.dqb_ihardlimit));
}

// The kernel answers these when it (or the file system's quota format)
// cannot walk the records; then only the requested ids can be read.
bool walkUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

ProxyQuotaData fromNextRecord(const if_nextdqblk &next)
{
    ProxyQuotaData record;
    record.dqb_bhardlimit = next.dqb_bhardlimit;
    record.dqb_bsoftlimit = next.dqb_bsoftlimit;
    record.dqb_curspace = next.dqb_curspace;
    record.dqb_ihardlimit = next.dqb_ihardlimit;
    record.dqb_isoftlimit = next.dqb_isoftlimit;
    record.dqb_curinodes = next.dqb_curinodes;
    record.dqb_btime = next.dqb_btime;
    record.dqb_itime = next.dqb_itime;
    record.dqb_valid = next.dqb_valid;
    return record;
}

QString decodeOutput(QByteArray bytes)
{
    const int zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    return QString::fromUtf8(bytes);
}

// What a failed tool said, or its exit status when it said nothing.
QString failureText(const ProcessResult &result)
{
    const QString text = decodeOutput(result.standardError).trimmed();
    return text.isEmpty() ? QString::number(result.exitCode) : text;
}
}

QuotaRequest::QuotaRequest(const QVariantMap &args, QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files)
    : m_args(args)
    , m_kernel(kernel)
    , m_processes(processes)
    , m_files(files)
{
}

namespace
{
using Handler = void (QuotaRequest::*)();

// The order decides which sub-command runs when several keys are present.
const QVector<QPair<QString, Handler>> &handlers()
{
    static const QVector<QPair<QString, Handler>> table = {
        {HelperProtocol::SetDeviceOptions, &QuotaRequest::setDeviceOptions},
        {HelperProtocol::EnableDeviceQuota, &QuotaRequest::enableDeviceQuota},
        {HelperProtocol::CreateQuotaFile, &QuotaRequest::createQuotaFile},
        {HelperProtocol::RemountDevice, &QuotaRequest::remountDevice},
        {HelperProtocol::SetDeviceGracePeriod, &QuotaRequest::setDeviceGracePeriod},
        {HelperProtocol::SetQuotaInfo, &QuotaRequest::setQuotaInfo},
        {HelperProtocol::GetQuotaInfo, &QuotaRequest::getQuotaInfo},
        {HelperProtocol::GetAllQuotaInfo, &QuotaRequest::getAllQuotaInfo},
        {HelperProtocol::GetQuotaTables, &QuotaRequest::getQuotaTables},
        {HelperProtocol::GetData, &QuotaRequest::getData},
    };
    return table;
}
}

const QStringList &QuotaRequest::subCommands()
{
    static const QStringList keys = [] {
        QStringList result;
        for (const auto &handler : handlers()) {
            result.append(handler.first);
        }
        return result;
    }();
    return keys;
}

QString QuotaRequest::subCommandOf(const QVariantMap &args)
{
    for (const QString &key : subCommands()) {
        if (args.contains(key)) {
            return key;
        }
    }
    return QString();
}

void QuotaRequest::dispatch()
{
    for (const auto &handler : handlers()) {
        if (m_args.contains(handler.first)) {
            (this->*handler.second)();
            return;
        }
    }
    fail(i18nd("velun_kcm_quotas", "No arguments."));
}

QVariantMap QuotaRequest::reply() const
{
    return m_reply;
}

QString QuotaRequest::deviceName() const
{
    return m_args.value(HelperProtocol::DeviceName).toString();
}

QString QuotaRequest::auditDetails() const
{
    return m_auditWords.join(QLatin1Char(' '));
}

// The device name reaches programs run as root, the kernel and /etc/fstab:
// only a name under /dev that leads, through links of the system's own, to
// a block device that the administrator's /etc/fstab names is accepted. A
// loop device or a stick a user set up is never named there. Every failure
// gives the same answer, so it tells nothing about what exists where.
QString QuotaRequest::blockDeviceArgument()
{
    if (!m_device.isEmpty()) {
        return m_device;
    }
    const QString name = deviceName();
    m_auditWords.append(QStringLiteral("device=") + name);
    const QString node = resolvedDevice(name);
    m_device = node;
    if (node != name) {
        m_auditWords.last() += QStringLiteral(" node=") + node;
    }
    return m_device;
}

QString QuotaRequest::resolvedDevice(const QString &name)
{
    const QString node = DeviceSpecification::isDevicePath(name) ? m_files.resolveDeviceNode(name) : QString();
    if (node.isEmpty() || !namedByFstab(node)) {
        fail(i18nd("velun_kcm_quotas", "Device %1 is not a block device", name));
    }
    return node;
}

bool QuotaRequest::namedByFstab(const QString &node)
{
    QByteArray table;
    if (!m_files.readFile(fstabPath, table) || table.contains('\0')) {
        return false;
    }
    QStringList options;
    const FstabRewriter entries([this](const QString &fsSpec) {
        return resolveFstabSpec(fsSpec);
    });
    return entries.currentOptions(table, node, options);
}

// An entry names its device by path or by a tag that blkid, reading the
// file systems themselves, resolves to a path; either way the path must
// pass the same link rule as the caller's name. blkid runs only when a tag
// entry is met, and then once.
QString QuotaRequest::resolveFstabSpec(const QString &fsSpec)
{
    if (fsSpec.startsWith(QLatin1Char('/'))) {
        return DeviceSpecification::isDevicePath(fsSpec) ? m_files.resolveDeviceNode(fsSpec) : QString();
    }
    if (!fsSpec.contains(QLatin1Char('='))) {
        return QString();
    }
    const QString path = DeviceSpecification::blockDeviceName(fsSpec, blkidLines());
    return DeviceSpecification::isDevicePath(path) ? m_files.resolveDeviceNode(path) : QString();
}

const QStringList &QuotaRequest::blkidLines()
{
    if (!m_blkidRead) {
        m_blkidLines = runBlkid();
        m_blkidRead = true;
    }
    return m_blkidLines;
}

// The device path a table's name stands for: a tag form as /etc/fstab
// writes it goes through the blkid lines, by the rule the panel lists the
// devices with; anything else is taken as a path.
QString QuotaRequest::fstabDeviceOf(const QString &name)
{
    if (name.startsWith(QLatin1Char('/')) || !name.contains(QLatin1Char('='))) {
        return name;
    }
    const QString path = DeviceSpecification::blockDeviceName(name, blkidLines());
    return path.isEmpty() ? name : path;
}

int QuotaRequest::quotaType() const
{
    return m_args.value(HelperProtocol::Type).toInt() & 0xff;
}

void QuotaRequest::callKernel(int command, int id, void *address)
{
    callKernel(blockDeviceArgument().toUtf8(), quotaType(), command, id, address);
}

void QuotaRequest::callKernel(const QByteArray &device, int type, int command, int id, void *address)
{
    const int error = m_kernel.quotactl(QCMD(command, type), device, id, address);
    if (error != 0) {
        fail(quotactlErrorText(error));
    }
}

QuotaState QuotaRequest::quotaState(const QString &device)
{
    fs_quota_statv answer = QuotaState::request();
    const int result = m_kernel.quotactl(QuotaState::command(), device.toUtf8(), 0, &answer);
    return QuotaState(result, answer);
}

QStringList QuotaRequest::runBlkid()
{
    const ProcessResult result = m_processes.run(QStringLiteral("blkid"), {}, ToolTimeoutMs, ToolTimeoutMs);
    if (!result.started) {
        fail(i18nd("velun_kcm_quotas", "Process blkid can not started"));
    }
    if (!result.finished) {
        fail(i18nd("velun_kcm_quotas", "Process blkid can not finished"));
    }
    // blkid exits non-zero when it finds nothing; the lines are what counts.
    return decodeOutput(result.standardOutput).split(QLatin1Char('\n'));
}

void QuotaRequest::setDeviceOptions()
{
    const QString device = blockDeviceArgument();
    const QStringList options = m_args.value(HelperProtocol::Options).toStringList();

    QByteArray table;
    // The mount-table reader drops the rest of a line after a zero byte and
    // the line after it, so such a table cannot be rewritten faithfully.
    if (!m_files.readFile(fstabPath, table) || table.contains('\0')) {
        fail(i18nd("velun_kcm_quotas", "Unable to get entry from file systems description file"));
    }
    const FstabRewriter rewriter([this](const QString &fsSpec) {
        return resolveFstabSpec(fsSpec);
    });

    // Anything but a quota option would let the caller mount the device
    // with "user", "suid" or "exec" of its choosing.
    QStringList current;
    FstabRewriter::QuotaOptionChange change;
    const bool hasEntry = rewriter.currentOptions(table, device, current);
    if (hasEntry && !FstabRewriter::quotaOptionChange(current, options, change)) {
        fail(i18nd("velun_kcm_quotas", "Only the quota options of device %1 can be changed", deviceName()));
    }
    m_auditWords.append((change.add ? QStringLiteral("add_option=") : QStringLiteral("remove_option=")) + change.option);
    int matchedEntries = 0;
    const QByteArray rewritten = hasEntry ? rewriter.rewrite(table, device, change, matchedEntries) : table;
    if (matchedEntries == 0) {
        fail(i18nd("velun_kcm_quotas", "Device %1 has no entry in the file systems description file", deviceName()));
    }
    if (!m_files.replaceFile(fstabPath, rewritten, 0644)) {
        fail(i18nd("velun_kcm_quotas", "Unable to write to file system description file"));
    }
}

void QuotaRequest::enableDeviceQuota()
{
    const QString device = blockDeviceArgument();
    const int type = m_args.value(HelperProtocol::Type).toInt();
    const bool enable = m_args.value(HelperProtocol::Enable).toInt() != 0;
    m_auditWords.append(QStringLiteral("type=%1 enable=%2").arg(type).arg(enable ? 1 : 0));

    const QString program = enable ? QStringLiteral("quotaon") : QStringLiteral("quotaoff");
    const QStringList arguments = {type != 0 ? QStringLiteral("-g") : QStringLiteral("-u"), device};
    const ProcessResult result = m_processes.run(program, arguments, ToolTimeoutMs, ToolTimeoutMs);
    if (!result.started) {
        fail(i18nd("velun_kcm_quotas", "Process %1 can not started", program));
    }
    if (!result.finished) {
        fail(i18nd("velun_kcm_quotas", "Process %1 can not finished", program));
    }

    // quotaon's output is no guide (it reports failures and mere notices
    // alike, in the caller's language), so ask the kernel for the outcome.
    // Quotas that were on already therefore count as switched on.
    const SettingsId kind = type != 0 ? Groups : Users;
    if (quotaState(device).limitsEnforced(kind) != enable) {
        fail(i18nd("velun_kcm_quotas", "Process %1 %2 return error %3", program, arguments.join(QLatin1Char(' ')), failureText(result)));
    }
}

void QuotaRequest::createQuotaFile()
{
    const QString device = blockDeviceArgument();
    const int type = m_args.value(HelperProtocol::Type).toInt();
    if (type != Users && type != Groups) {
        fail(i18nd("velun_kcm_quotas", "Unknown type option for createQuotaFiles"));
    }
    m_auditWords.append(QStringLiteral("type=%1").arg(type));
    // A file system that keeps its quota records in hidden inodes has them
    // already, and quotacheck refuses to touch it.
    if (quotaState(device).keptInternally(static_cast<SettingsId>(type))) {
        return;
    }

    const QString program = QStringLiteral("/usr/sbin/quotacheck");
    const QStringList arguments = {type == Users ? QStringLiteral("-um") : QStringLiteral("-gm"), device};
    // Checking a large file system takes as long as it takes.
    const ProcessResult result = m_processes.run(program, arguments, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (!result.started) {
        fail(i18nd("velun_kcm_quotas", "Process %1 %2 can not started", program, arguments.join(QLatin1Char(' '))));
    }

    const QString mountPoint = m_files.mountPoint(device);
    const bool fileCreated = !mountPoint.isEmpty() && m_files.exists(mountPoint + QLatin1Char('/') + quotaFileName(static_cast<SettingsId>(type)));
    if (!result.finished || result.crashed || result.exitCode != 0 || !fileCreated) {
        fail(i18nd("velun_kcm_quotas", "Process %1 %2 return error %3", program, arguments.join(QLatin1Char(' ')), failureText(result)));
    }
}

void QuotaRequest::remountDevice()
{
    const QString device = blockDeviceArgument();
    const ProcessResult result =
        m_processes.run(QStringLiteral("mount"), {device, QStringLiteral("-o"), QStringLiteral("remount")}, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (!result.started || !result.finished || result.crashed || result.exitCode != 0) {
        fail(i18nd("velun_kcm_quotas", "Failed to remount device %1", deviceName()));
    }
}

void QuotaRequest::setDeviceGracePeriod()
{
    // The kernel keeps grace periods in 32 bits on the quota file; a larger
    // value (or a negative one, read as unsigned) would be cut to its low
    // half, so it is refused.
    dqinfo info{};
    info.dqi_bgrace = m_args.value(HelperProtocol::BlockGrace).toULongLong();
    info.dqi_igrace = m_args.value(HelperProtocol::InodeGrace).toULongLong();
    blockDeviceArgument();
    m_auditWords.append(QStringLiteral("type=%1 new_grace=block:%2,inode:%3").arg(quotaType()).arg(quint64(info.dqi_bgrace)).arg(quint64(info.dqi_igrace)));
    for (const quint64 period : {quint64(info.dqi_bgrace), quint64(info.dqi_igrace)}) {
        if (period > MaxGracePeriod) {
            fail(i18nd("velun_kcm_quotas", "The grace period of %1 seconds is too long", QString::number(period)));
        }
    }
    info.dqi_flags = 0;
    info.dqi_valid = IIF_BGRACE | IIF_IGRACE | IIF_FLAGS;
    callKernel(Q_SETINFO, 0, &info);
}

void QuotaRequest::checkRecord(const dqblk &record) const
{
    if ((quint64(record.dqb_valid) & ~SettableRecordBits) != 0) {
        fail(i18nd("velun_kcm_quotas",
                   "The validity mask %1 sets more than limits and grace times",
                   QStringLiteral("0x") + QString::number(quint64(record.dqb_valid), 16)));
    }
    if (record.dqb_valid & QIF_BLIMITS) {
        for (const quint64 limit : {quint64(record.dqb_bhardlimit), quint64(record.dqb_bsoftlimit)}) {
            if (limit > MaxBlockLimit) {
                fail(i18nd("velun_kcm_quotas", "The space limit of %1 KiB is too large", QString::number(limit)));
            }
        }
    }
    if (record.dqb_valid & QIF_ILIMITS) {
        for (const quint64 limit : {quint64(record.dqb_ihardlimit), quint64(record.dqb_isoftlimit)}) {
            if (limit > MaxKernelValue) {
                fail(i18nd("velun_kcm_quotas", "The inode limit of %1 is too large", QString::number(limit)));
            }
        }
    }
    for (const quint64 time : {record.dqb_valid & QIF_BTIME ? quint64(record.dqb_btime) : 0, record.dqb_valid & QIF_ITIME ? quint64(record.dqb_itime) : 0}) {
        if (time > MaxKernelValue) {
            fail(i18nd("velun_kcm_quotas", "The time %1 is too large", QString::number(time)));
        }
    }
}

void QuotaRequest::setQuotaInfo()
{
    const int id = m_args.value(HelperProtocol::Id).toInt();
    // A missing or foreign "info" converts to an all-zero record, whose
    // validity mask lets the kernel change nothing. The mask is checked in
    // its full 64 bits: the record's own field is only 32 wide.
    const ProxyQuotaData info = m_args.value(HelperProtocol::Info).value<ProxyQuotaData>();
    dqblk record = info.toDqblk();
    record.dqb_valid = static_cast<quint32>(info.dqb_valid);
    if (info.dqb_valid > std::numeric_limits<quint32>::max()) {
        fail(i18nd("velun_kcm_quotas",
                   "The validity mask %1 sets more than limits and grace times",
                   QStringLiteral("0x") + QString::number(info.dqb_valid, 16)));
    }
    const QString device = blockDeviceArgument();
    m_auditWords.append(QStringLiteral("type=%1 id=%2").arg(quotaType()).arg(id));
    checkRecord(record);

    // The limits before, so that the trail shows what changed.
    dqblk old{};
    const int readError = m_kernel.quotactl(QCMD(Q_GETQUOTA, quotaType()), device.toUtf8(), id, &old);
    m_auditWords.append(QStringLiteral("old_limits=") + (readError == 0 ? limitsText(old) : QStringLiteral("unknown")));
    m_auditWords.append(QStringLiteral("new_limits=") + limitsText(record));

    const int error = m_kernel.quotactl(QCMD(Q_SETQUOTA, quotaType()), device.toUtf8(), id, &record);
    if (error == ERANGE) {
        // The file system's quota format holds less than the kernel does
        // (32-bit limits in the old format): name the limit that is too
        // large, the space limit when it passes 32 bits.
        const quint64 blocks = record.dqb_valid & QIF_BLIMITS ? qMax(quint64(record.dqb_bhardlimit), quint64(record.dqb_bsoftlimit)) : 0;
        const quint64 inodes = record.dqb_valid & QIF_ILIMITS ? qMax(quint64(record.dqb_ihardlimit), quint64(record.dqb_isoftlimit)) : 0;
        if (blocks > std::numeric_limits<quint32>::max() || inodes == 0) {
            fail(i18nd("velun_kcm_quotas",
                       "The space limit of %1 KiB is more than the quota format of device %2 can keep",
                       QString::number(blocks),
                       deviceName()));
        }
        fail(i18nd("velun_kcm_quotas", "The inode limit of %1 is more than the quota format of device %2 can keep", QString::number(inodes), deviceName()));
    }
    if (error != 0) {
        fail(quotactlErrorText(error));
    }
}

void QuotaRequest::getQuotaInfo()
{
    const int id = m_args.value(HelperProtocol::Id).toInt();
    dqblk record{};
    callKernel(Q_GETQUOTA, id, &record);
    m_reply.insert(HelperProtocol::QuotaInfo, QVariant::fromValue(ProxyQuotaData(record)));
}

// One device's records for one kind in a single request: every requested id
// and whatever the kernel holds for ids nobody asked about (left behind by
// deleted accounts), so the panel's load costs one round trip per device and
// kind instead of one per member.
void QuotaRequest::getAllQuotaInfo()
{
    const QVector<quint32> ids = idsArgument(HelperProtocol::Ids);
    m_reply.insert(HelperProtocol::QuotaRecords, quotaTable(blockDeviceArgument().toUtf8(), quotaType(), ids));
}

// Every table a load needs in one request: each request costs the panel an
// authorisation. A table that cannot be read answers with the reason, and
// the others are still read.
void QuotaRequest::getQuotaTables()
{
    const QStringList devices[2] = {m_args.value(HelperProtocol::UserDevices).toStringList(), m_args.value(HelperProtocol::GroupDevices).toStringList()};
    const QString replyKeys[2] = {HelperProtocol::UserRecords, HelperProtocol::GroupRecords};
    QVector<quint32> ids[2];
    for (const int type : {USRQUOTA, GRPQUOTA}) {
        if (devices[type].size() > HelperProtocol::MaxTablesPerKind) {
            fail(i18nd("velun_kcm_quotas", "Too many devices in one request"));
        }
        // Only the ids of a kind that is read at all are needed.
        if (!devices[type].isEmpty()) {
            ids[type] = idsArgument(type == USRQUOTA ? HelperProtocol::UserIds : HelperProtocol::GroupIds);
        }
    }
    const bool withBlkid = m_args.value(HelperProtocol::WithBlkidData).toBool();
    if (withBlkid) {
        // Without the lines the panel lists no device: no records either.
        m_reply.insert(HelperProtocol::BlkidData, blkidLines());
    }
    for (const int type : {USRQUOTA, GRPQUOTA}) {
        QVariantList tables;
        tables.reserve(devices[type].size());
        for (const QString &device : devices[type]) {
            try {
                // Each device is resolved as every other sub-command's is.
                tables.append(quotaTable(resolvedDevice(withBlkid ? fstabDeviceOf(device) : device).toUtf8(), type, ids[type]));
            } catch (const std::exception &error) {
                tables.append(QString::fromUtf8(error.what()));
            }
        }
        m_reply.insert(replyKeys[type], tables);
    }
}

QVector<quint32> QuotaRequest::idsArgument(const QString &key) const
{
    const QVariant argument = m_args.value(key);
    QVector<quint32> ids;
    // The size is judged before a single id is decoded.
    if (argument.userType() != QMetaType::QByteArray || argument.toByteArray().size() > qsizetype(MaxRequestedIds) * QuotaRecordBatch::IdBytes
        || !QuotaRecordBatch::decodeIds(argument.toByteArray(), ids)) {
        fail(i18nd("velun_kcm_quotas", "Invalid list of user or group ids"));
    }
    return ids;
}

// One device's records for one kind: every requested id and whatever the
// kernel holds for ids nobody asked about (left behind by deleted
// accounts), so the panel's load costs one round trip instead of one per
// member.
QByteArray QuotaRequest::quotaTable(const QByteArray &device, int type, const QVector<quint32> &ids)
{
    QMap<quint32, ProxyQuotaData> records;
    // Looked up once: the walk makes one call per record.
    const int walkCommand = QCMD(Q_GETNEXTQUOTA, type);
    quint32 nextId = 0;
    for (;;) {
        if_nextdqblk next{};
        const int error = m_kernel.quotactl(walkCommand, device, static_cast<int>(nextId), &next);
        if (error == ENOENT) {
            break; // no record at or above nextId
        }
        if (error != 0) {
            if (records.isEmpty() && walkUnsupported(error)) {
                break;
            }
            fail(quotactlErrorText(error));
        }
        // A record below the one asked for would walk forever.
        if (next.dqb_id < nextId) {
            break;
        }
        // The walk ascends, so the end is the right place: constant time.
        records.insert(records.constEnd(), next.dqb_id, fromNextRecord(next));
        if (next.dqb_id == std::numeric_limits<quint32>::max()) {
            break;
        }
        nextId = next.dqb_id + 1;
    }

    // Ids the walk did not meet have no record in the quota file; the
    // kernel still answers them (with what it counts in memory, or zeros),
    // exactly as a single read would.
    for (quint32 id : std::as_const(ids)) {
        if (records.contains(id)) {
            continue;
        }
        dqblk record{};
        callKernel(device, type, Q_GETQUOTA, static_cast<int>(id), &record);
        records.insert(id, ProxyQuotaData(record));
    }

    QVector<QuotaRecordBatch::Entry> entries;
    entries.reserve(records.size());
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        entries.append({it.key(), it.value()});
    }
    return QuotaRecordBatch::encodeRecords(entries);
}

void QuotaRequest::getData()
{
    m_reply.insert(HelperProtocol::BlkidData, runBlkid());
}

QString QuotaRequest::quotactlErrorText(int error)
{
    switch (error) {
    case EPERM:
        return i18nd("velun_kcm_quotas", "The caller does not have the necessary rights (CAP_SYS_ADMIN) to perform the specified operation");
    case ENOENT:
        return i18nd("velun_kcm_quotas", "File specified in special or addr not exist");
    case ESRCH:
        return i18nd("velun_kcm_quotas", "No disk map was found for the specified user. Quota turned off in file system");
    case EACCES:
        return i18nd("velun_kcm_quotas",
                     "Quota file specified in addr exist but is not a perpetual file or quota file specified in addr exist but is not on the file system "
                     "of the specified in special");
    case EFAULT:
        return i18nd("velun_kcm_quotas", "Wrong value addr or special");
    case ENOTBLK:
        return i18nd("velun_kcm_quotas", "Value special does not indicate on block device");
    case EBUSY:
        return i18nd("velun_kcm_quotas", "Attemp to execut Q_QUOTAON but another start is already in progress Q_QUOTAON");
    case EINVAL:
        return i18nd("velun_kcm_quotas", "Wrong value cmd or type");
    case ENOSYS:
        return i18nd("velun_kcm_quotas", "Core assembled with parameter turned off CONFIG_QUOTA");
    default:
        return i18nd("velun_kcm_quotas", "Unknown error while executing quotactl");
    }
}
