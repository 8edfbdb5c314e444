// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/system/devicedatainformation.h"

#include <QObject>
#include <QString>

// The general settings of one device: its file system, where it is mounted
// and its quota state for users, groups and folders (projects).
class QuotaStorage : public QObject
{
    Q_OBJECT

public:
    explicit QuotaStorage(QObject *parent = nullptr);

    QString filesystem() const;
    void setFilesystem(const QString &filesystem);

    DeviceDataInformation usersData() const;
    void setUsersData(const DeviceDataInformation &data);

    DeviceDataInformation groupsData() const;
    void setGroupsData(const DeviceDataInformation &data);

    // A null device name means no folder settings at all: nothing to apply.
    DeviceDataInformation projectsData() const;
    void setProjectsData(const DeviceDataInformation &data);

    // Empty while the device is not mounted.
    QString mountPath() const;
    void setMountPath(const QString &path);

private:
    QString m_filesystem;
    DeviceDataInformation m_usersData;
    DeviceDataInformation m_groupsData;
    DeviceDataInformation m_projectsData;
    QString m_mountPath;
};
