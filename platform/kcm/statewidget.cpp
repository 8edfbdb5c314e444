// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "statewidget.h"

#include <KLocalizedString>

namespace KCMVS
{
StateWidget::StateWidget(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("stateWidget"));
    setText(i18nd("velun_kcm_quotas", "There are changes that have not been applied yet."));
    hide();
}

bool StateWidget::hasPendingChanges() const
{
    return m_pending;
}

void StateWidget::setPendingChanges(bool pending)
{
    m_pending = pending;
    setVisible(pending);
}

void StateWidget::resetState()
{
    setPendingChanges(false);
    Q_EMIT stateReset();
}
}
