// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/settingsid.h"
#include "plugin/model/values/gracetimeperiod.h"
#include "plugin/system/devicedatainformation.h"

#include <QString>

class QuotaKernelQuery;

// What one load knows about one device for one kind of member: read once
// per load and shared by the device's storage and every member's data on
// it. read() is the one place that decides whether quotas count as on.
class DeviceQuotaFacts
{
public:
    DeviceQuotaFacts() = default;

    // Mount options from both tables, the kernel's quota state and grace
    // periods, and the quota file. Throws what the table queries throw.
    static DeviceQuotaFacts read(const QString &device, SettingsId type, const QString &filesystem, QuotaKernelQuery &kernel);

    QString device() const;
    SettingsId type() const;
    QString filesystem() const;
    bool quotaOn() const;
    GraceTimePeriod gracePeriod() const;

    // The device's general settings as the general tab shows them.
    DeviceDataInformation deviceData() const;

private:
    QString m_device;
    SettingsId m_type = Users;
    QString m_filesystem;
    bool m_willMountWithQuota = false;
    bool m_mountWithQuota = false;
    bool m_quotaOn = false;
    bool m_quotaFileExists = false;
    bool m_keptInternally = false;
    GraceTimePeriod m_gracePeriod;
};
