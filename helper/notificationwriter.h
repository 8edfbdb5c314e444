// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/warnquotacronline.h"

#include <QString>
#include <QStringList>

class FileSystem;

// Writes the cron table of the quota warnings and the warnquota files.
// These are root's files and the cron table is run by root, so only the
// panel's own paths and lines are accepted. Each write replaces the file in
// one step; a failure throws std::runtime_error and leaves the file as it was.
class NotificationWriter
{
public:
    explicit NotificationWriter(FileSystem &files);

    void writeCronFile(const QString &path, const QStringList &lines);
    void writeConfFile(const QString &path, const QString &text);

    static QString cronFilePath();

private:
    bool isSafeTarget(const QString &path) const;
    QList<WarnquotaCronLine::NamedFile> filesNamedByCronFile() const;
    void write(const QString &path, const QString &text);
    [[noreturn]] void refuse(const QString &path) const;

    FileSystem &m_files;
};
