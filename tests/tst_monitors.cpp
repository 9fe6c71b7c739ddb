// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Two monitors, the primary one (1920 x 1080) to the right of another
// (1280 x 1024 at the origin) and 300 px lower: every window keeps to the
// primary monitor, and "the screen" of every placement is that monitor,
// offset included, across and down.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "shell/closing.h"
#include "shell/desktop.h"
#include "shell/loading.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "viewer/video.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

using namespace platform;

namespace {
const QRect Primary(1280, 300, 1920, 1080);

bool onPrimary(const Form &f) { return Primary.contains(f.window()->frameGeometry()); }
}   // namespace

class TestMonitors : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), Primary);
    }
    void init()
    {
        world = std::make_unique<TestWorld>();
        setScreenOverride(QSize());   // the monitors above, not a pretended screen
    }
    void cleanup() { world.reset(); }

    void fullScreenWindowsCoverThePrimary()
    {
        Forms::show<Loading>();
        QCOMPARE(Forms::find<Loading>()->window()->geometry(), Primary);
        Forms::show<Desktop>();
        QCOMPARE(Forms::find<Desktop>()->window()->geometry(), Primary);
    }

    void stripDockAndNoticeSitOnThePrimary()
    {
        Forms::get<Variables>();
        Forms::show<Processing>();
        Processing &strip = *Forms::find<Processing>();
        QCOMPARE(strip.window()->geometry().topLeft(), Primary.topLeft() + QPoint((1920 - 577) / 2, (1080 - 85) / 2));

        Forms::show<Dock>();
        Dock &dock = *Forms::find<Dock>();
        QCOMPARE(dock.Left(), 1920 * 15 / 2 - 3750);
        QCOMPARE(dock.Top(), 1080 * 15 - 1400);
        QCOMPARE(dock.window()->geometry(), QRect(Primary.topLeft() + QPoint(710, 987), QSize(500, 74)));
        QVERIFY(onPrimary(dock));

        Forms::show<Closing>();
        Closing &notice = *Forms::find<Closing>();
        QCOMPARE(notice.Left(), 1920 * 15 / 2 - 3850);
        QCOMPARE(notice.window()->geometry().topLeft(), Primary.topLeft() + QPoint(toPixelsX(1920 * 15 / 2 - 3850), 0));
    }

    void toolsOpenOnThePrimary()
    {
        Forms::get<Variables>();
        Forms::show<Debugger>();
        Debugger &d = *Forms::find<Debugger>();
        QCOMPARE(d.window()->geometry().center(), Primary.center());
        Forms::show<Video>();
        QCOMPARE(Forms::find<Video>()->window()->geometry().center(), Primary.center());
        Forms::show<Scanner>();   // placed by the window system on one monitor: kept to the primary
        QVERIFY(onPrimary(*Forms::find<Scanner>()));
    }

    void scannerStartCountsFromThePrimaryEdge()
    {
        Forms::get<Variables>();
        Forms::show<Scanner>();
        Scanner &s = *Forms::find<Scanner>();
        s.Text1->setText(QStringLiteral("start"));
        s.Text1_KeyPress(13);
        QCOMPARE(s.Left(), 50);
        QCOMPARE(s.window()->geometry().left(), Primary.left() + toPixelsX(50));
        Video &v = *Forms::find<Video>();
        QCOMPARE(v.Left(), s.Height());
        QCOMPARE(v.window()->geometry().topLeft(),
                 Primary.topLeft() + QPoint(toPixelsX(s.Height()), toPixelsY(s.Top())));
        QVERIFY(onPrimary(s) && onPrimary(v));
    }

    void errorReportPutsTheViewerAtThePrimaryEdge()
    {
        Forms::get<Variables>();
        world->failEngines = true;
        Forms::show<Video>();
        Video &v = *Forms::find<Video>();
        Debugger &d = *Forms::find<Debugger>();
        QCOMPARE(v.Left(), 0);
        QCOMPARE(v.window()->geometry().left(), Primary.left());
        QCOMPARE(d.window()->geometry().left(), v.window()->geometry().right() + 1);
        QVERIFY(onPrimary(v) && onPrimary(d));
    }
};

QTEST_MAIN(TestMonitors)
#include "tst_monitors.moc"
