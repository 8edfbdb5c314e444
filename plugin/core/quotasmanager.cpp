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

#include <QDir>
#include <QFile>
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
    , m_projectsPath(HelperProtocol::ProjectsFilePath)
    , m_projidPath(HelperProtocol::ProjidFilePath)
{
}

QuotasManager::~QuotasManager() = default;

void QuotasManager::update()
{
    // Objects emptied out by resetData() alone are still on the tabs: they
    // too must see dataChanged() before they are freed, or they would stay
    // until the panel closes.
    const bool reload =
        !m_quotaStorages.isEmpty() || !m_userSettings.isEmpty() || !m_groupSettings.isEmpty() || !m_projectSettings.isEmpty() || !m_retired.isEmpty();
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
        storage->setProjectsData(DeviceQuotaFacts::read(device, Projects, filesystem, *m_kernel).deviceData());
        storage->setMountPath(DeviceDataInformation::deviceIsMounted(device) ? DeviceDataInformation::deviceMountPath(device) : QString());
        m_quotaStorages.insert(device, storage);
    }

    // Folder quotas: the devices that account projects (ext4 with the
    // "project" feature, XFS mounted with the option), and the folders the
    // project files name on them.
    QHash<QString, FolderDeviceFacts> projectFacts;
    m_folderDevices.clear();
    for (const QString &device : devices) {
        if (!DeviceDataInformation::deviceIsMounted(device)) {
            continue;
        }
        const QuotaState state = MemberQuotaData::quotaState(device, *m_kernel);
        if (!state.accounting(Projects)) {
            continue;
        }
        try {
            m_folderDevices.insert(device, DeviceDataInformation::deviceMountPath(device));
        } catch (const std::exception &e) {
            qCWarning(KCMQUOTAS) << "the folder quotas of" << device << "are left out:" << e.what();
            continue;
        }
        FolderDeviceFacts facts;
        facts.filesystem = userFacts.value(device).filesystem();
        facts.enforced = state.limitsEnforced(Projects);
        const dqinfo info = MemberQuotaData::graceInfo(device, Projects, *m_kernel);
        facts.grace.blockGrace = TimePeriodTransfer::fromSeconds(info.dqi_bgrace);
        facts.grace.inodeGrace = TimePeriodTransfer::fromSeconds(info.dqi_igrace);
        projectFacts.insert(device, facts);
    }
    readProjectFiles();
    QList<ProjectFolder> folders;
    QSet<QString> folderTables;
    QVector<quint32> projectIds;
    {
        QSet<quint32> seen;
        for (const ProjectFolder &folder : ProjectFile::folders(m_projects, m_projid)) {
            const QString device = folderDevice(folder.folder, m_folderDevices);
            // Project 0 is every file's default, not a folder of its own.
            if (device.isEmpty() || folder.id == 0) {
                continue;
            }
            folders.append(folder);
            folderTables.insert(device);
            if (!seen.contains(folder.id)) {
                seen.insert(folder.id);
                projectIds.append(folder.id);
            }
        }
    }

    // Every table with quotas on that the listing did not bring is read in
    // one go: each helper request costs an authorisation, which is most of
    // a small directory's load.
    QVector<QuotaRecordReader::Table> tables;
    QHash<QString, QuotaRecordReader::TableRecords> records[3];
    for (const SettingsId type : {Users, Groups}) {
        const QHash<QString, DeviceQuotaFacts> &facts = type == Users ? userFacts : groupFacts;
        for (const QString &device : devices) {
            if (!facts.value(device).quotaOn()) {
                continue;
            }
            const auto read = listed[type].constFind(device);
            if (read == listed[type].constEnd()) {
                tables.append({device, type});
            } else {
                if (read->failed) {
                    qCWarning(KCMQUOTAS) << "reading the quota records of" << device << "failed:" << read->error;
                }
                records[type].insert(device, *read);
            }
        }
    }
    // Only devices holding a folder of the files: the records of the rest
    // would be shown nowhere.
    for (const QString &device : devices) {
        if (folderTables.contains(device)) {
            tables.append({device, Projects});
        }
    }
    QVector<QuotaRecordReader::TableRecords> read;
    QString readError = i18nd("velun_kcm_quotas", "The helper's answer holds no readable quota records");
    try {
        read = m_reader->readTables(tables, userIds, groupIds, projectIds);
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
        records[int(tables.at(i).type)].insert(tables.at(i).device, read.at(i));
    }

    m_userSettings = loadMembers(users, Users, devices, userFacts, userIds, records[Users]);
    m_groupSettings = loadMembers(groups, Groups, devices, groupFacts, groupIds, records[Groups]);
    m_projectSettings = loadFolders(folders, records[Projects], projectFacts);

    if (reload) {
        Q_EMIT dataChanged();
        // The tabs refilled themselves from the new load while the signal
        // ran; nothing points at the old one any more.
        freeRetired();
    }
}

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

QList<SettingsDeviceQuota *> QuotasManager::loadFolders(const QList<ProjectFolder> &folders,
                                                        const QHash<QString, QuotaRecordReader::TableRecords> &records,
                                                        const QHash<QString, FolderDeviceFacts> &facts)
{
    const MemorySizeTransfer transfer;
    QList<SettingsDeviceQuota *> result;
    result.reserve(folders.size());
    for (const ProjectFolder &folder : folders) {
        const QString device = folderDevice(folder.folder, m_folderDevices);
        const FolderDeviceFacts deviceFacts = facts.value(device);
        const QuotaRecordReader::TableRecords read = records.value(device);
        MemberQuotaData data;
        const auto record = read.records.constFind(folder.id);
        if (read.failed || record == read.records.cend()) {
            // The helper answers every id it is asked for: no record is a
            // read that did not happen, never a folder without limits.
            data = MemberQuotaData::unknown(device, deviceFacts.filesystem, read.error);
        } else {
            data = MemberQuotaData(device, deviceFacts.filesystem, record->toDqblk(), deviceFacts.grace, transfer);
            // Accounted is enough to set limits; they bind only once the
            // device enforces folder quotas.
            data.setObjectQuotaIsOn(data.isValid() && deviceFacts.enforced);
        }
        Member member;
        member.name = folder.name;
        member.id = static_cast<int>(folder.id);
        member.folder = folder.folder;
        QHash<QString, MemberQuotaData> table;
        table.insert(device, data);
        result.append(new SettingsDeviceQuota(member, table, Projects, this));
    }
    return result;
}

void QuotasManager::readProjectFiles()
{
    const auto read = [](const QString &path) {
        QFile file(path);
        if (!file.exists()) {
            return ProjectFile();
        }
        if (!file.open(QIODevice::ReadOnly)) {
            // Both files are world-readable; one that is not shows no
            // folders, and the helper still refuses ids and names in use.
            qCWarning(KCMQUOTAS) << "the project file" << path << "cannot be read:" << file.errorString();
            return ProjectFile();
        }
        return ProjectFile(file.readAll());
    };
    m_projects = read(m_projectsPath);
    m_projid = read(m_projidPath);
}

QString QuotasManager::folderDevice(const QString &folder, const QMap<QString, QString> &mountPoints)
{
    const QString path = QDir::cleanPath(folder);
    if (!QDir::isAbsolutePath(path)) {
        return QString();
    }
    QString best;
    int bestLength = -1;
    for (auto it = mountPoints.cbegin(); it != mountPoints.cend(); ++it) {
        const QString mount = QDir::cleanPath(it.value());
        // /srv/data2 is not beneath /srv/data.
        const bool beneath = mount == QLatin1String("/") || path == mount || path.startsWith(mount + QLatin1Char('/'));
        if (!mount.isEmpty() && beneath && mount.size() > bestLength) {
            best = it.key();
            bestLength = mount.size();
        }
    }
    return best;
}

QMap<QString, QString> QuotasManager::folderDevices() const
{
    return m_folderDevices;
}

quint32 QuotasManager::nextProjectId() const
{
    QSet<quint32> used;
    quint32 highest = 0;
    const auto note = [&used, &highest](const QString &text) {
        bool ok = false;
        const quint32 id = text.trimmed().toUInt(&ok);
        if (ok) {
            used.insert(id);
            highest = qMax(highest, id);
        }
    };
    for (const auto &entry : m_projects.entries()) {
        note(entry.first);
    }
    for (const auto &entry : m_projid.entries()) {
        note(entry.second);
    }
    if (highest < HelperProtocol::MaxProjectId) {
        return highest + 1;
    }
    // The top is taken: the lowest gap instead.
    for (quint32 id = 1; id < HelperProtocol::MaxProjectId; ++id) {
        if (!used.contains(id)) {
            return id;
        }
    }
    return 0;
}

void QuotasManager::setProjectFilePaths(const QString &projects, const QString &projid)
{
    m_projectsPath = projects;
    m_projidPath = projid;
}

void QuotasManager::requireFolderQuotas(const QString &device) const
{
    if (!DeviceDataInformation::deviceIsMounted(device) || !MemberQuotaData::quotaState(device, *m_kernel).accounting(Projects)) {
        fail(i18nd("velun_kcm_quotas",
                   "Folder quotas are not accounted on %1: switch folder quota support on for this device in the general settings first.",
                   device));
    }
}

bool QuotasManager::prepareForLimits(const QString &device, SettingsId type)
{
    if (type == Projects) {
        requireFolderQuotas(device);
        return true;
    }
    return prepareDeviceForLimits(device, type);
}

void QuotasManager::addFolder(const QString &device, const QString &folder, const QString &name, quint32 id, const MemberQuotaData &limits)
{
    requireFolderQuotas(device);
    if (folderDevice(folder, {{device, DeviceDataInformation::deviceMountPath(device)}}) != device) {
        fail(i18nd("velun_kcm_quotas", "The folder %1 is not on %2.", folder, device));
    }
    // Checked before anything changes: giving the files a new project id
    // and taking it back after a refusal would lose the id they had.
    readProjectFiles();
    const QString idText = QString::number(id);
    for (const auto &entry : m_projects.entries()) {
        if (entry.first.trimmed() == idText) {
            fail(i18nd("velun_kcm_quotas", "The project id %1 is already in use in %2.", idText, m_projectsPath));
        }
        if (QDir::cleanPath(entry.second.trimmed()) == QDir::cleanPath(folder)) {
            fail(i18nd("velun_kcm_quotas", "The folder %1 already has a folder quota (project id %2).", folder, entry.first.trimmed()));
        }
    }
    for (const auto &entry : m_projid.entries()) {
        if (entry.second.trimmed() == idText) {
            fail(i18nd("velun_kcm_quotas", "The project id %1 is already in use in %2.", idText, m_projidPath));
        }
        if (entry.first.trimmed() == name) {
            fail(i18nd("velun_kcm_quotas", "The project name %1 is already in use in %2.", name, m_projidPath));
        }
    }
    m_actions.setFolderProject(device, folder, id);
    try {
        m_actions.addProjectEntry(id, name, folder);
    } catch (const std::exception &e) {
        // A project id on files that no project file names would be
        // invisible here and to every quota tool: take it back.
        const QString reason = QString::fromUtf8(e.what());
        try {
            m_actions.clearFolderProject(device, folder);
        } catch (const std::exception &undo) {
            fail(i18nd("velun_kcm_quotas",
                       "The folder %1 was not added: %2\nIts files keep project id %3, which could not be taken back: %4",
                       folder,
                       reason,
                       QString::number(id),
                       QString::fromUtf8(undo.what())));
        }
        fail(i18nd("velun_kcm_quotas", "The folder %1 was not added: %2", folder, reason));
    }
    QString limitsError;
    if (!limits.isNull()) {
        try {
            m_actions.setProxyData(device, static_cast<int>(id), proxyData(limits), Projects);
        } catch (const std::exception &e) {
            limitsError = QString::fromUtf8(e.what());
        }
    }
    ConfigReader::instance().reset();
    update();
    if (!limitsError.isEmpty()) {
        fail(i18nd("velun_kcm_quotas", "The folder %1 was added, but its limits were not set: %2", folder, limitsError));
    }
}

void QuotasManager::removeFolder(const SettingsDeviceQuota &folder, bool keepProjectIds)
{
    const Member member = folder.member();
    const QStringList devices = folder.devicesQuota().keys();
    if (folder.id() != Projects || devices.size() != 1 || member.folder.isEmpty()) {
        fail(i18nd("velun_kcm_quotas", "%1 is not a folder with a folder quota.", member.name));
    }
    const QString device = devices.first();
    const auto id = static_cast<quint32>(member.id);
    try {
        // Limits left on the project would bind whatever gets its id next.
        m_actions.setProxyData(device, member.id, proxyData(MemberQuotaData()), Projects);
        if (!keepProjectIds) {
            m_actions.clearFolderProject(device, member.folder);
        }
        m_actions.removeProjectEntry(id);
    } catch (const std::exception &e) {
        ConfigReader::instance().reset();
        update();
        fail(i18nd("velun_kcm_quotas", "The folder %1 was not removed: %2", member.folder, QString::fromUtf8(e.what())));
    }
    ConfigReader::instance().reset();
    update();
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
    for (QObject *object : std::as_const(m_projectSettings)) {
        m_retired.append(object);
    }
    m_userSettings = {};
    m_quotaStorages = {};
    m_groupSettings = {};
    m_projectSettings = {};
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

QList<SettingsDeviceQuota *> QuotasManager::projectSettings() const
{
    return m_projectSettings;
}

DeviceDataInformation QuotasManager::graceDeviceData(const QString &device, SettingsId type) const
{
    return DeviceQuotaFacts::read(device, type, DeviceDataInformation::deviceFilesystem(device), *m_kernel).deviceData();
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
    if (!isKnownSettingsId(type)) {
        fail(i18nd("velun_kcm_quotas", "Unknown type for setDeviceData"));
    }
    const QString option = quotaMountOption(type);
    // XFS takes several spellings of each kind; any of them counts as the
    // option, and switching off must not leave one behind.
    const QStringList forms = DeviceDataInformation::quotaMountOptions(type, DeviceDataInformation::deviceFilesystem(device));
    QStringList options = DeviceDataInformation::deviceOptions(device, fstabName);
    const auto accountingOnly = [](const QString &form) {
        return form.endsWith(QLatin1String("noenforce"));
    };
    if (enable) {
        // An accounting-only spelling alone leaves the limits unenforced
        // after the next mount; the option appended after it wins there.
        const bool enforced = std::any_of(forms.cbegin(), forms.cend(), [&](const QString &form) {
            return !accountingOnly(form) && options.contains(form, Qt::CaseSensitive);
        });
        if (!enforced) {
            options.append(option);
            m_actions.setDeviceOptions(device, options);
        }
        return;
    }
    // The helper takes one option per request, and only the spellings that
    // enforce by name; "quota" and the accounting-only ones stay.
    for (const QString &form : forms) {
        if (!accountingOnly(form) && form != QLatin1String("quota") && options.removeAll(form) > 0) {
            m_actions.setDeviceOptions(device, options);
        }
    }
}

bool QuotasManager::startMetadataAccounting(const QString &device, SettingsId type)
{
    const QString filesystem = DeviceDataInformation::deviceFilesystem(device);
    const bool xfs = DeviceDataInformation::isXfs(filesystem);
    if (!xfs && !MemberQuotaData::quotaKeptInternally(device, type, *m_kernel)) {
        // Checked before fstab is touched: ext4 refuses to mount with
        // prjquota when the file system lacks the feature.
        if (filesystem == QLatin1String("ext4")) {
            fail(i18nd("velun_kcm_quotas", "%1 has no folder quotas yet: unmount it and run tune2fs -O project,quota %1, then mount it again.", device));
        }
        fail(i18nd("velun_kcm_quotas", "Folder quotas need an ext4 or XFS file system; %1 is %2.", device, filesystem));
    }
    enableFstabQuotaOption(device, type, true);
    // What follows reads the fstab just written.
    ConfigReader &reader = ConfigReader::instance();
    reader.reset();
    if (MemberQuotaData::quotaKeptInternally(device, type, *m_kernel)) {
        return true;
    }
    // XFS starts counting a kind only at mount time. The root file system
    // is mounted by the kernel with the options of its command line, which
    // the panel leaves to the administrator.
    if (DeviceDataInformation::deviceMountPath(device) == QLatin1String("/")) {
        return false;
    }
    m_actions.remountDevice(device);
    reader.reset();
    if (!MemberQuotaData::quotaKeptInternally(device, type, *m_kernel)) {
        fail(i18nd("velun_kcm_quotas", "Failed to enable quotas on device %1", device));
    }
    return true;
}

QString QuotasManager::rootFlags(const QString &device) const
{
    QStringList flags;
    for (const SettingsId type : {Users, Groups, Projects}) {
        if (DeviceDataInformation::deviceMountWithQuota(device, type, fstabName)) {
            flags.append(quotaMountOption(type));
        }
    }
    return flags.join(QLatin1Char(','));
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

    // Folders and XFS have no quota files: the file system counts from
    // mount time on once it has the feature or the option.
    const bool metadata = type == Projects || DeviceDataInformation::isXfs(DeviceDataInformation::deviceFilesystem(device));
    bool internal = true;
    if (metadata) {
        if (!startMetadataAccounting(device, type)) {
            // Waits for the next boot; the tab says what the kernel command
            // line needs.
            return true;
        }
    } else {
        enableFstabQuotaOption(device, type, true);
        // Records kept inside the file system exist from mkfs on and are
        // accounted from mount time on: only enforcement has to be switched
        // on, and the fstab option brings it back with the next mount.
        internal = MemberQuotaData::quotaKeptInternally(device, type, *m_kernel);
    }

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
        if (!it.value()->projectsData().deviceName().isNull()) {
            reader.reset();
            setDeviceData(it.value()->projectsData(), Projects);
        }
    }
    // The last fstab rewrite happened after the last reset; without this the
    // reload would show the options as they were before the apply.
    reader.reset();
    update();
}

const SettingsDeviceQuota *QuotasManager::loadedMember(SettingsId type, int id) const
{
    const QList<SettingsDeviceQuota *> &members = type == Users ? m_userSettings : (type == Groups ? m_groupSettings : m_projectSettings);
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
        // Folder limits are kept while only accounted, so clearing them
        // there is a real change.
        if (type != Projects && data.isNull() && !MemberQuotaData::quotaIsOn(device, type, *m_kernel)) {
            continue;
        }
        try {
            if (prepareForLimits(device, type)) {
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
                if (!prepareForLimits(device, type)) {
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
    if (type == Projects || DeviceDataInformation::isXfs(DeviceDataInformation::deviceFilesystem(device))) {
        if (!startMetadataAccounting(device, type)) {
            // Limits written now would not be enforced, nor even counted.
            fail(i18nd("velun_kcm_quotas",
                       "Quotas on %1 start only with the next boot: the root file system needs rootflags=%2 on the kernel command line.",
                       device,
                       rootFlags(device)));
        }
        return MemberQuotaData::quotaIsOn(device, type, *m_kernel) || m_actions.enableDeviceQuota(device, type, true);
    }
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
