// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/settingsdevicequota.h"

#include "plugin/system/devicedatainformation.h"

SettingsDeviceQuota::SettingsDeviceQuota(const Member &member, const QHash<QString, MemberQuotaData> &devicesQuota, SettingsId id, QObject *parent)
    : QObject(parent)
    , m_member(member)
    , m_devicesQuota(devicesQuota)
    , m_id(id)
{
}

SettingsDeviceQuota::SettingsDeviceQuota(const SettingsDeviceQuota &other)
    : QObject(nullptr)
    , m_member(other.m_member)
    , m_devicesQuota(other.m_devicesQuota)
    , m_id(other.m_id)
{
}

SettingsDeviceQuota &SettingsDeviceQuota::operator=(const SettingsDeviceQuota &other)
{
    m_member = other.m_member;
    m_devicesQuota = other.m_devicesQuota;
    m_id = other.m_id;
    return *this;
}

Member SettingsDeviceQuota::member() const
{
    return m_member;
}

void SettingsDeviceQuota::setMember(const Member &member)
{
    m_member = member;
}

QHash<QString, MemberQuotaData> SettingsDeviceQuota::devicesQuota() const
{
    return m_devicesQuota;
}

void SettingsDeviceQuota::setDevicesQuota(const QHash<QString, MemberQuotaData> &devicesQuota)
{
    m_devicesQuota = devicesQuota;
}

SettingsId SettingsDeviceQuota::id() const
{
    return m_id;
}

void SettingsDeviceQuota::setId(SettingsId id)
{
    m_id = id;
}

QStringList SettingsDeviceQuota::devices() const
{
    return DeviceDataInformation::supportedDevices();
}
