// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the test VM as an ordinary user, started by the scenario
// 95-update-benchmark: times one full QuotasManager::update() against the
// installed helper over real KAuth, exactly as the panel loads, counts the
// helper requests it makes and the process's memory, then reloads a number
// of times to show whether memory stays flat. The figure only means
// something next to repquota's in the same guest, which the scenario
// measures; this program prints key=value lines for it to read.
// Usage: quotasupdatebenchmark [reloads]

#include "plugin/core/quotasmanager.h"
#include "plugin/model/members/systemquotakernelquery.h"
#include "plugin/system/configreader.h"
#include "plugin/system/kauthactionexecutor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <unistd.h>

#include <cstdio>
#include <exception>

namespace
{
// Every request of the load passes through here on its way to KAuth.
class CountingExecutor : public HelperActionExecutor
{
public:
    Result execute(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
    {
        ++requests;
        return m_kauth.execute(actionName, arguments, timeoutMs);
    }

    int requests = 0;

private:
    KAuthActionExecutor m_kauth;
};

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

    CountingExecutor executor;
    SystemQuotaKernelQuery kernel;
    ConfigReader::instance().setHelperExecutor(&executor);
    QuotasManager manager(executor, kernel);
    QElapsedTimer timer;
    timer.start();
    try {
        manager.update();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "quotasupdatebenchmark: update failed: %s\n", error.what());
        return 1;
    }
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    const int requests = executor.requests;
    const long peakKb = statusKb("VmHWM");

    int quotaDevices = 0;
    const QMap<QString, QuotaStorage *> storages = manager.quotaStorages();
    for (const QuotaStorage *storage : storages) {
        if (storage->usersData().quotaSupportOn() && storage->groupsData().quotaSupportOn()) {
            ++quotaDevices;
        }
    }

    std::printf("update_ms=%.1f\n", milliseconds);
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
    ConfigReader::instance().setHelperExecutor(nullptr);
    return 0;
}
