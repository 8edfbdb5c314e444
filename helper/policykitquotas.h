// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KAuth/ActionReply>

#include <QObject>
#include <QStringList>
#include <QVariantMap>

class AuditTrail;
class FileSystem;
class FolderTree;
class ProcessRunner;
class QuotaKernel;

// The object KAuth calls: one slot per action, named after the action.
class PolicyKitQuotas : public QObject
{
    Q_OBJECT

public:
    // Works on the running system.
    explicit PolicyKitQuotas(QObject *parent = nullptr);
    PolicyKitQuotas(QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files, FolderTree &folders, AuditTrail &audit, QObject *parent = nullptr);

    // The sub-commands each action serves: the panel reads through one and
    // changes through the other, and a grant of one must not open the other.
    static const QStringList &accessRequests();
    static const QStringList &changeRequests();

public Q_SLOTS:
    KAuth::ActionReply change(const QVariantMap &args);
    KAuth::ActionReply access(const QVariantMap &args);
    KAuth::ActionReply setnotifications(const QVariantMap &args);

private:
    KAuth::ActionReply runRequest(const QVariantMap &args, const QString &action, bool attachReplyData);
    // Refuses a request that holds a sub-command of another action.
    void checkRequestsOf(const QVariantMap &args, const QString &action, const QStringList &allowed) const;
    void audit(const QString &action, const QString &request, const QString &details, const QString &error);
    KAuth::ActionReply checkSupportKernel();
    // Throws when a locale name is not a plain one.
    static void applyLocale(const QVariantMap &args);

    QuotaKernel &m_kernel;
    ProcessRunner &m_processes;
    FileSystem &m_files;
    FolderTree &m_folders;
    AuditTrail &m_audit;
};
