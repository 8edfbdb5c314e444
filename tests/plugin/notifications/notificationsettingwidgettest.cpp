// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later
#include <QTest>
class NotificationSettingWidgetTest : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(NotificationSettingWidgetTest)
#include "notificationsettingwidgettest.moc"
