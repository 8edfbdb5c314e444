// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/system/actionquotachangewrapper.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "plugin/model/values/timeperiodtransfer.h"
#include "plugin/system/devicedatainformation.h"
#include "plugin/system/helperactionexecutor.h"

#include <KLocalizedString>

#include <stdexcept>

ActionQuotaChangeWrapper::ActionQuotaChangeWrapper(HelperActionExecutor &executor, QObject *parent)
    : QObject(parent)
    , m_executor(executor)
{
    resetAction();
}

bool ActionQuotaChangeWrapper::setDeviceOptions(const QString &device, const QStringList &options)
{
    m_arguments.insert(HelperProtocol::SetDeviceOptions, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    m_arguments.insert(HelperProtocol::Options, options);
    return jobExec();
}

bool ActionQuotaChangeWrapper::createQuotaFile(const QString &device, SettingsId type)
{
    m_arguments.insert(HelperProtocol::CreateQuotaFile, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    m_arguments.insert(HelperProtocol::Type, int(type));
    return jobExec();
}

bool ActionQuotaChangeWrapper::remountDevice(const QString &device)
{
    m_arguments.insert(HelperProtocol::RemountDevice, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    return jobExec();
}

bool ActionQuotaChangeWrapper::enableDeviceQuota(const QString &device, SettingsId type, bool enable)
{
    m_arguments.insert(HelperProtocol::EnableDeviceQuota, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    m_arguments.insert(HelperProtocol::Type, int(type));
    m_arguments.insert(HelperProtocol::Enable, enable);
    return jobExec();
}

bool ActionQuotaChangeWrapper::setDeviceGracePeriod(const DeviceDataInformation &data, SettingsId type)
{
    const GraceTimePeriod period = data.graceTimePeriod();
    m_arguments.insert(HelperProtocol::SetDeviceGracePeriod, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, data.deviceName());
    m_arguments.insert(HelperProtocol::Type, int(type));
    m_arguments.insert(HelperProtocol::BlockGrace, quint64(TimePeriodTransfer::fromTime(period.blockGrace)));
    m_arguments.insert(HelperProtocol::InodeGrace, quint64(TimePeriodTransfer::fromTime(period.inodeGrace)));
    return jobExec();
}

bool ActionQuotaChangeWrapper::setProxyData(const QString &device, int id, const ProxyQuotaData &data, SettingsId type)
{
    ProxyQuotaData::registerMetaType();
    m_arguments.insert(HelperProtocol::SetQuotaInfo, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    m_arguments.insert(HelperProtocol::Id, id);
    m_arguments.insert(HelperProtocol::Info, QVariant::fromValue(data));
    m_arguments.insert(HelperProtocol::Type, int(type));
    return jobExec();
}

bool ActionQuotaChangeWrapper::setFolderProject(const QString &device, const QString &folder, quint32 id)
{
    m_arguments.insert(HelperProtocol::SetFolderProject, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    m_arguments.insert(HelperProtocol::Folder, folder);
    m_arguments.insert(HelperProtocol::Id, id);
    return jobExec();
}

bool ActionQuotaChangeWrapper::clearFolderProject(const QString &device, const QString &folder)
{
    m_arguments.insert(HelperProtocol::ClearFolderProject, QVariant());
    m_arguments.insert(HelperProtocol::DeviceName, device);
    m_arguments.insert(HelperProtocol::Folder, folder);
    return jobExec();
}

bool ActionQuotaChangeWrapper::addProjectEntry(quint32 id, const QString &name, const QString &folder)
{
    m_arguments.insert(HelperProtocol::AddProjectEntry, QVariant());
    m_arguments.insert(HelperProtocol::Id, id);
    m_arguments.insert(HelperProtocol::ProjectName, name);
    m_arguments.insert(HelperProtocol::Folder, folder);
    return jobExec();
}

bool ActionQuotaChangeWrapper::removeProjectEntry(quint32 id)
{
    m_arguments.insert(HelperProtocol::RemoveProjectEntry, QVariant());
    m_arguments.insert(HelperProtocol::Id, id);
    return jobExec();
}

void ActionQuotaChangeWrapper::resetAction()
{
    m_arguments = localeArguments();
}

bool ActionQuotaChangeWrapper::jobExec()
{
    // quotacheck and a remount of a large disk run for many minutes; the
    // change timeout keeps D-Bus from reporting a failure meanwhile.
    const HelperActionExecutor::Result result = m_executor.execute(changeActionName(), m_arguments, HelperActionExecutor::ChangeTimeoutMs);
    resetAction();
    if (!result.succeeded) {
        const QString text = result.errorText.isEmpty() ? i18nd("velun_kcm_quotas", "The quota helper failed without giving a reason") : result.errorText;
        throw std::runtime_error(text.toStdString());
    }
    return result.errorText.isEmpty();
}
