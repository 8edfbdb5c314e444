// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "plugin/notifications/notificationsettingwidget.h"
#include "fakehelperexecutor.h"
#include "plugin/notifications/cronmanager.h"
#include "plugin/notifications/notificationsdata.h"
#include "plugin/notifications/notificationsmanager.h"
#include "tests/plugin/clickindicator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace
{
const QString defaultConfig = QStringLiteral("/etc/warnquota.conf");
const QString defaultQuotaTab = QStringLiteral("/etc/quotatab");
const QString defaultAdmins = QStringLiteral("/etc/quotagrpadmins");

WarnquotaJob task(const QString &timeText, bool users = true, bool groups = false, const QString &config = defaultConfig)
{
    WarnquotaJob job;
    job.time = CronManager::stringToCronTime(timeText);
    job.user = QStringLiteral("root");
    job.users = users;
    job.groups = groups;
    job.config = config;
    job.adminsFile = defaultAdmins;
    job.quotaTab = defaultQuotaTab;
    return job;
}

QString line(const WarnquotaJob &job)
{
    FakeHelperExecutor helper;
    return CronManager(helper).parseJob(NotificationsManager::warnquotaJobToCronJob(job));
}

QStringList timeTexts(NotificationsData *data)
{
    QStringList texts;
    const QList<WarnquotaJob> jobs = data->cronJobs();
    for (const WarnquotaJob &job : jobs) {
        texts.append(CronManager::cronTimeToString(job.time));
    }
    return texts;
}
}

// The tab as a user sees it: controls found by their object names.
class Tab
{
public:
    explicit Tab(const QList<WarnquotaJob> &jobs, const QHash<QString, QString> &files = {})
        : data(nullptr)
    {
        data.setCronJobs(jobs);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            data.setFileText(it.key(), it.value());
        }
        widget = std::make_unique<NotificationSettingWidget>(&data);
        modified = std::make_unique<QSignalSpy>(widget.get(), &NotificationSettingWidget::modify);
    }

    template<typename T>
    T *child(const char *name) const
    {
        T *found = widget->findChild<T *>(QLatin1String(name));
        Q_ASSERT(found);
        return found;
    }

    QComboBox *selector() const
    {
        return child<QComboBox>("cronJobsComboBox");
    }
    QRadioButton *mode(const QString &name) const
    {
        return child<QRadioButton>(name.toLatin1().constData());
    }
    QString checkedMode() const
    {
        for (const char *name : {"monthRButton", "dayRButton", "hourRButton", "expertModeRButton"}) {
            if (child<QRadioButton>(name)->isChecked()) {
                return QLatin1String(name);
            }
        }
        return QString();
    }
    QString expertText() const
    {
        return child<QLineEdit>("expertLineEdit")->text();
    }
    QDateTimeEdit *timeControl() const
    {
        return child<QDateTimeEdit>("atDateTimeEdit");
    }
    // selector, add, delete, task controls, editors
    QString state() const
    {
        QString s;
        for (QWidget *w : std::initializer_list<QWidget *>{selector(),
                                                           child<QPushButton>("addTaskButton"),
                                                           child<QPushButton>("deleteTaskButton"),
                                                           child<QWidget>("notifyWidget"),
                                                           child<QGroupBox>("generalLayout")}) {
            s += w->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        }
        return s;
    }
    // The actions behind Ctrl+N and Delete, which work whatever the buttons say.
    void trigger(const QKeySequence &shortcut) const
    {
        const QList<QAction *> actions = widget->actions();
        for (QAction *action : actions) {
            if (action->shortcut() == shortcut) {
                action->trigger();
                return;
            }
        }
        QFAIL("no action with that shortcut");
    }
    bool locked() const
    {
        return !selector()->isEnabled();
    }

    NotificationsData data;
    std::unique_ptr<NotificationSettingWidget> widget;
    std::unique_ptr<QSignalSpy> modified;
};

class NotificationSettingWidgetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void modeOfEachTime_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("clock");

        QTest::newRow("monthly") << "30 6 15 * *"
                                 << "monthRButton"
                                 << "dd HH:mm"
                                 << "At (day hours:minutes):" << 15 << "06:30";
        QTest::newRow("daily") << "0 22 * * *"
                               << "dayRButton"
                               << "HH:mm"
                               << "At (hours:minutes):" << 1 << "22:00";
        QTest::newRow("hourly") << "5 * * * *"
                                << "hourRButton"
                                << "mm"
                                << "At (minutes):" << 1 << "00:05";
        QTest::newRow("step") << "*/10 * * * *"
                              << "expertModeRButton"
                              << "dd HH:mm"
                              << "At (day hours:minutes):" << 1 << "00:00";
        QTest::newRow("weekday") << "0 8 * * 1"
                                 << "expertModeRButton"
                                 << "dd HH:mm"
                                 << "At (day hours:minutes):" << 1 << "00:00";
        QTest::newRow("month given") << "0 8 1 1 *"
                                     << "expertModeRButton"
                                     << "dd HH:mm"
                                     << "At (day hours:minutes):" << 1 << "00:00";
        QTest::newRow("minute with leading zero") << "07 8 * * *"
                                                  << "expertModeRButton"
                                                  << "dd HH:mm"
                                                  << "At (day hours:minutes):" << 1 << "00:00";
    }

    void modeOfEachTime()
    {
        QFETCH(QString, time);
        QFETCH(QString, mode);
        QFETCH(QString, format);
        QFETCH(QString, caption);
        QFETCH(int, day);
        QFETCH(QString, clock);

        Tab tab({task(time)});
        QCOMPARE(tab.checkedMode(), mode);
        QCOMPARE(tab.timeControl()->displayFormat(), format);
        QCOMPARE(tab.child<QLabel>("atLabel")->text(), caption);
        const QDateTime at = tab.timeControl()->dateTime();
        QCOMPARE(at.date().day(), day);
        QCOMPARE(at.date().month(), QDate::currentDate().month());
        QCOMPARE(at.time().toString(QStringLiteral("HH:mm")), clock);
        QCOMPARE(tab.expertText(), time);
        const bool expert = mode == QLatin1String("expertModeRButton");
        QCOMPARE(tab.timeControl()->isEnabled(), !expert);
        QCOMPARE(tab.child<QLineEdit>("expertLineEdit")->isEnabled(), expert);
        QCOMPARE(tab.modified->count(), 0);
        QCOMPARE(tab.state(), QStringLiteral("11111"));
        // Saving untouched gives back the same time.
        QCOMPARE(timeTexts(tab.widget->data()), QStringList{time});
    }

    void browsingShowsEachTask()
    {
        // Time-only formats narrow the control's date range; a later
        // monthly task must still get its own day.
        const QStringList times{QStringLiteral("0 22 * * *"),
                                QStringLiteral("30 6 15 * *"),
                                QStringLiteral("5 * * * *"),
                                QStringLiteral("0 8 28 * *"),
                                QStringLiteral("*/10 * * * *"),
                                QStringLiteral("0 9 20 * *")};
        QList<WarnquotaJob> jobs;
        for (const QString &time : times) {
            jobs.append(task(time));
        }
        Tab tab(jobs);
        for (const int index : {1, 2, 3, 4, 5, 0, 3, 1}) {
            tab.selector()->setCurrentIndex(index);
            QCOMPARE(tab.expertText(), times.at(index));
            QCOMPARE(CronManager::cronTimeToString(tab.widget->data()->cronJobs().at(index).time), times.at(index));
        }
        QCOMPARE(tab.modified->count(), 0);
        QVERIFY(!tab.locked());
    }

    void switchingModes_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("expertLine");
        QTest::addColumn<bool>("expertEditable");

        QTest::newRow("daily to hourly") << "5 8 * * *" << QStringList{QStringLiteral("hourRButton")} << "5 * * * *" << false;
        QTest::newRow("daily to hourly to expert") << "5 8 * * *" << QStringList{QStringLiteral("hourRButton"), QStringLiteral("expertModeRButton")}
                                                   << "5 * * * *" << true;
        QTest::newRow("daily to monthly takes the first") << "5 8 * * *" << QStringList{QStringLiteral("monthRButton")} << "5 8 1 * *" << false;
        QTest::newRow("monthly to daily") << "30 6 15 * *" << QStringList{QStringLiteral("dayRButton")} << "30 6 * * *" << false;
        QTest::newRow("expert to hourly") << "*/10 * * * *" << QStringList{QStringLiteral("hourRButton")} << "0 * * * *" << false;
    }

    void switchingModes()
    {
        QFETCH(QString, time);
        QFETCH(QStringList, clicks);
        QFETCH(QString, expertLine);
        QFETCH(bool, expertEditable);

        Tab tab({task(time), task(QStringLiteral("0 1 * * *"))});
        for (const QString &button : clicks) {
            clickIndicator(tab.mode(button));
        }
        QCOMPARE(tab.expertText(), expertLine);
        QCOMPARE(tab.child<QLineEdit>("expertLineEdit")->isEnabled(), expertEditable);
        QVERIFY(tab.modified->count() > 0);
        QCOMPARE(tab.state(), QStringLiteral("11111"));
        const QStringList saved = timeTexts(tab.widget->data());
        QCOMPARE(saved, (QStringList{expertLine, QStringLiteral("0 1 * * *")}));
    }

    void recipients_data()
    {
        QTest::addColumn<bool>("users");
        QTest::addColumn<bool>("groups");
        QTest::addColumn<QString>("click");
        QTest::addColumn<bool>("usersAfter");
        QTest::addColumn<bool>("groupsAfter");
        QTest::addColumn<bool>("locked");

        // Editing a task never locks the others away.
        QTest::newRow("last recipient users stays") << true << false << "usersChBox" << true << false << false;
        QTest::newRow("last recipient groups stays") << false << true << "groupsChBox" << false << true << false;
        QTest::newRow("dropping one of two") << true << true << "usersChBox" << false << true << false;
        QTest::newRow("adding groups") << true << false << "groupsChBox" << true << true << false;
    }

    void recipients()
    {
        QFETCH(bool, users);
        QFETCH(bool, groups);
        QFETCH(QString, click);
        QFETCH(bool, usersAfter);
        QFETCH(bool, groupsAfter);
        QFETCH(bool, locked);

        Tab tab({task(QStringLiteral("0 8 * * *"), users, groups)});
        clickIndicator(tab.child<QCheckBox>(click.toLatin1().constData()));
        QCOMPARE(tab.child<QCheckBox>("usersChBox")->isChecked(), usersAfter);
        QCOMPARE(tab.child<QCheckBox>("groupsChBox")->isChecked(), groupsAfter);
        QCOMPARE(tab.locked(), locked);
        QCOMPARE(tab.modified->count(), 1);
        const WarnquotaJob saved = tab.widget->data()->cronJobs().first();
        QCOMPARE(saved.users, usersAfter);
        QCOMPARE(saved.groups, groupsAfter);
    }

    void taskStates_data()
    {
        QTest::addColumn<int>("tasks");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("listed");
        QTest::addColumn<int>("saved");
        QTest::addColumn<bool>("modifies");

        QTest::newRow("empty snapshot") << 0 << ""
                                        << "01000" << 0 << 0 << false;
        QTest::newRow("browsing") << 2 << ""
                                  << "11111" << 2 << 2 << false;
        QTest::newRow("editing a text does not lock") << 2 << "edit"
                                                      << "11111" << 2 << 2 << true;
        QTest::newRow("time control") << 2 << "time"
                                      << "11111" << 2 << 2 << true;
        QTest::newRow("expert line") << 2 << "expert"
                                     << "11111" << 2 << 2 << true;
        QTest::newRow("adding") << 1 << "add"
                                << "11111" << 2 << 2 << true;
        QTest::newRow("adding to an empty tab") << 0 << "add"
                                                << "11111" << 1 << 1 << true;
        QTest::newRow("a deletion stays listed until saved") << 2 << "delete"
                                                             << "11100" << 2 << 1 << true;
        QTest::newRow("deleting the last") << 1 << "delete"
                                           << "11100" << 1 << 0 << true;
        QTest::newRow("deleting twice by key is one deletion") << 1 << "delete,delete"
                                                               << "11100" << 1 << 0 << true;
        QTest::newRow("deleting with none left changes nothing") << 0 << "delete"
                                                                 << "01000" << 0 << 0 << false;
        QTest::newRow("the button takes a deletion back") << 2 << "delete,undo"
                                                          << "11111" << 2 << 2 << true;
        QTest::newRow("a new snapshot drops the deletion") << 2 << "delete,reload"
                                                           << "11111" << 2 << 2 << true;
    }

    void taskStates()
    {
        QFETCH(int, tasks);
        QFETCH(QString, action);
        QFETCH(QString, state);
        QFETCH(int, listed);
        QFETCH(int, saved);
        QFETCH(bool, modifies);

        QList<WarnquotaJob> jobs;
        for (int i = 0; i < tasks; ++i) {
            jobs.append(task(QStringLiteral("%1 8 * * *").arg(i)));
        }
        Tab tab(jobs, {{defaultConfig, QStringLiteral("text")}});
        const QStringList steps = action.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &step : steps) {
            if (step == QLatin1String("edit")) {
                tab.child<QPlainTextEdit>("warnQuotaConfText")->appendPlainText(QStringLiteral("more"));
            } else if (step == QLatin1String("time")) {
                tab.timeControl()->setTime(QTime(9, 15));
            } else if (step == QLatin1String("expert")) {
                tab.child<QLineEdit>("expertLineEdit")->setText(QStringLiteral("15 9 * * *"));
            } else if (step == QLatin1String("add")) {
                QTest::mouseClick(tab.child<QPushButton>("addTaskButton"), Qt::LeftButton);
            } else if (step == QLatin1String("delete")) {
                tab.trigger(QKeySequence(Qt::Key_Delete));
            } else if (step == QLatin1String("undo")) {
                QTest::mouseClick(tab.child<QPushButton>("deleteTaskButton"), Qt::LeftButton);
            } else if (step == QLatin1String("reload")) {
                tab.widget->setNotificationData(&tab.data);
            }
        }
        QCOMPARE(tab.state(), state);
        QCOMPARE(tab.selector()->count(), listed);
        QCOMPARE(tab.widget->data()->cronJobs().size(), saved);
        QCOMPARE(tab.modified->count() > 0, modifies);
    }

    void pendingDeletion()
    {
        Tab tab({task(QStringLiteral("0 8 * * *")), task(QStringLiteral("0 9 * * *"))});
        QPushButton *button = tab.child<QPushButton>("deleteTaskButton");
        tab.selector()->setCurrentIndex(1);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(tab.selector()->itemText(1), QStringLiteral("2 (deleted on Apply)"));
        QVERIFY(tab.selector()->itemData(1, Qt::FontRole).value<QFont>().strikeOut());
        QCOMPARE(button->toolTip(), QStringLiteral("Keep the current task"));
        QCOMPARE(timeTexts(tab.widget->data()), QStringList{QStringLiteral("0 8 * * *")});

        // Another task is shown and edited as usual; the mark stays.
        tab.selector()->setCurrentIndex(0);
        QVERIFY(tab.child<QWidget>("notifyWidget")->isEnabled());
        QCOMPARE(button->toolTip(), QStringLiteral("Delete current task"));
        tab.selector()->setCurrentIndex(1);
        QVERIFY(!tab.child<QWidget>("notifyWidget")->isEnabled());

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(tab.selector()->itemText(1), QStringLiteral("2"));
        QVERIFY(!tab.selector()->itemData(1, Qt::FontRole).value<QFont>().strikeOut());
        QCOMPARE(timeTexts(tab.widget->data()), (QStringList{QStringLiteral("0 8 * * *"), QStringLiteral("0 9 * * *")}));
    }

    void filesSavedOnlyWhenChanged_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("saved");

        QTest::newRow("a missing file left empty is not created") << QString() << false;
        QTest::newRow("text entered creates it") << "devel: anna" << true;
        QTest::newRow("text entered and removed again") << "x\b" << false;
    }

    void filesSavedOnlyWhenChanged()
    {
        QFETCH(QString, typed);
        QFETCH(bool, saved);

        // The group administrators file is missing: an empty text.
        Tab tab({task(QStringLiteral("0 8 * * *"))}, {{defaultConfig, QStringLiteral("config")}, {defaultAdmins, QString()}});
        auto admins = tab.child<QPlainTextEdit>("quotaGroupAdminsText");
        for (const QChar c : typed) {
            if (c == QLatin1Char('\b')) {
                admins->setPlainText(QString());
            } else {
                admins->insertPlainText(c);
            }
        }
        const QHash<QString, QString> files = tab.widget->data()->files();
        QCOMPARE(files.contains(defaultAdmins), saved);
        if (saved) {
            QCOMPARE(files.value(defaultAdmins), typed);
        }
        // The texts nobody touched are not rewritten either.
        QVERIFY(!files.contains(defaultConfig));
    }

    void addedTask()
    {
        Tab tab({task(QStringLiteral("30 6 15 * *"), false, true, QStringLiteral("/etc/warnquota-other.conf"))},
                {{defaultConfig, QStringLiteral("default text")}, {QStringLiteral("/etc/warnquota-other.conf"), QStringLiteral("other text")}});
        QTest::mouseClick(tab.child<QPushButton>("addTaskButton"), Qt::LeftButton);
        QCOMPARE(tab.selector()->currentText(), QStringLiteral("new task"));
        QCOMPARE(tab.checkedMode(), QStringLiteral("hourRButton"));
        QVERIFY(tab.child<QCheckBox>("usersChBox")->isChecked());
        QVERIFY(!tab.child<QCheckBox>("groupsChBox")->isChecked());
        QCOMPARE(tab.expertText(), QStringLiteral("0 * * * *"));
        QCOMPARE(tab.child<QPlainTextEdit>("warnQuotaConfText")->toPlainText(), QStringLiteral("default text"));

        NotificationsData *saved = tab.widget->data();
        const QList<WarnquotaJob> jobs = saved->cronJobs();
        QCOMPARE(jobs.size(), 2);
        // "1" sorts before "new task"; the loaded task is saved as it was.
        QCOMPARE(line(jobs.at(0)), QStringLiteral("30 6 15 * * root warnquota -g --config=/etc/warnquota-other.conf"));
        QCOMPARE(line(jobs.at(1)), QStringLiteral("0 * * * * root warnquota -u"));
        // Texts nobody changed are not written.
        QVERIFY(saved->files().isEmpty());
        QCOMPARE(saved->parent(), tab.widget.get());
    }

    void addingTwiceKeepsBothNewTasks()
    {
        Tab tab({task(QStringLiteral("0 8 * * *"))});
        QTest::mouseClick(tab.child<QPushButton>("addTaskButton"), Qt::LeftButton);
        clickIndicator(tab.child<QCheckBox>("groupsChBox"));
        tab.trigger(QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(tab.selector()->count(), 3);
        QCOMPARE(tab.selector()->currentText(), QStringLiteral("new task 2"));
        QVERIFY(!tab.child<QCheckBox>("groupsChBox")->isChecked());
        const QList<WarnquotaJob> jobs = tab.widget->data()->cronJobs();
        QCOMPARE(jobs.size(), 3);
        QVERIFY(jobs.at(1).groups);
        QVERIFY(!jobs.at(2).groups);
    }

    void incompleteExpertLine_data()
    {
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("saved");

        QTest::newRow("loaded task keeps its time") << false << "0 8 * * 1";
        QTest::newRow("added task falls back to hourly") << true << "0 * * * *";
    }

    void incompleteExpertLine()
    {
        QFETCH(bool, added);
        QFETCH(QString, saved);

        Tab tab({task(QStringLiteral("0 8 * * 1"))});
        if (added) {
            tab.trigger(QKeySequence(Qt::Key_Delete));
            QTest::mouseClick(tab.child<QPushButton>("addTaskButton"), Qt::LeftButton);
            clickIndicator(tab.mode(QStringLiteral("expertModeRButton")));
        }
        tab.child<QLineEdit>("expertLineEdit")->setText(QStringLiteral("0 8 * *"));
        QCOMPARE(timeTexts(tab.widget->data()), QStringList{saved});
    }

    void editsSurviveSwitchingTasks()
    {
        WarnquotaJob commented = task(QStringLiteral("0 22 * * *"), true, false, QStringLiteral("/etc/warnquota-nightly.conf"));
        commented.comment = QStringLiteral(" nightly");
        commented.user = QStringLiteral("quota");
        Tab tab({task(QStringLiteral("5 8 * * *")), commented},
                {{defaultConfig, QStringLiteral("a")}, {QStringLiteral("/etc/warnquota-nightly.conf"), QStringLiteral("b")}});
        tab.timeControl()->setTime(QTime(9, 45));
        tab.child<QPlainTextEdit>("warnQuotaConfText")->setPlainText(QStringLiteral("a2"));
        QCOMPARE(tab.expertText(), QStringLiteral("45 9 * * *"));
        QVERIFY(!tab.locked());

        tab.selector()->setCurrentIndex(1);
        QCOMPARE(tab.expertText(), QStringLiteral("0 22 * * *"));
        QCOMPARE(tab.child<QPlainTextEdit>("warnQuotaConfText")->toPlainText(), QStringLiteral("b"));
        clickIndicator(tab.child<QCheckBox>("groupsChBox"));
        tab.child<QPlainTextEdit>("warnQuotaConfText")->setPlainText(QStringLiteral("b2"));

        tab.selector()->setCurrentIndex(0);
        QCOMPARE(tab.timeControl()->time(), QTime(9, 45));
        QCOMPARE(tab.child<QPlainTextEdit>("warnQuotaConfText")->toPlainText(), QStringLiteral("a2"));

        // One snapshot carries the edits of both tasks and both texts.
        NotificationsData *saved = tab.widget->data();
        QCOMPARE(timeTexts(saved), (QStringList{QStringLiteral("45 9 * * *"), QStringLiteral("0 22 * * *")}));
        const WarnquotaJob second = saved->cronJobs().at(1);
        QVERIFY(second.groups);
        // What the tab does not show is kept.
        QCOMPARE(second.comment, QStringLiteral(" nightly"));
        QCOMPARE(second.user, QStringLiteral("quota"));
        QCOMPARE(saved->files().value(defaultConfig), QStringLiteral("a2"));
        QCOMPARE(saved->files().value(QStringLiteral("/etc/warnquota-nightly.conf")), QStringLiteral("b2"));
    }

    void monthlyDayThatTheMonthMayLack_data()
    {
        QTest::addColumn<QString>("time");
        QTest::newRow("29th") << "0 8 29 * *";
        QTest::newRow("31st") << "59 23 31 * *";
    }

    void monthlyDayThatTheMonthMayLack()
    {
        QFETCH(QString, time);
        Tab tab({task(time), task(QStringLiteral("0 1 1 * *"))});
        QCOMPARE(tab.checkedMode(), QStringLiteral("monthRButton"));
        QCOMPARE(tab.expertText(), time);
        tab.selector()->setCurrentIndex(1);
        tab.selector()->setCurrentIndex(0);
        QCOMPARE(timeTexts(tab.widget->data()), (QStringList{time, QStringLiteral("0 1 1 * *")}));
    }

    void shortcuts()
    {
        Tab tab({task(QStringLiteral("0 8 * * *")), task(QStringLiteral("0 9 * * *"))});
        tab.widget->show();
        tab.widget->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tab.widget.get()));
        tab.selector()->setFocus();

        QTest::keyClick(tab.selector(), Qt::Key_Delete);
        QCOMPARE(tab.selector()->currentText(), QStringLiteral("1 (deleted on Apply)"));
        QCOMPARE(timeTexts(tab.widget->data()), QStringList{QStringLiteral("0 9 * * *")});

        // Typing in an editor deletes text, not the task.
        tab.selector()->setCurrentIndex(1);
        tab.child<QPlainTextEdit>("warnQuotaConfText")->setFocus();
        QTest::keyClick(tab.child<QPlainTextEdit>("warnQuotaConfText"), Qt::Key_Delete);
        QCOMPARE(tab.widget->data()->cronJobs().size(), 1);

        QTest::keyClick(tab.selector(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(tab.selector()->count(), 3);
        QCOMPARE(tab.selector()->currentText(), QStringLiteral("new task"));
        QVERIFY(!tab.locked());
    }

    void twelveTasksInStringOrder()
    {
        QList<WarnquotaJob> jobs;
        for (int i = 1; i <= 12; ++i) {
            jobs.append(task(QStringLiteral("%1 * * * *").arg(i)));
        }
        Tab tab(jobs);
        QStringList names;
        for (int i = 0; i < tab.selector()->count(); ++i) {
            names.append(tab.selector()->itemText(i));
        }
        const QStringList order{QStringLiteral("1"),
                                QStringLiteral("10"),
                                QStringLiteral("11"),
                                QStringLiteral("12"),
                                QStringLiteral("2"),
                                QStringLiteral("3"),
                                QStringLiteral("4"),
                                QStringLiteral("5"),
                                QStringLiteral("6"),
                                QStringLiteral("7"),
                                QStringLiteral("8"),
                                QStringLiteral("9")};
        QCOMPARE(names, order);
        QStringList expected;
        for (const QString &name : order) {
            expected.append(QStringLiteral("%1 * * * *").arg(name));
        }
        QCOMPARE(timeTexts(tab.widget->data()), expected);
        QCOMPARE(tab.modified->count(), 0);
    }

    // A hand-edited job may name a file the helper refuses; the tab says
    // why as soon as the task is shown and saves the task with the default.
    void filesTheHelperRefuses_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("quotaTab");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("savedConfig");
        QTest::addColumn<QString>("savedQuotaTab");

        const QString fallback = QStringLiteral(". This task will use the default file instead when the changes are applied.");
        QTest::newRow("defaults") << defaultConfig << defaultQuotaTab << "" << defaultConfig << defaultQuotaTab;
        QTest::newRow("configuration of another team") << "/etc/warnquota-staff.conf" << defaultQuotaTab << ""
                                                       << "/etc/warnquota-staff.conf" << defaultQuotaTab;
        QTest::newRow("loader preload list") << "/etc/ld.so.preload" << defaultQuotaTab
                                             << QStringLiteral("The name of the file /etc/ld.so.preload does not begin with warnquota") + fallback
                                             << defaultConfig << defaultQuotaTab;
        QTest::newRow("cron table and a file outside /etc")
            << "/etc/cron.d/warnquota"
            << "/tmp/d/quotatab"
            << QStringLiteral(
                   "The file /etc/cron.d/warnquota is the cron table of the quota notifications. The file /tmp/d/quotatab is neither in /etc nor in a "
                   "quota directory of /etc")
                + fallback
            << defaultConfig << defaultQuotaTab;
    }

    void filesTheHelperRefuses()
    {
        QFETCH(QString, config);
        QFETCH(QString, quotaTab);
        QFETCH(QString, message);
        QFETCH(QString, savedConfig);
        QFETCH(QString, savedQuotaTab);
        WarnquotaJob job = task(QStringLiteral("0 8 1 * *"), true, false, config);
        job.quotaTab = quotaTab;
        Tab tab({job, task(QStringLiteral("0 9 * * *"), false, true, QStringLiteral("/etc/ld.so.preload"))}, {{config, QStringLiteral("shown text")}});

        QLabel *label = tab.child<QLabel>("fileRuleLabel");
        QCOMPARE(label->text(), message);
        QCOMPARE(label->isVisibleTo(tab.widget.get()), !message.isEmpty());
        QCOMPARE(tab.child<QPlainTextEdit>("warnQuotaConfText")->isReadOnly(), savedConfig != config);

        // Only an accepted file can be edited, and only an edited text is
        // saved.
        auto editor = tab.child<QPlainTextEdit>("warnQuotaConfText");
        if (!editor->isReadOnly()) {
            editor->setPlainText(QStringLiteral("edited text"));
        }

        NotificationsData *saved = tab.widget->data();
        QCOMPARE(saved->cronJobs().size(), 2);
        QCOMPARE(saved->cronJobs().at(0).config, savedConfig);
        QCOMPARE(saved->cronJobs().at(0).quotaTab, savedQuotaTab);
        // The task not shown names a refused file too: it is saved with the
        // default all the same.
        QCOMPARE(saved->cronJobs().at(1).config, defaultConfig);
        // The text of a refused file is never saved, least of all into the
        // default file.
        QCOMPARE(saved->files().contains(config), savedConfig == config);
        QCOMPARE(saved->files().value(savedConfig) == QLatin1String("edited text"), savedConfig == config);
        QVERIFY(!saved->files().values().contains(QStringLiteral("shown text")));
    }

    // The helper's MAIL_CMD rule shows next to the editor, before Apply.
    void mailCommandReason_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");

        const QString words = QStringLiteral("MAIL_CMD %1 holds more than a program and plain arguments. This text cannot be saved.");
        QTest::newRow("plain program") << "MAIL_CMD = \"/bin/true\""
                                       << ""
                                       << "";
        QTest::newRow("shell code loaded") << "MAIL_CMD = /bin/true; id"
                                           << "" << words.arg(QStringLiteral("/bin/true; id"));
        QTest::newRow("shell code typed") << "FROM = root"
                                          << "\nMAIL_CMD = /bin/true `id`" << words.arg(QStringLiteral("/bin/true `id`"));
        QTest::newRow("mended by typing") << "MAIL_CMD = sendmail"
                                          << "SHOW"
                                          << "";
    }

    void mailCommandReason()
    {
        QFETCH(QString, loaded);
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        Tab tab({task(QStringLiteral("0 8 1 * *"))}, {{defaultConfig, loaded}});
        auto editor = tab.child<QPlainTextEdit>("warnQuotaConfText");
        QLabel *label = tab.child<QLabel>("mailCommandLabel");
        if (typed == QLatin1String("SHOW")) {
            QVERIFY(label->isVisibleTo(tab.widget.get()));
            editor->setPlainText(QStringLiteral("MAIL_CMD = /bin/true"));
        } else if (!typed.isEmpty()) {
            editor->moveCursor(QTextCursor::End);
            editor->insertPlainText(typed);
        }
        QCOMPARE(label->text(), reason);
        QCOMPARE(label->isVisibleTo(tab.widget.get()), !reason.isEmpty());
    }
};

QTEST_MAIN(NotificationSettingWidgetTest)

#include "notificationsettingwidgettest.moc"
