// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The program itself on a real X display (Xvfb and openbox), judged by what
// reaches the X server: every fade step arriving as its own opacity change,
// paced one a frame; the keyboard where the user expects it; Alt+F4 on the
// dock ending the run; and a clear word when there is no display at all.

#include "xwatch.h"

#include <QProcess>
#include <QTest>
#include <algorithm>
#include <csignal>
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
        const int left = screen.width() / 2 - 250, top = (screen.height() * 15 - 1400) / 15;
        return QPoint(left, top) + centre;
    }

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
    void init()
    {
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

    // Closing the dock from the window manager shuts the machine down.
    void altF4OnTheDockEndsTheRun()
    {
        startProgram();
        const std::uint32_t dock = shown(DockSize);
        QVERIFY2(dock, "no dock");
        QTest::qWait(300);
        QVERIFY(waitUntil([&] { return watch->focus() == dock; }, 5000));
        const int mark = watch->count();
        xdotool({"key", "alt+F4"});
        QVERIFY2(shown(QSize(441, 25), 5000), "no shutdown notice");
        QVERIFY2(syrel.waitForFinished(30000), "Alt+F4 on the dock left the program running");
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

    void withoutADisplayItSaysSo()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(v));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SYREL_PROGRAM), {});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("Syrel needs a graphical display (X11, or Wayland through XWayland).\n"));
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScreen)
#include "tst_screen.moc"
