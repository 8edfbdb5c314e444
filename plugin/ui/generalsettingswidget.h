// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/time.h"
#include "plugin/ui/graceperiodid.h"

#include <QMap>
#include <QString>
#include <QWidget>

class QGroupBox;
class QuotaStorage;

namespace Ui
{
class GeneralWidget;
}

// The general tab: per device, user and group quota support and the four
// grace periods. It edits the device shown; quotas() hands that device's
// wanted state to whoever applies it.
class GeneralSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit GeneralSettingsWidget(QWidget *parent = nullptr);
    ~GeneralSettingsWidget() override;

    // `refresh` false fills the device list; true shows the current device
    // again from the new storages.
    void updateData(const QMap<QString, QuotaStorage *> &storages, bool refresh);
    // Throws std::runtime_error when a grace editor is missing.
    QMap<QString, QuotaStorage *> quotas();

    static const QString RebootTool;

Q_SIGNALS:
    void modify();

private:
    void inflateGraceWidgets();
    void setupConnections();
    Time timeByGracePeriodId(GracePeriodId id) const;
    void updateValuesOnGui();
    void currentDeviceChanged(const QString &device);
    void systemReboot();

    Ui::GeneralWidget *m_ui;
    QMap<QString, QuotaStorage *> m_storages;
    QGroupBox *m_usersBox = nullptr;
    QGroupBox *m_groupsBox = nullptr;
};
