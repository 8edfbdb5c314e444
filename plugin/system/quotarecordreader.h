// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/proxyquotadata.h"
#include "common/settingsid.h"

#include <QMap>
#include <QString>
#include <QVector>

// Reads every quota record of one device for one kind of member in one go:
// a record for each requested id, plus any record the kernel holds for an
// id nobody asked about. The quotas manager is handed one; tests hand it a
// fake that counts.
class QuotaRecordReader
{
public:
    virtual ~QuotaRecordReader() = default;

    // Throws std::runtime_error with the reason (the helper's translated
    // text) when the records cannot be read.
    virtual QMap<quint32, ProxyQuotaData> readRecords(const QString &device, SettingsId type, const QVector<quint32> &ids) = 0;
};
