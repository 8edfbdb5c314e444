// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "modulewidget.h"

namespace KCMVS
{
ModuleWidget::ModuleWidget(const std::function<QSize()> &sizeHint, QWidget *parent)
    : QWidget(parent)
    , m_sizeHint(sizeHint)
{
}

QSize ModuleWidget::sizeHint() const
{
    return m_sizeHint ? m_sizeHint() : layoutSizeHint();
}

QSize ModuleWidget::layoutSizeHint() const
{
    return QWidget::sizeHint();
}
}
