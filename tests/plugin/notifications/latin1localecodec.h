// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QtGlobal>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

// While it lives, the process reads and writes its 8-bit text as Latin-1,
// as under a non-UTF-8 locale, so tests can show that text from the helper
// (always UTF-8) does not depend on the locale. Qt 6 takes 8-bit text as
// UTF-8 whatever the locale, so there it changes nothing.
class Latin1LocaleCodec
{
public:
    Latin1LocaleCodec()
    {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        m_previous = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
#endif
    }
    ~Latin1LocaleCodec()
    {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        QTextCodec::setCodecForLocale(m_previous);
#endif
    }
    Latin1LocaleCodec(const Latin1LocaleCodec &) = delete;
    Latin1LocaleCodec &operator=(const Latin1LocaleCodec &) = delete;

private:
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QTextCodec *m_previous = nullptr;
#endif
};
