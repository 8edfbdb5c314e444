// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devicequotafacts.h"

#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/values/timeperiodtransfer.h"

DeviceQuotaFacts DeviceQuotaFacts::read(const QString &device, SettingsId type, const QString &filesystem, QuotaKernelQuery &kernel)
{
    DeviceQuotaFacts facts;
    facts.m_device = device;
    facts.m_type = type;
    facts.m_filesystem = filesystem;
    facts.m_willMountWithQuota = DeviceDataInformation::deviceMountWithQuota(device, type, QStringLiteral("/etc/fstab"));
    facts.m_mountWithQuota = DeviceDataInformation::deviceMountWithQuota(device, type, QStringLiteral("/etc/mtab"));
    // One state query answers both: quotas count as on while their limits
    // are enforced, and hidden quota inodes stand in for the quota file.
    const QuotaState state = MemberQuotaData::quotaState(device, kernel);
    facts.m_quotaOn = state.limitsEnforced(type);
    facts.m_keptInternally = state.keptInternally(type);
    // A noauto device that is not mounted has no quota file to look at; it
    // is listed with quotas off instead of stopping the whole load.
    // XFS has no quota files: whatever aquota file lies there is not its.
    facts.m_quotaFileExists = facts.m_keptInternally
        || (!DeviceDataInformation::isXfs(filesystem) && DeviceDataInformation::deviceIsMounted(device)
            && MemberQuotaData::quotaFileExist(device, type, kernel));
    if (facts.m_quotaOn) {
        const dqinfo info = MemberQuotaData::graceInfo(device, type, kernel);
        facts.m_gracePeriod.blockGrace = TimePeriodTransfer::fromSeconds(info.dqi_bgrace);
        facts.m_gracePeriod.inodeGrace = TimePeriodTransfer::fromSeconds(info.dqi_igrace);
    }
    return facts;
}

QString DeviceQuotaFacts::device() const
{
    return m_device;
}

SettingsId DeviceQuotaFacts::type() const
{
    return m_type;
}

QString DeviceQuotaFacts::filesystem() const
{
    return m_filesystem;
}

bool DeviceQuotaFacts::quotaOn() const
{
    return m_quotaOn;
}

GraceTimePeriod DeviceQuotaFacts::gracePeriod() const
{
    return m_gracePeriod;
}

DeviceDataInformation DeviceQuotaFacts::deviceData() const
{
    DeviceDataInformation data;
    data.setDeviceName(m_device);
    data.setWillMountWithQuota(m_willMountWithQuota);
    data.setMountWithQuota(m_mountWithQuota);
    data.setQuotaSupportOn(m_quotaOn);
    data.setSettingFileExist(m_quotaFileExists);
    data.setQuotaKeptInternally(m_keptInternally);
    data.setGraceTimePeriod(m_gracePeriod);
    return data;
}
