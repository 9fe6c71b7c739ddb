// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// What only a real X display with a window manager shows: the dock's
// opacity and always-on-top state as the window system sees them, the
// full-screen desktop, and the Scanner and viewer side by side after "start".
// Run by with-xvfb.sh under Xvfb and openbox.

#include "console/scanner.h"
#include "dock/dock.h"
#include "shell/desktop.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "viewer/video.h"

#include <QProcess>
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

// True when a is stacked below b.
bool below(QWidget *a, QWidget *b)
{
    const QList<WId> ids = stacking();
    const qsizetype ia = ids.indexOf(a->winId()), ib = ids.indexOf(b->winId());
    return ia >= 0 && ib >= 0 && ia < ib;
}

QString xprop(QWidget *w, const char *atom)
{
    QProcess p;
    p.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w->winId()), QString::fromLatin1(atom)});
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}
}   // namespace

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

    // The program itself, as a user runs it: boot, a click on the desktop
    // picture, then the exit icon; the process must end by itself.
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
        clickAt(10, screen.height() - 10);   // the desktop picture
        QTest::qWait(300);
        QCOMPARE(syrel.state(), QProcess::Running);
        clickAt(dockLeft + 456, dockTop + 39);   // the exit icon, still reachable
        QVERIFY2(syrel.waitForFinished(30000), "the program did not end after the exit icon");
        QCOMPARE(syrel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(syrel.exitCode(), 0);
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
