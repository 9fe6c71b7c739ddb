// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Whole runs through the real windows and the event loop, as a user drives
// them: from the boot clip to the dock, the Scanner's show, and every way of
// opening and closing each tool.  Every run ends with the exit icon and the
// last window going by itself.  Timers run a thousand times faster and
// pauses are recorded, not slept.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "platform/timer.h"
#include "shell/closing.h"
#include "shell/desktop.h"
#include "shell/loading.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "tooltable.h"
#include "viewer/video.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <map>

using namespace platform;

namespace {

enum ToolId { ViewerTool, DebuggerTool, ScannerTool };
enum class Open { DockIcon, LoadCommand, Start, Erreur };
enum class Close { CloseBox, DockIcon, CloseCommand, ExitCommand, ExitIcon };

const QString Banner1 = QStringLiteral("Syrel Software Emulation. Version 1.0");
const QString DebuggerBanner = QStringLiteral("Debugger System Command Line Interface. Type 'help' for help page ...");
const QString ScannerBanner = QStringLiteral("Scanner System Interface. Type 'help' for help page ...");
const QString NoEngine = QStringLiteral("ERROR : 9001 - The media player component could not be created");

QString iconState(const Dock &d, Image *Dock::*icon, Image *Dock::*lit, Image *Dock::*normal)
{
    if (shows(d.*icon, d.*lit))
        return QStringLiteral("lit");
    if (shows(d.*icon, d.*normal))
        return QStringLiteral("unlit");
    return QStringLiteral("?");
}

// The tools as one line: each tool's window, variable and icon.
QString toolsState()
{
    Dock *dock = Forms::find<Dock>();
    Variables *v = Forms::find<Variables>();
    QStringList out;
    for (const Tool &t : Tools) {
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(QLatin1String(t.name), isOpen(t.find()) ? "open" : "closed", v ? v->*t.variable : "-",
                        dock ? iconState(*dock, t.icon, t.lit, t.normal) : "-");
    }
    return out.join(QStringLiteral(", "));
}

QString expected(bool viewer, bool debugger, bool scanner)
{
    auto one = [](const char *name, bool open) {
        return QStringLiteral("%1 %2").arg(QLatin1String(name), open ? "open Open lit" : "closed Close unlit");
    };
    return QStringList{one("Video", viewer), one("Debugger", debugger), one("Scanner", scanner)}.join(
        QStringLiteral(", "));
}

// Windows on screen that are not loaded, or loaded and hidden (the shared
// variables have no window to show).
QString screenOutOfStep()
{
    QStringList out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *fw = qobject_cast<FormWindow *>(w);
        if (!fw) {
            if (w->isVisible() && !w->inherits("QMenu") && !w->inherits("QToolTip"))
                out << QStringLiteral("stray window %1").arg(w->metaObject()->className());
            continue;
        }
        const bool loaded = fw->form() && fw->form()->isLoaded();
        if (fw->isVisible() && !loaded)
            out << QStringLiteral("%1 shown but not loaded").arg(fw->form() ? fw->form()->name() : "?");
        if (loaded && !fw->isVisible() && fw->form()->name() != QStringLiteral("Variables") &&
            fw->form()->state() == Form::State::Loaded)
            out << QStringLiteral("%1 loaded but hidden").arg(fw->form()->name());
    }
    return out.join(QStringLiteral("; "));
}

// A line typed into a console and entered.
void enter(ConsoleWindow &c, const QString &line)
{
    QTest::keyClicks(c.Text1, line);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(c.Text1, &press);
}

QStringList tail(const QStringList &lines, int n) { return lines.mid(std::max(0, int(lines.size()) - n)); }

const char *toolName(int t) { return Tools[t].name; }

}   // namespace

Q_DECLARE_METATYPE(Open)
Q_DECLARE_METATYPE(Close)

#define VERIFY_STATE(viewer, debugger, scanner)                                                                        \
    do {                                                                                                               \
        QCOMPARE(toolsState(), expected(viewer, debugger, scanner));                                                   \
        const QString screen = screenOutOfStep();                                                                      \
        QVERIFY2(screen.isEmpty(), qPrintable(screen));                                                                \
    } while (false)

class TestEndToEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

    static constexpr int ScreenW = 1024 * 15, ScreenH = 768 * 15;

    void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents();
        }
    }

    // The boot as the program starts it: the clip plays, ends, the desktop
    // and the strip come, then the dock.
    Dock *boot()
    {
        Forms::show<Loading>();
        Loading *l = Forms::find<Loading>();
        if (!l)
            return nullptr;
        auto *engine = qobject_cast<FakeEngine *>(l->WindowsMediaPlayer1->engine());
        if (!engine)
            return nullptr;
        engine->finish();
        if (!waitFor([] { return Forms::find<Dock>() && !Forms::isLoaded<Processing>(); }))
            return nullptr;
        settle();
        return Forms::find<Dock>();
    }

    // Opens the Scanner with its dock icon: the strip runs, then the console.
    void scannerByDock(Dock &dock)
    {
        click(dock.Image5);
        QVERIFY(waitFor([] { return isOpen(Forms::find<Scanner>()) && !Forms::isLoaded<Processing>(); }));
        settle();
    }

    // The run's end: the exit icon closes every tool and the last window goes.
    void exitAndVerifyTheRunEnds(Dock &dock)
    {
        QPointer<FormWindow> dockWindow = dock.window();
        click(dock.Image9);
        QVERIFY(waitFor([this] { return world->allUnloaded > 0; }));
        settle();
        QCOMPARE(world->allUnloaded, 1);
        QCOMPARE(Forms::loadedCount(), 0);
        QVERIFY(!dockWindow || !dockWindow->isVisible());
        const QString screen = screenOutOfStep();
        QVERIFY2(screen.isEmpty(), qPrintable(screen));
    }

private slots:
    void init()
    {
        world = std::make_unique<TestWorld>();
        Timer::setSpeedUp(1000);
    }
    void cleanup() { world.reset(); }

    void bootClipToDock()
    {
        Forms::show<Loading>();
        Loading *l = Forms::find<Loading>();
        QVERIFY(l && l->window()->isVisible());
        QCOMPARE(l->WindowsMediaPlayer1->URL(), QStringLiteral("Boot.avi"));
        QCOMPARE(l->window()->size(), QSize(1024, 768));
        // The clip plays: ticks come and go, nothing else opens.
        QTest::qWait(30);
        QCOMPARE(Forms::loadedCount(), 1);
        qobject_cast<FakeEngine *>(l->WindowsMediaPlayer1->engine())->finish();

        QVERIFY(waitFor([] { return Forms::isLoaded<Desktop>(); }));
        QVERIFY(!Forms::isLoaded<Loading>());
        Variables &v = *Forms::find<Variables>();
        QCOMPARE(v.Dock, QStringLiteral("Slow"));
        QCOMPARE(v.Processing, QStringLiteral("Loading"));
        Desktop &desk = *Forms::find<Desktop>();
        QCOMPARE(QRect(desk.Left(), desk.Top(), desk.Width(), desk.Height()), QRect(0, 0, ScreenW, ScreenH));

        QVERIFY(waitFor([] { return Forms::find<Dock>() && !Forms::isLoaded<Processing>(); }));
        settle();
        Dock &dock = *Forms::find<Dock>();
        QCOMPARE(dock.Left(), ScreenW / 2 - 3750);
        QCOMPARE(dock.Top(), ScreenH - 1400);
        QVERIFY(dock.window()->isVisible());
        QCOMPARE(layeredAlpha(dock.hWnd()), 180);
        QCOMPARE(iconState(dock, &Dock::Image9, &Dock::Image9H, &Dock::Image99), QStringLiteral("unlit"));
        VERIFY_STATE(false, false, false);
        // Desktop, dock and the shared variables are what the boot leaves.
        QStringList names;
        for (Form *f : Forms::loaded())
            names << f->name();
        names.sort();
        QCOMPARE(names, (QStringList{"Desktop", "Dock", "Variables"}));
        exitAndVerifyTheRunEnds(dock);
    }

    // The Scanner icon, "start", then a virtualisation, as a user goes through it.
    void scannerShowFromIconToVirtualisation()
    {
        Dock *dock = boot();
        QVERIFY(dock);
        click(dock->Image5);
        QCOMPARE(Forms::find<Variables>()->Processing, QStringLiteral("Scanner"));
        QCOMPARE(iconState(*dock, &Dock::Image5, &Dock::Image5H, &Dock::Image55), QStringLiteral("lit"));
        QCOMPARE(Forms::find<Variables>()->Scanner, QStringLiteral("Close"));   // until the strip ends
        QVERIFY(Forms::isLoaded<Processing>());
        QVERIFY(waitFor([] { return isOpen(Forms::find<Scanner>()) && !Forms::isLoaded<Processing>(); }));
        settle();
        Scanner &s = *Forms::find<Scanner>();
        QCOMPARE(s.Started, QStringLiteral("False"));
        QCOMPARE(linesOf(s), (QStringList{Banner1, ScannerBanner, ""}));
        QVERIFY(isTopmost(s.hWnd()));
        VERIFY_STATE(false, false, true);

        enter(s, QStringLiteral("start"));
        settle();
        QCOMPARE(s.Started, QStringLiteral("True"));
        QCOMPARE(s.Text1->Text(), QString());
        QCOMPARE(linesOf(s).mid(3), (QStringList{"Commande > start", "Systeme Pret !", "", ""}));
        Video &v = *Forms::find<Video>();
        QCOMPARE(s.Left(), 50);
        QCOMPARE(v.Left(), s.Height());
        QCOMPARE(v.Top(), s.Top());
        for (Label *hidden : {v.Label7, v.Label8})
            QVERIFY(!hidden->isVisibleTo(v.window()));
        for (Label *shown : {v.Label1, v.Label2, v.Label3, v.Label4, v.Label5, v.Label6})
            QVERIFY(shown->isVisibleTo(v.window()));
        QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Syrel.avi"));
        VERIFY_STATE(true, false, true);

        // Each pause sees the line just written, in order.
        QStringList seen;
        world->onSleep = [&](int ms) { seen << QStringLiteral("%1 %2").arg(ms).arg(linesOf(s).last()); };
        enter(s, QStringLiteral("virtual talvia"));
        world->onSleep = nullptr;
        QCOMPARE(world->sleeps, (QVector<int>{1500, 1000, 2000}));
        QCOMPARE(seen, (QStringList{"1500 Transfert talvia", "1000 Scanner talvia", "2000 Virtualisation ... "}));
        QCOMPARE(tail(linesOf(s), 6), (QStringList{"Commande > virtual talvia", "", "Transfert talvia",
                                                   "Scanner talvia", "Virtualisation ... ", ""}));
        VERIFY_STATE(true, false, true);
        exitAndVerifyTheRunEnds(*dock);
    }

    // Every way to open each tool, and every way to close it.
    void everyRouteInAndOut_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<Open>("open");
        QTest::addColumn<Close>("close");
        const std::pair<Open, const char *> opens[] = {{Open::DockIcon, "dock icon"},
                                                       {Open::LoadCommand, "load command"},
                                                       {Open::Start, "start"},
                                                       {Open::Erreur, "error report"}};
        const std::pair<Close, const char *> closes[] = {{Close::CloseBox, "close box"},
                                                         {Close::DockIcon, "dock icon"},
                                                         {Close::CloseCommand, "close command"},
                                                         {Close::ExitCommand, "exit command"},
                                                         {Close::ExitIcon, "exit icon"}};
        for (int tool : {ViewerTool, DebuggerTool, ScannerTool}) {
            for (auto [open, openName] : opens) {
                const bool can = open == Open::DockIcon || (open == Open::LoadCommand && tool != DebuggerTool) ||
                                 (open == Open::Start && tool == ViewerTool) ||
                                 (open == Open::Erreur && tool == DebuggerTool);
                if (!can)
                    continue;
                for (auto [close, closeName] : closes) {
                    if (close == Close::CloseCommand && tool == DebuggerTool)
                        continue;   // the Debugger closes itself with "exit"
                    QTest::addRow("%s by %s, closed by %s", toolName(tool), openName, closeName)
                        << tool << open << close;
                }
            }
        }
    }
    void everyRouteInAndOut()
    {
        QFETCH(int, tool);
        QFETCH(Open, open);
        QFETCH(Close, close);
        Dock *dockPtr = boot();
        QVERIFY(dockPtr);
        Dock &dock = *dockPtr;
        bool state[3] = {false, false, false};

        // The consoles a route types into are opened first, from the dock.
        const bool needsDebugger = tool != DebuggerTool && (open == Open::LoadCommand || close == Close::CloseCommand);
        const bool needsScanner = tool == ViewerTool && (open == Open::Start || close == Close::ExitCommand);
        if (needsDebugger) {
            click(dock.Image4);
            settle();
            state[DebuggerTool] = true;
            Debugger &d = *Forms::find<Debugger>();
            QCOMPARE(linesOf(d), (QStringList{Banner1, DebuggerBanner, ""}));
            QVERIFY2(std::abs(d.Left() - (ScreenW - d.Width()) / 2) <= 15, "the Debugger first shows centred");
            VERIFY_STATE(state[0], state[1], state[2]);
        }
        if (needsScanner) {
            scannerByDock(dock);
            state[ScannerTool] = true;
            VERIFY_STATE(state[0], state[1], state[2]);
        }

        // In.
        switch (open) {
        case Open::DockIcon:
            if (tool == ScannerTool)
                scannerByDock(dock);
            else
                click(tool == ViewerTool ? dock.Image1 : dock.Image4);
            break;
        case Open::LoadCommand: {
            Debugger &d = *Forms::find<Debugger>();
            const QString arg = tool == ViewerTool ? "viewer" : "scanner";
            enter(d, QStringLiteral("load ") + arg);
            const QString opening =
                tool == ViewerTool ? "Ouverture du Syrel World Viewer ..." : "Ouverture du Scanner ...";
            QCOMPARE(tail(linesOf(d), 6), (QStringList{"Commande > load " + arg, "",
                                                       "Loading Process Command Setting : " + arg, "", opening, ""}));
            if (tool == ScannerTool)
                QCOMPARE(Forms::find<Variables>()->Processing, QStringLiteral("Loading"));   // no strip
            break;
        }
        case Open::Start: {
            Scanner &s = *Forms::find<Scanner>();
            enter(s, QStringLiteral("start"));
            Video &v = *Forms::find<Video>();
            QCOMPARE(s.Left(), 50);
            QCOMPARE(v.Left(), s.Height());
            QCOMPARE(v.Top(), s.Top());
            QVERIFY(v.Label6->isVisibleTo(v.window()) && !v.Label7->isVisibleTo(v.window()));
            QCOMPARE(tail(linesOf(s), 3), (QStringList{"Systeme Pret !", "", ""}));
            break;
        }
        case Open::Erreur: {
            // The viewer cannot make its player: it reports into the Debugger.
            world->failEngines = true;
            click(dock.Image1);
            world->failEngines = false;
            state[ViewerTool] = true;
            Video &v = *Forms::find<Video>();
            Debugger &d = *Forms::find<Debugger>();
            QCOMPARE(linesOf(d), (QStringList{Banner1, DebuggerBanner, "", NoEngine}));
            QCOMPARE(v.Left(), 0);
            QCOMPARE(d.Left(), v.Left() + v.Width());
            QCOMPARE(d.Top(), v.Top());
            QVERIFY(!v.hasPlayer(1));
            break;
        }
        }
        settle();
        state[tool] = true;
        VERIFY_STATE(state[0], state[1], state[2]);
        if (tool == ViewerTool && open != Open::Start) {
            Video &v = *Forms::find<Video>();
            QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Syrel.avi"));
            QVERIFY(v.Label7->isVisibleTo(v.window()) && !v.Label6->isVisibleTo(v.window()));
            // Its buttons switch clips.
            click(v.Command5);
            QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Map-2-2-1-Action.avi"));
        }

        // Out.
        Form *form = Tools[tool].find();
        QVERIFY(form);
        switch (close) {
        case Close::CloseBox: form->window()->close(); break;
        case Close::DockIcon:
            click(tool == ViewerTool ? dock.Image1 : tool == DebuggerTool ? dock.Image4 : dock.Image5);
            if (tool == ScannerTool)
                QCOMPARE(Forms::find<Variables>()->Processing, QStringLiteral("Scanner"));
            break;
        case Close::CloseCommand: {
            Debugger &d = *Forms::find<Debugger>();
            const QString arg = tool == ViewerTool ? "viewer" : "scanner";
            enter(d, QStringLiteral("close ") + arg);
            const QString attempt =
                tool == ViewerTool ? "Tentative de fermeture de Syrel Viewer" : "Tentative de fermeture du Scanner";
            QCOMPARE(tail(linesOf(d), 5), (QStringList{"Commande > close " + arg,
                                                       "Loading Process Command Setting : " + arg, "", attempt, ""}));
            break;
        }
        case Close::ExitCommand:
            if (tool == DebuggerTool) {
                Debugger &d = *Forms::find<Debugger>();
                QStringList during;
                world->onYield = [&] {
                    if (during.isEmpty())
                        during = linesOf(d);
                };
                enter(d, QStringLiteral("exit"));
                world->onYield = nullptr;
                QCOMPARE(during, QStringList{"Unloading Process ..."});
            } else {
                // The Scanner's exit closes the viewer and itself.
                enter(*Forms::find<Scanner>(), QStringLiteral("exit"));
                state[ScannerTool] = false;
            }
            break;
        case Close::ExitIcon: exitAndVerifyTheRunEnds(dock); return;
        }
        settle();
        state[tool] = false;
        VERIFY_STATE(state[0], state[1], state[2]);
        QCOMPARE(Forms::find<Variables>()->FormVideo == QStringLiteral("Close"), !state[ViewerTool]);

        // Closed, it opens again from the dock, fresh.
        if (tool == ScannerTool) {
            scannerByDock(dock);
            QCOMPARE(Forms::find<Scanner>()->Started, QStringLiteral("False"));
            QCOMPARE(linesOf(*Forms::find<Scanner>()), (QStringList{Banner1, ScannerBanner, ""}));
        } else {
            click(tool == ViewerTool ? dock.Image1 : dock.Image4);
            if (tool == DebuggerTool)
                QCOMPARE(linesOf(*Forms::find<Debugger>()), (QStringList{Banner1, DebuggerBanner, ""}));
        }
        settle();
        state[tool] = true;
        VERIFY_STATE(state[0], state[1], state[2]);
        exitAndVerifyTheRunEnds(dock);
    }

    // All three open, then the exit: tools fade in their order, then the dock.
    void exitWithEveryToolOpen()
    {
        Dock *dock = boot();
        QVERIFY(dock);
        click(dock->Image1);
        click(dock->Image4);
        scannerByDock(*dock);
        VERIFY_STATE(true, true, true);
        const std::pair<HWND, QString> windows[] = {{Forms::find<Video>()->hWnd(), "Video"},
                                                    {Forms::find<Scanner>()->hWnd(), "Scanner"},
                                                    {Forms::find<Debugger>()->hWnd(), "Debugger"},
                                                    {dock->hWnd(), "Dock"}};
        world->user32.clear();
        // At each fade step: which window's opacity moved since the last one.
        QStringList order, notice;
        std::map<HWND, int> seen;
        world->onYield = [&] {
            for (const auto &[hwnd, name] : windows) {
                const int n = int(world->user32.alphas(hwnd).size());
                if (n != seen[hwnd] && (order.isEmpty() || order.last() != name))
                    order << name;
                seen[hwnd] = n;
            }
            Closing *c = Forms::find<Closing>();
            if (notice.isEmpty() && c && c->window()->isVisible())
                notice << c->Caption() << c->Label1->text();
        };
        exitAndVerifyTheRunEnds(*dock);
        world->onYield = nullptr;
        QCOMPARE(notice, (QStringList{"Closing ...", "Processus d'arret en cours ... Veuillez patienter ..."}));
        QCOMPARE(order, (QStringList{"Video", "Scanner", "Debugger", "Dock"}));
        for (const auto &[hwnd, name] : windows)
            QCOMPARE(world->user32.alphas(hwnd).last(), name == "Dock" ? 180 : 0);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
