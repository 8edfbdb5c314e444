// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "addfolderdialog.h"

#include "plugin/core/quotasmanager.h"
#include "plugin/model/values/memorysizetransfer.h"
#include "ui_addfolderdialog.h"

#include <KLocalizedString>

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>

namespace
{
// What the helper takes as a project name (and the quota tools as a word).
const QRegularExpression namePattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.-]{0,31}$"));

// The unit boxes start at Kb: index 0 is 1024 bytes.
void fillUnits(QComboBox *combo)
{
    QMap<Dimension, QString> units = MemorySizeTransfer().sizesMap();
    units.remove(Bytes);
    for (auto unit = units.cbegin(); unit != units.cend(); ++unit) {
        combo->addItem(unit.value(), static_cast<int>(unit.key()));
    }
    // Folder limits are mostly given in megabytes or more.
    combo->setCurrentIndex(combo->findData(static_cast<int>(MegaBytes)));
}
}

AddFolderDialog::AddFolderDialog(const QMap<QString, QString> &folderDevices, quint32 proposedId, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::AddFolderDialog)
    , m_folderDevices(folderDevices)
{
    m_ui->setupUi(this);
    fillUnits(m_ui->blockSoftUnit);
    fillUnits(m_ui->blockHardUnit);
    m_ui->projectIdSpin->setValue(int(qMin<quint32>(proposedId, quint32(m_ui->projectIdSpin->maximum()))));

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &AddFolderDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &AddFolderDialog::reject);
    connect(m_ui->browseBtn, &QPushButton::clicked, this, &AddFolderDialog::browse);
    connect(m_ui->folderEdit, &QLineEdit::textChanged, this, &AddFolderDialog::folderChanged);
    connect(m_ui->nameEdit, &QLineEdit::textChanged, this, &AddFolderDialog::updateState);
    connect(m_ui->projectIdSpin, qOverload<int>(&QSpinBox::valueChanged), this, &AddFolderDialog::updateState);
    for (QDoubleSpinBox *value : {m_ui->blockSoftLimit, m_ui->blockHardLimit}) {
        connect(value, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &AddFolderDialog::updateState);
    }
    for (QComboBox *unit : {m_ui->blockSoftUnit, m_ui->blockHardUnit}) {
        connect(unit, qOverload<int>(&QComboBox::currentIndexChanged), this, &AddFolderDialog::updateState);
    }
    for (QSpinBox *value : {m_ui->inodeSoftLimit, m_ui->inodeHardLimit}) {
        connect(value, qOverload<int>(&QSpinBox::valueChanged), this, &AddFolderDialog::updateState);
    }
    folderChanged();
}

AddFolderDialog::~AddFolderDialog()
{
    delete m_ui;
}

QString AddFolderDialog::folder() const
{
    return m_ui->folderEdit->text().trimmed();
}

QString AddFolderDialog::device() const
{
    return QuotasManager::folderDevice(folder(), m_folderDevices);
}

QString AddFolderDialog::name() const
{
    return m_ui->nameEdit->text().trimmed();
}

quint32 AddFolderDialog::projectId() const
{
    return quint32(m_ui->projectIdSpin->value());
}

quint64 AddFolderDialog::spaceBytes(const QDoubleSpinBox *value, const QComboBox *unit) const
{
    MemorySize size;
    size.setValue(value->value());
    size.setDimension(static_cast<Dimension>(unit->currentData().toInt()));
    // The kernel counts whole KiB.
    return MemorySizeTransfer().bytesFromMem(size) / 1024 * 1024;
}

MemberQuotaData AddFolderDialog::limits() const
{
    const MemorySizeTransfer transfer;
    MemberQuotaData data;
    data.setDeviceName(device());
    data.setMemorySize(SoftLimitSize, transfer.memFromBytes(spaceBytes(m_ui->blockSoftLimit, m_ui->blockSoftUnit)));
    data.setMemorySize(HardLimitSize, transfer.memFromBytes(spaceBytes(m_ui->blockHardLimit, m_ui->blockHardUnit)));
    data.setSoftFilesLimit(m_ui->inodeSoftLimit->value());
    data.setHardFilesLimit(m_ui->inodeHardLimit->value());
    return data;
}

QString AddFolderDialog::proposedName(const QString &folder)
{
    QString base = QDir::cleanPath(folder).section(QLatin1Char('/'), -1);
    QString name;
    for (const QChar c : std::as_const(base)) {
        const bool plain = c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('-'));
        name.append(plain ? c : QLatin1Char('_'));
    }
    if (name.isEmpty()) {
        return QString();
    }
    if (!(name.at(0).isLetter() || name.at(0) == QLatin1Char('_'))) {
        name.prepend(QLatin1Char('_'));
    }
    return name.left(32);
}

bool AddFolderDialog::isValidName(const QString &name)
{
    return namePattern.match(name).hasMatch();
}

QStringList AddFolderDialog::problems() const
{
    QStringList problems;
    const QString path = folder();
    if (path.isEmpty()) {
        problems.append(i18nd("velun_kcm_quotas", "Choose the folder that gets the folder quota."));
    } else if (!QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path || path == QLatin1String("/")) {
        problems.append(i18nd("velun_kcm_quotas", "The folder must be an absolute path without \".\" or \"..\" parts, and not the root folder."));
    } else if (device().isEmpty()) {
        problems.append(i18nd("velun_kcm_quotas",
                              "%1 is not on a device that accounts folder quotas. Switch folder quota support on for its device in the "
                              "general settings first.",
                              path));
    }
    if (!isValidName(name())) {
        problems.append(i18nd("velun_kcm_quotas",
                              "The project name must begin with a letter or \"_\" and hold only letters, digits, \"_\", \".\" and \"-\", "
                              "at most 32 of them."));
    }
    const auto fit = [](quint64 soft, quint64 hard) {
        return soft == 0 || hard == 0 || soft <= hard;
    };
    if (!fit(spaceBytes(m_ui->blockSoftLimit, m_ui->blockSoftUnit), spaceBytes(m_ui->blockHardLimit, m_ui->blockHardUnit))) {
        problems.append(i18nd("velun_kcm_quotas", "The soft memory limit is above the hard memory limit."));
    }
    if (!fit(quint64(m_ui->inodeSoftLimit->value()), quint64(m_ui->inodeHardLimit->value()))) {
        problems.append(i18nd("velun_kcm_quotas", "The soft files limit is above the hard files limit."));
    }
    return problems;
}

void AddFolderDialog::browse()
{
    QString start = folder();
    if (start.isEmpty() && !m_folderDevices.isEmpty()) {
        start = m_folderDevices.first();
    }
    const QString chosen = QFileDialog::getExistingDirectory(this, i18nd("velun_kcm_quotas", "Choose a folder"), start);
    if (!chosen.isEmpty()) {
        m_ui->folderEdit->setText(QDir::cleanPath(chosen));
    }
}

void AddFolderDialog::folderChanged()
{
    if (name().isEmpty() || name() == m_proposedName) {
        m_proposedName = proposedName(folder());
        m_ui->nameEdit->setText(m_proposedName);
    }
    const QString holder = device();
    m_ui->deviceName->setText(holder.isEmpty() ? QString() : i18nd("velun_kcm_quotas", "%1 — %2", m_folderDevices.value(holder), holder));
    updateState();
}

void AddFolderDialog::updateState()
{
    const QStringList found = problems();
    m_ui->problemLabel->setText(found.join(QLatin1Char('\n')));
    m_ui->problemLabel->setVisible(!found.isEmpty());
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(found.isEmpty());
}

void AddFolderDialog::accept()
{
    if (!problems().isEmpty()) {
        return;
    }
    QDialog::accept();
}
