// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Not a test: the helper's side of a large batch read, for a profiler
// (valgrind --tool=callgrind). One "get_all_quota_info" for 10,030 ids
// against a kernel that holds 10,000 records, without the call log of the
// tests' fake kernel, which would be most of what is measured.

#include "common/quotarecordbatch.h"
#include "helper/quotakernel.h"
#include "helper/quotarequest.h"
#include "tests/helper/fakefilesystem.h"
#include "tests/helper/fakefoldertree.h"
#include "tests/helper/fakeprocessrunner.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <cstdio>
#include <cstring>

// Answers the reads from a table of records, as a quota file would.
class MapKernel : public QuotaKernel
{
public:
    int quotactl(int command, const QByteArray &, int id, void *address) override
    {
        const int sub = static_cast<int>(static_cast<quint32>(command) >> SUBCMDSHIFT);
        if (sub == Q_GETQUOTA) {
            *static_cast<dqblk *>(address) = records.value(quint32(id), dqblk{});
            return 0;
        }
        if (sub == Q_GETNEXTQUOTA) {
            const auto next = records.lowerBound(quint32(id));
            if (next == records.end())
                return ENOENT;
            auto *out = static_cast<if_nextdqblk *>(address);
            std::memcpy(out, &next.value(), sizeof(dqblk));
            out->dqb_id = next.key();
            return 0;
        }
        return 0;
    }
    QMap<quint32, dqblk> records;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    MapKernel kernel;
    FakeProcessRunner processes;
    FakeFileSystem files;
    // The device must be a block device that /etc/fstab names.
    files.blockDevices.insert(QStringLiteral("/dev/sdb1"));
    files.files.insert(QStringLiteral("/etc/fstab"), "/dev/sdb1 /home ext4 defaults 0 2\n");
    QVector<quint32> ids;
    for (quint32 i = 0; i < 30; ++i)
        ids.append(i);
    for (quint32 i = 0; i < 10000; ++i) {
        dqblk r{};
        r.dqb_bsoftlimit = 10240;
        r.dqb_bhardlimit = 20480;
        r.dqb_isoftlimit = 100;
        r.dqb_ihardlimit = 200;
        r.dqb_valid = QIF_ALL;
        kernel.records.insert(20000 + i, r);
        ids.append(20000 + i);
    }
    QVariantMap args{{QStringLiteral("get_all_quota_info"), QVariant()},
                     {QStringLiteral("device_name"), QStringLiteral("/dev/sdb1")},
                     {QStringLiteral("type"), 0},
                     {QStringLiteral("ids"), QuotaRecordBatch::encodeIds(ids)}};
    QElapsedTimer t;
    t.start();
    FakeFolderTree folders;
    QuotaRequest request(args, kernel, processes, files, folders);
    request.dispatch();
    std::printf("bytes=%d ms=%.1f\n", int(request.reply().value(QStringLiteral("quota_records")).toByteArray().size()), t.nsecsElapsed() / 1e6);
    return 0;
}
