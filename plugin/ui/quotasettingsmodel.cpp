// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotasettingsmodel.h"

#include "plugin/model/members/memberquotastate.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/model/values/timeperiodtransfer.h"

#include <KLocalizedString>

#include <QFont>
#include <QIcon>
#include <QMetaEnum>

namespace
{
const QString DateTimeFormat = QStringLiteral("dd.MM.yyyy hh:mm");

QVariant fileCount(qint64 count)
{
    return count == 0 ? QVariant() : QVariant(count);
}

QString onOff(bool on)
{
    return on ? i18nd("velun_kcm_quotas", "on") : i18nd("velun_kcm_quotas", "off");
}
}

QuotaSettingsModel::QuotaSettingsModel(const QList<SettingsDeviceQuota *> &settings, QObject *parent, const Clock &clock)
    : QAbstractTableModel(parent)
    , m_settings(settings)
    , m_clock(clock)
{
}

QDateTime QuotaSettingsModel::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

MemberQuotaData QuotaSettingsModel::currentData(const SettingsDeviceQuota *settings) const
{
    // Building a default value costs translated unit texts; every cell of
    // a member without data on the device shares this one instead.
    const QHash<QString, MemberQuotaData> table = settings->devicesQuota();
    const auto data = table.constFind(m_currentDevice);
    return data != table.constEnd() ? data.value() : m_noData;
}

void QuotaSettingsModel::setShowsFolders(bool folders)
{
    beginResetModel();
    m_folders = folders;
    endResetModel();
}

bool QuotaSettingsModel::showsFolders() const
{
    return m_folders;
}

void QuotaSettingsModel::setSettingsQuota(const QList<SettingsDeviceQuota *> &settings)
{
    beginResetModel();
    if (!m_settings.isSharedWith(settings)) {
        m_settings = settings;
    }
    endResetModel();
}

void QuotaSettingsModel::setCurrentDevice(const QString &device)
{
    beginResetModel();
    m_currentDevice = device;
    endResetModel();
}

QString QuotaSettingsModel::currentDevice() const
{
    return m_currentDevice;
}

SettingsDeviceQuota *QuotaSettingsModel::item(const QModelIndex &index) const
{
    return m_settings.at(index.row());
}

int QuotaSettingsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_settings.size();
}

int QuotaSettingsModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid()) {
        return 0;
    }
    return m_folders ? QMetaEnum::fromType<ParameterId>().keyCount() : int(GraceInodeTime) + 1;
}

QVariant QuotaSettingsModel::data(const QModelIndex &index, int role) const
{
    // A row beyond the list can only come from a stale index; it must not
    // read past the end.
    if (!index.isValid() || index.model() != this || index.row() >= m_settings.size() || index.column() >= columnCount()) {
        return QVariant();
    }
    const SettingsDeviceQuota *settings = m_settings.at(index.row());
    const MemberQuotaData data = currentData(settings);

    if (role == UnknownAccountRole) {
        return settings->member().unknownAccount;
    }
    if (role == Qt::FontRole && index.column() == NameColumn && settings->member().unknownAccount) {
        QFont font;
        font.setItalic(true);
        return font;
    }
    if (role == Qt::DecorationRole) {
        if (index.column() != NameColumn) {
            return QVariant();
        }
        switch (settings->id()) {
        case Users:
            return QIcon::fromTheme(QStringLiteral("gmc-user"));
        case Groups:
            return QIcon::fromTheme(QStringLiteral("gmc-user-groups"));
        case Projects:
            return QIcon::fromTheme(QStringLiteral("folder"));
        }
        return QVariant();
    }
    // Who the row is stays known when its record does not.
    const bool identity = index.column() == NameColumn || index.column() == FolderColumn || index.column() == ProjectIdColumn;
    if (role == KnownRole) {
        return identity || data.isKnown();
    }
    if (role == RawValueRole || role == StateRole || role == UsageShareRole) {
        return extraData(settings, data, index.column(), role);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return QVariant();
    }

    if (index.column() == NameColumn && role == Qt::ToolTipRole && settings->member().unknownAccount) {
        return i18nd("velun_kcm_quotas", "No account has this id; its quota records were left by a deleted account.");
    }
    // A record that could not be read is shown as such, never as zeros.
    if (!identity && !data.isKnown()) {
        if (role == Qt::ToolTipRole && !data.unknownReason().isEmpty()) {
            return i18nd("velun_kcm_quotas", "The quota data could not be read: %1", data.unknownReason());
        }
        return i18nd("velun_kcm_quotas", "unknown");
    }

    switch (static_cast<ParameterId>(index.column())) {
    case NameColumn:
        return settings->member().name;
    case QuotaIsOn:
        return onOff(data.objectQuotaIsOn());
    case UsedBlocks:
        return data.memorySizeById(UsedSize).humanSize();
    case BlockSoftLimit:
        return data.memorySizeById(SoftLimitSize).humanSize();
    case BlockHardLimit:
        return data.memorySizeById(HardLimitSize).humanSize();
    case GraceBlockPeriod:
        return data.graceTimePeriod().blockGrace.toString();
    case GraceBlockTime:
        return data.graceDateTime().blockGrace.toString(DateTimeFormat);
    case UsedInodes:
        return fileCount(data.numberOfFilesUsed());
    case InodeSoftLimit:
        return fileCount(data.softFilesLimit());
    case InodeHardLimit:
        return fileCount(data.hardFilesLimit());
    case GraceInodePeriod:
        return data.graceTimePeriod().inodeGrace.toString();
    case GraceInodeTime:
        return data.graceDateTime().inodeGrace.toString(DateTimeFormat);
    case FolderColumn:
        return settings->member().folder;
    case ProjectIdColumn:
        // Project ids use all 32 bits.
        return QString::number(static_cast<quint32>(settings->member().id));
    }
    return QVariant();
}

QVariant QuotaSettingsModel::extraData(const SettingsDeviceQuota *settings, const MemberQuotaData &data, int column, int role) const
{
    if (role == RawValueRole) {
        return rawValue(settings, data, column);
    }
    const auto bytes = [&data](MemorySizeId id) {
        return MemberQuotaState::bytes(data.memorySizeById(id));
    };
    const auto count = [](qint64 value) {
        return value > 0 ? quint64(value) : quint64(0);
    };
    if (role == StateRole) {
        const MemberQuotaState state(data, now());
        switch (column) {
        case NameColumn:
            return int(state.worst());
        case UsedBlocks:
        case BlockSoftLimit:
        case BlockHardLimit:
        case GraceBlockTime:
            return int(state.blocks());
        case UsedInodes:
        case InodeSoftLimit:
        case InodeHardLimit:
        case GraceInodeTime:
            return int(state.files());
        default:
            return QVariant();
        }
    }
    double share = -1.0;
    if (column == UsedBlocks) {
        share = MemberQuotaState::share(bytes(UsedSize), bytes(SoftLimitSize), bytes(HardLimitSize));
    } else if (column == UsedInodes) {
        share = MemberQuotaState::share(count(data.numberOfFilesUsed()), count(data.softFilesLimit()), count(data.hardFilesLimit()));
    }
    return share < 0 ? QVariant() : QVariant(share);
}

QVariant QuotaSettingsModel::rawValue(const SettingsDeviceQuota *settings, const MemberQuotaData &data, int column) const
{
    const auto count = [](qint64 value) {
        return QVariant(value > 0 ? quint64(value) : quint64(0));
    };
    switch (static_cast<ParameterId>(column)) {
    case NameColumn:
        return settings->member().name;
    case QuotaIsOn:
        return data.objectQuotaIsOn();
    case UsedBlocks:
        return QVariant(quint64(MemberQuotaState::bytes(data.memorySizeById(UsedSize))));
    case BlockSoftLimit:
        return QVariant(quint64(MemberQuotaState::bytes(data.memorySizeById(SoftLimitSize))));
    case BlockHardLimit:
        return QVariant(quint64(MemberQuotaState::bytes(data.memorySizeById(HardLimitSize))));
    case GraceBlockPeriod:
        return QVariant(qint64(TimePeriodTransfer::fromTime(data.graceTimePeriod().blockGrace)));
    case GraceBlockTime:
        return data.graceDateTime().blockGrace;
    case UsedInodes:
        return count(data.numberOfFilesUsed());
    case InodeSoftLimit:
        return count(data.softFilesLimit());
    case InodeHardLimit:
        return count(data.hardFilesLimit());
    case GraceInodePeriod:
        return QVariant(qint64(TimePeriodTransfer::fromTime(data.graceTimePeriod().inodeGrace)));
    case GraceInodeTime:
        return data.graceDateTime().inodeGrace;
    case FolderColumn:
        return settings->member().folder;
    case ProjectIdColumn:
        return QVariant(quint64(static_cast<quint32>(settings->member().id)));
    }
    return QVariant();
}

QVariant QuotaSettingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == ExportHeaderRole) {
        switch (section) {
        case UsedBlocks:
            return i18nd("velun_kcm_quotas", "Used space (bytes)");
        case BlockSoftLimit:
            return i18nd("velun_kcm_quotas", "Soft space limit (bytes)");
        case BlockHardLimit:
            return i18nd("velun_kcm_quotas", "Hard space limit (bytes)");
        case GraceBlockPeriod:
            return i18nd("velun_kcm_quotas", "Grace space period (seconds)");
        case GraceBlockTime:
            return i18nd("velun_kcm_quotas", "Space grace ends (UTC)");
        case UsedInodes:
            return i18nd("velun_kcm_quotas", "Used inodes (files)");
        case InodeSoftLimit:
            return i18nd("velun_kcm_quotas", "Soft inode limit (files)");
        case InodeHardLimit:
            return i18nd("velun_kcm_quotas", "Hard inode limit (files)");
        case GraceInodePeriod:
            return i18nd("velun_kcm_quotas", "Grace inode period (seconds)");
        case GraceInodeTime:
            return i18nd("velun_kcm_quotas", "Inodes grace ends (UTC)");
        default:
            return headerData(section, orientation, Qt::DisplayRole);
        }
    }
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return QVariant();
    }
    switch (section) {
    case NameColumn:
        return i18nd("velun_kcm_quotas", "Name");
    case QuotaIsOn:
        return i18nd("velun_kcm_quotas", "Quota is on");
    case UsedBlocks:
        return i18nd("velun_kcm_quotas", "Used blocks");
    case BlockSoftLimit:
        return i18nd("velun_kcm_quotas", "Soft block limit");
    case BlockHardLimit:
        return i18nd("velun_kcm_quotas", "Hard block limit");
    case GraceBlockPeriod:
        return i18nd("velun_kcm_quotas", "Grace block period");
    case GraceBlockTime:
        return i18nd("velun_kcm_quotas", "Blocks time to force");
    case UsedInodes:
        return i18nd("velun_kcm_quotas", "Used inodes");
    case InodeSoftLimit:
        return i18nd("velun_kcm_quotas", "Soft inode limit");
    case InodeHardLimit:
        return i18nd("velun_kcm_quotas", "Hard inode limit");
    case GraceInodePeriod:
        return i18nd("velun_kcm_quotas", "Grace inode period");
    case GraceInodeTime:
        return i18nd("velun_kcm_quotas", "Inodes time to force");
    case FolderColumn:
        return m_folders ? i18nd("velun_kcm_quotas", "Folder") : QVariant();
    case ProjectIdColumn:
        return m_folders ? i18nd("velun_kcm_quotas", "Project id") : QVariant();
    }
    return QVariant();
}
