// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/dimension.h"
#include "plugin/model/values/memorysize.h"

#include <QMap>
#include <QString>

// Converts between byte counts and displayable amounts. Each object builds
// its own translated unit table, so a language change reaches every object
// made afterwards.
class MemorySizeTransfer
{
public:
    MemorySizeTransfer();

    QMap<Dimension, QString> sizesMap() const;

    quint64 bytesFromMem(const MemorySize &size) const;
    MemorySize memFromBytes(quint64 bytes) const;

private:
    QMap<Dimension, QString> m_sizes;
};
