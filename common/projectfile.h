// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// One folder of folder quotas as the two project files name it.
struct ProjectFolder {
    quint32 id = 0;
    QString name;
    QString folder;
};

// One of the two files that name the projects of folder quotas:
// /etc/projects ("id:folder") or /etc/projid ("name:id"). xfs_quota and
// repquota read them too, and administrators edit them by hand, so every
// line the panel did not add or remove is written back byte for byte,
// comments, blank lines and lines it does not understand included.
class ProjectFile
{
public:
    explicit ProjectFile(const QByteArray &content = QByteArray());

    // (first field, second field) of every line that is an entry, in file
    // order; comments, blank lines and lines without ':' are not entries
    // (kept, though)
    QList<QPair<QString, QString>> entries() const;
    // adds "first:second\n"
    void append(const QString &first, const QString &second);
    // drops every entry line whose field `field` (0 or 1) equals value;
    // returns how many
    int removeEntries(int field, const QString &value);
    QByteArray content() const;

    // the folders named by both files: id and folder from /etc/projects,
    // the name from /etc/projid ("" when it has none); an id with no folder
    // is not a folder
    static QList<ProjectFolder> folders(const ProjectFile &projects, const ProjectFile &projid);

private:
    // Each line with its line feed, if it had one.
    QList<QByteArray> m_lines;
};
