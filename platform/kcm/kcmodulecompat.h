// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// The one place that knows which generation of the desktop's panel base
// class the panels are built against, so that the panels themselves read
// the same for both.
//
// KDE Frameworks 5 (Plasma 5): KCModule is the panel's widget itself, made
// from (QWidget *parent, QVariantList args), and tells the host about
// unsaved changes with its changed(bool) signal.
// KDE Frameworks 6 (Plasma 6): KCModule is a plain QObject whose widget()
// the host embeds, made from (QObject *parent, KPluginMetaData), and tells
// the host through its needsSave property.

#include <KCModule>

#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <KPluginMetaData>
#define KCMQ_KCMODULE_IS_WIDGET 0
#else
#include <QVariant>
#define KCMQ_KCMODULE_IS_WIDGET 1
#endif

namespace KCMVS
{
#if KCMQ_KCMODULE_IS_WIDGET
using ModuleParent = QWidget;
using ModuleArguments = QVariantList;

inline QWidget *moduleWidget(KCModule *module)
{
    return module;
}

inline void setModuleNeedsSave(KCModule *module, bool needs)
{
    Q_EMIT module->changed(needs);
}

// Calls slot(bool needsSave) whenever the module reports its state.
template<typename Slot>
QMetaObject::Connection onModuleNeedsSave(KCModule *module, Slot slot)
{
    return QObject::connect(module, qOverload<bool>(&KCModule::changed), module, slot);
}
#else
using ModuleParent = QObject;
using ModuleArguments = KPluginMetaData;

inline QWidget *moduleWidget(KCModule *module)
{
    return module->widget();
}

inline void setModuleNeedsSave(KCModule *module, bool needs)
{
    module->setNeedsSave(needs);
}

template<typename Slot>
QMetaObject::Connection onModuleNeedsSave(KCModule *module, Slot slot)
{
    return QObject::connect(module, &KCModule::needsSaveChanged, module, [module, slot] {
        slot(module->needsSave());
    });
}
#endif
}
