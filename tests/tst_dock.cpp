// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The launcher bar: its design, where it sits and how it shows, the tool
// toggles and their lit icons, the exit, and clicks that land while windows
// are fading out.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "shell/closing.h"
#include "shell/desktop.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "tooltable.h"
#include "viewer/video.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

using namespace platform;

namespace {

const Tool &VideoTool = Tools[0];
const Tool &DebuggerTool = Tools[1];
const Tool &ScannerTool = Tools[2];

bool isOpen(const Tool &t) { return isOpen(t.find()); }

bool isLit(const Dock &d, const Tool &t) { return shows(d.*t.icon, d.*t.lit); }
bool isUnlit(const Dock &d, const Tool &t) { return shows(d.*t.icon, d.*t.normal); }

// Empty when every tool is in step with the dock: its variable reads "Open"
// exactly while it is open ("Close" otherwise), and its icon is lit exactly
// then; the Scanner's icon is also lit while a strip is on its way to it.
QString toolsOutOfStep()
{
    Dock *dock = Forms::find<Dock>();
    Variables *v = Forms::find<Variables>();
    if (!dock || !v)
        return QStringLiteral("no dock or no shared variables");
    QStringList faults;
    for (const Tool &t : Tools) {
        const bool open = isOpen(t);
        const QString value = v->*t.variable;
        if (value != QLatin1String(open ? "Open" : "Close"))
            faults
                << QStringLiteral("%1 %2 but its variable reads \"%3\"").arg(t.name, open ? "open" : "closed", value);
        const bool lit = isLit(*dock, t);
        if (!lit && !isUnlit(*dock, t))
            faults << QStringLiteral("%1 icon shows neither of its pictures").arg(t.name);
        const bool litWanted = open || (&t == &ScannerTool && stripLeadsToTheScanner());
        if (lit != litWanted)
            faults << QStringLiteral("%1 %2 but its icon is %3")
                          .arg(t.name, open ? "open" : "closed", lit ? "lit" : "unlit");
    }
    return faults.join(QStringLiteral("; "));
}

#define VERIFY_TOOLS_IN_STEP()                                                                                         \
    do {                                                                                                               \
        const QString out = toolsOutOfStep();                                                                          \
        QVERIFY2(out.isEmpty(), qPrintable(out));                                                                      \
    } while (false)

// The alphas a fade sets: each step, then the end value once more.
QVector<int> fadeSteps(int from, int to, int step)
{
    QVector<int> out;
    for (int a = from; step < 0 ? a >= to : a <= to; a += step)
        out << a;
    out << to;
    return out;
}

QString openTools()
{
    QStringList names;
    for (const Tool &t : Tools)
        if (isOpen(t))
            names << t.name;
    return names.join(QLatin1Char(' '));
}

// Tells which window changed its opacity since the last look.
class FadeWatch {
public:
    FadeWatch(const RecordingUser32 &user32) : m_user32(user32) {}
    void watch(const QString &name, Form *form)
    {
        if (form)
            m_windows.push_back({name, form->hWnd(), int(m_user32.alphas(form->hWnd()).size())});
    }
    QString fading()
    {
        QString name;
        for (auto &w : m_windows) {
            const int n = int(m_user32.alphas(w.hwnd).size());
            if (n != w.seen) {
                w.seen = n;
                name = w.name;
            }
        }
        return name;
    }

private:
    struct Watched {
        QString name;
        HWND hwnd;
        int seen;
    };
    const RecordingUser32 &m_user32;
    std::vector<Watched> m_windows;
};

// The windows loaded when the exit starts, with the notice the exit shows:
// none of them may come back afresh, and no other window may appear.
class Survivors {
public:
    Survivors()
    {
        for (Form *f : Forms::loaded())
            m_forms << f;
    }
    QString newcomers()
    {
        QStringList out;
        for (Form *f : Forms::loaded()) {
            if (m_forms.contains(f))
                continue;
            if (f->name() == QStringLiteral("Closing") && !m_noticeSeen) {
                m_noticeSeen = true;
                m_forms << f;
                continue;
            }
            bool again = false;
            for (Form *g : m_forms)
                again = again || g->name() == f->name();
            out << (again ? f->name() + QStringLiteral(" again") : f->name());
        }
        return out.join(QStringLiteral(", "));
    }

private:
    QList<Form *> m_forms;
    bool m_noticeSeen = false;
};

void addOnce(QStringList &log, const QString &entry)
{
    if (log.isEmpty() || log.last() != entry)
        log << entry;
}

}   // namespace

class TestDock : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

    // The run as the start-up leaves it: desktop, shared variables, the dock up.
    Dock &startRun()
    {
        Forms::show<Desktop>();
        runStrip();
        world->user32.clear();
        world->yields = 0;
        return *Forms::find<Dock>();
    }

    // Ticks the strip until it is done; the number of ticks it took.
    int runStrip()
    {
        Processing *p = Forms::find<Processing>();
        int ticks = 0;
        while (p && p->state() == Form::State::Loaded && p->Timer1->Enabled() && ticks < 1000) {
            p->Timer1_Timer();
            ++ticks;
        }
        return ticks;
    }

    // Opens a tool with its icon; the Scanner's strip is run to its end.
    void openWithDock(Dock &dock, const Tool &t)
    {
        click(dock.*t.icon);
        if (&t == &ScannerTool)
            runStrip();
    }

    Dock &startWithAllToolsOpen()
    {
        Dock &dock = startRun();
        for (const Tool &t : Tools)
            openWithDock(dock, t);
        world->user32.clear();
        world->yields = 0;
        return dock;
    }

    static void addToolRows()
    {
        QTest::addColumn<int>("tool");
        QTest::newRow("viewer") << 0;
        QTest::newRow("debugger") << 1;
        QTest::newRow("scanner") << 2;
    }

    // The end every exit must reach: nothing left, the run ended once.
    void verifyRunEnded(Dock &dock)
    {
        QCoreApplication::processEvents();
        QCOMPARE(Forms::loadedCount(), 0);
        QCOMPARE(world->allUnloaded, 1);
        QVERIFY(!dock.window()->isVisible());
    }

private slots:
    void init() { world = std::make_unique<TestWorld>(); }
    void cleanup() { world.reset(); }

    // ------------------------------------------------------------ design

    void barIsABorderlessStripWithItsPicture()
    {
        Dock &dock = Forms::get<Dock>();
        QCOMPARE(dock.Caption(), QStringLiteral(" "));
        QCOMPARE(dock.window()->size(), QSize(500, 74));
        QVERIFY(dock.window()->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(dock.window()->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(dock.Bar->pixmap().size(), QSize(500, 75));
        QCOMPARE(dock.Bar->pos(), QPoint(0, 0));
    }

    void iconsAndHoldersAreDesigned_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("clickable");
        QTest::newRow("Image1") << 1 << QRect(27, 21, 46, 36) << true;
        QTest::newRow("Image4") << 4 << QRect(96, 21, 46, 36) << true;
        QTest::newRow("Image5") << 5 << QRect(162, 24, 46, 34) << true;
        QTest::newRow("Image6") << 6 << QRect(219, 24, 46, 34) << false;
        QTest::newRow("Image7") << 7 << QRect(282, 24, 46, 34) << false;
        QTest::newRow("Image8") << 8 << QRect(354, 18, 49, 40) << false;
        QTest::newRow("Image9") << 9 << QRect(435, 18, 43, 42) << true;
    }
    void iconsAndHoldersAreDesigned()
    {
        QFETCH(int, n);
        QFETCH(QRect, place);
        QFETCH(bool, clickable);
        Dock &dock = Forms::get<Dock>();
        const QString name = QStringLiteral("Image%1").arg(n);
        auto *icon = dock.window()->findChild<Image *>(name);
        auto *normal = dock.window()->findChild<Image *>(name + QString::number(n));
        auto *lit = dock.window()->findChild<Image *>(name + QLatin1Char('H'));
        QVERIFY(icon && normal && lit);

        QCOMPARE(icon->geometry(), place);
        QVERIFY(icon->isVisibleTo(dock.window()));
        QVERIFY(!normal->isVisibleTo(dock.window()));
        QVERIFY(!lit->isVisibleTo(dock.window()));
        // Each control takes its picture's size; both holders have the icon's size.
        QCOMPARE(icon->Picture().size(), place.size());
        QCOMPARE(normal->Picture().size(), place.size());
        QCOMPARE(lit->Picture().size(), place.size());
        QCOMPARE(normal->size(), place.size());
        QCOMPARE(lit->size(), place.size());
        // The icon starts with the normal picture; the lit one is another picture.
        QVERIFY(shows(icon, normal));
        QVERIFY(normal->Picture().toImage() != lit->Picture().toImage());
        // The holders lie outside the visible bar.
        QVERIFY(!QRect(QPoint(0, 0), dock.window()->size()).intersects(normal->geometry()));
        QVERIFY(!QRect(QPoint(0, 0), dock.window()->size()).intersects(lit->geometry()));

        if (clickable)
            QVERIFY(!icon->accessibleName().isEmpty());
    }

    void clickableIconsHaveDistinctAccessibleNames()
    {
        Dock &dock = Forms::get<Dock>();
        QStringList names;
        for (Image *icon : {dock.Image1, dock.Image4, dock.Image5, dock.Image9})
            names << icon->accessibleName();
        names.removeDuplicates();
        QCOMPARE(names.size(), 4);
        QVERIFY(!names.contains(QString()));
    }

    // The keyboard: the seven icons in their order, Tab and the arrows
    // going round, Home and End; Return and space click; the ring only
    // once a key has been pressed, never from the mouse.
    void iconsAreReachedAndClickedByTheKeyboard()
    {
        Dock &dock = startRun();
        QWidget *w = dock.window();
        QTRY_VERIFY(w->isActiveWindow());
        const QList<Image *> icons{dock.Image1, dock.Image4, dock.Image5, dock.Image6,
                                   dock.Image7, dock.Image8, dock.Image9};
        auto focused = [&] { return int(icons.indexOf(qobject_cast<Image *>(QApplication::focusWidget()))); };
        auto ringed = [&] {
            QList<int> out;
            for (int i = 0; i < icons.size(); ++i)
                if (icons[i]->showsFocus())
                    out << i;
            return out;
        };
        const QImage before = w->grab().toImage();

        // The mouse: a click neither takes the focus nor draws anything.
        QCOMPARE(focused(), 0);   // the window's first tab stop, silently
        click(dock.Image6);
        QCOMPARE(focused(), 0);
        QCOMPARE(ringed(), QList<int>());
        QCOMPARE(w->grab().toImage(), before);

        auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), k, m);
        };
        key(Qt::Key_Right);   // the first key shows the focus where it is
        QCOMPARE(focused(), 0);
        QCOMPARE(ringed(), QList<int>{0});
        QVERIFY(w->grab().toImage() != before);
        QList<int> order;
        for (int i = 0; i < 7; ++i) {
            key(Qt::Key_Tab);
            order << focused();
        }
        QCOMPARE(order, (QList<int>{1, 2, 3, 4, 5, 6, 0}));
        order.clear();
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Home, Qt::Key_End})
            key(k), order << focused();
        QCOMPARE(order, (QList<int>{6, 5, 6, 0, 0, 6}));
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(ringed(), QList<int>{5});

        // Return and space act as a click; the pictures without action do nothing.
        key(Qt::Key_Return);
        QCOMPARE(openTools(), QString());
        dock.Image4->setFocus(Qt::TabFocusReason);
        key(Qt::Key_Space);
        QVERIFY(isOpen(DebuggerTool));
        dock.window()->activateWindow();
        QTRY_VERIFY(dock.Image4->hasFocus());
        key(Qt::Key_Return);
        QTRY_VERIFY(!isOpen(DebuggerTool));
        VERIFY_TOOLS_IN_STEP();
    }

    // What a screen reader is given: a window named "Syrel" holding seven
    // icons (the bar and the hidden holders left out), four of them
    // buttons whose press action clicks, after the reader's call is over.
    void iconsAreButtonsForAScreenReader()
    {
        Dock &dock = startRun();
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(dock.window());
        QCOMPARE(bar->role(), QAccessible::Window);
        QCOMPARE(bar->text(QAccessible::Name), QStringLiteral("Syrel"));
        QStringList children;
        for (int i = 0; i < bar->childCount(); ++i) {
            QAccessibleInterface *c = bar->child(i);
            QCOMPARE(bar->indexOfChild(c), i);
            const bool button = c->role() == QAccessible::Button;
            QCOMPARE(c->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()), button);
            children << (button ? QStringLiteral("button ") : QStringLiteral("picture ")) + c->text(QAccessible::Name);
        }
        QCOMPARE(children,
                 (QStringList{"button Syrel World Viewer", "button Debugger", "button Scanner", "picture Lignes",
                              "picture Trapèze", "picture Flèche vers le bas", "button Quitter Syrel"}));
        bar->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!isOpen(DebuggerTool));
        QTRY_VERIFY(isOpen(DebuggerTool));
        VERIFY_TOOLS_IN_STEP();
    }

    // ------------------------------------------------------- load, unload

    void loadPlacesTheBarNearTheBottomCentre_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("1024x768") << QSize(1024, 768) << 3930 << 10120;
        QTest::newRow("1600x1200") << QSize(1600, 1200) << 8250 << 16600;
    }
    void loadPlacesTheBarNearTheBottomCentre()
    {
        QFETCH(QSize, screen);
        QFETCH(int, left);
        QFETCH(int, top);
        setScreenOverride(screen);
        Forms::get<Variables>();
        Forms::show<Dock>();
        Dock &dock = *Forms::find<Dock>();
        QCOMPARE(dock.Left(), left);
        QCOMPARE(dock.Top(), top);
        const QPoint px = dock.window()->pos();
        QVERIFY2(qAbs(px.x() - left / 15.0) <= 1.0, qPrintable(QString::number(px.x())));
        QVERIFY2(qAbs(px.y() - top / 15.0) <= 1.0, qPrintable(QString::number(px.y())));
        // Centred, with 290 twips (about 19 px) of screen below the bar.
        QCOMPARE(screen.height() - (px.y() + dock.window()->height()), 19);
    }

    void loadPutsTheBarOnTopAndTranslucent()
    {
        Forms::get<Variables>();
        Forms::show<Dock>();
        Dock &dock = *Forms::find<Dock>();
        QVERIFY(dock.window()->isVisible());
        QVERIFY(isTopmost(dock.hWnd()));
        QVERIFY(isLayered(dock.hWnd()));
        QCOMPARE(layeredAlpha(dock.hWnd()), 180);
        QCOMPARE(world->user32.alphas(dock.hWnd()), QVector<int>{180});
        // On top first, then translucent.
        const QStringList &calls = world->user32.calls;
        const int onTop = int(calls.indexOf(QStringLiteral("pos -1 0x53")));
        QVERIFY(onTop >= 0);
        QVERIFY(onTop < calls.indexOf(QStringLiteral("alpha 180")));
    }

    void unloadFadesFromOpaqueDownTo180()
    {
        Forms::get<Variables>();
        Forms::show<Dock>();
        Dock &dock = *Forms::find<Dock>();
        world->user32.clear();
        QStringList during;
        world->onYield = [&] {
            addOnce(
                during,
                QStringLiteral("loaded %1, visible %2").arg(Forms::isLoaded<Dock>()).arg(dock.window()->isVisible()));
        };
        Forms::unload<Dock>();
        QCOMPARE(world->user32.alphas(dock.hWnd()), fadeSteps(255, 180, -5));
        QCOMPARE(world->yields, 16);
        QCOMPARE(during, QStringList{"loaded 1, visible 1"});
        QVERIFY(!Forms::isLoaded<Dock>());
        QVERIFY(!dock.window()->isVisible());
    }

    // ------------------------------------------------------------ toggles

    void toolIconOpensAndClosesItsTool_data() { addToolRows(); }
    void toolIconOpensAndClosesItsTool()
    {
        QFETCH(int, tool);
        const Tool &t = Tools[tool];
        Dock &dock = startRun();
        Variables &v = *Forms::find<Variables>();
        VERIFY_TOOLS_IN_STEP();

        openWithDock(dock, t);
        QVERIFY(isOpen(t));
        QVERIFY(t.find()->window()->isVisible());
        QCOMPARE(v.*t.variable, QStringLiteral("Open"));
        QVERIFY(isLit(dock, t));
        VERIFY_TOOLS_IN_STEP();

        click(dock.*t.icon);
        QVERIFY(!isOpen(t));
        QCOMPARE(v.*t.variable, QStringLiteral("Close"));
        QVERIFY(isUnlit(dock, t));
        QVERIFY(!Forms::isLoaded<Processing>());
        VERIFY_TOOLS_IN_STEP();

        // And once more: it opens again.
        openWithDock(dock, t);
        QVERIFY(isOpen(t));
        QVERIFY(isLit(dock, t));
        VERIFY_TOOLS_IN_STEP();
        QCOMPARE(world->allUnloaded, 0);
    }

    void toolsOpenSideBySide()
    {
        Dock &dock = startRun();
        for (const Tool &t : Tools) {
            openWithDock(dock, t);
            VERIFY_TOOLS_IN_STEP();
        }
        QCOMPARE(openTools(), QStringLiteral("Video Debugger Scanner"));
        click(dock.Image4);
        QCOMPARE(openTools(), QStringLiteral("Video Scanner"));
        QVERIFY(isUnlit(dock, DebuggerTool));
        QVERIFY(isLit(dock, VideoTool));
        QVERIFY(isLit(dock, ScannerTool));
        VERIFY_TOOLS_IN_STEP();
    }

    void twoViewerClicksEndUnlitAndClosed()
    {
        Dock &dock = startRun();
        click(dock.Image1);
        click(dock.Image1);
        QVERIFY(isUnlit(dock, VideoTool));
        QCOMPARE(Forms::find<Variables>()->FormVideo, QStringLiteral("Close"));
        QVERIFY(!Forms::isLoaded<Video>());
        // The viewer faded out on its way.
        QCOMPARE(world->yields, 52);
        VERIFY_TOOLS_IN_STEP();
    }

    void anyOtherVariableTextCountsAsOpen_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<bool>("toolOpen");
        QTest::addColumn<QString>("text");
        for (int i = 0; i < 3; ++i) {
            for (const char *text : {"open", "close", "Close ", ""}) {
                QTest::addRow("%s, open, \"%s\"", Tools[i].name, text) << i << true << QString::fromUtf8(text);
                QTest::addRow("%s, closed, \"%s\"", Tools[i].name, text) << i << false << QString::fromUtf8(text);
            }
        }
    }
    void anyOtherVariableTextCountsAsOpen()
    {
        QFETCH(int, tool);
        QFETCH(bool, toolOpen);
        QFETCH(QString, text);
        const Tool &t = Tools[tool];
        Dock &dock = startRun();
        Variables &v = *Forms::find<Variables>();
        if (toolOpen)
            openWithDock(dock, t);
        v.*t.variable = text;

        click(dock.*t.icon);
        QVERIFY(isUnlit(dock, t));
        QVERIFY(!isOpen(t));
        QVERIFY(!Forms::isLoaded<Processing>());   // the Scanner's icon starts no strip either
        // A tool that was open says "Close" as it goes; nobody writes it otherwise.
        QCOMPARE(v.*t.variable, toolOpen ? QStringLiteral("Close") : text);
    }

    void scannerIconAlwaysSendsTheStripToTheScanner()
    {
        Dock &dock = startRun();
        Variables &v = *Forms::find<Variables>();
        QCOMPARE(v.Processing, QStringLiteral("Loading"));
        click(dock.Image5);
        QCOMPARE(v.Processing, QStringLiteral("Scanner"));
        runStrip();
        QVERIFY(isOpen(ScannerTool));

        v.Processing = QStringLiteral("Loading");
        click(dock.Image5);   // the closing click
        QVERIFY(!isOpen(ScannerTool));
        QCOMPARE(v.Processing, QStringLiteral("Scanner"));
        QVERIFY(!Forms::isLoaded<Processing>());
        VERIFY_TOOLS_IN_STEP();
    }

    void scannerOpensAtTheEndOfTheStrip()
    {
        Dock &dock = startRun();
        Variables &v = *Forms::find<Variables>();
        click(dock.Image5);
        QVERIFY(isLit(dock, ScannerTool));
        Processing *strip = Forms::find<Processing>();
        QVERIFY(strip);
        QVERIFY(strip->window()->isVisible());
        QCOMPARE(strip->ProgressBar1->Value(), 0.0f);
        QCOMPARE(v.Scanner, QStringLiteral("Close"));
        QVERIFY(!Forms::isLoaded<Scanner>());
        VERIFY_TOOLS_IN_STEP();

        QStringList atFade;
        world->onYield = [&] {
            addOnce(atFade, QStringLiteral("scanner %1, lit %2, variable %3")
                                .arg(isOpen(ScannerTool))
                                .arg(isLit(dock, ScannerTool))
                                .arg(v.Scanner));
        };
        for (int tick = 1; tick < 200; ++tick)
            strip->Timer1_Timer();
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(isLit(dock, ScannerTool));
        strip->Timer1_Timer();                                              // the 200th
        QCOMPARE(atFade, QStringList{"scanner 1, lit 1, variable Open"});   // shown before the strip fades
        QVERIFY(!Forms::isLoaded<Processing>());
        QVERIFY(isOpen(ScannerTool));
        QVERIFY(isLit(dock, ScannerTool));
        QCOMPARE(v.Scanner, QStringLiteral("Open"));
        VERIFY_TOOLS_IN_STEP();
    }

    void secondScannerClickDuringTheStripStartsNoSecondStrip()
    {
        Dock &dock = startRun();
        click(dock.Image5);
        Processing *strip = Forms::find<Processing>();
        for (int tick = 0; tick < 60; ++tick)
            strip->Timer1_Timer();
        world->user32.clear();

        click(dock.Image5);
        QCOMPARE(Forms::find<Processing>(), strip);
        QCOMPARE(strip->ProgressBar1->Value(), 30.0f);
        QVERIFY(strip->Timer1->Enabled());
        QVERIFY(isLit(dock, ScannerTool));
        QCOMPARE(Forms::find<Variables>()->Scanner, QStringLiteral("Close"));
        QVERIFY(world->user32.alphas(strip->hWnd()).isEmpty());
        VERIFY_TOOLS_IN_STEP();

        // The rest of the first strip, and no more.
        QCOMPARE(runStrip(), 140);
        QVERIFY(isOpen(ScannerTool));
        QVERIFY(!Forms::isLoaded<Processing>());
        VERIFY_TOOLS_IN_STEP();
    }

    void toolClosedByItsCloseBoxUnlightsItsIcon_data() { addToolRows(); }
    void toolClosedByItsCloseBoxUnlightsItsIcon()
    {
        QFETCH(int, tool);
        const Tool &t = Tools[tool];
        Dock &dock = startRun();
        openWithDock(dock, t);
        Form *first = t.find();
        QVERIFY(isLit(dock, t));

        first->window()->close();
        QTRY_VERIFY(!isOpen(t));
        QVERIFY(!t.find());
        QVERIFY(isUnlit(dock, t));
        QCOMPARE(Forms::find<Variables>()->*t.variable, QStringLiteral("Close"));
        VERIFY_TOOLS_IN_STEP();

        openWithDock(dock, t);
        QVERIFY(isOpen(t));
        QVERIFY(t.find() != first);
        QVERIFY(isLit(dock, t));
        VERIFY_TOOLS_IN_STEP();
        QCOMPARE(world->allUnloaded, 0);
    }

    void iconsFollowToolsOpenedAndClosedByCommands()
    {
        Dock &dock = startRun();
        openWithDock(dock, DebuggerTool);
        Debugger &debugger = *Forms::find<Debugger>();
        auto enter = [&](const char *line) {
            QTest::keyClicks(debugger.Text1, QString::fromUtf8(line));
            // Enter alone: an "exit" line closes the console before a key release could reach it.
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QCoreApplication::sendEvent(debugger.Text1, &key);
        };
        enter("load viewer");
        QVERIFY(isOpen(VideoTool));
        QVERIFY(isLit(dock, VideoTool));
        VERIFY_TOOLS_IN_STEP();
        enter("load scanner");   // straight in, without the strip
        QVERIFY(isOpen(ScannerTool));
        QVERIFY(isLit(dock, ScannerTool));
        QVERIFY(!Forms::isLoaded<Processing>());
        VERIFY_TOOLS_IN_STEP();
        enter("close viewer");
        QVERIFY(isUnlit(dock, VideoTool));
        VERIFY_TOOLS_IN_STEP();
        enter("close scanner");
        QVERIFY(isUnlit(dock, ScannerTool));
        VERIFY_TOOLS_IN_STEP();
        enter("exit");
        QVERIFY(!isOpen(DebuggerTool));
        QVERIFY(isUnlit(dock, DebuggerTool));
        VERIFY_TOOLS_IN_STEP();
        // The icons still open their tools afterwards.
        for (const Tool &t : Tools)
            openWithDock(dock, t);
        QCOMPARE(openTools(), QStringLiteral("Video Debugger Scanner"));
        VERIFY_TOOLS_IN_STEP();
    }

    // --------------------------------------------------------------- exit

    void exitWithNoToolOpenShowsTheNoticeForTheDocksFade()
    {
        Dock &dock = startRun();
        Variables *v = Forms::find<Variables>();
        FadeWatch watch(world->user32);
        watch.watch(QStringLiteral("Dock"), &dock);
        QStringList log;
        world->onYield = [&] {
            Closing *c = Forms::find<Closing>();
            addOnce(log, QStringLiteral("%1 fading; notice %2; variables %3; exit icon %4")
                             .arg(watch.fading())
                             .arg(c && c->window()->isVisible() ? "shown" : "missing")
                             .arg(Forms::find<Variables>() == v ? "kept" : "changed")
                             .arg(shows(dock.Image9, dock.Image9H) ? "lit" : "unlit"));
        };
        click(dock.Image9);
        QCOMPARE(log, QStringList{"Dock fading; notice shown; variables kept; exit icon lit"});
        QCOMPARE(world->yields, 16);
        QCOMPARE(world->user32.alphas(dock.hWnd()), fadeSteps(255, 180, -5));
        QVERIFY(shows(dock.Image9, dock.Image9H));
        QVERIFY(!Forms::isLoaded<Closing>());
        QVERIFY(!Forms::isLoaded<Variables>());
        QVERIFY(!Forms::isLoaded<Desktop>());
        verifyRunEnded(dock);
    }

    void exitClosesTheToolsInTurnThenTheDock()
    {
        Dock &dock = startWithAllToolsOpen();
        Variables *v = Forms::find<Variables>();
        FadeWatch watch(world->user32);
        HWND video = Forms::find<Video>()->hWnd(), scanner = Forms::find<Scanner>()->hWnd();
        HWND debugger = Forms::find<Debugger>()->hWnd();
        watch.watch(QStringLiteral("Video"), Forms::find<Video>());
        watch.watch(QStringLiteral("Scanner"), Forms::find<Scanner>());
        watch.watch(QStringLiteral("Debugger"), Forms::find<Debugger>());
        watch.watch(QStringLiteral("Dock"), &dock);
        QStringList order, faults;
        world->onYield = [&] {
            const QString fading = watch.fading();
            addOnce(order, fading + QStringLiteral(" fading; open: ") + openTools());
            Closing *c = Forms::find<Closing>();
            if (!c || !c->window()->isVisible())
                addOnce(faults, QStringLiteral("notice not shown while %1 fades").arg(fading));
            if (Forms::find<Variables>() != v)
                addOnce(faults, QStringLiteral("shared variables not the same while %1 fades").arg(fading));
            if (!shows(dock.Image9, dock.Image9H))
                addOnce(faults, QStringLiteral("exit icon unlit while %1 fades").arg(fading));
            if (fading == QStringLiteral("Dock")) {
                const QString out = toolsOutOfStep();
                if (!out.isEmpty())
                    addOnce(faults, out);
            }
        };
        click(dock.Image9);
        QCOMPARE(order, (QStringList{"Video fading; open: Debugger Scanner", "Scanner fading; open: Debugger",
                                     "Debugger fading; open: ", "Dock fading; open: "}));
        QCOMPARE(faults.join(QStringLiteral(" | ")), QString());
        QCOMPARE(world->user32.alphas(video), fadeSteps(255, 0, -5));
        QCOMPARE(world->user32.alphas(scanner), fadeSteps(255, 0, -5));
        QCOMPARE(world->user32.alphas(debugger), fadeSteps(255, 0, -5));
        QCOMPARE(world->user32.alphas(dock.hWnd()), fadeSteps(255, 180, -5));
        QCOMPARE(world->yields, 3 * 52 + 16);
        for (const Tool &t : Tools)
            QVERIFY(isUnlit(dock, t));
        QVERIFY(shows(dock.Image9, dock.Image9H));
        QVERIFY(!Forms::isLoaded<Closing>());
        verifyRunEnded(dock);
    }

    // A close request from the window manager (Alt+F4) on the dock or the
    // desktop is a way out: the exit icon's shutdown, notice and fades included.
    void closeRequestOnTheDockOrDesktopShutsDown_data()
    {
        QTest::addColumn<bool>("onDesktop");
        QTest::newRow("dock") << false;
        QTest::newRow("desktop") << true;
    }
    void closeRequestOnTheDockOrDesktopShutsDown()
    {
        QFETCH(bool, onDesktop);
        Dock &dock = startWithAllToolsOpen();
        FadeWatch watch(world->user32);
        watch.watch(QStringLiteral("Video"), Forms::find<Video>());
        watch.watch(QStringLiteral("Scanner"), Forms::find<Scanner>());
        watch.watch(QStringLiteral("Debugger"), Forms::find<Debugger>());
        watch.watch(QStringLiteral("Dock"), &dock);
        QWidget *target = onDesktop ? Forms::find<Desktop>()->window() : dock.window();
        QStringList order;
        world->onYield = [&] {
            Closing *c = Forms::find<Closing>();
            addOnce(order, watch.fading() +
                               (c && c->window()->isVisible() ? " fading, notice shown" : " fading, no notice") +
                               (target->isVisible() ? "" : ", closed window gone"));
        };
        // Refused: the window stays, untouched, until the shutdown takes the
        // windows away in its own order.
        const int loaded = Forms::loadedCount();
        target->close();
        QVERIFY(target->isVisible());
        QCOMPARE(Forms::loadedCount(), loaded);
        QVERIFY(!Forms::isLoaded<Closing>());
        QVERIFY(waitFor([&] { return world->allUnloaded > 0; }, 5000));
        QCOMPARE(order, (QStringList{"Video fading, notice shown", "Scanner fading, notice shown",
                                     "Debugger fading, notice shown", "Dock fading, notice shown"}));
        QVERIFY(shows(dock.Image9, dock.Image9H));
        verifyRunEnded(dock);
    }

    // Before the dock exists, closing the desktop still ends the run.
    void closeRequestOnTheDesktopDuringTheStartUpStrip()
    {
        Forms::show<Desktop>();
        QVERIFY(Forms::isLoaded<Processing>() && !Forms::isLoaded<Dock>());
        QWidget *desktop = Forms::find<Desktop>()->window();
        desktop->close();
        QVERIFY(desktop->isVisible());   // refused: the shutdown takes it away
        QVERIFY(Forms::isLoaded<Processing>());
        QVERIFY(waitFor([&] { return world->allUnloaded > 0; }, 5000));
        QCOMPARE(Forms::loadedCount(), 0);
        QCOMPARE(world->allUnloaded, 1);
    }

    // ------------------------------------------------ clicks in mid-fade

    void exitWhileTheStripFills_data()
    {
        QTest::addColumn<int>("filled");   // ticks before the exit
        QTest::addColumn<bool>("viewerOpen");
        QTest::addColumn<bool>("ticksDuringFades");   // the strip's timer keeps firing in the fades
        QTest::newRow("just started") << 1 << false << false;
        QTest::newRow("half full") << 100 << false << false;
        QTest::newRow("one tick short") << 199 << false << false;
        QTest::newRow("half full, ticking") << 100 << false << true;
        QTest::newRow("viewer open, ticking") << 190 << true << true;
        QTest::newRow("viewer open, one tick short, ticking") << 199 << true << true;
    }
    void exitWhileTheStripFills()
    {
        QFETCH(int, filled);
        QFETCH(bool, viewerOpen);
        QFETCH(bool, ticksDuringFades);
        Dock &dock = startRun();
        if (viewerOpen)
            openWithDock(dock, VideoTool);
        Variables *v = Forms::find<Variables>();
        click(dock.Image5);
        Processing *strip = Forms::find<Processing>();
        for (int tick = 0; tick < filled; ++tick)
            strip->Timer1_Timer();

        Survivors before;
        QStringList faults;
        world->onYield = [&] {
            if (ticksDuringFades && strip->state() == Form::State::Loaded && strip->Timer1->Enabled())
                emit strip->Timer1->tick();
            const QString extra = before.newcomers();
            if (!extra.isEmpty())
                addOnce(faults, QStringLiteral("appeared: ") + extra);
            if (Forms::find<Variables>() && Forms::find<Variables>() != v)
                addOnce(faults, QStringLiteral("shared variables reloaded"));
            if (!Forms::isLoaded<Closing>())
                addOnce(faults, QStringLiteral("fade without the notice"));
        };
        click(dock.Image9);
        QCOMPARE(faults.join(QStringLiteral(" | ")), QString());
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(!Forms::isLoaded<Processing>());
        QVERIFY(!Forms::isLoaded<Variables>());
        QVERIFY(!strip->Timer1->Enabled());
        QVERIFY(!strip->window()->isVisible());
        verifyRunEnded(dock);
    }

    void exitDuringTheStripsFadeOut_data()
    {
        QTest::addColumn<bool>("startUp");   // the strip of the start-up, or the Scanner's
        QTest::addColumn<int>("step");       // the fade step the click lands in
        for (int step : {0, 1, 128, 255}) {
            QTest::addRow("start-up strip, step %d", step) << true << step;
            QTest::addRow("scanner strip, step %d", step) << false << step;
        }
    }
    void exitDuringTheStripsFadeOut()
    {
        QFETCH(bool, startUp);
        QFETCH(int, step);
        Processing *strip = nullptr;
        if (startUp) {
            Forms::show<Desktop>();
        } else {
            Dock &dock = startRun();
            click(dock.Image5);
        }
        strip = Forms::find<Processing>();
        for (int tick = 0; tick < 199; ++tick)
            strip->Timer1_Timer();
        int yields = 0;
        Dock *dock = nullptr;
        world->onYield = [&] {
            if (yields++ == step) {
                dock = Forms::find<Dock>();
                QVERIFY(dock);
                click(dock->Image9);
            }
        };
        strip->Timer1_Timer();
        QVERIFY(dock);
        QVERIFY(!Forms::isLoaded<Scanner>());
        verifyRunEnded(*dock);
    }

    void secondExitClickDuringTheExit_data()
    {
        QTest::addColumn<int>("step");
        // Video fades in steps 0..51, the Scanner 52..103, the Debugger 104..155, the dock 156..171.
        for (int step : {0, 30, 51, 52, 103, 104, 155, 156, 160, 171})
            QTest::addRow("step %d", step) << step;
    }
    void secondExitClickDuringTheExit()
    {
        QFETCH(int, step);
        Dock &dock = startWithAllToolsOpen();
        Survivors before;
        int yields = 0;
        QStringList faults;
        world->onYield = [&] {
            if (yields++ == step)
                click(dock.Image9);
            const QString extra = before.newcomers();
            if (!extra.isEmpty())
                addOnce(faults, QStringLiteral("appeared: ") + extra);
            // The notice stays up for as long as any fade runs.
            if (!Forms::isLoaded<Closing>() || !Forms::isLoaded<Variables>())
                addOnce(faults, QStringLiteral("notice or variables gone during a fade"));
        };
        click(dock.Image9);
        QVERIFY(yields > step);
        QCOMPARE(faults.join(QStringLiteral(" | ")), QString());
        QVERIFY(shows(dock.Image9, dock.Image9H));
        verifyRunEnded(dock);
    }

    void toolIconsClickedDuringTheExitOpenNothing_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("step");
        for (int tool = 0; tool < 3; ++tool)
            for (int step : {0, 51, 52, 103, 104, 155, 156, 163, 171})
                QTest::addRow("%s, step %d", Tools[tool].name, step) << tool << step;
    }
    void toolIconsClickedDuringTheExitOpenNothing()
    {
        QFETCH(int, tool);
        QFETCH(int, step);
        Dock &dock = startWithAllToolsOpen();
        Survivors before;
        int yields = 0;
        QStringList faults;
        world->onYield = [&] {
            if (yields++ == step)
                click(dock.*Tools[tool].icon);
            const QString extra = before.newcomers();
            if (!extra.isEmpty())
                addOnce(faults, QStringLiteral("appeared: ") + extra);
        };
        click(dock.Image9);
        QVERIFY(yields > step);
        QCOMPARE(faults.join(QStringLiteral(" | ")), QString());
        verifyRunEnded(dock);
    }

    void toolIconsClickedThroughoutTheDocksFadeOpenNothing()
    {
        Dock &dock = startRun();
        Survivors before;
        QStringList faults;
        int clicks = 0;
        world->onYield = [&] {
            Dock *d = Forms::find<Dock>();
            if (d && d->isUnloading()) {
                for (Image *icon : {dock.Image1, dock.Image4, dock.Image5})
                    click(icon);
                ++clicks;
            }
            const QString extra = before.newcomers();
            if (!extra.isEmpty())
                addOnce(faults, QStringLiteral("appeared: ") + extra);
        };
        click(dock.Image9);
        QCOMPARE(clicks, 16);
        QCOMPARE(faults.join(QStringLiteral(" | ")), QString());
        QVERIFY(!Forms::isLoaded<Processing>());
        verifyRunEnded(dock);
    }

    void toolIconClickedWhileItsToolFadesOut_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("clicks");   // clicks landing in that step
        for (int tool = 0; tool < 3; ++tool)
            for (int step : {0, 25, 51})
                for (int clicks : {1, 2}) {
                    QTest::addRow("%s, step %d, %d click(s)", Tools[tool].name, step, clicks) << tool << step << clicks;
                }
    }
    void toolIconClickedWhileItsToolFadesOut()
    {
        QFETCH(int, tool);
        QFETCH(int, step);
        QFETCH(int, clicks);
        const Tool &t = Tools[tool];
        Dock &dock = startRun();
        openWithDock(dock, t);
        int yields = 0;
        world->onYield = [&] {
            if (yields++ == step)
                for (int i = 0; i < clicks; ++i)
                    click(dock.*t.icon);
        };
        click(dock.*t.icon);   // closes it; the click lands in its fade
        world->onYield = nullptr;
        QVERIFY(yields > step);
        QCoreApplication::processEvents();
        runStrip();   // the Scanner's click started a strip meanwhile
        QCoreApplication::processEvents();
        VERIFY_TOOLS_IN_STEP();
        // The click in the fade found the tool already "Close": it asked for the tool again.
        QVERIFY(isOpen(t));
        QVERIFY(isLit(dock, t));
        QCOMPARE(world->allUnloaded, 0);

        // And the icon still works both ways.
        click(dock.*t.icon);
        QVERIFY(!isOpen(t));
        VERIFY_TOOLS_IN_STEP();
    }

    void toolIconClickedWhileItsCloseBoxFadesIt_data() { addToolRows(); }
    void toolIconClickedWhileItsCloseBoxFadesIt()
    {
        QFETCH(int, tool);
        const Tool &t = Tools[tool];
        Dock &dock = startRun();
        openWithDock(dock, t);
        bool clicked = false;
        world->onYield = [&] {
            if (!std::exchange(clicked, true))
                click(dock.*t.icon);
        };
        t.find()->window()->close();
        QTRY_VERIFY(clicked && !(t.find() && t.find()->isUnloading()));
        world->onYield = nullptr;
        runStrip();
        QCoreApplication::processEvents();
        QVERIFY(isOpen(t));
        VERIFY_TOOLS_IN_STEP();
    }

    void otherIconsClickedWhileAToolFadesOut()
    {
        Dock &dock = startWithAllToolsOpen();
        bool clicked = false;
        world->onYield = [&] {
            if (!std::exchange(clicked, true)) {
                click(dock.Image4);   // closes the Debugger inside the viewer's fade
                click(dock.Image5);   // closes the Scanner as well
            }
        };
        click(dock.Image1);
        QVERIFY(clicked);
        QCoreApplication::processEvents();
        QCOMPARE(openTools(), QString());
        VERIFY_TOOLS_IN_STEP();
        QCOMPARE(world->allUnloaded, 0);
    }

    void scannerIconClickedDuringTheStartUpStripsFade()
    {
        Forms::show<Desktop>();
        Processing *first = Forms::find<Processing>();
        bool clicked = false;
        world->onYield = [&] {
            Dock *dock = Forms::find<Dock>();
            if (dock && !std::exchange(clicked, true))
                click(dock->Image5);
        };
        runStrip();
        world->onYield = nullptr;
        QVERIFY(clicked);
        Dock &dock = *Forms::find<Dock>();
        // A new strip follows the first one, this time on its way to the Scanner.
        Processing *second = Forms::find<Processing>();
        QVERIFY(second && second != first);
        QCOMPARE(second->ProgressBar1->Value(), 0.0f);
        QVERIFY(isLit(dock, ScannerTool));
        VERIFY_TOOLS_IN_STEP();
        QCOMPARE(runStrip(), 200);
        QVERIFY(isOpen(ScannerTool));
        VERIFY_TOOLS_IN_STEP();
    }

    void scannerIconClickedDuringItsStripsFadeClosesIt()
    {
        Dock &dock = startRun();
        click(dock.Image5);
        bool clicked = false;
        world->onYield = [&] {
            if (!std::exchange(clicked, true)) {
                QVERIFY(isOpen(ScannerTool));
                click(dock.Image5);
            }
        };
        runStrip();
        world->onYield = nullptr;
        QVERIFY(clicked);
        QCoreApplication::processEvents();
        QVERIFY(!Forms::isLoaded<Processing>());
        QVERIFY(!isOpen(ScannerTool));
        QVERIFY(isUnlit(dock, ScannerTool));
        VERIFY_TOOLS_IN_STEP();
    }
};

QTEST_MAIN(TestDock)
#include "tst_dock.moc"
