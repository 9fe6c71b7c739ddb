// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The window model: single instances, load on show or touch, unload once
// even when unloads nest, fresh reloads, close box, end of the run, and
// what shutdown refuses.

#include "platform/forms.h"
#include "platform/kernel32.h"
#include "platform/timer.h"
#include "support.h"

#include <QPointer>
#include <QTest>

using namespace platform;

namespace {
QStringList g_events;
std::function<void()> g_duringUnload;

class Probe : public Form {
public:
    static constexpr const char *FormName = "Probe";
    Probe() : Form(QStringLiteral("Probe"))
    {
        designWindow(QStringLiteral("Probe"), BorderStyle::FixedToolWindow, 1500, 1500, StartPosition::Manual,
                     Qt::white);
        ticker = new Timer(window(), QStringLiteral("Timer1"), 50);
    }
    void Form_Load() override
    {
        g_events << QStringLiteral("load");
        value = 1;
    }
    void Form_Unload() override
    {
        g_events << QStringLiteral("unload");
        if (g_duringUnload) {
            auto fn = std::move(g_duringUnload);
            g_duringUnload = nullptr;
            fn();
        }
        g_events << QStringLiteral("unload done");
    }
    int value = 0;
    Timer *ticker;
};

class Other : public Form {
public:
    static constexpr const char *FormName = "Other";
    Other() : Form(QStringLiteral("Other")) {}
};
}   // namespace

class TestForms : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

private slots:
    void init()
    {
        world = std::make_unique<TestWorld>();
        g_events.clear();
        g_duringUnload = nullptr;
    }
    void cleanup() { world.reset(); }

    void showLoadsOnceAndBringsForward()
    {
        Forms::show<Probe>();
        Forms::show<Probe>();
        QCOMPARE(g_events, QStringList{"load"});
        QVERIFY(Forms::find<Probe>()->window()->isVisible());
        QCOMPARE(Forms::loadedCount(), 1);
    }

    void touchLoadsWithoutShowing()
    {
        Probe &p = Forms::get<Probe>();
        QCOMPARE(g_events, QStringList{"load"});
        QVERIFY(p.isLoaded());
        QVERIFY(!p.window()->isVisible());
        QCOMPARE(&Forms::get<Probe>(), &p);
    }

    void unloadOfAWindowNotLoadedDoesNothing()
    {
        Forms::unload<Probe>();
        QVERIFY(g_events.isEmpty());
        QCOMPARE(world->allUnloaded, 0);
    }

    void reloadStartsAfreshFromTheDesign()
    {
        Probe &first = Forms::get<Probe>();
        first.value = 42;
        Forms::unload<Probe>();
        QVERIFY(!Forms::isLoaded<Probe>());
        QVERIFY(!first.window()->isVisible());
        QVERIFY(!first.ticker->Enabled());   // destroyed with its timers
        Probe &second = Forms::get<Probe>();
        QVERIFY(&second != &first);
        QCOMPARE(second.value, 1);
        QCOMPARE(g_events, (QStringList{"load", "unload", "unload done", "load"}));
    }

    void closeBoxUnloads()
    {
        Forms::show<Probe>();
        Forms::find<Probe>()->window()->close();
        QTRY_VERIFY(!Forms::isLoaded<Probe>());
        QCOMPARE(g_events, (QStringList{"load", "unload", "unload done"}));
    }

    void runEndsWithTheLastWindow()
    {
        Forms::load<Probe>();
        Forms::load<Other>();
        Forms::unload<Probe>();
        QCOMPARE(world->allUnloaded, 0);
        Forms::unload<Other>();
        QCOMPARE(world->allUnloaded, 1);
    }

    void secondUnloadDuringTheFirstDoesNothing()
    {
        Forms::show<Probe>();
        g_duringUnload = [] {
            Forms::unload<Probe>();
            g_events << (Forms::isLoaded<Probe>() ? "still loaded" : "gone");
        };
        Forms::unload<Probe>();
        QCOMPARE(g_events, (QStringList{"load", "unload", "still loaded", "unload done"}));
        QVERIFY(!Forms::isLoaded<Probe>());
        QCOMPARE(world->allUnloaded, 1);
    }

    void touchDuringUnloadGivesTheWindowGoingAway()
    {
        Forms::show<Probe>();
        Probe *dying = Forms::find<Probe>();
        Probe *touched = nullptr;
        g_duringUnload = [&] { touched = &Forms::get<Probe>(); };
        Forms::unload<Probe>();
        QCOMPARE(touched, dying);
        QVERIFY(!Forms::isLoaded<Probe>());
        QCOMPARE(g_events.count("load"), 1);
    }

    void showDuringUnloadReopensAfterwards()
    {
        Forms::show<Probe>();
        Probe *first = Forms::find<Probe>();
        g_duringUnload = [] { Forms::show<Probe>(); };
        Forms::unload<Probe>();
        QCOMPARE(g_events, (QStringList{"load", "unload", "unload done", "load"}));
        Probe *second = Forms::find<Probe>();
        QVERIFY(second && second != first);
        QVERIFY(second->window()->isVisible());
        QVERIFY(!first->window()->isVisible());
        QCOMPARE(world->allUnloaded, 0);
    }

    void shutdownBringsNothingBack()
    {
        Forms::load<Other>();
        Forms::show<Probe>();
        g_duringUnload = [] { Forms::show<Probe>(); };   // a reopen asked for during shutdown
        Forms::beginShutdown();
        Forms::unload<Probe>();
        QVERIFY(!Forms::isLoaded<Probe>());

        Forms::show<Probe>();
        QVERIFY(!Forms::isLoaded<Probe>());
        Probe &ghost = Forms::get<Probe>();   // answers from its design
        QCOMPARE(ghost.value, 0);
        QVERIFY(!ghost.isLoaded());
        QVERIFY(!ghost.window()->isVisible());
        QVERIFY(!Forms::isLoaded<Probe>());
        QCOMPARE(g_events.count("load"), 1);

        Forms::unloadAll();
        QCOMPARE(Forms::loadedCount(), 0);
        QCOMPARE(world->allUnloaded, 1);
    }

    void unloadAllLeavesARunningUnloadToItself()
    {
        Forms::show<Probe>();
        Forms::load<Other>();
        g_duringUnload = [] {
            Forms::unloadAll();
            g_events << QString::number(Forms::loadedCount());
        };
        Forms::unload<Probe>();
        QCOMPARE(g_events, (QStringList{"load", "unload", "1", "unload done"}));
        QCOMPARE(Forms::loadedCount(), 0);
        QCOMPARE(world->allUnloaded, 1);
    }

    void deadWindowsAreFreedOnlyOutsideHandlers()
    {
        Forms::load<Probe>();
        QPointer<FormWindow> window = Forms::find<Probe>()->window();
        Forms::unload<Probe>();
        QCOMPARE(Forms::deadCount(), 1);
        Forms::collect();   // the test itself counts as a running handler
        QCOMPARE(Forms::deadCount(), 1);
        QVERIFY(window);
        world->outsideHandlers([] { Forms::collect(); });
        QCOMPARE(Forms::deadCount(), 0);
        QVERIFY(!window);   // the window went with its form
    }

    void twipsFollowTheScreen()
    {
        QCOMPARE(twipsPerPixelX(), 15.0);
        QCOMPARE(screenWidthTwips(), 1024 * 15);
        Probe &p = Forms::get<Probe>();
        p.Move(3930, 150);
        QCOMPARE(p.window()->pos(), QPoint(262, 10));
        QCOMPARE(p.Left(), 3930);
        QCOMPARE(p.window()->size(), QSize(100, 100));
    }
};

QTEST_MAIN(TestForms)
#include "tst_forms.moc"
