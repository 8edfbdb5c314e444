// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

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
    };
    Q_ENUM(ParameterId)

    QuotaSettingsModel(const QList<SettingsDeviceQuota *> &settings, QObject *parent = nullptr);

    void setSettingsQuota(const QList<SettingsDeviceQuota *> &settings);
    void setCurrentDevice(const QString &device);
    QString currentDevice() const;

    // The index must be valid and belong to this model.
    SettingsDeviceQuota *item(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<SettingsDeviceQuota *> m_settings;
    QString m_currentDevice;
};
