// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "systemquotakernel.h"

#include <sys/quota.h>

#include <cerrno>

int SystemQuotaKernel::quotactl(int command, const QByteArray &device, int id, void *address)
{
    // constData() is zero-terminated, which is what the kernel expects.
    if (::quotactl(command, device.constData(), id, static_cast<caddr_t>(address)) == 0) {
        return 0;
    }
    return errno;
}
