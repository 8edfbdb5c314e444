// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "policykitquotas.h"

#include "common/helperprotocol.h"
#include "common/proxyquotadata.h"
#include "helper/audittrail.h"
#include "helper/failure.h"
#include "helper/filesystem.h"
#include "helper/kcmquotashelper_debug.h"
#include "helper/notificationwriter.h"
#include "helper/quotarequest.h"
#include "helper/systemaudittrail.h"
#include "helper/systemfilesystem.h"
#include "helper/systemfoldertree.h"
#include "helper/systemprocessrunner.h"
#include "helper/systemquotakernel.h"

#include <KLocalizedString>

#include <QRegularExpression>

#include <algorithm>
#include <clocale>
#include <stdexcept>

namespace
{
const QByteArray fallbackLocale = QByteArrayLiteral("C.UTF-8");

// Reads that change nothing; only their failures go to the audit trail.
const QStringList readRequests = {HelperProtocol::CheckSupportKernel,
                                  HelperProtocol::GetData,
                                  HelperProtocol::GetQuotaInfo,
                                  HelperProtocol::GetAllQuotaInfo,
                                  HelperProtocol::GetQuotaTables};

// Letters, digits, '_', '-', '.', '@', as in "de_DE.UTF-8@euro"; "C",
// "POSIX" and "C.UTF-8" are plain names too.
bool isPlainLocaleName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.@-]{1,64}$"));
    return plain.match(name).hasMatch() && !name.contains(QLatin1String(".."));
}

// The UTF-8 locale that carries a language's messages: "de" is read as
// de_DE, "pt_BR" as itself.
QByteArray messagesLocaleFor(const QString &language)
{
    QString name = language.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (!name.contains(QLatin1Char('_'))) {
        name += QLatin1Char('_') + name.toUpper();
    }
    return (name + QStringLiteral(".UTF-8")).toUtf8();
}

// The panel shows the text; the journal keeps it with what was asked (the
// argument names only: the values may be a file's text).
KAuth::ActionReply errorReply(const char *action, const QVariantMap &args, const std::exception &error)
{
    qCWarning(KCMQUOTAS_HELPER) << action << "request" << args.keys() << "failed:" << error.what();
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

FolderTree &systemFolders()
{
    static SystemFolderTree folders;
    return folders;
}

AuditTrail &systemAudit()
{
    static SystemAuditTrail audit;
    return audit;
}
}

PolicyKitQuotas::PolicyKitQuotas(QObject *parent)
    : PolicyKitQuotas(systemKernel(), systemProcesses(), systemFiles(), systemFolders(), systemAudit(), parent)
{
}

PolicyKitQuotas::PolicyKitQuotas(QuotaKernel &kernel, ProcessRunner &processes, FileSystem &files, FolderTree &folders, AuditTrail &audit, QObject *parent)
    : QObject(parent)
    , m_kernel(kernel)
    , m_processes(processes)
    , m_files(files)
    , m_folders(folders)
    , m_audit(audit)
{
}

const QStringList &PolicyKitQuotas::accessRequests()
{
    static const QStringList requests = {HelperProtocol::CheckSupportKernel,
                                         HelperProtocol::GetData,
                                         HelperProtocol::GetQuotaInfo,
                                         HelperProtocol::GetAllQuotaInfo,
                                         HelperProtocol::GetQuotaTables};
    return requests;
}

// get_quota_info answers nothing through this action; the panel uses it to
// ask whether the kernel takes a record.
const QStringList &PolicyKitQuotas::changeRequests()
{
    static const QStringList requests = {
        HelperProtocol::SetDeviceOptions,
        HelperProtocol::EnableDeviceQuota,
        HelperProtocol::CreateQuotaFile,
        HelperProtocol::RemountDevice,
        HelperProtocol::SetDeviceGracePeriod,
        HelperProtocol::SetQuotaInfo,
        HelperProtocol::GetQuotaInfo,
        HelperProtocol::SetFolderProject,
        HelperProtocol::ClearFolderProject,
        HelperProtocol::AddProjectEntry,
        HelperProtocol::RemoveProjectEntry,
    };
    return requests;
}

void PolicyKitQuotas::checkRequestsOf(const QVariantMap &args, const QString &action, const QStringList &allowed) const
{
    QStringList known = QuotaRequest::subCommands();
    known.append(HelperProtocol::CheckSupportKernel);
    for (const QString &key : std::as_const(known)) {
        if (args.contains(key) && !allowed.contains(key)) {
            fail(i18nd("velun_kcm_quotas", "The request %1 is not part of the action %2", key, action));
        }
    }
}

KAuth::ActionReply PolicyKitQuotas::change(const QVariantMap &args)
{
    m_audit.beginRequest();
    return runRequest(args, changeActionName(), false);
}

KAuth::ActionReply PolicyKitQuotas::access(const QVariantMap &args)
{
    m_audit.beginRequest();
    return runRequest(args, accessActionName(), true);
}

// One line per change and per refusal: for what, on which device or file,
// and how it ended; the trail adds who asked.
void PolicyKitQuotas::audit(const QString &action, const QString &request, const QString &details, const QString &error)
{
    if (error.isEmpty() && (request.isEmpty() || readRequests.contains(request))) {
        return;
    }
    QString line = QStringLiteral("action=%1 request=%2").arg(action, request.isEmpty() ? QStringLiteral("none") : request);
    if (!details.isEmpty()) {
        line += QLatin1Char(' ') + details;
    }
    line += error.isEmpty() ? QStringLiteral(" result=done") : QStringLiteral(" result=refused reason=\"%1\"").arg(error);
    m_audit.record(error.isEmpty() ? AuditTrail::Done : AuditTrail::Refused, line);
}

KAuth::ActionReply PolicyKitQuotas::setnotifications(const QVariantMap &args)
{
    m_audit.beginRequest();
    const QString action = setNotificationsActionName();
    const QString cronPath = args.value(HelperProtocol::WriteCronFile).toString();
    const QString confPath = args.value(HelperProtocol::WriteConfFile).toString();
    const QString request = !cronPath.isNull() ? HelperProtocol::WriteCronFile : (!confPath.isNull() ? HelperProtocol::WriteConfFile : QString());
    const QString details = request.isEmpty() ? QString() : QStringLiteral("file=") + (cronPath.isNull() ? confPath : cronPath);
    try {
        applyLocale(args);
        NotificationWriter writer(m_files);
        if (!cronPath.isNull()) {
            writer.writeCronFile(cronPath, args.value(HelperProtocol::AddedLines).toStringList());
        } else if (!confPath.isNull()) {
            writer.writeConfFile(confPath, args.value(HelperProtocol::Text).toString());
        } else {
            fail(i18nd("velun_kcm_quotas", "No arguments."));
        }
    } catch (const std::exception &error) {
        audit(action, request, details, QString::fromUtf8(error.what()));
        return errorReply("setnotifications", args, error);
    }
    audit(action, request, details, QString());
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply PolicyKitQuotas::runRequest(const QVariantMap &args, const QString &action, bool attachReplyData)
{
    const bool isAccess = attachReplyData;
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    ProxyQuotaData::registerMetaType();
    QuotaRequest request(args, m_kernel, m_processes, m_files, m_folders);
    const QString subCommand = args.contains(HelperProtocol::CheckSupportKernel) ? HelperProtocol::CheckSupportKernel : QuotaRequest::subCommandOf(args);
    try {
        // A refusal is answered in the caller's language too.
        applyLocale(args);
        checkRequestsOf(args, action, isAccess ? accessRequests() : changeRequests());
        // The panel only asks whether quota support is there at all.
        if (subCommand == HelperProtocol::CheckSupportKernel) {
            return checkSupportKernel();
        }
        request.dispatch();
    } catch (const std::exception &error) {
        // Refused before the device was looked up: the name as sent.
        QString details = request.auditDetails();
        if (details.isEmpty() && args.contains(HelperProtocol::DeviceName)) {
            details = QStringLiteral("device=") + args.value(HelperProtocol::DeviceName).toString();
        }
        audit(action, subCommand, details, QString::fromUtf8(error.what()));
        return errorReply(isAccess ? "access" : "change", args, error);
    }
    audit(action, subCommand, request.auditDetails(), QString());
    if (attachReplyData && !request.reply().isEmpty()) {
        reply.setData(request.reply());
    }
    return reply;
}

// The panel only asks whether quota support is there at all; it carries no
// locale because the answer has no text. A loaded quota format module
// answers it without starting modinfo: the kernel has loaded it exactly
// because a device of this system uses quotas.
KAuth::ActionReply PolicyKitQuotas::checkSupportKernel()
{
    if (m_files.entryKind(QStringLiteral("/sys/module/quota_v2")) == FileSystem::Directory) {
        return KAuth::ActionReply::SuccessReply();
    }
    const ProcessResult result =
        m_processes.run(QStringLiteral("/usr/sbin/modinfo"), {QStringLiteral("quota_v2")}, ProcessRunner::NoLimit, ProcessRunner::NoLimit);
    if (result.started && result.finished && !result.crashed && result.exitCode == 0) {
        return KAuth::ActionReply::SuccessReply();
    }
    qCWarning(KCMQUOTAS_HELPER) << "no kernel quota support: modinfo quota_v2 started" << result.started << "finished" << result.finished << "exit code"
                                << result.exitCode;
    return KAuth::ActionReply::HelperErrorReply();
}

// Messages of this call, and of the tools it starts, come out in the
// panel's language. Both settings are made afresh by every call, so no
// answer depends on the request before it.
void PolicyKitQuotas::applyLocale(const QVariantMap &args)
{
    const QStringList languages = args.value(HelperProtocol::Languages).toStringList();
    const QString localeName = args.value(HelperProtocol::LcMessages).toString();

    // The translation system looks a language up as a directory name, and
    // glibc reads a locale name with a '/' as a path: a name the caller
    // chose must never reach either unchecked.
    const auto invalid = std::find_if_not(languages.cbegin(), languages.cend(), &isPlainLocaleName);
    const bool languagesValid = invalid == languages.cend();
    KLocalizedString::setLanguages(languagesValid ? languages : QStringList());

    // C.UTF-8 where the named locale is missing: the catalogue of the
    // requested language is still used then, which plain "C" would prevent.
    QByteArray effective = localeName.isEmpty() || !isPlainLocaleName(localeName) ? QByteArray() : localeName.toUtf8();
    if (effective.isEmpty() || !std::setlocale(LC_ALL, effective.constData())) {
        effective = fallbackLocale;
        std::setlocale(LC_ALL, effective.constData());
    }
    // Newer C libraries (Debian 13's) ignore the language list under
    // C.UTF-8 as they do under C; the messages then take a real locale of a
    // requested language, where one is installed.
    if (languagesValid && (effective.compare(fallbackLocale, Qt::CaseInsensitive) == 0 || effective.compare("C.utf8", Qt::CaseInsensitive) == 0)) {
        for (const QString &language : languages) {
            if (std::setlocale(LC_MESSAGES, messagesLocaleFor(language).constData())) {
                break;
            }
        }
    }
    qputenv("LC_ALL", effective);

    if (!languagesValid) {
        fail(i18nd("velun_kcm_quotas", "Invalid locale name %1", *invalid));
    }
    if (!localeName.isEmpty() && !isPlainLocaleName(localeName)) {
        fail(i18nd("velun_kcm_quotas", "Invalid locale name %1", localeName));
    }
}
