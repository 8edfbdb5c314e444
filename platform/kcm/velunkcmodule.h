// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "kcmodulecompat.h"
#include "modulewidget.h"

#include <QPointer>

namespace KCMVS
{
class MessagesManager;
class StateWidget;

// The common base of the maker's settings panels: the host's load becomes
// access() and its save becomes change(), and every panel gets a message
// area at its top and a pending-changes note at its bottom.
//
// Panels put their widgets on widget(), the same for every generation of
// the host (see kcmodulecompat.h).
class VelunKCModule : public KCModule
{
    Q_OBJECT
public:
    VelunKCModule(const QString &translationDomain, ModuleParent *parent, const ModuleArguments &args);
    ~VelunKCModule() override;

    QString translationDomain() const;

    void setResetButtonVisible(bool visible);
    bool isResetButtonVisible() const;

    MessagesManager *messagesManager() const;
    StateWidget *stateWidget() const;

#if KCMQ_KCMODULE_IS_WIDGET
    QWidget *widget()
    {
        return this;
    }
#else
    QWidget *widget() override
    {
        if (!m_widget.widget) {
            m_widget.widget = new ModuleWidget(
                [this] {
                    return sizeHint();
                },
                qobject_cast<QWidget *>(parent()));
        }
        return m_widget.widget;
    }

    // The size the host should open the panel with, as QWidget::sizeHint()
    // is for the older hosts.
    virtual QSize sizeHint() const
    {
        return m_widget.widget ? m_widget.widget->layoutSizeHint() : QSize();
    }
#endif

public Q_SLOTS:
    void load() override;
    void save() override;

    virtual void access() = 0;
    virtual void change() = 0;

Q_SIGNALS:
    // What the host is told about unsaved changes, on every report.
    void pendingChangesChanged(bool pending);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Lets a base in between decide whether the panel may be read at all.
    virtual bool mayAccess();

private:
    void placeFrameWidgets();

#if !KCMQ_KCMODULE_IS_WIDGET
    // The panel's widget goes with the panel; the host may have deleted it
    // first, together with the rest of its window.
    struct OwnedWidget {
        QPointer<ModuleWidget> widget;
        ~OwnedWidget()
        {
            delete widget;
        }
    };
    OwnedWidget m_widget;
#endif

    QString m_translationDomain;
    MessagesManager *m_messages = nullptr;
    StateWidget *m_state = nullptr;
    bool m_resetButtonVisible = false;
};
}
