// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Sets the mount options of one device in the text of /etc/fstab. Only the
// options field of that device's entries changes; every other byte of the
// file, comments and spacing included, stays as it was.
class FstabRewriter
{
public:
    explicit FstabRewriter(const QStringList &blkidLines);

    // The new table text, and in `changedEntries` how many entries belong to
    // `device`: an entry belongs to it when its first field, decoded and
    // resolved through the blkid lines (or taken as it is when it does not
    // resolve), equals `device`.
    QByteArray rewrite(const QByteArray &table, const QString &device, const QStringList &options, int &changedEntries) const;

    // The options of the first entry that belongs to `device`, split at ','
    // as the panel reads them; false when no entry belongs to it.
    bool currentOptions(const QByteArray &table, const QString &device, QStringList &options) const;

    // True when `requested` is `current` with "usrquota" or "grpquota"
    // appended (where it was missing) or with every copy of it removed: the
    // only changes the panel ever asks for.
    static bool isQuotaOptionChange(const QStringList &current, const QStringList &requested);

    // Undoes the octal escapes that the mount-table reader understands.
    static QString decodeField(const QByteArray &field);
    // Escapes what would otherwise end or break a field.
    static QByteArray encodeField(const QString &text);

private:
    bool belongsTo(const QByteArray &line, const QString &device) const;
    QByteArray rewriteLine(const QByteArray &line, const QString &device, const QByteArray &options, bool &changed) const;

    QStringList m_blkidLines;
};
