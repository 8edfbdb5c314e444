// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotasettingsproxymodel.h"

#include "plugin/model/members/memberquotastate.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/timeperiodtransfer.h"
#include "plugin/ui/quotasettingsmodel.h"

#include <KColorScheme>
#include <KLocalizedString>

#include <QDateTime>
#include <QIcon>

#include <cmath>
#include <limits>

namespace
{
QString percent(double share)
{
    return QString::number(std::lround(share * 100.0));
}

QString limitLine(bool soft, quint64 limit, quint64 used)
{
    const QString share = percent(double(used) / double(limit));
    const QString exact = QString::number(limit);
    return soft ? i18nd("velun_kcm_quotas", "Soft limit: %1 (%2% used)", exact, share) : i18nd("velun_kcm_quotas", "Hard limit: %1 (%2% used)", exact, share);
}

template<typename T>
int compareValues(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}
}

QuotaSettingsProxyModel::QuotaSettingsProxyModel(QuotaSettingsModel *source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_source(source)
{
    // Names such as user2 and user10, or #99 and #100, sort as people count.
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    setSortRole(QuotaSettingsModel::RawValueRole);
    setSourceModel(source);
}

void QuotaSettingsProxyModel::setFilterMode(FilterModeId mode)
{
    if (mode == m_mode) {
        return;
    }
    m_mode = mode;
    invalidateFilter();
}

QuotaSettingsProxyModel::FilterModeId QuotaSettingsProxyModel::filterMode() const
{
    return m_mode;
}

void QuotaSettingsProxyModel::setSearchText(const QString &text)
{
    const QString search = text.trimmed();
    if (search == m_search) {
        return;
    }
    m_search = search;
    invalidateFilter();
}

QString QuotaSettingsProxyModel::searchText() const
{
    return m_search;
}

SettingsDeviceQuota *QuotaSettingsProxyModel::item(const QModelIndex &index) const
{
    return m_source->item(mapToSource(index));
}

bool QuotaSettingsProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid()) {
        return false;
    }
    const QModelIndex nameIndex = m_source->index(sourceRow, QuotaSettingsModel::NameColumn);
    const SettingsDeviceQuota *row = m_source->item(nameIndex);
    // A folder lies on one device: the table of another has no row for it.
    if (row->id() == Projects && !row->devicesQuota().contains(m_source->currentDevice())) {
        return false;
    }
    const Member member = row->member();
    switch (m_mode) {
    case All:
        break;
    case Ordinary:
    case Systems:
        if (member.isSystem != (m_mode == Systems)) {
            return false;
        }
        break;
    case OverLimit:
        if (m_source->data(nameIndex, QuotaSettingsModel::StateRole).toInt() == MemberQuotaState::WithinLimits) {
            return false;
        }
        break;
    }
    if (m_search.isEmpty()) {
        return true;
    }
    if (member.name.contains(m_search, Qt::CaseInsensitive) || member.folder.contains(m_search, Qt::CaseInsensitive)) {
        return true;
    }
    const QString digits = m_search.startsWith(QLatin1Char('#')) ? m_search.mid(1) : m_search;
    bool isNumber = false;
    // Project ids use all 32 bits; uids and gids compare the same way.
    const quint32 id = digits.toUInt(&isNumber);
    return isNumber && id == static_cast<quint32>(member.id);
}

bool QuotaSettingsProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant a = left.data(QuotaSettingsModel::RawValueRole);
    const QVariant b = right.data(QuotaSettingsModel::RawValueRole);
    int order = 0;
    switch (a.userType()) {
    case QMetaType::QString:
        order = m_collator.compare(a.toString(), b.toString());
        break;
    case QMetaType::QDateTime: {
        // No grace running counts as earlier than any running one.
        const QDateTime x = a.toDateTime();
        const QDateTime y = b.toDateTime();
        order = compareValues(x.isValid() ? x.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(),
                              y.isValid() ? y.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
        break;
    }
    case QMetaType::ULongLong:
        order = compareValues(a.toULongLong(), b.toULongLong());
        break;
    default:
        order = compareValues(a.toLongLong(), b.toLongLong());
        break;
    }
    // Equal values keep the account directory's order in both directions.
    // Qt 5's stable sort kept them so; Qt 6's descending sort does not, so
    // the rows' own order decides between equal values.
    if (order == 0) {
        return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
    }
    return order < 0;
}

QVariant QuotaSettingsProxyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this) {
        return QVariant();
    }
    const QModelIndex sourceIndex = mapToSource(index);
    if (sourceIndex.column() == QuotaSettingsModel::NameColumn && (role == Qt::DecorationRole || role == Qt::ForegroundRole || role == Qt::ToolTipRole)) {
        return nameMark(sourceIndex, role);
    }
    if (role == Qt::ToolTipRole && (sourceIndex.column() == QuotaSettingsModel::UsedBlocks || sourceIndex.column() == QuotaSettingsModel::UsedInodes)) {
        return usageToolTip(sourceIndex);
    }
    return QSortFilterProxyModel::data(index, role);
}

QVariant QuotaSettingsProxyModel::nameMark(const QModelIndex &sourceIndex, int role) const
{
    const auto state = static_cast<MemberQuotaState::StateId>(sourceIndex.data(QuotaSettingsModel::StateRole).toInt());
    const Member member = m_source->item(sourceIndex)->member();
    if (role == Qt::DecorationRole) {
        switch (state) {
        case MemberQuotaState::GraceRunning:
            return QIcon::fromTheme(QStringLiteral("dialog-warning"));
        case MemberQuotaState::GraceExpired:
        case MemberQuotaState::AtHardLimit:
            return QIcon::fromTheme(QStringLiteral("dialog-error"));
        case MemberQuotaState::WithinLimits:
            break;
        }
        if (member.unknownAccount) {
            return QIcon::fromTheme(QStringLiteral("dialog-question"));
        }
        return sourceIndex.data(Qt::DecorationRole);
    }
    if (role == Qt::ForegroundRole) {
        const KColorScheme scheme(QPalette::Active, KColorScheme::View);
        switch (state) {
        case MemberQuotaState::GraceRunning:
            return scheme.foreground(KColorScheme::NeutralText);
        case MemberQuotaState::GraceExpired:
        case MemberQuotaState::AtHardLimit:
            return scheme.foreground(KColorScheme::NegativeText);
        case MemberQuotaState::WithinLimits:
            break;
        }
        return member.unknownAccount ? QVariant(scheme.foreground(KColorScheme::InactiveText)) : QVariant();
    }

    QStringList lines{member.folder.isEmpty()
                          ? i18nd("velun_kcm_quotas", "%1 (id %2)", member.name, QString::number(member.id))
                          : i18nd("velun_kcm_quotas", "%1 (project %2, id %3)", member.folder, member.name, QString::number(static_cast<quint32>(member.id)))};
    if (member.unknownAccount) {
        lines.append(i18nd("velun_kcm_quotas", "No account has this id; the records are left from a deleted account."));
    }
    switch (state) {
    case MemberQuotaState::GraceRunning: {
        const MemberQuotaState full(m_source->currentData(m_source->item(sourceIndex)), m_source->now());
        const qint64 left = full.graceSecondsLeft();
        if (left >= 0) {
            lines.append(i18nd("velun_kcm_quotas", "Over the soft limit; grace time left: %1", TimePeriodTransfer::fromSeconds(quint64(left)).toString()));
        } else {
            lines.append(i18nd("velun_kcm_quotas", "Over the soft limit; grace time running"));
        }
        break;
    }
    case MemberQuotaState::GraceExpired:
        lines.append(i18nd("velun_kcm_quotas", "Over the soft limit; grace time expired"));
        break;
    case MemberQuotaState::AtHardLimit:
        lines.append(i18nd("velun_kcm_quotas", "At the hard limit"));
        break;
    case MemberQuotaState::WithinLimits:
        break;
    }
    return lines.join(QLatin1Char('\n'));
}

QString QuotaSettingsProxyModel::usageToolTip(const QModelIndex &sourceIndex) const
{
    const bool blocks = sourceIndex.column() == QuotaSettingsModel::UsedBlocks;
    const auto raw = [&sourceIndex](int column) {
        return sourceIndex.siblingAtColumn(column).data(QuotaSettingsModel::RawValueRole).toULongLong();
    };
    const quint64 used = raw(sourceIndex.column());
    const quint64 soft = raw(blocks ? QuotaSettingsModel::BlockSoftLimit : QuotaSettingsModel::InodeSoftLimit);
    const quint64 hard = raw(blocks ? QuotaSettingsModel::BlockHardLimit : QuotaSettingsModel::InodeHardLimit);

    // Exact numbers, without the rounding of the cell's text.
    const QString exact = QString::number(used);
    QStringList lines{blocks ? i18nd("velun_kcm_quotas", "Used (bytes): %1", exact) : i18nd("velun_kcm_quotas", "Used (files): %1", exact)};
    if (soft > 0) {
        lines.append(limitLine(true, soft, used));
    }
    if (hard > 0) {
        lines.append(limitLine(false, hard, used));
    }
    if (soft == 0 && hard == 0) {
        lines.append(i18nd("velun_kcm_quotas", "No limit"));
    }
    return lines.join(QLatin1Char('\n'));
}
