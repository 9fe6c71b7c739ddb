// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The world viewer: opening and closing, its design, the clip handlers,
// the label row, and the failures it reports into the Debugger.

#include "console/debugger.h"
#include "platform/errors.h"
#include "dock/dock.h"
#include "shell/variables.h"
#include "support.h"
#include "tooltable.h"
#include "viewer/video.h"

#include <QTest>

using namespace platform;

namespace {

QVector<int> fadeOut()
{
    QVector<int> out;
    for (int a = 255; a >= 0; a -= 5)
        out << a;
    out << 0;
    return out;
}

Video &openViewer()
{
    Forms::show<Video>();
    return *Forms::find<Video>();
}

FakeEngine *engineOf(const Video &v) { return qobject_cast<FakeEngine *>(v.WindowsMediaPlayer1(1)->engine()); }

QColor textColour(QLabel *l)
{
    l->ensurePolished();
    return l->palette().color(l->foregroundRole());
}

QList<QLabel *> labelsOf(const Video &v)
{
    return {v.Label1, v.Label2, v.Label3, v.Label4, v.Label5, v.Label6, v.Label7, v.Label8};
}
QList<QPushButton *> buttonsOf(const Video &v) { return {v.Command3, v.Command4, v.Command5, v.Command6, v.Command7}; }

// Everything a clip handler must leave alone.
QStringList snapshot(const Video &v)
{
    QStringList out;
    out << v.Caption() << QStringLiteral("%1,%2").arg(v.Left()).arg(v.Top());
    for (QLabel *l : labelsOf(v))
        out << QStringLiteral("%1 '%2' %3 %4 %5 %6")
                   .arg(l->objectName(), l->text())
                   .arg(l->isVisible())
                   .arg(l->isEnabled())
                   .arg(textColour(l).name())
                   .arg(QString::number(l->x()) + u',' + QString::number(l->y()));
    for (QPushButton *b : buttonsOf(v))
        out << QStringLiteral("%1 '%2' %3 %4 %5,%6")
                   .arg(b->objectName(), b->text())
                   .arg(b->isVisible())
                   .arg(b->isEnabled())
                   .arg(b->x())
                   .arg(b->y());
    out << QStringLiteral("player0 %1 '%2'")
               .arg(v.WindowsMediaPlayer1(0)->isVisible())
               .arg(v.WindowsMediaPlayer1(0)->URL());
    if (v.hasPlayer(1))
        out << QStringLiteral("player1 %1").arg(v.WindowsMediaPlayer1(1)->isVisible());
    return out;
}

using Handler = void (Video::*)();

// The controls that take part in the tab order.
QList<QWidget *> tabStops(const Video &v)
{
    return {v.WindowsMediaPlayer1(1), v.Command3, v.Command4, v.Command5, v.Command6, v.Command7};
}

// The given controls in the order Tab visits them, going once round from start.
QList<QWidget *> tabCycle(QWidget *start, const QList<QWidget *> &controls)
{
    QList<QWidget *> out;
    for (QWidget *w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain())
        if (controls.contains(w))
            out << w;
    return out;
}

// Opens the viewer; a failure that escapes the window model comes back as its text.
QString openViewerCatching()
{
    try {
        Forms::show<Video>();
    } catch (const VbError &e) {
        return QStringLiteral("error %1 escaped the load: %2").arg(e.number()).arg(e.description());
    } catch (const std::exception &e) {
        return QStringLiteral("escaped the load: ") + QString::fromUtf8(e.what());
    }
    return {};
}

}   // namespace

class TestViewer : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

    // The widget a click on the handler's control lands on.
    static QWidget *controlOf(Video &v, const QString &name) { return v.window()->findChild<QWidget *>(name); }

    void clipTable()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("clip");
        QTest::newRow("Command3") << "Command3"
                                  << "Map-Vide-Tour.avi";
        QTest::newRow("Command4") << "Command4"
                                  << "Map-3-Position.avi";
        QTest::newRow("Command5") << "Command5"
                                  << "Map-2-2-1-Action.avi";
        QTest::newRow("Command6") << "Command6"
                                  << "Map-3-1-Action.avi";
        QTest::newRow("Command7") << "Command7"
                                  << "Map-Blanc-Tour.avi";
        QTest::newRow("Label7") << "Label7"
                                << "Map-Blanc-Vide.avi";
        QTest::newRow("Label8") << "Label8"
                                << "5eme.avi";
    }

    static Handler handlerOf(const QString &control)
    {
        static const QMap<QString, Handler> handlers{
            {"Command3", &Video::Command3_Click}, {"Command4", &Video::Command4_Click},
            {"Command5", &Video::Command5_Click}, {"Command6", &Video::Command6_Click},
            {"Command7", &Video::Command7_Click}, {"Label7", &Video::Label7_Click},
            {"Label8", &Video::Label8_Click}};
        return handlers.value(control);
    }

private slots:
    void init() { world = std::make_unique<TestWorld>(); }
    void cleanup() { world.reset(); }

    // ------------------------------------------------------ open, close

    void openingPlaysTheWorldClip()
    {
        Video &v = openViewer();
        Dock &dock = Forms::get<Dock>();
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Open"));
        QVERIFY(shows(dock.Image1, dock.Image1H));
        QVERIFY(v.hasPlayer(1));
        WindowsMediaPlayer *p = v.WindowsMediaPlayer1(1);
        QVERIFY(p->isVisible());
        QCOMPARE(p->URL(), QStringLiteral("Syrel.avi"));
        FakeEngine *engine = engineOf(v);
        QVERIFY(engine);
        QVERIFY(engine->source.endsWith(QStringLiteral("/Syrel.avi")));
        QCOMPARE(engine->sources.size(), 1);
        QCOMPARE(engine->plays, 1);
        QCOMPARE(p->playCount, 999);
        QVERIFY(p->stretchToFit);
        QVERIFY(p->autoStart);
        QCOMPARE(p->uiMode, QStringLiteral("none"));
        QVERIFY(!p->enableContextMenu);
        QVERIFY(!p->enableErrorDialogs);
        QVERIFY(!p->fullScreen());
        QCOMPARE(p->volume(), 50);
        QVERIFY(!p->mute());
        QCOMPARE(p->geometry(), QRect(0, 0, 656, 509));

        WindowsMediaPlayer *tmpl = v.WindowsMediaPlayer1(0);
        QVERIFY(tmpl->isHidden());
        QCOMPARE(tmpl->URL(), QString());
        // The template never plays: no component is made for it, and the one
        // engine there is belongs to element 1.
        QVERIFY(!tmpl->engine());
        QCOMPARE(tmpl->status(), QStringLiteral("Prêt"));
        QCOMPARE(FakeEngine::live().size(), size_t(1));
        QCOMPARE(FakeEngine::live().front(), engine);

        QVERIFY(isTopmost(v.hWnd()));
        QVERIFY(v.window()->isVisible());
        QCOMPARE(v.window()->windowOpacity(), 1.0);
    }

    void closingUnlightsRemovesThePlayerAndFades()
    {
        Video &v = openViewer();
        Dock &dock = Forms::get<Dock>();
        QStringList during;
        world->onYield = [&] {
            if (during.isEmpty())
                during << QStringLiteral("%1, icon %2, player %3")
                              .arg(Forms::get<Variables>().FormVideo,
                                   shows(dock.Image1, dock.Image11) ? "normal" : "lit",
                                   v.hasPlayer(1) ? "there" : "gone");
        };
        v.window()->close();   // the close box
        QCoreApplication::processEvents();
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(during, QStringList{"Close, icon normal, player gone"});
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Close"));
        QVERIFY(shows(dock.Image1, dock.Image11));
        QVERIFY(!v.hasPlayer(1));
        const QVector<int> alphas = world->user32.alphas(v.hWnd());
        QCOMPARE(alphas.size(), 53);
        QCOMPARE(alphas, fadeOut());
        QCOMPARE(alphas.mid(51), (QVector<int>{0, 0}));
        QVERIFY(!v.window()->isVisible());
    }

    void showingAnOpenViewerRestartsNothing()
    {
        Video &v = openViewer();
        v.Command5_Click();
        FakeEngine *engine = engineOf(v);
        const int plays = engine->plays;
        const QStringList sources = engine->sources;
        const size_t engines = FakeEngine::live().size();
        world->user32.clear();
        Video &same = openViewer();
        QCOMPARE(&same, &v);
        QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Map-2-2-1-Action.avi"));
        QCOMPARE(engineOf(v), engine);
        QCOMPARE(engine->plays, plays);
        QCOMPARE(engine->sources, sources);
        QCOMPARE(FakeEngine::live().size(), engines);
        QVERIFY(world->user32.calls.isEmpty());   // no load step again
    }

    void aReopenedViewerStartsAgain()
    {
        Video &first = openViewer();
        const QPoint opened(first.Left(), first.Top());
        first.Command7_Click();
        first.Move(0, 0);
        Forms::unload<Video>();
        Video &again = openViewer();
        QVERIFY(&again != &first);
        QCOMPARE(again.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Syrel.avi"));
        QCOMPARE(QPoint(again.Left(), again.Top()), opened);   // where a first opening puts it
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Open"));
    }

    void opensCentredOnTheScreen()
    {
        // The whole window, title bar and frame included, sits in the middle of the screen.
        Video &v = openViewer();
        const QString off = offCentre(v.window(), QSize(1024, 768));
        QVERIFY2(off.isEmpty(), qPrintable(off));
    }

    // ---------------------------------------------------------- design

    void design()
    {
        Video &v = openViewer();
        QWidget *w = v.window();
        QCOMPARE(v.Caption(), QStringLiteral(" "));
        QCOMPARE(w->size(), QSize(657, 588));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags() & Qt::Tool);
        QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(0x40, 0x40, 0x40));

        struct ButtonDesign {
            QPushButton *b;
            const char *caption;
            QRect px;
        };
        for (const ButtonDesign &d : {ButtonDesign{v.Command3, "Tour Act.", {147, 558, 73, 22}},
                                      ButtonDesign{v.Command4, "Arrive des RW", {222, 558, 73, 22}},
                                      ButtonDesign{v.Command5, "Action 2", {300, 558, 73, 22}},
                                      ButtonDesign{v.Command6, "Action 3", {378, 558, 73, 22}},
                                      ButtonDesign{v.Command7, "Talvia", {456, 558, 61, 22}}}) {
            QCOMPARE(d.b->text(), QString::fromUtf8(d.caption));
            QCOMPARE(d.b->geometry(), d.px);
            QVERIFY(d.b->isVisible());
            QVERIFY(d.b->isEnabled());
        }

        struct LabelDesign {
            QLabel *l;
            const char *caption;
            QRect px;
            QColor colour;
            bool visible;
        };
        for (const LabelDesign &d :
             {LabelDesign{v.Label7, "Analyse de la Zone 1", {0, 510, 136, 13}, QColor(0, 255, 0), true},
              LabelDesign{v.Label8, "Analyse du 5eme Territoire", {468, 510, 184, 13}, QColor(0, 255, 0), true},
              LabelDesign{v.Label6, "LEGENDE :", {3, 510, 85, 16}, QColor(255, 255, 255), false},
              LabelDesign{v.Label2, "BRAMEN", {132, 510, 55, 16}, QColor(0, 255, 0), false},
              LabelDesign{v.Label3, "TALVIA", {192, 510, 49, 16}, QColor(255, 0, 255), false},
              LabelDesign{v.Label5, "ORIV", {255, 510, 40, 16}, QColor(0xC0, 0xC0, 0), false},
              LabelDesign{v.Label1, "VORN", {561, 510, 40, 16}, QColor(255, 0, 0), false},
              LabelDesign{v.Label4, "TOUR", {615, 510, 37, 16}, QColor(0x80, 0x40, 0), false}}) {
            const QString what = d.l->objectName();
            QVERIFY2(d.l->text() == QString::fromUtf8(d.caption), qPrintable(what));
            QVERIFY2(d.l->geometry() == d.px, qPrintable(what));
            QVERIFY2(textColour(d.l) == d.colour, qPrintable(what + u' ' + textColour(d.l).name()));
            QVERIFY2(d.l->isVisible() == d.visible, qPrintable(what));
            QVERIFY2(d.l->font().family() == QLatin1String("Verdana"), qPrintable(what));
            QVERIFY2(d.l->font().pointSizeF() == 8.25, qPrintable(what));
            QVERIFY2(d.l->font().bold(), qPrintable(what));
            QVERIFY2(d.l->alignment() & Qt::AlignLeft, qPrintable(what));
        }

        // Round the tab cycle from the player: the buttons from left to right.
        QWidget *player = v.WindowsMediaPlayer1(1);
        QCOMPARE(tabCycle(player, tabStops(v)),
                 (QList<QWidget *>{v.Command3, v.Command4, v.Command5, v.Command6, v.Command7}));
    }

    void tabOrderStartsAtThePlayer()
    {
        Video &v = openViewer();
        QWidget *w = v.window();
        QCOMPARE(tabCycle(w, tabStops(v)), (QList<QWidget *>{v.WindowsMediaPlayer1(1), v.Command3, v.Command4,
                                                             v.Command5, v.Command6, v.Command7}));
    }

    // ----------------------------------------------------------- clips

    void eachHandlerPlaysItsClip_data() { clipTable(); }
    void eachHandlerPlaysItsClip()
    {
        QFETCH(QString, control);
        QFETCH(QString, clip);
        Video &v = openViewer();
        FakeEngine *engine = engineOf(v);
        const QStringList before = snapshot(v);
        (v.*handlerOf(control))();
        QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), clip);
        QVERIFY(engine->source.endsWith(u'/' + clip));
        QCOMPARE(engine->plays, 2);
        QCOMPARE(engineOf(v), engine);
        QCOMPARE(snapshot(v), before);
        QCOMPARE(Forms::isLoaded<Debugger>(), false);   // nothing to report
    }

    void aClickOnTheControlPlaysItsClip_data() { clipTable(); }
    void aClickOnTheControlPlaysItsClip()
    {
        QFETCH(QString, control);
        QFETCH(QString, clip);
        Video &v = openViewer();
        QWidget *target = controlOf(v, control);
        QVERIFY(target);
        QCOMPARE(v.window()->childAt(target->geometry().center()), target);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
        QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), clip);
        QVERIFY(engineOf(v)->source.endsWith(u'/' + clip));
        QCOMPARE(engineOf(v)->plays, 2);
    }

    void theSameClipTwiceChangesNothingElse()
    {
        Video &v = openViewer();
        v.Command4_Click();
        FakeEngine *engine = engineOf(v);
        const QStringList before = snapshot(v);
        const size_t engines = FakeEngine::live().size();
        QTest::mouseClick(v.Command4, Qt::LeftButton);
        QCOMPARE(v.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Map-3-Position.avi"));
        QCOMPARE(engine->sources.size(), 3);
        QCOMPARE(engine->sources.at(1), engine->sources.at(2));
        QVERIFY(engine->sources.at(2).endsWith(QStringLiteral("/Map-3-Position.avi")));
        QCOMPARE(snapshot(v), before);
        QCOMPARE(FakeEngine::live().size(), engines);
        QCOMPARE(engineOf(v), engine);
    }

    // ------------------------------------------------------- label row

    void theLegendDoesNotOutliveTheViewer()
    {
        Video &first = openViewer();
        first.Label7->setVisible(false);
        first.Label8->setVisible(false);
        for (QLabel *l : {first.Label1, first.Label2, first.Label3, first.Label4, first.Label5, first.Label6})
            l->setVisible(true);

        // Where Label7 was, a click now chooses nothing.
        const QPoint where = first.Label7->geometry().center();
        QWidget *hit = first.window()->childAt(where);
        QVERIFY(hit != first.Label7);
        if (hit)
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(first.window(), where));
        QCOMPARE(first.WindowsMediaPlayer1(1)->URL(), QStringLiteral("Syrel.avi"));
        QCOMPARE(engineOf(first)->plays, 1);

        Forms::unload<Video>();
        Video &again = openViewer();
        QVERIFY(&again != &first);
        QVERIFY(again.Label7->isVisible());
        QVERIFY(again.Label8->isVisible());
        for (QLabel *l : {again.Label1, again.Label2, again.Label3, again.Label4, again.Label5, again.Label6})
            QVERIFY2(!l->isVisible(), qPrintable(l->objectName()));
    }

    // -------------------------------------------------------- failures

    void aFailedLoadIsReportedInTheDebugger()
    {
        world->failEngines = true;
        const QString escaped = openViewerCatching();
        QVERIFY2(escaped.isEmpty(), qPrintable(escaped));
        Video &v = *Forms::find<Video>();
        QVERIFY(Forms::isLoaded<Video>());
        QVERIFY(!v.hasPlayer(1));
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Open"));
        QVERIFY(shows(Forms::get<Dock>().Image1, Forms::get<Dock>().Image1H));
        QVERIFY(!isTopmost(v.hWnd()));   // the load stopped at the player

        Debugger *d = Forms::find<Debugger>();
        QVERIFY(d);
        QVERIFY(d->window()->isVisible());
        QCOMPARE(Forms::get<Variables>().FormDebugger, QStringLiteral("Open"));
        QCOMPARE(v.Err.Number, 9001);
        QVERIFY(!v.Err.Description.isEmpty());
        QCOMPARE(d->List1->lines(),
                 (QStringList{"Syrel Software Emulation. Version 1.0",
                              "Debugger System Command Line Interface. Type 'help' for help page ...", "",
                              QStringLiteral("ERROR : 9001 - ") + v.Err.Description}));

        QCOMPARE(v.Left(), 0);
        QVERIFY(v.Width() >= 9855);   // the outer width, frame included
        QCOMPARE(d->Left(), v.Left() + v.Width());
        QCOMPARE(d->Top(), v.Top());
        QCOMPARE(v.window()->frameGeometry().x(), 0);
        QVERIFY(v.window()->isVisible());
        d->Timer1_Timer();
        QCOMPARE(d->List1->ListIndex(), 3);
    }

    void clipsWithoutAPlayerAreReportedEachTime()
    {
        world->failEngines = true;
        const QString escaped = openViewerCatching();
        QVERIFY2(escaped.isEmpty(), qPrintable(escaped));
        Video &v = *Forms::find<Video>();
        Debugger &d = *Forms::find<Debugger>();
        QCOMPARE(d.List1->ListCount(), 4);

        v.Move(3000, 2010);
        d.Move(150, 150);
        QTest::mouseClick(v.Command3, Qt::LeftButton);
        QCOMPARE(d.List1->ListCount(), 5);
        QCOMPARE(v.Err.Number, 340);
        const QString second = d.List1->List(4);
        QCOMPARE(second, QStringLiteral("ERROR : 340 - ") + v.Err.Description);
        QVERIFY(!v.Err.Description.isEmpty());
        QCOMPARE(v.Left(), 0);
        QCOMPARE(v.Top(), 2010);
        QCOMPARE(d.Left(), v.Width());
        QCOMPARE(d.Top(), 2010);

        v.Move(4500, 600);
        d.Move(0, 0);
        QTest::mouseClick(v.Label8, Qt::LeftButton);
        QCOMPARE(d.List1->ListCount(), 6);
        QCOMPARE(d.List1->List(5), second);
        QCOMPARE(v.Left(), 0);
        QCOMPARE(v.Top(), 600);
        QCOMPARE(d.Left(), v.Width());
        QCOMPARE(d.Top(), 600);
        QCOMPARE(&d, Forms::find<Debugger>());   // the same console, no second banner
        QCOMPARE(d.List1->lines().count(QStringLiteral("Syrel Software Emulation. Version 1.0")), 1);
    }

    void aFailureOpensTheDebuggerBesideAnOpenViewer()
    {
        Video &v = openViewer();
        v.Move(2000, 1500);
        v.unloadPlayer(1);   // as if the player had gone away
        QVERIFY(!Forms::isLoaded<Debugger>());
        v.Command6_Click();
        Debugger *d = Forms::find<Debugger>();
        QVERIFY(d);
        QCOMPARE(d->List1->ListCount(), 4);
        QVERIFY(d->List1->List(3).startsWith(QStringLiteral("ERROR : 340 - ")));
        QCOMPARE(v.Left(), 0);
        QCOMPARE(v.Top(), 1500);
        QCOMPARE(d->Left(), v.Width());
        QCOMPARE(d->Top(), 1500);
    }

    void closingTheViewerLeavesTheDebuggerWhereItWasPut()
    {
        world->failEngines = true;
        const QString escaped = openViewerCatching();
        QVERIFY2(escaped.isEmpty(), qPrintable(escaped));
        Video &v = *Forms::find<Video>();
        Debugger &d = *Forms::find<Debugger>();
        const int left = d.Left(), top = d.Top();
        const QStringList lines = d.List1->lines();
        Forms::unload<Video>();
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Close"));
        QVERIFY(shows(Forms::get<Dock>().Image1, Forms::get<Dock>().Image11));
        QCOMPARE(world->user32.alphas(v.hWnd()), fadeOut());
        QCOMPARE(Forms::find<Debugger>(), &d);
        QCOMPARE(d.Left(), left);
        QCOMPARE(d.Top(), top);
        QCOMPARE(d.List1->lines(), lines);
        QVERIFY(d.window()->isVisible());
    }
};

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
