// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <sys/quota.h>

class FileSystem;
class FolderTree;
class ProjectFile;
class ProcessRunner;
class QuotaKernel;
class QuotaState;

// One "access" or "change" request: its arguments, the reply it builds, and
// one handler per sub-command. Handlers throw std::runtime_error with the
// translated message when they fail.
class QuotaRequest
{
public:
    QuotaRequest(const QVariantMap &args, QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files, FolderTree &folders);

    // The sub-command keys in the order dispatch() tries them.
    static const QStringList &subCommands();
    // The sub-command dispatch() would run: the first one present, or an
    // empty string.
    static QString subCommandOf(const QVariantMap &args);

    // Runs the first sub-command present in the arguments.
    void dispatch();

    QVariantMap reply() const;

    // What the request did, for the audit trail: the device (as resolved,
    // or as sent when it did not resolve), the member and the limits before
    // and after, as "key=value" words; empty words are left out.
    QString auditDetails() const;

    void setDeviceOptions();
    void enableDeviceQuota();
    void createQuotaFile();
    void remountDevice();
    void setDeviceGracePeriod();
    void setQuotaInfo();
    void getQuotaInfo();
    void getAllQuotaInfo();
    void getQuotaTables();
    void getData();
    void setFolderProject();
    void clearFolderProject();
    void addProjectEntry();
    void removeProjectEntry();

    // The message for a failed quotactl call with that errno.
    static QString quotactlErrorText(int error);

private:
    QString deviceName() const;
    // The device node the request works on, looked up once: every tool and
    // the kernel get this node, never the caller's name.
    QString blockDeviceArgument();
    // The node a device name leads to, if the system names it; else the
    // one refusal every failed lookup gets.
    QString resolvedDevice(const QString &name);
    bool namedByFstab(const QString &node);
    QString resolveFstabSpec(const QString &fsSpec);
    // The blkid lines, blkid run at most once per request.
    const QStringList &blkidLines();
    QString fstabDeviceOf(const QString &name);
    int quotaType() const;
    QStringList runBlkid();
    QuotaState quotaState(const QString &device);
    // XFS keeps every kind's records in its own metadata and starts
    // accounting only at mount time; the tools of quota files do not apply.
    bool isXfs(const QString &device);
    void switchXfsQuota(const QString &device, int type, bool enable);
    void remountXfs(const QString &device);
    // The folder argument, refused unless it is a plain absolute path.
    QString folderArgument() const;
    // The project id argument, refused outside 1..MaxProjectId.
    quint32 projectIdArgument() const;
    void setFolderProjectId(quint32 id);
    // Reads one of the project files; a missing one is empty.
    ProjectFile readProjectFile(const QString &path, QByteArray &content);
    // Writes both project files, the first one put back when the second
    // cannot be written.
    // Empty content removes the file: to the tools an empty project file
    // and none are the same, and a folder added and removed again leaves
    // the system as it was.
    bool storeProjectFile(const QString &path, const QByteArray &content);
    void writeProjectFiles(const QByteArray &oldProjects, const QByteArray &projects, const QByteArray &oldProjid, const QByteArray &projid);
    void callKernel(int command, int id, void *address);
    void callKernel(const QByteArray &device, int type, int command, int id, void *address);
    // The packed ids under `key`; throws when they are not packed ids.
    QVector<quint32> idsArgument(const QString &key) const;
    // One device's records of one kind, packed for the reply.
    QByteArray quotaTable(const QByteArray &device, int type, const QVector<quint32> &ids, bool xfs);

    void checkRecord(const dqblk &record) const;

    QVariantMap m_args;
    QString m_device;
    QStringList m_blkidLines;
    bool m_blkidRead = false;
    QStringList m_auditWords;
    QVariantMap m_reply;
    QuotaKernel &m_kernel;
    ProcessRunner &m_processes;
    FileSystem &m_files;
    FolderTree &m_folders;
};
