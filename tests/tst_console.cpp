// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The two consoles: their banners, load and unload steps, designs, the
// input line with its echo and recall, the timer that keeps the newest line
// in view, and lines no one would type on purpose.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "shell/variables.h"
#include "support.h"
#include "tooltable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <numeric>

using namespace platform;

namespace {

const QString FirstBannerLine = QStringLiteral("Syrel Software Emulation. Version 1.0");

QStringList bannerOf(const QString &console)
{
    return {FirstBannerLine,
            console == QLatin1String("Debugger")
                ? QStringLiteral("Debugger System Command Line Interface. Type 'help' for help page ...")
                : QStringLiteral("Scanner System Interface. Type 'help' for help page ..."),
            QString()};
}

// What differs between the two consoles, as the tests need it.
ConsoleWindow &showConsole(const QString &console)
{
    if (console == QLatin1String("Debugger")) {
        Forms::show<Debugger>();
        return *Forms::find<Debugger>();
    }
    Forms::show<Scanner>();
    return *Forms::find<Scanner>();
}

ConsoleWindow *findConsole(const QString &console)
{
    if (console == QLatin1String("Debugger"))
        return Forms::find<Debugger>();
    return Forms::find<Scanner>();
}

void unloadConsole(const QString &console)
{
    if (console == QLatin1String("Debugger"))
        Forms::unload<Debugger>();
    else
        Forms::unload<Scanner>();
}

QString &variableOf(const QString &console)
{
    Variables &v = Forms::get<Variables>();
    return console == QLatin1String("Debugger") ? v.FormDebugger : v.Scanner;
}

Image *iconOf(const QString &console)
{
    Dock &d = Forms::get<Dock>();
    return console == QLatin1String("Debugger") ? d.Image4 : d.Image5;
}
Image *litOf(const QString &console)
{
    Dock &d = Forms::get<Dock>();
    return console == QLatin1String("Debugger") ? d.Image4H : d.Image5H;
}
Image *normalOf(const QString &console)
{
    Dock &d = Forms::get<Dock>();
    return console == QLatin1String("Debugger") ? d.Image44 : d.Image55;
}

// Types a text key by key, as a keyboard would, letters outside ASCII included.
void type(QWidget *w, const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(w, char(ch.unicode()));
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }
}

void enter(ConsoleWindow &c, const QString &typed)
{
    type(c.Text1, typed);
    QTest::keyClick(c.Text1, Qt::Key_Return);
}

// The order in which Tab visits the given controls of a window.
QList<QWidget *> tabOrder(QWidget *window, const QList<QWidget *> &controls)
{
    QList<QWidget *> out;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if (controls.contains(w))
            out << w;
    return out;
}

QVector<int> fadeOut()
{
    QVector<int> out;
    for (int a = 255; a >= 0; a -= 5)
        out << a;
    out << 0;
    return out;
}

// A window layer that also reports each SetWindowPos before carrying it out.
class WatchingUser32 : public RecordingUser32 {
public:
    std::function<void(HWND)> onPos;
    std::int32_t SetWindowPos(HWND w, std::intptr_t after, int x, int y, int cx, int cy, std::uint32_t flags) override
    {
        if (onPos)
            onPos(w);
        return RecordingUser32::SetWindowPos(w, after, x, y, cx, cy, flags);
    }
};

struct User32Swap {
    User32Swap(User32 *in, User32 *back) : m_back(back) { setUser32(in); }
    ~User32Swap() { setUser32(m_back); }
    User32 *m_back;
};

}   // namespace

class TestConsole : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

    void bothConsoles()
    {
        QTest::addColumn<QString>("console");
        QTest::newRow("Debugger") << QStringLiteral("Debugger");
        QTest::newRow("Scanner") << QStringLiteral("Scanner");
    }

private slots:
    void init() { world = std::make_unique<TestWorld>(); }
    void cleanup() { world.reset(); }

    // ------------------------------------------------------------ load

    void loadWritesTheBannerAndTheTimerSelectsItsLastLine_data() { bothConsoles(); }
    void loadWritesTheBannerAndTheTimerSelectsItsLastLine()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        QCOMPARE(c.List1->lines(), bannerOf(console));
        QCOMPARE(c.Text1->Text(), QString());
        QCOMPARE(c.CommandeText, QString());
        QCOMPARE(c.Timer1->Interval(), 100);
        QVERIFY(c.Timer1->Enabled());
        c.Timer1_Timer();
        QCOMPARE(c.List1->ListIndex(), 2);
        QCOMPARE(variableOf(console), QStringLiteral("Open"));
        QVERIFY(shows(iconOf(console), litOf(console)));
        QVERIFY(isTopmost(c.hWnd()));
        QVERIFY(c.window()->isVisible());
        QCOMPARE(c.window()->windowOpacity(), 1.0);   // no fade in
        QVERIFY(world->user32.alphas(c.hWnd()).isEmpty());
    }

    void timerReplacesAnyOtherSelection()
    {
        ConsoleWindow &c = showConsole(QStringLiteral("Debugger"));
        c.List1->setListIndex(0);
        c.Timer1_Timer();
        QCOMPARE(c.List1->ListIndex(), 2);
        c.List1->AddItem(QStringLiteral("one more"));
        c.Timer1_Timer();
        QCOMPARE(c.List1->ListIndex(), 3);
        c.List1->Clear();
        c.Timer1_Timer();
        QCOMPARE(c.List1->ListIndex(), -1);
    }

    void debuggerLoadsVariableIconBannerThenTopmost()
    {
        Variables &v = Forms::get<Variables>();   // the dock is loaded by the icon step
        WatchingUser32 watch;
        User32Swap swap(&watch, &world->user32);
        QStringList seen;
        watch.onPos = [&](HWND w) {
            Debugger *d = Forms::find<Debugger>();
            Dock *dock = Forms::find<Dock>();
            const QString who = dock && w == dock->hWnd() ? QStringLiteral("dock")
                                : d && w == d->hWnd()     ? QStringLiteral("debugger")
                                                          : QStringLiteral("other");
            seen << QStringLiteral("%1: %2, %3 lines, icon %4")
                        .arg(who, v.FormDebugger)
                        .arg(d ? d->List1->ListCount() : -1)
                        .arg(dock && shows(dock->Image4, dock->Image4H) ? "lit" : "normal");
        };
        Forms::show<Debugger>();
        QCOMPARE(seen, (QStringList{"dock: Open, 0 lines, icon normal", "debugger: Open, 3 lines, icon lit"}));
    }

    void scannerLoadsFlagVariableIconTopmostThenBanner()
    {
        Variables &v = Forms::get<Variables>();
        WatchingUser32 watch;
        User32Swap swap(&watch, &world->user32);
        QStringList seen;
        watch.onPos = [&](HWND w) {
            Scanner *s = Forms::find<Scanner>();
            Dock *dock = Forms::find<Dock>();
            const QString who = dock && w == dock->hWnd() ? QStringLiteral("dock")
                                : s && w == s->hWnd()     ? QStringLiteral("scanner")
                                                          : QStringLiteral("other");
            seen << QStringLiteral("%1: started %2, %3, %4 lines, icon %5")
                        .arg(who, s ? s->Started : QStringLiteral("?"), v.Scanner)
                        .arg(s ? s->List1->ListCount() : -1)
                        .arg(dock && shows(dock->Image5, dock->Image5H) ? "lit" : "normal");
        };
        Forms::show<Scanner>();
        QCOMPARE(seen, (QStringList{"dock: started False, Open, 0 lines, icon normal",
                                    "scanner: started False, Open, 0 lines, icon lit"}));
        QCOMPARE(Forms::find<Scanner>()->List1->lines(), bannerOf(QStringLiteral("Scanner")));
    }

    // ---------------------------------------------------------- unload

    void debuggerUnlightsItsIconAfterTheFade()
    {
        Debugger &d = static_cast<Debugger &>(showConsole(QStringLiteral("Debugger")));
        Dock &dock = Forms::get<Dock>();
        QStringList during;
        world->onYield = [&] {
            if (during.isEmpty())
                during << QStringLiteral("%1, icon %2")
                              .arg(Forms::get<Variables>().FormDebugger,
                                   shows(dock.Image4, dock.Image4H) ? "lit" : "not lit");
        };
        Forms::unload<Debugger>();
        QCOMPARE(during, QStringList{"Close, icon lit"});
        QVERIFY(shows(dock.Image4, dock.Image44));
        QCOMPARE(world->user32.alphas(d.hWnd()), fadeOut());
        QVERIFY(!Forms::isLoaded<Debugger>());
    }

    void scannerUnlightsItsIconBeforeTheFade()
    {
        Scanner &s = static_cast<Scanner &>(showConsole(QStringLiteral("Scanner")));
        Dock &dock = Forms::get<Dock>();
        QStringList during;
        world->onYield = [&] {
            if (during.isEmpty())
                during << QStringLiteral("%1, icon %2")
                              .arg(Forms::get<Variables>().Scanner,
                                   shows(dock.Image5, dock.Image55) ? "normal" : "not normal");
        };
        Forms::unload<Scanner>();
        QCOMPARE(during, QStringList{"Close, icon normal"});
        QVERIFY(shows(dock.Image5, dock.Image55));
        QCOMPARE(world->user32.alphas(s.hWnd()), fadeOut());
        QVERIFY(!Forms::isLoaded<Scanner>());
    }

    void everyCloseLeavesTheVariableClosedAndTheIconNormal_data()
    {
        QTest::addColumn<QString>("console");
        QTest::addColumn<QString>("route");
        for (const char *c : {"Debugger", "Scanner"})
            for (const char *r : {"unload", "close box", "exit typed", "dock icon"})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(c, r)))
                    << QString::fromLatin1(c) << QString::fromLatin1(r);
    }
    void everyCloseLeavesTheVariableClosedAndTheIconNormal()
    {
        QFETCH(QString, console);
        QFETCH(QString, route);
        ConsoleWindow &c = showConsole(console);
        QString inputDuringFade = QStringLiteral("(no fade)");
        world->onYield = [&] {
            if (inputDuringFade == QLatin1String("(no fade)"))
                inputDuringFade = c.Text1->Text();
        };
        if (route == QLatin1String("unload")) {
            unloadConsole(console);
        } else if (route == QLatin1String("close box")) {
            c.window()->close();
            QCoreApplication::processEvents();
        } else if (route == QLatin1String("exit typed")) {
            type(c.Text1, QStringLiteral("exit"));
            QTest::keyPress(c.Text1, Qt::Key_Return);   // the window is gone before the key is released
            QCOMPARE(c.CommandeText, QStringLiteral("exit"));
        } else {
            Dock &dock = Forms::get<Dock>();
            if (console == QLatin1String("Debugger"))
                dock.Image4_Click();
            else
                dock.Image5_Click();
        }
        QVERIFY(!findConsole(console));
        QCOMPARE(variableOf(console), QStringLiteral("Close"));
        QVERIFY(shows(iconOf(console), normalOf(console)));
        QCOMPARE(world->user32.alphas(c.hWnd()), fadeOut());
        QCOMPARE(inputDuringFade, QString());   // the input line is empty while the window goes
    }

    // ---------------------------------------------------------- design

    void debuggerDesign()
    {
        ConsoleWindow &c = showConsole(QStringLiteral("Debugger"));
        QCOMPARE(c.Caption(), QStringLiteral("Debugger"));
        QCOMPARE(c.window()->size(), QSize(517, 454));
        QCOMPARE(c.List1->geometry(), QRect(0, 0, 517, 431));
        QCOMPARE(c.Text1->geometry(), QRect(0, 435, 517, 19));
        QCOMPARE(tabOrder(c.window(), {c.Text1, c.List1}), (QList<QWidget *>{c.Text1, c.List1}));
    }

    void debuggerOpensCentredOnTheScreen()
    {
        // The whole window, title bar and frame included, sits in the middle of the 1024 x 768 screen.
        ConsoleWindow &c = showConsole(QStringLiteral("Debugger"));
        const QString off = offCentre(c.window(), QSize(1024, 768));
        QVERIFY2(off.isEmpty(), qPrintable(off));
    }

    void scannerDesign()
    {
        ConsoleWindow &c = showConsole(QStringLiteral("Scanner"));
        QCOMPARE(c.Caption(), QStringLiteral(" "));
        QCOMPARE(c.window()->size(), QSize(475, 475));
        QCOMPARE(c.List1->geometry(), QRect(0, 0, 475, 453));
        QCOMPARE(c.Text1->geometry(), QRect(0, 456, 475, 19));
        QCOMPARE(tabOrder(c.window(), {c.Text1, c.List1}), (QList<QWidget *>{c.List1, c.Text1}));
    }

    void sharedDesign_data() { bothConsoles(); }
    void sharedDesign()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        QWidget *w = c.window();
        QVERIFY(w->windowFlags() & Qt::Tool);
        QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w->minimumSize(), w->maximumSize());   // not resizable
        QCOMPARE(w->palette().color(QPalette::Window), QColor(Qt::white));

        QCOMPARE(c.List1->palette().color(QPalette::Base), QColor(Qt::black));
        QCOMPARE(c.List1->palette().color(QPalette::Text), QColor(Qt::white));
        QCOMPARE(c.List1->font().family(), QStringLiteral("Lucida Console"));
        QCOMPARE(c.List1->font().pointSizeF(), 8.25);
        QVERIFY(!c.List1->font().bold());
        QVERIFY(!c.List1->isEnabled());
        QCOMPARE(c.List1->focusPolicy(), Qt::NoFocus);

        QCOMPARE(c.Text1->palette().color(QPalette::Base), QColor(Qt::black));
        QCOMPARE(c.Text1->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(c.Text1->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(c.Text1->font().pointSizeF(), 8.25);
        QVERIFY(!c.Text1->font().bold());
        QVERIFY(c.Text1->isEnabled());
        QCOMPARE(w->focusWidget(), c.Text1);
    }

    // A full list shows its scroll bar dark on the black console, disabled
    // like the list, never in the light system grey.
    void aFullListScrollsInTheConsolesColours_data() { bothConsoles(); }
    void aFullListScrollsInTheConsolesColours()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        for (int i = 0; i < 60; ++i)
            c.List1->AddItem(QStringLiteral("line %1").arg(i));
        QScrollBar *bar = c.List1->verticalScrollBar();
        QTRY_VERIFY(bar->isVisible());
        QVERIFY(!bar->isEnabled());
        const QImage shot = bar->grab().toImage();
        const QRect area = shot.rect();
        QList<int> greys;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                greys << qGray(shot.pixel(x, y));
        std::sort(greys.begin(), greys.end());
        const double mean = std::accumulate(greys.begin(), greys.end(), 0.0) / greys.size();
        const int lightest = greys.at(greys.size() * 95 / 100);   // arrow glyphs aside
        QVERIFY2(mean < 64, qPrintable(QStringLiteral("mean grey %1").arg(mean)));
        QVERIFY2(lightest < 96, qPrintable(QStringLiteral("95th percentile grey %1").arg(lightest)));
    }

    // ----------------------------------------------------------- input

    void enterEchoesTheLineAsTyped_data()
    {
        QTest::addColumn<QString>("console");
        QTest::addColumn<QString>("typed");
        for (const char *c : {"Debugger", "Scanner"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, capitals").arg(c))) << c << "HeLLo World";
            QTest::newRow(qPrintable(QStringLiteral("%1, blanks around").arg(c))) << c << "   spaced out   ";
            QTest::newRow(qPrintable(QStringLiteral("%1, Help").arg(c))) << c << "Help";
            QTest::newRow(qPrintable(QStringLiteral("%1, accents").arg(c))) << c << QStringLiteral("démarré à l'été");
        }
    }
    void enterEchoesTheLineAsTyped()
    {
        QFETCH(QString, console);
        QFETCH(QString, typed);
        ConsoleWindow &c = showConsole(console);
        type(c.Text1, typed);
        QCOMPARE(c.Text1->Text(), typed);
        QCOMPARE(c.List1->lines(), bannerOf(console));
        QTest::keyClick(c.Text1, Qt::Key_Return);
        const QStringList lines = c.List1->lines();
        QVERIFY(lines.size() >= 4);
        QCOMPARE(lines.mid(0, 3), bannerOf(console));
        QCOMPARE(lines.at(3), QStringLiteral("Commande > ") + typed);
        QCOMPARE(c.CommandeText, typed);
        QCOMPARE(c.Text1->Text(), QString());
    }

    void keypadEnterEchoesToo()
    {
        ConsoleWindow &c = showConsole(QStringLiteral("Debugger"));
        QTest::keyClicks(c.Text1, QStringLiteral("abc"));
        QTest::keyClick(c.Text1, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(c.List1->List(3), QStringLiteral("Commande > abc"));
        QCOMPARE(c.Text1->Text(), QString());
    }

    void emptyEnterEchoesThePromptAlone_data() { bothConsoles(); }
    void emptyEnterEchoesThePromptAlone()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        c.CommandeText = QStringLiteral("stale");
        QTest::keyClick(c.Text1, Qt::Key_Return);
        QCOMPARE(c.List1->List(3), QStringLiteral("Commande > "));
        QCOMPARE(c.CommandeText, QString());
        QCOMPARE(c.Text1->Text(), QString());
        if (console == QLatin1String("Debugger"))
            QCOMPARE(c.List1->lines(), (bannerOf(console) + QStringList{"Commande > ", ""}));
    }

    void otherKeysOnlyEditTheInputLine_data() { bothConsoles(); }
    void otherKeysOnlyEditTheInputLine()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        QTest::keyClicks(c.Text1, QStringLiteral("abcd"));
        QTest::keyClick(c.Text1, Qt::Key_Backspace);
        QTest::keyClick(c.Text1, Qt::Key_Home);
        QTest::keyClick(c.Text1, Qt::Key_Delete);
        QTest::keyClick(c.Text1, Qt::Key_End);
        QTest::keyClick(c.Text1, Qt::Key_Left);
        QTest::keyClicks(c.Text1, QStringLiteral("X"));
        QTest::keyClick(c.Text1, Qt::Key_Escape);
        QTest::keyClick(c.Text1, Qt::Key_Up);   // nothing entered yet: nothing to recall
        QTest::keyClick(c.Text1, Qt::Key_Down);
        QCOMPARE(c.Text1->Text(), QStringLiteral("bXc"));
        QCOMPARE(c.List1->lines(), bannerOf(console));
        QCOMPARE(c.CommandeText, QString());
    }

    void upAndDownRecallEarlierLines_data() { bothConsoles(); }
    void upAndDownRecallEarlierLines()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        enter(c, QStringLiteral("first line"));
        enter(c, QStringLiteral("Second"));
        QTest::keyClick(c.Text1, Qt::Key_Up);
        QCOMPARE(c.Text1->Text(), QStringLiteral("Second"));
        QTest::keyClick(c.Text1, Qt::Key_Up);
        QCOMPARE(c.Text1->Text(), QStringLiteral("first line"));
        QTest::keyClick(c.Text1, Qt::Key_Up);   // the oldest stays
        QCOMPARE(c.Text1->Text(), QStringLiteral("first line"));
        QTest::keyClick(c.Text1, Qt::Key_Down);
        QCOMPARE(c.Text1->Text(), QStringLiteral("Second"));
        QTest::keyClick(c.Text1, Qt::Key_Down);   // past the newest: an empty line
        QCOMPARE(c.Text1->Text(), QString());

        // A recalled line is entered like a typed one.
        QTest::keyClick(c.Text1, Qt::Key_Up);
        QTest::keyClick(c.Text1, Qt::Key_Up);
        const int before = c.List1->ListCount();
        QTest::keyClick(c.Text1, Qt::Key_Return);
        QCOMPARE(c.List1->List(before), QStringLiteral("Commande > first line"));
        QCOMPARE(c.CommandeText, QStringLiteral("first line"));
        QCOMPARE(c.history(), (QStringList{"first line", "Second", "first line"}));

        unloadConsole(console);
        ConsoleWindow &again = showConsole(console);
        QVERIFY(&again != &c);
        QVERIFY(again.history().isEmpty());
        QTest::keyClick(again.Text1, Qt::Key_Up);
        QCOMPARE(again.Text1->Text(), QString());
    }

    // ---------------------------------------------------- show, reopen

    void showingAnOpenConsoleAddsNothing_data() { bothConsoles(); }
    void showingAnOpenConsoleAddsNothing()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        enter(c, QStringLiteral("something"));
        const QStringList before = c.List1->lines();
        world->user32.clear();
        ConsoleWindow &same = showConsole(console);
        QCOMPARE(&same, &c);
        QCOMPARE(c.List1->lines(), before);
        QCOMPARE(c.CommandeText, QStringLiteral("something"));
        QVERIFY(!world->user32.calls.contains(QStringLiteral("pos -1 0x53")));   // no load step again
    }

    void aReopenedConsoleIsFresh_data() { bothConsoles(); }
    void aReopenedConsoleIsFresh()
    {
        QFETCH(QString, console);
        ConsoleWindow &c = showConsole(console);
        enter(c, QStringLiteral("something"));
        QTest::keyClicks(c.Text1, QStringLiteral("half typed"));
        if (auto *s = dynamic_cast<Scanner *>(&c))
            s->Started = QStringLiteral("True");
        unloadConsole(console);

        ConsoleWindow &again = showConsole(console);
        QVERIFY(&again != &c);
        QCOMPARE(again.List1->lines(), bannerOf(console));
        QCOMPARE(again.Text1->Text(), QString());
        QCOMPARE(again.CommandeText, QString());
        QCOMPARE(variableOf(console), QStringLiteral("Open"));
        QVERIFY(shows(iconOf(console), litOf(console)));
        if (console == QLatin1String("Scanner"))
            QCOMPARE(static_cast<Scanner &>(again).Started, QStringLiteral("False"));
    }

    // ------------------------------------------------------- bad input

    void oddLinesAreEchoedAsTyped_data()
    {
        QTest::addColumn<QString>("console");
        QTest::addColumn<QString>("typed");
        const QString huge(1 << 20, u'x');
        const QString control = QStringLiteral("a\tb") + QChar(1) + QChar(0x1b) + QChar(0x7f) + QChar(0x0c) + u'c';
        const QString astral = QStringLiteral("go ") + QString::fromUcs4(U"\U0001F680") + QStringLiteral(" now");
        const QString invalid = QString::fromUtf8("\xff\xfe load \xc3( viewer");
        for (const char *c : {"Debugger", "Scanner"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, one megabyte").arg(c))) << c << huge;
            QTest::newRow(qPrintable(QStringLiteral("%1, control characters").arg(c))) << c << control;
            QTest::newRow(qPrintable(QStringLiteral("%1, outside the BMP").arg(c))) << c << astral;
            QTest::newRow(qPrintable(QStringLiteral("%1, replacement characters").arg(c))) << c << invalid;
        }
    }
    void oddLinesAreEchoedAsTyped()
    {
        QFETCH(QString, console);
        QFETCH(QString, typed);
        if (typed.startsWith(QStringLiteral("go ")))
            QCOMPARE(typed.size(), 9);   // a surrogate pair
        if (typed.contains(QLatin1String("viewer")))
            QVERIFY(typed.contains(QChar(0xFFFD)));
        ConsoleWindow &c = showConsole(console);
        c.Text1->setText(typed);
        QTest::keyClick(c.Text1, Qt::Key_Return);
        QCOMPARE(c.List1->List(3).size(), typed.size() + 11);
        QVERIFY(c.List1->List(3) == QStringLiteral("Commande > ") + typed);
        QVERIFY(c.CommandeText == typed);
        QCOMPARE(c.Text1->Text(), QString());
        QVERIFY(findConsole(console) == &c);
        c.Timer1_Timer();
        QCOMPARE(c.List1->ListIndex(), c.List1->ListCount() - 1);
    }

    void aHundredThousandLinesStayQuickToFollow()
    {
        ConsoleWindow &c = showConsole(QStringLiteral("Debugger"));
        for (int i = 0; i < 100000; ++i)
            c.List1->AddItem(QStringLiteral("line %1").arg(i));
        QElapsedTimer clock;
        clock.start();
        c.Timer1_Timer();
        const qint64 ms = clock.elapsed();
        QVERIFY2(ms < 100, qPrintable(QStringLiteral("%1 ms").arg(ms)));
        QCOMPARE(c.List1->ListIndex(), 100002);
        QListWidgetItem *last = c.List1->item(100002);
        QCOMPARE(last->text(), QStringLiteral("line 99999"));
        QVERIFY(last->isSelected());
        const QRect where = c.List1->visualItemRect(last);
        QVERIFY(!where.isEmpty());
        QVERIFY(c.List1->viewport()->rect().contains(where));
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
