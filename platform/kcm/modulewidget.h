// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QWidget>

#include <functional>

namespace KCMVS
{
// The widget a panel lives in where the panel object is not a widget
// itself (KDE Frameworks 6): the host sizes its window from this widget,
// so its size hint is the one the panel asks for.
class ModuleWidget : public QWidget
{
    Q_OBJECT
public:
    // sizeHint answers for the panel; it may start from layoutSizeHint().
    ModuleWidget(const std::function<QSize()> &sizeHint, QWidget *parent);

    QSize sizeHint() const override;
    // What the layout alone asks for.
    QSize layoutSizeHint() const;

private:
    std::function<QSize()> m_sizeHint;
};
}
