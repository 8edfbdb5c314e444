// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/core/quotasmanager.h"

#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/model/values/timeperiodtransfer.h"
#include "plugin/system/configreader.h"

#include <KLocalizedString>

#include <stdexcept>

namespace
{
const QString fstabName = QStringLiteral("/etc/fstab");

// dqblk validity bits (linux/quota.h): QIF_BLIMITS, QIF_ILIMITS,
// QIF_BTIME, QIF_ITIME.
constexpr quint64 blockLimitsValid = 1;
constexpr quint64 inodeLimitsValid = 4;
constexpr quint64 blockTimeValid = 16;
constexpr quint64 inodeTimeValid = 32;

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}
}

QuotasManager::QuotasManager(QObject *parent)
    : QObject(parent)
    , m_users(&UserInfo::getUsers)
    , m_groups(&GroupInfo::getGroups)
{
}

void QuotasManager::update()
{
    const bool reload = !m_quotaStorages.isEmpty() || !m_userSettings.isEmpty() || !m_groupSettings.isEmpty();
    if (reload) {
        resetData();
    }

    const QStringList devices = DeviceDataInformation::supportedDevices();
    for (const QString &device : devices) {
        auto storage = new QuotaStorage(this);
        storage->setUsersData(graceDeviceData(device, Users));
        storage->setGroupsData(graceDeviceData(device, Groups));
        storage->setFilesystem(DeviceDataInformation::deviceFilesystem(device));
        m_quotaStorages.insert(device, storage);
    }

    for (const UserInfo &user : m_users()) {
        const int uid = static_cast<int>(user.uid());
        QHash<QString, MemberQuotaData> table;
        for (const QString &device : devices) {
            table.insert(device, MemberQuotaData(device, uid, Users));
        }
        m_userSettings.append(new SettingsDeviceQuota(Member{user.name(), uid, user.isSystem()}, table, Users, this));
    }

    for (const GroupInfo &group : m_groups()) {
        const int gid = static_cast<int>(group.gid());
        QHash<QString, MemberQuotaData> table;
        for (const QString &device : devices) {
            table.insert(device, MemberQuotaData(device, gid, Groups));
        }
        m_groupSettings.append(new SettingsDeviceQuota(Member{group.name(), gid, group.isSystem()}, table, Groups, this));
    }

    if (reload) {
        Q_EMIT dataChanged();
    }
}

void QuotasManager::resetData()
{
    m_userSettings = {};
    m_quotaStorages = {};
    m_groupSettings = {};
}

QMap<QString, QuotaStorage *> QuotasManager::quotaStorages() const
{
    return m_quotaStorages;
}

QList<SettingsDeviceQuota *> QuotasManager::userSettings() const
{
    return m_userSettings;
}

QList<SettingsDeviceQuota *> QuotasManager::groupSettings() const
{
    return m_groupSettings;
}

DeviceDataInformation QuotasManager::graceDeviceData(const QString &device, SettingsId type) const
{
    DeviceDataInformation data;
    data.setDeviceName(device);
    data.setWillMountWithQuota(DeviceDataInformation::deviceMountWithQuota(device, type, fstabName));
    data.setMountWithQuota(DeviceDataInformation::deviceMountWithQuota(device, type, QStringLiteral("/etc/mtab")));
    data.setQuotaSupportOn(MemberQuotaData::quotaIsOn(device, type));
    // A noauto device that is not mounted has no quota file to look at; it
    // is listed with quotas off instead of stopping the whole load.
    data.setSettingFileExist(DeviceDataInformation::deviceIsMounted(device) && MemberQuotaData::quotaFileExist(device, type));
    if (data.quotaSupportOn()) {
        const dqinfo info = MemberQuotaData::graceInfo(device, type);
        GraceTimePeriod period;
        period.blockGrace = TimePeriodTransfer::fromSeconds(info.dqi_bgrace);
        period.inodeGrace = TimePeriodTransfer::fromSeconds(info.dqi_igrace);
        data.setGraceTimePeriod(period);
    }
    return data;
}

ProxyQuotaData QuotasManager::proxyData(const MemberQuotaData &data) const
{
    const MemorySizeTransfer transfer;
    ProxyQuotaData record;
    // The kernel counts 1024-byte blocks.
    record.dqb_bsoftlimit = transfer.bytesFromMem(data.memorySizeById(SoftLimitSize)) / 1024;
    record.dqb_bhardlimit = transfer.bytesFromMem(data.memorySizeById(HardLimitSize)) / 1024;
    // The file limits were read as the low 32 bits of the kernel's value;
    // widening them unsigned writes back what was read instead of turning
    // a limit of 2^31 or more into an almost unbounded one.
    record.dqb_isoftlimit = static_cast<quint32>(data.softFilesLimit());
    record.dqb_ihardlimit = static_cast<quint32>(data.hardFilesLimit());
    // Both pairs of limits are always written, so a 0 removes that limit.
    record.dqb_valid = blockLimitsValid | inodeLimitsValid;
    const GraceDateTime moments = data.graceDateTime();
    if (moments.blockGrace.isValid()) {
        record.dqb_btime = static_cast<quint64>(moments.blockGrace.toSecsSinceEpoch());
        record.dqb_valid |= blockTimeValid;
    }
    if (moments.inodeGrace.isValid()) {
        record.dqb_itime = static_cast<quint64>(moments.inodeGrace.toSecsSinceEpoch());
        record.dqb_valid |= inodeTimeValid;
    }
    return record;
}

void QuotasManager::enableFstabQuotaOption(const QString &device, SettingsId type, bool enable)
{
    if (type != Users && type != Groups) {
        fail(i18nd("velun_kcm_quotas", "Unknown type for setDeviceData"));
    }
    const QString option = quotaMountOption(type);
    QStringList options = DeviceDataInformation::deviceOptions(device, fstabName);
    if (enable) {
        if (!options.contains(option, Qt::CaseSensitive)) {
            options.append(option);
            m_actions.setDeviceOptions(device, options);
        }
    } else if (options.removeAll(option) > 0) {
        m_actions.setDeviceOptions(device, options);
    }
}

bool QuotasManager::setDeviceData(const DeviceDataInformation &data, SettingsId type)
{
    const QString device = data.deviceName();
    ConfigReader &reader = ConfigReader::instance();

    if (!data.quotaSupportOn()) {
        if (MemberQuotaData::quotaIsOn(device, type)) {
            m_actions.enableDeviceQuota(device, type, false);
        }
        // No remount: the device keeps the option until its next mount, and
        // the quota file stays in place.
        enableFstabQuotaOption(device, type, false);
        return true;
    }

    // Fail before touching /etc/fstab: a device that is not mounted can be
    // neither remounted nor checked.
    requireMounted(device);
    enableFstabQuotaOption(device, type, true);

    // Quotas need both the quota file and the option on the live mount; a
    // remount brings in the option, quotacheck then builds a missing file.
    const auto ready = [&device, type] {
        return MemberQuotaData::quotaFileExist(device, type) && MemberQuotaData::canCreateQuotaFile(device, type);
    };
    if (!ready()) {
        reader.reset();
        m_actions.remountDevice(device);
        if (!MemberQuotaData::quotaFileExist(device, type) && MemberQuotaData::canCreateQuotaFile(device, type)) {
            m_actions.createQuotaFile(device, type);
        }
    }

    if (MemberQuotaData::quotaIsOn(device, type)) {
        m_actions.setDeviceGracePeriod(data, type);
        return true;
    }
    if (!ready()) {
        fail(i18nd("velun_kcm_quotas", "Failed to enable quotas on device %1", device));
    }
    // The grace periods are written by the next apply, once quotas are on.
    m_actions.enableDeviceQuota(device, type, true);
    return true;
}

void QuotasManager::setGeneralSettings(const QMap<QString, QuotaStorage *> &storages)
{
    ConfigReader &reader = ConfigReader::instance();
    for (auto it = storages.cbegin(); it != storages.cend(); ++it) {
        setDeviceData(it.value()->usersData(), Users);
        reader.reset();
        setDeviceData(it.value()->groupsData(), Groups);
    }
    // The last fstab rewrite happened after the last reset; without this the
    // reload would show the options as they were before the apply.
    reader.reset();
    update();
}

void QuotasManager::updateSettingsQuota(const SettingsDeviceQuota &settings)
{
    const SettingsId type = settings.id();
    const int id = settings.member().id;
    const QHash<QString, MemberQuotaData> table = settings.devicesQuota();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const QString &device = it.key();
        const MemberQuotaData &data = it.value();
        if (data.isNull() && !MemberQuotaData::quotaIsOn(device, type)) {
            continue;
        }
        if (prepareDeviceForLimits(device, type)) {
            m_actions.setProxyData(device, id, proxyData(data), type);
        }
    }
    ConfigReader::instance().reset();
    update();
}

void QuotasManager::setMembersLimits(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits)
{
    if (members.isEmpty()) {
        return;
    }
    const SettingsId type = members.first()->id();
    // Only the limits are shared; each member's grace times stay with the
    // kernel, which starts or stops them against the new limits itself.
    MemberQuotaData written;
    written.setMemorySize(SoftLimitSize, limits.memorySizeById(SoftLimitSize));
    written.setMemorySize(HardLimitSize, limits.memorySizeById(HardLimitSize));
    written.setSoftFilesLimit(limits.softFilesLimit());
    written.setHardFilesLimit(limits.hardFilesLimit());
    const ProxyQuotaData record = proxyData(written);

    QStringList failures;
    if (!(written.isNull() && !MemberQuotaData::quotaIsOn(device, type)) && prepareDeviceForLimits(device, type)) {
        for (const SettingsDeviceQuota *member : members) {
            // One member's refusal must not cost the others their limits.
            try {
                m_actions.setProxyData(device, member->member().id, record, type);
            } catch (const std::exception &e) {
                failures.append(i18nd("velun_kcm_quotas", "%1: %2", member->member().name, QString::fromUtf8(e.what())));
            }
        }
    }
    ConfigReader::instance().reset();
    update();
    if (!failures.isEmpty()) {
        fail(i18ndp("velun_kcm_quotas",
                    "The limits of %1 member were not set:\n%2",
                    "The limits of %1 members were not set:\n%2",
                    failures.size(),
                    failures.join(QLatin1Char('\n'))));
    }
}

bool QuotasManager::prepareDeviceForLimits(const QString &device, SettingsId type)
{
    ConfigReader &reader = ConfigReader::instance();
    requireMounted(device);
    enableFstabQuotaOption(device, type, true);

    if (!MemberQuotaData::quotaFileExist(device, type)) {
        m_actions.remountDevice(device);
        reader.reset();
        if (MemberQuotaData::canCreateQuotaFile(device, type)) {
            m_actions.createQuotaFile(device, type);
        }
        // Without the file quotas cannot go on, and the limits the
        // administrator just accepted would silently be dropped.
        if (!MemberQuotaData::quotaFileExist(device, type)) {
            fail(i18nd("velun_kcm_quotas", "Failed to enable quotas on device %1", device));
        }
    }
    return m_actions.enableDeviceQuota(device, type, true);
}

void QuotasManager::setAccountDirectory(const UsersSource &users, const GroupsSource &groups)
{
    m_users = users;
    m_groups = groups;
}

void QuotasManager::requireMounted(const QString &device) const
{
    if (!DeviceDataInformation::deviceIsMounted(device)) {
        fail(i18nd("velun_kcm_quotas", "Device %1 not mounted", device));
    }
}
