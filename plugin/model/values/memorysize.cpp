// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/memorysize.h"

#include "plugin/model/values/memorysizetransfer.h"

MemorySize::MemorySize()
    : m_stringDimension(MemorySizeTransfer().sizesMap().value(Bytes))
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
    return m_humanSize;
}
