// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "quotasettingswidget.h"

#include "plugin/model/members/settingsdevicequota.h"
#include "plugin/system/devicedatainformation.h"
#include "plugin/ui/settingmemberquotasdialog.h"
#include "ui_quotasettingswidget.h"

#include <KLocalizedString>

#include <QHeaderView>
#include <QListWidgetItem>
#include <QStyle>

QuotaSettingsWidget::QuotaSettingsWidget(const QList<SettingsDeviceQuota *> &settings, QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::QuotaSettingsWidget)
    , m_settings(settings)
{
    m_ui->setupUi(this);
    m_ui->filterParamsBtn->setIcon(style()->standardIcon(QStyle::SP_TitleBarUnshadeButton));

    m_model = new QuotaSettingsModel(m_settings, this);
    m_ui->treeView->setModel(m_model);

    m_ui->filterCheckBoxes->hide();
    inflateFilterParams();

    connect(m_ui->cBoxDevices, qOverload<int>(&QComboBox::currentIndexChanged), this, &QuotaSettingsWidget::changeDevice);
    m_ui->cBoxDevices->addItems(DeviceDataInformation::supportedDevices());

    m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "All"), QVariant::fromValue(All));
    m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "Ordinary"), QVariant::fromValue(Ordinary));
    m_ui->cBoxFilterMode->addItem(i18nd("velun_kcm_quotas", "Systems"), QVariant::fromValue(Systems));

    connect(m_ui->cBoxFilterMode, qOverload<int>(&QComboBox::currentIndexChanged), this, &QuotaSettingsWidget::setupModeItemsFilter);
    connect(m_ui->filterCheckBoxes, &QListWidget::itemChanged, this, &QuotaSettingsWidget::changeFilterParams);
    connect(m_ui->filterParamsBtn, &QPushButton::clicked, this, &QuotaSettingsWidget::showFilterCheckBoxes);
    connect(m_ui->treeView, &QTreeView::doubleClicked, this, &QuotaSettingsWidget::showSettingMemberQuotasWidget);

    m_ui->cBoxFilterMode->setCurrentIndex(m_ui->cBoxFilterMode->findData(QVariant::fromValue(Ordinary)));
}

QuotaSettingsWidget::~QuotaSettingsWidget()
{
    delete m_ui;
}

void QuotaSettingsWidget::updateSettings(const QList<SettingsDeviceQuota *> &settings)
{
    if (!m_settings.isSharedWith(settings)) {
        m_settings = settings;
    }
    m_model->setSettingsQuota(m_settings);
    setupModeItemsFilter();
}

void QuotaSettingsWidget::inflateFilterParams()
{
    const int columns = m_model->columnCount();
    for (int column = 0; column < columns; ++column) {
        auto item = new QListWidgetItem(m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        if (isMainParam(static_cast<QuotaSettingsModel::ParameterId>(column))) {
            item->setCheckState(Qt::Checked);
        } else {
            item->setCheckState(Qt::Unchecked);
            m_ui->treeView->header()->hideSection(column);
        }
        item->setData(Qt::UserRole, column);
        m_ui->filterCheckBoxes->addItem(item);
    }
}

bool QuotaSettingsWidget::isMainParam(QuotaSettingsModel::ParameterId id) const
{
    switch (id) {
    case QuotaSettingsModel::NameColumn:
    case QuotaSettingsModel::QuotaIsOn:
    case QuotaSettingsModel::UsedBlocks:
    case QuotaSettingsModel::UsedInodes:
        return true;
    default:
        return false;
    }
}

void QuotaSettingsWidget::setupModeItemsFilter()
{
    const QVariant modeData = m_ui->cBoxFilterMode->currentData(Qt::UserRole);
    if (!modeData.isValid() || !modeData.canConvert<FilterModeId>()) {
        m_model->setSettingsQuota(m_settings);
        return;
    }
    const auto mode = modeData.value<FilterModeId>();
    if (mode == All) {
        m_model->setSettingsQuota(m_settings);
        return;
    }
    const bool wantSystem = mode != Ordinary;
    QList<SettingsDeviceQuota *> filtered;
    for (SettingsDeviceQuota *settings : qAsConst(m_settings)) {
        if (settings->member().isSystem == wantSystem) {
            filtered.append(settings);
        }
    }
    m_model->setSettingsQuota(filtered);
}

void QuotaSettingsWidget::changeDevice()
{
    m_model->setCurrentDevice(m_ui->cBoxDevices->currentText());
}

void QuotaSettingsWidget::changeFilterParams(QListWidgetItem *item)
{
    const int column = item->data(Qt::UserRole).toInt();
    const bool visible = item->data(Qt::CheckStateRole).toBool();
    m_ui->treeView->header()->setSectionHidden(column, !visible);
}

void QuotaSettingsWidget::showFilterCheckBoxes()
{
    const bool visible = !m_ui->filterCheckBoxes->isVisibleTo(this);
    m_ui->filterCheckBoxes->setVisible(visible);
    m_ui->filterParamsBtn->setIcon(style()->standardIcon(visible ? QStyle::SP_TitleBarShadeButton : QStyle::SP_TitleBarUnshadeButton));
}

void QuotaSettingsWidget::showSettingMemberQuotasWidget(const QModelIndex &index)
{
    if (!index.isValid() || index.model() != m_model) {
        return;
    }
    SettingsDeviceQuota *settings = m_model->item(index);
    SettingMemberQuotasDialog dialog(*settings, m_ui->cBoxDevices->currentText(), nullptr);
    if (dialog.exec() == QDialog::Accepted) {
        Q_EMIT settingsChanged(dialog.selectedMember());
    }
}
