// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "helper/foldertree.h"

#include <QVector>

// Answers every walk with `result` and remembers what was asked.
class FakeFolderTree : public FolderTree
{
public:
    struct Call {
        QString device;
        QString folder;
        quint32 id;
    };

    Result setProject(const QString &device, const QString &folder, quint32 id) override
    {
        calls.append({device, folder, id});
        return result;
    }

    QVector<Call> calls;
    Result result;
};
