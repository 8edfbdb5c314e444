// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "velunkcmodule.h"

#include "messagesmanager.h"
#include "statewidget.h"

#include <QBoxLayout>
#include <QEvent>

namespace KCMVS
{
VelunKCModule::VelunKCModule(const QString &translationDomain, ModuleParent *parent, const ModuleArguments &args)
    : KCModule(parent, args)
    , m_translationDomain(translationDomain)
{
    m_messages = new MessagesManager(widget());
    m_state = new StateWidget(widget());
    // The message area follows the panel's widget, whichever object that is.
    widget()->installEventFilter(this);

    // Nothing of these panels has defaults to go back to.
    setButtons(Apply);
    onModuleNeedsSave(this, [this](bool needs) {
        Q_EMIT pendingChangesChanged(needs);
    });
    connect(this, &VelunKCModule::pendingChangesChanged, m_state, &StateWidget::setPendingChanges);
    connect(m_state, &StateWidget::stateReset, this, [this] {
        setModuleNeedsSave(this, false);
    });
}

VelunKCModule::~VelunKCModule() = default;

QString VelunKCModule::translationDomain() const
{
    return m_translationDomain;
}

void VelunKCModule::setResetButtonVisible(bool visible)
{
    // The host shows its Reset button together with Apply; the flag is what
    // the panel asked for, so Apply never disappears with it.
    m_resetButtonVisible = visible;
    if (visible) {
        setButtons(buttons() | Apply);
    }
}

bool VelunKCModule::isResetButtonVisible() const
{
    return m_resetButtonVisible;
}

MessagesManager *VelunKCModule::messagesManager() const
{
    return m_messages;
}

StateWidget *VelunKCModule::stateWidget() const
{
    return m_state;
}

void VelunKCModule::load()
{
    KCModule::load();
    if (mayAccess()) {
        access();
    }
    placeFrameWidgets();
}

void VelunKCModule::save()
{
    KCModule::save();
    change();
}

bool VelunKCModule::mayAccess()
{
    return true;
}

bool VelunKCModule::eventFilter(QObject *watched, QEvent *event)
{
    // A panel sets up its form (and so its layout) late, on its first load;
    // the message area joins that layout as soon as it exists, and lies over
    // the empty panel until then.
    if (watched == widget()) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
        case QEvent::LayoutRequest:
            placeFrameWidgets();
            break;
        default:
            break;
        }
    }
    return KCModule::eventFilter(watched, event);
}

void VelunKCModule::placeFrameWidgets()
{
    QWidget *const panel = widget();
    if (auto box = qobject_cast<QBoxLayout *>(panel->layout())) {
        if (box->indexOf(m_messages) < 0) {
            box->insertWidget(0, m_messages);
        }
        if (box->indexOf(m_state) < 0) {
            box->addWidget(m_state);
        }
        return;
    }
    // No form yet (the panel could not be prepared): the messages are all
    // there is to see, laid over the empty panel.
    const int width = panel->width();
    const int height = m_messages->heightForWidth(width) > 0 ? m_messages->heightForWidth(width) : m_messages->sizeHint().height();
    m_messages->setGeometry(0, 0, width, height);
    m_messages->raise();
}
}
