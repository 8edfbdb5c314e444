// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the test VM as an ordinary user, started by the scenario
// 95-update-benchmark: times one full QuotasManager::update() against the
// installed helper over real KAuth, exactly as the panel loads. The figure
// only means something next to repquota's in the same guest, which the
// scenario measures; this program prints key=value lines for it to read.

#include "plugin/core/quotasmanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <unistd.h>

#include <cstdio>
#include <exception>

namespace
{
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

    QuotasManager manager;
    QElapsedTimer timer;
    timer.start();
    try {
        manager.update();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "quotasupdatebenchmark: update failed: %s\n", error.what());
        return 1;
    }
    const double milliseconds = timer.nsecsElapsed() / 1e6;

    int quotaDevices = 0;
    const QMap<QString, QuotaStorage *> storages = manager.quotaStorages();
    for (const QuotaStorage *storage : storages) {
        if (storage->usersData().quotaSupportOn() && storage->groupsData().quotaSupportOn()) {
            ++quotaDevices;
        }
    }

    std::printf("update_ms=%.1f\n", milliseconds);
    std::printf("devices=%d\n", int(storages.size()));
    std::printf("quota_devices=%d\n", quotaDevices);
    std::printf("users=%d\n", int(manager.userSettings().size()));
    std::printf("groups=%d\n", int(manager.groupSettings().size()));
    std::printf("users_with_records=%d\n", membersWithRecords(manager.userSettings()));
    std::printf("groups_with_records=%d\n", membersWithRecords(manager.groupSettings()));
    return 0;
}
