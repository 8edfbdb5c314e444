// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KAuth/ActionReply>

#include <QObject>
#include <QVariantMap>

class FileSystem;
class ProcessRunner;
class QuotaKernel;

// The object KAuth calls: one slot per action, named after the action.
class PolicyKitQuotas : public QObject
{
    Q_OBJECT

public:
    // Works on the running system.
    explicit PolicyKitQuotas(QObject *parent = nullptr);
    PolicyKitQuotas(QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files, QObject *parent = nullptr);

public Q_SLOTS:
    KAuth::ActionReply change(const QVariantMap &args);
    KAuth::ActionReply access(const QVariantMap &args);
    KAuth::ActionReply setnotifications(const QVariantMap &args);

private:
    KAuth::ActionReply runRequest(const QVariantMap &args, bool attachReplyData);
    KAuth::ActionReply checkSupportKernel();
    // Throws when a locale name is not a plain one.
    static void applyLocale(const QVariantMap &args);

    QuotaKernel &m_kernel;
    ProcessRunner &m_processes;
    FileSystem &m_files;
};
