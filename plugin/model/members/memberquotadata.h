// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/quotastate.h"
#include "common/settingsid.h"
#include "plugin/model/values/gracedatetime.h"
#include "plugin/model/values/gracetimeperiod.h"
#include "plugin/model/values/memorysize.h"
#include "plugin/model/values/memorysizeid.h"
#include "plugin/model/values/memorysizetransfer.h"

#include <QHash>
#include <QString>

#include <array>

#include <sys/quota.h>

class HelperActionExecutor;
class QuotaKernelQuery;

// The quota state of one user or group on one block device, and the device
// queries the quotas manager decides with.
class MemberQuotaData
{
public:
    MemberQuotaData();
    // Reads the member's state; the id is the uid for Users and the gid for
    // Groups. Where quotas are off no helper request is made. The first form
    // asks the kernel and the helper itself, the second through the seams.
    MemberQuotaData(const QString &device, int id, SettingsId type);
    MemberQuotaData(const QString &device, int id, SettingsId type, QuotaKernelQuery &kernel, HelperActionExecutor &executor);
    // From a record read earlier on a device whose quotas are on; `grace`
    // is the device's grace periods for the member's kind.
    MemberQuotaData(const QString &device, const QString &filesystem, const dqblk &record, const GraceTimePeriod &grace);
    // The same with the unit texts of `transfer`: a load builds one for all
    // its members.
    MemberQuotaData(const QString &device, const QString &filesystem, const dqblk &record, const GraceTimePeriod &grace, const MemorySizeTransfer &transfer);
    // A device whose quotas are on but whose records could not be read:
    // nothing is known about the member there, and nothing may be written
    // back on the strength of it.
    static MemberQuotaData unknown(const QString &device, const QString &filesystem, const QString &reason);

    MemorySize memorySizeById(MemorySizeId id) const;
    void setMemorySize(MemorySizeId id, const MemorySize &size);

    // File counts are the kernel's 64-bit values (it keeps them below 2^63).
    qint64 numberOfFilesUsed() const;
    void setNumberOfFilesUsed(qint64 count);
    qint64 hardFilesLimit() const;
    void setHardFilesLimit(qint64 limit);
    qint64 softFilesLimit() const;
    void setSoftFilesLimit(qint64 limit);

    GraceDateTime graceDateTime() const;
    void setGraceDateTime(const GraceDateTime &moments);
    GraceTimePeriod graceTimePeriod() const;
    void setGraceTimePeriod(const GraceTimePeriod &period);

    QString deviceName() const;
    void setDeviceName(const QString &device);
    QString deviceFilesystem() const;
    void setDeviceFilesystem(const QString &filesystem);

    // Quotas are on for the device and the member has a limit there.
    bool objectQuotaIsOn() const;
    void setObjectQuotaIsOn(bool on);
    bool deviceQuotaIsOn() const;
    void setDeviceQuotaIsOn(bool on);

    // False when the member's record could not be read; the values are
    // then meaningless zeros.
    bool isKnown() const;
    // Why the record could not be read (the helper's text), if it said.
    QString unknownReason() const;

    // Takes over the limits named by `fields` (LimitFieldId bits) from
    // `other`; everything else stays.
    void copyLimits(const MemberQuotaData &other, int fields);
    // The four limits are the same, to the byte and file.
    bool sameLimits(const MemberQuotaData &other) const;

    // No limit at all (only the numbers are compared, not the units).
    bool isNull() const;
    // At least one positive limit.
    bool isValid() const;

    // The one rule of quota state (QuotaState): on means limits enforced.
    static QuotaState quotaState(const QString &device, QuotaKernelQuery &kernel);
    static bool quotaIsOn(const QString &device, SettingsId type, QuotaKernelQuery &kernel);
    // The file system keeps this kind's records in hidden inodes (the ext4
    // "quota" feature): no quota file, no quotacheck, no remount.
    static bool quotaKeptInternally(const QString &device, SettingsId type, QuotaKernelQuery &kernel);
    // An all-zero record when the kernel does not answer.
    static dqinfo graceInfo(const QString &device, SettingsId type, QuotaKernelQuery &kernel);
    // Through the helper; an all-zero record when the request fails.
    static dqblk quotaInfo(const QString &device, int id, SettingsId type, HelperActionExecutor &executor);
    // True for internally kept records. Throws "Device %1 not mounted" for a
    // device /etc/mtab does not list.
    static bool quotaFileExist(const QString &device, SettingsId type, QuotaKernelQuery &kernel);
    // Mounted right now with the quota option, so quotacheck can create the
    // quota file.
    static bool canCreateQuotaFile(const QString &device, SettingsId type);

private:
    // Indexed by MemorySizeId: a load builds tens of thousands of these,
    // and a hash of three entries cost four allocations each.
    std::array<MemorySize, 3> m_sizes;
    qint64 m_numberOfFilesUsed = 0;
    qint64 m_hardFilesLimit = 0;
    qint64 m_softFilesLimit = 0;
    GraceDateTime m_graceDateTime;
    GraceTimePeriod m_graceTimePeriod;
    QString m_deviceName;
    QString m_deviceFilesystem;
    bool m_objectQuotaIsOn = false;
    bool m_deviceQuotaIsOn = false;
    bool m_known = true;
    QString m_unknownReason;
};
