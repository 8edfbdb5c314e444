// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "generalsettingswidget.h"

#include "plugin/model/members/quotastorage.h"
#include "plugin/ui/graceperiodswidget.h"
#include "plugin/ui/systemreboot.h"
#include "ui_generalwidget.h"

#include <KLocalizedString>

#include <QGroupBox>
#include <QProcessEnvironment>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <stdexcept>

const QString GeneralSettingsWidget::RebootTool = QStringLiteral("/usr/bin/vyx-wmfunc");

namespace
{
// The desktop's reboot tool may take its time to hand the request over to
// the session, but must not hold the panel for long.
constexpr int RebootToolTimeoutMs = 30000;

QGroupBox *makeSupportBox(const QString &title, const QString &toolTip, GracePeriodId memory, GracePeriodId files, QWidget *parent)
{
    auto box = new QGroupBox(title, parent);
    box->setToolTip(toolTip);
    box->setCheckable(true);
    box->setChecked(false);
    auto layout = new QVBoxLayout(box);
    layout->addWidget(new GracePeriodsWidget(memory, box));
    layout->addWidget(new GracePeriodsWidget(files, box));
    return box;
}
}

GeneralSettingsWidget::GeneralSettingsWidget(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::GeneralWidget)
{
    m_ui->setupUi(this);
    m_ui->kmessagewidget->hide();
    m_ui->internalQuotaLabel->hide();
    m_ui->xfsQuotaLabel->hide();
    m_ui->folderQuotaLabel->hide();
    inflateGraceWidgets();
    setupConnections();
}

GeneralSettingsWidget::~GeneralSettingsWidget()
{
    delete m_ui;
}

void GeneralSettingsWidget::inflateGraceWidgets()
{
    m_usersBox = makeSupportBox(i18nd("velun_kcm_quotas", "User quota support"),
                                i18nd("velun_kcm_quotas", "Enable / disable quota support for users on this device"),
                                UsersMemoryGrace,
                                UsersFilesGrace,
                                this);
    m_groupsBox = makeSupportBox(i18nd("velun_kcm_quotas", "Group quota support"),
                                 i18nd("velun_kcm_quotas", "Enable / disable quota support for groups on this device"),
                                 GroupsMemoryGrace,
                                 GroupsFilesGrace,
                                 this);
    m_projectsBox = makeSupportBox(i18nd("velun_kcm_quotas", "Folder quota support"),
                                   i18nd("velun_kcm_quotas", "Enable / disable quota support for folders on this device"),
                                   ProjectsMemoryGrace,
                                   ProjectsFilesGrace,
                                   this);
    m_projectsBox->hide();
    // Above the line that says why a device has no folder quotas.
    const int after = m_ui->verticalLayout->indexOf(m_ui->xfsQuotaLabel);
    // Named for whoever looks them up, the tests among them.
    m_usersBox->setObjectName(QStringLiteral("usersQuotaBox"));
    m_groupsBox->setObjectName(QStringLiteral("groupsQuotaBox"));
    m_projectsBox->setObjectName(QStringLiteral("projectsQuotaBox"));
    m_ui->verticalLayout->insertWidget(after + 1, m_usersBox);
    m_ui->verticalLayout->insertWidget(after + 2, m_groupsBox);
    m_ui->verticalLayout->insertWidget(after + 3, m_projectsBox);

    for (QGroupBox *box : {m_usersBox, m_groupsBox, m_projectsBox}) {
        const auto editors = box->findChildren<GracePeriodsWidget *>();
        for (GracePeriodsWidget *editor : editors) {
            connect(editor, &GracePeriodsWidget::changed, this, [this] {
                if (!m_filling) {
                    rememberShownDevice();
                }
            });
        }
    }
}

void GeneralSettingsWidget::setupConnections()
{
    connect(m_ui->cBoxDevices, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        currentDeviceChanged(m_ui->cBoxDevices->itemText(index));
    });
    // The boxes enable and disable their grace editors themselves, so the
    // periods can be set in the same Apply that switches quotas on.
    connect(m_usersBox, &QGroupBox::clicked, this, &GeneralSettingsWidget::rememberShownDevice);
    connect(m_groupsBox, &QGroupBox::clicked, this, &GeneralSettingsWidget::rememberShownDevice);
    connect(m_projectsBox, &QGroupBox::clicked, this, &GeneralSettingsWidget::rememberShownDevice);
}

void GeneralSettingsWidget::updateData(const QMap<QString, QuotaStorage *> &storages, bool refresh)
{
    if (!m_storages.isSharedWith(storages)) {
        m_storages = storages;
    }
    if (!refresh) {
        updateValuesOnGui();
    } else {
        currentDeviceChanged(m_ui->cBoxDevices->currentText());
    }
}

void GeneralSettingsWidget::updateValuesOnGui()
{
    m_ui->cBoxDevices->addItems(m_storages.keys());
}

void GeneralSettingsWidget::currentDeviceChanged(const QString &device)
{
    const QuotaStorage *storage = m_storages.value(device, nullptr);
    // Where the records are kept is the file system's, not an edit's.
    m_ui->internalQuotaLabel->setVisible(storage && (storage->usersData().quotaKeptInternally() || storage->groupsData().quotaKeptInternally()));
    const auto pending = m_edits.constFind(device);
    if (pending != m_edits.constEnd()) {
        const DeviceDataInformation loadedProjects = storage ? storage->projectsData() : DeviceDataInformation();
        showDevice(device, pending->filesystem, pending->users, pending->groups, pending->projects.deviceName().isNull() ? loadedProjects : pending->projects);
        return;
    }
    if (!storage) {
        // A device the last load no longer has: nothing to show for it.
        m_ui->fsName->clear();
        m_ui->internalQuotaLabel->hide();
        m_ui->xfsQuotaLabel->hide();
        m_ui->folderQuotaLabel->hide();
        m_projectsBox->hide();
        m_foldersOffered = false;
        return;
    }
    showDevice(device, storage->filesystem(), storage->usersData(), storage->groupsData(), storage->projectsData());
}

void GeneralSettingsWidget::showDevice(const QString &device,
                                       const QString &filesystem,
                                       const DeviceDataInformation &users,
                                       const DeviceDataInformation &groups,
                                       const DeviceDataInformation &projects)
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    m_ui->fsName->setText(filesystem);
    showFilesystemNotes(device, filesystem);
    const bool xfsRoot = m_xfsRoot;
    const auto show = [xfsRoot](QGroupBox *box, const DeviceDataInformation &data) {
        // The root file system's option waits in fstab for the next boot:
        // shown as switched on, so that an Apply keeps it there.
        box->setChecked(data.quotaSupportOn() || (xfsRoot && data.willMountWithQuota() && !data.quotaKeptInternally()));
        const auto editors = box->findChildren<GracePeriodsWidget *>();
        for (GracePeriodsWidget *editor : editors) {
            editor->setPeriodData(data.graceTimePeriod());
        }
    };
    show(m_usersBox, users);
    show(m_groupsBox, groups);
    show(m_projectsBox, projects);
    updateRootFlags();
    m_ui->kmessagewidget->setVisible(!m_usersBox->isChecked() || !m_groupsBox->isChecked() || (m_foldersOffered && !m_projectsBox->isChecked()));
}

void GeneralSettingsWidget::showFilesystemNotes(const QString &device, const QString &filesystem)
{
    const QuotaStorage *storage = m_storages.value(device, nullptr);
    const QString mountPath = storage ? storage->mountPath() : QString();
    const DeviceDataInformation projects = storage ? storage->projectsData() : DeviceDataInformation();
    const bool xfs = DeviceDataInformation::isXfs(filesystem);
    m_xfsRoot = xfs && mountPath == QLatin1String("/");
    m_ui->xfsQuotaLabel->setVisible(xfs);
    if (xfs && !m_xfsRoot) {
        m_ui->xfsQuotaLabel->setText(i18nd("velun_kcm_quotas",
                                           "XFS counts quotas only while it is mounted with their options: switching a kind on adds its option to "
                                           "/etc/fstab and mounts %1 again, which is refused while the device is busy. XFS has no quota files.",
                                           device));
    }
    // ext4 counts folders only with the "project" feature, which mkfs or
    // tune2fs give; a device that is not mounted cannot tell.
    m_foldersOffered = xfs || projects.quotaKeptInternally();
    m_projectsBox->setVisible(m_foldersOffered);
    const bool explain = !m_foldersOffered && !mountPath.isEmpty();
    m_ui->folderQuotaLabel->setVisible(explain);
    if (explain) {
        m_ui->folderQuotaLabel->setText(
            filesystem == QLatin1String("ext4")
                ? i18nd("velun_kcm_quotas", "%1 has no folder quotas yet: unmount it and run tune2fs -O project,quota %1, then mount it again.", device)
                : i18nd("velun_kcm_quotas", "Folder quotas need an ext4 or XFS file system; %1 is %2.", device, filesystem));
    }
}

void GeneralSettingsWidget::updateRootFlags()
{
    if (!m_xfsRoot) {
        return;
    }
    QStringList flags;
    if (m_usersBox->isChecked()) {
        flags.append(quotaMountOption(Users));
    }
    if (m_groupsBox->isChecked()) {
        flags.append(quotaMountOption(Groups));
    }
    if (m_foldersOffered && m_projectsBox->isChecked()) {
        flags.append(quotaMountOption(Projects));
    }
    if (flags.isEmpty()) {
        flags = QStringList{quotaMountOption(Users), quotaMountOption(Groups), quotaMountOption(Projects)};
    }
    m_ui->xfsQuotaLabel->setText(i18nd("velun_kcm_quotas",
                                       "%1 is the root file system, which the kernel mounts with the options of its command line: switching a kind on "
                                       "adds its option to /etc/fstab, and the kernel command line needs rootflags=%2 as well. Nothing changes before "
                                       "the next boot.",
                                       m_ui->cBoxDevices->currentText(),
                                       flags.join(QLatin1Char(','))));
}

void GeneralSettingsWidget::rememberShownDevice()
{
    const QString device = m_ui->cBoxDevices->currentText();
    if (device.isEmpty()) {
        return;
    }
    const QuotaStorage *storage = m_storages.value(device, nullptr);
    const DeviceDataInformation loadedUsers = storage ? storage->usersData() : DeviceDataInformation();
    const DeviceDataInformation loadedGroups = storage ? storage->groupsData() : DeviceDataInformation();
    PendingDevice edit;
    edit.filesystem = m_ui->fsName->text();
    edit.users.setDeviceName(device);
    edit.users.setQuotaSupportOn(m_usersBox->isChecked());
    edit.users.setGraceTimePeriod(
        {timeToApply(UsersMemoryGrace, loadedUsers.graceTimePeriod().blockGrace), timeToApply(UsersFilesGrace, loadedUsers.graceTimePeriod().inodeGrace)});
    edit.groups.setDeviceName(device);
    edit.groups.setQuotaSupportOn(m_groupsBox->isChecked());
    edit.groups.setGraceTimePeriod(
        {timeToApply(GroupsMemoryGrace, loadedGroups.graceTimePeriod().blockGrace), timeToApply(GroupsFilesGrace, loadedGroups.graceTimePeriod().inodeGrace)});
    if (m_foldersOffered) {
        const DeviceDataInformation loadedProjects = storage ? storage->projectsData() : DeviceDataInformation();
        edit.projects.setDeviceName(device);
        edit.projects.setQuotaSupportOn(m_projectsBox->isChecked());
        edit.projects.setGraceTimePeriod({timeToApply(ProjectsMemoryGrace, loadedProjects.graceTimePeriod().blockGrace),
                                          timeToApply(ProjectsFilesGrace, loadedProjects.graceTimePeriod().inodeGrace)});
    }
    m_edits.insert(device, edit);
    updateRootFlags();
    m_ui->kmessagewidget->setVisible(!m_usersBox->isChecked() || !m_groupsBox->isChecked() || (m_foldersOffered && !m_projectsBox->isChecked()));
    Q_EMIT modify();
}

bool GeneralSettingsWidget::hasPendingEdits() const
{
    return !m_edits.isEmpty();
}

void GeneralSettingsWidget::discardEdits()
{
    m_edits.clear();
    currentDeviceChanged(m_ui->cBoxDevices->currentText());
}

void GeneralSettingsWidget::askRebootIfNeeded(SystemReboot &reboot)
{
    // Quotas that are on while the device is mounted without the option
    // only take full effect after the device is mounted anew. Records kept
    // inside the file system are enforced at once; the option only matters
    // for the next mount.
    const auto needsMount = [](const DeviceDataInformation &data) {
        return data.quotaSupportOn() && !data.mountWithQuota() && !data.quotaKeptInternally();
    };
    for (const QuotaStorage *storage : std::as_const(m_storages)) {
        if (needsMount(storage->usersData()) || needsMount(storage->groupsData())) {
            systemReboot(reboot);
            return;
        }
    }
}

Time GeneralSettingsWidget::timeToApply(GracePeriodId id, const Time &loaded) const
{
    // A period the administrator left alone goes back as it was read, with
    // the seconds and weeks the editor cannot show.
    for (const QGroupBox *box : {m_usersBox, m_groupsBox, m_projectsBox}) {
        const auto editors = box->findChildren<GracePeriodsWidget *>();
        for (const GracePeriodsWidget *editor : editors) {
            if (editor->id() == id && editor->shows(loaded)) {
                return loaded;
            }
        }
    }
    return timeByGracePeriodId(id);
}

Time GeneralSettingsWidget::timeByGracePeriodId(GracePeriodId id) const
{
    for (const QGroupBox *box : {m_usersBox, m_groupsBox, m_projectsBox}) {
        const auto editors = box->findChildren<GracePeriodsWidget *>();
        for (const GracePeriodsWidget *editor : editors) {
            if (editor->id() == id) {
                return editor->time();
            }
        }
    }
    throw std::runtime_error(i18nd("velun_kcm_quotas", "Failed to determine grace time.").toStdString());
}

QMap<QString, QuotaStorage *> GeneralSettingsWidget::quotas()
{
    QMap<QString, QuotaStorage *> wanted;
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it) {
        auto storage = new QuotaStorage(this);
        storage->setFilesystem(it->filesystem);
        storage->setUsersData(it->users);
        storage->setGroupsData(it->groups);
        storage->setProjectsData(it->projects);
        wanted.insert(it.key(), storage);
    }
    return wanted;
}

void GeneralSettingsWidget::systemReboot(SystemReboot &reboot)
{
    if (!reboot.confirm()) {
        return;
    }
    // A panel started through sudo reaches the desktop user's session
    // through that user's runtime directory.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString uid = environment.value(QStringLiteral("SUDO_UID"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/%1").arg(uid));
    reboot.runTool(RebootTool, {QStringLiteral("VYXWM_REBOOT")}, environment, RebootToolTimeoutMs);
}
