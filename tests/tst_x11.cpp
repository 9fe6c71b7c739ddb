// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// What only a real X display with a window manager shows: the dock's
// opacity and always-on-top state as the window system sees them, the
// full-screen desktop, and the Scanner and viewer side by side after "start".
// Run by with-xvfb.sh under Xvfb and openbox.

#include "console/scanner.h"
#include "platform/mediaplayer.h"
#include "dock/dock.h"
#include "shell/desktop.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "viewer/video.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {
QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The managed windows from the bottom of the stack to its top.
QList<WId> stacking()
{
    const QString out = run(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    QList<WId> ids;
    for (const QString &id : out.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        ids << WId(id.trimmed().toULongLong(nullptr, 16));
    return ids;
}

// True when a is stacked below b (the QWindows' ids: a flag change can
// make the X window anew behind the widget's back).
bool below(QWidget *a, QWidget *b)
{
    const QList<WId> ids = stacking();
    const qsizetype ia = ids.indexOf(a->windowHandle()->winId()), ib = ids.indexOf(b->windowHandle()->winId());
    return ia >= 0 && ib >= 0 && ia < ib;
}

// The X windows inside a top-level that are mapped (the QWindow's id: a
// flag change can make the X window anew behind the widget's back).
int mappedChildren(QWidget *top)
{
    const QString tree =
        run(QStringLiteral("xwininfo"), {"-children", "-id", QString::number(top->windowHandle()->winId())});
    int mapped = 0;
    for (const QString &line : tree.split(QLatin1Char('\n'))) {
        const QString id = line.trimmed().section(QLatin1Char(' '), 0, 0);
        if (id.startsWith(QLatin1String("0x")) && line.startsWith(QLatin1String("     ")) &&
            run(QStringLiteral("xwininfo"), {"-id", id}).contains(QLatin1String("IsViewable")))
            ++mapped;
    }
    return mapped;
}

// What the X server shows at a widget's point, read back from the screen.
QRgb onScreen(QWidget *w, QPoint at)
{
    const QPoint g = w->mapToGlobal(at);
    return QGuiApplication::primaryScreen()->grabWindow(0, g.x(), g.y(), 1, 1).toImage().pixel(0, 0);
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) <= 30;
}

QString xprop(QWidget *w, const char *atom)
{
    QProcess p;
    p.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w->winId()), QString::fromLatin1(atom)});
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}
}   // namespace

// The highest resident memory of a running process so far, in MB; -1
// when it cannot be read.
double peakMemoryMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(status.readAll());
    const qsizetype at = text.indexOf(QLatin1String("VmHWM:"));
    return at < 0 ? -1 : text.mid(at + 6).trimmed().section(QLatin1Char(' '), 0, 0).toDouble() / 1024;
}

// Sanitized builds take far more memory by design.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool MemoryBounded = false;
#else
constexpr bool MemoryBounded = true;
#endif
bool withinMb(double mb, int limit) { return mb > 10 && (!MemoryBounded || mb <= limit); }
QByteArray megabytes(double mb) { return QByteArray::number(mb, 'f', 1) + " MB"; }

class TestX11 : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

private slots:
    void init()
    {
        world = std::make_unique<TestWorld>();
        setScreenOverride(QSize());   // the real screen
    }
    void cleanup() { world.reset(); }

    void dockIsTranslucentAndOnTop()
    {
        Forms::get<Variables>();
        Forms::show<Dock>();
        Dock &dock = *Forms::find<Dock>();
        QTRY_VERIFY(dock.window()->isVisible() && dock.window()->windowHandle()->isExposed());
        // 180 of 255, scaled to 32 bits by Qt: 0xb4b4b4b4.
        QTRY_COMPARE(xprop(dock.window(), "_NET_WM_WINDOW_OPACITY"),
                     QStringLiteral("_NET_WM_WINDOW_OPACITY(CARDINAL) = %1").arg(quint32(180.0 / 255.0 * 0xffffffffu)));
        QTRY_VERIFY(xprop(dock.window(), "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
        const QSize screen = screenPixels();
        QTRY_COMPARE(dock.window()->frameGeometry().topLeft(),
                     QPoint(toPixelsX(screenWidthTwips() / 2 - 3750), toPixelsY(screenHeightTwips() - 1400)));
        QVERIFY(dock.window()->frameGeometry().bottom() < screen.height());
    }

    void desktopCoversTheScreen()
    {
        Forms::show<Desktop>();
        Desktop &d = *Forms::find<Desktop>();
        QTRY_VERIFY(d.window()->windowHandle() && d.window()->windowHandle()->isExposed());
        QTRY_COMPARE(d.window()->frameGeometry(), QRect(QPoint(0, 0), screenPixels()));
        QVERIFY(!isTopmost(d.hWnd()));
        QVERIFY(isTopmost(Forms::find<Processing>()->hWnd()));
    }

    // A click on the desktop picture, through the window manager, must not
    // lift it over the strip, the dock or the tools.
    void theDesktopStaysBelowWhenClicked()
    {
        Forms::show<Desktop>();
        Desktop &d = *Forms::find<Desktop>();
        Processing &strip = *Forms::find<Processing>();
        QTRY_VERIFY(d.window()->windowHandle()->isExposed() && strip.window()->windowHandle()->isExposed());
        QTRY_VERIFY(below(d.window(), strip.window()));
        Forms::show<Dock>();
        Forms::show<Scanner>();
        Dock &dock = *Forms::find<Dock>();
        Scanner &s = *Forms::find<Scanner>();
        QTRY_VERIFY(dock.window()->windowHandle()->isExposed() && s.window()->windowHandle()->isExposed());
        // Bottom left, where no other window lies.
        const QPoint spot = d.window()->mapToGlobal(QPoint(10, d.window()->height() - 10));
        run(QStringLiteral("xdotool"),
            {"mousemove", QString::number(spot.x()), QString::number(spot.y()), "click", "1"});
        QTest::qWait(300);
        QVERIFY(below(d.window(), dock.window()));
        QVERIFY(below(d.window(), s.window()));
        QVERIFY(below(d.window(), strip.window()));
    }

    // The program itself, as a user runs it: boot, the viewer from the
    // dock, a click on the desktop picture, then the exit icon; the process
    // must end by itself.  On the way, its peak memory stays within bounds
    // far above what it needs (about 80 MB, and 90 MB playing), well below
    // what a player that loads every decoder library took (above 120 MB).
    void theProgramEndsByItselfAfterTheExitIcon()
    {
        QProcess syrel;
        syrel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        syrel.start(QStringLiteral(SYREL_PROGRAM), {});
        QVERIFY(syrel.waitForStarted(5000));
        const QString pid = QString::number(syrel.processId());
        auto windowNamed = [&](const char *name) {
            return !run(QStringLiteral("xdotool"),
                        {"search", "--all", "--onlyvisible", "--pid", pid, "--name", QString::fromLatin1(name)})
                        .isEmpty();
        };
        // Looked for until seen once: a search that meets a window going
        // away (the boot window, as the desktop comes) finds nothing, and
        // QTRY_VERIFY would look again after a success.
        QVERIFY(QTest::qWaitFor([&] { return windowNamed("^Desktop$"); }, 30000));
        // The dock, captioned with one space, comes when the strip is full.
        QVERIFY(QTest::qWaitFor([&] { return windowNamed("^ $"); }, 30000));
        QTest::qWait(500);
        const QSize screen = screenPixels();
        const int dockLeft = screen.width() / 2 - 250, dockTop = (screen.height() * 15 - 1400) / 15;
        auto clickAt = [&](int x, int y) {
            run(QStringLiteral("xdotool"), {"mousemove", QString::number(x), QString::number(y), "click", "1"});
        };
        const double desktopMb = peakMemoryMb(syrel.processId());
        QVERIFY2(withinMb(desktopMb, 100), megabytes(desktopMb));
        clickAt(dockLeft + 47, dockTop + 38);   // the viewer's icon
        // The viewer is captioned with one space too.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return run(QStringLiteral("xdotool"),
                           {"search", "--all", "--onlyvisible", "--pid", pid, "--name", "^ $"})
                           .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                           .size() == 2;
            },
            30000));
        QTest::qWait(3000);   // a few seconds of its clip
        const double viewerMb = peakMemoryMb(syrel.processId());
        QVERIFY2(withinMb(viewerMb, 110), megabytes(viewerMb));
        clickAt(10, screen.height() - 10);   // the desktop picture
        QTest::qWait(300);
        QCOMPARE(syrel.state(), QProcess::Running);
        clickAt(dockLeft + 456, dockTop + 39);   // the exit icon, still reachable
        QVERIFY2(syrel.waitForFinished(30000), "the program did not end after the exit icon");
        QCOMPARE(syrel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(syrel.exitCode(), 0);
    }

    // A clip's frames go to the X server in place, not through Qt's
    // painting: seen in the screen's own pixels, black around the picture,
    // gone with the player and back with it, and still there once the
    // top-level's own window has been made anew.
    void clipFramesReachTheScreenInPlace()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("halves.png"));
        const QString clip = dir.filePath(QStringLiteral("halves.avi"));
        const QRgb red = qRgb(200, 40, 40), blue = qRgb(50, 60, 200), black = qRgb(0, 0, 0), green = qRgb(0, 255, 0);
        QImage halves(160, 120, QImage::Format_RGB32);
        halves.fill(red);
        QPainter(&halves).fillRect(80, 0, 80, 120, QColor(blue));
        QVERIFY(halves.save(png));
        if (!ffmpeg({"-loop", "1", "-framerate", "25", "-i", png, "-frames:v", "50", "-pix_fmt", "yuv420p", "-c:v",
                     "mpeg4", "-q:v", "2", clip}))
            QFAIL("ffmpeg cannot make the clip (tools/dev.sh installs it)");
        setMediaEngineFactory(nullptr);
        QWidget host;
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(green));
        host.setPalette(palette);
        host.resize(320, 240);
        auto *p = new WindowsMediaPlayer(&host, QStringLiteral("WindowsMediaPlayer1"));
        p->setGeometry(40, 30, 200, 140);   // the clip's 160x120 in the middle: bars of 20 and 10
        p->playCount = 999;
        host.show();
        QTRY_VERIFY(host.windowHandle()->isExposed());
        p->setURL(clip);
        auto showsTheClip = [&] {
            return near(onScreen(p, {60, 70}), red) && near(onScreen(p, {140, 70}), blue) &&
                   onScreen(p, {10, 70}) == black && onScreen(p, {100, 5}) == black && onScreen(p, {195, 135}) == black;
        };
        QTRY_VERIFY_WITH_TIMEOUT(showsTheClip(), 15000);
        QCOMPARE(mappedChildren(&host), 1);

        // Paused, no new picture comes: a window passing over must not
        // leave the player black.
        p->engine()->pause();
        QTRY_COMPARE_WITH_TIMEOUT(p->status(), QStringLiteral("Pause"), 5000);
        {
            QWidget cover(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
            cover.setGeometry(QRect(p->mapToGlobal(QPoint(0, 0)), p->size()));
            cover.show();
            QTRY_VERIFY(!near(onScreen(p, {60, 70}), red));
        }
        QTRY_VERIFY_WITH_TIMEOUT(showsTheClip(), 5000);
        p->engine()->play();

        p->hide();
        QTRY_VERIFY(near(onScreen(&host, {140, 100}), green));
        QCOMPARE(mappedChildren(&host), 0);
        p->show();
        QTRY_VERIFY_WITH_TIMEOUT(showsTheClip(), 5000);

        host.setWindowFlags(host.windowFlags() | Qt::WindowStaysOnTopHint);   // a new X window for the top-level
        host.show();
        QTRY_VERIFY(host.windowHandle()->isExposed());
        QTRY_COMPARE_WITH_TIMEOUT(mappedChildren(&host), 1, 5000);   // with the next picture
        QTRY_VERIFY_WITH_TIMEOUT(showsTheClip(), 5000);

        // A picture of the program's own making (not shared with the
        // server) is painted by Qt, the in-place window taken away.
        setMediaEngineFactory([](QObject *owner) { return new FakeEngine(owner); });
        auto *q = new WindowsMediaPlayer(&host, QStringLiteral("WindowsMediaPlayer1"));
        q->setGeometry(0, 180, 80, 60);
        q->show();
        q->setURL(QStringLiteral("plain.avi"));
        QImage yellow(80, 60, QImage::Format_RGB32);
        yellow.fill(qRgb(230, 220, 20));
        FakeEngine::live().back()->show(yellow);
        QTRY_VERIFY(near(onScreen(q, {40, 30}), qRgb(230, 220, 20)));
        QTRY_VERIFY_WITH_TIMEOUT(showsTheClip(), 5000);   // the other goes on in place
    }

    void scannerAndViewerStandSideBySide()
    {
        Forms::get<Variables>();
        Forms::show<Scanner>();
        Scanner &s = *Forms::find<Scanner>();
        // Framed by the window manager: the title bar makes the outer height larger.
        QTRY_VERIFY(s.window()->frameGeometry() != s.window()->geometry());
        s.Text1->setText(QStringLiteral("start"));
        s.Text1_KeyPress(13);
        Video &v = *Forms::find<Video>();
        QTRY_VERIFY(v.window()->frameGeometry() != v.window()->geometry());
        QTRY_COMPARE(s.window()->frameGeometry().left(), toPixelsX(50));
        QTRY_COMPARE(v.window()->frameGeometry().left(), s.window()->frameGeometry().height());
        QTRY_COMPARE(v.window()->frameGeometry().top(), s.window()->frameGeometry().top());
        QVERIFY(s.window()->frameGeometry().height() > s.window()->frameGeometry().width());
        QVERIFY(v.Label6->isVisible() && !v.Label7->isVisible());
    }
};

QTEST_MAIN(TestX11)
#include "tst_x11.moc"
