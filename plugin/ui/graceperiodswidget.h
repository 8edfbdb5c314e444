// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/values/gracetimeperiod.h"
#include "plugin/model/values/quotatime.h"
#include "plugin/ui/graceperiodid.h"

#include <KLocalizedString>

#include <QHash>
#include <QPair>
#include <QWidget>

#include <limits>

#include <unordered_map>

class QSpinBox;

namespace Ui
{
class GracePeriodsWidget;
}

// Edits one grace period of a device as weeks, days, hours and minutes.
class GracePeriodsWidget : public QWidget
{
    Q_OBJECT
public:
    GracePeriodsWidget(GracePeriodId id, QWidget *parent = nullptr);
    ~GracePeriodsWidget() override;

    GracePeriodId id() const;
    // The seconds are not edited and always come back as 0.
    Time time() const;
    void setPeriodData(const GraceTimePeriod &period);
    // Whether the editor shows `time` as setPeriodData would, that is
    // without its seconds and within the boxes' maximums.
    bool shows(const Time &time) const;

Q_SIGNALS:
    void changed();

private:
    // Singular and plural of a spin box's unit word, as message ids.
    using UnitLabel = QPair<QString, QString>;

    void setupToolTips() const;
    void updateSuffix(QSpinBox *spinBox, int count);

    Ui::GracePeriodsWidget *m_ui;
    GracePeriodId m_id;
    QHash<QSpinBox *, UnitLabel> m_units;

    static const std::unordered_map<GracePeriodId, QPair<KLocalizedString, KLocalizedString>> m_toolTips;
};
