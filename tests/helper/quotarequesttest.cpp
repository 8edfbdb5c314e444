// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "helper/quotarequest.h"
#include "common/proxyquotadata.h"
#include "common/quotarecordbatch.h"
#include "tests/helper/fakefilesystem.h"
#include "tests/helper/fakefoldertree.h"
#include "tests/helper/fakeprocessrunner.h"
#include "tests/helper/fakequotakernel.h"

#include <QTest>

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

Q_DECLARE_METATYPE(ProcessResult)

namespace
{
const QString disk = QStringLiteral("/dev/sdb1");
}

class QuotaRequestTest : public QObject
{
    Q_OBJECT

private:
    // Runs the request and returns its error text (empty on success).
    QString run(const QVariantMap &args, QVariantMap *reply = nullptr)
    {
        QuotaRequest request(args, kernel, processes, files, folders);
        try {
            request.dispatch();
        } catch (const std::runtime_error &error) {
            return QString::fromUtf8(error.what());
        }
        if (reply) {
            *reply = request.reply();
        }
        return QString();
    }

    FakeQuotaKernel kernel;
    FakeProcessRunner processes;
    FakeFileSystem files;
    FakeFolderTree folders;
    QStringList activity;

private Q_SLOTS:
    void init()
    {
        kernel = FakeQuotaKernel();
        processes = FakeProcessRunner();
        files = FakeFileSystem();
        folders = FakeFolderTree();
        activity.clear();
        kernel.log = &activity;
        processes.log = &activity;
        files.log = &activity;
        files.blockDevices = {disk, QStringLiteral("/dev/mapper/vg-home"), QStringLiteral("/tmp/sdb1"), QStringLiteral("/dev/../dev/sdb1")};
        files.files.insert(QStringLiteral("/etc/fstab"), "/dev/sdb1 /home ext4 defaults 0 2\n");
        files.mountPoints.insert(disk, QStringLiteral("/home"));
    }

    void dispatchOrder_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("firstActivity");

        QTest::newRow("device options before quota switch")
            << QStringList{QStringLiteral("enable_device_quota"), QStringLiteral("set_device_options")} << "replace /etc/fstab";
        QTest::newRow("quota switch before quota file") << QStringList{QStringLiteral("create_quota_file"), QStringLiteral("enable_device_quota")} << "quotaon";
        // Creating a quota file starts by asking whether the records are kept
        // inside the file system.
        QTest::newRow("quota file before remount") << QStringList{QStringLiteral("remount_device"), QStringLiteral("create_quota_file")} << "quotactl 5808";
        QTest::newRow("remount before grace periods") << QStringList{QStringLiteral("set_device_grace_period"), QStringLiteral("remount_device")} << "mount";
        QTest::newRow("grace periods before set record")
            << QStringList{QStringLiteral("set_quota_info"), QStringLiteral("set_device_grace_period")} << "quotactl 800006";
        QTest::newRow("set record before get record") << QStringList{QStringLiteral("get_quota_info"), QStringLiteral("set_quota_info")} << "quotactl 800008";
        QTest::newRow("get record before blkid data") << QStringList{QStringLiteral("get_data"), QStringLiteral("get_quota_info")} << "quotactl 800007";
        QTest::newRow("set record before batch read") << QStringList{QStringLiteral("get_all_quota_info"), QStringLiteral("set_quota_info")}
                                                      << "quotactl 800008";
        QTest::newRow("single read before batch read")
            << QStringList{QStringLiteral("get_all_quota_info"), QStringLiteral("get_quota_info")} << "quotactl 800007";
        QTest::newRow("batch read before blkid data") << QStringList{QStringLiteral("get_data"), QStringLiteral("get_all_quota_info")} << "quotactl 800009";
        QTest::newRow("blkid data alone") << QStringList{QStringLiteral("get_data")} << "blkid";
    }

    void dispatchOrder()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, firstActivity);
        QVariantMap args{{QStringLiteral("device_name"), disk},
                         {QStringLiteral("enable"), 1},
                         {QStringLiteral("ids"), QByteArray()},
                         {QStringLiteral("options"), QStringList{QStringLiteral("defaults"), QStringLiteral("usrquota")}}};
        for (const QString &key : keys) {
            args.insert(key, QVariant());
        }
        kernel.quotasOn.insert(0, true);
        run(args);
        // Setting a record reads it first, so the sign of the sub-command
        // that ran is looked for, not taken from the front.
        QVERIFY2(activity.contains(firstActivity), qPrintable(activity.join(QLatin1Char(','))));
    }

    void noArguments()
    {
        QCOMPARE(run({{QStringLiteral("device_name"), disk}, {QStringLiteral("languages"), QStringList()}}), QStringLiteral("No arguments."));
        QVERIFY(activity.isEmpty());
    }

    void kernelCommand_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("id");
        QTest::addColumn<quint32>("command");
        QTest::addColumn<int>("kernelId");

        QTest::newRow("get user record") << "get_quota_info" << 0 << 1000 << 0x80000700u << 1000;
        QTest::newRow("get group record") << "get_quota_info" << 1 << 100 << 0x80000701u << 100;
        QTest::newRow("type 257 acts as group") << "get_quota_info" << 257 << 5 << 0x80000701u << 5;
        QTest::newRow("type 256 acts as user") << "set_quota_info" << 256 << 7 << 0x80000800u << 7;
        QTest::newRow("type -1 keeps its low byte") << "set_quota_info" << -1 << 7 << 0x800008ffu << 7;
        QTest::newRow("grace periods use id 0") << "set_device_grace_period" << 1 << 1234 << 0x80000601u << 0;
    }

    void kernelCommand()
    {
        QFETCH(QString, key);
        QFETCH(int, type);
        QFETCH(int, id);
        QFETCH(quint32, command);
        QFETCH(int, kernelId);
        QCOMPARE(run({{key, QVariant()}, {QStringLiteral("device_name"), disk}, {QStringLiteral("type"), type}, {QStringLiteral("id"), id}}), QString());
        // Setting a record reads the old one first, for the audit trail.
        QCOMPARE(kernel.calls.size(), key == QLatin1String("set_quota_info") ? 2 : 1);
        QCOMPARE(kernel.calls.last().command, command);
        QCOMPARE(kernel.calls.last().id, kernelId);
        QCOMPARE(kernel.calls.last().device, disk.toUtf8());
    }

    void kernelError_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");

        QTest::newRow("EPERM") << EPERM << "The caller does not have the necessary rights (CAP_SYS_ADMIN) to perform the specified operation";
        QTest::newRow("ENOENT") << ENOENT << "File specified in special or addr not exist";
        QTest::newRow("ESRCH") << ESRCH << "No disk map was found for the specified user. Quota turned off in file system";
        QTest::newRow("EACCES") << EACCES
                                << "Quota file specified in addr exist but is not a perpetual file or quota file specified in addr exist but is not on "
                                   "the file system of the specified in special";
        QTest::newRow("EFAULT") << EFAULT << "Wrong value addr or special";
        QTest::newRow("ENOTBLK") << ENOTBLK << "Value special does not indicate on block device";
        QTest::newRow("EBUSY") << EBUSY << "Attemp to execut Q_QUOTAON but another start is already in progress Q_QUOTAON";
        QTest::newRow("EINVAL") << EINVAL << "Wrong value cmd or type";
        QTest::newRow("ENOSYS") << ENOSYS << "Core assembled with parameter turned off CONFIG_QUOTA";
        QTest::newRow("EIO is unknown") << EIO << "Unknown error while executing quotactl";
    }

    void kernelError()
    {
        QFETCH(int, error);
        QFETCH(QString, message);
        kernel.error = error;
        for (const char *key : {"get_quota_info", "set_quota_info", "set_device_grace_period", "get_all_quota_info"}) {
            QVariantMap reply;
            QCOMPARE(run({{QString::fromLatin1(key), QVariant()},
                          {QStringLiteral("device_name"), disk},
                          {QStringLiteral("ids"), QuotaRecordBatch::encodeIds({1000})}},
                         &reply),
                     message);
            QVERIFY(reply.isEmpty());
        }
    }

    void getQuotaInfo()
    {
        kernel.record = {2048, 1024, 5000000, 20, 10, 7, 1700000000, 1800000000, QIF_ALL};
        QVariantMap reply;
        QCOMPARE(run({{QStringLiteral("get_quota_info"), QVariant()}, {QStringLiteral("device_name"), disk}}, &reply), QString());
        QCOMPARE(reply.keys(), QStringList{QStringLiteral("quota_info")});
        QCOMPARE(reply.value(QStringLiteral("quota_info")).value<ProxyQuotaData>(), ProxyQuotaData(kernel.record));
    }

    void getAllQuotaInfo_data()
    {
        QTest::addColumn<QList<quint32>>("fileIds");
        QTest::addColumn<QList<quint32>>("requested");
        QTest::addColumn<int>("nextError");
        QTest::addColumn<QList<quint32>>("answered");
        QTest::addColumn<int>("singleReads");

        QTest::newRow("walk adds records of ids nobody asked for")
            << QList<quint32>{0, 1000, 5000} << QList<quint32>{0, 1000, 1001} << 0 << QList<quint32>{0, 1000, 1001, 5000} << 1;
        QTest::newRow("kernel without walk reads the requested ids only")
            << QList<quint32>{0, 1000, 5000} << QList<quint32>{0, 1000} << EINVAL << QList<quint32>{0, 1000} << 2;
        QTest::newRow("file system without walk") << QList<quint32>{7} << QList<quint32>{7} << ENOSYS << QList<quint32>{7} << 1;
        QTest::newRow("nothing asked, nothing held") << QList<quint32>{} << QList<quint32>{} << 0 << QList<quint32>{} << 0;
        QTest::newRow("the largest id ends the walk") << QList<quint32>{0xffffffffu} << QList<quint32>{} << 0 << QList<quint32>{0xffffffffu} << 0;
    }

    void getAllQuotaInfo()
    {
        QFETCH(QList<quint32>, fileIds);
        QFETCH(QList<quint32>, requested);
        QFETCH(int, nextError);
        QFETCH(QList<quint32>, answered);
        QFETCH(int, singleReads);

        for (quint32 id : fileIds) {
            dqblk record{};
            record.dqb_isoftlimit = id % 1000 + 1;
            record.dqb_curspace = quint64(id) * 4096;
            record.dqb_valid = QIF_ALL;
            kernel.records.insert(id, record);
        }
        kernel.nextError = nextError;
        QVariantMap reply;
        QCOMPARE(run({{QStringLiteral("get_all_quota_info"), QVariant()},
                      {QStringLiteral("device_name"), disk},
                      {QStringLiteral("type"), 1},
                      {QStringLiteral("ids"), QuotaRecordBatch::encodeIds(requested.toVector())}},
                     &reply),
                 QString());
        QVector<QuotaRecordBatch::Entry> entries;
        QVERIFY(QuotaRecordBatch::decodeRecords(reply.value(QStringLiteral("quota_records")).toByteArray(), entries));
        QList<quint32> ids;
        for (const QuotaRecordBatch::Entry &entry : std::as_const(entries)) {
            ids.append(entry.id);
            QCOMPARE(entry.record, ProxyQuotaData(kernel.records.value(entry.id, dqblk{})));
        }
        QCOMPARE(ids, answered);

        int reads = 0;
        for (const FakeQuotaKernel::Call &call : std::as_const(kernel.calls)) {
            QCOMPARE(call.command & 0xffu, 1u);
            QCOMPARE(call.device, disk.toUtf8());
            reads += (call.command >> 8) == Q_GETQUOTA ? 1 : 0;
        }
        QCOMPARE(reads, singleReads);
    }

    void getAllQuotaInfoRefusesBadIds_data()
    {
        QTest::addColumn<QVariant>("ids");
        QTest::newRow("missing") << QVariant();
        QTest::newRow("a list instead of packed ids") << QVariant(QVariantList{1000, 1001});
        QTest::newRow("bytes that are not whole ids") << QVariant(QByteArray(7, '\0'));
        QTest::newRow("1,048,577 ids") << QVariant(QByteArray((1024 * 1024 + 1) * 4, '\0'));
    }

    void getAllQuotaInfoRefusesBadIds()
    {
        QFETCH(QVariant, ids);
        QVariantMap args{{QStringLiteral("get_all_quota_info"), QVariant()}, {QStringLiteral("device_name"), disk}};
        if (ids.isValid()) {
            args.insert(QStringLiteral("ids"), ids);
        }
        QCOMPARE(run(args), QStringLiteral("Invalid list of user or group ids"));
        QVERIFY(kernel.calls.isEmpty());
    }

    // A load's one request: every table answers, with its records or with
    // the reason it could not be read, and one table's failure is not the
    // others'.
    void getQuotaTables_data()
    {
        QTest::addColumn<QStringList>("userDevices");
        QTest::addColumn<QStringList>("groupDevices");
        QTest::addColumn<int>("kernelError");
        QTest::addColumn<QStringList>("userAnswers");
        QTest::addColumn<QStringList>("groupAnswers");
        QTest::addColumn<QStringList>("tablesRead");

        const QString records = QStringLiteral("ids 0 1000 1001");
        const QString notDevice = QStringLiteral("Device /etc/shadow is not a block device");
        const QString offText = QuotaRequest::quotactlErrorText(ESRCH);
        QTest::newRow("both kinds of one device") << QStringList{disk} << QStringList{disk} << 0 << QStringList{records} << QStringList{records}
                                                  << QStringList{QStringLiteral("/dev/sdb1 0"), QStringLiteral("/dev/sdb1 1")};
        QTest::newRow("groups only") << QStringList{} << QStringList{disk} << 0 << QStringList{} << QStringList{records}
                                     << QStringList{QStringLiteral("/dev/sdb1 1")};
        QTest::newRow("a path that is no device answers with the reason; the rest is read")
            << QStringList{QStringLiteral("/etc/shadow"), disk} << QStringList{} << 0 << QStringList{notDevice, records} << QStringList{}
            << QStringList{QStringLiteral("/dev/sdb1 0")};
        // A loop device or a stick a user set up is a block device, but the
        // administrator's fstab never names it.
        QTest::newRow("a block device that fstab does not name answers with the reason")
            << QStringList{QStringLiteral("/dev/mapper/vg-home"), disk} << QStringList{} << 0
            << QStringList{QStringLiteral("Device /dev/mapper/vg-home is not a block device"), records} << QStringList{}
            << QStringList{QStringLiteral("/dev/sdb1 0")};
        QTest::newRow("the kernel's refusal is each table's answer")
            << QStringList{disk} << QStringList{disk} << ESRCH << QStringList{offText} << QStringList{offText}
            << QStringList{QStringLiteral("/dev/sdb1 0"), QStringLiteral("/dev/sdb1 1")};
        QTest::newRow("no tables, no kernel call") << QStringList{} << QStringList{} << 0 << QStringList{} << QStringList{} << QStringList{};
    }

    void getQuotaTables()
    {
        QFETCH(QStringList, userDevices);
        QFETCH(QStringList, groupDevices);
        QFETCH(int, kernelError);
        QFETCH(QStringList, userAnswers);
        QFETCH(QStringList, groupAnswers);
        QFETCH(QStringList, tablesRead);

        for (quint32 id : {0u, 1000u}) {
            dqblk record{};
            record.dqb_isoftlimit = id + 1;
            record.dqb_valid = QIF_ALL;
            kernel.records.insert(id, record);
        }
        kernel.error = kernelError;
        const QByteArray ids = QuotaRecordBatch::encodeIds({1000, 1001});
        QVariantMap reply;
        QCOMPARE(run({{QStringLiteral("get_quota_tables"), QVariant()},
                      {QStringLiteral("user_devices"), userDevices},
                      {QStringLiteral("group_devices"), groupDevices},
                      {QStringLiteral("user_ids"), ids},
                      {QStringLiteral("group_ids"), ids}},
                     &reply),
                 QString());

        const auto answers = [this](const QVariantList &tables) {
            QStringList shown;
            for (const QVariant &table : tables) {
                QVector<QuotaRecordBatch::Entry> entries;
                if (table.userType() == QMetaType::QString || !QuotaRecordBatch::decodeRecords(table.toByteArray(), entries)) {
                    shown.append(table.toString());
                    continue;
                }
                QStringList text{QStringLiteral("ids")};
                for (const QuotaRecordBatch::Entry &entry : std::as_const(entries)) {
                    text.append(QString::number(entry.id));
                    if (!(entry.record == ProxyQuotaData(kernel.records.value(entry.id, dqblk{})))) {
                        text.append(QStringLiteral("(wrong record)"));
                    }
                }
                shown.append(text.join(QLatin1Char(' ')));
            }
            return shown;
        };
        QCOMPARE(answers(reply.value(QStringLiteral("user_records")).toList()), userAnswers);
        QCOMPARE(answers(reply.value(QStringLiteral("group_records")).toList()), groupAnswers);

        // Each table on its own device with its own kind, users first.
        QStringList read;
        for (const FakeQuotaKernel::Call &call : std::as_const(kernel.calls)) {
            const QString table = QStringLiteral("%1 %2").arg(QString::fromUtf8(call.device)).arg(call.command & 0xffu);
            if (!read.contains(table)) {
                read.append(table);
            }
        }
        QCOMPARE(read, tablesRead);
    }

    // A panel that knows no device yet names them as fstab does and takes
    // the blkid lines of the same run along.
    void getQuotaTablesWithBlkid_data()
    {
        QTest::addColumn<bool>("withBlkid");
        QTest::addColumn<QStringList>("userDevices");
        QTest::addColumn<QStringList>("userAnswers");
        QTest::addColumn<int>("blkidRuns");

        const QString records = QStringLiteral("ids 1000");
        QTest::newRow("a device named by its label, blkid run once for both")
            << true << QStringList{QStringLiteral("LABEL=home"), disk} << QStringList{records, records} << 1;
        QTest::newRow("a label blkid does not know answers with the reason")
            << true << QStringList{QStringLiteral("LABEL=gone")} << QStringList{QStringLiteral("Device LABEL=gone is not a block device")} << 1;
        QTest::newRow("a device fstab does not name answers with the reason")
            << true << QStringList{QStringLiteral("UUID=77")} << QStringList{QStringLiteral("Device /dev/sdc1 is not a block device")} << 1;
        QTest::newRow("no lines asked for: a label is no device")
            << false << QStringList{QStringLiteral("LABEL=home")} << QStringList{QStringLiteral("Device LABEL=home is not a block device")} << 0;
    }

    void getQuotaTablesWithBlkid()
    {
        QFETCH(bool, withBlkid);
        QFETCH(QStringList, userDevices);
        QFETCH(QStringList, userAnswers);
        QFETCH(int, blkidRuns);

        files.files.insert(QStringLiteral("/etc/fstab"), "LABEL=home /home ext4 defaults 0 2\n");
        processes.results.insert(QStringLiteral("blkid"),
                                 FakeProcessRunner::result(0, {}, "/dev/sdb1: LABEL=\"home\" TYPE=\"ext4\"\n/dev/sdc1: UUID=\"77\" TYPE=\"ext4\"\n"));
        dqblk record{};
        record.dqb_valid = QIF_ALL;
        kernel.records.insert(1000, record);
        QVariantMap args{{QStringLiteral("get_quota_tables"), QVariant()},
                         {QStringLiteral("user_devices"), userDevices},
                         {QStringLiteral("user_ids"), QuotaRecordBatch::encodeIds({1000})}};
        if (withBlkid) {
            args.insert(QStringLiteral("with_blkid_data"), true);
        }
        QVariantMap reply;
        QCOMPARE(run(args, &reply), QString());

        QStringList answers;
        for (const QVariant &table : reply.value(QStringLiteral("user_records")).toList()) {
            QVector<QuotaRecordBatch::Entry> entries;
            if (table.userType() == QMetaType::QByteArray && QuotaRecordBatch::decodeRecords(table.toByteArray(), entries)) {
                answers.append(QStringLiteral("ids %1").arg(entries.value(0).id));
            } else {
                answers.append(table.toString());
            }
        }
        QCOMPARE(answers, userAnswers);
        QCOMPARE(reply.contains(QStringLiteral("blkid_data")), withBlkid);
        if (withBlkid) {
            QCOMPARE(reply.value(QStringLiteral("blkid_data")).toStringList().value(0), QStringLiteral("/dev/sdb1: LABEL=\"home\" TYPE=\"ext4\""));
        }
        QCOMPARE(processes.calls.size(), blkidRuns);
    }

    void getQuotaTablesRefuses_data()
    {
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<QString>("error");

        const QByteArray ids = QuotaRecordBatch::encodeIds({1000});
        QStringList tooMany;
        for (int i = 0; i <= 256; ++i) {
            tooMany.append(disk);
        }
        QTest::newRow("no user ids for user tables") << QVariantMap{{QStringLiteral("user_devices"), QStringList{disk}}, {QStringLiteral("group_ids"), ids}}
                                                     << QStringLiteral("Invalid list of user or group ids");
        QTest::newRow("group ids that are not packed")
            << QVariantMap{{QStringLiteral("group_devices"), QStringList{disk}}, {QStringLiteral("group_ids"), QVariantList{1000}}}
            << QStringLiteral("Invalid list of user or group ids");
        QTest::newRow("more devices than a system holds")
            << QVariantMap{{QStringLiteral("user_devices"), tooMany}, {QStringLiteral("user_ids"), ids}} << QStringLiteral("Too many devices in one request");
    }

    void getQuotaTablesRefuses()
    {
        QFETCH(QVariantMap, args);
        QFETCH(QString, error);
        args.insert(QStringLiteral("get_quota_tables"), QVariant());
        QCOMPARE(run(args), error);
        QVERIFY(kernel.calls.isEmpty());
    }

    void setQuotaInfo_data()
    {
        QTest::addColumn<QVariant>("info");
        QTest::addColumn<QString>("error");
        QTest::addColumn<quint64>("hardLimit");
        QTest::addColumn<quint32>("valid");

        const auto record = [](quint64 valid, quint64 bhard, quint64 ihard = 0, quint64 btime = 0) {
            ProxyQuotaData data;
            data.dqb_bhardlimit = bhard;
            data.dqb_ihardlimit = ihard;
            data.dqb_btime = btime;
            data.dqb_valid = valid;
            return QVariant::fromValue(data);
        };
        const QString mask = QStringLiteral("The validity mask %1 sets more than limits and grace times");
        const quint64 maxBlocks = quint64(std::numeric_limits<qint64>::max()) / 1024;
        const quint64 maxValue = quint64(std::numeric_limits<qint64>::max());
        QTest::newRow("limits and times") << record(QIF_LIMITS | QIF_TIMES, 4096) << "" << quint64(4096) << quint32(QIF_LIMITS | QIF_TIMES);
        QTest::newRow("usage of space refused") << record(QIF_BLIMITS | QIF_SPACE, 4096) << mask.arg(QStringLiteral("0x3")) << quint64(0) << quint32(0);
        QTest::newRow("usage of inodes refused") << record(QIF_INODES, 0) << mask.arg(QStringLiteral("0x8")) << quint64(0) << quint32(0);
        QTest::newRow("unknown bit refused") << record(QIF_BLIMITS | 0x40, 1) << mask.arg(QStringLiteral("0x41")) << quint64(0) << quint32(0);
        QTest::newRow("bits above 31 refused") << record(0x1'0000'0000ull | QIF_BLIMITS, 4096) << mask.arg(QStringLiteral("0x100000001")) << quint64(0)
                                               << quint32(0);
        QTest::newRow("largest block limit") << record(QIF_BLIMITS, maxBlocks) << "" << maxBlocks << quint32(QIF_BLIMITS);
        QTest::newRow("block limit 2^54 would be no limit")
            << record(QIF_BLIMITS, 1ull << 54) << "The space limit of 18014398509481984 KiB is too large" << quint64(0) << quint32(0);
        QTest::newRow("block limit whose bytes turn negative")
            << record(QIF_BLIMITS, maxBlocks + 1) << "The space limit of 9007199254740992 KiB is too large" << quint64(0) << quint32(0);
        QTest::newRow("large block value outside the mask") << record(QIF_ILIMITS, 1ull << 60) << "" << quint64(1ull << 60) << quint32(QIF_ILIMITS);
        QTest::newRow("largest inode limit") << record(QIF_ILIMITS, 0, maxValue) << "" << quint64(0) << quint32(QIF_ILIMITS);
        QTest::newRow("inode limit above the kernel's")
            << record(QIF_ILIMITS, 0, maxValue + 1) << "The inode limit of 9223372036854775808 is too large" << quint64(0) << quint32(0);
        QTest::newRow("time above the kernel's") << record(QIF_BTIME, 0, 0, ~0ull) << "The time 18446744073709551615 is too large" << quint64(0) << quint32(0);
        QTest::newRow("missing record changes nothing") << QVariant() << "" << quint64(0) << quint32(0);
        QTest::newRow("foreign record changes nothing") << QVariant(QStringLiteral("4096")) << "" << quint64(0) << quint32(0);
    }

    void setQuotaInfo()
    {
        QFETCH(QVariant, info);
        QFETCH(QString, error);
        QFETCH(quint64, hardLimit);
        QFETCH(quint32, valid);
        QVariantMap args{{QStringLiteral("set_quota_info"), QVariant()}, {QStringLiteral("device_name"), disk}, {QStringLiteral("id"), 1000}};
        if (info.isValid()) {
            args.insert(QStringLiteral("info"), info);
        }
        QCOMPARE(run(args), error);
        if (!error.isEmpty()) {
            QVERIFY(kernel.calls.isEmpty());
            return;
        }
        QCOMPARE(kernel.calls.size(), 2);
        QCOMPARE(quint64(kernel.calls.last().quota.dqb_bhardlimit), hardLimit);
        QCOMPARE(kernel.calls.last().quota.dqb_valid, valid);
    }

    void setQuotaInfoOutOfRange_data()
    {
        QTest::addColumn<quint64>("blocks");
        QTest::addColumn<quint64>("inodes");
        QTest::addColumn<QString>("error");

        QTest::newRow("space limit past 32 bits named")
            << quint64(1ull << 33) << quint64(5) << "The space limit of 8589934592 KiB is more than the quota format of device /dev/sdb1 can keep";
        QTest::newRow("else the inode limit") << quint64(100) << quint64(1ull << 33)
                                              << "The inode limit of 8589934592 is more than the quota format of device /dev/sdb1 can keep";
    }

    // The old quota format keeps 32-bit limits; the kernel answers ERANGE.
    void setQuotaInfoOutOfRange()
    {
        QFETCH(quint64, blocks);
        QFETCH(quint64, inodes);
        QFETCH(QString, error);
        ProxyQuotaData data;
        data.dqb_bsoftlimit = blocks;
        data.dqb_isoftlimit = inodes;
        data.dqb_valid = QIF_LIMITS;
        kernel.error = ERANGE;
        QCOMPARE(run({{QStringLiteral("set_quota_info"), QVariant()},
                      {QStringLiteral("device_name"), disk},
                      {QStringLiteral("id"), 1000},
                      {QStringLiteral("info"), QVariant::fromValue(data)}}),
                 error);
    }

    void gracePeriod_data()
    {
        QTest::addColumn<QVariant>("bgrace");
        QTest::addColumn<QVariant>("igrace");
        QTest::addColumn<QString>("error");
        QTest::addColumn<quint64>("kernelBgrace");
        QTest::addColumn<quint64>("kernelIgrace");

        QTest::newRow("one week and one day") << QVariant(qulonglong(604800)) << QVariant(qulonglong(86400)) << "" << quint64(604800) << quint64(86400);
        QTest::newRow("largest 32-bit period") << QVariant(qulonglong(5)) << QVariant(qulonglong(0xffffffffull)) << "" << quint64(5) << quint64(0xffffffffull);
        QTest::newRow("2^32 s would be 0") << QVariant(qulonglong(0x1'0000'0000ull)) << QVariant(qulonglong(5))
                                           << "The grace period of 4294967296 seconds is too long" << quint64(0) << quint64(0);
        QTest::newRow("negative reads as huge") << QVariant(qulonglong(5)) << QVariant(-1) << "The grace period of 18446744073709551615 seconds is too long"
                                                << quint64(0) << quint64(0);
        QTest::newRow("missing reads as zero") << QVariant() << QVariant() << "" << quint64(0) << quint64(0);
    }

    void gracePeriod()
    {
        QFETCH(QVariant, bgrace);
        QFETCH(QVariant, igrace);
        QFETCH(QString, error);
        QFETCH(quint64, kernelBgrace);
        QFETCH(quint64, kernelIgrace);
        QCOMPARE(run({{QStringLiteral("set_device_grace_period"), QVariant()},
                      {QStringLiteral("device_name"), disk},
                      {QStringLiteral("bgrace"), bgrace},
                      {QStringLiteral("igrace"), igrace}}),
                 error);
        if (!error.isEmpty()) {
            QVERIFY(kernel.calls.isEmpty());
            return;
        }
        const dqinfo info = kernel.calls.first().info;
        QCOMPARE(quint64(info.dqi_bgrace), kernelBgrace);
        QCOMPARE(quint64(info.dqi_igrace), kernelIgrace);
        QCOMPARE(info.dqi_flags, 0u);
        QCOMPARE(info.dqi_valid, 7u);
    }

    void quotaSwitch_data()
    {
        QTest::addColumn<QVariant>("enable");
        QTest::addColumn<int>("type");
        QTest::addColumn<ProcessResult>("result");
        QTest::addColumn<bool>("onAfterwards");
        QTest::addColumn<bool>("internal");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("error");

        const QByteArray usingError =
            "quotaon: using /home/aquota.user on /dev/sdb1 [/home]: No such process\nquotaon: Quota format not supported in kernel.\n";
        QTest::newRow("on with the kernel agreeing") << QVariant(1) << 0 << FakeProcessRunner::result(0) << true << false << "quotaon"
                                                     << "-u"
                                                     << "";
        QTest::newRow("on with a notice on stderr") << QVariant(1) << 0 << FakeProcessRunner::result(0, "quotaon: Your kernel probably supports ...\n") << true
                                                    << false << "quotaon"
                                                    << "-u"
                                                    << "";
        QTest::newRow("already on stays a success") << QVariant(1) << 0 << FakeProcessRunner::result(1, "quotaon: ...: Device or resource busy\n") << true
                                                    << false << "quotaon"
                                                    << "-u"
                                                    << "";
        QTest::newRow("a using line while the kernel says off")
            << QVariant(1) << 0 << FakeProcessRunner::result(1, usingError) << false << false << "quotaon"
            << "-u" << QStringLiteral("Process quotaon -u /dev/sdb1 return error %1").arg(QString::fromUtf8(usingError).trimmed());
        QTest::newRow("silent failure reports the exit status") << QVariant(1) << 0 << FakeProcessRunner::result(4) << false << false << "quotaon"
                                                                << "-u"
                                                                << "Process quotaon -u /dev/sdb1 return error 4";
        QTest::newRow("boolean true switches on") << QVariant(true) << 0 << FakeProcessRunner::result(0) << true << false << "quotaon"
                                                  << "-u"
                                                  << "";
        QTest::newRow("groups off") << QVariant(0) << 1 << FakeProcessRunner::result(0) << false << false << "quotaoff"
                                    << "-g"
                                    << "";
        QTest::newRow("off while the kernel says on") << QVariant(false) << 7 << FakeProcessRunner::result(0) << true << false << "quotaoff"
                                                      << "-g"
                                                      << "Process quotaoff -g /dev/sdb1 return error 0";
        // The ext4 "quota" feature accounts from mount time on; only the
        // enforcement tells on from off.
        QTest::newRow("internal quota off while accounting goes on") << QVariant(0) << 0 << FakeProcessRunner::result(0) << false << true << "quotaoff"
                                                                     << "-u"
                                                                     << "";
        QTest::newRow("internal group quota on") << QVariant(1) << 1 << FakeProcessRunner::result(0) << true << true << "quotaon"
                                                 << "-g"
                                                 << "";
        QTest::newRow("internal quota that quotaon left unenforced") << QVariant(1) << 0 << FakeProcessRunner::result(0) << false << true << "quotaon"
                                                                     << "-u"
                                                                     << "Process quotaon -u /dev/sdb1 return error 0";
        ProcessResult notStarted;
        QTest::newRow("not started") << QVariant(1) << 0 << notStarted << true << false << "quotaon"
                                     << "-u"
                                     << "Process quotaon can not started";
        ProcessResult notFinished;
        notFinished.started = true;
        QTest::newRow("not finished") << QVariant(0) << 0 << notFinished << false << false << "quotaoff"
                                      << "-u"
                                      << "Process quotaoff can not finished";
    }

    void quotaSwitch()
    {
        QFETCH(QVariant, enable);
        QFETCH(int, type);
        QFETCH(ProcessResult, result);
        QFETCH(bool, onAfterwards);
        QFETCH(bool, internal);
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, error);
        processes.results.insert(program, result);
        // Only the state of the switched type counts.
        kernel.quotasOn.insert(type != 0 ? GRPQUOTA : USRQUOTA, onAfterwards);
        kernel.quotasOn.insert(type != 0 ? USRQUOTA : GRPQUOTA, !onAfterwards);
        kernel.internal = internal;
        QCOMPARE(run({{QStringLiteral("enable_device_quota"), QVariant()},
                      {QStringLiteral("device_name"), disk},
                      {QStringLiteral("type"), type},
                      {QStringLiteral("enable"), enable}}),
                 error);
        QCOMPARE(processes.calls.size(), 1);
        QCOMPARE(processes.calls.first().program, program);
        QCOMPARE(processes.calls.first().arguments, (QStringList{option, disk}));
        QCOMPARE(processes.calls.first().finishTimeoutMs, 30000);
    }

    void createQuotaFile_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("internal");
        QTest::addColumn<ProcessResult>("result");
        QTest::addColumn<QString>("createdFile");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");

        const QString noProjectFile = QStringLiteral("Folder quotas have no quota file: the file system keeps their records itself");
        QTest::newRow("user file") << 0 << false << FakeProcessRunner::result(0) << "/home/aquota.user" << QStringList{QStringLiteral("-um"), disk} << "";
        QTest::newRow("group file") << 1 << false << FakeProcessRunner::result(0) << "/home/aquota.group" << QStringList{QStringLiteral("-gm"), disk} << "";
        QTest::newRow("type 2 starts nothing") << 2 << false << FakeProcessRunner::result(0) << "" << QStringList() << noProjectFile;
        QTest::newRow("type 3 starts nothing") << 3 << false << FakeProcessRunner::result(0) << "" << QStringList()
                                               << "Unknown type option for createQuotaFiles";
        QTest::newRow("non-zero exit") << 0 << false << FakeProcessRunner::result(1, "quotacheck: Cannot find filesystem to check\n") << ""
                                       << QStringList{QStringLiteral("-um"), disk}
                                       << "Process /usr/sbin/quotacheck -um /dev/sdb1 return error quotacheck: Cannot find filesystem to check";
        QTest::newRow("success without the file") << 1 << false << FakeProcessRunner::result(0) << "/home/aquota.user"
                                                  << QStringList{QStringLiteral("-gm"), disk} << "Process /usr/sbin/quotacheck -gm /dev/sdb1 return error 0";
        QTest::newRow("not started") << 0 << false << ProcessResult() << "" << QStringList{QStringLiteral("-um"), disk}
                                     << "Process /usr/sbin/quotacheck -um /dev/sdb1 can not started";
        // quotacheck refuses a file system with the ext4 "quota" feature,
        // whose records exist from mkfs on.
        QTest::newRow("internal records need no quotacheck")
            << 0 << true << FakeProcessRunner::result(1, "quotacheck: Cannot find filesystem to check\n") << "" << QStringList() << "";
        QTest::newRow("internal group records need no quotacheck") << 1 << true << FakeProcessRunner::result(1) << "" << QStringList() << "";
        QTest::newRow("type 2 is refused on an internal device too") << 2 << true << FakeProcessRunner::result(0) << "" << QStringList() << noProjectFile;
    }

    void createQuotaFile()
    {
        QFETCH(int, type);
        QFETCH(bool, internal);
        QFETCH(ProcessResult, result);
        QFETCH(QString, createdFile);
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        processes.results.insert(QStringLiteral("/usr/sbin/quotacheck"), result);
        kernel.internal = internal;
        processes.onRun = [&](const QString &) {
            if (!createdFile.isEmpty()) {
                files.files.insert(createdFile, QByteArray());
            }
        };
        QCOMPARE(run({{QStringLiteral("create_quota_file"), QVariant()}, {QStringLiteral("device_name"), disk}, {QStringLiteral("type"), type}}), error);
        QCOMPARE(processes.calls.size(), arguments.isEmpty() ? 0 : 1);
        if (!arguments.isEmpty()) {
            QCOMPARE(processes.calls.first().arguments, arguments);
            QCOMPARE(processes.calls.first().finishTimeoutMs, int(ProcessRunner::NoLimit));
        }
    }

    void remount_data()
    {
        QTest::addColumn<ProcessResult>("result");
        QTest::addColumn<QString>("error");

        QTest::newRow("exit 0") << FakeProcessRunner::result(0) << "";
        QTest::newRow("exit 32") << FakeProcessRunner::result(32) << "Failed to remount device /dev/sdb1";
        QTest::newRow("not started") << ProcessResult() << "Failed to remount device /dev/sdb1";
        ProcessResult crashed = FakeProcessRunner::result(0);
        crashed.crashed = true;
        QTest::newRow("crashed") << crashed << "Failed to remount device /dev/sdb1";
    }

    void remount()
    {
        QFETCH(ProcessResult, result);
        QFETCH(QString, error);
        processes.results.insert(QStringLiteral("mount"), result);
        QCOMPARE(run({{QStringLiteral("remount_device"), QVariant()}, {QStringLiteral("device_name"), disk}}), error);
        QCOMPARE(processes.calls.first().arguments, (QStringList{disk, QStringLiteral("-o"), QStringLiteral("remount")}));
    }

    void deviceCheck_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("device");
        QTest::addColumn<bool>("accepted");

        for (const char *key : {"set_device_options", "enable_device_quota", "create_quota_file", "remount_device"}) {
            const QString k = QString::fromLatin1(key);
            QTest::addRow("%s: option injection", key) << k << QVariant(QStringLiteral("-a")) << false;
            QTest::addRow("%s: relative name", key) << k << QVariant(QStringLiteral("sdb1")) << false;
            QTest::addRow("%s: regular file", key) << k << QVariant(QStringLiteral("/etc/fstab")) << false;
            QTest::addRow("%s: missing name", key) << k << QVariant() << false;
            QTest::addRow("%s: mapper link resolved to its node", key) << k << QVariant(QStringLiteral("/dev/mapper/vg-home")) << true;
            // The fake file system calls these block devices; the name alone
            // must already keep them out.
            QTest::addRow("%s: block device outside /dev", key) << k << QVariant(QStringLiteral("/tmp/sdb1")) << false;
            QTest::addRow("%s: dot-dot through /dev", key) << k << QVariant(QStringLiteral("/dev/../dev/sdb1")) << false;
        }
    }

    void deviceCheck()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, device);
        QFETCH(bool, accepted);
        files.files.insert(QStringLiteral("/etc/fstab"), "/dev/mapper/vg-home /home ext4 defaults 0 2\n");
        files.deviceNodes.insert(QStringLiteral("/dev/mapper/vg-home"), QStringLiteral("/dev/dm-0"));
        const QByteArray fstab = files.files.value(QStringLiteral("/etc/fstab"));
        const QString error = run({{key, QVariant()}, {QStringLiteral("device_name"), device}, {QStringLiteral("enable"), 0}});
        if (accepted) {
            QVERIFY(!error.contains(QStringLiteral("is not a block device")));
            // The tools get the node, never the caller's name.
            if (!processes.calls.isEmpty()) {
                QVERIFY(!processes.calls.last().arguments.contains(device.toString()));
            }
            QVERIFY(processes.calls.isEmpty() || processes.calls.last().arguments.contains(QStringLiteral("/dev/dm-0")));
        } else {
            QCOMPARE(error, QStringLiteral("Device %1 is not a block device").arg(device.toString()));
            QVERIFY(processes.calls.isEmpty());
            QCOMPARE(files.files.value(QStringLiteral("/etc/fstab")), fstab);
        }
    }

    void blkidData_data()
    {
        QTest::addColumn<ProcessResult>("result");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("error");

        QTest::newRow("lines keep the empty end") << FakeProcessRunner::result(0, {}, "/dev/sda1: UUID=\"a\"\n/dev/sdb1: LABEL=\"home\"\n")
                                                  << QStringList{QStringLiteral("/dev/sda1: UUID=\"a\""),
                                                                 QStringLiteral("/dev/sdb1: LABEL=\"home\""),
                                                                 QStringLiteral("")}
                                                  << "";
        QTest::newRow("cut at the first zero byte") << FakeProcessRunner::result(0,
                                                                                 {},
                                                                                 QByteArray("/dev/sda1: UUID=\"a\"\n") + QByteArray(1, '\0') + "/dev/x\n")
                                                    << QStringList{QStringLiteral("/dev/sda1: UUID=\"a\""), QStringLiteral("")} << "";
        QTest::newRow("exit status is ignored") << FakeProcessRunner::result(2) << QStringList{QStringLiteral("")} << "";
        QTest::newRow("utf-8 label") << FakeProcessRunner::result(0, {}, "/dev/sdc1: LABEL=\"K\xc3\xbc\x63he\"")
                                     << QStringList{QStringLiteral("/dev/sdc1: LABEL=\"Küche\"")} << "";
        ProcessResult notFinished;
        notFinished.started = true;
        QTest::newRow("not started") << ProcessResult() << QStringList() << "Process blkid can not started";
        QTest::newRow("not finished") << notFinished << QStringList() << "Process blkid can not finished";
    }

    void blkidData()
    {
        QFETCH(ProcessResult, result);
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        processes.results.insert(QStringLiteral("blkid"), result);
        QVariantMap reply;
        QCOMPARE(run({{QStringLiteral("get_data"), QVariant()}}, &reply), error);
        QCOMPARE(reply.value(QStringLiteral("blkid_data")).toStringList(), lines);
        QCOMPARE(processes.calls.first().arguments, QStringList());
        QCOMPARE(processes.calls.first().startTimeoutMs, 30000);
    }

    void deviceResolution_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("fstab");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");

        const QString byUuid = QStringLiteral("UUID=2222 /home ext4 defaults 0 2\n");
        const QString byLabel = QStringLiteral("LABEL=home /home ext4 defaults 0 2\n");
        const QString byLink = QStringLiteral("/dev/disk/by-id/usb-x /home ext4 defaults 0 2\n");
        for (const char *key : {"enable_device_quota",
                                "create_quota_file",
                                "remount_device",
                                "set_device_grace_period",
                                "set_quota_info",
                                "get_quota_info",
                                "get_all_quota_info"}) {
            QTest::addRow("%s: named by path", key) << key << "/dev/sdb1 /home ext4 defaults 0 2\n" << disk << true;
            QTest::addRow("%s: named by uuid", key) << key << byUuid << disk << true;
            QTest::addRow("%s: named by label", key) << key << byLabel << disk << true;
            QTest::addRow("%s: entry names a link to it", key) << key << byLink << disk << true;
            QTest::addRow("%s: a link to a named device", key) << key << "/dev/sdb1 /home ext4 defaults 0 2\n"
                                                               << "/dev/disk/by-id/usb-x" << true;
            QTest::addRow("%s: not in fstab", key) << key << "/dev/sda1 / ext4 defaults 0 1\n" << disk << false;
            QTest::addRow("%s: only commented out", key) << key << "#/dev/sdb1 /home ext4 defaults 0 2\n" << disk << false;
            QTest::addRow("%s: uuid blkid does not know", key) << key << "UUID=9999 /home ext4 defaults 0 2\n" << disk << false;
            QTest::addRow("%s: a user's link", key) << key << "/dev/sdb1 /home ext4 defaults 0 2\n"
                                                    << "/dev/shm/x" << false;
            QTest::addRow("%s: entry naming a user's link", key) << key << "/dev/shm/x /home ext4 defaults 0 2\n" << disk << false;
            QTest::addRow("%s: no such file", key) << key << "/dev/sdb1 /home ext4 defaults 0 2\n"
                                                   << "/dev/none" << false;
        }
    }

    void deviceResolution()
    {
        QFETCH(QString, key);
        QFETCH(QString, fstab);
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        files.files.insert(QStringLiteral("/etc/fstab"), fstab.toUtf8());
        files.deviceNodes.insert(QStringLiteral("/dev/disk/by-id/usb-x"), disk);
        // The fake names only root's links; /dev/shm/x resolves to nothing.
        processes.results.insert(QStringLiteral("blkid"), FakeProcessRunner::result(0, {}, "/dev/sdb1: UUID=\"2222\" LABEL=\"home\" TYPE=\"ext4\"\n"));
        kernel.quotasOn.insert(0, true);
        const QString error = run({{key, QVariant()},
                                   {QStringLiteral("device_name"), name},
                                   {QStringLiteral("enable"), 1},
                                   {QStringLiteral("type"), 0},
                                   {QStringLiteral("ids"), QuotaRecordBatch::encodeIds({1000})}});
        if (!accepted) {
            QCOMPARE(error, QStringLiteral("Device %1 is not a block device").arg(name));
            QVERIFY(kernel.calls.isEmpty());
            for (const auto &call : std::as_const(processes.calls)) {
                QCOMPARE(call.program, QStringLiteral("blkid"));
            }
            return;
        }
        QVERIFY2(!error.contains(QStringLiteral("block device")), qPrintable(error));
        for (const auto &call : std::as_const(kernel.calls)) {
            QCOMPARE(call.device, disk.toUtf8());
        }
        for (const auto &call : std::as_const(processes.calls)) {
            QVERIFY(!call.arguments.contains(name) || name == disk);
        }
    }

    void deviceOptions_data()
    {
        QTest::addColumn<QString>("fstab");
        QTest::addColumn<ProcessResult>("blkid");
        QTest::addColumn<bool>("commitFails");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("after");

        const QStringList withQuota = {QStringLiteral("defaults"), QStringLiteral("usrquota")};
        const QString table = QStringLiteral("# static table\n/dev/sdb1 /home ext4 defaults 0 2\n");
        QTest::newRow("rewritten") << table << FakeProcessRunner::result(0) << false << withQuota << ""
                                   << QByteArray("# static table\n/dev/sdb1 /home ext4 defaults,usrquota 0 2\n");
        QTest::newRow("quota option removed") << QStringLiteral("/dev/sdb1 /home ext4 rw,usrquota,grpquota 0 2\n") << FakeProcessRunner::result(0) << false
                                              << QStringList{QStringLiteral("rw"), QStringLiteral("grpquota")} << ""
                                              << QByteArray("/dev/sdb1 /home ext4 rw,grpquota 0 2\n");
        QTest::newRow("foreign mount options refused")
            << QStringLiteral("/dev/sdb1 /home ext4 rw,relatime 0 2\n") << FakeProcessRunner::result(0) << false
            << QStringList{QStringLiteral("rw"),
                           QStringLiteral("relatime"),
                           QStringLiteral("suid"),
                           QStringLiteral("dev"),
                           QStringLiteral("exec"),
                           QStringLiteral("user")}
            << "Only the quota options of device /dev/sdb1 can be changed" << QByteArray("/dev/sdb1 /home ext4 rw,relatime 0 2\n");
        QTest::newRow("unreadable table") << QString() << FakeProcessRunner::result(0) << false << withQuota << "Device /dev/sdb1 is not a block device"
                                          << QByteArray();
        const QString withZero = QStringLiteral("/dev/sdb1 /home ext4 rw") + QChar(0) + QStringLiteral("x 0 2\n/dev/sda1 / ext4 rw 0 1\n");
        QTest::newRow("table with a zero byte is left alone")
            << withZero << FakeProcessRunner::result(0) << false << QStringList{QStringLiteral("rw"), QStringLiteral("usrquota")}
            << "Device /dev/sdb1 is not a block device" << withZero.toUtf8();
        const QString byUuid = QStringLiteral("UUID=2222 /home ext4 defaults 0 2\n");
        QTest::newRow("blkid failing leaves the table")
            << byUuid << ProcessResult() << false << withQuota << "Process blkid can not started" << byUuid.toUtf8();
        QTest::newRow("entry by uuid") << byUuid << FakeProcessRunner::result(0, {}, "/dev/sdb1: UUID=\"2222\" TYPE=\"ext4\"\n") << false << withQuota << ""
                                       << QByteArray("UUID=2222 /home ext4 defaults,usrquota 0 2\n");
        QTest::newRow("device without entry") << QStringLiteral("/dev/sda1 / ext4 defaults 0 1\n") << FakeProcessRunner::result(0) << false << withQuota
                                              << "Device /dev/sdb1 is not a block device" << QByteArray("/dev/sda1 / ext4 defaults 0 1\n");
        // The second entry keeps "ro,noauto,nofail"; its own escape stays.
        QTest::newRow("each entry keeps its options")
            << QStringLiteral("/dev/sdb1 /home ext4 defaults 0 2\n/dev/sdb1 /mnt/a\\040b ext4 ro,noauto,nofail,x-a=\\101 0 0\n") << FakeProcessRunner::result(0)
            << false << withQuota << ""
            << QByteArray("/dev/sdb1 /home ext4 defaults,usrquota 0 2\n/dev/sdb1 /mnt/a\\040b ext4 ro,noauto,nofail,x-a=\\101,usrquota 0 0\n");
        QTest::newRow("only a short entry") << QStringLiteral("/dev/sdb1 /home ext4\n") << FakeProcessRunner::result(0) << false << withQuota
                                            << "Device /dev/sdb1 is not a block device" << QByteArray("/dev/sdb1 /home ext4\n");
        QTest::newRow("failed commit leaves the table")
            << table << FakeProcessRunner::result(0) << true << withQuota << "Unable to write to file system description file" << table.toUtf8();
    }

    void deviceOptions()
    {
        QFETCH(QString, fstab);
        QFETCH(ProcessResult, blkid);
        QFETCH(bool, commitFails);
        QFETCH(QStringList, options);
        QFETCH(QString, error);
        QFETCH(QByteArray, after);
        files.files.remove(QStringLiteral("/etc/fstab"));
        if (!fstab.isNull()) {
            files.files.insert(QStringLiteral("/etc/fstab"), fstab.toUtf8());
        }
        files.failReplace = commitFails;
        processes.results.insert(QStringLiteral("blkid"), blkid);
        const QString r =
            run({{QStringLiteral("set_device_options"), QVariant()}, {QStringLiteral("device_name"), disk}, {QStringLiteral("options"), options}});
        QCOMPARE(r, error);
        QCOMPARE(files.files.value(QStringLiteral("/etc/fstab")), after);
    }

    // Project records travel like user and group records; XFS answers an
    // id it holds nothing for with ENOENT, which is no failure there.
    void projectTables_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("missingIsEnoent");
        QTest::addColumn<QVariant>("projectIds");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("answers");

        const QVariant ids = QuotaRecordBatch::encodeIds({10, 11});
        QTest::newRow("ext4 projects") << "ext4" << false << ids << "" << QStringList{QStringLiteral("ids 0 10 11")};
        QTest::newRow("XFS without a record for an id") << "xfs" << true << ids << "" << QStringList{QStringLiteral("ids 0 10 11")};
        QTest::newRow("ENOENT on ext4 stays the kernel's answer") << "ext4" << true << ids << "" << QStringList{QuotaRequest::quotactlErrorText(ENOENT)};
        QTest::newRow("project ids that are not packed")
            << "xfs" << false << QVariant(QVariantList{10}) << "Invalid list of user or group ids" << QStringList();
    }

    void projectTables()
    {
        QFETCH(QString, type);
        QFETCH(bool, missingIsEnoent);
        QFETCH(QVariant, projectIds);
        QFETCH(QString, error);
        QFETCH(QStringList, answers);
        files.types.insert(disk, type);
        kernel.missingIsEnoent = missingIsEnoent;
        dqblk record{};
        record.dqb_bhardlimit = 5;
        kernel.records.insert(0, record);
        kernel.records.insert(10, record);
        QVariantMap reply;
        QCOMPARE(run({{QStringLiteral("get_quota_tables"), QVariant()},
                      {QStringLiteral("project_devices"), QStringList{disk}},
                      {QStringLiteral("project_ids"), projectIds}},
                     &reply),
                 error);
        QStringList shown;
        for (const QVariant &table : reply.value(QStringLiteral("project_records")).toList()) {
            QVector<QuotaRecordBatch::Entry> entries;
            if (!QuotaRecordBatch::decodeRecords(table.toByteArray(), entries) || table.userType() == QMetaType::QString) {
                shown.append(table.toString());
                continue;
            }
            QString text = QStringLiteral("ids");
            for (const QuotaRecordBatch::Entry &entry : std::as_const(entries)) {
                text += QLatin1Char(' ') + QString::number(entry.id);
                QCOMPARE(entry.record.dqb_bhardlimit, quint64(kernel.records.value(entry.id).dqb_bhardlimit));
            }
            shown.append(text);
        }
        QCOMPARE(shown, answers);
        for (const FakeQuotaKernel::Call &call : std::as_const(kernel.calls)) {
            QCOMPARE(call.command & 0xffu, quint32(PRJQUOTA));
        }
        // A load without folders gets no project reply at all.
        QVERIFY(run({{QStringLiteral("get_quota_tables"), QVariant()}}, &reply).isEmpty());
        QVERIFY(!reply.contains(QStringLiteral("project_records")));
    }

    void singleRecordOnXfs_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("error");
        QTest::newRow("XFS: no record reads as zeros") << "xfs"
                                                       << "";
        QTest::newRow("ext4: the kernel's answer") << "ext4" << QuotaRequest::quotactlErrorText(ENOENT);
    }

    void singleRecordOnXfs()
    {
        QFETCH(QString, type);
        QFETCH(QString, error);
        files.types.insert(disk, type);
        kernel.missingIsEnoent = true;
        kernel.records.insert(1000, dqblk{});
        QVariantMap reply;
        QCOMPARE(
            run({{QStringLiteral("get_quota_info"), QVariant()}, {QStringLiteral("device_name"), disk}, {QStringLiteral("type"), 2}, {QStringLiteral("id"), 7}},
                &reply),
            error);
        QCOMPARE(reply.contains(QStringLiteral("quota_info")), error.isEmpty());
        QCOMPARE(kernel.calls.first().command, 0x80000702u);
    }

    // ext4 switches each kind with quotaon/quotaoff; XFS switches only
    // enforcement in the kernel, for kinds it was mounted to account.
    void projectAndXfsSwitch_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QList<int>>("accounted");
        QTest::addColumn<bool>("enforced");
        QTest::addColumn<int>("kernelError");
        QTest::addColumn<bool>("takesEffect");
        QTest::addColumn<QStringList>("run");
        QTest::addColumn<quint32>("switchCommand");
        QTest::addColumn<QString>("error");

        const QString noFeature = QStringLiteral(
            "The file system on device /dev/sdb1 was made without the \"project\" feature: add it with tune2fs -O project,quota while the device is "
            "unmounted");
        const QString notMounted = QStringLiteral("Device /dev/sdb1 was not mounted with the quota option %1, so its quotas cannot be switched on or off");
        const QList<int> projects{PRJQUOTA};
        QTest::newRow("ext4 projects on") << "ext4" << 2 << true << projects << false << 0 << true << QStringList{QStringLiteral("quotaon -P /dev/sdb1")} << 0u
                                          << "";
        QTest::newRow("ext4 projects off") << "ext4" << 2 << false << projects << true << 0 << true << QStringList{QStringLiteral("quotaoff -P /dev/sdb1")}
                                           << 0u << "";
        QTest::newRow("ext4 without the project feature") << "ext4" << 2 << true << QList<int>() << false << 0 << true << QStringList() << 0u << noFeature;
        QTest::newRow("XFS users on") << "xfs" << 0 << true << QList<int>{USRQUOTA} << false << 0 << true << QStringList() << 0x80000200u << "";
        QTest::newRow("XFS groups off") << "xfs" << 1 << false << QList<int>{GRPQUOTA} << true << 0 << true << QStringList() << 0x80000301u << "";
        QTest::newRow("XFS projects on") << "xfs" << 2 << true << projects << false << 0 << true << QStringList() << 0x80000202u << "";
        QTest::newRow("XFS not mounted with prjquota")
            << "xfs" << 2 << true << QList<int>{USRQUOTA, GRPQUOTA} << false << 0 << true << QStringList() << 0u << notMounted.arg(QStringLiteral("prjquota"));
        QTest::newRow("XFS not mounted with usrquota, switching off")
            << "xfs" << 0 << false << QList<int>() << false << 0 << true << QStringList() << 0u << notMounted.arg(QStringLiteral("usrquota"));
        QTest::newRow("XFS already off") << "xfs" << 1 << false << QList<int>{GRPQUOTA} << false << 0 << true << QStringList() << 0u << "";
        QTest::newRow("XFS refusing") << "xfs" << 0 << true << QList<int>{USRQUOTA} << false << EINVAL << true << QStringList() << 0x80000200u
                                      << QuotaRequest::quotactlErrorText(EINVAL);
        QTest::newRow("XFS taking the call without effect") << "xfs" << 0 << true << QList<int>{USRQUOTA} << false << 0 << false << QStringList() << 0x80000200u
                                                            << "The kernel took the request, but the quota enforcement of device /dev/sdb1 did not change";
    }

    void projectAndXfsSwitch()
    {
        QFETCH(QString, type);
        QFETCH(int, kind);
        QFETCH(bool, enable);
        QFETCH(QList<int>, accounted);
        QFETCH(bool, enforced);
        QFETCH(int, kernelError);
        QFETCH(bool, takesEffect);
        QFETCH(QStringList, run);
        QFETCH(quint32, switchCommand);
        QFETCH(QString, error);
        files.types.insert(disk, type);
        for (const int accountedKind : std::as_const(accounted)) {
            kernel.accountedKinds.insert(accountedKind);
        }
        kernel.quotasOn.insert(kind, enforced);
        kernel.switchTakesEffect = takesEffect;
        kernel.switchError = kernelError;
        // The tools do what they are asked; the kernel's state is the judge.
        processes.onRun = [&](const QString &) {
            kernel.quotasOn.insert(kind, enable);
        };
        QCOMPARE(this->run({{QStringLiteral("enable_device_quota"), QVariant()},
                            {QStringLiteral("device_name"), disk},
                            {QStringLiteral("type"), kind},
                            {QStringLiteral("enable"), enable ? 1 : 0}}),
                 error);
        QStringList started;
        for (const FakeProcessRunner::Call &call : std::as_const(processes.calls)) {
            started.append((QStringList{call.program} + call.arguments).join(QLatin1Char(' ')));
        }
        QCOMPARE(started, run);
        quint32 switched = 0;
        for (const FakeQuotaKernel::Call &call : std::as_const(kernel.calls)) {
            const quint32 subCommand = call.command >> SUBCMDSHIFT;
            if (subCommand == Q_QUOTAON || subCommand == Q_QUOTAOFF) {
                switched = call.command;
            }
        }
        QCOMPARE(switched, switchCommand);
    }

    void noQuotaFilesOnXfs()
    {
        files.types.insert(disk, QStringLiteral("xfs"));
        kernel.accountedKinds = {USRQUOTA, GRPQUOTA};
        for (const int type : {0, 1}) {
            QCOMPARE(run({{QStringLiteral("create_quota_file"), QVariant()}, {QStringLiteral("device_name"), disk}, {QStringLiteral("type"), type}}),
                     QStringLiteral("Device /dev/sdb1 holds an XFS file system, which keeps its quotas in its own metadata and has no quota files"));
        }
        QVERIFY(processes.calls.isEmpty());
    }

    // XFS takes only the periods: with the flags the whole call fails.
    void xfsGracePeriods()
    {
        files.types.insert(disk, QStringLiteral("xfs"));
        QCOMPARE(run({{QStringLiteral("set_device_grace_period"), QVariant()},
                      {QStringLiteral("device_name"), disk},
                      {QStringLiteral("type"), 2},
                      {QStringLiteral("bgrace"), 3600},
                      {QStringLiteral("igrace"), 60}}),
                 QString());
        QCOMPARE(kernel.calls.last().command, 0x80000602u);
        QCOMPARE(kernel.calls.last().info.dqi_valid, quint32(IIF_BGRACE | IIF_IGRACE));
        QCOMPARE(quint64(kernel.calls.last().info.dqi_bgrace), quint64(3600));
    }

    void xfsRemount_data()
    {
        QTest::addColumn<QString>("mountPoint");
        QTest::addColumn<QByteArray>("fstab");
        QTest::addColumn<QList<ProcessResult>>("results");
        QTest::addColumn<QStringList>("run");
        QTest::addColumn<QString>("error");

        const QByteArray fstab = "/dev/sdb1 /srv xfs defaults,usrquota,prjquota 0 2\n";
        const ProcessResult ok = FakeProcessRunner::result(0);
        const ProcessResult busy = FakeProcessRunner::result(32, "umount: /srv: target is busy.\n");
        const ProcessResult bad = FakeProcessRunner::result(32, "mount: /srv: wrong fs type.\n");
        const QString rootText = QStringLiteral(
            "The root file system cannot be unmounted while the system runs, and XFS takes quota options only when it is mounted: add rootflags=%1 to "
            "the kernel command line. Nothing changes before the next boot.");
        QTest::newRow("unmounted and mounted from its entry")
            << "/srv" << fstab << QList<ProcessResult>{ok, ok} << QStringList{QStringLiteral("umount /srv"), QStringLiteral("mount /dev/sdb1")} << "";
        QTest::newRow("busy") << "/srv" << fstab << QList<ProcessResult>{busy} << QStringList{QStringLiteral("umount /srv")}
                              << "Device /dev/sdb1 could not be unmounted to take its new quota options, most likely because it is in use: umount: /srv: "
                                 "target is busy.";
        QTest::newRow("entry refused, mounted back without it")
            << "/srv" << fstab << QList<ProcessResult>{ok, bad, ok}
            << QStringList{QStringLiteral("umount /srv"), QStringLiteral("mount /dev/sdb1"), QStringLiteral("mount /dev/sdb1 /srv")}
            << "Device /dev/sdb1 could not be mounted with the options of the file systems description file, so it was mounted at /srv again without "
               "them: mount: /srv: wrong fs type.";
        QTest::newRow("not even mounted back") << "/srv" << fstab << QList<ProcessResult>{ok, bad, bad}
                                               << QStringList{QStringLiteral("umount /srv"),
                                                              QStringLiteral("mount /dev/sdb1"),
                                                              QStringLiteral("mount /dev/sdb1 /srv")}
                                               << "Device /dev/sdb1 could not be mounted again and is not mounted now: mount: /srv: wrong fs type.";
        QTest::newRow("root names its quota options") << "/" << QByteArray("/dev/sdb1 / xfs defaults,uquota,prjquota 0 1\n") << QList<ProcessResult>()
                                                      << QStringList() << rootText.arg(QStringLiteral("uquota,prjquota"));
        QTest::newRow("root without quota options") << "/" << QByteArray("/dev/sdb1 / xfs defaults 0 1\n") << QList<ProcessResult>() << QStringList()
                                                    << rootText.arg(QStringLiteral("noquota"));
    }

    void xfsRemount()
    {
        QFETCH(QString, mountPoint);
        QFETCH(QByteArray, fstab);
        QFETCH(QList<ProcessResult>, results);
        QFETCH(QStringList, run);
        QFETCH(QString, error);
        files.types.insert(disk, QStringLiteral("xfs"));
        files.mountPoints.insert(disk, mountPoint);
        files.files.insert(QStringLiteral("/etc/fstab"), fstab);
        processes.onRun = [&](const QString &program) {
            processes.results.insert(program, results.isEmpty() ? ProcessResult() : results.takeFirst());
        };
        QCOMPARE(this->run({{QStringLiteral("remount_device"), QVariant()}, {QStringLiteral("device_name"), disk}}), error);
        QStringList started;
        for (const FakeProcessRunner::Call &call : std::as_const(processes.calls)) {
            started.append((QStringList{call.program} + call.arguments).join(QLatin1Char(' ')));
        }
        QCOMPARE(started, run);
    }

    // Every check of the two folder requests: the refused case and the
    // accepted one beside it. Nothing is walked unless all pass.
    void folderProject_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QVariant>("folder");
        QTest::addColumn<QVariant>("id");
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QString>("error");
        // The id the walk got, -1 for no walk.
        QTest::addColumn<qlonglong>("walked");

        const QString set = QStringLiteral("set_folder_project");
        const QString clear = QStringLiteral("clear_folder_project");
        const QVariant alpha = QStringLiteral("/home/alpha");
        const QString notPlain = QStringLiteral("The folder \"%1\" must be an absolute path without \".\" or \"..\" parts, empty parts or control characters");
        const QString idRange = QStringLiteral("The project id %1 is not a number from 1 to 4294967294");
        const int reached = FolderTree::Reached;
        QTest::newRow("a folder on the device") << set << disk << alpha << QVariant(10) << reached << "" << 10ll;
        QTest::newRow("the mount point itself") << set << disk << QVariant(QStringLiteral("/home")) << QVariant(10u) << reached << "" << 10ll;
        QTest::newRow("cleared") << clear << disk << alpha << QVariant() << reached << "" << 0ll;
        QTest::newRow("the largest id") << set << disk << alpha << QVariant(qulonglong(4294967294u)) << reached << "" << 4294967294ll;
        QTest::newRow("id past the largest") << set << disk << alpha << QVariant(qulonglong(4294967295u)) << reached << idRange.arg(4294967295u) << -1ll;
        QTest::newRow("id 0") << set << disk << alpha << QVariant(0) << reached << idRange.arg(0) << -1ll;
        QTest::newRow("negative id") << set << disk << alpha << QVariant(-5) << reached << idRange.arg(-5) << -1ll;
        QTest::newRow("id as text") << set << disk << alpha << QVariant(QStringLiteral("10")) << reached << idRange.arg(10) << -1ll;
        QTest::newRow("no id") << set << disk << alpha << QVariant() << reached << idRange.arg(QString()) << -1ll;
        QTest::newRow("relative") << set << disk << QVariant(QStringLiteral("home/alpha")) << QVariant(10) << reached
                                  << notPlain.arg(QStringLiteral("home/alpha")) << -1ll;
        QTest::newRow("dot-dot") << clear << disk << QVariant(QStringLiteral("/home/../etc")) << QVariant() << reached
                                 << notPlain.arg(QStringLiteral("/home/../etc")) << -1ll;
        QTest::newRow("dot") << set << disk << QVariant(QStringLiteral("/home/./alpha")) << QVariant(10) << reached
                             << notPlain.arg(QStringLiteral("/home/./alpha")) << -1ll;
        QTest::newRow("empty part") << set << disk << QVariant(QStringLiteral("/home//alpha")) << QVariant(10) << reached
                                    << notPlain.arg(QStringLiteral("/home//alpha")) << -1ll;
        QTest::newRow("trailing slash") << set << disk << QVariant(QStringLiteral("/home/alpha/")) << QVariant(10) << reached
                                        << notPlain.arg(QStringLiteral("/home/alpha/")) << -1ll;
        QTest::newRow("line break") << set << disk << QVariant(QStringLiteral("/home/a\n11:/etc")) << QVariant(10) << reached
                                    << notPlain.arg(QStringLiteral("/home/a\n11:/etc")) << -1ll;
        QTest::newRow("a list for a folder") << set << disk << QVariant(QStringList{QStringLiteral("/home/alpha")}) << QVariant(10) << reached
                                             << notPlain.arg(QStringLiteral("/home/alpha")) << -1ll;
        QTest::newRow("beside the mount point") << set << disk << QVariant(QStringLiteral("/homework")) << QVariant(10) << reached
                                                << "The folder /homework is not on device /dev/sdb1" << -1ll;
        QTest::newRow("a device fstab does not name") << set << QStringLiteral("/dev/mapper/vg-home") << alpha << QVariant(10) << reached
                                                      << "Device /dev/mapper/vg-home is not a block device" << -1ll;
        QTest::newRow("a device that is not mounted") << set << QStringLiteral("/dev/sdc1") << alpha << QVariant(10) << reached
                                                      << "Device /dev/sdc1 is not mounted" << -1ll;
        QTest::newRow("missing") << set << disk << alpha << QVariant(10) << int(FolderTree::Missing) << "The folder /home/alpha does not exist" << 10ll;
        QTest::newRow("a link on the way") << clear << disk << alpha << QVariant() << int(FolderTree::LinkOnTheWay)
                                           << "The folder /home/alpha is a symbolic link or lies behind one" << 0ll;
        QTest::newRow("a file") << set << disk << alpha << QVariant(10) << int(FolderTree::NotADirectory) << "/home/alpha is not a folder" << 10ll;
        QTest::newRow("a mount below the device's") << set << disk << alpha << QVariant(10) << int(FolderTree::OtherFileSystem)
                                                    << "The folder /home/alpha is not on device /dev/sdb1" << 10ll;
        QTest::newRow("unreachable") << set << disk << alpha << QVariant(10) << int(FolderTree::Unreachable)
                                     << QStringLiteral("The folder /home/alpha cannot be opened: ") + QString::fromLocal8Bit(std::strerror(EACCES)) << 10ll;
        QTest::newRow("entries that kept their id") << set << disk << alpha << QVariant(10) << -1
                                                    << QStringLiteral(
                                                           "2 of the files and folders in /home/alpha kept their old project id; the first was /home/alpha/x: ")
                + QString::fromLocal8Bit(std::strerror(EPERM))
                                                    << 10ll;
    }

    void folderProject()
    {
        QFETCH(QString, request);
        QFETCH(QString, device);
        QFETCH(QVariant, folder);
        QFETCH(QVariant, id);
        QFETCH(int, refusal);
        QFETCH(QString, error);
        QFETCH(qlonglong, walked);
        files.blockDevices.insert(QStringLiteral("/dev/sdc1"));
        files.files.insert(QStringLiteral("/etc/fstab"), "/dev/sdb1 /home ext4 defaults 0 2\n/dev/sdc1 /srv ext4 defaults 0 2\n");
        if (refusal < 0) {
            folders.result.failed = 2;
            folders.result.firstFailure = QStringLiteral("/home/alpha/x");
            folders.result.error = EPERM;
        } else {
            folders.result.refusal = FolderTree::Refusal(refusal);
            folders.result.error = EACCES;
        }
        QVariantMap args{{request, QVariant()}, {QStringLiteral("device_name"), device}, {QStringLiteral("folder"), folder}};
        if (id.isValid()) {
            args.insert(QStringLiteral("id"), id);
        }
        QCOMPARE(run(args), error);
        QCOMPARE(folders.calls.size(), walked < 0 ? 0 : 1);
        if (walked >= 0) {
            QCOMPARE(folders.calls.first().device, device);
            QCOMPARE(folders.calls.first().folder, folder.toString());
            QCOMPARE(qlonglong(folders.calls.first().id), walked);
        }
        QVERIFY(files.replaced.isEmpty());
    }

    void projectEntries_data()
    {
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<QByteArray>("projects");
        QTest::addColumn<QByteArray>("projid");
        QTest::addColumn<QString>("failingPath");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("projectsAfter");
        QTest::addColumn<QByteArray>("projidAfter");

        const auto add = [](const QVariant &id, const QVariant &name, const QString &folder) {
            return QVariantMap{{QStringLiteral("add_project_entry"), QVariant()},
                               {QStringLiteral("id"), id},
                               {QStringLiteral("project_name"), name},
                               {QStringLiteral("folder"), folder}};
        };
        const auto remove = [](const QVariant &id) {
            return QVariantMap{{QStringLiteral("remove_project_entry"), QVariant()}, {QStringLiteral("id"), id}};
        };
        const QVariantMap alpha = add(10, QStringLiteral("alpha"), QStringLiteral("/srv/alpha"));
        const QByteArray projects = "# folders\n\n1:/srv/one\n";
        const QByteArray projid = "# names\none:1\n";
        const QString badName = QStringLiteral("The project name \"%1\" must begin with a letter or '_' and hold at most 32 letters, digits, '_', '.' and '-'");
        const QString idTaken = QStringLiteral("The project id 10 is already in use");
        QTest::newRow("added to new files") << alpha << QByteArray() << QByteArray() << ""
                                            << "" << QByteArray("10:/srv/alpha\n") << QByteArray("alpha:10\n");
        QTest::newRow("added after every other line") << alpha << projects << QByteArray("# names\none:1") << ""
                                                      << "" << projects + "10:/srv/alpha\n"
                                                      << QByteArray("# names\none:1\nalpha:10\n");
        QTest::newRow("an id with a folder") << alpha << QByteArray("10:/srv/x\n") << projid << "" << idTaken << QByteArray("10:/srv/x\n") << projid;
        QTest::newRow("an id with a name only") << alpha << projects << QByteArray("other:10\n") << "" << idTaken << projects << QByteArray("other:10\n");
        QTest::newRow("an id spelt with a zero") << alpha << QByteArray("010:/srv/x\n") << projid << "" << idTaken << QByteArray("010:/srv/x\n") << projid;
        QTest::newRow("a name in use") << alpha << projects << QByteArray("alpha:3\n") << ""
                                       << "The project name alpha is already in use" << projects << QByteArray("alpha:3\n");
        QTest::newRow("a folder in use") << alpha << QByteArray("4:/srv/alpha\n") << projid << ""
                                         << "The folder /srv/alpha already belongs to project 4" << QByteArray("4:/srv/alpha\n") << projid;
        QTest::newRow("a name of 32") << add(10, QString(32, QLatin1Char('a')), QStringLiteral("/srv/a")) << QByteArray() << QByteArray() << ""
                                      << "" << QByteArray("10:/srv/a\n") << QString(32, QLatin1Char('a')).toUtf8() + ":10\n";
        for (const QString &name : {QString(33, QLatin1Char('a')), QStringLiteral("1st"), QStringLiteral("a b"), QStringLiteral("a:b"), QString()}) {
            QTest::addRow("name \"%s\"", qPrintable(name))
                << add(10, name, QStringLiteral("/srv/a")) << projects << projid << "" << badName.arg(name) << projects << projid;
        }
        QTest::newRow("a name that is no text") << add(10, QStringList{QStringLiteral("alpha")}, QStringLiteral("/srv/a")) << projects << projid << ""
                                                << badName.arg(QStringLiteral("alpha")) << projects << projid;
        QTest::newRow("a folder with a line break") << add(10, QStringLiteral("alpha"), QStringLiteral("/srv/a\n2:/etc")) << projects << projid << ""
                                                    << "The folder \"/srv/a\n2:/etc\" must be an absolute path without \".\" or \"..\" parts, empty "
                                                       "parts or control characters"
                                                    << projects << projid;
        QTest::newRow("id 0") << add(0, QStringLiteral("alpha"), QStringLiteral("/srv/a")) << projects << projid << ""
                              << "The project id 0 is not a number from 1 to 4294967294" << projects << projid;
        QTest::newRow("first file not written") << alpha << projects << projid << "/etc/projects"
                                                << "Unable to write /etc/projects" << projects << projid;
        QTest::newRow("second file not written puts the first back") << alpha << projects << projid << "/etc/projid"
                                                                     << "Unable to write /etc/projid" << projects << projid;
        QTest::newRow("removed from both, every spelling")
            << remove(7) << QByteArray("# c\n7:/srv/a\n1:/srv/one\n007:/srv/b\n") << QByteArray("a:7\none:1\n\n") << ""
            << "" << QByteArray("# c\n1:/srv/one\n") << QByteArray("one:1\n\n");
        QTest::newRow("the last entries removed take their files along") << remove(10) << QByteArray("10:/srv/alpha\n") << QByteArray("alpha:10\n") << ""
                                                                         << "" << QByteArray() << QByteArray();
        QTest::newRow("a failed first add leaves no file behind") << alpha << QByteArray() << QByteArray() << "/etc/projid"
                                                                  << "Unable to write /etc/projid" << QByteArray() << QByteArray();
        QTest::newRow("removing what is not there writes nothing") << remove(9) << projects << projid << "/etc/projects"
                                                                   << "" << projects << projid;
        QTest::newRow("removing with a bad id") << remove(QStringLiteral("1")) << projects << projid << ""
                                                << "The project id 1 is not a number from 1 to 4294967294" << projects << projid;
    }

    void projectEntries()
    {
        QFETCH(QVariantMap, args);
        QFETCH(QByteArray, projects);
        QFETCH(QByteArray, projid);
        QFETCH(QString, failingPath);
        QFETCH(QString, error);
        QFETCH(QByteArray, projectsAfter);
        QFETCH(QByteArray, projidAfter);
        const QString projectsPath = QStringLiteral("/etc/projects");
        const QString projidPath = QStringLiteral("/etc/projid");
        if (!projects.isNull()) {
            files.files.insert(projectsPath, projects);
        }
        if (!projid.isNull()) {
            files.files.insert(projidPath, projid);
        }
        if (!failingPath.isEmpty()) {
            files.failPaths.insert(failingPath);
        }
        QCOMPARE(run(args), error);
        // A null expectation: no file at all.
        QCOMPARE(files.files.contains(projectsPath), !projectsAfter.isNull());
        QCOMPARE(files.files.contains(projidPath), !projidAfter.isNull());
        QCOMPARE(files.files.value(projectsPath), projectsAfter);
        QCOMPARE(files.files.value(projidPath), projidAfter);
        // Both are read by every user's tools.
        for (const QString &path : {projectsPath, projidPath}) {
            if (files.modes.contains(path)) {
                QCOMPARE(files.modes.value(path), mode_t(0644));
            }
        }
    }
};

QTEST_GUILESS_MAIN(QuotaRequestTest)

#include "quotarequesttest.moc"
