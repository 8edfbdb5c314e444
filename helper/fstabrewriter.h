// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Adds or removes a quota option of one device in the text of /etc/fstab.
// Each entry of the device keeps its own option list and gains or loses
// only that option, written as the file writes it; every other byte of the
// file, comments, spacing and escapes included, stays as it was.
class FstabRewriter
{
public:
    // The device an entry's first field (decoded) stands for, or an empty
    // string when it stands for none.
    using Resolver = std::function<QString(const QString &fsSpec)>;

    // Resolves through the blkid lines; a field they do not resolve is
    // taken as it is.
    explicit FstabRewriter(const QStringList &blkidLines);
    explicit FstabRewriter(Resolver resolver);

    struct QuotaOptionChange {
        QString option;
        bool add = true;
    };

    // The new table text, and in `matchedEntries` how many entries belong
    // to `device`: an entry belongs to it when it has an options field and
    // its first field resolves to `device`. Shorter lines are left alone.
    QByteArray rewrite(const QByteArray &table, const QString &device, const QuotaOptionChange &change, int &matchedEntries) const;

    // The options of the first entry that belongs to `device`, split at ','
    // as the panel reads them; false when no entry belongs to it.
    bool currentOptions(const QByteArray &table, const QString &device, QStringList &options) const;

    // True when `requested` is `current` with one quota option ("usrquota",
    // "grpquota", "prjquota" or XFS's "uquota", "gquota", "pquota")
    // appended (where it was missing) or with every copy of it removed: the
    // only changes the panel ever asks for. `change` then says which.
    static bool quotaOptionChange(const QStringList &current, const QStringList &requested, QuotaOptionChange &change);
    static bool isQuotaOptionChange(const QStringList &current, const QStringList &requested);

    // Undoes the octal escapes that the mount-table reader understands.
    static QString decodeField(const QByteArray &field);
    // Escapes what would otherwise end or break a field.
    static QByteArray encodeField(const QString &text);

private:
    bool belongsTo(const QByteArray &line, const QString &device) const;
    QByteArray rewriteLine(const QByteArray &line, const QString &device, const QuotaOptionChange &change, bool &matched) const;

    Resolver m_resolver;
};
