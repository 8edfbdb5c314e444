// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

#include "common/helperprotocol.h"
#include "common/proxyquotadata.h"
#include "helper/policykitquotas.h"

#include <KAuth/HelperSupport>

int main(int argc, char **argv)
{
    // D-Bus starts the helper with an almost empty environment; the tools it
    // runs (blkid, quotaon, mount) live in the system directories.
    qputenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin");
    // KAuth decodes the arguments before the first slot runs.
    ProxyQuotaData::registerMetaType();
    PolicyKitQuotas helper;
    return KAuth::HelperSupport::helperMain(argc, argv, helperId().toLatin1().constData(), &helper);
}
