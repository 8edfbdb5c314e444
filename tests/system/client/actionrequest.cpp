// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "actionrequest.h"

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "common/proxyquotadata.h"
#include "common/quotarecordbatch.h"
#include "plugin/system/helperactionexecutor.h"

#include <QFile>

#include <stdexcept>

namespace
{
[[noreturn]] void refuse(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

qulonglong toNumber(const QString &key, const QString &text)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 0);
    if (!ok) {
        refuse(QStringLiteral("%1: \"%2\" is not a number").arg(key, text));
    }
    return value;
}
}

QString ActionRequest::usage()
{
    return QStringLiteral(
        "usage: kcmq-action-client [--no-locale] [--timeout=MS] access|change|setnotifications WORD...\n"
        "  key           the key with an invalid value (how sub-commands are named)\n"
        "  key=s:TEXT    string (s: alone is an empty, non-null string)\n"
        "  key=f:PATH    string read from a file (UTF-8)\n"
        "  key=i:N       int          key=u:N  unsigned 64-bit   key=b:0|1  bool\n"
        "  key=c:A,B     string list split at commas (c: alone is an empty list)\n"
        "  key=l:TEXT    string list split at line feeds\n"
        "  key=q:N,...   ProxyQuotaData, its nine fields in stream order\n"
        "  key=n:N,...   ids packed as a batch request sends them (n: alone: none)\n"
        "Prints result=succeeded|failed, error=TEXT and data.KEY=VALUE lines (and record.ID=... for a batch,\n"
        "table.KEY.N=... and table.KEY.N.record.ID=... for the tables of one load's request);\n"
        "exits 0 when the action succeeded, 1 when it failed, 2 on a usage error.\n");
}

ActionRequest ActionRequest::parse(const QStringList &words)
{
    ActionRequest request;
    int i = 0;
    for (; i < words.size() && words.at(i).startsWith(QStringLiteral("--")); ++i) {
        const QString &option = words.at(i);
        if (option == QStringLiteral("--no-locale")) {
            request.m_withLocale = false;
        } else if (option.startsWith(QStringLiteral("--timeout="))) {
            request.m_timeoutMs = int(toNumber(QStringLiteral("--timeout"), option.mid(10)));
        } else {
            refuse(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (i >= words.size()) {
        refuse(QStringLiteral("no action given"));
    }
    request.m_action = words.at(i++);
    if (request.m_action != QStringLiteral("access") && request.m_action != QStringLiteral("change")
        && request.m_action != QStringLiteral("setnotifications")) {
        refuse(QStringLiteral("unknown action %1").arg(request.m_action));
    }

    QVariantMap given;
    for (; i < words.size(); ++i) {
        const QString &word = words.at(i);
        const int equals = word.indexOf(QLatin1Char('='));
        if (equals == 0) {
            refuse(QStringLiteral("word without key: %1").arg(word));
        }
        if (equals < 0) {
            given.insert(word, QVariant());
        } else {
            const QString key = word.left(equals);
            given.insert(key, parseValue(key, word.mid(equals + 1)));
        }
    }

    // The panel sends the locale with everything but the kernel check.
    if (request.m_withLocale && !given.contains(HelperProtocol::CheckSupportKernel)) {
        request.m_arguments = localeArguments();
    }
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        request.m_arguments.insert(it.key(), it.value());
    }
    return request;
}

QVariant ActionRequest::parseValue(const QString &key, const QString &typed)
{
    const int colon = typed.indexOf(QLatin1Char(':'));
    if (colon != 1) {
        refuse(QStringLiteral("%1: value needs a type prefix such as s: (got \"%2\")").arg(key, typed));
    }
    const QChar type = typed.at(0);
    const QString text = typed.mid(2);
    switch (type.toLatin1()) {
    case 's':
        return QVariant(QString(text.isNull() ? QStringLiteral("") : text));
    case 'f': {
        QFile file(text);
        if (!file.open(QIODevice::ReadOnly)) {
            refuse(QStringLiteral("%1: cannot read %2").arg(key, text));
        }
        return QVariant(QString::fromUtf8(file.readAll()));
    }
    case 'i':
        return QVariant(int(text.toLongLong(nullptr, 0)));
    case 'u':
        return QVariant(qulonglong(toNumber(key, text)));
    case 'b':
        return QVariant(text == QStringLiteral("1") || text == QStringLiteral("true"));
    case 'c':
        return QVariant(text.isEmpty() ? QStringList() : text.split(QLatin1Char(',')));
    case 'l':
        return QVariant(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
    case 'n': {
        QVector<quint32> ids;
        for (const QString &id : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            ids.append(quint32(toNumber(key, id)));
        }
        return QVariant(QuotaRecordBatch::encodeIds(ids));
    }
    case 'q': {
        const QStringList fields = text.split(QLatin1Char(','));
        if (fields.size() != 9) {
            refuse(QStringLiteral("%1: a quota record has nine fields, got %2").arg(key).arg(fields.size()));
        }
        ProxyQuotaData data;
        quint64 *slots[] = {&data.dqb_bhardlimit,
                            &data.dqb_bsoftlimit,
                            &data.dqb_curspace,
                            &data.dqb_ihardlimit,
                            &data.dqb_isoftlimit,
                            &data.dqb_curinodes,
                            &data.dqb_btime,
                            &data.dqb_itime,
                            &data.dqb_valid};
        for (int f = 0; f < 9; ++f) {
            *slots[f] = toNumber(key, fields.at(f));
        }
        return QVariant::fromValue(data);
    }
    default:
        refuse(QStringLiteral("%1: unknown type prefix %2").arg(key, type));
    }
}

QString ActionRequest::actionName() const
{
    return helperId() + QLatin1Char('.') + m_action;
}

QVariantMap ActionRequest::arguments() const
{
    return m_arguments;
}

int ActionRequest::timeoutMs() const
{
    if (m_timeoutMs >= 0) {
        return m_timeoutMs;
    }
    if (m_action == QStringLiteral("change")) {
        return HelperActionExecutor::ChangeTimeoutMs;
    }
    if (m_action == QStringLiteral("access")) {
        return HelperActionExecutor::AccessTimeoutMs;
    }
    return HelperActionExecutor::NotificationsTimeoutMs;
}
