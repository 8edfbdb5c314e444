// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/members/memberquotadata.h"
#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/model/values/memorysize.h"

#include <QDialog>
#include <QMetaObject>

class Int64SpinBox;
class KMessageWidget;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

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

    // Turns the dialog into the editor of the limits of all these members
    // (the constructor's member first) on the device it was opened for: the
    // device stays fixed and each member's grace times its own. A limit the
    // members differ in shows "various" and stays each member's own unless
    // the administrator sets it.
    void setManyMembers(const QList<SettingsDeviceQuota *> &members);
    // The limits (LimitFieldId bits) changed from what the members had;
    // with one member, every limit.
    int changedFields() const;

    // The largest limit the kernel takes, in bytes and in files (2^63 - 1;
    // space limits are kept in whole KiB).
    static quint64 maximumSpaceBytes();
    static qint64 maximumFiles();

public Q_SLOTS:
    void accept() override;

private:
    void changeDevice();
    void setupParamsOnGui();
    void setupDimensionCombos();
    void setupChangeConnections();
    void checkMessageWidget();
    MemorySize memoryFromWidgets(QCheckBox *check, quint64 bytes) const;
    qint64 valueFromWidgets(QCheckBox *check, Int64SpinBox *spin) const;
    // What a limit's controls now stand for: 0 when unchecked.
    quint64 shownLimit(int field) const;
    void showVarious(int field, bool various);
    QCheckBox *limitCheckBox(int field) const;
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
    // Editing several members: the limits they differ in, and what each
    // limit they agree in was.
    bool m_many = false;
    int m_variousFields = 0;
    QHash<int, quint64> m_initialLimits;
    QLabel *m_manyLabel = nullptr;
    KMessageWidget *m_limitsWarning = nullptr;
};
