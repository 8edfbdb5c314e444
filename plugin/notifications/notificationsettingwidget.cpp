// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "notificationsettingwidget.h"

#include "common/configurationfilerule.h"
#include "common/mailcommandrule.h"
#include "plugin/notifications/cronmanager.h"
#include "plugin/notifications/notificationpaths.h"
#include "plugin/notifications/notificationsdata.h"
#include "ui_notificationsettingwidget.h"

#include <KLocalizedString>

#include <QAction>
#include <QDateTime>
#include <QFont>
#include <QIcon>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace
{
const QRegularExpression monthlyPattern(QStringLiteral(R"(^([1-5]?[0-9])\s+(2[0-3]|[0-1]?[0-9])\s+(3[01]|[12][0-9]|[1-9])\s+\*\s+\*$)"));
const QRegularExpression dailyPattern(QStringLiteral(R"(^([1-5]?[0-9])\s+(2[0-3]|[0-1]?[0-9])\s+\*\s+\*\s+\*$)"));
const QRegularExpression hourlyPattern(QStringLiteral(R"(^([0-9]|[1-5][0-9])\s+\*\s+\*\s+\*\s+\*$)"));

// What a task gets when it has never had a valid time: hourly at minute 0,
// the schedule a freshly added task starts with.
CronTime fallbackTime()
{
    return CronTime(QStringLiteral("0"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"), QStringLiteral("*"));
}

QDate firstOfCurrentMonth()
{
    const QDate today = QDate::currentDate();
    return QDate(today.year(), today.month(), 1);
}

// Monthly tasks carry their day as a date. When the current month is too
// short for it (the 31st in November), the next month that has the day
// holds it; only the day is ever shown or read back.
QDate dayInCurrentMonth(int day)
{
    QDate month = firstOfCurrentMonth();
    for (int i = 0; i < 12; ++i, month = month.addMonths(1)) {
        const QDate date(month.year(), month.month(), day);
        if (date.isValid()) {
            return date;
        }
    }
    return firstOfCurrentMonth();
}

QString number(int value)
{
    return QStringLiteral("%1").arg(value);
}

static_assert(int(WarnQuotaConf) == int(WarnquotaConfRole) && int(QuotaGroupAdmins) == int(GroupAdminsRole) && int(QuotaTab) == int(QuotaTabRole),
              "the editors and the file roles are numbered alike");

ConfigFileRoleId roleOf(ConfigQuotaId id)
{
    return static_cast<ConfigFileRoleId>(id);
}

QString &pathOf(WarnquotaJob &job, ConfigQuotaId id)
{
    return id == WarnQuotaConf ? job.config : (id == QuotaGroupAdmins ? job.adminsFile : job.quotaTab);
}
}

NotificationSettingWidget::NotificationSettingWidget(NotificationsData *data, QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::NotificationSettingWidget)
    , m_data(data)
{
    m_ui->setupUi(this);

    const QRegularExpression expertPattern(QStringLiteral(R"(^\s*[\d\/*,-]+\s+[\d\/*,-]+\s+[\d\/*,-]+\s+[\d\/*,-]+\s+[\d\/*,-]+\s*$)"));
    m_ui->expertLineEdit->setValidator(new QRegularExpressionValidator(expertPattern, this));

    // The items carry the task names; their texts also tell a pending deletion.
    connect(m_ui->cronJobsComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        currentJobChanged(m_ui->cronJobsComboBox->itemData(index).toString());
    });
    for (QRadioButton *button : {m_ui->monthRButton, m_ui->dayRButton, m_ui->hourRButton, m_ui->expertModeRButton}) {
        connect(button, &QRadioButton::toggled, this, &NotificationSettingWidget::cronWidgetsChanged);
    }
    connect(m_ui->atDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, &NotificationSettingWidget::changeExpertLineData);
    connect(m_ui->addTaskButton, &QPushButton::clicked, this, &NotificationSettingWidget::addTask);
    connect(m_ui->deleteTaskButton, &QPushButton::clicked, this, &NotificationSettingWidget::toggleDeletion);
    // The helper refuses a configuration whose MAIL_CMD is more than a
    // program of root's; the reason shows while the text is edited.
    connect(m_ui->warnQuotaConfText, &QPlainTextEdit::textChanged, this, &NotificationSettingWidget::showMailCommandReason);

    setupDataOnGui();

    // The shortcuts work even while the buttons are locked. They are bound
    // to this tab so that they stay quiet while another tab is shown.
    auto *addAction = new QAction(this);
    addAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(addAction, &QAction::triggered, this, &NotificationSettingWidget::addTask);
    QWidget::addAction(addAction);

    auto *deleteAction = new QAction(this);
    deleteAction->setShortcut(QKeySequence(Qt::Key_Delete));
    deleteAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteAction, &QAction::triggered, this, &NotificationSettingWidget::deleteTask);
    QWidget::addAction(deleteAction);
}

NotificationSettingWidget::~NotificationSettingWidget()
{
    disconnectChangeDataWidgets();
    delete m_ui;
}

void NotificationSettingWidget::setNotificationData(NotificationsData *data)
{
    m_data = data;
    setupDataOnGui();
}

NotificationsData *NotificationSettingWidget::data()
{
    commitShownTask();
    auto *snapshot = new NotificationsData(this);

    QList<WarnquotaJob> jobs;
    for (auto it = m_jobs.cbegin(); it != m_jobs.cend(); ++it) {
        if (m_deleted.contains(it.key())) {
            continue;
        }
        WarnquotaJob job = it.value();
        // A job with an empty time would be written as a line that is not a
        // job, and the task would be gone at the next read.
        if (job.time.minutes().isEmpty()) {
            job.time = fallbackTime();
        }
        // A file that the helper will not write (named by a hand-edited job)
        // gives way to the default, as the tab announced, so that the cron
        // table can be saved.
        const QHash<ConfigQuotaId, QString> violations = fileRuleViolations(job);
        for (auto violation = violations.cbegin(); violation != violations.cend(); ++violation) {
            pathOf(job, violation.key()) = ConfigurationFileRule::defaultPath(roleOf(violation.key()));
        }
        jobs.append(job);
    }
    snapshot->setCronJobs(jobs);

    // A path the snapshot had no text for counts as an empty text.
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (it.value() != m_loadedFiles.value(it.key())) {
            snapshot->setFileText(it.key(), it.value());
        }
    }
    return snapshot;
}

void NotificationSettingWidget::commitShownTask()
{
    if (m_shownName.isEmpty() || !m_shownEdited || !m_jobs.contains(m_shownName)) {
        return;
    }
    // What the controls do not show (the cron user, the comment) stays as
    // it was read.
    WarnquotaJob job = m_jobs.value(m_shownName);
    const CronTime time = cronTimeFromWidgets();
    // An expert line left incomplete must not make the task vanish: it
    // keeps the time it had.
    if (!time.minutes().isEmpty()) {
        job.time = time;
    }
    if (job.user.isEmpty()) {
        job.user = QStringLiteral("root");
    }
    job.config = m_filePaths.value(WarnQuotaConf);
    job.adminsFile = m_filePaths.value(QuotaGroupAdmins);
    job.quotaTab = m_filePaths.value(QuotaTab);
    job.users = m_ui->usersChBox->isChecked();
    job.groups = m_ui->groupsChBox->isChecked();
    m_jobs.insert(m_shownName, job);

    const QList<QPair<ConfigQuotaId, QPlainTextEdit *>> editors{
        {WarnQuotaConf, m_ui->warnQuotaConfText},
        {QuotaGroupAdmins, m_ui->quotaGroupAdminsText},
        {QuotaTab, m_ui->quotaTabText},
    };
    const ConfigurationFileRule rule(m_pathInspector);
    for (const auto &editor : editors) {
        const QString path = m_filePaths.value(editor.first);
        if (!path.isEmpty() && rule.check(path, roleOf(editor.first)).isEmpty()) {
            m_files.insert(path, editor.second->toPlainText());
        }
    }
}

QString NotificationSettingWidget::currentName() const
{
    return m_ui->cronJobsComboBox->currentData().toString();
}

void NotificationSettingWidget::setupDataOnGui()
{
    if (!m_data) {
        return;
    }
    // Nothing of the tasks shown so far is carried into the new snapshot.
    m_shownName.clear();
    m_shownEdited = false;
    m_deleted.clear();
    m_jobs.clear();
    const QList<WarnquotaJob> jobs = m_data->cronJobs();
    for (int i = 0; i < jobs.size(); ++i) {
        m_jobs.insert(number(i + 1), jobs.at(i));
    }
    m_files = m_data->files();
    m_loadedFiles = m_files;

    m_ui->cronJobsComboBox->clear();
    for (auto it = m_jobs.cbegin(); it != m_jobs.cend(); ++it) {
        m_ui->cronJobsComboBox->addItem(it.key(), it.key());
    }
    if (m_jobs.isEmpty()) {
        currentJobChanged(QString());
    }
    updateTaskState();
}

void NotificationSettingWidget::updateTaskState()
{
    const bool hasTasks = !m_jobs.isEmpty();
    const bool deleted = m_deleted.contains(currentName());
    m_ui->addTaskButton->setEnabled(true);
    m_ui->cronJobsComboBox->setEnabled(hasTasks);
    m_ui->deleteTaskButton->setEnabled(hasTasks);
    blockControlWidget(!hasTasks || deleted);
    if (deleted) {
        m_ui->deleteTaskButton->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo")));
        m_ui->deleteTaskButton->setToolTip(i18nd("velun_kcm_quotas", "Keep the current task"));
    } else {
        m_ui->deleteTaskButton->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
        m_ui->deleteTaskButton->setToolTip(i18nd("velun_kcm_quotas", "Delete current task"));
    }
}

void NotificationSettingWidget::currentJobChanged(const QString &name)
{
    commitShownTask();
    disconnectChangeDataWidgets();
    m_shownName = name;
    m_shownEdited = false;

    const WarnquotaJob job = m_jobs.value(name);
    m_ui->usersChBox->setChecked(job.users);
    m_ui->groupsChBox->setChecked(job.groups);
    cronDataPresentation(job);

    m_filePaths[WarnQuotaConf] = job.config;
    m_ui->warnQuotaConfText->setPlainText(m_files.value(job.config));
    m_filePaths[QuotaGroupAdmins] = job.adminsFile;
    m_ui->quotaGroupAdminsText->setPlainText(m_files.value(job.adminsFile));
    m_filePaths[QuotaTab] = job.quotaTab;
    m_ui->quotaTabText->setPlainText(m_files.value(job.quotaTab));

    const QHash<ConfigQuotaId, QString> violations = name.isEmpty() ? QHash<ConfigQuotaId, QString>() : fileRuleViolations(job);
    m_ui->warnQuotaConfText->setReadOnly(violations.contains(WarnQuotaConf));
    m_ui->quotaGroupAdminsText->setReadOnly(violations.contains(QuotaGroupAdmins));
    m_ui->quotaTabText->setReadOnly(violations.contains(QuotaTab));
    QStringList reasons;
    for (const ConfigQuotaId id : {WarnQuotaConf, QuotaGroupAdmins, QuotaTab}) {
        if (violations.contains(id)) {
            reasons.append(violations.value(id));
        }
    }
    m_ui->fileRuleLabel->setText(
        reasons.isEmpty()
            ? QString()
            : i18nd("velun_kcm_quotas", "%1. This task will use the default file instead when the changes are applied.", reasons.join(QStringLiteral(". "))));
    m_ui->fileRuleLabel->setVisible(!reasons.isEmpty());

    connectChangeDataWidgets();
    updateTaskState();
}

void NotificationSettingWidget::showMailCommandReason()
{
    const QString reason = MailCommandRule(m_pathInspector).check(m_ui->warnQuotaConfText->toPlainText());
    m_ui->mailCommandLabel->setText(reason.isEmpty() ? QString() : i18nd("velun_kcm_quotas", "%1. This text cannot be saved.", reason));
    m_ui->mailCommandLabel->setVisible(!reason.isEmpty());
}

QHash<ConfigQuotaId, QString> NotificationSettingWidget::fileRuleViolations(const WarnquotaJob &job)
{
    const ConfigurationFileRule rule(m_pathInspector);
    QHash<ConfigQuotaId, QString> violations;
    WarnquotaJob copy = job;
    for (const ConfigQuotaId id : {WarnQuotaConf, QuotaGroupAdmins, QuotaTab}) {
        const QString &path = pathOf(copy, id);
        // An empty path stands for the default file.
        const QString reason = path.isEmpty() ? QString() : rule.check(path, roleOf(id));
        if (!reason.isEmpty()) {
            violations.insert(id, reason);
        }
    }
    return violations;
}

void NotificationSettingWidget::cronDataPresentation(const CronJob &job)
{
    const QString text = CronManager::cronTimeToString(job.time);
    const QDate firstDay = firstOfCurrentMonth();

    QRegularExpressionMatch match = monthlyPattern.match(text);
    if (match.hasMatch()) {
        m_ui->monthRButton->setChecked(true);
        changeDateTime(QDateTime(dayInCurrentMonth(match.captured(3).toInt()), QTime(match.captured(2).toInt(), match.captured(1).toInt())));
    } else if ((match = dailyPattern.match(text)).hasMatch()) {
        m_ui->dayRButton->setChecked(true);
        changeDateTime(QDateTime(firstDay, QTime(match.captured(2).toInt(), match.captured(1).toInt())));
    } else if ((match = hourlyPattern.match(text)).hasMatch()) {
        m_ui->hourRButton->setChecked(true);
        changeDateTime(QDateTime(firstDay, QTime(0, match.captured(1).toInt())));
    } else {
        changeDateTime(QDateTime(firstDay, QTime(0, 0)));
        m_ui->expertModeRButton->setChecked(true);
    }
    m_ui->expertLineEdit->setText(text);
}

void NotificationSettingWidget::cronWidgetsChanged()
{
    const bool expert = m_ui->expertModeRButton->isChecked();
    if (m_ui->monthRButton->isChecked()) {
        changeDateTimeDisplayFormat(QStringLiteral("dd HH:mm"));
        m_ui->atLabel->setText(i18nd("velun_kcm_quotas", "At (day hours:minutes):"));
    } else if (m_ui->dayRButton->isChecked()) {
        changeDateTimeDisplayFormat(QStringLiteral("HH:mm"));
        m_ui->atLabel->setText(i18nd("velun_kcm_quotas", "At (hours:minutes):"));
    } else if (m_ui->hourRButton->isChecked()) {
        changeDateTimeDisplayFormat(QStringLiteral("mm"));
        m_ui->atLabel->setText(i18nd("velun_kcm_quotas", "At (minutes):"));
    } else if (expert && m_ui->atLabel->text().isEmpty()) {
        changeDateTimeDisplayFormat(QStringLiteral("dd HH:mm"));
        m_ui->atLabel->setText(i18nd("velun_kcm_quotas", "At (day hours:minutes):"));
    }
    m_ui->atDateTimeEdit->setEnabled(!expert);
    m_ui->expertLineEdit->setEnabled(expert);
    changeExpertLineData();
}

void NotificationSettingWidget::changeExpertLineData()
{
    m_ui->expertLineEdit->setText(CronManager::cronTimeToString(cronTimeFromWidgets()));
}

CronTime NotificationSettingWidget::cronTimeFromWidgets() const
{
    const QString any = QStringLiteral("*");
    const QDateTime at = m_ui->atDateTimeEdit->dateTime();
    const QString minute = number(at.time().minute());
    if (m_ui->monthRButton->isChecked()) {
        return CronTime(minute, number(at.time().hour()), number(at.date().day()), any, any);
    }
    if (m_ui->dayRButton->isChecked()) {
        return CronTime(minute, number(at.time().hour()), any, any, any);
    }
    if (m_ui->hourRButton->isChecked()) {
        return CronTime(minute, any, any, any, any);
    }
    if (m_ui->expertModeRButton->isChecked()) {
        return CronManager::stringToCronTime(m_ui->expertLineEdit->text());
    }
    return CronTime(any, any, any, any, any);
}

// A time-only display format narrows the control's date range to the date
// it holds; the range is put back so that the next task's date still fits.
void NotificationSettingWidget::changeDateTime(const QDateTime &dateTime)
{
    const QDateTime minimum = m_ui->atDateTimeEdit->minimumDateTime();
    const QDateTime maximum = m_ui->atDateTimeEdit->maximumDateTime();
    m_ui->atDateTimeEdit->setDateTime(dateTime);
    m_ui->atDateTimeEdit->setDateTimeRange(minimum, maximum);
}

void NotificationSettingWidget::changeDateTimeDisplayFormat(const QString &format)
{
    const QDateTime minimum = m_ui->atDateTimeEdit->minimumDateTime();
    const QDateTime maximum = m_ui->atDateTimeEdit->maximumDateTime();
    m_ui->atDateTimeEdit->setDisplayFormat(format);
    m_ui->atDateTimeEdit->setDateTimeRange(minimum, maximum);
}

void NotificationSettingWidget::addTask()
{
    WarnquotaJob job;
    job.user = QStringLiteral("root");
    job.config = NotificationPaths::defaultConfig();
    job.adminsFile = NotificationPaths::defaultAdminsFile();
    job.quotaTab = NotificationPaths::defaultQuotaTab();
    // Every added task has a name of its own, so that adding another one
    // does not throw away what was entered for the first.
    QString name = i18nd("velun_kcm_quotas", "new task");
    for (int n = 2; m_jobs.contains(name); ++n) {
        name = i18nd("velun_kcm_quotas", "new task %1", n);
    }
    m_jobs.insert(name, job);

    QComboBox *selector = m_ui->cronJobsComboBox;
    selector->addItem(name, name);
    selector->setCurrentIndex(selector->count() - 1);

    m_ui->hourRButton->setChecked(true);
    m_ui->usersChBox->setChecked(true);
    // Saved even if nothing more is changed.
    m_shownEdited = true;
    updateTaskState();
    Q_EMIT modify();
}

void NotificationSettingWidget::deleteTask()
{
    const QString name = currentName();
    if (name.isEmpty() || m_deleted.contains(name)) {
        return;
    }
    setDeleted(name, true);
}

void NotificationSettingWidget::toggleDeletion()
{
    const QString name = currentName();
    if (!name.isEmpty()) {
        setDeleted(name, !m_deleted.contains(name));
    }
}

void NotificationSettingWidget::setDeleted(const QString &name, bool deleted)
{
    QComboBox *selector = m_ui->cronJobsComboBox;
    const int index = selector->findData(name);
    if (index < 0) {
        return;
    }
    QFont font = selector->font();
    if (deleted) {
        commitShownTask();
        m_deleted.insert(name);
        font.setStrikeOut(true);
        selector->setItemText(index, i18nd("velun_kcm_quotas", "%1 (deleted on Apply)", name));
    } else {
        m_deleted.remove(name);
        selector->setItemText(index, name);
    }
    selector->setItemData(index, font, Qt::FontRole);
    updateTaskState();
    Q_EMIT modify();
}

void NotificationSettingWidget::changeData()
{
    m_shownEdited = true;
}

void NotificationSettingWidget::noteEdit()
{
    m_shownEdited = true;
    Q_EMIT modify();
}

void NotificationSettingWidget::analizCheckBoxes()
{
    auto *box = qobject_cast<QCheckBox *>(sender());
    if (m_ui->usersChBox->isChecked() || m_ui->groupsChBox->isChecked()) {
        changeData();
        return;
    }
    // A task always warns someone: the last recipient cannot be unchecked.
    if (box) {
        const bool wasBlocked = box->blockSignals(true);
        box->setChecked(true);
        box->blockSignals(wasBlocked);
    }
}

void NotificationSettingWidget::blockControlWidget(bool block)
{
    m_ui->notifyWidget->setEnabled(!block);
    m_ui->generalLayout->setEnabled(!block);
}

void NotificationSettingWidget::connectChangeDataWidgets()
{
    for (QCheckBox *box : {m_ui->usersChBox, m_ui->groupsChBox}) {
        m_connections.append(connect(box, &QCheckBox::toggled, this, &NotificationSettingWidget::analizCheckBoxes));
        m_connections.append(connect(box, &QCheckBox::clicked, this, &NotificationSettingWidget::noteEdit));
    }
    for (QRadioButton *button : {m_ui->monthRButton, m_ui->dayRButton, m_ui->hourRButton, m_ui->expertModeRButton}) {
        m_connections.append(connect(button, &QRadioButton::toggled, this, &NotificationSettingWidget::changeData));
        m_connections.append(connect(button, &QRadioButton::clicked, this, &NotificationSettingWidget::noteEdit));
    }
    for (QPlainTextEdit *editor : {m_ui->warnQuotaConfText, m_ui->quotaGroupAdminsText, m_ui->quotaTabText}) {
        m_connections.append(connect(editor, &QPlainTextEdit::textChanged, this, &NotificationSettingWidget::changeData));
        m_connections.append(connect(editor, &QPlainTextEdit::textChanged, this, &NotificationSettingWidget::noteEdit));
    }
    m_connections.append(connect(m_ui->atDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, &NotificationSettingWidget::noteEdit));
    m_connections.append(connect(m_ui->expertLineEdit, &QLineEdit::textChanged, this, &NotificationSettingWidget::noteEdit));
}

void NotificationSettingWidget::disconnectChangeDataWidgets()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections)) {
        disconnect(connection);
    }
    m_connections.clear();
}
