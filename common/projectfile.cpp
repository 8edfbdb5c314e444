// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/projectfile.h"

namespace
{
// The two fields of an entry line, or false for a comment, a blank line or
// a line without ':'. Blanks around a field are not part of it, and a CR
// of a file saved on another system is not either; the split is at the
// first ':' so that a folder may hold one.
bool splitEntry(const QByteArray &line, QString &first, QString &second)
{
    const QString text = QString::fromUtf8(line).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) {
        return false;
    }
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        return false;
    }
    first = text.left(colon).trimmed();
    second = text.mid(colon + 1).trimmed();
    return true;
}

bool parseId(const QString &text, quint32 &id)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok || value > 0xffffffffull) {
        return false;
    }
    id = quint32(value);
    return true;
}
}

ProjectFile::ProjectFile(const QByteArray &content)
{
    int start = 0;
    while (start < content.size()) {
        const int end = content.indexOf('\n', start);
        if (end < 0) {
            m_lines.append(content.mid(start));
            break;
        }
        m_lines.append(content.mid(start, end - start + 1));
        start = end + 1;
    }
}

QList<QPair<QString, QString>> ProjectFile::entries() const
{
    QList<QPair<QString, QString>> result;
    for (const QByteArray &line : m_lines) {
        QString first;
        QString second;
        if (splitEntry(line, first, second)) {
            result.append(qMakePair(first, second));
        }
    }
    return result;
}

void ProjectFile::append(const QString &first, const QString &second)
{
    // A last line without its line feed would otherwise run into the new one.
    if (!m_lines.isEmpty() && !m_lines.constLast().endsWith('\n')) {
        m_lines.last().append('\n');
    }
    m_lines.append(first.toUtf8() + ':' + second.toUtf8() + '\n');
}

int ProjectFile::removeEntries(int field, const QString &value)
{
    int removed = 0;
    for (int i = m_lines.size() - 1; i >= 0; --i) {
        QString first;
        QString second;
        if (splitEntry(m_lines.at(i), first, second) && (field == 0 ? first : second) == value) {
            m_lines.removeAt(i);
            ++removed;
        }
    }
    return removed;
}

QByteArray ProjectFile::content() const
{
    QByteArray result;
    for (const QByteArray &line : m_lines) {
        result.append(line);
    }
    return result;
}

QList<ProjectFolder> ProjectFile::folders(const ProjectFile &projects, const ProjectFile &projid)
{
    const QList<QPair<QString, QString>> names = projid.entries();
    QList<ProjectFolder> result;
    for (const auto &entry : projects.entries()) {
        ProjectFolder folder;
        if (!parseId(entry.first, folder.id) || entry.second.isEmpty()) {
            continue;
        }
        folder.folder = entry.second;
        // The first name wins, as with the tools, which stop at the first
        // line of an id.
        for (const auto &name : names) {
            quint32 id = 0;
            if (parseId(name.second, id) && id == folder.id) {
                folder.name = name.first;
                break;
            }
        }
        result.append(folder);
    }
    return result;
}
