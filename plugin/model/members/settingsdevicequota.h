// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/settingsid.h"
#include "plugin/model/members/member.h"
#include "plugin/model/members/memberquotadata.h"

#include <QHash>
#include <QObject>
#include <QStringList>

// One user or group with its quota data on every supported device, keyed by
// the block device path. The member dialog edits a parentless copy.
class SettingsDeviceQuota : public QObject
{
    Q_OBJECT

public:
    SettingsDeviceQuota(const Member &member, const QHash<QString, MemberQuotaData> &devicesQuota, SettingsId id, QObject *parent = nullptr);
    // Copies the data, not the parent: whoever makes the copy owns it.
    SettingsDeviceQuota(const SettingsDeviceQuota &other);
    SettingsDeviceQuota &operator=(const SettingsDeviceQuota &other);

    Member member() const;
    void setMember(const Member &member);

    QHash<QString, MemberQuotaData> devicesQuota() const;
    void setDevicesQuota(const QHash<QString, MemberQuotaData> &devicesQuota);

    SettingsId id() const;
    void setId(SettingsId id);

    // The devices supported right now, independent of the table above.
    QStringList devices() const;

private:
    Member m_member;
    QHash<QString, MemberQuotaData> m_devicesQuota;
    SettingsId m_id;
};
