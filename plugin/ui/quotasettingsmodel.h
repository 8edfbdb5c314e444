// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

#include "plugin/model/members/memberquotadata.h"

class SettingsDeviceQuota;

// The read-only member table of the users and groups tabs: one row per
// member, one column per quota parameter, all of one device.
class QuotaSettingsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // True in every cell of a member that stands for the records of an id
    // without an account ("#<id>").
    static constexpr int UnknownAccountRole = Qt::UserRole + 100;

    // The column numbers.
    enum ParameterId {
        NameColumn = 0,
        QuotaIsOn,
        UsedBlocks,
        BlockSoftLimit,
        BlockHardLimit,
        GraceBlockPeriod,
        GraceBlockTime,
        UsedInodes,
        InodeSoftLimit,
        InodeHardLimit,
        GraceInodePeriod,
        GraceInodeTime,
        // Only in a table of folders.
        FolderColumn,
        ProjectIdColumn,
    };
    Q_ENUM(ParameterId)

    // Beyond the texts, for sorting, filtering, marks and export.
    enum DataRoleId {
        // The cell as a plain value: bytes and counts as quint64, grace
        // periods in seconds (qint64), moments as QDateTime (invalid when
        // none runs), the quota state as bool, the name as QString.
        RawValueRole = Qt::UserRole + 1,
        // MemberQuotaState::StateId: in the name column the worse of both,
        // in the block and inode columns that resource's own.
        StateRole,
        // In the two used columns: the part of the limit in use (double);
        // nothing when the member has no limit there.
        UsageShareRole,
        // false in every cell but the name's when the member's record on
        // the device could not be read: there is no value to export.
        KnownRole,
        // For headerData: the column's title for an export, naming the
        // unit of the plain values (bytes, seconds).
        ExportHeaderRole,
    };

    // The moment the grace times are judged against.
    using Clock = std::function<QDateTime()>;

    QuotaSettingsModel(const QList<SettingsDeviceQuota *> &settings, QObject *parent = nullptr, const Clock &clock = Clock());

    // A table of folders has their path and project id as two more
    // columns.
    void setShowsFolders(bool folders);
    bool showsFolders() const;

    void setSettingsQuota(const QList<SettingsDeviceQuota *> &settings);
    void setCurrentDevice(const QString &device);
    QString currentDevice() const;

    // The index must be valid and belong to this model.
    SettingsDeviceQuota *item(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The member's data on the current device (default data when it has none).
    MemberQuotaData currentData(const SettingsDeviceQuota *settings) const;
    QDateTime now() const;

private:
    QVariant rawValue(const SettingsDeviceQuota *settings, const MemberQuotaData &data, int column) const;
    QVariant extraData(const SettingsDeviceQuota *settings, const MemberQuotaData &data, int column, int role) const;

    QList<SettingsDeviceQuota *> m_settings;
    QString m_currentDevice;
    Clock m_clock;
    MemberQuotaData m_noData;
    bool m_folders = false;
};
