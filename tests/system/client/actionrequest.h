// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

// One helper request as the system-test scenarios write it on a command
// line: the action ("access", "change", "setnotifications") and its
// arguments as typed key=value words, e.g.
//   change set_quota_info device_name=s:/dev/loop0 id=i:2101 type=i:0
//          info=q:100,50,0,10,5,0,0,0,15
// Like the panel, the request carries the locale keys unless it is the
// kernel support check or the words set them themselves.
class ActionRequest
{
public:
    // Throws std::runtime_error naming the first word it cannot read.
    static ActionRequest parse(const QStringList &words);

    QString actionName() const;
    QVariantMap arguments() const;
    int timeoutMs() const;

    static QString usage();

private:
    static QVariant parseValue(const QString &key, const QString &typed);

    QString m_action;
    QVariantMap m_arguments;
    bool m_withLocale = true;
    int m_timeoutMs = -1;
};
