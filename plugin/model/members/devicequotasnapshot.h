// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/proxyquotadata.h"
#include "plugin/model/members/devicequotafacts.h"
#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/values/memorysizetransfer.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QVector>

// One device's quota state for one kind of member as a load read it: the
// device's facts and, where quotas are on, every record in one batch. Every
// member's data on the device is built from it without asking anyone again.
class DeviceQuotaSnapshot
{
public:
    DeviceQuotaSnapshot() = default;
    explicit DeviceQuotaSnapshot(const DeviceQuotaFacts &facts);

    DeviceQuotaFacts facts() const;

    // The batch's answer to a request for `requested`.
    void setRecords(const QMap<quint32, ProxyQuotaData> &records, const QVector<quint32> &requested);
    // The records could not be read: every member is unknown here.
    void setReadError(const QString &reason);

    MemberQuotaData memberData(int id) const;
    // Ids whose record holds usage or a limit: what a deleted account
    // leaves behind. An all-zero record is no trace of anything.
    QList<quint32> idsWithData() const;

private:
    DeviceQuotaFacts m_facts;
    // Built once: every member of a device whose quotas are off looks the
    // same, and the unit texts are the same for all.
    MemberQuotaData m_quotaOff;
    MemorySizeTransfer m_transfer;
    QMap<quint32, ProxyQuotaData> m_records;
    QSet<quint32> m_requested;
    bool m_readFailed = false;
    QString m_readError;
};
