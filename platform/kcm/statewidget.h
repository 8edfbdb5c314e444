// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QLabel>

namespace KCMVS
{
// A one-line note at the bottom of a panel telling whether it holds
// changes that are not applied yet. The panel resets it after every load
// and apply; edits mark it again through the module's changed signal.
class StateWidget : public QLabel
{
    Q_OBJECT
public:
    explicit StateWidget(QWidget *parent = nullptr);

    bool hasPendingChanges() const;

public Q_SLOTS:
    void setPendingChanges(bool pending);
    void resetState();

Q_SIGNALS:
    // Emitted by resetState(), so the module can tell its host that
    // nothing is pending any more.
    void stateReset();

private:
    bool m_pending = false;
};
}
