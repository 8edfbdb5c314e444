// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/system/devicedatainformation.h"

#include <QObject>
#include <QString>

// The general settings of one device: its file system and its quota state
// for users and for groups.
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

private:
    QString m_filesystem;
    DeviceDataInformation m_usersData;
    DeviceDataInformation m_groupsData;
};
