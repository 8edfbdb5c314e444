// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the test VM as an ordinary user, started by the scenario
// 95-update-benchmark: times the panel's first load against the installed
// helper over real KAuth, exactly as the panel loads (the kernel support
// check unless the loaded quota format answers it, then one full
// QuotasManager::update(), after the authorisation check the panel makes
// when it is opened), counts the helper requests
// it makes and the process's memory, then reloads a number of times to
// show whether memory stays flat. It then splits the first load into its
// parts: the helper's start, one polkit authorisation, a request that runs
// nothing, the modinfo and blkid runs and the record requests. The figures
// only mean something next to repquota's in the same guest, which the
// scenario measures; this program prints key=value lines for it to read.
// Usage: quotasupdatebenchmark [reloads]

#include "common/helperprotocol.h"
#include "common/localearguments.h"
#include "plugin/core/quotasmanager.h"
#include "plugin/model/members/systemquotakernelquery.h"
#include "plugin/system/configreader.h"
#include "plugin/system/kauthactionexecutor.h"

#include <KAuth/Action>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <unistd.h>

#include <cstdio>
#include <exception>

namespace
{
// The sub-command a request names, for the figures.
QString commandOf(const QVariantMap &arguments)
{
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        if (it.key() != HelperProtocol::Languages && it.key() != HelperProtocol::LcMessages && !it.value().isValid()) {
            return it.key();
        }
    }
    return QStringLiteral("none");
}

// Every request passes through here on its way to KAuth, and is timed.
class TimingExecutor : public HelperActionExecutor
{
public:
    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
    {
        QElapsedTimer timer;
        timer.start();
        const Result result = m_kauth.execute(actionName, arguments, timeoutMs);
        timings.append({commandOf(arguments), timer.nsecsElapsed() / 1e6});
        sent.append(arguments);
        return result;
    }

    // The time of one request sent outside the load.
    double time(const QVariantMap &arguments)
    {
        execute(accessActionName(), arguments, AccessTimeoutMs);
        return timings.constLast().second;
    }

    QList<QPair<QString, double>> timings;
    QList<QVariantMap> sent;

private:
    KAuthActionExecutor m_kauth;
};

// The panel's check before its first load, as the module makes it: a
// loaded quota format answers it without the helper.
bool kernelSupported(HelperActionExecutor &executor, QuotaKernelQuery &kernel)
{
    if (kernel.quotaFormatLoaded()) {
        return true;
    }
    const QVariantMap arguments{{HelperProtocol::CheckSupportKernel, QVariant()}};
    return executor.execute(accessActionName(), arguments, HelperActionExecutor::AccessTimeoutMs).succeeded;
}

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

// A field of /proc/self/status in kB: VmRSS now, VmHWM the peak.
long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// Members with a file limit on some device: proof that the load really
// fetched the records the scenario wrote, not just empty answers from a
// failing helper, which would be much faster and measure nothing.
int membersWithRecords(const QList<SettingsDeviceQuota *> &members)
{
    int count = 0;
    for (const SettingsDeviceQuota *member : members) {
        const QHash<QString, MemberQuotaData> table = member->devicesQuota();
        for (const MemberQuotaData &data : table) {
            if (data.softFilesLimit() > 0) {
                ++count;
                break;
            }
        }
    }
    return count;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (getuid() == 0) {
        // The panel runs as an ordinary user, whose every helper request
        // polkit decides on; as root that path would not be the one timed.
        std::fprintf(stderr, "quotasupdatebenchmark: run it as an ordinary user\n");
        return 2;
    }
    const int reloads = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;

    TimingExecutor executor;
    // What the panel does when it is opened, before its first load: it asks
    // whether the read action is authorised already. That sets up KAuth in
    // this process and gets polkit's daemon going, which on a desktop runs
    // from the login on for the authentication agent.
    QElapsedTimer opening;
    opening.start();
    {
        KAuth::Action access(accessActionName());
        access.setHelperId(helperId());
        access.status();
    }
    const double openingMs = opening.nsecsElapsed() / 1e6;

    SystemQuotaKernelQuery kernel;
    ConfigReader::instance().setHelperExecutor(&executor);
    QuotasManager manager(executor, kernel);
    QElapsedTimer timer;
    timer.start();
    if (!kernelSupported(executor, kernel)) {
        std::fprintf(stderr, "quotasupdatebenchmark: the helper finds no quota support in the kernel\n");
        return 1;
    }
    const double checkMs = timer.nsecsElapsed() / 1e6;
    try {
        manager.update();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "quotasupdatebenchmark: update failed: %s\n", error.what());
        return 1;
    }
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    const QList<QPair<QString, double>> loadTimings = executor.timings;
    const QList<QVariantMap> loadRequests = executor.sent;
    const int requests = loadTimings.size();
    const long peakKb = statusKb("VmHWM");

    int quotaDevices = 0;
    const QMap<QString, QuotaStorage *> storages = manager.quotaStorages();
    for (const QuotaStorage *storage : storages) {
        if (storage->usersData().quotaSupportOn() && storage->groupsData().quotaSupportOn()) {
            ++quotaDevices;
        }
    }

    std::printf("load_ms=%.1f\n", milliseconds);
    std::printf("update_ms=%.1f\n", milliseconds - checkMs);
    std::printf("helper_requests=%d\n", requests);
    std::printf("peak_rss_kb=%ld\n", peakKb);
    std::printf("devices=%d\n", int(storages.size()));
    std::printf("quota_devices=%d\n", quotaDevices);
    std::printf("users=%d\n", int(manager.userSettings().size()));
    std::printf("groups=%d\n", int(manager.groupSettings().size()));
    std::printf("users_with_records=%d\n", membersWithRecords(manager.userSettings()));
    std::printf("groups_with_records=%d\n", membersWithRecords(manager.groupSettings()));
    std::fflush(stdout);

    if (reloads > 0) {
        const long beforeKb = statusKb("VmRSS");
        QElapsedTimer reloadTimer;
        reloadTimer.start();
        // The memory after each reload, so that growth shows where it
        // happens: a second generation exists while the first reload
        // builds, after that the figure should stay put.
        QStringList perReload;
        for (int i = 0; i < reloads; ++i) {
            manager.update();
            perReload.append(QString::number(statusKb("VmRSS")));
        }
        std::printf("reloads=%d\n", reloads);
        std::printf("rss_per_reload_kb=%s\n", qPrintable(perReload.join(QLatin1Char(','))));
        std::printf("reload_ms=%.1f\n", reloadTimer.nsecsElapsed() / 1e6 / reloads);
        std::printf("rss_before_kb=%ld\n", beforeKb);
        std::printf("rss_after_kb=%ld\n", statusKb("VmRSS"));
        std::printf("objects_alive=%d\n", int(manager.children().size()));
    }
    // The parts of the first load, measured again after the load (and the
    // reloads, which the refused request below would disturb) while the
    // helper runs and this process has made its actions: what a request costs beyond
    // its work, and what each piece of work costs beyond that.
    QStringList perRequest;
    double requestsMs = 0;
    for (const auto &timing : loadTimings) {
        perRequest.append(timing.first + QLatin1Char(':') + ms(timing.second));
        requestsMs += timing.second;
    }
    // The load's first request once more, now that the helper runs: the
    // difference is the helper's start (and its first blkid run, if that
    // request ran blkid).
    const double firstAgainMs = loadRequests.isEmpty() ? 0 : executor.time(loadRequests.first());
    // The load's record requests once more, blkid lines and all.
    double recordsAgainMs = 0;
    bool recordsListed = false;
    for (const QVariantMap &arguments : loadRequests) {
        if (arguments.contains(HelperProtocol::GetQuotaTables) || arguments.contains(HelperProtocol::GetAllQuotaInfo)) {
            recordsAgainMs += executor.time(arguments);
            recordsListed = recordsListed || arguments.value(HelperProtocol::WithBlkidData).toBool();
        }
    }
    QVariantMap blkid = localeArguments();
    blkid.insert(HelperProtocol::GetData, QVariant());
    const double checkAgainMs = executor.time({{HelperProtocol::CheckSupportKernel, QVariant()}});
    const double blkidMs = executor.time(blkid);
    // No sub-command: the helper refuses it after polkit has said yes.
    const double emptyMs = executor.time(localeArguments());
    QElapsedTimer authorisation;
    authorisation.start();
    // Making an action asks polkit for its status, as the helper asks it
    // for every request.
    const KAuth::Action probe(accessActionName());
    const double authorisationMs = authorisation.nsecsElapsed() / 1e6;
    std::printf("opening_ms=%s\n", qPrintable(ms(openingMs)));
    std::printf("requests_ms=%s\n", qPrintable(perRequest.join(QLatin1Char(','))));
    std::printf("support_check=%s\n", loadRequests.value(0).contains(HelperProtocol::CheckSupportKernel) ? "asked" : "skipped");
    std::printf("helper_start_ms=%s\n", qPrintable(ms(loadTimings.value(0).second - firstAgainMs)));
    std::printf("authorisation_ms=%s\n", qPrintable(ms(authorisationMs)));
    std::printf("empty_request_ms=%s\n", qPrintable(ms(emptyMs)));
    std::printf("support_check_ms=%s\n", qPrintable(ms(checkAgainMs - emptyMs)));
    std::printf("blkid_ms=%s\n", qPrintable(ms(blkidMs - emptyMs)));
    // What reading the records adds to a request, without the blkid run a
    // listing request makes too.
    std::printf("records_ms=%s\n", qPrintable(ms(recordsAgainMs - emptyMs - (recordsListed ? blkidMs - emptyMs : 0))));
    std::printf("local_ms=%s\n", qPrintable(ms(milliseconds - requestsMs)));
    std::fflush(stdout);

    ConfigReader::instance().setHelperExecutor(nullptr);
    return 0;
}
