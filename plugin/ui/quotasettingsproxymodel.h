// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QCollator>
#include <QSortFilterProxyModel>

class QuotaSettingsModel;
class SettingsDeviceQuota;

// What the users and groups tabs show of their member table: sorted by the
// plain values (sizes, counts and moments as numbers), narrowed by the
// filter mode and a search for a name or an id, with each member's state
// marked in the name column and exact figures in the tool tips.
class QuotaSettingsProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    enum FilterModeId {
        All = 0,
        Ordinary = 1,
        Systems = 2,
        OverLimit = 3,
    };
    Q_ENUM(FilterModeId)

    explicit QuotaSettingsProxyModel(QuotaSettingsModel *source, QObject *parent = nullptr);

    void setFilterMode(FilterModeId mode);
    FilterModeId filterMode() const;
    // A part of the name (any case) or a whole id, "#" in front allowed.
    void setSearchText(const QString &text);
    QString searchText() const;

    // The member of a row of this proxy; the index must be valid.
    SettingsDeviceQuota *item(const QModelIndex &index) const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QVariant nameMark(const QModelIndex &sourceIndex, int role) const;
    QString usageToolTip(const QModelIndex &sourceIndex) const;

    QuotaSettingsModel *m_source;
    FilterModeId m_mode = All;
    QString m_search;
    QCollator m_collator;
};
