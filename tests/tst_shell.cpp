// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Start-up and the shell windows: the boot window's tick, the shared
// variables, the transition strip, the desktop picture and the notice.

#include "console/scanner.h"
#include "dock/dock.h"
#include "platform/errors.h"
#include "shell/closing.h"
#include "shell/desktop.h"
#include "shell/loading.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "tooltable.h"

#include <QPainter>
#include <QTest>

using namespace platform;

class TestShell : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

    // The boot window with a player whose two reads of one tick give these texts.
    Loading &bootWith(const QStringList &reads)
    {
        Forms::show<Loading>();
        Loading &l = *Forms::find<Loading>();
        auto queue = std::make_shared<QStringList>(reads);
        l.WindowsMediaPlayer1->setStatusReader([queue] { return queue->isEmpty() ? QString() : queue->takeFirst(); });
        return l;
    }

private slots:
    void init() { world = std::make_unique<TestWorld>(); }
    void cleanup() { world.reset(); }

    void bootPlaysTheClipFullScreen()
    {
        Forms::show<Loading>();
        Loading &l = *Forms::find<Loading>();
        QCOMPARE(l.Caption(), QStringLiteral("Form2"));
        QCOMPARE(l.Timer1->Interval(), 1000);
        QVERIFY(l.Timer1->Enabled());
        WindowsMediaPlayer *p = l.WindowsMediaPlayer1;
        QCOMPARE(p->URL(), QStringLiteral("Boot.avi"));
        QCOMPARE(p->playCount, 1);
        QVERIFY(p->fullScreen());
        QVERIFY(!p->stretchToFit);
        QVERIFY(!p->enableErrorDialogs);
        QVERIFY(!p->isPlayerEnabled());
        QCOMPARE(p->volume(), 50);
        QCOMPARE(p->geometry(), l.window()->rect());   // covers the whole window
        QCOMPARE(l.window()->size(), QSize(1024, 768));
        auto *engine = qobject_cast<FakeEngine *>(p->engine());
        QVERIFY(engine);
        QVERIFY(engine->source.endsWith(QStringLiteral("/Boot.avi")));
        QCOMPARE(engine->plays, 1);
        QCOMPARE(p->status(), QStringLiteral("Lecture"));
    }

    void nearMissesDoNotEndTheBoot_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t :
             {"pause", "PAUSE", " Pause", "Pause ", "Arrete", "arrêté", "Arrêté ", "ARRÊTÉ", "", "Lecture"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void nearMissesDoNotEndTheBoot()
    {
        QFETCH(QString, text);
        Loading &l = bootWith({text, text});
        l.Timer1_Timer();
        QVERIFY(Forms::isLoaded<Loading>());
        QVERIFY(!Forms::isLoaded<Desktop>());
    }

    void eachReadIsJudgedOnItsOwn_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("ends");
        QTest::newRow("paused, then playing") << "Pause"
                                              << "Lecture" << true;
        QTest::newRow("paused, then stopped") << "Pause"
                                              << "Arrêté" << true;
        QTest::newRow("playing, then stopped") << "Lecture"
                                               << "Arrêté" << true;
        QTest::newRow("stopped, then playing") << "Arrêté"
                                               << "Lecture" << false;
        QTest::newRow("playing, then paused") << "Lecture"
                                              << "Pause" << false;
    }
    void eachReadIsJudgedOnItsOwn()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, ends);
        Loading &l = bootWith({first, second});
        l.Timer1_Timer();
        QCOMPARE(!Forms::isLoaded<Loading>(), ends);
        QCOMPARE(Forms::isLoaded<Desktop>(), ends);
    }

    void desktopAndStripAreUpBeforeTheBootWindowGoes()
    {
        Loading &l = bootWith({"Pause", "Pause"});
        bool checked = false;
        struct Spy : QObject {
            std::function<void()> fn;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Hide && fn)
                    std::exchange(fn, nullptr)();
                return false;
            }
        } spy;
        spy.fn = [&] {
            checked = true;
            QVERIFY(Forms::find<Desktop>() && Forms::find<Desktop>()->window()->isVisible());
            QVERIFY(Forms::find<Processing>() && Forms::find<Processing>()->window()->isVisible());
            QCOMPARE(Forms::get<Variables>().Processing, QStringLiteral("Loading"));
        };
        l.window()->installEventFilter(&spy);
        l.Timer1_Timer();
        QVERIFY(checked);
        QVERIFY(!Forms::isLoaded<Loading>());
    }

    void anUnplayableBootClipStillReachesTheDesktop()
    {
        Forms::show<Loading>();
        Loading &l = *Forms::find<Loading>();
        qobject_cast<FakeEngine *>(l.WindowsMediaPlayer1->engine())->fail();
        QCOMPARE(l.WindowsMediaPlayer1->status(), QStringLiteral("Arrêté"));
        l.Timer1_Timer();
        QVERIFY(Forms::isLoaded<Desktop>());
        QVERIFY(!Forms::isLoaded<Loading>());
    }

    void theEndOfTheClipReachesTheDesktop()
    {
        Forms::show<Loading>();
        Loading &l = *Forms::find<Loading>();
        qobject_cast<FakeEngine *>(l.WindowsMediaPlayer1->engine())->finish();
        l.Timer1_Timer();
        QVERIFY(Forms::isLoaded<Desktop>());
    }

    void sharedVariablesStartAsDesigned()
    {
        Variables &v = Forms::get<Variables>();
        QCOMPARE(v.Processing, QStringLiteral("Loading"));
        QCOMPARE(v.FormVideo, QStringLiteral("Close"));
        QCOMPARE(v.FormDebugger, QStringLiteral("Close"));
        QCOMPARE(v.Scanner, QStringLiteral("Close"));
        QCOMPARE(v.Dock, QStringLiteral("Slow"));
        QVERIFY(!v.window()->isVisible());
    }

    void stripFillsInTwoHundredTicks()
    {
        Forms::get<Variables>();
        Forms::show<Processing>();
        Processing &p = *Forms::find<Processing>();
        QCOMPARE(p.Timer1->Interval(), 5);
        QCOMPARE(p.ProgressBar1->Value(), 0.0f);
        QVERIFY(isTopmost(p.hWnd()));
        QCOMPARE(p.Label1->text(), QStringLiteral("Processing ..."));
        QStringList seen;
        world->onYield = [&] {
            if (seen.isEmpty())
                seen << (Forms::find<Dock>() && Forms::find<Dock>()->window()->isVisible() ? "dock shown" : "no dock");
        };
        for (int tick = 1; tick < 200; ++tick) {
            p.Timer1_Timer();
            QCOMPARE(p.ProgressBar1->Value(), tick * 0.5f);
            QVERIFY(p.Timer1->Enabled());
        }
        QVERIFY(Forms::isLoaded<Processing>());
        p.Timer1_Timer();
        QCOMPARE(p.ProgressBar1->Value(), 100.0f);
        QVERIFY(!p.Timer1->Enabled());
        QVERIFY(!Forms::isLoaded<Processing>());
        QCOMPARE(seen, QStringList{"dock shown"});
        QCOMPARE(world->user32.alphas(p.hWnd()).size(), 257);
    }

    // The exit icon while the strip still fades: the shutdown runs in full
    // (notice, the dock's fade), and then nothing waits on the strip's fade.
    void exitDuringTheStripsFadeEndsAtOnce()
    {
        Forms::show<Desktop>();
        Processing &p = *Forms::find<Processing>();
        int clickedAt = -1, afterClick = -1;
        bool noticeShown = false;
        world->onYield = [&] {
            noticeShown = noticeShown || Forms::isLoaded<Closing>();
            if (clickedAt < 0 && world->yields == 10) {
                clickedAt = world->yields;
                Forms::get<Dock>().Image9_Click();
                afterClick = world->yields;
            }
        };
        for (int tick = 0; tick < 200 && Forms::isLoaded<Processing>(); ++tick)
            p.Timer1_Timer();
        QVERIFY(noticeShown);
        QVERIFY2(afterClick > clickedAt, "the shutdown's own fades ran");
        QCOMPARE(world->yields, afterClick);   // not one step more of the strip's fade
        QCOMPARE(world->allUnloaded, 1);
        QCOMPARE(Forms::loadedCount(), 0);
    }

    void stripLeadsToTheScannerOrToNothing()
    {
        Forms::get<Variables>().Processing = QStringLiteral("Scanner");
        Forms::show<Processing>();
        bool scannerFirst = false;
        world->onYield = [&] { scannerFirst = scannerFirst || Forms::isLoaded<Scanner>(); };
        Forms::unload<Processing>();
        QVERIFY(scannerFirst);
        // The strip itself shows no dock; the Scanner's load lights its icon,
        // and that touch is what loads the dock.
        QVERIFY(Forms::isLoaded<Dock>());
        QVERIFY(shows(Forms::find<Dock>()->Image5, Forms::find<Dock>()->Image5H));
        QCOMPARE(Forms::find<Variables>()->Scanner, QStringLiteral("Open"));

        Forms::reset();
        world->onYield = nullptr;
        Forms::get<Variables>().Processing = QStringLiteral("loading");
        Forms::show<Processing>();
        Forms::unload<Processing>();
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(!Forms::isLoaded<Dock>());
    }

    void secondRunStartsAtZeroAndOpaque()
    {
        Forms::get<Variables>().Processing = QStringLiteral("other");
        Forms::show<Processing>();
        Processing *first = Forms::find<Processing>();
        for (int i = 0; i < 200; ++i)
            first->Timer1_Timer();
        QVERIFY(!Forms::isLoaded<Processing>());
        Forms::show<Processing>();
        Processing &second = *Forms::find<Processing>();
        QVERIFY(&second != first);
        QCOMPARE(second.ProgressBar1->Value(), 0.0f);
        QVERIFY(second.Timer1->Enabled());
        QVERIFY(!isLayered(second.hWnd()));
        QCOMPARE(second.window()->windowOpacity(), 1.0);
    }

    void progressBarRefusesValuesOutsideItsRange()
    {
        ProgressBar bar(nullptr, QStringLiteral("ProgressBar1"));
        bar.setValue(100.0f);
        QVERIFY_THROWS_EXCEPTION(VbError, bar.setValue(100.5f));
        QVERIFY_THROWS_EXCEPTION(VbError, bar.setValue(-0.5f));
        QCOMPARE(bar.Value(), 100.0f);
    }

    void desktopPictureIsCroppedOrBordered_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1920x1080") << QSize(1920, 1080);
        QTest::newRow("1600x1200") << QSize(1600, 1200);
        QTest::newRow("1024x768") << QSize(1024, 768);
    }
    void desktopPictureIsCroppedOrBordered()
    {
        QFETCH(QSize, screen);
        setScreenOverride(screen);
        Desktop &d = Forms::get<Desktop>();
        QCOMPARE(d.window()->size(), screen);
        const QImage picture = d.Picture->picture().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(1600, 1200));
        QImage shot(screen, QImage::Format_RGB32);
        d.Picture->render(&shot);
        const int w = qMin(1600, screen.width()), h = qMin(1200, screen.height());
        for (QPoint pt : {QPoint(0, 0), QPoint(w - 1, h - 1), QPoint(w / 2, 96), QPoint(w - 1, 0)})
            QCOMPARE(shot.pixel(pt), picture.pixel(pt));
        if (screen.width() > 1600) {
            QCOMPARE(shot.pixel(1600, 0), qRgb(0, 0, 0));
            QCOMPARE(shot.pixel(screen.width() - 1, screen.height() - 1), qRgb(0, 0, 0));
        }
    }

    void desktopUnloadTakesDockThenNoticeThenVariables()
    {
        Forms::show<Desktop>();
        Forms::unload<Processing>();   // the strip the desktop started
        Forms::show<Dock>();
        Forms::show<Closing>();
        QStringList during;
        world->onYield = [&] {
            if (during.isEmpty())
                during << QStringLiteral("closing %1, variables %2")
                              .arg(Forms::isLoaded<Closing>())
                              .arg(Forms::isLoaded<Variables>());
        };
        const int before = world->allUnloaded;
        Forms::unload<Desktop>();
        QCOMPARE(during, QStringList{"closing 1, variables 1"});
        QVERIFY(!Forms::isLoaded<Dock>());
        QVERIFY(!Forms::isLoaded<Closing>());
        QVERIFY(!Forms::isLoaded<Variables>());
        QCOMPARE(Forms::loadedCount(), 0);
        QCOMPARE(world->allUnloaded, before + 1);
    }

    // The notice lets go of the shared variables before it asks for the dock
    // to go: a dock still there then finds them loaded afresh.
    void noticeUnloadsVariablesBeforeTheDock()
    {
        Variables *original = &Forms::get<Variables>();
        Forms::show<Dock>();
        Forms::show<Closing>();
        QStringList during;
        world->onYield = [&] {
            if (during.isEmpty())
                during << QStringLiteral("variables %1").arg(Forms::find<Variables>() == original ? "old" : "fresh");
        };
        Forms::unload<Closing>();
        QCOMPARE(during, QStringList{"variables fresh"});
        QVERIFY(!Forms::isLoaded<Dock>());
        QVERIFY(!Forms::isLoaded<Closing>());
    }

    void noticeSitsAtTheTopCentre_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("left");
        QTest::newRow("1024") << 1024 << 3830;
        QTest::newRow("1600") << 1600 << 8150;
    }
    void noticeSitsAtTheTopCentre()
    {
        QFETCH(int, width);
        QFETCH(int, left);
        setScreenOverride(QSize(width, 768));
        Forms::show<Closing>();
        Closing &c = *Forms::find<Closing>();
        QCOMPARE(c.Left(), left);
        QCOMPARE(c.Top(), 0);
        QCOMPARE(c.Caption(), QStringLiteral("Closing ..."));
        QCOMPARE(c.Label1->text(), QStringLiteral("Processus d'arret en cours ... Veuillez patienter ..."));
        QCOMPARE(c.window()->size(), QSize(441, 25));
        QVERIFY(isTopmost(c.hWnd()));
        QVERIFY(c.Label1->font().bold());
        QCOMPARE(c.Label1->font().pointSizeF(), 9.75);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
