// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// The plug-in's entry: the host finds kcm-quotas.so by the metadata embedded
// here (name, icon, category, search keywords) and asks this factory for the
// module. The metadata is the only description of the panel the hosts read.

#include "plugin/module/quotasmodule.h"

#include <KPluginFactory>

#include <cstring>

// Builds every panel with the real ways out to the system (ModuleSeams),
// which the panel hands down to whatever it builds.
class QuotasFactory : public KPluginFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KPluginFactory_iid FILE "kcm-quotas.json")
    Q_INTERFACES(KPluginFactory)

protected:
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QObject *create(const char *iface, QWidget *parentWidget, QObject *parent, const QVariantList &args) override
    {
        Q_UNUSED(parentWidget)
        Q_UNUSED(args)
        return provides(iface) ? new QuotasModule(parent, metaData(), ModuleSeams::system()) : nullptr;
    }
#else
    QObject *create(const char *iface, QWidget *parentWidget, QObject *parent, const QVariantList &args, const QString &keyword) override
    {
        Q_UNUSED(parentWidget)
        Q_UNUSED(keyword)
        // As the host's own factories do: the parent if it is a widget.
        return provides(iface) ? new QuotasModule(qobject_cast<QWidget *>(parent), args, ModuleSeams::system()) : nullptr;
    }
#endif

private:
    // The panel answers for every class it derives from, as a registered
    // plug-in class would.
    static bool provides(const char *iface)
    {
        for (const QMetaObject *meta = &QuotasModule::staticMetaObject; meta; meta = meta->superClass()) {
            if (std::strcmp(meta->className(), iface) == 0) {
                return true;
            }
        }
        return false;
    }
};

#include "quotasfactory.moc"
