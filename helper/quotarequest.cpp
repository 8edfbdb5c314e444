// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotarequest.h"

#include "common/devicespecification.h"
#include "common/helperprotocol.h"
#include "common/projectfile.h"
#include "common/proxyquotadata.h"
#include "common/quotarecordbatch.h"
#include "common/quotastate.h"
#include "common/settingsid.h"
#include "helper/failure.h"
#include "helper/filesystem.h"
#include "helper/foldertree.h"
#include "helper/fstabrewriter.h"
#include "helper/processrunner.h"
#include "helper/quotakernel.h"
#include "helper/quotatablereader.h"

#include <KLocalizedString>

#include <QPair>
#include <QRegularExpression>
#include <QVector>

#include <cerrno>
#include <cstring>
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

QString decodeOutput(QByteArray bytes)
{
    const int zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    return QString::fromUtf8(bytes);
}

// The kind a request's type names: 0 users, 2 projects, and any other
// value groups, as it always has.
SettingsId settingsIdOf(int type)
{
    return type == Users ? Users : (type == Projects ? Projects : Groups);
}

// Every spelling of a quota option that XFS and ext4 understand; the root
// file system takes them only from the kernel command line.
bool isQuotaMountOption(const QString &option)
{
    static const QStringList options = {QStringLiteral("usrquota"),
                                        QStringLiteral("grpquota"),
                                        QStringLiteral("prjquota"),
                                        QStringLiteral("uquota"),
                                        QStringLiteral("gquota"),
                                        QStringLiteral("pquota"),
                                        QStringLiteral("quota"),
                                        QStringLiteral("uqnoenforce"),
                                        QStringLiteral("gqnoenforce"),
                                        QStringLiteral("pqnoenforce"),
                                        QStringLiteral("qnoenforce")};
    return options.contains(option);
}

// A project file's id field as a number; false for anything else.
bool parseProjectId(const QString &text, quint32 &id)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok || value > std::numeric_limits<quint32>::max()) {
        return false;
    }
    id = quint32(value);
    return true;
}

// Drops every entry whose field `field` reads as `id`, however it is
// spelt ("7" or "007"): the tools read it as the same project.
int removeProjectEntries(ProjectFile &file, int field, quint32 id)
{
    QStringList spellings;
    for (const auto &entry : file.entries()) {
        const QString &text = field == 0 ? entry.first : entry.second;
        quint32 entryId = 0;
        if (parseProjectId(text, entryId) && entryId == id && !spellings.contains(text)) {
            spellings.append(text);
        }
    }
    int removed = 0;
    for (const QString &text : std::as_const(spellings)) {
        removed += file.removeEntries(field, text);
    }
    return removed;
}

// What a failed tool said, or its exit status when it said nothing.
QString failureText(const ProcessResult &result)
{
    const QString text = decodeOutput(result.standardError).trimmed();
    return text.isEmpty() ? QString::number(result.exitCode) : text;
}
}

QuotaRequest::QuotaRequest(const QVariantMap &args, QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files, FolderTree &folders)
    : m_args(args)
    , m_kernel(kernel)
    , m_processes(processes)
    , m_files(files)
    , m_folders(folders)
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
        {HelperProtocol::SetFolderProject, &QuotaRequest::setFolderProject},
        {HelperProtocol::ClearFolderProject, &QuotaRequest::clearFolderProject},
        {HelperProtocol::AddProjectEntry, &QuotaRequest::addProjectEntry},
        {HelperProtocol::RemoveProjectEntry, &QuotaRequest::removeProjectEntry},
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
    return isXfs(device) ? QuotaState::ofMetadataQuotas(result, answer) : QuotaState(result, answer);
}

bool QuotaRequest::isXfs(const QString &device)
{
    return m_files.mountedType(device) == QLatin1String("xfs");
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
    const SettingsId kind = settingsIdOf(type);
    if (isXfs(device)) {
        switchXfsQuota(device, kind, enable);
        return;
    }
    // A mounted ext4 accounts projects exactly when it has the "project"
    // feature; without it quotaon fails with nothing an administrator
    // could act on.
    if (kind == Projects && enable && !quotaState(device).accounting(Projects)) {
        if (m_files.mountPoint(device).isEmpty()) {
            fail(i18nd("velun_kcm_quotas", "Device %1 is not mounted", deviceName()));
        }
        fail(i18nd("velun_kcm_quotas",
                   "The file system on device %1 was made without the \"project\" feature: add it with tune2fs -O project,quota while the device is "
                   "unmounted",
                   deviceName()));
    }

    const QString program = enable ? QStringLiteral("quotaon") : QStringLiteral("quotaoff");
    const QString kindOption = kind == Users ? QStringLiteral("-u") : (kind == Groups ? QStringLiteral("-g") : QStringLiteral("-P"));
    const QStringList arguments = {kindOption, device};
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
    if (quotaState(device).limitsEnforced(kind) != enable) {
        fail(i18nd("velun_kcm_quotas", "Process %1 %2 return error %3", program, arguments.join(QLatin1Char(' ')), failureText(result)));
    }
}

void QuotaRequest::createQuotaFile()
{
    const QString device = blockDeviceArgument();
    const int type = m_args.value(HelperProtocol::Type).toInt();
    if (type == Projects) {
        fail(i18nd("velun_kcm_quotas", "Folder quotas have no quota file: the file system keeps their records itself"));
    }
    if (type != Users && type != Groups) {
        fail(i18nd("velun_kcm_quotas", "Unknown type option for createQuotaFiles"));
    }
    m_auditWords.append(QStringLiteral("type=%1").arg(type));
    if (isXfs(device)) {
        fail(i18nd("velun_kcm_quotas", "Device %1 holds an XFS file system, which keeps its quotas in its own metadata and has no quota files", deviceName()));
    }
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
    if (isXfs(device)) {
        remountXfs(device);
        return;
    }
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
    const QString device = blockDeviceArgument();
    m_auditWords.append(QStringLiteral("type=%1 new_grace=block:%2,inode:%3").arg(quotaType()).arg(quint64(info.dqi_bgrace)).arg(quint64(info.dqi_igrace)));
    for (const quint64 period : {quint64(info.dqi_bgrace), quint64(info.dqi_igrace)}) {
        if (period > MaxGracePeriod) {
            fail(i18nd("velun_kcm_quotas", "The grace period of %1 seconds is too long", QString::number(period)));
        }
    }
    info.dqi_flags = 0;
    // XFS takes only the periods and refuses the whole call when flags come
    // with them.
    info.dqi_valid = isXfs(device) ? IIF_BGRACE | IIF_IGRACE : IIF_BGRACE | IIF_IGRACE | IIF_FLAGS;
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
    const QString device = blockDeviceArgument();
    dqblk record{};
    const int error = m_kernel.quotactl(QCMD(Q_GETQUOTA, quotaType()), device.toUtf8(), id, &record);
    // XFS answers an id it holds no record for with ENOENT, where ext4
    // answers zeros.
    if (error == ENOENT && isXfs(device)) {
        record = dqblk{};
    } else if (error != 0) {
        fail(quotactlErrorText(error));
    }
    m_reply.insert(HelperProtocol::QuotaInfo, QVariant::fromValue(ProxyQuotaData(record)));
}

// One device's records for one kind in a single request: every requested id
// and whatever the kernel holds for ids nobody asked about (left behind by
// deleted accounts), so the panel's load costs one round trip per device and
// kind instead of one per member.
void QuotaRequest::getAllQuotaInfo()
{
    const QVector<quint32> ids = idsArgument(HelperProtocol::Ids);
    const QString device = blockDeviceArgument();
    m_reply.insert(HelperProtocol::QuotaRecords, quotaTable(device.toUtf8(), quotaType(), ids, isXfs(device)));
}

// Every table a load needs in one request: each request costs the panel an
// authorisation. A table that cannot be read answers with the reason, and
// the others are still read.
void QuotaRequest::getQuotaTables()
{
    constexpr int Kinds = 3;
    const QStringList devices[Kinds] = {m_args.value(HelperProtocol::UserDevices).toStringList(),
                                        m_args.value(HelperProtocol::GroupDevices).toStringList(),
                                        m_args.value(HelperProtocol::ProjectDevices).toStringList()};
    const QString idKeys[Kinds] = {HelperProtocol::UserIds, HelperProtocol::GroupIds, HelperProtocol::ProjectIds};
    const QString replyKeys[Kinds] = {HelperProtocol::UserRecords, HelperProtocol::GroupRecords, HelperProtocol::ProjectRecords};
    QVector<quint32> ids[Kinds];
    for (int type = 0; type < Kinds; ++type) {
        if (devices[type].size() > HelperProtocol::MaxTablesPerKind) {
            fail(i18nd("velun_kcm_quotas", "Too many devices in one request"));
        }
        // Only the ids of a kind that is read at all are needed.
        if (!devices[type].isEmpty()) {
            ids[type] = idsArgument(idKeys[type]);
        }
    }
    const bool withBlkid = m_args.value(HelperProtocol::WithBlkidData).toBool();
    if (withBlkid) {
        // Without the lines the panel lists no device: no records either.
        m_reply.insert(HelperProtocol::BlkidData, blkidLines());
    }
    // Every device is resolved first, as every other sub-command's is; then
    // the tables are read side by side, and the reply keeps their order.
    QVector<QuotaTableReader::Table> reads;
    QVariantList tables[Kinds];
    QVector<QPair<int, int>> places; // (kind, index in tables[kind]) of each read
    // A panel that reads no folders gets the reply it always got.
    const int kinds = m_args.contains(HelperProtocol::ProjectDevices) ? Kinds : PRJQUOTA;
    for (int type = 0; type < kinds; ++type) {
        for (const QString &device : devices[type]) {
            try {
                const QString node = resolvedDevice(withBlkid ? fstabDeviceOf(device) : device);
                reads.append({node.toUtf8(), type, ids[type], isXfs(node)});
                places.append({type, int(tables[type].size())});
                tables[type].append(QVariant());
            } catch (const std::exception &error) {
                tables[type].append(QString::fromUtf8(error.what()));
            }
        }
    }
    const QuotaTableReader reader(m_kernel);
    const QVector<QuotaTableReader::Result> results = reader.readAll(reads, QuotaTableReader::workersFor(reads.size()));
    for (int i = 0; i < results.size(); ++i) {
        const QuotaTableReader::Result &result = results.at(i);
        tables[places.at(i).first][places.at(i).second] = result.error == 0 ? QVariant(result.records) : QVariant(quotactlErrorText(result.error));
    }
    for (int type = 0; type < kinds; ++type) {
        m_reply.insert(replyKeys[type], tables[type]);
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
QByteArray QuotaRequest::quotaTable(const QByteArray &device, int type, const QVector<quint32> &ids, bool xfs)
{
    const QuotaTableReader::Result result = QuotaTableReader(m_kernel).read({device, type, ids, xfs});
    if (result.error != 0) {
        fail(quotactlErrorText(result.error));
    }
    return result.records;
}

// XFS accounts a kind only when it was mounted with its option, and that
// cannot be changed here; what can be switched is enforcement, which keeps
// the accounting going.
void QuotaRequest::switchXfsQuota(const QString &device, int type, bool enable)
{
    const SettingsId kind = settingsIdOf(type);
    const QuotaState before = quotaState(device);
    if (!before.accounting(kind)) {
        fail(i18nd("velun_kcm_quotas",
                   "Device %1 was not mounted with the quota option %2, so its quotas cannot be switched on or off",
                   deviceName(),
                   quotaMountOption(kind)));
    }
    // XFS answers a switch to the state it is in with EEXIST.
    if (before.limitsEnforced(kind) == enable) {
        return;
    }
    const int error = m_kernel.quotactl(QCMD(enable ? Q_QUOTAON : Q_QUOTAOFF, kind), device.toUtf8(), 0, nullptr);
    if (error != 0) {
        fail(quotactlErrorText(error));
    }
    if (quotaState(device).limitsEnforced(kind) != enable) {
        fail(i18nd("velun_kcm_quotas", "The kernel took the request, but the quota enforcement of device %1 did not change", deviceName()));
    }
}

// XFS reads its quota options only when it is mounted; a remount keeps the
// old ones. So the file system is unmounted and mounted again from its
// /etc/fstab entry, which mount finds by the device however the entry
// names it.
void QuotaRequest::remountXfs(const QString &device)
{
    const QString mountPoint = m_files.mountPoint(device);
    if (mountPoint == QLatin1String("/")) {
        QByteArray table;
        QStringList options;
        const FstabRewriter entries([this](const QString &fsSpec) {
            return resolveFstabSpec(fsSpec);
        });
        if (m_files.readFile(fstabPath, table)) {
            entries.currentOptions(table, device, options);
        }
        QStringList quotaOptions;
        for (const QString &option : std::as_const(options)) {
            if (isQuotaMountOption(option)) {
                quotaOptions.append(option);
            }
        }
        // "noquota" is what the kernel command line needs to switch them
        // all off again.
        const QString flags = quotaOptions.isEmpty() ? QStringLiteral("noquota") : quotaOptions.join(QLatin1Char(','));
        fail(i18nd("velun_kcm_quotas",
                   "The root file system cannot be unmounted while the system runs, and XFS takes quota options only when it is mounted: add "
                   "rootflags=%1 to the kernel command line. Nothing changes before the next boot.",
                   flags));
    }

    // Without a time limit: unmounting writes back what is cached.
    const ProcessResult unmounted = m_processes.run(QStringLiteral("umount"), {mountPoint}, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (!unmounted.started || !unmounted.finished || unmounted.crashed || unmounted.exitCode != 0) {
        fail(i18nd("velun_kcm_quotas",
                   "Device %1 could not be unmounted to take its new quota options, most likely because it is in use: %2",
                   deviceName(),
                   failureText(unmounted)));
    }
    const ProcessResult mounted = m_processes.run(QStringLiteral("mount"), {device}, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (mounted.started && mounted.finished && !mounted.crashed && mounted.exitCode == 0) {
        return;
    }
    // The data must not stay out of reach: back where it was, with the
    // kernel's defaults instead of the entry's options.
    const ProcessResult restored = m_processes.run(QStringLiteral("mount"), {device, mountPoint}, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (restored.started && restored.finished && !restored.crashed && restored.exitCode == 0) {
        fail(i18nd("velun_kcm_quotas",
                   "Device %1 could not be mounted with the options of the file systems description file, so it was mounted at %2 again without "
                   "them: %3",
                   deviceName(),
                   mountPoint,
                   failureText(mounted)));
    }
    fail(i18nd("velun_kcm_quotas", "Device %1 could not be mounted again and is not mounted now: %2", deviceName(), failureText(mounted)));
}

QString QuotaRequest::folderArgument() const
{
    const QVariant argument = m_args.value(HelperProtocol::Folder);
    const QString folder = argument.toString();
    // Paths the kernel takes, and nothing that could break a line of the
    // project files or hide a step up out of the device.
    bool plain = argument.userType() == QMetaType::QString && folder.startsWith(QLatin1Char('/')) && folder.size() <= 4095;
    for (const QChar character : folder) {
        plain = plain && character.unicode() >= 0x20 && character.unicode() != 0x7f;
    }
    const QStringList parts = folder.mid(1).split(QLatin1Char('/'));
    for (const QString &part : parts) {
        plain = plain && !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..");
    }
    if (!plain) {
        fail(i18nd("velun_kcm_quotas", "The folder \"%1\" must be an absolute path without \".\" or \"..\" parts, empty parts or control characters", folder));
    }
    return folder;
}

quint32 QuotaRequest::projectIdArgument() const
{
    const QVariant argument = m_args.value(HelperProtocol::Id);
    qulonglong id = 0;
    switch (argument.userType()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        id = argument.toLongLong() < 0 ? 0 : argument.toULongLong();
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        id = argument.toULongLong();
        break;
    default:
        break;
    }
    if (id < 1 || id > HelperProtocol::MaxProjectId) {
        fail(i18nd("velun_kcm_quotas", "The project id %1 is not a number from 1 to %2", argument.toString(), QString::number(HelperProtocol::MaxProjectId)));
    }
    return quint32(id);
}

void QuotaRequest::setFolderProject()
{
    blockDeviceArgument();
    setFolderProjectId(projectIdArgument());
}

void QuotaRequest::clearFolderProject()
{
    blockDeviceArgument();
    setFolderProjectId(0);
}

void QuotaRequest::setFolderProjectId(quint32 id)
{
    const QString device = blockDeviceArgument();
    const QString folder = folderArgument();
    m_auditWords.append(QStringLiteral("folder=%1 project=%2").arg(folder).arg(id));
    const QString mountPoint = m_files.mountPoint(device);
    if (mountPoint.isEmpty()) {
        fail(i18nd("velun_kcm_quotas", "Device %1 is not mounted", deviceName()));
    }
    // The walk checks the device itself; this only answers the plain
    // mistake before anything is opened.
    if (mountPoint != QLatin1String("/") && folder != mountPoint && !folder.startsWith(mountPoint + QLatin1Char('/'))) {
        fail(i18nd("velun_kcm_quotas", "The folder %1 is not on device %2", folder, deviceName()));
    }

    const FolderTree::Result result = m_folders.setProject(device, folder, id);
    switch (result.refusal) {
    case FolderTree::Reached:
        break;
    case FolderTree::Missing:
        fail(i18nd("velun_kcm_quotas", "The folder %1 does not exist", folder));
    case FolderTree::LinkOnTheWay:
        fail(i18nd("velun_kcm_quotas", "The folder %1 is a symbolic link or lies behind one", folder));
    case FolderTree::NotADirectory:
        fail(i18nd("velun_kcm_quotas", "%1 is not a folder", folder));
    case FolderTree::OtherFileSystem:
        fail(i18nd("velun_kcm_quotas", "The folder %1 is not on device %2", folder, deviceName()));
    case FolderTree::Unreachable:
        fail(i18nd("velun_kcm_quotas", "The folder %1 cannot be opened: %2", folder, QString::fromLocal8Bit(std::strerror(result.error))));
    }
    m_auditWords.append(QStringLiteral("changed=%1 failed=%2 other_mounts=%3").arg(result.changed).arg(result.failed).arg(result.otherMounts));
    if (result.failed > 0) {
        fail(i18nd("velun_kcm_quotas",
                   "%1 of the files and folders in %2 kept their old project id; the first was %3: %4",
                   QString::number(result.failed),
                   folder,
                   result.firstFailure,
                   QString::fromLocal8Bit(std::strerror(result.error))));
    }
}

ProjectFile QuotaRequest::readProjectFile(const QString &path, QByteArray &content)
{
    content.clear();
    if (m_files.entryKind(path) == FileSystem::Missing) {
        return ProjectFile();
    }
    if (!m_files.readFile(path, content)) {
        fail(i18nd("velun_kcm_quotas", "Unable to read %1", path));
    }
    return ProjectFile(content);
}

bool QuotaRequest::storeProjectFile(const QString &path, const QByteArray &content)
{
    if (content.isEmpty()) {
        return m_files.entryKind(path) == FileSystem::Missing || m_files.removeFile(path);
    }
    return m_files.replaceFile(path, content, 0644);
}

void QuotaRequest::writeProjectFiles(const QByteArray &oldProjects, const QByteArray &projects, const QByteArray &oldProjid, const QByteArray &projid)
{
    const bool writeProjects = projects != oldProjects;
    if (writeProjects && !storeProjectFile(HelperProtocol::ProjectsFilePath, projects)) {
        fail(i18nd("velun_kcm_quotas", "Unable to write %1", HelperProtocol::ProjectsFilePath));
    }
    if (projid == oldProjid || storeProjectFile(HelperProtocol::ProjidFilePath, projid)) {
        return;
    }
    // Half a change would leave a folder without a name, or a name
    // without its folder.
    if (writeProjects && !storeProjectFile(HelperProtocol::ProjectsFilePath, oldProjects)) {
        fail(i18nd("velun_kcm_quotas",
                   "Unable to write %1, and %2 could not be put back as it was",
                   HelperProtocol::ProjidFilePath,
                   HelperProtocol::ProjectsFilePath));
    }
    fail(i18nd("velun_kcm_quotas", "Unable to write %1", HelperProtocol::ProjidFilePath));
}

void QuotaRequest::addProjectEntry()
{
    const quint32 id = projectIdArgument();
    const QString name = m_args.value(HelperProtocol::ProjectName).toString();
    const QString folder = folderArgument();
    m_auditWords.append(QStringLiteral("project=%1 name=%2 folder=%3").arg(id).arg(name, folder));
    // The tools read a name of digits as an id, and the files have no
    // quoting.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.-]{0,31}$"));
    if (m_args.value(HelperProtocol::ProjectName).userType() != QMetaType::QString || !plainName.match(name).hasMatch()) {
        fail(i18nd("velun_kcm_quotas", "The project name \"%1\" must begin with a letter or '_' and hold at most 32 letters, digits, '_', '.' and '-'", name));
    }

    QByteArray oldProjects;
    QByteArray oldProjid;
    ProjectFile projects = readProjectFile(HelperProtocol::ProjectsFilePath, oldProjects);
    ProjectFile projid = readProjectFile(HelperProtocol::ProjidFilePath, oldProjid);
    for (const auto &entry : projects.entries()) {
        quint32 entryId = 0;
        if (parseProjectId(entry.first, entryId) && entryId == id) {
            fail(i18nd("velun_kcm_quotas", "The project id %1 is already in use", QString::number(id)));
        }
        if (entry.second == folder) {
            fail(i18nd("velun_kcm_quotas", "The folder %1 already belongs to project %2", folder, entry.first));
        }
    }
    for (const auto &entry : projid.entries()) {
        quint32 entryId = 0;
        if (parseProjectId(entry.second, entryId) && entryId == id) {
            fail(i18nd("velun_kcm_quotas", "The project id %1 is already in use", QString::number(id)));
        }
        if (entry.first == name) {
            fail(i18nd("velun_kcm_quotas", "The project name %1 is already in use", name));
        }
    }

    projects.append(QString::number(id), folder);
    projid.append(name, QString::number(id));
    writeProjectFiles(oldProjects, projects.content(), oldProjid, projid.content());
}

void QuotaRequest::removeProjectEntry()
{
    const quint32 id = projectIdArgument();
    m_auditWords.append(QStringLiteral("project=%1").arg(id));
    QByteArray oldProjects;
    QByteArray oldProjid;
    ProjectFile projects = readProjectFile(HelperProtocol::ProjectsFilePath, oldProjects);
    ProjectFile projid = readProjectFile(HelperProtocol::ProjidFilePath, oldProjid);
    const int removed = removeProjectEntries(projects, 0, id) + removeProjectEntries(projid, 1, id);
    m_auditWords.append(QStringLiteral("removed_lines=%1").arg(removed));
    // Nothing recorded is nothing to remove: the files stay untouched.
    writeProjectFiles(oldProjects, projects.content(), oldProjid, projid.content());
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
