// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// The plug-in's entry: the host loads kcm-quotas.so and asks this factory
// for the module. No JSON metadata; the service file describes the panel.

#include "plugin/module/quotasmodule.h"

#include <KPluginFactory>

K_PLUGIN_FACTORY(QuotasFactory, registerPlugin<QuotasModule>();)

#include "quotasfactory.moc"
