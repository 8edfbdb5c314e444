// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/system/helperactionexecutor.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QLabel;
class QWidget;

// The panel while it waits for the helper: a busy indicator with what it
// is doing, a wait cursor and the input disabled, so that no second request
// starts from inside the first one's local event loop; the window keeps
// repainting. Every helper request reaches it as the executors' observer,
// and the module brackets its longer operations (a load, an apply) so the
// indicator does not flicker between their requests.
class BusyState : public QObject, public HelperActionExecutor::Observer
{
    Q_OBJECT

public:
    // The indicator becomes a child of `window`; it registers itself as the
    // executors' observer until it is destroyed.
    explicit BusyState(QWidget *window);
    ~BusyState() override;

    // The widget to disable while busy (the tabs), once there is one.
    void setInputWidget(QWidget *input);
    // The indicator, for the window's layout once it has one.
    QWidget *indicator() const;

    void begin(const QString &text);
    void end();
    bool isBusy() const;
    QString text() const;

    void requestStarted(const QString &actionName, const QVariantMap &arguments) override;
    void requestFinished() override;

    // What the panel tells the user while a request runs.
    static QString describe(const QString &actionName, const QVariantMap &arguments);

    class Scope
    {
    public:
        Scope(BusyState *state, const QString &text);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        QPointer<BusyState> m_state;
    };

private:
    void placeIndicator();

    QWidget *m_window;
    QWidget *m_indicator;
    QLabel *m_label;
    QPointer<QWidget> m_input;
    QStringList m_texts;
};
