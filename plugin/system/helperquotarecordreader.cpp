// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helperquotarecordreader.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "common/quotarecordbatch.h"
#include "plugin/system/helperactionexecutor.h"

#include <KLocalizedString>

#include <stdexcept>
#include <utility>

namespace
{
[[noreturn]] void unreadable()
{
    throw std::runtime_error(i18nd("velun_kcm_quotas", "The helper's answer holds no readable quota records").toStdString());
}

QMap<quint32, ProxyQuotaData> decode(const QVariant &bytes)
{
    QVector<QuotaRecordBatch::Entry> entries;
    if (bytes.userType() != QMetaType::QByteArray || !QuotaRecordBatch::decodeRecords(bytes.toByteArray(), entries)) {
        unreadable();
    }
    QMap<quint32, ProxyQuotaData> records;
    for (const QuotaRecordBatch::Entry &entry : std::as_const(entries)) {
        // The helper answers in ascending id order: with the end as hint
        // each insert is constant time, and a wrong hint is still correct.
        records.insert(records.constEnd(), entry.id, entry.record);
    }
    return records;
}

// One table of a get_quota_tables answer.
QuotaRecordReader::TableRecords tableOf(const QVariant &answer)
{
    QuotaRecordReader::TableRecords records;
    if (answer.userType() == QMetaType::QString) {
        // The helper could not read this table; the others stand.
        records.failed = true;
        records.error = answer.toString();
    } else {
        try {
            records.records = decode(answer);
        } catch (const std::runtime_error &error) {
            records.failed = true;
            records.error = QString::fromUtf8(error.what());
        }
    }
    return records;
}
}

HelperQuotaRecordReader::HelperQuotaRecordReader(HelperActionExecutor &executor)
    : m_executor(executor)
{
}

QMap<quint32, ProxyQuotaData> HelperQuotaRecordReader::readRecords(const QString &device, SettingsId type, const QVector<quint32> &ids)
{
    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::GetAllQuotaInfo, QVariant());
    arguments.insert(HelperProtocol::DeviceName, device);
    arguments.insert(HelperProtocol::Type, int(type));
    arguments.insert(HelperProtocol::Ids, QuotaRecordBatch::encodeIds(ids));
    const HelperActionExecutor::Result result = m_executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs);
    if (!result.succeeded) {
        throw std::runtime_error(result.errorText.toStdString());
    }
    return decode(result.data.value(HelperProtocol::QuotaRecords));
}

// Every request costs an authorisation by polkit on top of the helper's
// work, which for a few thousand records is the smaller part: so a load
// asks once for everything.
QVector<QuotaRecordReader::TableRecords> HelperQuotaRecordReader::readTables(const QVector<Table> &tables,
                                                                             const QVector<quint32> &userIds,
                                                                             const QVector<quint32> &groupIds,
                                                                             const QVector<quint32> &projectIds)
{
    if (tables.isEmpty()) {
        return {};
    }
    const auto kindOf = [](SettingsId type) {
        return type == Users ? 0 : (type == Groups ? 1 : 2);
    };
    QStringList devices[3];
    for (const Table &table : tables) {
        devices[kindOf(table.type)].append(table.device);
    }
    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::GetQuotaTables, QVariant());
    arguments.insert(HelperProtocol::UserDevices, devices[0]);
    arguments.insert(HelperProtocol::GroupDevices, devices[1]);
    // Only the ids of a kind that is read at all travel.
    arguments.insert(HelperProtocol::UserIds, QuotaRecordBatch::encodeIds(devices[0].isEmpty() ? QVector<quint32>() : userIds));
    arguments.insert(HelperProtocol::GroupIds, QuotaRecordBatch::encodeIds(devices[1].isEmpty() ? QVector<quint32>() : groupIds));
    // Folder tables are asked for only where a device accounts them, so a
    // load without folder quotas sends exactly what it always did.
    if (!devices[2].isEmpty()) {
        arguments.insert(HelperProtocol::ProjectDevices, devices[2]);
        arguments.insert(HelperProtocol::ProjectIds, QuotaRecordBatch::encodeIds(projectIds));
    }
    const HelperActionExecutor::Result result = m_executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs);
    if (!result.succeeded) {
        throw std::runtime_error(result.errorText.toStdString());
    }

    const QVariantList answers[3] = {result.data.value(HelperProtocol::UserRecords).toList(),
                                     result.data.value(HelperProtocol::GroupRecords).toList(),
                                     result.data.value(HelperProtocol::ProjectRecords).toList()};
    if (answers[0].size() != devices[0].size() || answers[1].size() != devices[1].size() || answers[2].size() != devices[2].size()) {
        unreadable();
    }
    int next[3] = {0, 0, 0};
    QVector<TableRecords> read;
    read.reserve(tables.size());
    for (const Table &table : tables) {
        const int kind = kindOf(table.type);
        read.append(tableOf(answers[kind].at(next[kind]++)));
    }
    return read;
}

QuotaRecordReader::ListedTables
HelperQuotaRecordReader::readListedTables(const QStringList &fsSpecs, const QVector<quint32> &userIds, const QVector<quint32> &groupIds)
{
    QVariantMap arguments = localeArguments();
    arguments.insert(HelperProtocol::GetQuotaTables, QVariant());
    arguments.insert(HelperProtocol::WithBlkidData, true);
    arguments.insert(HelperProtocol::UserDevices, fsSpecs);
    arguments.insert(HelperProtocol::GroupDevices, fsSpecs);
    arguments.insert(HelperProtocol::UserIds, QuotaRecordBatch::encodeIds(fsSpecs.isEmpty() ? QVector<quint32>() : userIds));
    arguments.insert(HelperProtocol::GroupIds, QuotaRecordBatch::encodeIds(fsSpecs.isEmpty() ? QVector<quint32>() : groupIds));
    const HelperActionExecutor::Result result = m_executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs);
    if (!result.succeeded) {
        throw std::runtime_error(result.errorText.toStdString());
    }
    ListedTables listed;
    if (!result.data.contains(HelperProtocol::BlkidData)) {
        // A helper that does not know the argument: the tables it read by
        // tag are refusals, so nothing of the answer is used.
        return listed;
    }
    listed.listed = true;
    listed.blkidLines = result.data.value(HelperProtocol::BlkidData).toStringList();
    const QVariantList answers[2] = {result.data.value(HelperProtocol::UserRecords).toList(), result.data.value(HelperProtocol::GroupRecords).toList()};
    for (int kind = 0; kind < 2; ++kind) {
        for (int i = 0; i < fsSpecs.size(); ++i) {
            if (answers[kind].size() == fsSpecs.size()) {
                listed.tables[kind].append(tableOf(answers[kind].at(i)));
            } else {
                TableRecords unreadable;
                unreadable.failed = true;
                unreadable.error = i18nd("velun_kcm_quotas", "The helper's answer holds no readable quota records");
                listed.tables[kind].append(unreadable);
            }
        }
    }
    return listed;
}
