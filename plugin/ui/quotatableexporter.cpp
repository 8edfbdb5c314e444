// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotatableexporter.h"

#include "plugin/ui/quotasettingsmodel.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QStringList>

namespace
{
const QString lineEnd = QStringLiteral("\r\n");

QString plainValue(const QModelIndex &index)
{
    // A record that could not be read has no values: an empty cell, never
    // a zero a report would take for the truth.
    const QVariant known = index.data(QuotaSettingsModel::KnownRole);
    if (known.isValid() && !known.toBool()) {
        return QString();
    }
    const QVariant raw = index.data(QuotaSettingsModel::RawValueRole);
    switch (raw.userType()) {
    case QMetaType::QDateTime: {
        const QDateTime moment = raw.toDateTime();
        return moment.isValid() ? moment.toUTC().toString(Qt::ISODate) : QString();
    }
    case QMetaType::Bool:
        // The state is a word in the table; the report keeps that word.
        return index.data(Qt::DisplayRole).toString();
    case QMetaType::UnknownType:
        return index.data(Qt::DisplayRole).toString();
    default:
        return raw.toString();
    }
}

// A tab or line break inside a cell would split it on pasting.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}
}

QString QuotaTableExporter::csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray QuotaTableExporter::csv(const QAbstractItemModel &model, const QList<int> &columns)
{
    QString text;
    QStringList fields;
    for (int column : columns) {
        // The titles name the units of the plain values below them.
        QVariant title = model.headerData(column, Qt::Horizontal, QuotaSettingsModel::ExportHeaderRole);
        if (!title.isValid()) {
            title = model.headerData(column, Qt::Horizontal, Qt::DisplayRole);
        }
        fields.append(csvField(title.toString()));
    }
    text += fields.join(QLatin1Char(',')) + lineEnd;
    for (int row = 0; row < model.rowCount(); ++row) {
        fields.clear();
        for (int column : columns) {
            fields.append(csvField(plainValue(model.index(row, column))));
        }
        text += fields.join(QLatin1Char(',')) + lineEnd;
    }
    return text.toUtf8();
}

QString QuotaTableExporter::tabSeparated(const QAbstractItemModel &model, const QList<int> &rows, const QList<int> &columns)
{
    QString text;
    for (int row : rows) {
        QStringList fields;
        for (int column : columns) {
            fields.append(oneLine(model.index(row, column).data(Qt::DisplayRole).toString()));
        }
        text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}
