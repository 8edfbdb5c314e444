// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "plugin/model/members/memberquotadata.h"

#include <QDialog>
#include <QMap>
#include <QStringList>

class QComboBox;
class QDoubleSpinBox;

namespace Ui
{
class AddFolderDialog;
}

// Asks for a folder to give a folder quota: where it is, its project's name
// and id, and its first limits. It only asks; the caller has the helper do
// it. OK stays disabled while the answers could not work, and the dialog
// says why.
class AddFolderDialog : public QDialog
{
    Q_OBJECT
public:
    // `folderDevices`: the devices that account folder quotas, with their
    // mount points; a folder must lie on one of them. `proposedId`: the
    // first free project id.
    AddFolderDialog(const QMap<QString, QString> &folderDevices, quint32 proposedId, QWidget *parent = nullptr);
    ~AddFolderDialog() override;

    QString folder() const;
    // The device holding folder(); empty when none of the devices does.
    QString device() const;
    QString name() const;
    quint32 projectId() const;
    // The four limits; everything else stays at its default.
    MemberQuotaData limits() const;

    // Why the answers cannot be taken as they are; empty when they can.
    QStringList problems() const;
    // A project name made from the folder's last part.
    static QString proposedName(const QString &folder);
    static bool isValidName(const QString &name);

public Q_SLOTS:
    void accept() override;

private:
    void browse();
    void folderChanged();
    void updateState();
    quint64 spaceBytes(const QDoubleSpinBox *value, const QComboBox *unit) const;

    Ui::AddFolderDialog *m_ui;
    QMap<QString, QString> m_folderDevices;
    // The name last proposed: while the field still holds it, a new folder
    // proposes a new one; a name typed by hand stays.
    QString m_proposedName;
};
