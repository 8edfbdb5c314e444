// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/core/quotasmanager.h"

#include "common/helperprotocol.h"

#include "plugin/model/members/devicequotafacts.h"
#include "plugin/model/members/devicequotasnapshot.h"
#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/members/systemquotakernelquery.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/model/values/timeperiodtransfer.h"
#include "plugin/system/configreader.h"
#include "plugin/system/helperactionexecutor.h"
#include "plugin/system/helperquotarecordreader.h"
#include "plugin/system/kcmquotas_debug.h"

#include <KLocalizedString>

#include <QSet>

#include <algorithm>
#include <set>
#include <stdexcept>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

// Each id once, as the helper is asked for it.
QVector<quint32> distinctIds(const QList<Member> &accounts)
{
    QSet<quint32> seen;
    QVector<quint32> ids;
    ids.reserve(accounts.size());
    for (const Member &account : accounts) {
        const auto id = static_cast<quint32>(account.id);
        if (!seen.contains(id)) {
            seen.insert(id);
            ids.append(id);
        }
    }
    return ids;
}
}

QuotasManager::QuotasManager(QObject *parent)
    : QuotasManager(nullptr, nullptr, nullptr, parent)
{
}

QuotasManager::QuotasManager(HelperActionExecutor &executor, QuotaKernelQuery &kernel, QObject *parent)
    : QuotasManager(&executor, &kernel, nullptr, parent)
{
}

QuotasManager::QuotasManager(HelperActionExecutor &executor, QuotaKernelQuery &kernel, std::unique_ptr<QuotaRecordReader> reader, QObject *parent)
    : QuotasManager(&executor, &kernel, std::move(reader), parent)
{
}

QuotasManager::QuotasManager(HelperActionExecutor *executor, QuotaKernelQuery *kernel, std::unique_ptr<QuotaRecordReader> reader, QObject *parent)
    : QObject(parent)
    , m_ownExecutor(executor ? nullptr : HelperActionExecutor::createDefault())
    , m_ownKernel(kernel ? nullptr : std::make_unique<SystemQuotaKernelQuery>())
    , m_executor(executor ? executor : m_ownExecutor.get())
    , m_kernel(kernel ? kernel : m_ownKernel.get())
    , m_actions(*m_executor)
    , m_users(&UserInfo::getUsers)
    , m_groups(&GroupInfo::getGroups)
    , m_reader(reader ? std::move(reader) : std::make_unique<HelperQuotaRecordReader>(*m_executor))
{
}

QuotasManager::~QuotasManager() = default;

void QuotasManager::update()
{
    // Objects emptied out by resetData() alone are still on the tabs: they
    // too must see dataChanged() before they are freed, or they would stay
    // until the panel closes.
    const bool reload = !m_quotaStorages.isEmpty() || !m_userSettings.isEmpty() || !m_groupSettings.isEmpty() || !m_retired.isEmpty();
    if (reload) {
        resetData();
    }

    QList<Member> users;
    for (const UserInfo &user : m_users()) {
        users.append(Member{user.name(), static_cast<int>(user.uid()), user.isSystem()});
    }
    QList<Member> groups;
    for (const GroupInfo &group : m_groups()) {
        groups.append(Member{group.name(), static_cast<int>(group.gid()), group.isSystem()});
    }
    const QVector<quint32> userIds = distinctIds(users);
    const QVector<quint32> groupIds = distinctIds(groups);

    // Before the blkid lines are known no device is: then they and every
    // table come in one request, which costs one authorisation, not two.
    QHash<QString, QuotaRecordReader::TableRecords> listed[2];
    if (!ConfigReader::instance().hasBlkid()) {
        listTables(userIds, groupIds, listed);
    }

    // Each device's facts are read once here and shared by its storage and
    // every member on it.
    const QStringList devices = DeviceDataInformation::supportedDevices();
    QHash<QString, DeviceQuotaFacts> userFacts;
    QHash<QString, DeviceQuotaFacts> groupFacts;
    for (const QString &device : devices) {
        const QString filesystem = DeviceDataInformation::deviceFilesystem(device);
        const DeviceQuotaFacts forUsers = DeviceQuotaFacts::read(device, Users, filesystem, *m_kernel);
        const DeviceQuotaFacts forGroups = DeviceQuotaFacts::read(device, Groups, filesystem, *m_kernel);
        userFacts.insert(device, forUsers);
        groupFacts.insert(device, forGroups);
        auto storage = new QuotaStorage(this);
        storage->setUsersData(forUsers.deviceData());
        storage->setGroupsData(forGroups.deviceData());
        storage->setFilesystem(filesystem);
        m_quotaStorages.insert(device, storage);
    }

    // Every table with quotas on that the listing did not bring is read in
    // one go: each helper request costs an authorisation, which is most of
    // a small directory's load.
    QVector<QuotaRecordReader::Table> tables;
    QHash<QString, QuotaRecordReader::TableRecords> records[2];
    for (const SettingsId type : {Users, Groups}) {
        const QHash<QString, DeviceQuotaFacts> &facts = type == Users ? userFacts : groupFacts;
        const int kind = type == Users ? 0 : 1;
        for (const QString &device : devices) {
            if (!facts.value(device).quotaOn()) {
                continue;
            }
            const auto read = listed[kind].constFind(device);
            if (read == listed[kind].constEnd()) {
                tables.append({device, type});
            } else {
                if (read->failed) {
                    qCWarning(KCMQUOTAS) << "reading the quota records of" << device << "failed:" << read->error;
                }
                records[kind].insert(device, *read);
            }
        }
    }
    QVector<QuotaRecordReader::TableRecords> read;
    QString readError = i18nd("velun_kcm_quotas", "The helper's answer holds no readable quota records");
    try {
        read = m_reader->readTables(tables, userIds, groupIds);
    } catch (const std::runtime_error &error) {
        readError = QString::fromUtf8(error.what());
        read.clear();
    }
    if (read.size() != tables.size()) {
        // Unknown on every device; the devices' settings still load.
        QuotaRecordReader::TableRecords failed;
        failed.failed = true;
        failed.error = readError;
        read = QVector<QuotaRecordReader::TableRecords>(tables.size(), failed);
    }
    for (int i = 0; i < tables.size(); ++i) {
        if (read.at(i).failed) {
            qCWarning(KCMQUOTAS) << "reading the quota records of" << tables.at(i).device << "failed:" << read.at(i).error;
        }
        records[tables.at(i).type == Users ? 0 : 1].insert(tables.at(i).device, read.at(i));
    }

    m_userSettings = loadMembers(users, Users, devices, userFacts, userIds, records[0]);
    m_groupSettings = loadMembers(groups, Groups, devices, groupFacts, groupIds, records[1]);

    if (reload) {
        Q_EMIT dataChanged();
        // The tabs refilled themselves from the new load while the signal
        // ran; nothing points at the old one any more.
        freeRetired();
    }
}

// The tables of every device /etc/fstab may name, by its own names, with
// the blkid lines that tell which device each name is. A reader that cannot
// do that in one go leaves `listed` empty, and the load asks as a reload
// does. A failed request fails the load, as a failed device listing would.
void QuotasManager::listTables(const QVector<quint32> &userIds, const QVector<quint32> &groupIds, QHash<QString, QuotaRecordReader::TableRecords> listed[2])
{
    const QStringList specs = DeviceDataInformation::fstabDeviceSpecs(HelperProtocol::MaxTablesPerKind);
    const QuotaRecordReader::ListedTables answer = m_reader->readListedTables(specs, userIds, groupIds);
    if (!answer.listed) {
        return;
    }
    ConfigReader::instance().setBlkid(answer.blkidLines);
    for (int kind = 0; kind < 2; ++kind) {
        for (int i = 0; i < specs.size() && i < answer.tables[kind].size(); ++i) {
            // By the rule the device list is made with.
            const QString device = DeviceDataInformation::blockDeviceName(specs.at(i), answer.blkidLines);
            if (!device.isEmpty() && !listed[kind].contains(device)) {
                listed[kind].insert(device, answer.tables[kind].at(i));
            }
        }
    }
}

QList<SettingsDeviceQuota *> QuotasManager::loadMembers(const QList<Member> &accounts,
                                                        SettingsId type,
                                                        const QStringList &devices,
                                                        const QHash<QString, DeviceQuotaFacts> &facts,
                                                        const QVector<quint32> &ids,
                                                        const QHash<QString, QuotaRecordReader::TableRecords> &records)
{
    QSet<quint32> accountIds(ids.cbegin(), ids.cend());

    // In the order of `devices`, so each member reads them without a copy.
    QVector<DeviceQuotaSnapshot> snapshots;
    snapshots.reserve(devices.size());
    std::set<quint32> strayIds;
    for (const QString &device : devices) {
        DeviceQuotaSnapshot snapshot(facts.value(device));
        if (snapshot.facts().quotaOn()) {
            const QuotaRecordReader::TableRecords read = records.value(device);
            if (read.failed) {
                // Shown as unknown on this device; the rest still loads.
                snapshot.setReadError(read.error);
            } else {
                snapshot.setRecords(read.records, ids);
            }
            for (quint32 id : snapshot.idsWithData()) {
                if (!accountIds.contains(id)) {
                    strayIds.insert(id);
                }
            }
        }
        snapshots.append(snapshot);
    }

    QList<Member> members = accounts;
    for (quint32 id : strayIds) {
        members.append(Member{QStringLiteral("#%1").arg(id), static_cast<int>(id), false, true});
    }

    QList<SettingsDeviceQuota *> result;
    result.reserve(members.size());
    for (const Member &member : std::as_const(members)) {
        QHash<QString, MemberQuotaData> table;
        table.reserve(devices.size());
        for (int i = 0; i < devices.size(); ++i) {
            table.insert(devices.at(i), snapshots.at(i).memberData(member.id));
        }
        result.append(new SettingsDeviceQuota(member, table, type, this));
    }
    return result;
}

void QuotasManager::resetData()
{
    for (QObject *object : std::as_const(m_userSettings)) {
        m_retired.append(object);
    }
    for (QObject *object : std::as_const(m_quotaStorages)) {
        m_retired.append(object);
    }
    for (QObject *object : std::as_const(m_groupSettings)) {
        m_retired.append(object);
    }
    m_userSettings = {};
    m_quotaStorages = {};
    m_groupSettings = {};
}

void QuotasManager::freeRetired()
{
    qDeleteAll(m_retired);
    m_retired.clear();
#ifdef __GLIBC__
    // A generation of a large directory is tens of thousands of small
    // blocks; glibc keeps the freed ones for reuse, so without this the
    // process's memory only ever grows by the largest generation seen.
    malloc_trim(0);
#endif
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
    return DeviceQuotaFacts::read(device, type, QString(), *m_kernel).deviceData();
}

ProxyQuotaData QuotasManager::proxyData(const MemberQuotaData &data) const
{
    const MemorySizeTransfer transfer;
    ProxyQuotaData record;
    // The kernel counts 1024-byte blocks.
    record.dqb_bsoftlimit = transfer.bytesFromMem(data.memorySizeById(SoftLimitSize)) / 1024;
    record.dqb_bhardlimit = transfer.bytesFromMem(data.memorySizeById(HardLimitSize)) / 1024;
    record.dqb_isoftlimit = static_cast<quint64>(qMax<qint64>(data.softFilesLimit(), 0));
    record.dqb_ihardlimit = static_cast<quint64>(qMax<qint64>(data.hardFilesLimit(), 0));
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
        if (MemberQuotaData::quotaIsOn(device, type, *m_kernel)) {
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

    // Records kept inside the file system exist from mkfs on and are
    // accounted from mount time on: only enforcement has to be switched on,
    // and the fstab option brings it back with the next mount.
    const bool internal = MemberQuotaData::quotaKeptInternally(device, type, *m_kernel);

    // Quota files need both the file and the option on the live mount; a
    // remount brings in the option, quotacheck then builds a missing file.
    const auto ready = [this, &device, type, internal] {
        return internal || (MemberQuotaData::quotaFileExist(device, type, *m_kernel) && MemberQuotaData::canCreateQuotaFile(device, type));
    };
    if (!ready()) {
        reader.reset();
        m_actions.remountDevice(device);
        if (!MemberQuotaData::quotaFileExist(device, type, *m_kernel) && MemberQuotaData::canCreateQuotaFile(device, type)) {
            m_actions.createQuotaFile(device, type);
        }
    }

    if (MemberQuotaData::quotaIsOn(device, type, *m_kernel)) {
        m_actions.setDeviceGracePeriod(data, type);
        return true;
    }
    if (!ready()) {
        fail(i18nd("velun_kcm_quotas", "Failed to enable quotas on device %1", device));
    }
    // The kernel takes grace periods only while quotas are on, so they
    // follow the switch in the same apply. Periods of a kind that was off
    // could not be read; when none was entered either, the quota file's own
    // stay.
    if (m_actions.enableDeviceQuota(device, type, true) && !(data.graceTimePeriod() == GraceTimePeriod())) {
        m_actions.setDeviceGracePeriod(data, type);
    }
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

const SettingsDeviceQuota *QuotasManager::loadedMember(SettingsId type, int id) const
{
    const QList<SettingsDeviceQuota *> &members = type == Users ? m_userSettings : m_groupSettings;
    for (const SettingsDeviceQuota *member : members) {
        if (member->member().id == id) {
            return member;
        }
    }
    return nullptr;
}

int QuotasManager::updateSettingsQuota(const SettingsDeviceQuota &settings)
{
    const SettingsId type = settings.id();
    const int id = settings.member().id;
    const QString name = settings.member().name;
    const SettingsDeviceQuota *loaded = loadedMember(type, id);
    const QHash<QString, MemberQuotaData> table = settings.devicesQuota();
    // In the order of the device paths, so a failure always stops at the
    // same device.
    QStringList devices = table.keys();
    std::sort(devices.begin(), devices.end());
    int written = 0;
    for (const QString &device : std::as_const(devices)) {
        const MemberQuotaData &data = table[device];
        // What could not be read must not be written back as zeros over
        // the limits the kernel really holds.
        if (!data.isKnown()) {
            continue;
        }
        // A device whose values were not edited is neither prepared nor
        // written: accepting the dialog must not switch quotas on, remount
        // or touch fstab where the administrator changed nothing.
        if (loaded && loaded->devicesQuota().contains(device) && proxyData(loaded->devicesQuota().value(device)) == proxyData(data)) {
            continue;
        }
        if (data.isNull() && !MemberQuotaData::quotaIsOn(device, type, *m_kernel)) {
            continue;
        }
        try {
            if (prepareDeviceForLimits(device, type)) {
                m_actions.setProxyData(device, id, proxyData(data), type);
                ++written;
            } else {
                fail(i18nd("velun_kcm_quotas", "Failed to enable quotas on device %1", device));
            }
        } catch (const std::exception &e) {
            fail(i18nd("velun_kcm_quotas", "The limits of %1 on %2 were not set: %3", name, device, QString::fromUtf8(e.what())));
        }
    }
    ConfigReader::instance().reset();
    update();
    return written;
}

int QuotasManager::setMembersLimits(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits, int fields)
{
    if (members.isEmpty()) {
        return 0;
    }
    const SettingsId type = members.first()->id();
    QStringList failures;
    int written = 0;
    bool prepared = false;
    for (const SettingsDeviceQuota *member : members) {
        const MemberQuotaData current = member->devicesQuota().value(device);
        // A record that could not be read is never overwritten blind; the
        // member is named and the others still get their limits.
        if (!current.isKnown()) {
            failures.append(
                i18nd("velun_kcm_quotas",
                      "%1: %2",
                      member->member().name,
                      i18nd("velun_kcm_quotas", "The quota data of this member on this device could not be read, so its limits cannot be changed here.")));
            continue;
        }
        // Each member keeps every limit that was not changed, and its grace
        // times stay with the kernel, which starts or stops them against
        // the new limits itself.
        MemberQuotaData wanted;
        wanted.copyLimits(current, AllLimitFields);
        wanted.copyLimits(limits, fields);
        if (wanted.sameLimits(current)) {
            continue;
        }
        if (!prepared) {
            // Prepared once, and only when some member's limits change.
            try {
                if (!prepareDeviceForLimits(device, type)) {
                    fail(i18nd("velun_kcm_quotas", "Failed to enable quotas on device %1", device));
                }
            } catch (const std::exception &e) {
                ConfigReader::instance().reset();
                update();
                const QString reason = QString::fromUtf8(e.what());
                if (members.size() == 1) {
                    fail(i18nd("velun_kcm_quotas", "The limits of %1 on %2 were not set: %3", member->member().name, device, reason));
                }
                QStringList names;
                for (const SettingsDeviceQuota *each : members) {
                    names.append(each->member().name);
                }
                fail(i18ndp("velun_kcm_quotas",
                            "The limits of %1 member on %2 were not set:\n%3",
                            "The limits of %1 members on %2 were not set:\n%3",
                            members.size(),
                            device,
                            i18nd("velun_kcm_quotas", "%1: %2", names.join(QStringLiteral(", ")), reason)));
            }
            prepared = true;
        }
        // One member's refusal must not cost the others their limits.
        try {
            m_actions.setProxyData(device, member->member().id, proxyData(wanted), type);
            ++written;
        } catch (const std::exception &e) {
            failures.append(i18nd("velun_kcm_quotas", "%1: %2", member->member().name, QString::fromUtf8(e.what())));
        }
    }
    ConfigReader::instance().reset();
    update();
    if (!failures.isEmpty()) {
        fail(i18ndp("velun_kcm_quotas",
                    "The limits of %1 member on %2 were not set:\n%3",
                    "The limits of %1 members on %2 were not set:\n%3",
                    failures.size(),
                    device,
                    failures.join(QLatin1Char('\n'))));
    }
    return written;
}

bool QuotasManager::prepareDeviceForLimits(const QString &device, SettingsId type)
{
    ConfigReader &reader = ConfigReader::instance();
    requireMounted(device);
    enableFstabQuotaOption(device, type, true);

    if (!MemberQuotaData::quotaFileExist(device, type, *m_kernel)) {
        m_actions.remountDevice(device);
        reader.reset();
        if (MemberQuotaData::canCreateQuotaFile(device, type)) {
            m_actions.createQuotaFile(device, type);
        }
        // Without the file quotas cannot go on, and the limits the
        // administrator just accepted would silently be dropped.
        if (!MemberQuotaData::quotaFileExist(device, type, *m_kernel)) {
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
