// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/proxyquotadata.h"
#include "fakehelperexecutor.h"
#include "plugin/model/members/quotakernelquery.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <functional>

// A small simulated machine for the unit tier: mount tables written to a
// temporary folder, blkid lines, the kernel's quota state and a helper that
// changes all of these the way the real one would. It is the kernel query
// the tests hand to the panel's classes, executor() the helper executor;
// while it lives the table reader reads its tables and asks its helper.
class FakeSystem : public QuotaKernelQuery
{
public:
    struct Device {
        QString path; // block device path, /dev/...
        QString fsSpec; // first field of its fstab entry
        QString type = QStringLiteral("ext4");
        QString blkidPairs; // extra pairs of its blkid line, e.g. UUID="x"
        bool inFstab = true;
        QStringList fstabOptions = {QStringLiteral("defaults")};
        bool mounted = true;
        QStringList mountOptions = {QStringLiteral("rw"), QStringLiteral("relatime")};
        // Enforcement per kind (the kernel's limits switch).
        bool quotaOn[3] = {false, false, false};
        // The ext4 "quota" feature: records in hidden inodes, accounted for
        // every kind while mounted, no quota files.
        bool internalQuota = false;
        // Folder (project) quotas: accounted as with the ext4 "project"
        // feature, enforced once switched on (quotaOn[2]; projectsOn is
        // the same switch, taken over when the device is added).
        bool projectsAccounted = false;
        bool projectsOn = false;
        // Mounted on / (XFS: counting only through the kernel command line).
        bool root = false;
        quint32 blockGrace[3] = {0, 0, 0};
        quint32 inodeGrace[3] = {0, 0, 0};
        QString mountDir; // filled by addDevice
    };

    struct Call {
        QString action; // "access" or "change"
        QString command; // the sub-command key
        QVariantMap arguments;
    };

    FakeSystem();
    ~FakeSystem() override;

    // Adds the device and rewrites the tables; returns its mount folder.
    QString addDevice(const Device &device);
    Device &device(const QString &path);
    // Extra text lines for fstab/mtab (tmpfs, proc, comments).
    void addRawFstabLine(const QString &line);
    void writeTables();

    void createQuotaFile(const QString &path, int type);
    bool quotaFileExists(const QString &path, int type) const;

    // Records handed out by get_quota_info, keyed by (device, type, id).
    void setRecord(const QString &path, int type, int id, const ProxyQuotaData &record);
    ProxyQuotaData record(const QString &path, int type, int id) const;

    // Makes the next request with this sub-command fail with the text.
    void failNext(const QString &command, const QString &text, const QString &device = QString());
    // Makes create_quota_file succeed without creating anything.
    bool quotacheckCreatesFile = true;
    // Makes remount_device ignore fstab (the option never reaches the mount).
    bool remountAppliesFstab = true;

    // When set, get_data answers these lines instead of the devices' own.
    QStringList blkidLines;
    // What get_data answers.
    QStringList blkidOutput() const;

    QList<Call> calls;
    // "command device [detail]" of every change request, in order.
    QStringList changeLog() const;
    int count(const QString &command) const;

    // The project files the folder requests edit; empty until written.
    QString projectsPath() const;
    QString projidPath() const;
    void writeProjectFiles(const QByteArray &projects, const QByteArray &projid);
    QByteArray projectsContent() const;
    QByteArray projidContent() const;
    // Project id per folder as set_folder_project left it.
    QMap<QString, quint32> folderIds;

    FakeHelperExecutor &executor();
    // How the helper answers one request; executor() asks this.
    using Result = HelperActionExecutor::Result;
    virtual Result answer(const QString &actionName, const QVariantMap &arguments, int timeoutMs);
    int getState(const QByteArray &device, fs_quota_statv *state) override;
    int getInfo(const QByteArray &device, int type, dqinfo *info) override;

    QList<int> timeouts;
    // Called with the sub-command while each request "runs".
    std::function<void(const QString &)> onRequest;

private:
    QString commandOf(const QVariantMap &arguments) const;
    Result handleChange(const QString &command, const QVariantMap &arguments);
    Result readAll(const QString &path, int type, const QByteArray &packedIds);
    QString quotaFilePath(const QString &path, int type) const;

    FakeHelperExecutor m_executor;
    QTemporaryDir m_dir;
    QList<Device> m_devices;
    QStringList m_rawFstab;
    QMap<QString, ProxyQuotaData> m_records;
    QString m_failCommand;
    QString m_failText;
    QString m_failDevice;
};
