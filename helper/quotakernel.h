// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <QByteArray>

// The quotactl(2) system call. `command` is the full command word (command
// and quota type, as QCMD builds it); the result is 0 on success or the
// errno value of the failed call.
class QuotaKernel
{
public:
    virtual ~QuotaKernel() = default;
    virtual int quotactl(int command, const QByteArray &device, int id, void *address) = 0;
};
