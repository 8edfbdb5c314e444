// SPDX-FileCopyrightText: 2026 Velun contributors
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel base as a host drives it, the same for the KF5 host (the module
// is the widget) and the KF6 one (the module hands out its widget).

#include "platform/kcm/velunkcmodule.h"
#include "platform/kcm/messagesmanager.h"
#include "platform/kcm/statewidget.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace
{
// A panel like the real one: its form appears on the first load, and it
// asks the host for more room than the form needs.
class Panel : public KCMVS::VelunKCModule
{
    Q_OBJECT
public:
    Panel(KCMVS::ModuleParent *parent, bool formOnLoad)
        : KCMVS::VelunKCModule(QStringLiteral("velun_kcm_quotas"), parent, {})
        , m_formOnLoad(formOnLoad)
    {
    }

    QSize sizeHint() const override
    {
        return KCMVS::VelunKCModule::sizeHint().expandedTo(QSize(700, 400));
    }

    void access() override
    {
        ++accessed;
        if (m_formOnLoad && !widget()->layout()) {
            auto layout = new QVBoxLayout(widget());
            layout->addWidget(new QLabel(QStringLiteral("form"), widget()));
        }
    }

    void change() override
    {
        ++changed;
    }

    // What an edit in the form does.
    void edit()
    {
        markAsChanged();
    }

    int accessed = 0;
    int changed = 0;

private:
    const bool m_formOnLoad;
};

using Step = std::function<void(Panel &)>;
}

Q_DECLARE_METATYPE(Step)

class VelunKCModuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostEmbedsTheModuleWidget()
    {
        QWidget host;
        auto panel = new Panel(&host, true);
        QWidget *const widget = KCMVS::moduleWidget(panel);
        QCOMPARE(panel->widget(), widget);
        QCOMPARE(widget->parentWidget(), &host);
        // The host sizes its window from the embedded widget, before and
        // after the form is there.
        QVERIFY(widget->sizeHint().width() >= 700 && widget->sizeHint().height() >= 400);
        panel->load();
        QVERIFY(widget->sizeHint().width() >= 700 && widget->sizeHint().height() >= 400);
        QCOMPARE(panel->accessed, 1);
        panel->save();
        QCOMPARE(panel->changed, 1);
    }

    void frameWidgets_data()
    {
        QTest::addColumn<bool>("formOnLoad");

        QTest::newRow("no form: the messages lie over the empty panel") << false;
        QTest::newRow("the form's layout takes them in") << true;
    }

    void frameWidgets()
    {
        QFETCH(bool, formOnLoad);

        QWidget host;
        auto panel = new Panel(&host, formOnLoad);
        QWidget *const widget = KCMVS::moduleWidget(panel);
        widget->resize(500, 300);
        widget->show();
        panel->load();
        panel->messagesManager()->newMessage(QStringLiteral("a message"), KCMVS::Error, QString(), KCMVS::Closable);
        QCoreApplication::processEvents();

        auto box = qobject_cast<QBoxLayout *>(widget->layout());
        QCOMPARE(box != nullptr, formOnLoad);
        if (box) {
            // Messages first, the pending-changes note last.
            QCOMPARE(box->indexOf(panel->messagesManager()), 0);
            QCOMPARE(box->indexOf(panel->stateWidget()), box->count() - 1);
        } else {
            QCOMPARE(panel->messagesManager()->geometry().topLeft(), QPoint(0, 0));
            QCOMPARE(panel->messagesManager()->width(), widget->width());
        }
    }

    void pendingChanges_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<bool>("pending");

        QTest::newRow("an edit") << Step([](Panel &panel) {
            panel.edit();
        }) << true;
        QTest::newRow("the note reset after an edit") << Step([](Panel &panel) {
            panel.edit();
            panel.stateWidget()->resetState();
        }) << false;
        QTest::newRow("saved after an edit") << Step([](Panel &panel) {
            panel.edit();
            panel.save();
        }) << false;
        QTest::newRow("edited again after a reload") << Step([](Panel &panel) {
            panel.edit();
            panel.load();
            panel.edit();
        }) << true;
    }

    // What the host is told, what the panel's signal says and what the
    // note at the bottom shows always agree.
    void pendingChanges()
    {
        QFETCH(Step, step);
        QFETCH(bool, pending);

        QWidget host;
        auto panel = new Panel(&host, true);
        panel->load();
        bool hostPending = !pending;
        KCMVS::onModuleNeedsSave(panel, [&hostPending](bool needs) {
            hostPending = needs;
        });
        QSignalSpy reported(panel, &KCMVS::VelunKCModule::pendingChangesChanged);

        step(*panel);
        QCOMPARE(hostPending, pending);
        QVERIFY(!reported.isEmpty());
        QCOMPARE(reported.last().at(0).toBool(), pending);
        QCOMPARE(panel->stateWidget()->hasPendingChanges(), pending);
    }

    void lifetime_data()
    {
        QTest::addColumn<bool>("hostGoesFirst");

        QTest::newRow("the host deletes the module") << false;
        QTest::newRow("the host's window goes with everything in it") << true;
    }

    // The panel's widget never outlives the panel, whichever goes first.
    void lifetime()
    {
        QFETCH(bool, hostGoesFirst);

        auto host = new QWidget;
        QPointer<Panel> panel = new Panel(host, true);
        panel->load();
        QPointer<QWidget> widget = KCMVS::moduleWidget(panel);
        QPointer<KCMVS::MessagesManager> messages = panel->messagesManager();
        if (hostGoesFirst) {
            delete host;
        } else {
            delete panel;
        }
        QVERIFY(!panel);
        QVERIFY(!widget);
        QVERIFY(!messages);
        if (!hostGoesFirst) {
            delete host;
        }
    }
};

QTEST_MAIN(VelunKCModuleTest)

#include "velunkcmoduletest.moc"
