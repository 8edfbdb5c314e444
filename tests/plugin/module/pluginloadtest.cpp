// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// Loads the built plug-in the way the hosts find it: by its id in the
// namespace they search, through the metadata embedded in the library. A
// plug-in that installs without that metadata is invisible to every host,
// which only a test of the built library itself can catch.

#include "platform/kcm/kcmodulecompat.h"

#include <KPluginFactory>
#include <KPluginMetaData>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QWidget>

namespace
{
const QString hostNamespace = QStringLiteral("plasma/kcms/systemsettings_qwidgets");
const QString pluginId = QStringLiteral("kcm-quotas");
}

class PluginLoadTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The build tree mirrors the installed plug-in directory: the
        // library sits in <root>/<namespace>/, as it does under /usr.
        QDir root = QFileInfo(QStringLiteral(KCMQ_PLUGIN_FILE)).dir();
        for (int i = 0; i < hostNamespace.count(QLatin1Char('/')) + 1; ++i) {
            root.cdUp();
        }
        QVERIFY(QFileInfo(root.filePath(hostNamespace + QStringLiteral("/kcm-quotas.so"))).exists());
        QCoreApplication::setLibraryPaths({root.absolutePath()});
    }

    void foundById()
    {
        const KPluginMetaData data = KPluginMetaData::findPluginById(hostNamespace, pluginId);
        QVERIFY2(data.isValid(), "the hosts cannot find the panel by its id");
        QCOMPARE(QFileInfo(data.fileName()).canonicalFilePath(), QFileInfo(QStringLiteral(KCMQ_PLUGIN_FILE)).canonicalFilePath());
        QCOMPARE(data.pluginId(), pluginId);

        bool listed = false;
        for (const KPluginMetaData &each : KPluginMetaData::findPlugins(hostNamespace)) {
            listed = listed || each.pluginId() == pluginId;
        }
        QVERIFY2(listed, "the panel is missing from the hosts' list of panels");
    }

    void metadata_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("name") << "Name"
                              << "Disk Quotas";
        QTest::newRow("German name") << "Name[de]"
                                     << "Festplattenkontingente";
        QTest::newRow("description") << "Description"
                                     << "Limit the disk space and the number of files of users and groups";
        QTest::newRow("German description") << "Description[de]"
                                            << "Speicherplatz und Anzahl der Dateien von Benutzern und Gruppen begrenzen";
        QTest::newRow("icon") << "Icon"
                              << "drive-harddisk";
    }

    void metadata()
    {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const KPluginMetaData data = KPluginMetaData::findPluginById(hostNamespace, pluginId);
        QCOMPARE(data.rawData().value(QStringLiteral("KPlugin")).toObject().value(key).toString(), expected);
    }

    void category()
    {
        const KPluginMetaData data = KPluginMetaData::findPluginById(hostNamespace, pluginId);
        QCOMPARE(data.value(QStringLiteral("X-KDE-System-Settings-Parent-Category")), QStringLiteral("system-administration"));
    }

    void keywords_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("word");

        // What an administrator types into the hosts' search field.
        for (const char *word : {"quota", "disk quota", "usrquota", "grpquota", "limits", "warnquota"}) {
            QTest::newRow(word) << "X-KDE-Keywords" << QString::fromLatin1(word);
        }
        for (const char *word : {"Kontingent", "usrquota", "grpquota", "warnquota"}) {
            QTest::newRow(qPrintable(QStringLiteral("de: ") + QLatin1String(word))) << "X-KDE-Keywords[de]" << QString::fromLatin1(word);
        }
    }

    void keywords()
    {
        QFETCH(QString, key);
        QFETCH(QString, word);
        const KPluginMetaData data = KPluginMetaData::findPluginById(hostNamespace, pluginId);
        const QStringList words = data.value(key).split(QLatin1Char(','));
        QVERIFY2(words.contains(word), qPrintable(data.value(key)));
    }

    void instantiates()
    {
        const KPluginMetaData data = KPluginMetaData::findPluginById(hostNamespace, pluginId);
        const auto factory = KPluginFactory::loadFactory(data);
        QVERIFY2(factory, qPrintable(factory.errorString));
        QCOMPARE(factory.plugin->metaObject()->className(), "QuotasFactory");

        QWidget parent;
        const auto module = KPluginFactory::instantiatePlugin<KCModule>(data, &parent);
        QVERIFY2(module, qPrintable(module.errorString));
        QCOMPARE(module.plugin->metaObject()->className(), "QuotasModule");
        QWidget *const panel = KCMVS::moduleWidget(module.plugin);
        QCOMPARE(panel->parentWidget(), &parent);

        // The host sizes its window from the module before the first load.
        const QSize hint = panel->sizeHint();
        QVERIFY2(hint.width() >= 800 && hint.height() >= 500, qPrintable(QStringLiteral("%1 x %2").arg(hint.width()).arg(hint.height())));
    }
};

QTEST_MAIN(PluginLoadTest)

#include "pluginloadtest.moc"
