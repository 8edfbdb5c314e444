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

    double m_value = 0.0;
    Dimension m_dimension = Bytes;
    QString m_stringDimension;
    QString m_humanSize;
};
