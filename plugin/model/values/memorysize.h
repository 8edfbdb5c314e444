// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/dimension.h"

#include <QString>

// A space amount as shown and edited: a number in a power-of-1024 unit.
// The two texts are filled when the amount is made (see MemorySizeTransfer)
// and deliberately not refreshed by the setters.
class MemorySize
{
public:
    MemorySize();

    double value() const;
    void setValue(double value);

    Dimension dimension() const;
    void setDimension(Dimension dimension);

    QString stringDimension() const;
    QString humanSize() const;

private:
    friend class MemorySizeTransfer;
    // For the transfer, which has the unit's text at hand: the default
    // constructor's translation costs more than the rest of an amount.
    MemorySize(double value, Dimension dimension, const QString &stringDimension);

    double m_value = 0.0;
    Dimension m_dimension = Bytes;
    QString m_stringDimension;
    // The amount as made, for humanSize(): the text is only formatted when
    // shown, as a load makes six amounts per member and the tabs show a
    // screenful.
    double m_shownValue = 0.0;
};
