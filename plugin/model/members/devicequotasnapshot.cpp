// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devicequotasnapshot.h"

DeviceQuotaSnapshot::DeviceQuotaSnapshot(const DeviceQuotaFacts &facts)
    : m_facts(facts)
{
    m_quotaOff.setDeviceName(facts.device());
    m_quotaOff.setDeviceFilesystem(facts.filesystem());
}

DeviceQuotaFacts DeviceQuotaSnapshot::facts() const
{
    return m_facts;
}

void DeviceQuotaSnapshot::setRecords(const QMap<quint32, ProxyQuotaData> &records, const QVector<quint32> &requested)
{
    m_records = records;
    m_requested = QSet<quint32>(requested.cbegin(), requested.cend());
    m_readFailed = false;
    m_readError.clear();
}

void DeviceQuotaSnapshot::setReadError(const QString &reason)
{
    m_records.clear();
    m_requested.clear();
    m_readFailed = true;
    m_readError = reason;
}

MemberQuotaData DeviceQuotaSnapshot::memberData(int id) const
{
    if (!m_facts.quotaOn()) {
        return m_quotaOff;
    }
    if (m_readFailed) {
        return MemberQuotaData::unknown(m_facts.device(), m_facts.filesystem(), m_readError);
    }
    const auto record = m_records.constFind(static_cast<quint32>(id));
    if (record != m_records.cend()) {
        return MemberQuotaData(m_facts.device(), m_facts.filesystem(), record->toDqblk(), m_facts.gracePeriod(), m_transfer);
    }
    // The helper answers every id it was asked for: a requested one missing
    // is a read that did not happen, not a member without limits. An id
    // found on another device was not asked for here, and the helper's walk
    // lists every record the device holds, so it has none here.
    if (m_requested.contains(static_cast<quint32>(id))) {
        return MemberQuotaData::unknown(m_facts.device(), m_facts.filesystem(), m_readError);
    }
    return MemberQuotaData(m_facts.device(), m_facts.filesystem(), dqblk{}, m_facts.gracePeriod(), m_transfer);
}

QList<quint32> DeviceQuotaSnapshot::idsWithData() const
{
    QList<quint32> ids;
    for (auto it = m_records.cbegin(); it != m_records.cend(); ++it) {
        const ProxyQuotaData &r = it.value();
        if (r.dqb_curspace != 0 || r.dqb_curinodes != 0 || r.dqb_bsoftlimit != 0 || r.dqb_bhardlimit != 0 || r.dqb_isoftlimit != 0 || r.dqb_ihardlimit != 0) {
            ids.append(it.key());
        }
    }
    return ids;
}
