// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QAbstractButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

// Clicks a check box or radio button on its indicator, as a person would.
// A plain QTest click lands in the middle of the button, which can lie
// beyond a short label (and so miss) depending on the style and the fonts.
inline void clickIndicator(QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const auto element = qobject_cast<QRadioButton *>(button) ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator;
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->style()->subElementRect(element, &option, button).center());
}
