// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/members/quotastorage.h"

QuotaStorage::QuotaStorage(QObject *parent)
    : QObject(parent)
{
}

QString QuotaStorage::filesystem() const
{
    return m_filesystem;
}

void QuotaStorage::setFilesystem(const QString &filesystem)
{
    m_filesystem = filesystem;
}

DeviceDataInformation QuotaStorage::usersData() const
{
    return m_usersData;
}

void QuotaStorage::setUsersData(const DeviceDataInformation &data)
{
    m_usersData = data;
}

DeviceDataInformation QuotaStorage::groupsData() const
{
    return m_groupsData;
}

void QuotaStorage::setGroupsData(const DeviceDataInformation &data)
{
    m_groupsData = data;
}

DeviceDataInformation QuotaStorage::projectsData() const
{
    return m_projectsData;
}

void QuotaStorage::setProjectsData(const DeviceDataInformation &data)
{
    m_projectsData = data;
}

QString QuotaStorage::mountPath() const
{
    return m_mountPath;
}

void QuotaStorage::setMountPath(const QString &path)
{
    m_mountPath = path;
}
