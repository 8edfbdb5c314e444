// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/quotatime.h"
#include "plugin/system/devicedatainformation.h"
#include "plugin/ui/graceperiodid.h"

#include <QMap>
#include <QString>
#include <QWidget>

class QGroupBox;
class SystemReboot;
class QuotaStorage;

namespace Ui
{
class GeneralWidget;
}

// The general tab: per device, user, group and folder quota support and
// their grace periods. Every device the administrator edits keeps its edits until
// they are applied or discarded; quotas() hands all of them over at once.
class GeneralSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit GeneralSettingsWidget(QWidget *parent = nullptr);
    ~GeneralSettingsWidget() override;

    // `refresh` false fills the device list; true shows the current device
    // again from the new storages. Pending edits survive a refresh.
    void updateData(const QMap<QString, QuotaStorage *> &storages, bool refresh);
    // The wanted state of every edited device, keyed and so ordered by the
    // device path; children of this widget.
    QMap<QString, QuotaStorage *> quotas();
    bool hasPendingEdits() const;
    // Forgets every pending edit and shows the loaded state again.
    void discardEdits();
    // Asks for a reboot when quotas are on for a device that is not mounted
    // with their option; for after an Apply, which is what can cause it.
    // The module hands down its way of asking and rebooting.
    void askRebootIfNeeded(SystemReboot &reboot);

    static const QString RebootTool;

Q_SIGNALS:
    void modify();

private:
    void inflateGraceWidgets();
    void setupConnections();
    Time timeByGracePeriodId(GracePeriodId id) const;
    Time timeToApply(GracePeriodId id, const Time &loaded) const;
    void updateValuesOnGui();
    void currentDeviceChanged(const QString &device);
    void showDevice(const QString &device,
                    const QString &filesystem,
                    const DeviceDataInformation &users,
                    const DeviceDataInformation &groups,
                    const DeviceDataInformation &projects);
    // What the file system of the device shown lets the tab offer, and the
    // lines that say what it takes.
    void showFilesystemNotes(const QString &device, const QString &filesystem);
    void updateRootFlags();
    void rememberShownDevice();
    void systemReboot(SystemReboot &reboot);

    // What the administrator asked for on one device.
    struct PendingDevice {
        QString filesystem;
        DeviceDataInformation users;
        DeviceDataInformation groups;
        // A null device name where the device has no folder quotas.
        DeviceDataInformation projects;
    };

    Ui::GeneralWidget *m_ui;
    QMap<QString, QuotaStorage *> m_storages;
    QMap<QString, PendingDevice> m_edits;
    // Set while the tab fills its own controls, whose change signals are
    // then no edit of the administrator's.
    bool m_filling = false;
    QGroupBox *m_usersBox = nullptr;
    QGroupBox *m_groupsBox = nullptr;
    QGroupBox *m_projectsBox = nullptr;
    // The device shown can have folder quotas.
    bool m_foldersOffered = false;
    // The device shown is XFS mounted as the root file system.
    bool m_xfsRoot = false;
};
