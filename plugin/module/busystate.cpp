// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "busystate.h"

#include "common/helperprotocol.h"

#include <KBusyIndicatorWidget>
#include <KLocalizedString>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>

BusyState::BusyState(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_indicator(new QWidget(window))
    , m_label(new QLabel(m_indicator))
{
    m_indicator->setObjectName(QStringLiteral("busyIndicator"));
    m_label->setObjectName(QStringLiteral("busyText"));
    m_label->setWordWrap(true);
    // The label is disabled with the rest of the panel, but it is what the
    // user reads meanwhile: it keeps the colour of enabled text.
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText, palette.color(QPalette::Active, QPalette::WindowText));
    m_label->setPalette(palette);
    auto layout = new QHBoxLayout(m_indicator);
    layout->addWidget(new KBusyIndicatorWidget(m_indicator));
    layout->addWidget(m_label, 1);
    m_indicator->hide();
}

BusyState::~BusyState()
{
    if (!m_texts.isEmpty()) {
        QApplication::restoreOverrideCursor();
    }
}

QWidget *BusyState::indicator() const
{
    return m_indicator;
}

void BusyState::begin(const QString &text)
{
    m_texts.append(text);
    m_label->setText(text);
    if (m_texts.size() > 1) {
        return;
    }
    m_window->setEnabled(false);
    placeIndicator();
    m_indicator->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyState::end()
{
    if (m_texts.isEmpty()) {
        return;
    }
    m_texts.removeLast();
    if (!m_texts.isEmpty()) {
        m_label->setText(m_texts.last());
        return;
    }
    m_indicator->hide();
    m_window->setEnabled(true);
    QApplication::restoreOverrideCursor();
    Q_EMIT idle();
}

bool BusyState::isBusy() const
{
    return !m_texts.isEmpty();
}

QString BusyState::text() const
{
    return m_texts.isEmpty() ? QString() : m_texts.last();
}

void BusyState::requestStarted(const QString &actionName, const QVariantMap &arguments)
{
    begin(describe(actionName, arguments));
}

void BusyState::requestFinished()
{
    end();
}

QString BusyState::describe(const QString &actionName, const QVariantMap &arguments)
{
    const QString device = arguments.value(HelperProtocol::DeviceName).toString();
    if (actionName == setNotificationsActionName()) {
        return i18nd("velun_kcm_quotas", "Saving the notification settings…");
    }
    if (arguments.contains(HelperProtocol::CreateQuotaFile)) {
        return i18nd("velun_kcm_quotas", "Checking the quota file of %1; this can take minutes on a large file system…", device);
    }
    if (arguments.contains(HelperProtocol::RemountDevice)) {
        return i18nd("velun_kcm_quotas", "Remounting %1…", device);
    }
    if (actionName == changeActionName()) {
        return i18nd("velun_kcm_quotas", "Applying changes…");
    }
    return i18nd("velun_kcm_quotas", "Loading quota data…");
}

void BusyState::placeIndicator()
{
    // Before the form is built the window has no layout to hold the
    // indicator; it then sits on top of the window's first line.
    if (m_indicator->parentWidget() == m_window && (!m_window->layout() || m_window->layout()->indexOf(m_indicator) < 0)) {
        m_indicator->setGeometry(0, 0, m_window->width(), m_indicator->sizeHint().height());
        m_indicator->raise();
    }
}

BusyState::Scope::Scope(BusyState *state, const QString &text)
    : m_state(state)
{
    if (m_state) {
        m_state->begin(text);
    }
}

BusyState::Scope::~Scope()
{
    if (m_state) {
        m_state->end();
    }
}
