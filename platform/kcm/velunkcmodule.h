// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <KCModule>

namespace KCMVS
{
class MessagesManager;
class StateWidget;

// The common base of the maker's settings panels: the host's load becomes
// access() and its save becomes change(), and every panel gets a message
// area at its top and a pending-changes note at its bottom.
class VelunKCModule : public KCModule
{
    Q_OBJECT
public:
    VelunKCModule(const QString &translationDomain, QWidget *parent, const QList<QVariant> &args);
    ~VelunKCModule() override;

    QString translationDomain() const;

    void setResetButtonVisible(bool visible);
    bool isResetButtonVisible() const;

    MessagesManager *messagesManager() const;
    StateWidget *stateWidget() const;

public Q_SLOTS:
    void load() override;
    void save() override;

    virtual void access() = 0;
    virtual void change() = 0;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

    // Lets a base in between decide whether the panel may be read at all.
    virtual bool mayAccess();

private:
    void placeFrameWidgets();

    QString m_translationDomain;
    MessagesManager *m_messages = nullptr;
    StateWidget *m_state = nullptr;
    bool m_resetButtonVisible = false;
};
}
