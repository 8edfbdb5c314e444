// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/proxyquotadata.h"
#include "common/settingsid.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

class DeviceDataInformation;
class HelperActionExecutor;

// The client of the helper's change action. Each setter sends one request
// and waits for the helper to finish it; a failure is thrown as
// std::runtime_error carrying the helper's translated text.
class ActionQuotaChangeWrapper : public QObject
{
    Q_OBJECT

public:
    // Every request goes through `executor`, which must outlive the wrapper.
    explicit ActionQuotaChangeWrapper(HelperActionExecutor &executor, QObject *parent = nullptr);

    bool setDeviceOptions(const QString &device, const QStringList &options);
    bool createQuotaFile(const QString &device, SettingsId type);
    bool remountDevice(const QString &device);
    bool enableDeviceQuota(const QString &device, SettingsId type, bool enable);
    bool setDeviceGracePeriod(const DeviceDataInformation &data, SettingsId type);
    bool setProxyData(const QString &device, int id, const ProxyQuotaData &data, SettingsId type);
    // Folder quotas: the folder's tree gets (or loses) the project id, and
    // the project files gain (or lose) the project's lines.
    bool setFolderProject(const QString &device, const QString &folder, quint32 id);
    bool clearFolderProject(const QString &device, const QString &folder);
    bool addProjectEntry(quint32 id, const QString &name, const QString &folder);
    bool removeProjectEntry(quint32 id);

private:
    void resetAction();
    bool jobExec();

    // The pending request: the locale keys, captured when it is rebuilt,
    // plus what the setter being run has added.
    QVariantMap m_arguments;
    HelperActionExecutor &m_executor;
};
