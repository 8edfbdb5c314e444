// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/settingsid.h"
#include "plugin/model/values/gracetimeperiod.h"

#include <QString>
#include <QStringList>

// The quota situation of one block device for one kind of member, and the
// device questions the panel asks of the mount tables and the blkid lines.
// The queries throw std::runtime_error with a translated text.
class DeviceDataInformation
{
public:
    QString deviceName() const;
    void setDeviceName(const QString &deviceName);

    GraceTimePeriod graceTimePeriod() const;
    void setGraceTimePeriod(const GraceTimePeriod &period);

    // Mounted now with the quota option of this kind (/etc/mtab).
    bool mountWithQuota() const;
    void setMountWithQuota(bool on);

    // /etc/fstab gives the option, so the next mount will have it.
    bool willMountWithQuota() const;
    void setWillMountWithQuota(bool on);

    // Quotas of this kind are on in the kernel.
    bool quotaSupportOn() const;
    void setQuotaSupportOn(bool on);

    // The quota file exists, or the records are kept internally.
    bool settingFileExist() const;
    void setSettingFileExist(bool exists);

    // The file system keeps this kind's quota records in hidden inodes (the
    // ext4 "quota" feature), so quotas go on and off without a remount.
    bool quotaKeptInternally() const;
    void setQuotaKeptInternally(bool internal);

    // Sorted block device paths of the ext2/3/4 and XFS devices of
    // /etc/fstab.
    static QStringList supportedDevices();
    // The device fields of /etc/fstab that may name a supported device
    // (a path or a tag form), each once, in file order, before the blkid
    // lines tell which do; at most `limit` of them.
    static QStringList fstabDeviceSpecs(int limit);
    static QString blockDeviceName(const QString &fsSpec, const QStringList &blkidLines);
    // From /etc/mtab; for a device that is not mounted, its blkid TYPE.
    static QString deviceFilesystem(const QString &device);
    static QString deviceMountPath(const QString &device);
    // Whether /etc/mtab lists the device under exactly this path, the test
    // deviceMountPath uses.
    static bool deviceIsMounted(const QString &device);
    static QStringList deviceOptions(const QString &device, const QString &tabFileName);
    static bool deviceMountWithQuota(const QString &device, SettingsId id, const QString &tabFileName);
    // Every mount option that gives the kind on this file system type: XFS
    // also takes its short forms and the accounting-only ones (which
    // /proc/mounts shows once enforcement is off), ext2/3/4 the one option.
    static QStringList quotaMountOptions(SettingsId id, const QString &filesystem);
    static bool isXfs(const QString &filesystem);

private:
    QString m_deviceName;
    GraceTimePeriod m_graceTimePeriod;
    bool m_mountWithQuota = false;
    bool m_willMountWithQuota = false;
    bool m_quotaSupportOn = false;
    bool m_settingFileExist = false;
    bool m_quotaKeptInternally = false;
};
