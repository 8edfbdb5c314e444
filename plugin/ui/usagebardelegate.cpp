// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "usagebardelegate.h"

#include "plugin/model/members/memberquotastate.h"
#include "plugin/ui/quotasettingsmodel.h"

#include <KColorScheme>

#include <QPainter>

#include <algorithm>

void UsageBarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QVariant share = index.data(QuotaSettingsModel::UsageShareRole);
    if (share.isValid() && !(option.state & QStyle::State_Selected)) {
        const KColorScheme scheme(QPalette::Active, KColorScheme::View);
        QColor colour;
        switch (index.data(QuotaSettingsModel::StateRole).toInt()) {
        case MemberQuotaState::GraceRunning:
            colour = scheme.foreground(KColorScheme::NeutralText).color();
            break;
        case MemberQuotaState::GraceExpired:
        case MemberQuotaState::AtHardLimit:
            colour = scheme.foreground(KColorScheme::NegativeText).color();
            break;
        default:
            colour = scheme.foreground(KColorScheme::PositiveText).color();
            break;
        }
        // Faint, so the text on top stays readable in any scheme.
        colour.setAlphaF(0.3);
        QRect bar = option.rect.adjusted(1, 2, -1, -2);
        bar.setWidth(int(bar.width() * std::clamp(share.toDouble(), 0.0, 1.0)));
        painter->fillRect(bar, colour);
    }
    QStyledItemDelegate::paint(painter, option, index);
}
