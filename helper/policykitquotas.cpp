// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "policykitquotas.h"

#include "common/proxyquotadata.h"
#include "helper/notificationwriter.h"
#include "helper/quotarequest.h"
#include "helper/systemfilesystem.h"
#include "helper/systemprocessrunner.h"
#include "helper/systemquotakernel.h"

#include <KLocalizedString>

#include <clocale>
#include <stdexcept>

namespace
{
KAuth::ActionReply errorReply(const std::exception &error)
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(QString::fromUtf8(error.what()));
    return reply;
}

QuotaKernel &systemKernel()
{
    static SystemQuotaKernel kernel;
    return kernel;
}

ProcessRunner &systemProcesses()
{
    static SystemProcessRunner processes;
    return processes;
}

FileSystem &systemFiles()
{
    static SystemFileSystem files;
    return files;
}
}

PolicyKitQuotas::PolicyKitQuotas(QObject *parent)
    : PolicyKitQuotas(systemKernel(), systemProcesses(), systemFiles(), parent)
{
}

PolicyKitQuotas::PolicyKitQuotas(QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files, QObject *parent)
    : QObject(parent)
    , m_kernel(kernel)
    , m_processes(processes)
    , m_files(files)
{
}

KAuth::ActionReply PolicyKitQuotas::change(const QVariantMap &args)
{
    return runRequest(args, false);
}

KAuth::ActionReply PolicyKitQuotas::access(const QVariantMap &args)
{
    if (args.contains(QStringLiteral("check_support_kernel"))) {
        return checkSupportKernel();
    }
    return runRequest(args, true);
}

KAuth::ActionReply PolicyKitQuotas::setnotifications(const QVariantMap &args)
{
    applyLocale(args);
    try {
        NotificationWriter writer(m_files);
        const QString cronPath = args.value(QStringLiteral("write_cron_file")).toString();
        if (!cronPath.isNull()) {
            writer.writeCronFile(cronPath, args.value(QStringLiteral("added_lines")).toStringList());
            return KAuth::ActionReply::SuccessReply();
        }
        const QString confPath = args.value(QStringLiteral("write_conf_file")).toString();
        if (confPath.isNull()) {
            throw std::runtime_error(i18nd("velun_kcm_quotas", "No arguments.").toUtf8().toStdString());
        }
        writer.writeConfFile(confPath, args.value(QStringLiteral("text")).toString());
        return KAuth::ActionReply::SuccessReply();
    } catch (const std::exception &error) {
        return errorReply(error);
    }
}

KAuth::ActionReply PolicyKitQuotas::runRequest(const QVariantMap &args, bool attachReplyData)
{
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    applyLocale(args);
    ProxyQuotaData::registerMetaType();
    QuotaRequest request(args, m_kernel, m_processes, m_files);
    try {
        request.dispatch();
    } catch (const std::exception &error) {
        return errorReply(error);
    }
    if (attachReplyData && !request.reply().isEmpty()) {
        reply.setData(request.reply());
    }
    return reply;
}

// The panel only asks whether quota support is there at all; it carries no
// locale because the answer has no text.
KAuth::ActionReply PolicyKitQuotas::checkSupportKernel()
{
    const ProcessResult result =
        m_processes.run(QStringLiteral("/usr/sbin/modinfo"), {QStringLiteral("quota_v2")}, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (result.started && result.finished && !result.crashed && result.exitCode == 0) {
        return KAuth::ActionReply::SuccessReply();
    }
    return KAuth::ActionReply::HelperErrorReply();
}

// Messages of this call, and of the tools it starts, come out in the
// panel's language.
void PolicyKitQuotas::applyLocale(const QVariantMap &args)
{
    const QStringList languages = args.value(QStringLiteral("languages")).toStringList();
    const QByteArray localeName = args.value(QStringLiteral("lcmessages")).toString().toUtf8();
    std::setlocale(LC_ALL, localeName.constData());
    qputenv("LC_ALL", localeName);
    KLocalizedString::setLanguages(languages);
}
