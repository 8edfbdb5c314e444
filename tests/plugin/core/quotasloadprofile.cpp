// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Not a test: the panel's side of a large load on this machine, for a
// profiler (valgrind --tool=callgrind gives repeatable instruction counts
// where wall-clock time on a shared machine is not). It runs
// QuotasManager::update() through the real record reader against a
// simulated helper that answers every batch with a prepared reply, for N
// users and N groups with records on two devices, then reloads and prints
// the memory after each reload.
// Usage: quotasloadprofile [members] [reloads]

#include "fakesystem.h"

#include "common/quotarecordbatch.h"
#include "plugin/core/quotasmanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace
{
const QString sdb = QStringLiteral("/dev/sdb1");
const QString sdc = QStringLiteral("/dev/sdc1");

// The simulated machine, except that the batch reads answer at once with
// replies built in advance: the fake's own record store is not what is
// measured.
class PreparedSystem : public FakeSystem
{
public:
    Result answer(const QString &actionName, const QVariantMap &arguments, int timeoutMs) override
    {
        if (arguments.contains(QStringLiteral("get_quota_tables"))) {
            Result result;
            result.succeeded = true;
            if (arguments.value(QStringLiteral("with_blkid_data")).toBool()) {
                result.data.insert(QStringLiteral("blkid_data"), blkidOutput());
            }
            const QString kinds[2][2] = {{QStringLiteral("user_devices"), QStringLiteral("user_records")},
                                         {QStringLiteral("group_devices"), QStringLiteral("group_records")}};
            for (int type = 0; type < 2; ++type) {
                QVariantList tables;
                for (int i = 0; i < arguments.value(kinds[type][0]).toStringList().size(); ++i) {
                    tables.append(replies.value(type));
                }
                result.data.insert(kinds[type][1], tables);
            }
            return result;
        }
        return FakeSystem::answer(actionName, arguments, timeoutMs);
    }

    QHash<int, QByteArray> replies;
};

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const int reloads = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    constexpr quint32 firstId = 20000;

    PreparedSystem system;
    for (const QString &path : {sdb, sdc}) {
        FakeSystem::Device device;
        device.path = path;
        device.fstabOptions = QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota"), QStringLiteral("grpquota")};
        device.mountOptions = QStringList{QStringLiteral("rw"), QStringLiteral("usrquota"), QStringLiteral("grpquota")};
        device.quotaOn[Users] = true;
        device.quotaOn[Groups] = true;
        device.blockGrace[Users] = 604800;
        device.inodeGrace[Users] = 604800;
        device.blockGrace[Groups] = 604800;
        device.inodeGrace[Groups] = 604800;
        system.addDevice(device);
    }
    // As the benchmark's accounts: limits, a little usage, no grace running.
    QVector<QuotaRecordBatch::Entry> entries;
    entries.append({0, ProxyQuotaData()});
    for (quint32 i = 0; i < quint32(count); ++i) {
        ProxyQuotaData record;
        record.dqb_bsoftlimit = 10240;
        record.dqb_bhardlimit = 20480;
        record.dqb_isoftlimit = 100;
        record.dqb_ihardlimit = 200;
        record.dqb_curspace = 4096 * (i % 7);
        record.dqb_curinodes = i % 7;
        record.dqb_valid = 0x3f;
        entries.append({firstId + i, record});
    }
    system.replies.insert(Users, QuotaRecordBatch::encodeRecords(entries));
    system.replies.insert(Groups, QuotaRecordBatch::encodeRecords(entries));

    QuotasManager manager(system.executor(), system);
    manager.setAccountDirectory(
        [count] {
            QList<UserInfo> users{UserInfo(0, QStringLiteral("root"), true)};
            for (int i = 0; i < count; ++i) {
                users.append(UserInfo(firstId + uint(i), QStringLiteral("kcmqb%1").arg(i, 5, 10, QLatin1Char('0')), false));
            }
            return users;
        },
        [count] {
            QList<GroupInfo> groups{GroupInfo(0, QStringLiteral("root"), true)};
            for (int i = 0; i < count; ++i) {
                groups.append(GroupInfo(firstId + uint(i), QStringLiteral("kcmqb%1").arg(i, 5, 10, QLatin1Char('0')), false));
            }
            return groups;
        });

    QElapsedTimer timer;
    timer.start();
    manager.update();
    std::printf("members=%d update_ms=%.1f rss_kb=%ld\n", count, timer.nsecsElapsed() / 1e6, rssKb());
    for (int i = 1; i <= reloads; ++i) {
        timer.restart();
        manager.update();
        std::printf("reload=%d reload_ms=%.1f rss_kb=%ld objects_alive=%d\n", i, timer.nsecsElapsed() / 1e6, rssKb(), int(manager.children().size()));
    }
    return 0;
}
