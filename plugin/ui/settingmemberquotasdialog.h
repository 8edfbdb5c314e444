// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysize.h"

#include <QDialog>
#include <QMetaObject>

class KMessageWidget;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace Ui
{
class SettingMemberQuotasDialog;
}

// Edits one member's limits and grace expiry moments on one device, on a
// copy of the member; the caller takes the copy back with selectedMember().
class SettingMemberQuotasDialog : public QDialog
{
    Q_OBJECT
public:
    SettingMemberQuotasDialog(const SettingsDeviceQuota &member, const QString &device, QWidget *parent = nullptr);
    ~SettingMemberQuotasDialog() override;

    SettingsDeviceQuota selectedMember() const;

    // Turns the dialog into the editor of the same limits for all these
    // members (the constructor's member first) on the device it was opened
    // for: the device stays fixed and each member's grace times its own.
    void setManyMembers(const QStringList &names);

public Q_SLOTS:
    void accept() override;

private:
    void changeDevice();
    void setupParamsOnGui();
    void setupDimensionCombos();
    void setupChangeConnections();
    void checkMessageWidget();
    MemorySize memoryFromWidgets(QCheckBox *check, quint64 bytes) const;
    int valueFromWidgets(QCheckBox *check, QSpinBox *spin) const;
    QStringList memberDevices() const;
    void connectSpaceLimit(QDoubleSpinBox *value, QComboBox *combo, quint64 *bytes);
    void showInUnit(QDoubleSpinBox *value, int unitIndex, quint64 *bytes);
    // The reasons the limits shown cannot be accepted; empty when they can.
    QStringList limitProblems() const;
    void updateOkButton();

    Ui::SettingMemberQuotasDialog *m_ui;
    SettingsDeviceQuota m_member;
    MemberQuotaData m_currentData;
    QString m_device;
    QMetaObject::Connection m_softMaximum;
    QMetaObject::Connection m_hardMaximum;
    // The space limits in bytes. The spin boxes show two decimals, so these
    // carry the amounts exactly: a limit the administrator leaves alone is
    // written back as it was read, and a unit switch converts without loss.
    quint64 m_softBytes = 0;
    quint64 m_hardBytes = 0;
    // Set while the dialog fills its own controls.
    bool m_filling = false;
    bool m_edited = false;
    KMessageWidget *m_limitsWarning = nullptr;
};
