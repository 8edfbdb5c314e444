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
// is doing, a wait cursor and the whole panel disabled, so that no second
// request starts from inside the first one's local event loop; the window
// keeps repainting. Every helper request reaches it as the executor's
// observer, and the module brackets its longer operations (a load, an
// apply) so the indicator does not flicker between their requests. idle()
// tells the module when the last of them has ended.
class BusyState : public QObject, public HelperActionExecutor::Observer
{
    Q_OBJECT

public:
    // The indicator becomes a child of `window`, the panel, which is
    // disabled as a whole while busy.
    explicit BusyState(QWidget *window);
    ~BusyState() override;

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

Q_SIGNALS:
    // The last operation or request ended.
    void idle();

public:
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
    QStringList m_texts;
};
