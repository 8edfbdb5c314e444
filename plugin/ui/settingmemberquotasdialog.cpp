// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "settingmemberquotasdialog.h"

#include "plugin/model/members/limitfieldid.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "plugin/system/kcmquotas_debug.h"
#include "plugin/ui/int64spinbox.h"
#include "ui_settingmemberquotasdialog.h"

#include <KLocalizedString>
#include <KMessageWidget>

#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace
{
QString onOff(bool on)
{
    return on ? i18nd("velun_kcm_quotas", "on") : i18nd("velun_kcm_quotas", "off");
}

// The kernel keeps space and file limits below 2^63 (the vfsv1 format and
// file systems keeping quota internally; the older vfsv0 format refuses
// more than 2^32 - 1 KiB, and the helper says so).
constexpr qint64 kernelMaximum = std::numeric_limits<qint64>::max();
constexpr quint64 maximumKiB = quint64(kernelMaximum) / 1024;

// The kernel's maximum in the unit of index `index` (0 is Kb).
double maximumForUnitIndex(int index)
{
    return double(maximumKiB) / std::pow(1024.0, index);
}

// Index 0 of a unit box is Kb: the bytes in one unit of index `index`.
double unitFactor(int index)
{
    return std::pow(1024.0, index + 1);
}

// A limit of 0 is no limit and fits with anything.
bool limitsFit(quint64 soft, quint64 hard)
{
    return soft == 0 || hard == 0 || soft <= hard;
}

// The date editors cannot show an empty date; their minimum date stands
// for "no grace time running".
QDate emptyDateMarker()
{
    return QDate::fromString(QStringLiteral("14.09.1752"), QStringLiteral("dd.MM.yyyy"));
}

void showMoment(QDateTimeEdit *edit, const QDateTime &moment)
{
    if (moment.isValid()) {
        edit->setDateTime(moment);
    } else {
        edit->setSpecialValueText(QStringLiteral(" "));
        // Clamped to the editor's minimum, which shows the blank text above.
        edit->setDateTime(QDateTime(QDate::fromString(QStringLiteral("01/01/0001"), QStringLiteral("dd/MM/yyyy")), QTime(0, 0)));
    }
    edit->setEnabled(moment.isValid());
}
}

SettingMemberQuotasDialog::SettingMemberQuotasDialog(const SettingsDeviceQuota &member, const QString &device, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::SettingMemberQuotasDialog)
    , m_member(member)
    , m_device(device)
{
    m_ui->setupUi(this);
    m_limitsWarning = new KMessageWidget(this);
    m_limitsWarning->setObjectName(QStringLiteral("limitsWarning"));
    m_limitsWarning->setMessageType(KMessageWidget::Warning);
    m_limitsWarning->setWordWrap(true);
    m_limitsWarning->setCloseButtonVisible(false);
    m_limitsWarning->hide();
    m_ui->verticalLayout->insertWidget(m_ui->verticalLayout->indexOf(m_ui->buttonBox), m_limitsWarning);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &SettingMemberQuotasDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &SettingMemberQuotasDialog::reject);

    const QString name = m_member.member().name;
    switch (m_member.id()) {
    case Users:
        setWindowTitle(i18nd("velun_kcm_quotas", "Setting quotas for a user: %1", name));
        break;
    case Groups:
        setWindowTitle(i18nd("velun_kcm_quotas", "Setting quotas for a group: %1", name));
        break;
    case Projects:
        setWindowTitle(i18nd("velun_kcm_quotas", "Setting quotas for a folder: %1", m_member.member().folder));
        break;
    }

    for (Int64SpinBox *files : {m_ui->usedFiles, m_ui->softLimitFilesValue, m_ui->hardLimitFilesValue}) {
        files->setMaximum(maximumFiles());
    }
    const QString filesSuffix = QLatin1Char(' ') + i18nd("velun_kcm_quotas", "number of files");
    m_ui->usedFiles->setSuffix(filesSuffix);
    m_ui->softLimitFilesValue->setSuffix(filesSuffix);
    m_ui->hardLimitFilesValue->setSuffix(filesSuffix);

    const auto follow = [this](QCheckBox *check, std::initializer_list<QWidget *> widgets) {
        const QList<QWidget *> followers(widgets);
        connect(check, &QCheckBox::stateChanged, this, [followers](int state) {
            for (QWidget *widget : followers) {
                widget->setEnabled(state == Qt::Checked);
            }
        });
    };
    follow(m_ui->softLimitMemoryChBox, {m_ui->softLimitMemoryValue, m_ui->softLimitCombo});
    follow(m_ui->hardLimitMemoryChBox, {m_ui->hardLimitMemoryValue, m_ui->hardLimitCombo});
    follow(m_ui->softLimitFilesChBox, {m_ui->softLimitFilesValue});
    follow(m_ui->hardLimitFilesChBox, {m_ui->hardLimitFilesValue});
    connectSpaceLimit(m_ui->softLimitMemoryValue, m_ui->softLimitCombo, &m_softBytes);
    connectSpaceLimit(m_ui->hardLimitMemoryValue, m_ui->hardLimitCombo, &m_hardBytes);

    connect(m_ui->devicesCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, &SettingMemberQuotasDialog::changeDevice);
    m_ui->devicesCombo->addItems(memberDevices());
    const int wanted = m_ui->devicesCombo->findText(m_device);
    m_ui->devicesCombo->setCurrentIndex(wanted >= 0 ? wanted : 0);

    setupChangeConnections();
}

SettingMemberQuotasDialog::~SettingMemberQuotasDialog()
{
    delete m_ui;
}

SettingsDeviceQuota SettingMemberQuotasDialog::selectedMember() const
{
    return m_member;
}

quint64 SettingMemberQuotasDialog::maximumSpaceBytes()
{
    return maximumKiB * 1024;
}

qint64 SettingMemberQuotasDialog::maximumFiles()
{
    return kernelMaximum;
}

void SettingMemberQuotasDialog::setManyMembers(const QList<SettingsDeviceQuota *> &members)
{
    QStringList names;
    for (const SettingsDeviceQuota *member : members) {
        names.append(member->id() == Projects ? member->member().folder : member->member().name);
    }
    // A few names, then how many more; the full list is in the tool tip.
    constexpr int shownNames = 5;
    QString shown = QStringList(names.mid(0, shownNames)).join(QStringLiteral(", "));
    if (names.size() > shownNames) {
        shown = i18ndp("velun_kcm_quotas", "%2 and %1 more", "%2 and %1 more", names.size() - shownNames, shown);
    }
    switch (m_member.id()) {
    case Users:
        setWindowTitle(i18ndp("velun_kcm_quotas", "Setting quotas for %1 user: %2", "Setting quotas for %1 users: %2", names.size(), shown));
        break;
    case Groups:
        setWindowTitle(i18ndp("velun_kcm_quotas", "Setting quotas for %1 group: %2", "Setting quotas for %1 groups: %2", names.size(), shown));
        break;
    case Projects:
        setWindowTitle(i18ndp("velun_kcm_quotas", "Setting quotas for %1 folder: %2", "Setting quotas for %1 folders: %2", names.size(), shown));
        break;
    }
    setToolTip(names.join(QLatin1Char('\n')));
    m_ui->devicesCombo->setEnabled(false);
    m_ui->dateTimeMemory->setEnabled(false);
    m_ui->dateTimeFiles->setEnabled(false);

    m_many = true;
    m_manyLabel = new QLabel(this);
    m_manyLabel->setObjectName(QStringLiteral("manyMembersLabel"));
    m_manyLabel->setWordWrap(true);
    m_manyLabel->setText(i18ndp("velun_kcm_quotas",
                                "The limits you change are set for %1 member. A limit shown as “various” differs between them; left alone, "
                                "each keeps its own.",
                                "The limits you change are set for %1 members. A limit shown as “various” differs between them; left alone, "
                                "each keeps its own.",
                                names.size()));
    m_ui->verticalLayout->insertWidget(0, m_manyLabel);

    const QString device = m_ui->devicesCombo->currentText();
    const MemorySizeTransfer transfer;
    const auto limitOf = [&transfer](const MemberQuotaData &data, int field) -> quint64 {
        switch (field) {
        case SoftSpaceField:
            return transfer.bytesFromMem(data.memorySizeById(SoftLimitSize));
        case HardSpaceField:
            return transfer.bytesFromMem(data.memorySizeById(HardLimitSize));
        case SoftFilesField:
            return quint64(qMax<qint64>(data.softFilesLimit(), 0));
        default:
            return quint64(qMax<qint64>(data.hardFilesLimit(), 0));
        }
    };
    for (int field : {SoftSpaceField, HardSpaceField, SoftFilesField, HardFilesField}) {
        const quint64 first = limitOf(m_currentData, field);
        const bool differ = std::any_of(members.cbegin(), members.cend(), [&](const SettingsDeviceQuota *member) {
            return limitOf(member->devicesQuota().value(device), field) != first;
        });
        if (differ) {
            m_variousFields |= field;
            // The third state of the box is "as each member has it":
            // clicking through it comes back to leaving the limit alone.
            QCheckBox *check = limitCheckBox(field);
            check->setTristate(true);
            check->setCheckState(Qt::PartiallyChecked);
            connect(check, &QCheckBox::stateChanged, this, [this, field](int state) {
                showVarious(field, state == Qt::PartiallyChecked);
            });
            showVarious(field, true);
        } else {
            m_initialLimits.insert(field, shownLimit(field));
        }
    }
    updateOkButton();
}

void SettingMemberQuotasDialog::showVarious(int field, bool various)
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    // Shown for the minimum, 0: an empty field that says why.
    const QString text = various ? i18nd("velun_kcm_quotas", "various") : QString();
    if (field == SoftSpaceField || field == HardSpaceField) {
        QDoubleSpinBox *space = field == SoftSpaceField ? m_ui->softLimitMemoryValue : m_ui->hardLimitMemoryValue;
        *(field == SoftSpaceField ? &m_softBytes : &m_hardBytes) = 0;
        space->setSpecialValueText(text);
        space->setValue(0);
    } else {
        Int64SpinBox *files = field == SoftFilesField ? m_ui->softLimitFilesValue : m_ui->hardLimitFilesValue;
        files->setSpecialValueText(text);
        // Shows the text anew.
        files->setValue(0);
    }
}

QCheckBox *SettingMemberQuotasDialog::limitCheckBox(int field) const
{
    switch (field) {
    case SoftSpaceField:
        return m_ui->softLimitMemoryChBox;
    case HardSpaceField:
        return m_ui->hardLimitMemoryChBox;
    case SoftFilesField:
        return m_ui->softLimitFilesChBox;
    default:
        return m_ui->hardLimitFilesChBox;
    }
}

quint64 SettingMemberQuotasDialog::shownLimit(int field) const
{
    switch (field) {
    case SoftSpaceField:
        return m_ui->softLimitMemoryChBox->checkState() == Qt::Checked ? m_softBytes : 0;
    case HardSpaceField:
        return m_ui->hardLimitMemoryChBox->checkState() == Qt::Checked ? m_hardBytes : 0;
    case SoftFilesField:
        return quint64(qMax<qint64>(valueFromWidgets(m_ui->softLimitFilesChBox, m_ui->softLimitFilesValue), 0));
    default:
        return quint64(qMax<qint64>(valueFromWidgets(m_ui->hardLimitFilesChBox, m_ui->hardLimitFilesValue), 0));
    }
}

int SettingMemberQuotasDialog::changedFields() const
{
    if (!m_many) {
        return AllLimitFields;
    }
    int changed = 0;
    for (int field : {SoftSpaceField, HardSpaceField, SoftFilesField, HardFilesField}) {
        const bool edited =
            (m_variousFields & field) ? limitCheckBox(field)->checkState() != Qt::PartiallyChecked : shownLimit(field) != m_initialLimits.value(field);
        if (edited) {
            changed |= field;
        }
    }
    return changed;
}

QStringList SettingMemberQuotasDialog::memberDevices() const
{
    // A folder lies on one device; its quota means nothing on another.
    if (m_member.id() == Projects) {
        return m_member.devicesQuota().keys();
    }
    // The device list is asked for afresh; when the helper cannot answer
    // now, the devices of the last load still let the member be edited
    // instead of the exception tearing down the panel.
    try {
        return m_member.devices();
    } catch (const std::exception &e) {
        qCWarning(KCMQUOTAS) << "the device list could not be read, the last load's is shown:" << e.what();
        QStringList devices = m_member.devicesQuota().keys();
        std::sort(devices.begin(), devices.end());
        return devices;
    }
}

void SettingMemberQuotasDialog::changeDevice()
{
    m_currentData = m_member.devicesQuota().value(m_ui->devicesCombo->currentText(), MemberQuotaData());
    setupParamsOnGui();
}

void SettingMemberQuotasDialog::connectSpaceLimit(QDoubleSpinBox *value, QComboBox *combo, quint64 *bytes)
{
    // Only a value the administrator sets replaces the exact amount.
    connect(value, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this, combo, bytes](double amount) {
        if (m_filling) {
            return;
        }
        MemorySize size;
        size.setValue(amount);
        size.setDimension(static_cast<Dimension>(combo->currentData().toInt()));
        // The kernel counts whole KiB, up to its maximum.
        *bytes = qMin(MemorySizeTransfer().bytesFromMem(size) / 1024 * 1024, maximumSpaceBytes());
    });
}

void SettingMemberQuotasDialog::showInUnit(QDoubleSpinBox *value, int unitIndex, quint64 *bytes)
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    value->setMaximum(maximumForUnitIndex(unitIndex));
    const double wanted = double(*bytes) / unitFactor(unitIndex);
    value->setValue(wanted);
    // An amount beyond the new unit's cap was clamped: the clamped amount
    // is what will be written.
    if (value->value() < wanted - 0.005) {
        *bytes = quint64(value->value() * unitFactor(unitIndex));
    }
}

void SettingMemberQuotasDialog::setupParamsOnGui()
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    const MemberQuotaData &data = m_currentData;
    m_ui->filesystemName->setText(data.deviceFilesystem());
    m_ui->quotaStatusName->setText(onOff(data.deviceQuotaIsOn()));

    // Limits that could not be read cannot be edited: the dialog would write
    // its zeros over whatever the kernel really holds.
    for (QCheckBox *check : {m_ui->softLimitMemoryChBox, m_ui->hardLimitMemoryChBox, m_ui->softLimitFilesChBox, m_ui->hardLimitFilesChBox}) {
        check->setEnabled(data.deviceQuotaIsOn() && data.isKnown());
    }
    checkMessageWidget();

    switch (m_member.id()) {
    case Users:
        m_ui->quotaStateLabel->setText(i18nd("velun_kcm_quotas", "Quotas for the user on this device:"));
        break;
    case Groups:
        m_ui->quotaStateLabel->setText(i18nd("velun_kcm_quotas", "Group quotas on this device:"));
        break;
    case Projects:
        m_ui->quotaStateLabel->setText(i18nd("velun_kcm_quotas", "Quotas for the folder on this device:"));
        break;
    }
    m_ui->quotaIsOnValue->setText(data.isKnown() ? onOff(data.objectQuotaIsOn()) : i18nd("velun_kcm_quotas", "unknown"));

    const MemorySize used = data.memorySizeById(UsedSize);
    m_ui->usedMemory->setValue(used.value());
    m_ui->usedMemory->setSuffix(QStringLiteral(" %1").arg(used.stringDimension()));
    m_ui->usedFiles->setValue(data.numberOfFilesUsed());

    const MemorySize soft = data.memorySizeById(SoftLimitSize);
    const MemorySize hard = data.memorySizeById(HardLimitSize);
    m_softBytes = MemorySizeTransfer().bytesFromMem(soft);
    m_hardBytes = MemorySizeTransfer().bytesFromMem(hard);
    m_ui->softLimitMemoryChBox->setChecked(soft.value() > 0);
    m_ui->hardLimitMemoryChBox->setChecked(hard.value() > 0);
    m_ui->softLimitFilesChBox->setChecked(data.softFilesLimit() >= 1);
    m_ui->hardLimitFilesChBox->setChecked(data.hardFilesLimit() >= 1);

    m_ui->softLimitMemoryValue->setValue(soft.value());
    m_ui->hardLimitMemoryValue->setValue(hard.value());
    setupDimensionCombos();
    m_ui->softLimitFilesValue->setValue(data.softFilesLimit());
    m_ui->hardLimitFilesValue->setValue(data.hardFilesLimit());

    showMoment(m_ui->dateTimeMemory, data.graceDateTime().blockGrace);
    showMoment(m_ui->dateTimeFiles, data.graceDateTime().inodeGrace);
    updateOkButton();
}

void SettingMemberQuotasDialog::setupDimensionCombos()
{
    QMap<Dimension, QString> units = MemorySizeTransfer().sizesMap();
    units.remove(Bytes);

    const auto fill = [this, &units](QComboBox *combo, QDoubleSpinBox *spin, QMetaObject::Connection &maximum, quint64 *bytes) {
        // Re-filled on every device change; one unit rule per box is enough.
        disconnect(maximum);
        combo->clear();
        // A new unit shows the same amount in that unit, within its cap.
        maximum = connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, spin, bytes](int index) {
            if (index >= 0) {
                showInUnit(spin, index, bytes);
            }
        });
        for (auto unit = units.cbegin(); unit != units.cend(); ++unit) {
            combo->addItem(unit.value(), static_cast<int>(unit.key()));
        }
    };
    fill(m_ui->softLimitCombo, m_ui->softLimitMemoryValue, m_softMaximum, &m_softBytes);
    fill(m_ui->hardLimitCombo, m_ui->hardLimitMemoryValue, m_hardMaximum, &m_hardBytes);

    const auto select = [](QComboBox *combo, const MemorySize &size) {
        const int index = combo->findText(size.stringDimension());
        if (index >= 0) {
            combo->setCurrentIndex(index);
        }
    };
    select(m_ui->softLimitCombo, m_currentData.memorySizeById(SoftLimitSize));
    select(m_ui->hardLimitCombo, m_currentData.memorySizeById(HardLimitSize));
}

void SettingMemberQuotasDialog::setupChangeConnections()
{
    QPushButton *ok = m_ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    const auto enableOk = [this] {
        m_edited = true;
        updateOkButton();
    };

    connect(m_ui->softLimitMemoryValue, qOverload<double>(&QDoubleSpinBox::valueChanged), ok, enableOk);
    connect(m_ui->hardLimitMemoryValue, qOverload<double>(&QDoubleSpinBox::valueChanged), ok, enableOk);
    connect(m_ui->softLimitFilesValue, &Int64SpinBox::valueChanged, ok, enableOk);
    connect(m_ui->hardLimitFilesValue, &Int64SpinBox::valueChanged, ok, enableOk);

    // Ticking the box of a limit of 0 changes nothing until a value is set.
    const auto clickEnables = [ok, enableOk](QCheckBox *check, qint64 valueAtStart) {
        if (valueAtStart != 0) {
            connect(check, &QCheckBox::clicked, ok, enableOk);
        }
    };
    clickEnables(m_ui->softLimitMemoryChBox, static_cast<qint64>(m_ui->softLimitMemoryValue->value()));
    clickEnables(m_ui->hardLimitMemoryChBox, static_cast<qint64>(m_ui->hardLimitMemoryValue->value()));
    clickEnables(m_ui->softLimitFilesChBox, m_ui->softLimitFilesValue->value());
    clickEnables(m_ui->hardLimitFilesChBox, m_ui->hardLimitFilesValue->value());

    connect(m_ui->softLimitCombo, qOverload<int>(&QComboBox::currentIndexChanged), ok, enableOk);
    connect(m_ui->hardLimitCombo, qOverload<int>(&QComboBox::currentIndexChanged), ok, enableOk);
    connect(m_ui->dateTimeMemory, &QDateTimeEdit::dateTimeChanged, ok, enableOk);
    connect(m_ui->dateTimeFiles, &QDateTimeEdit::dateTimeChanged, ok, enableOk);

    // Whether the limits fit together can change with every control.
    for (QCheckBox *check : {m_ui->softLimitMemoryChBox, m_ui->hardLimitMemoryChBox, m_ui->softLimitFilesChBox, m_ui->hardLimitFilesChBox}) {
        // stateChanged, not toggled: leaving "various" for "set" is no toggle.
        connect(check, &QCheckBox::stateChanged, this, &SettingMemberQuotasDialog::updateOkButton);
    }
    for (QDoubleSpinBox *value : {m_ui->softLimitMemoryValue, m_ui->hardLimitMemoryValue}) {
        connect(value, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &SettingMemberQuotasDialog::updateOkButton);
    }
    for (Int64SpinBox *value : {m_ui->softLimitFilesValue, m_ui->hardLimitFilesValue}) {
        connect(value, &Int64SpinBox::valueChanged, this, &SettingMemberQuotasDialog::updateOkButton);
    }
    updateOkButton();
}

QStringList SettingMemberQuotasDialog::limitProblems() const
{
    QStringList problems;
    const quint64 softSpace = shownLimit(SoftSpaceField);
    const quint64 hardSpace = shownLimit(HardSpaceField);
    if (!limitsFit(softSpace, hardSpace)) {
        problems.append(i18nd("velun_kcm_quotas", "The soft memory limit is above the hard memory limit."));
    }
    const qint64 softFiles = valueFromWidgets(m_ui->softLimitFilesChBox, m_ui->softLimitFilesValue);
    const qint64 hardFiles = valueFromWidgets(m_ui->hardLimitFilesChBox, m_ui->hardLimitFilesValue);
    if (!limitsFit(quint64(qMax<qint64>(softFiles, 0)), quint64(qMax<qint64>(hardFiles, 0)))) {
        problems.append(i18nd("velun_kcm_quotas", "The soft files limit is above the hard files limit."));
    }
    return problems;
}

void SettingMemberQuotasDialog::updateOkButton()
{
    const QStringList problems = limitProblems();
    if (!problems.isEmpty()) {
        m_limitsWarning->setText(problems.join(QLatin1Char(' ')) + QLatin1Char(' ') + i18nd("velun_kcm_quotas", "A limit of 0 means no limit."));
    }
    m_limitsWarning->setVisible(!problems.isEmpty());
    // Limits built on a record that could not be read would wipe the real
    // ones: such a member is never written from here.
    // Several members: OK only once a limit differs from what they had, so
    // Return twice never hands the first member's limits to the others.
    const bool edited = m_many ? changedFields() != 0 : m_edited;
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(edited && problems.isEmpty() && m_currentData.isKnown());
}

void SettingMemberQuotasDialog::checkMessageWidget()
{
    if (!m_currentData.isKnown()) {
        const QString reason = m_currentData.unknownReason();
        m_ui->kmessagewidget->setText(
            reason.isEmpty()
                ? i18nd("velun_kcm_quotas", "The quota data of this member on this device could not be read, so its limits cannot be changed here.")
                : i18nd("velun_kcm_quotas",
                        "The quota data of this member on this device could not be read, so its limits cannot be changed here: %1",
                        reason));
        m_ui->kmessagewidget->setVisible(true);
        return;
    }
    const bool off = !m_currentData.deviceQuotaIsOn();
    if (off) {
        const QString kind = m_member.id() == Groups ? i18nd("velun_kcm_quotas", "for groups")
            : m_member.id() == Projects              ? i18nd("velun_kcm_quotas", "for folders")
                                                     : i18nd("velun_kcm_quotas", "for users");
        m_ui->kmessagewidget->setText(i18nd("velun_kcm_quotas", "The settings will become available after quota support is enabled %1 on this device.", kind));
    }
    m_ui->kmessagewidget->setVisible(off);
}

MemorySize SettingMemberQuotasDialog::memoryFromWidgets(QCheckBox *check, quint64 bytes) const
{
    if (check->checkState() != Qt::Checked) {
        return MemorySize();
    }
    return MemorySizeTransfer().memFromBytes(bytes);
}

qint64 SettingMemberQuotasDialog::valueFromWidgets(QCheckBox *check, Int64SpinBox *spin) const
{
    return check->checkState() == Qt::Checked ? spin->value() : 0;
}

void SettingMemberQuotasDialog::accept()
{
    if (!m_currentData.isKnown() || !limitProblems().isEmpty() || (m_many && changedFields() == 0)) {
        return;
    }
    const QString device = m_ui->devicesCombo->currentText();
    m_currentData.setDeviceName(device);
    m_currentData.setMemorySize(SoftLimitSize, memoryFromWidgets(m_ui->softLimitMemoryChBox, m_softBytes));
    m_currentData.setMemorySize(HardLimitSize, memoryFromWidgets(m_ui->hardLimitMemoryChBox, m_hardBytes));
    m_currentData.setSoftFilesLimit(valueFromWidgets(m_ui->softLimitFilesChBox, m_ui->softLimitFilesValue));
    m_currentData.setHardFilesLimit(valueFromWidgets(m_ui->hardLimitFilesChBox, m_ui->hardLimitFilesValue));

    GraceDateTime moments;
    if (m_ui->dateTimeMemory->date() != emptyDateMarker()) {
        moments.blockGrace = m_ui->dateTimeMemory->dateTime();
    }
    if (m_ui->dateTimeFiles->date() != emptyDateMarker()) {
        moments.inodeGrace = m_ui->dateTimeFiles->dateTime();
    }
    m_currentData.setGraceDateTime(moments);

    QHash<QString, MemberQuotaData> devices = m_member.devicesQuota();
    devices.insert(device, m_currentData);
    m_member.setDevicesQuota(devices);
    QDialog::accept();
}
