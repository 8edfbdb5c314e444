// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class KMessageWidget;
class QVBoxLayout;

namespace KCMVS
{
// The numbers match KMessageWidget's own message types, so callers that
// pass plain numbers (0 for success, 3 for errors) get the matching look.
enum MessageType {
    Positive = 0,
    Information = 1,
    Warning = 2,
    Error = 3,
};

enum State {
    // The administrator can close the message.
    Closable = 0,
    // The message stays until it is pushed out by newer ones.
    Permanent = 1,
};

// The message area at the top of a panel: a short stack of KMessageWidgets,
// newest first. Details are kept out of the way until asked for.
class MessagesManager : public QWidget
{
    Q_OBJECT
public:
    explicit MessagesManager(QWidget *parent = nullptr);
    ~MessagesManager() override;

    void newMessage(const QString &text, MessageType type, const QString &details = QString(), State state = Closable);
    void clearMessages();

    // The messages currently shown, newest first.
    QList<KMessageWidget *> messages() const;

    // Older messages beyond this count are dropped, so a burst of failures
    // cannot push the panel itself off the screen.
    static constexpr int MaximumMessages = 4;

private:
    void removeMessage(KMessageWidget *message);

    QVBoxLayout *m_layout = nullptr;
    QList<KMessageWidget *> m_messages;
};
}
