// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The program itself on a real X display (Xvfb and openbox), judged by what
// reaches the X server: every fade step arriving as its own opacity change,
// paced one a frame; the keyboard where the user expects it; Alt+F4 on the
// dock ending the run; every tool reached from the dock with keys alone;
// and a clear word when there is no display at all.

#include "xwatch.h"

#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cmath>
#include <functional>

namespace {
constexpr double FrameMs = 16.0;

QString xdotool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

void clickAt(QPoint at) { xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}); }

bool waitUntil(const std::function<bool()> &done, int limitMs) { return QTest::qWaitFor(done, limitMs); }

// Client sizes of the program's windows, which tell them apart (three of
// them are captioned with one space).
const QSize DockSize(500, 74), StripSize(577, 85), DebuggerSize(517, 454), ScannerSize(475, 475), ViewerSize(657, 588);

// The boot clip ends on its logo, the only teal it shows: a frame 460 px
// wide at (170, 205) of the 800 x 600 picture, the loading bar's lower
// edge 440 px down. Where that lands on screen tells where the picture is.
const QRect BootLogo(170, 205, 460, 235);
const QSize BootPicture(800, 600);

// The box of the rows and columns holding a good deal of teal (a stray
// pixel of colour at the edge of the boot text is not the logo).
QRect tealBounds(const QImage &shot, int many = 40)
{
    QList<int> columns(shot.width()), rows(shot.height());
    for (int y = 0; y < shot.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            if (b >= 20 && b > r + 12 && g > r + 12 && b + 8 >= g)   // not the green of the text
                ++columns[x], ++rows[y];
        }
    }
    const auto enough = [many](int n) { return n >= many; };
    const auto left = std::find_if(columns.begin(), columns.end(), enough);
    const auto top = std::find_if(rows.begin(), rows.end(), enough);
    if (left == columns.end() || top == rows.end())
        return {};
    const auto right = std::find_if(columns.rbegin(), columns.rend(), enough);
    const auto bottom = std::find_if(rows.rbegin(), rows.rend(), enough);
    return QRect(QPoint(int(left - columns.begin()), int(top - rows.begin())),
                 QPoint(int(columns.rend() - right) - 1, int(rows.rend() - bottom) - 1));
}
}   // namespace

class TestScreen : public QObject {
    Q_OBJECT
    std::unique_ptr<XWatch> watch;
    QProcess syrel;
    QSize screen;
    std::unique_ptr<Panels> panels;   // the desktop's panels, in the desktop matrix
    std::uint32_t dockShown = 0;      // where the icons are clicked, once the dock is up

    std::uint32_t shown(QSize size, int limitMs = 30000)
    {
        std::uint32_t found = 0;
        waitUntil(
            [&] {
                const QList<std::uint32_t> all = watch->windows();
                for (auto it = all.rbegin(); it != all.rend(); ++it)
                    if (watch->size(*it) == size && watch->viewable(*it) && watch->pid(*it) == syrel.processId()) {
                        found = *it;
                        return true;
                    }
                return false;
            },
            limitMs);
        return found;
    }

    QPoint dockIcon(QPoint centre) const
    {
        if (dockShown)
            return watch->rootGeometry(dockShown).topLeft() + centre;
        const int left = screen.width() / 2 - 250, top = (screen.height() * 15 - 1400) / 15;
        return QPoint(left, top) + centre;
    }

    // The window manager's frame around a client window, in screen coordinates.
    QRect outer(std::uint32_t window) const
    {
        return watch->rootGeometry(window).marginsAdded(watch->frameExtents(window));
    }

    // A framed tool, centred on the screen as the form asks (to a pixel).
    void checkCentred(const char *what, std::uint32_t window)
    {
        QVERIFY(waitUntil([&] { return !watch->frameExtents(window).isNull(); }, 5000));
        QRect o;
        QPoint centred;
        // Once the window manager has framed and placed it.
        waitUntil(
            [&] {
                o = outer(window);
                centred = QPoint((screen.width() - o.width()) / 2, (screen.height() - o.height()) / 2);
                return (o.topLeft() - centred).manhattanLength() <= 2;
            },
            3000);
        QVERIFY2((o.topLeft() - centred).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1 framed at %2,%3, centred would be %4,%5")
                                .arg(QLatin1String(what))
                                .arg(o.x())
                                .arg(o.y())
                                .arg(centred.x())
                                .arg(centred.y())));
    }

    bool focusOn(std::uint32_t window)
    {
        return waitUntil([&] { return watch->focus() == window; }, 5000);
    }

    bool panelShows(QPoint at) const { return watch->pixel(at) == qRgb(0x30, 0x50, 0xa0); }

    // The fade of one window, from the given mark on, as the server saw it,
    // once its last step (to the given opacity) has reached the watcher.
    void checkFade(const char *what, std::uint32_t window, int mark, int steps, int last = 0)
    {
        const auto lastValue = quint32(last / 255.0 * 0xffffffffu);
        QList<XWatch::Change> seen;
        waitUntil(
            [&] {
                seen.clear();
                for (const XWatch::Change &c : watch->changes(window))
                    if (c.seq >= mark)
                        seen << c;
                return !seen.isEmpty() && (seen.last().value == lastValue || !seen.last().known);
            },
            10000);
        const FadeShape s = shapeOf(seen);
        // The values the watcher could still read once it caught up with the fade.
        QList<XWatch::Change> read = seen;
        while (!read.isEmpty() && !read.last().known)
            read.removeLast();
        const QString why = QStringLiteral("%1: %2; last values unread (the window gone): %3")
                                .arg(QLatin1String(what), s.describe())
                                .arg(seen.size() - read.size());
        qInfo().noquote() << why;
        QVERIFY2(!read.isEmpty(), qPrintable(why));
        if (read.size() == seen.size())
            QCOMPARE(read.last().value, lastValue);
        QVERIFY2(s.changes >= 0.9 * steps, qPrintable(why));
        // A busy server takes in a burst what came while it was held up;
        // the fade as a whole still takes its time, and never leaps ahead.
        QVERIFY2(s.spreadMs >= 0.75 * steps * FrameMs, qPrintable(why));
        QVERIFY2(s.leap == 0, qPrintable(why));
        // One step a display frame: not half the pace either.
        QVERIFY2(s.medianGapMs >= 10 && s.medianGapMs <= 25, qPrintable(why));
        // Falling, step by step.
        for (qsizetype i = 1; i < read.size(); ++i)
            QVERIFY2(read[i].value <= read[i - 1].value, qPrintable(why));
    }

    void startProgram()
    {
        syrel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        syrel.start(QStringLiteral(SYREL_PROGRAM), {});
        QVERIFY(syrel.waitForStarted(5000));
    }

private slots:
    void initTestCase()
    {
        const QStringList heights = qEnvironmentVariable("SYREL_TEST_PANELS").split(QLatin1Char(','));
        if (heights.size() == 2) {
            panels = std::make_unique<Panels>(heights[0].toInt(), heights[1].toInt());
            QVERIFY2(panels->ok(), "no X display for the panels");
        }
    }

    void init()
    {
        dockShown = 0;
        watch = std::make_unique<XWatch>();
        QVERIFY2(watch->ok(), "no X display");
        const QStringList dims = xdotool({"getdisplaygeometry"}).split(QLatin1Char(' '));
        QCOMPARE(dims.size(), 2);
        screen = QSize(dims[0].toInt(), dims[1].toInt());
    }

    void cleanup()
    {
        if (syrel.state() != QProcess::NotRunning) {
            syrel.kill();
            syrel.waitForFinished(5000);
        }
        syrel.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        watch.reset();
    }

    // Boot, then each fade of the run in turn, the way a user sets them off.
    void everyFadeReachesTheServerStepByStep()
    {
        startProgram();
        const std::uint32_t strip = shown(StripSize);
        QVERIFY2(strip, "no progress strip after the boot clip");
        const int stripMark = watch->count();
        const std::uint32_t dock = shown(DockSize);
        QVERIFY2(dock, "no dock after the strip");
        QVERIFY(waitUntil([&] { return !watch->viewable(strip); }, 20000));
        checkFade("start-up strip", strip, stripMark, 256);

        clickAt(dockIcon({119, 39}));   // Debugger
        const std::uint32_t debugger = shown(DebuggerSize);
        QVERIFY(debugger);
        QTest::qWait(300);
        int mark = watch->count();
        clickAt(dockIcon({119, 39}));
        QVERIFY(waitUntil([&] { return !watch->viewable(debugger); }, 10000));
        checkFade("Debugger", debugger, mark, 52);

        clickAt(dockIcon({50, 39}));   // viewer
        std::uint32_t viewer = shown(ViewerSize);
        QVERIFY(viewer);
        QTest::qWait(300);
        mark = watch->count();
        clickAt(dockIcon({50, 39}));
        QVERIFY(waitUntil([&] { return !watch->viewable(viewer); }, 10000));
        checkFade("viewer", viewer, mark, 52);

        mark = watch->count();
        clickAt(dockIcon({185, 41}));   // Scanner, through the strip
        const std::uint32_t strip2 = shown(StripSize);
        QVERIFY(strip2);
        const std::uint32_t scanner = shown(ScannerSize, 20000);
        QVERIFY(scanner);
        QVERIFY(waitUntil([&] { return !watch->viewable(strip2); }, 20000));
        checkFade("Scanner's strip", strip2, mark, 256);

        // "start" opens the viewer beside the Scanner; the typing goes on in the Scanner.
        QVERIFY(waitUntil([&] { return watch->focus() == scanner; }, 5000));
        xdotool({"type", "--delay", "30", "start"});
        xdotool({"key", "Return"});
        viewer = shown(ViewerSize);
        QVERIFY(viewer);
        QTest::qWait(800);   // the viewer is mapped and the window manager has had its say
        QCOMPARE(watch->focus(), scanner);

        mark = watch->count();
        clickAt(dockIcon({185, 41}));
        QVERIFY(waitUntil([&] { return !watch->viewable(scanner); }, 10000));
        checkFade("Scanner", scanner, mark, 52);

        // The exit icon: the viewer fades out, then the dock from 255 to 180.
        mark = watch->count();
        clickAt(dockIcon({456, 39}));
        QVERIFY2(syrel.waitForFinished(30000), "the program did not end after the exit icon");
        QCOMPARE(syrel.exitCode(), 0);
        checkFade("viewer at the exit", viewer, mark, 52);
        checkFade("dock", dock, mark, 16, 180);
    }

    // From a fresh start, every tool opened and closed with keys alone: Tab
    // and the arrows walk the dock's icons, Return acts, and the window
    // manager's Alt+Tab goes back to the dock. A thin ring, in the clear
    // margin at the top of the focused icon, shows only once a key has
    // been pressed there.
    void theKeyboardAloneOpensAndClosesEveryTool()
    {
        startProgram();
        const std::uint32_t dock = shown(DockSize);
        QVERIFY2(dock, "no dock");
        QVERIFY(waitUntil([&] { return watch->focus() == dock; }, 10000));
        // The start-up strip's fade over, so that the Scanner's strip below is a new one.
        const std::uint32_t startStrip = shown(StripSize, 1000);
        QVERIFY(waitUntil([&] { return !watch->viewable(startStrip); }, 20000));
        const QPoint viewer = dockIcon({50, 21}), debugger = dockIcon({119, 21}), scanner = dockIcon({185, 24}),
                     exitIcon = dockIcon({456, 18});
        // The brighter of two rows: the bar's top lies on a fraction of a pixel.
        auto grey = [&](QPoint p) {
            int g = 0;
            for (QPoint q : {p, p + QPoint(0, 1)}) {
                const std::uint32_t rgb = watch->pixel(q);
                g = qMax(g, int(((rgb >> 16) & 0xff) + ((rgb >> 8) & 0xff) + (rgb & 0xff)) / 3);
            }
            return g;
        };
        QMap<int, int> plain;
        for (QPoint p : {viewer, debugger, scanner, exitIcon})
            plain[p.x()] = grey(p);
        auto ringed = [&](QPoint p) { return grey(p) > plain[p.x()] + 40; };
        auto ringOn = [&](QPoint p) {
            return waitUntil(
                [&] {
                    for (QPoint q : {viewer, debugger, scanner, exitIcon})
                        if (ringed(q) != (q == p))
                            return false;
                    return true;
                },
                5000);
        };
        auto key = [](const char *k) { xdotool({"key", QString::fromLatin1(k)}); };
        // Back to the dock from a tool, as the window manager offers.
        auto backToTheDock = [&] {
            key("alt+Tab");
            return waitUntil([&] { return watch->focus() == dock; }, 5000);
        };

        key("Tab");   // the first key shows where the focus is: the first icon
        QVERIFY2(ringOn(viewer), "no ring on the viewer's icon after Tab");
        key("Tab");
        QVERIFY2(ringOn(debugger), "Tab did not move the ring to the Debugger's icon");
        key("Return");
        const std::uint32_t debuggerWindow = shown(DebuggerSize, 10000);
        QVERIFY2(debuggerWindow, "Return on the Debugger's icon opened nothing");
        QVERIFY(waitUntil([&] { return watch->focus() == debuggerWindow; }, 5000));
        key("Escape");   // the design has no such key
        QTest::qWait(300);
        QVERIFY(watch->viewable(debuggerWindow));
        QVERIFY(backToTheDock());
        key("Return");
        QVERIFY2(waitUntil([&] { return !watch->viewable(debuggerWindow); }, 10000), "the Debugger stayed");

        key("Left");
        QVERIFY2(ringOn(viewer), "Left did not move the ring back to the viewer's icon");
        key("space");
        const std::uint32_t viewerWindow = shown(ViewerSize, 10000);
        QVERIFY2(viewerWindow, "space on the viewer's icon opened nothing");
        QVERIFY(backToTheDock());
        key("Return");
        QVERIFY2(waitUntil([&] { return !watch->viewable(viewerWindow); }, 10000), "the viewer stayed");

        key("Right");
        key("Right");
        QVERIFY2(ringOn(scanner), "Right did not move the ring to the Scanner's icon");
        key("Return");
        const std::uint32_t strip = shown(StripSize, 10000);
        const std::uint32_t scannerWindow = shown(ScannerSize, 20000);
        QVERIFY2(strip && scannerWindow, "Return on the Scanner's icon did not open it through the strip");
        // Gone for good: a window manager may offer a window that is being
        // unmapped as Alt+Tab's next window, and then focus nothing.
        QVERIFY(waitUntil([&] { return !watch->size(strip).isValid(); }, 20000));
        QVERIFY(backToTheDock());
        key("Return");
        QVERIFY2(waitUntil([&] { return !watch->viewable(scannerWindow); }, 10000), "the Scanner stayed");

        key("End");
        QVERIFY2(ringOn(exitIcon), "End did not move the ring to the exit icon");
        key("Return");
        QVERIFY2(syrel.waitForFinished(30000), "Return on the exit icon left the program running");
        QCOMPARE(syrel.exitCode(), 0);
    }

    // Closing the dock from the window manager shuts the machine down.
    void altF4OnTheDockEndsTheRun()
    {
        startProgram();
        const std::uint32_t dock = shown(DockSize);
        QVERIFY2(dock, "no dock");
        const std::uint32_t startStrip = shown(StripSize, 1000);
        QVERIFY(waitUntil([&] { return !watch->viewable(startStrip); }, 20000));
        QVERIFY(waitUntil([&] { return watch->focus() == dock; }, 5000));
        const int mark = watch->count();
        // Alt held as a hand holds it: a window manager may read the
        // modifiers only after the F4 has come.
        xdotool({"keydown", "alt"});
        QTest::qWait(200);
        xdotool({"key", "F4"});
        QTest::qWait(200);
        xdotool({"keyup", "alt"});
        QVERIFY2(syrel.waitForFinished(30000), "Alt+F4 on the dock left the program running");
        // On screen for the dock's fade only, a quarter of a second.
        QVERIFY2(waitUntil([&] { return watch->wasMapped(QSize(441, 25)); }, 5000), "no shutdown notice");
        QCOMPARE(syrel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(syrel.exitCode(), 0);
        checkFade("dock after Alt+F4", dock, mark, 16, 180);
    }

    // The boot clip at its own size in the middle of the screen, black
    // bars of equal width each side, however Qt scales the program.
    void theBootClipIsCentredOnScreen_data()
    {
        QTest::addColumn<int>("scale");
        QTest::newRow("1x") << 1;
        QTest::newRow("QT_SCALE_FACTOR=2") << 2;
    }
    void theBootClipIsCentredOnScreen()
    {
        QFETCH(int, scale);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        syrel.setProcessEnvironment(env);
        startProgram();
        // Looked at while the boot window ("Form2") alone is up, before and
        // after the picture is taken: the desktop that follows is teal too.
        QString other;
        const auto bootAlone = [&] {
            for (std::uint32_t w : watch->windows())
                if (watch->pid(w) == syrel.processId() && watch->viewable(w) && watch->name(w) != "Form2") {
                    other = watch->name(w);
                    return false;
                }
            return true;
        };
        // A narrow band down the screen, cheap to read even on a busy machine,
        // crosses the logo wherever it lands (however wrongly); the picture is
        // then read whole with the program stopped, so that it stays.
        const QRect band(screen.width() * 3 / 8, 0, 16, screen.height());
        QRect logo;
        bool alone = true;
        waitUntil(
            [&] {
                alone = bootAlone();
                if (!alone || !tealBounds(watch->screen(band), 8).isValid())
                    return !alone;
                ::kill(pid_t(syrel.processId()), SIGSTOP);
                alone = bootAlone();
                if (alone)
                    logo = tealBounds(watch->screen());
                ::kill(pid_t(syrel.processId()), SIGCONT);
                return true;
            },
            40000);
        QVERIFY2(alone, qPrintable("the boot window gave way to \"" + other + "\" before its logo was seen"));
        QVERIFY2(logo.isValid(), "the boot clip's logo never reached the screen");
        const QRect picture(QPoint((screen.width() - BootPicture.width() * scale) / 2,
                                   (screen.height() - BootPicture.height() * scale) / 2),
                            BootPicture * scale);
        const QRect expected(picture.topLeft() + BootLogo.topLeft() * scale, BootLogo.size() * scale);
        const QString why = QStringLiteral("logo at %1,%2 %3x%4, expected %5,%6 %7x%8; bars %9 px left, %10 px right")
                                .arg(logo.x())
                                .arg(logo.y())
                                .arg(logo.width())
                                .arg(logo.height())
                                .arg(expected.x())
                                .arg(expected.y())
                                .arg(expected.width())
                                .arg(expected.height())
                                .arg(logo.left())
                                .arg(screen.width() - 1 - logo.right());
        qInfo().noquote() << why;
        const int slack = 2 * scale;   // the colour's edge through the clip's half-size chroma
        QVERIFY2(std::abs(logo.left() - (screen.width() - 1 - logo.right())) <= slack, qPrintable(why));
        QVERIFY2(std::abs(logo.width() - expected.width()) <= slack, qPrintable(why));
        QVERIFY2(std::abs(logo.top() - expected.top()) <= slack, qPrintable(why));
    }

    // Under a desktop's window manager, with panels at the top and the
    // bottom: the boot clip and the desktop cover them, the dock and the
    // tools stand where their forms put them, the keyboard goes where the
    // user expects, the strip's fade reaches the screen, the exit icon ends
    // the run.
    void onTheDesktop()
    {
        if (!panels)
            QSKIP("run by the desktop matrix, with panels");
        const QPoint top(screen.width() / 2, 10), bottom(40, screen.height() - 10);
        // A compositor starting beside the test may miss windows made
        // meanwhile: they are made anew until they show.
        int tries = 0;
        QVERIFY2(waitUntil(
                     [&] {
                         if (++tries % 50 == 0)
                             panels = std::make_unique<Panels>(panels->top(), panels->bottom());
                         panels->paint();
                         return panelShows(top) && panelShows(bottom);
                     },
                     20000),
                 qPrintable(QStringLiteral("no panels on screen: %1 %2")
                                .arg(watch->pixel(top), 0, 16)
                                .arg(watch->pixel(bottom), 0, 16)));
        startProgram();
        const std::uint32_t boot = shown(screen);
        QVERIFY2(boot, "no boot window covering the screen");
        QVERIFY2(waitUntil([&] { return !panelShows(top) && !panelShows(bottom); }, 10000),
                 "the panels show over the boot clip");
        const std::uint32_t strip = shown(StripSize);
        QVERIFY(strip);
        // The strip comes with the desktop, which the window manager may
        // still be stacking as the boot clip goes.
        const auto covered = [&] { return !panelShows(top) && !panelShows(bottom); };
        const auto uncovered = [&](const char *when) {
            return QStringLiteral("the panels show over the desktop %1 (keyboard in 0x%2; the strip 0x%3)")
                .arg(QLatin1String(when))
                .arg(watch->focus(), 0, 16)
                .arg(strip, 0, 16);
        };
        QVERIFY2(waitUntil(covered, 5000), qPrintable(uncovered("with the strip")));
        // The strip fades out over the desktop: the screen takes many levels on the way.
        // The dock comes as the fade begins; the strip's place is read then,
        // not while the window manager may still be taking it in anew.
        const std::uint32_t dock = shown(DockSize);
        QVERIFY(dock);
        QSet<QRgb> levels;
        const QPoint inStrip = watch->rootGeometry(strip).center();
        waitUntil(
            [&] {
                levels << watch->pixel(inStrip);
                return !watch->viewable(strip);
            },
            20000);
        QStringList seen;
        for (QRgb v : levels)
            seen << QString::number(v & 0xffffff, 16);
        QVERIFY2(
            levels.size() >= 8,
            qPrintable(
                QStringLiteral("%1 levels seen in the fade: %2").arg(levels.size()).arg(seen.join(QLatin1Char(' ')))));
        // Still covered once the strip has gone and the keyboard is in the dock.
        QVERIFY2(waitUntil(covered, 5000), qPrintable(uncovered("after the strip")));
        // The desktop refuses the keyboard: a window manager that gave it all
        // the same (xfwm4) put the desktop under the panels once it moved on.
        const std::uint32_t desktop = shown(screen);
        QVERIFY2(!watch->activated().contains(desktop), "the window manager made the desktop the active window");
        dockShown = dock;
        // Where its form puts it, over the bottom panel's place.
        const QPoint dockAt((screen.width() - 500) / 2, int(std::lround((screen.height() * 15 - 1400) / 15.0)));
        waitUntil([&] { return watch->rootGeometry(dock).topLeft() == dockAt; }, 3000);
        if (qgetenv("SYREL_TEST_WM") == "mutter")
            QEXPECT_FAIL("", "mutter keeps every application window out of the panels' space", Continue);
        QCOMPARE(watch->rootGeometry(dock).topLeft(), dockAt);

        // Each tool from its icon, centred, with the keyboard.
        const struct {
            const char *what;
            QPoint icon;
            QSize size;
        } tools[] = {{"Debugger", {119, 39}, DebuggerSize}, {"viewer", {50, 39}, ViewerSize}};
        for (const auto &t : tools) {
            clickAt(dockIcon(t.icon));
            const std::uint32_t w = shown(t.size, 10000);
            QVERIFY2(w, t.what);
            checkCentred(t.what, w);
            QVERIFY2(focusOn(w), qPrintable(QStringLiteral("no keyboard in the %1").arg(QLatin1String(t.what))));
            QVERIFY2(!panelShows(top) && !panelShows(bottom), "the panels show over the desktop");
            // A close box, and neither minimise nor maximise.
            const QStringList actions = watch->allowedActions(w);
            QVERIFY2(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE")), qPrintable(actions.join(u' ')));
            QVERIFY2(!actions.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ")), qPrintable(actions.join(u' ')));
            if (qgetenv("SYREL_TEST_WM") == "openbox")
                QEXPECT_FAIL("", "openbox offers minimising whatever the window asks", Continue);
            QVERIFY2(!actions.contains(QStringLiteral("_NET_WM_ACTION_MINIMIZE")), qPrintable(actions.join(u' ')));
            // Minimised all the same (a window manager's menu), it comes back.
            xdotool({"windowminimize", QString::number(w)});
            QVERIFY2(waitUntil([&] { return watch->viewable(w); }, 5000),
                     qPrintable(QStringLiteral("the %1 stayed minimised").arg(QLatin1String(t.what))));
            clickAt(dockIcon(t.icon));
            QVERIFY(waitUntil([&] { return !watch->viewable(w); }, 10000));
        }

        // The Scanner, then "start": the viewer opens, the typing stays in the Scanner.
        const int rounds = qEnvironmentVariableIntValue("SYREL_TEST_ROUNDS") > 0
                               ? qEnvironmentVariableIntValue("SYREL_TEST_ROUNDS")
                               : 5;
        for (int round = 0; round < rounds; ++round) {
            clickAt(dockIcon({185, 41}));
            const std::uint32_t scanner = shown(ScannerSize, 20000);
            QVERIFY(scanner);
            QVERIFY2(focusOn(scanner), "no keyboard in the Scanner");
            xdotool({"type", "--delay", "20", "start"});
            xdotool({"key", "Return"});
            const std::uint32_t viewer = shown(ViewerSize, 10000);
            QVERIFY(viewer);
            QVERIFY(waitUntil([&] { return !watch->frameExtents(viewer).isNull(); }, 5000));
            QTest::qWait(800);   // the window manager has had its say
            QVERIFY2(watch->focus() == scanner,
                     qPrintable(QStringLiteral("round %1: the keyboard left the Scanner").arg(round)));
            // Side by side: the viewer's frame where the Scanner's ends.
            QCOMPARE(outer(viewer).top(), outer(scanner).top());
            xdotool({"type", "--delay", "20", "exit"});
            xdotool({"key", "Return"});
            QVERIFY(waitUntil([&] { return !watch->viewable(scanner) && !watch->viewable(viewer); }, 10000));
        }

        clickAt(dockIcon({456, 39}));
        QVERIFY2(syrel.waitForFinished(30000), "the program did not end after the exit icon");
        QCOMPARE(syrel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(syrel.exitCode(), 0);
    }

    // A session that asks Qt for Wayland still gets the program on X11.
    void aWaylandSessionStillGetsX11()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("syrel-test-none"));
        syrel.setProcessEnvironment(env);
        startProgram();
        syrel.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        QVERIFY2(shown(screen), "no boot window on the X display");
    }

    // The command line answers on the terminal with or without a display,
    // never with a window; without one, a plain start says what is missing.
    void theCommandLineAnswersWithoutAWindow_data()
    {
        QTest::addColumn<bool>("display");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString usage =
            QStringLiteral("Usage: syrel [OPTION]\n"
                           "Stage the operator interface of Syrel, a supercomputer of fiction, full screen.\n\n"
                           "  -h, --help     show this help and exit\n"
                           "  -v, --version  show the version and exit\n\n"
                           "The clips are looked up beside the program, then in $XDG_DATA_HOME/syrel\n"
                           "and in each of $XDG_DATA_DIRS/syrel; see syrel(6).\n");
        const QString hint = QStringLiteral("Try 'syrel --help' for more information.\n");
        for (const bool display : {true, false}) {
            const char *where = display ? "display" : "no display";
            QTest::addRow("%s: --help", where) << display << QStringList{"--help"} << 0 << usage << QString();
            QTest::addRow("%s: -h", where) << display << QStringList{"-h"} << 0 << usage << QString();
            QTest::addRow("%s: --version", where) << display << QStringList{"--version"} << 0 << "syrel 1.0\n"
                                                  << QString();
            QTest::addRow("%s: -v", where) << display << QStringList{"-v"} << 0 << "syrel 1.0\n" << QString();
            QTest::addRow("%s: --bogus", where)
                << display << QStringList{"--bogus"} << 2 << QString() << "syrel: unknown option '--bogus'\n" + hint;
            QTest::addRow("%s: -x", where)
                << display << QStringList{"-x"} << 2 << QString() << "syrel: unknown option '-x'\n" + hint;
            QTest::addRow("%s: an argument", where) << display << QStringList{"clip.avi"} << 2 << QString()
                                                    << "syrel: unexpected argument 'clip.avi'\n" + hint;
        }
        QTest::addRow("no display: a plain start")
            << false << QStringList{} << 1 << QString()
            << "Syrel needs a graphical display (X11, or Wayland through XWayland).\n";
        QTest::addRow("no display: a plain start, Wayland asked")
            << false << QStringList{} << 1 << QString()
            << "Syrel needs a graphical display (X11, or Wayland through XWayland).\n";
    }
    void theCommandLineAnswersWithoutAWindow()
    {
        QFETCH(bool, display);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!display)
            for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(QString::fromLatin1(v));
        if (QByteArray(QTest::currentDataTag()).endsWith("Wayland asked"))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        p.setProcessEnvironment(env);
        const qsizetype windowsBefore = watch->windows().size();
        p.start(QStringLiteral(SYREL_PROGRAM), args);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), err);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
        QCOMPARE(p.exitCode(), status);
        xdotool({"getdisplaygeometry"});   // a round trip: any window made would be known by now
        QCOMPARE(watch->windows().size(), windowsBefore);
    }

    // One session a display: a second start (the same display, named
    // another way) leaves the first as it is and says why it ends, the
    // options still answer, and a session killed outright holds nothing.
    void aSecondStartLeavesTheFirstAlone()
    {
        startProgram();
        QVERIFY2(shown(DockSize), "no dock");
        const qsizetype windowsBefore = watch->windows().size();
        auto second = [](const QStringList &args, const QByteArray &display) {
            auto p = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
            p->setProcessEnvironment(env);
            p->start(QStringLiteral(SYREL_PROGRAM), args);
            p->waitForFinished(10000);
            return p;
        };
        const QByteArray display = qgetenv("DISPLAY");
        for (const QByteArray &name : {display, display + ".0"}) {
            const auto p = second({}, name);
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 1);
            QCOMPARE(QString::fromUtf8(p->readAllStandardError()), QStringLiteral("Syrel is already running\n"));
            QVERIFY(p->readAllStandardOutput().isEmpty());
        }
        const auto version = second({"--version"}, display);
        QCOMPARE(version->exitCode(), 0);
        QCOMPARE(version->readAllStandardOutput(), QByteArray("syrel 1.0\n"));
        xdotool({"getdisplaygeometry"});
        QCOMPARE(watch->windows().size(), windowsBefore);
        QCOMPARE(syrel.state(), QProcess::Running);
        QVERIFY(watch->viewable(shown(DockSize, 1000)));

        syrel.kill();   // SIGKILL: no chance to tidy anything
        QVERIFY(syrel.waitForFinished(10000));
        startProgram();
        QVERIFY2(shown(DockSize), "no dock after a session was killed");
    }
};

QTEST_GUILESS_MAIN(TestScreen)
#include "tst_screen.moc"
