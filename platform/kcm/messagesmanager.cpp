// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "messagesmanager.h"

#include <KLocalizedString>
#include <KMessageWidget>

#include <QAction>
#include <QVBoxLayout>

namespace KCMVS
{
namespace
{
const char DetailsProperty[] = "details";
const char SummaryProperty[] = "summary";

KMessageWidget::MessageType widgetType(MessageType type)
{
    switch (type) {
    case Positive:
        return KMessageWidget::Positive;
    case Information:
        return KMessageWidget::Information;
    case Warning:
        return KMessageWidget::Warning;
    case Error:
        break;
    }
    return KMessageWidget::Error;
}

QString withDetails(const QString &text, const QString &details)
{
    return QStringLiteral("%1<br><br>%2").arg(text.toHtmlEscaped(), details.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
}
}

MessagesManager::MessagesManager(QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("messagesManager"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    hide();
}

MessagesManager::~MessagesManager() = default;

void MessagesManager::newMessage(const QString &text, MessageType type, const QString &details, State state)
{
    // The same message again (a retried Apply) replaces the old one instead
    // of stacking up copies.
    for (KMessageWidget *old : std::as_const(m_messages)) {
        if (old->property(SummaryProperty).toString() == text && old->messageType() == widgetType(type)
            && old->property(DetailsProperty).toString() == details) {
            removeMessage(old);
            break;
        }
    }

    auto message = new KMessageWidget(this);
    message->setMessageType(widgetType(type));
    message->setWordWrap(true);
    message->setText(text);
    message->setProperty(SummaryProperty, text);
    message->setProperty(DetailsProperty, details);
    message->setCloseButtonVisible(state == Closable);

    if (!details.isEmpty()) {
        auto detailsAction = new QAction(i18nd("velun_kcm_quotas", "Details"), message);
        detailsAction->setCheckable(true);
        connect(detailsAction, &QAction::toggled, message, [message, text, details](bool shown) {
            message->setText(shown ? withDetails(text, details) : text);
        });
        message->addAction(detailsAction);
    }
    connect(message, &KMessageWidget::hideAnimationFinished, this, [this, message] {
        removeMessage(message);
    });

    m_layout->insertWidget(0, message);
    m_messages.prepend(message);
    while (m_messages.size() > MaximumMessages) {
        removeMessage(m_messages.last());
    }
    show();
    message->show();
}

void MessagesManager::clearMessages()
{
    while (!m_messages.isEmpty()) {
        removeMessage(m_messages.first());
    }
}

QList<KMessageWidget *> MessagesManager::messages() const
{
    return m_messages;
}

void MessagesManager::removeMessage(KMessageWidget *message)
{
    if (!m_messages.removeOne(message)) {
        return;
    }
    m_layout->removeWidget(message);
    message->hide();
    message->deleteLater();
    if (m_messages.isEmpty()) {
        hide();
    }
}
}
