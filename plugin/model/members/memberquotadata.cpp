// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/memberquotadata.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "common/proxyquotadata.h"
#include "common/quotastate.h"
#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/quotakernelquery.h"
#include "plugin/model/members/systemquotakernelquery.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/model/values/timeperiodtransfer.h"
#include "plugin/system/devicedatainformation.h"
#include "plugin/system/helperactionexecutor.h"
#include "plugin/system/kcmquotas_debug.h"

#include <QFile>

#include <cstring>
#include <limits>

namespace
{
// The sizes are kept in an array in this order.
static_assert(UsedSize == 0 && SoftLimitSize == 1 && HardLimitSize == 2, "MemorySizeId indexes MemberQuotaData's sizes");

// The kernel keeps counts and limits below 2^63; anything above is no
// count it could hold.
qint64 kernelCount(quint64 value)
{
    return value > quint64(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(value);
}

QDateTime graceMoment(quint64 secondsSinceEpoch)
{
    return secondsSinceEpoch != 0 ? QDateTime::fromSecsSinceEpoch(qint64(secondsSinceEpoch)) : QDateTime();
}
}

MemberQuotaData::MemberQuotaData() = default;

MemberQuotaData::MemberQuotaData(const QString &device, int id, SettingsId type)
    : MemberQuotaData()
{
    SystemQuotaKernelQuery kernel;
    const std::unique_ptr<HelperActionExecutor> executor = HelperActionExecutor::createDefault();
    *this = MemberQuotaData(device, id, type, kernel, *executor);
}

MemberQuotaData::MemberQuotaData(const QString &device, int id, SettingsId type, QuotaKernelQuery &kernel, HelperActionExecutor &executor)
    : MemberQuotaData()
{
    m_deviceName = device;
    m_deviceFilesystem = DeviceDataInformation::deviceFilesystem(device);
    if (!quotaIsOn(device, type, kernel)) {
        return;
    }
    const dqblk record = quotaInfo(device, id, type, executor);
    const dqinfo info = graceInfo(device, type, kernel);
    GraceTimePeriod grace;
    grace.blockGrace = TimePeriodTransfer::fromSeconds(info.dqi_bgrace);
    grace.inodeGrace = TimePeriodTransfer::fromSeconds(info.dqi_igrace);
    *this = MemberQuotaData(device, m_deviceFilesystem, record, grace);
}

MemberQuotaData::MemberQuotaData(const QString &device, const QString &filesystem, const dqblk &record, const GraceTimePeriod &grace)
    : MemberQuotaData(device, filesystem, record, grace, MemorySizeTransfer())
{
}

MemberQuotaData::MemberQuotaData(const QString &device,
                                 const QString &filesystem,
                                 const dqblk &record,
                                 const GraceTimePeriod &grace,
                                 const MemorySizeTransfer &transfer)
    // The kernel counts block limits in 1024-byte blocks but the space in
    // use in bytes.
    : m_sizes{transfer.memFromBytes(record.dqb_curspace),
              transfer.memFromBytes(quint64(record.dqb_bsoftlimit) * 1024),
              transfer.memFromBytes(quint64(record.dqb_bhardlimit) * 1024)}
    , m_graceTimePeriod(grace)
    , m_deviceName(device)
    , m_deviceFilesystem(filesystem)
    , m_deviceQuotaIsOn(true)
{
    m_numberOfFilesUsed = kernelCount(record.dqb_curinodes);
    m_hardFilesLimit = kernelCount(record.dqb_ihardlimit);
    m_softFilesLimit = kernelCount(record.dqb_isoftlimit);

    m_graceDateTime.blockGrace = graceMoment(record.dqb_btime);
    m_graceDateTime.inodeGrace = graceMoment(record.dqb_itime);

    m_objectQuotaIsOn = isValid() && m_deviceQuotaIsOn;
}

MemberQuotaData MemberQuotaData::unknown(const QString &device, const QString &filesystem, const QString &reason)
{
    MemberQuotaData data;
    data.m_deviceName = device;
    data.m_deviceFilesystem = filesystem;
    data.m_deviceQuotaIsOn = true;
    data.m_known = false;
    data.m_unknownReason = reason;
    return data;
}

bool MemberQuotaData::isKnown() const
{
    return m_known;
}

QString MemberQuotaData::unknownReason() const
{
    return m_unknownReason;
}

MemorySize MemberQuotaData::memorySizeById(MemorySizeId id) const
{
    return id >= 0 && size_t(id) < m_sizes.size() ? m_sizes[size_t(id)] : MemorySize();
}

void MemberQuotaData::setMemorySize(MemorySizeId id, const MemorySize &size)
{
    if (id >= 0 && size_t(id) < m_sizes.size()) {
        m_sizes[size_t(id)] = size;
    }
}

qint64 MemberQuotaData::numberOfFilesUsed() const
{
    return m_numberOfFilesUsed;
}

void MemberQuotaData::setNumberOfFilesUsed(qint64 count)
{
    m_numberOfFilesUsed = count;
}

qint64 MemberQuotaData::hardFilesLimit() const
{
    return m_hardFilesLimit;
}

void MemberQuotaData::setHardFilesLimit(qint64 limit)
{
    m_hardFilesLimit = limit;
}

qint64 MemberQuotaData::softFilesLimit() const
{
    return m_softFilesLimit;
}

void MemberQuotaData::setSoftFilesLimit(qint64 limit)
{
    m_softFilesLimit = limit;
}

GraceDateTime MemberQuotaData::graceDateTime() const
{
    return m_graceDateTime;
}

void MemberQuotaData::setGraceDateTime(const GraceDateTime &moments)
{
    m_graceDateTime = moments;
}

GraceTimePeriod MemberQuotaData::graceTimePeriod() const
{
    return m_graceTimePeriod;
}

void MemberQuotaData::setGraceTimePeriod(const GraceTimePeriod &period)
{
    m_graceTimePeriod = period;
}

QString MemberQuotaData::deviceName() const
{
    return m_deviceName;
}

void MemberQuotaData::setDeviceName(const QString &device)
{
    m_deviceName = device;
}

QString MemberQuotaData::deviceFilesystem() const
{
    return m_deviceFilesystem;
}

void MemberQuotaData::setDeviceFilesystem(const QString &filesystem)
{
    m_deviceFilesystem = filesystem;
}

bool MemberQuotaData::objectQuotaIsOn() const
{
    return m_objectQuotaIsOn;
}

void MemberQuotaData::setObjectQuotaIsOn(bool on)
{
    m_objectQuotaIsOn = on;
}

bool MemberQuotaData::deviceQuotaIsOn() const
{
    return m_deviceQuotaIsOn;
}

void MemberQuotaData::setDeviceQuotaIsOn(bool on)
{
    m_deviceQuotaIsOn = on;
}

void MemberQuotaData::copyLimits(const MemberQuotaData &other, int fields)
{
    if (fields & SoftSpaceField) {
        setMemorySize(SoftLimitSize, other.memorySizeById(SoftLimitSize));
    }
    if (fields & HardSpaceField) {
        setMemorySize(HardLimitSize, other.memorySizeById(HardLimitSize));
    }
    if (fields & SoftFilesField) {
        m_softFilesLimit = other.m_softFilesLimit;
    }
    if (fields & HardFilesField) {
        m_hardFilesLimit = other.m_hardFilesLimit;
    }
}

bool MemberQuotaData::sameLimits(const MemberQuotaData &other) const
{
    const MemorySizeTransfer transfer;
    return transfer.bytesFromMem(memorySizeById(SoftLimitSize)) == transfer.bytesFromMem(other.memorySizeById(SoftLimitSize))
        && transfer.bytesFromMem(memorySizeById(HardLimitSize)) == transfer.bytesFromMem(other.memorySizeById(HardLimitSize))
        && m_softFilesLimit == other.m_softFilesLimit && m_hardFilesLimit == other.m_hardFilesLimit;
}

bool MemberQuotaData::isNull() const
{
    return memorySizeById(SoftLimitSize).value() == 0.0 && m_softFilesLimit == 0 && memorySizeById(HardLimitSize).value() == 0.0 && m_hardFilesLimit == 0;
}

bool MemberQuotaData::isValid() const
{
    return memorySizeById(HardLimitSize).value() > 0.0 || memorySizeById(SoftLimitSize).value() > 0.0 || m_hardFilesLimit > 0 || m_softFilesLimit > 0;
}

QuotaState MemberQuotaData::quotaState(const QString &device, QuotaKernelQuery &kernel)
{
    fs_quota_statv answer = QuotaState::request();
    const int result = kernel.getState(device.toUtf8(), &answer);
    // XFS keeps every kind in its own metadata, under ordinary inode numbers.
    if (DeviceDataInformation::isXfs(DeviceDataInformation::deviceFilesystem(device))) {
        return QuotaState::ofMetadataQuotas(result, answer);
    }
    return QuotaState(result, answer);
}

bool MemberQuotaData::quotaIsOn(const QString &device, SettingsId type, QuotaKernelQuery &kernel)
{
    return quotaState(device, kernel).limitsEnforced(type);
}

bool MemberQuotaData::quotaKeptInternally(const QString &device, SettingsId type, QuotaKernelQuery &kernel)
{
    return quotaState(device, kernel).keptInternally(type);
}

dqinfo MemberQuotaData::graceInfo(const QString &device, SettingsId type, QuotaKernelQuery &kernel)
{
    dqinfo info;
    std::memset(&info, 0, sizeof(info));
    if (kernel.getInfo(device.toUtf8(), type, &info) != 0) {
        qCWarning(KCMQUOTAS) << "ERROR graceInfo" << device << "type" << int(type);
        std::memset(&info, 0, sizeof(info));
    }
    return info;
}

dqblk MemberQuotaData::quotaInfo(const QString &device, int id, SettingsId type, HelperActionExecutor &executor)
{
    ProxyQuotaData::registerMetaType();
    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::GetQuotaInfo, QVariant());
    arguments.insert(HelperProtocol::DeviceName, device);
    arguments.insert(HelperProtocol::Id, id);
    arguments.insert(HelperProtocol::Type, int(type));
    const HelperActionExecutor::Result result = executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs);
    if (!result.succeeded) {
        qCWarning(KCMQUOTAS) << "reading the quota record of" << id << "on" << device << "failed:" << result.errorText;
        return ProxyQuotaData().toDqblk();
    }
    const QVariant info = result.data.value(HelperProtocol::QuotaInfo);
    if (!info.canConvert<ProxyQuotaData>()) {
        return ProxyQuotaData().toDqblk();
    }
    return info.value<ProxyQuotaData>().toDqblk();
}

bool MemberQuotaData::quotaFileExist(const QString &device, SettingsId type, QuotaKernelQuery &kernel)
{
    if (type != Users && type != Groups) {
        return false;
    }
    if (quotaKeptInternally(device, type, kernel)) {
        return true;
    }
    QString path = DeviceDataInformation::deviceMountPath(device);
    if (path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    return QFile::exists(QStringLiteral("%1/%2").arg(path, quotaFileName(type)));
}

bool MemberQuotaData::canCreateQuotaFile(const QString &device, SettingsId type)
{
    if (type != Users && type != Groups) {
        qCWarning(KCMQUOTAS) << "Unknown type for canCreateQuotaFile";
        return false;
    }
    return DeviceDataInformation::deviceOptions(device, QStringLiteral("/etc/mtab")).contains(quotaMountOption(type), Qt::CaseSensitive);
}
