// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/model/values/memorysizetransfer.h"

#include <KLocalizedString>

#include <iterator>
#include <limits>

MemorySizeTransfer::MemorySizeTransfer()
{
    m_sizes.insert(Bytes, i18nd("velun_kcm_quotas", "Bytes"));
    m_sizes.insert(KiloBytes, i18nd("velun_kcm_quotas", "Kb"));
    m_sizes.insert(MegaBytes, i18nd("velun_kcm_quotas", "Mb"));
    m_sizes.insert(GigaBytes, i18nd("velun_kcm_quotas", "Gb"));
    m_sizes.insert(TeraBytes, i18nd("velun_kcm_quotas", "Tb"));
    m_sizes.insert(PetaBytes, i18nd("velun_kcm_quotas", "Pb"));
}

QMap<Dimension, QString> MemorySizeTransfer::sizesMap() const
{
    return m_sizes;
}

quint64 MemorySizeTransfer::bytesFromMem(const MemorySize &size) const
{
    double bytes = size.value();
    switch (size.dimension()) {
    case PetaBytes:
        bytes *= 1024.0;
        Q_FALLTHROUGH();
    case TeraBytes:
        bytes *= 1024.0;
        Q_FALLTHROUGH();
    case GigaBytes:
        bytes *= 1024.0;
        Q_FALLTHROUGH();
    case MegaBytes:
        bytes *= 1024.0;
        Q_FALLTHROUGH();
    case KiloBytes:
        bytes *= 1024.0;
        Q_FALLTHROUGH();
    case Bytes:
        break;
    default:
        return 0;
    }
    // Amounts are never negative here; keep a stray negative from turning
    // into an enormous unsigned limit.
    if (!(bytes > 0.0)) {
        return 0;
    }
    if (bytes >= 18446744073709551616.0) {
        return std::numeric_limits<quint64>::max();
    }
    return static_cast<quint64>(bytes);
}

MemorySize MemorySizeTransfer::memFromBytes(quint64 bytes) const
{
    auto unit = m_sizes.constBegin();
    double value = static_cast<double>(bytes);
    // Multiplying by 1/1024 is exact in binary, so byte counts below 2^53
    // convert back without loss.
    while (value >= 1024.0 && std::next(unit) != m_sizes.constEnd()) {
        ++unit;
        value *= 0.0009765625;
    }
    return MemorySize(value, unit.key(), unit.value());
}
