// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class HelperActionExecutor;

// The panel's one reader of the mount tables and of the blkid lines. Each
// source is read once and kept until reset(), because every device query of
// a load asks for them again; the quotas manager resets it after it has
// changed device settings.
class ConfigReader
{
public:
    enum TabId {
        Fstab = 0,
        Mtab = 1,
    };

    struct TabLine {
        QString device;
        QString mountPath;
        QString filesystem;
        QString options;
    };

    static ConfigReader &instance();

    // A copy of the table's entries in file order; an unreadable table is
    // an empty one.
    QList<TabLine> tabFile(TabId id);
    // A copy of the blkid lines, fetched through the helper when not cached.
    // Throws std::runtime_error with the helper's text when that fails.
    QStringList blkid();
    // Whether blkid() answers without asking the helper.
    bool hasBlkid() const;
    // Keeps lines the helper sent with another answer, as blkid() would.
    void setBlkid(const QStringList &lines);
    void reset();

    static QList<TabLine> readTabFile(const QString &path);

    // The file read for a table: "/etc/fstab" or "/etc/mtab" unless a test
    // pointed the reader at its own copies. Empty paths restore the system
    // tables. Also forgets everything read so far.
    void setTabFilePaths(const QString &fstabPath, const QString &mtabPath);
    QString tabFilePath(TabId id) const;

    // The reader lives as long as the process, the panel that reads through
    // it does not: the panel hands it its executor for the blkid request
    // while it lives, and takes it back (nullptr) when it goes. Without one
    // the reader asks the helper through KAuth itself. Not owned.
    void setHelperExecutor(HelperActionExecutor *executor);
    HelperActionExecutor *helperExecutor() const;

private:
    ConfigReader();
    ~ConfigReader();

    QHash<int, QPair<QList<TabLine>, bool>> m_tabs;
    QStringList m_blkid;
    QString m_fstabPath;
    QString m_mtabPath;
    HelperActionExecutor *m_executor = nullptr;
    std::unique_ptr<HelperActionExecutor> m_ownExecutor;
};
