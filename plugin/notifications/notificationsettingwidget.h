// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "common/systempathinspector.h"
#include "plugin/notifications/crontime.h"
#include "plugin/notifications/warnquotajob.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaObject>
#include <QWidget>

class NotificationsData;
class QDateTime;

namespace Ui
{
class NotificationSettingWidget;
}

// The editors of warnquota's three files, in the order the tab fills them.
enum ConfigQuotaId {
    WarnQuotaConf = 0,
    QuotaGroupAdmins = 1,
    QuotaTab = 2,
};

// The notification tab: lists the tasks of a snapshot, edits the one shown
// together with the texts of its files, and builds a new snapshot on
// request. As soon as the recipients, the schedule mode or a text of the
// task shown change, switching tasks is locked until the next snapshot, so
// that only that task has to be rebuilt from the controls.
class NotificationSettingWidget : public QWidget
{
    Q_OBJECT
public:
    NotificationSettingWidget(NotificationsData *data, QWidget *parent = nullptr);
    ~NotificationSettingWidget() override;

    // `data` is not owned.
    void setNotificationData(NotificationsData *data);
    // A new snapshot, child of this widget.
    NotificationsData *data();

Q_SIGNALS:
    void modify();

private:
    void currentJobChanged(const QString &name);
    void cronWidgetsChanged();
    void changeExpertLineData();
    void addTask();
    void deleteTask();
    void changeData();
    void analizCheckBoxes();
    void setupDataOnGui();
    void cronDataPresentation(const CronJob &job);
    CronTime cronTimeFromWidgets() const;
    void changeDateTime(const QDateTime &dateTime);
    void changeDateTimeDisplayFormat(const QString &format);
    void blockControlWidget(bool block);
    void connectChangeDataWidgets();
    void disconnectChangeDataWidgets();
    // Why the files of `job` cannot be written, one reason per file; empty
    // when they all can.
    QHash<ConfigQuotaId, QString> fileRuleViolations(const WarnquotaJob &job);

    Ui::NotificationSettingWidget *m_ui;
    NotificationsData *m_data;
    QHash<ConfigQuotaId, QString> m_filePaths;
    QMap<QString, WarnquotaJob> m_jobs;
    QHash<QString, QString> m_files;
    QList<QMetaObject::Connection> m_connections;
    SystemPathInspector m_pathInspector;
};
