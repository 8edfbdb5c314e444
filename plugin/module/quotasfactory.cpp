// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// The plug-in's entry: the host finds kcm-quotas.so by the metadata embedded
// here (name, icon, category, search keywords) and asks this factory for the
// module. The metadata is the only description of the panel the hosts read.

#include "plugin/module/quotasmodule.h"

#include <KPluginFactory>

K_PLUGIN_FACTORY_WITH_JSON(QuotasFactory, "kcm-quotas.json", registerPlugin<QuotasModule>();)

#include "quotasfactory.moc"
