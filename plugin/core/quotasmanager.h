// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/projectfile.h"
#include "common/proxyquotadata.h"
#include "common/settingsid.h"
#include "platform/users/groupinfo.h"
#include "platform/users/userinfo.h"
#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/members/quotastorage.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/system/actionquotachangewrapper.h"
#include "plugin/system/devicedatainformation.h"
#include "plugin/system/quotarecordreader.h"

#include <QList>
#include <QMap>
#include <QObject>

#include <functional>
#include <memory>

class DeviceQuotaFacts;
class HelperActionExecutor;
class QuotaKernelQuery;

// Holds all quota data of all devices, users and groups, and turns edits
// into ordered helper actions. A load reads each device's records of each
// kind in one batch through the record reader. The objects of the previous
// load are freed once dataChanged() has handed the new ones to the tabs.
// The apply operations throw std::runtime_error and catch nothing.
class QuotasManager : public QObject
{
    Q_OBJECT

public:
    // Asks the helper through KAuth and the kernel itself.
    explicit QuotasManager(QObject *parent = nullptr);
    // Asks through the seams the panel hands down, which must outlive the
    // manager; the records are read through `executor` unless a reader is
    // given.
    QuotasManager(HelperActionExecutor &executor, QuotaKernelQuery &kernel, QObject *parent = nullptr);
    QuotasManager(HelperActionExecutor &executor, QuotaKernelQuery &kernel, std::unique_ptr<QuotaRecordReader> reader, QObject *parent = nullptr);
    ~QuotasManager() override;

    // Full (re)load; a reload emits dataChanged() once at its end.
    void update();
    // Empties the containers without deleting anything: the tabs may still
    // show those objects until the next load's dataChanged().
    void resetData();

    QMap<QString, QuotaStorage *> quotaStorages() const;
    QList<SettingsDeviceQuota *> userSettings() const;
    QList<SettingsDeviceQuota *> groupSettings() const;
    // One entry per folder of the project files that lies on a device whose
    // folder quotas are accounted, with its data on that device alone.
    QList<SettingsDeviceQuota *> projectSettings() const;
    // The devices of the last load that account folder quotas, with their
    // mount points.
    QMap<QString, QString> folderDevices() const;
    // The lowest free project id above every id the project files name, as
    // the last load read them.
    quint32 nextProjectId() const;
    // The device (of `mountPoints`, device -> mount point) whose file system
    // holds `folder`: the one with the deepest mount point above it; empty
    // when there is none.
    static QString folderDevice(const QString &folder, const QMap<QString, QString> &mountPoints);

    // The current state of one device for one kind, read afresh.
    DeviceDataInformation graceDeviceData(const QString &device, SettingsId type) const;

    // The kernel record to write for a member's edited limits.
    ProxyQuotaData proxyData(const MemberQuotaData &data) const;
    void enableFstabQuotaOption(const QString &device, SettingsId type, bool enable);
    // Brings one device to the wanted state for one kind; returns true or
    // throws.
    bool setDeviceData(const DeviceDataInformation &data, SettingsId type);
    // Applies the general tab: every device, users then groups; then reloads.
    void setGeneralSettings(const QMap<QString, QuotaStorage *> &storages);
    // Writes one member's limits on each device of its table whose values
    // differ from the loaded ones, then reloads; a device left as loaded is
    // not touched at all. Returns how many devices were written; a failure
    // names the member, the device and the helper's reason.
    int updateSettingsQuota(const SettingsDeviceQuota &settings);
    // Writes the limits named by `fields` (LimitFieldId bits, taken from
    // `limits`) for every member on one device; each member keeps its other
    // limits and its grace times. The device is prepared once, and only if
    // some member's limits change; one reload at the end. A member the
    // helper refuses does not stop the others; the error names each such
    // member. Returns how many members were written.
    int setMembersLimits(const QList<SettingsDeviceQuota *> &members, const QString &device, const MemberQuotaData &limits, int fields);

    // Gives `folder` on `device` the project `id`, records it in the project
    // files under `name` and sets its limits; then reloads. Nothing is left
    // half done when a step before the limits fails.
    void addFolder(const QString &device, const QString &folder, const QString &name, quint32 id, const MemberQuotaData &limits);
    // Clears the folder's limits, takes its project id off the files
    // beneath unless they keep it, and takes its project out of both files;
    // then reloads.
    void removeFolder(const SettingsDeviceQuota &folder, bool keepProjectIds);

    // Where the project files are read from; tests point elsewhere.
    void setProjectFilePaths(const QString &projects, const QString &projid);

    // The account directory; tests replace it, the default asks the
    // system's name service.
    using UsersSource = std::function<QList<UserInfo>()>;
    using GroupsSource = std::function<QList<GroupInfo>()>;
    void setAccountDirectory(const UsersSource &users, const GroupsSource &groups);

Q_SIGNALS:
    void dataChanged();

private:
    QuotasManager(HelperActionExecutor *executor, QuotaKernelQuery *kernel, std::unique_ptr<QuotaRecordReader> reader, QObject *parent);
    void requireMounted(const QString &device) const;
    void listTables(const QVector<quint32> &userIds, const QVector<quint32> &groupIds, QHash<QString, QuotaRecordReader::TableRecords> listed[2]);
    QList<SettingsDeviceQuota *> loadMembers(const QList<Member> &accounts,
                                             SettingsId type,
                                             const QStringList &devices,
                                             const QHash<QString, DeviceQuotaFacts> &facts,
                                             const QVector<quint32> &ids,
                                             const QHash<QString, QuotaRecordReader::TableRecords> &records);
    void freeRetired();
    // The folders of the project files on `mountPoints`' devices, with the
    // records read for them; reads the project files.
    // What a load knows of a device's folder quotas.
    struct FolderDeviceFacts {
        QString filesystem;
        GraceTimePeriod grace;
        bool enforced = false;
    };
    QList<SettingsDeviceQuota *> loadFolders(const QList<ProjectFolder> &folders,
                                             const QHash<QString, QuotaRecordReader::TableRecords> &records,
                                             const QHash<QString, FolderDeviceFacts> &facts);
    void readProjectFiles();
    // Folder limits need the project accounted (nothing to prepare beyond
    // that); user and group limits are prepared as ever.
    bool prepareForLimits(const QString &device, SettingsId type);
    void requireFolderQuotas(const QString &device) const;
    // The member of the last load with this id, or nullptr.
    const SettingsDeviceQuota *loadedMember(SettingsId type, int id) const;
    // The fstab option, the quota file and quotas on; returns whether the
    // helper switched quotas on, so limits can be written.
    bool prepareDeviceForLimits(const QString &device, SettingsId type);
    // Folders, and every kind on XFS, are counted by the file system from
    // mount time on, without quota files: writes the fstab option and
    // mounts the device again where it does not count the kind yet. False
    // when that has to wait for the next boot (XFS as the root file
    // system); throws when the file system cannot count the kind.
    bool startMetadataAccounting(const QString &device, SettingsId type);
    // The quota options fstab gives the device, as rootflags= takes them.
    QString rootFlags(const QString &device) const;

    // The real seams when none were handed down.
    std::unique_ptr<HelperActionExecutor> m_ownExecutor;
    std::unique_ptr<QuotaKernelQuery> m_ownKernel;
    HelperActionExecutor *m_executor;
    QuotaKernelQuery *m_kernel;
    QList<SettingsDeviceQuota *> m_userSettings;
    QMap<QString, QuotaStorage *> m_quotaStorages;
    QList<SettingsDeviceQuota *> m_groupSettings;
    QList<SettingsDeviceQuota *> m_projectSettings;
    QMap<QString, QString> m_folderDevices;
    ActionQuotaChangeWrapper m_actions;
    UsersSource m_users;
    GroupsSource m_groups;
    std::unique_ptr<QuotaRecordReader> m_reader;
    QString m_projectsPath;
    QString m_projidPath;
    // The project files as the last load read them.
    ProjectFile m_projects;
    ProjectFile m_projid;
    // Objects of earlier loads that the tabs may still point at.
    QList<QObject *> m_retired;
};
