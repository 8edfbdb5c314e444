// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "settingmemberquotasdialog.h"

#include "plugin/model/values/memorysizetransfer.h"
#include "ui_settingmemberquotasdialog.h"

#include <KLocalizedString>

#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace
{
QString onOff(bool on)
{
    return on ? i18nd("velun_kcm_quotas", "on") : i18nd("velun_kcm_quotas", "off");
}

// Just under 4 TiB in every unit: the largest count of KiB blocks that
// quota tools agree on, minus one.
double maximumForUnitIndex(int index)
{
    return 4294967295.0 / std::pow(1024.0, index) - 1.0;
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
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &SettingMemberQuotasDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &SettingMemberQuotasDialog::reject);

    const QString name = m_member.member().name;
    setWindowTitle(m_member.id() == Users ? i18nd("velun_kcm_quotas", "Setting quotas for a user: %1", name)
                                          : i18nd("velun_kcm_quotas", "Setting quotas for a group: %1", name));

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

void SettingMemberQuotasDialog::setManyMembers(const QStringList &names)
{
    // A few names, then how many more; the full list is in the tool tip.
    constexpr int shownNames = 5;
    QString shown = QStringList(names.mid(0, shownNames)).join(QStringLiteral(", "));
    if (names.size() > shownNames) {
        shown = i18ndp("velun_kcm_quotas", "%2 and %1 more", "%2 and %1 more", names.size() - shownNames, shown);
    }
    setWindowTitle(m_member.id() == Users
                       ? i18ndp("velun_kcm_quotas", "Setting quotas for %1 user: %2", "Setting quotas for %1 users: %2", names.size(), shown)
                       : i18ndp("velun_kcm_quotas", "Setting quotas for %1 group: %2", "Setting quotas for %1 groups: %2", names.size(), shown));
    setToolTip(names.join(QLatin1Char('\n')));
    m_ui->devicesCombo->setEnabled(false);
    m_ui->dateTimeMemory->setEnabled(false);
    m_ui->dateTimeFiles->setEnabled(false);
    // The limits shown are those of the first member; taking them over for
    // the others unchanged is a sensible request too.
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(true);
}

QStringList SettingMemberQuotasDialog::memberDevices() const
{
    // The device list is asked for afresh; when the helper cannot answer
    // now, the devices of the last load still let the member be edited
    // instead of the exception tearing down the panel.
    try {
        return m_member.devices();
    } catch (const std::exception &e) {
        qWarning("%s", e.what());
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

void SettingMemberQuotasDialog::setupParamsOnGui()
{
    const MemberQuotaData &data = m_currentData;
    m_ui->filesystemName->setText(data.deviceFilesystem());
    m_ui->quotaStatusName->setText(onOff(data.deviceQuotaIsOn()));

    for (QCheckBox *check : {m_ui->softLimitMemoryChBox, m_ui->hardLimitMemoryChBox, m_ui->softLimitFilesChBox, m_ui->hardLimitFilesChBox}) {
        check->setEnabled(data.deviceQuotaIsOn());
    }
    checkMessageWidget();

    m_ui->quotaStateLabel->setText(m_member.id() == Users ? i18nd("velun_kcm_quotas", "Quotas for the user on this device:")
                                                          : i18nd("velun_kcm_quotas", "Group quotas on this device:"));
    m_ui->quotaIsOnValue->setText(onOff(data.objectQuotaIsOn()));

    const MemorySize used = data.memorySizeById(UsedSize);
    m_ui->usedMemory->setValue(used.value());
    m_ui->usedMemory->setSuffix(QStringLiteral(" %1").arg(used.stringDimension()));
    m_ui->usedFiles->setValue(data.numberOfFilesUsed());

    const MemorySize soft = data.memorySizeById(SoftLimitSize);
    const MemorySize hard = data.memorySizeById(HardLimitSize);
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
}

void SettingMemberQuotasDialog::setupDimensionCombos()
{
    QMap<Dimension, QString> units = MemorySizeTransfer().sizesMap();
    units.remove(Bytes);

    const auto fill = [this, &units](QComboBox *combo, QDoubleSpinBox *spin, QMetaObject::Connection &maximum) {
        // Re-filled on every device change; one maximum rule per box is enough.
        disconnect(maximum);
        combo->clear();
        maximum = connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, [spin](int index) {
            if (index >= 0) {
                spin->setMaximum(maximumForUnitIndex(index));
            }
        });
        for (auto unit = units.cbegin(); unit != units.cend(); ++unit) {
            combo->addItem(unit.value(), static_cast<int>(unit.key()));
        }
    };
    fill(m_ui->softLimitCombo, m_ui->softLimitMemoryValue, m_softMaximum);
    fill(m_ui->hardLimitCombo, m_ui->hardLimitMemoryValue, m_hardMaximum);

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
    const auto enableOk = [ok] {
        ok->setEnabled(true);
    };

    connect(m_ui->softLimitMemoryValue, qOverload<double>(&QDoubleSpinBox::valueChanged), ok, enableOk);
    connect(m_ui->hardLimitMemoryValue, qOverload<double>(&QDoubleSpinBox::valueChanged), ok, enableOk);
    connect(m_ui->softLimitFilesValue, qOverload<int>(&QSpinBox::valueChanged), ok, enableOk);
    connect(m_ui->hardLimitFilesValue, qOverload<int>(&QSpinBox::valueChanged), ok, enableOk);

    // Ticking the box of a limit of 0 changes nothing until a value is set.
    const auto clickEnables = [ok, enableOk](QCheckBox *check, int valueAtStart) {
        if (valueAtStart != 0) {
            connect(check, &QCheckBox::clicked, ok, enableOk);
        }
    };
    clickEnables(m_ui->softLimitMemoryChBox, static_cast<int>(m_ui->softLimitMemoryValue->value()));
    clickEnables(m_ui->hardLimitMemoryChBox, static_cast<int>(m_ui->hardLimitMemoryValue->value()));
    clickEnables(m_ui->softLimitFilesChBox, m_ui->softLimitFilesValue->value());
    clickEnables(m_ui->hardLimitFilesChBox, m_ui->hardLimitFilesValue->value());

    connect(m_ui->softLimitCombo, qOverload<int>(&QComboBox::currentIndexChanged), ok, enableOk);
    connect(m_ui->hardLimitCombo, qOverload<int>(&QComboBox::currentIndexChanged), ok, enableOk);
    connect(m_ui->dateTimeMemory, &QDateTimeEdit::dateTimeChanged, ok, enableOk);
    connect(m_ui->dateTimeFiles, &QDateTimeEdit::dateTimeChanged, ok, enableOk);
}

void SettingMemberQuotasDialog::checkMessageWidget()
{
    const bool off = !m_currentData.deviceQuotaIsOn();
    if (off) {
        const QString kind = m_member.id() == Groups ? i18nd("velun_kcm_quotas", "for groups") : i18nd("velun_kcm_quotas", "for users");
        m_ui->kmessagewidget->setText(i18nd("velun_kcm_quotas", "The settings will become available after quota support is enabled %1 on this device.", kind));
    }
    m_ui->kmessagewidget->setVisible(off);
}

MemorySize SettingMemberQuotasDialog::memoryFromWidgets(QCheckBox *check, QDoubleSpinBox *value, QComboBox *combo) const
{
    MemorySize size;
    if (!check->isChecked()) {
        return size;
    }
    size.setValue(value->value());
    size.setDimension(static_cast<Dimension>(combo->currentData().toInt()));
    return size;
}

int SettingMemberQuotasDialog::valueFromWidgets(QCheckBox *check, QSpinBox *spin) const
{
    return check->isChecked() ? spin->value() : 0;
}

void SettingMemberQuotasDialog::accept()
{
    const QString device = m_ui->devicesCombo->currentText();
    m_currentData.setDeviceName(device);
    m_currentData.setMemorySize(SoftLimitSize, memoryFromWidgets(m_ui->softLimitMemoryChBox, m_ui->softLimitMemoryValue, m_ui->softLimitCombo));
    m_currentData.setMemorySize(HardLimitSize, memoryFromWidgets(m_ui->hardLimitMemoryChBox, m_ui->hardLimitMemoryValue, m_ui->hardLimitCombo));
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
