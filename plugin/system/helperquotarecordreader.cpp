// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helperquotarecordreader.h"

#include "common/helperid.h"
#include "common/localearguments.h"
#include "common/quotarecordbatch.h"
#include "plugin/system/helperactionexecutor.h"

#include <KLocalizedString>

#include <stdexcept>
#include <utility>

HelperQuotaRecordReader::HelperQuotaRecordReader(HelperActionExecutor &executor)
    : m_executor(executor)
{
}

QMap<quint32, ProxyQuotaData> HelperQuotaRecordReader::readRecords(const QString &device, SettingsId type, const QVector<quint32> &ids)
{
    QVariantMap arguments = localeArguments();
    arguments.insert(QStringLiteral("get_all_quota_info"), QVariant());
    arguments.insert(QStringLiteral("device_name"), device);
    arguments.insert(QStringLiteral("type"), int(type));
    arguments.insert(QStringLiteral("ids"), QuotaRecordBatch::encodeIds(ids));
    const HelperActionExecutor::Result result = m_executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs);
    if (!result.succeeded) {
        throw std::runtime_error(result.errorText.toStdString());
    }

    QVector<QuotaRecordBatch::Entry> entries;
    const QVariant bytes = result.data.value(QStringLiteral("quota_records"));
    if (bytes.userType() != QMetaType::QByteArray || !QuotaRecordBatch::decodeRecords(bytes.toByteArray(), entries)) {
        throw std::runtime_error(i18nd("velun_kcm_quotas", "The helper's answer holds no readable quota records").toStdString());
    }
    QMap<quint32, ProxyQuotaData> records;
    for (const QuotaRecordBatch::Entry &entry : std::as_const(entries)) {
        // The helper answers in ascending id order: with the end as hint
        // each insert is constant time, and a wrong hint is still correct.
        records.insert(records.constEnd(), entry.id, entry.record);
    }
    return records;
}
