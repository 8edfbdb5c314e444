// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

// What differs between Qt 5 and Qt 6 below the panel base classes (those
// are in platform/kcm/kcmodulecompat.h). Everything else is written in the
// spelling both understand.

#include <QMetaType>
#include <QtGlobal>

// Registers a type that travels inside a QVariant through KAuth, which
// sends its arguments as a QDataStream: Qt 6 takes the type's stream
// operators along by itself, Qt 5 must be told about them.
template<typename T>
void registerStreamableMetaType(const char *name)
{
    qRegisterMetaType<T>(name);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    qRegisterMetaTypeStreamOperators<T>(name);
#endif
}
