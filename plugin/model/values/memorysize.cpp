// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/memorysize.h"

#include "plugin/model/values/memorysizetransfer.h"

#include <KLocalizedString>

MemorySize::MemorySize()
    // The transfer's text for Bytes; building a whole transfer here cost a
    // load four translations and a map for every amount it created.
    : m_stringDimension(i18nd("velun_kcm_quotas", "Bytes"))
{
}

MemorySize::MemorySize(double value, Dimension dimension, const QString &stringDimension)
    : m_value(value)
    , m_dimension(dimension)
    , m_stringDimension(stringDimension)
    , m_shownValue(value)
{
}

double MemorySize::value() const
{
    return m_value;
}

void MemorySize::setValue(double value)
{
    m_value = value;
}

Dimension MemorySize::dimension() const
{
    return m_dimension;
}

void MemorySize::setDimension(Dimension dimension)
{
    m_dimension = dimension;
}

QString MemorySize::stringDimension() const
{
    return m_stringDimension;
}

QString MemorySize::humanSize() const
{
    if (m_shownValue == 0.0) {
        return QString();
    }
    return QString::number(m_shownValue, 'g', 4) + QLatin1Char(' ') + m_stringDimension;
}
