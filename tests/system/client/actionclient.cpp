// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs one helper action through the panel's own executor and prints the
// outcome in a form the guest's shell scenarios can grep.

#include "actionrequest.h"

#include "common/proxyquotadata.h"
#include "common/quotarecordbatch.h"
#include "plugin/system/kauthactionexecutor.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

namespace
{
// One value per line, so a line feed inside a message must not end it.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

void printRecord(QTextStream &out, const QString &key, const ProxyQuotaData &data)
{
    out << key << '=' << data.dqb_bhardlimit << ',' << data.dqb_bsoftlimit << ',' << data.dqb_curspace << ',' << data.dqb_ihardlimit << ','
        << data.dqb_isoftlimit << ',' << data.dqb_curinodes << ',' << data.dqb_btime << ',' << data.dqb_itime << ',' << data.dqb_valid << '\n';
}

void printData(QTextStream &out, const QString &key, const QVariant &value)
{
    QVector<QuotaRecordBatch::Entry> entries;
    if (value.canConvert<ProxyQuotaData>() && value.userType() == qMetaTypeId<ProxyQuotaData>()) {
        printRecord(out, QStringLiteral("data.") + key, value.value<ProxyQuotaData>());
    } else if (key == QLatin1String("quota_records") && value.userType() == QMetaType::QByteArray
               && QuotaRecordBatch::decodeRecords(value.toByteArray(), entries)) {
        // A batch: its size, then one record.ID line per record.
        out << "data." << key << '=' << entries.size() << " records\n";
        for (const QuotaRecordBatch::Entry &entry : std::as_const(entries)) {
            printRecord(out, QStringLiteral("record.%1").arg(entry.id), entry.record);
        }
    } else if (value.userType() == QMetaType::QVariantList) {
        // The tables of a load's one request: each its records or the
        // reason it could not be read.
        const QVariantList tables = value.toList();
        out << "data." << key << '=' << tables.size() << " tables\n";
        for (int i = 0; i < tables.size(); ++i) {
            const QString table = QStringLiteral("table.%1.%2").arg(key).arg(i);
            QVector<QuotaRecordBatch::Entry> records;
            if (tables.at(i).userType() == QMetaType::QByteArray && QuotaRecordBatch::decodeRecords(tables.at(i).toByteArray(), records)) {
                out << table << '=' << records.size() << " records\n";
                for (const QuotaRecordBatch::Entry &entry : std::as_const(records)) {
                    printRecord(out, QStringLiteral("%1.record.%2").arg(table).arg(entry.id), entry.record);
                }
            } else {
                out << table << "=error " << oneLine(tables.at(i).toString()) << '\n';
            }
        }
    } else if (value.userType() == QMetaType::QStringList) {
        const QStringList lines = value.toStringList();
        for (const QString &line : lines) {
            out << "data." << key << '=' << oneLine(line) << '\n';
        }
    } else {
        out << "data." << key << '=' << oneLine(value.toString()) << " (" << value.typeName() << ")\n";
    }
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProxyQuotaData::registerMetaType();

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList words = app.arguments();
    words.removeFirst();
    if (words.isEmpty() || words.first() == QStringLiteral("--help")) {
        err << ActionRequest::usage();
        return 2;
    }

    ActionRequest request;
    try {
        request = ActionRequest::parse(words);
    } catch (const std::runtime_error &e) {
        err << QString::fromUtf8(e.what()) << '\n' << ActionRequest::usage();
        return 2;
    }

    KAuthActionExecutor executor;
    const HelperActionExecutor::Result result = executor.execute(request.actionName(), request.arguments(), request.timeoutMs());
    out << "result=" << (result.succeeded ? "succeeded" : "failed") << '\n';
    out << "error=" << oneLine(result.errorText) << '\n';
    for (auto it = result.data.cbegin(); it != result.data.cend(); ++it) {
        printData(out, it.key(), it.value());
    }
    out.flush();
    return result.succeeded ? 0 : 1;
}
