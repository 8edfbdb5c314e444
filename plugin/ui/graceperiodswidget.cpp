// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "graceperiodswidget.h"

#include "ui_graceperiodswidget.h"

namespace
{
// The unit words reach ki18ndp only through UnitLabel, so the literal calls
// here are what puts them into the catalogue.
[[maybe_unused]] void unitWordsForTheCatalogue()
{
    ki18ndp("velun_kcm_quotas", "week", "weeks");
    ki18ndp("velun_kcm_quotas", "day", "days");
    ki18ndp("velun_kcm_quotas", "hour", "hours");
    ki18ndp("velun_kcm_quotas", "minute", "minutes");
}
}

const std::unordered_map<GracePeriodId, QPair<KLocalizedString, KLocalizedString>> GracePeriodsWidget::m_toolTips = {
    {UsersMemoryGrace, {ki18nd("velun_kcm_quotas", "to user"), ki18nd("velun_kcm_quotas", "by memory")}},
    {UsersFilesGrace, {ki18nd("velun_kcm_quotas", "to user"), ki18nd("velun_kcm_quotas", "by files")}},
    {GroupsMemoryGrace, {ki18nd("velun_kcm_quotas", "to group"), ki18nd("velun_kcm_quotas", "by memory")}},
    {GroupsFilesGrace, {ki18nd("velun_kcm_quotas", "to group"), ki18nd("velun_kcm_quotas", "by files")}},
    {ProjectsMemoryGrace, {ki18nd("velun_kcm_quotas", "to folder"), ki18nd("velun_kcm_quotas", "by memory")}},
    {ProjectsFilesGrace, {ki18nd("velun_kcm_quotas", "to folder"), ki18nd("velun_kcm_quotas", "by files")}},
};

GracePeriodsWidget::GracePeriodsWidget(GracePeriodId id, QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::GracePeriodsWidget)
    , m_id(id)
{
    m_ui->setupUi(this);
    m_units.insert(m_ui->spinBoxWeeks, {QStringLiteral("week"), QStringLiteral("weeks")});
    m_units.insert(m_ui->spinBoxDays, {QStringLiteral("day"), QStringLiteral("days")});
    m_units.insert(m_ui->spinBoxHours, {QStringLiteral("hour"), QStringLiteral("hours")});
    m_units.insert(m_ui->spinBoxMinutes, {QStringLiteral("minute"), QStringLiteral("minutes")});

    switch (m_id) {
    case UsersMemoryGrace:
    case GroupsMemoryGrace:
    case ProjectsMemoryGrace:
        m_ui->groupBoxGrace->setTitle(i18nd("velun_kcm_quotas", "Memory grace period"));
        break;
    case UsersFilesGrace:
    case GroupsFilesGrace:
    case ProjectsFilesGrace:
        m_ui->groupBoxGrace->setTitle(i18nd("velun_kcm_quotas", "Grace period for files"));
        break;
    }

    for (QSpinBox *spinBox : {m_ui->spinBoxWeeks, m_ui->spinBoxDays, m_ui->spinBoxHours, m_ui->spinBoxMinutes}) {
        updateSuffix(spinBox, 0);
        connect(spinBox, qOverload<int>(&QSpinBox::valueChanged), this, [this, spinBox](int count) {
            updateSuffix(spinBox, count);
            Q_EMIT changed();
        });
    }
    setupToolTips();
}

GracePeriodsWidget::~GracePeriodsWidget()
{
    delete m_ui;
}

GracePeriodId GracePeriodsWidget::id() const
{
    return m_id;
}

Time GracePeriodsWidget::time() const
{
    Time time;
    time.seconds = 0;
    time.minutes = static_cast<quint32>(m_ui->spinBoxMinutes->value());
    time.hours = static_cast<quint32>(m_ui->spinBoxHours->value());
    time.days = static_cast<quint32>(m_ui->spinBoxDays->value());
    time.weeks = static_cast<quint32>(m_ui->spinBoxWeeks->value());
    return time;
}

void GracePeriodsWidget::setPeriodData(const GraceTimePeriod &period)
{
    const bool files = m_id == UsersFilesGrace || m_id == GroupsFilesGrace || m_id == ProjectsFilesGrace;
    const Time &time = files ? period.inodeGrace : period.blockGrace;
    // Counts beyond a box's maximum (a grace period set with another tool)
    // are clamped by the box; the int conversion must not wrap first.
    const auto clamped = [](quint32 value) {
        return static_cast<int>(qMin<quint32>(value, static_cast<quint32>(std::numeric_limits<int>::max())));
    };
    m_ui->spinBoxWeeks->setValue(clamped(time.weeks));
    m_ui->spinBoxDays->setValue(clamped(time.days));
    m_ui->spinBoxHours->setValue(clamped(time.hours));
    m_ui->spinBoxMinutes->setValue(clamped(time.minutes));
}

bool GracePeriodsWidget::shows(const Time &time) const
{
    const auto same = [](const QSpinBox *box, quint32 value) {
        return quint32(box->value()) == qMin(value, quint32(box->maximum()));
    };
    return same(m_ui->spinBoxWeeks, time.weeks) && same(m_ui->spinBoxDays, time.days) && same(m_ui->spinBoxHours, time.hours)
        && same(m_ui->spinBoxMinutes, time.minutes);
}

void GracePeriodsWidget::setupToolTips() const
{
    const auto words = m_toolTips.find(m_id);
    if (words == m_toolTips.end()) {
        return;
    }
    m_ui->groupBoxGrace->setToolTip(i18nd("velun_kcm_quotas",
                                          "The time that will be given to the %1 when the %2 soft limit is exceeded.<br> After the present time the soft "
                                          "limit will become hard",
                                          words->second.first.toString(),
                                          words->second.second.toString()));
}

void GracePeriodsWidget::updateSuffix(QSpinBox *spinBox, int count)
{
    const UnitLabel unit = m_units.value(spinBox);
    const QByteArray singular = unit.first.toUtf8();
    const QByteArray plural = unit.second.toUtf8();
    spinBox->setSuffix(QLatin1Char(' ') + ki18ndp("velun_kcm_quotas", singular.constData(), plural.constData()).subs(count).toString());
}
