// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QAbstractItemModel;

// The member table as a report to hand on: CSV with a header row and plain
// values (bytes, counts, seconds, ISO 8601 moments in UTC), or the texts of
// some rows separated by tabs for the clipboard.
class QuotaTableExporter
{
public:
    // Every row of the model, the columns in the order given.
    static QByteArray csv(const QAbstractItemModel &model, const QList<int> &columns);
    static QString tabSeparated(const QAbstractItemModel &model, const QList<int> &rows, const QList<int> &columns);
    // One field as RFC 4180 wants it: quoted when it holds a comma, a quote
    // or a line break, with quotes doubled.
    static QString csvField(const QString &text);
};
