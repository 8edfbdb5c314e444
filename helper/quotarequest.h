// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QStringList>
#include <QVariantMap>
#include <QVector>

class FileSystem;
class ProcessRunner;
class QuotaKernel;
class QuotaState;

// One "access" or "change" request: its arguments, the reply it builds, and
// one handler per sub-command. Handlers throw std::runtime_error with the
// translated message when they fail.
class QuotaRequest
{
public:
    QuotaRequest(const QVariantMap &args, QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files);

    // Runs the first sub-command present in the arguments.
    void dispatch();

    QVariantMap reply() const;

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

    // The message for a failed quotactl call with that errno.
    static QString quotactlErrorText(int error);

private:
    QString deviceName() const;
    QString blockDeviceArgument() const;
    int quotaType() const;
    QStringList runBlkid();
    QuotaState quotaState(const QString &device);
    void callKernel(int command, int id, void *address);
    void callKernel(const QByteArray &device, int type, int command, int id, void *address);
    // The packed ids under `key`; throws when they are not packed ids.
    QVector<quint32> idsArgument(const QString &key) const;
    // One device's records of one kind, packed for the reply.
    QByteArray quotaTable(const QByteArray &device, int type, const QVector<quint32> &ids);

    QVariantMap m_args;
    QVariantMap m_reply;
    QuotaKernel &m_kernel;
    ProcessRunner &m_processes;
    FileSystem &m_files;
};
