// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// A seeded storm of user actions: dock clicks, close boxes, viewer buttons,
// console lines and timer ticks, fired at the top level and also inside
// fades and pauses.  After each top-level action has settled, the window
// model and the dock must agree with each other.
//
// Replay a failing run with SYREL_STORM_SEED=<seed> (and, for a longer run,
// SYREL_STORM_ACTIONS=<actions per seed>).

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "platform/dispatch.h"
#include "platform/timer.h"
#include "shell/closing.h"
#include "shell/desktop.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "tooltable.h"
#include "viewer/video.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <deque>
#include <random>

using namespace platform;

namespace {

const Tool &ScannerTool = Tools[2];

QString describe(const QString &s)
{
    QString shown = s.size() > 40 ? s.left(40) + QStringLiteral("...(%1)").arg(s.size()) : s;
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

constexpr int DefaultActionsPerSeed = 500;
const unsigned DefaultSeeds[] = {1, 2, 3, 4, 5, 6};

// ------------------------------------------------------------------ storm

class Storm {
public:
    explicit Storm(unsigned seed) : m_rng(seed) {}
    ~Storm() { endWorld(); }

    std::unique_ptr<TestWorld> world;
    int runs = 0, exits = 0, nested = 0, total = 0, pauses = 0;

    void newWorld()
    {
        endWorld();
        world = std::make_unique<TestWorld>();
        // No real timer may fire on its own: every tick comes from the storm,
        // so a seed always replays the same run.
        Timer::setSpeedUp(1e-6);
        world->onYield = [this] { maybeNested(0.04, "fade"); };
        world->onSleep = [this](int ms) {
            ++pauses;
            maybeNested(0.5, QStringLiteral("pause %1").arg(ms));
        };
        ++runs;
    }

    void endWorld()
    {
        if (!world)
            return;
        world->onYield = nullptr;
        world->onSleep = nullptr;
        world.reset();
    }

    // The run as the start-up leaves it; the storm may already strike in the strip's fade.
    void startRun()
    {
        note(QStringLiteral("start run %1").arg(runs));
        Forms::show<Desktop>();
        for (int guard = 0; guard < 2000 && !Forms::find<Dock>(); ++guard) {
            Processing *p = Forms::find<Processing>();
            if (!p || !p->Timer1->Enabled())
                break;
            emit p->Timer1->tick();
        }
        settle();
    }

    // One top-level action.
    void act() { action(false); }

    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    QString logTail(int n = 40) const
    {
        QStringList out;
        const int from = std::max(0, int(m_log.size()) - n);
        for (int i = from; i < int(m_log.size()); ++i)
            out << m_log[size_t(i)];
        return out.join(QLatin1Char('\n'));
    }

    void note(const QString &what)
    {
        m_log.push_back(QString(m_depth * 2, u' ') + what);
        if (m_log.size() > 200)
            m_log.pop_front();
    }

private:
    std::mt19937 m_rng;
    int m_depth = 0;
    std::deque<QString> m_log;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }

    void maybeNested(double p, const QString &where)
    {
        if (m_depth >= 3 || !chance(p))
            return;
        ++nested;
        note(QStringLiteral("[in %1]").arg(where));
        action(true);
    }

    void action(bool inside)
    {
        ++m_depth;
        ++total;
        // Weights: viewer, debugger, scanner icons, exit, close box, viewer control,
        // console line, strip ticks, console tick, pending events.
        const int exitWeight = inside ? 1 : 2;
        const int weights[] = {20, 20, 20, exitWeight, 16, 16, 60, 30, 6, 8};
        int sum = 0;
        for (int w : weights)
            sum += w;
        int r = pick(sum);   // exits: about 1% at the top, 0.5% inside
        int kind = 0;
        while (r >= weights[kind])
            r -= weights[kind++];
        switch (kind) {
        case 0: clickIcon(&Dock::Image1, "Image1"); break;
        case 1: clickIcon(&Dock::Image4, "Image4"); break;
        case 2: clickIcon(&Dock::Image5, "Image5"); break;
        case 3: clickIcon(&Dock::Image9, "Image9 (exit)"); break;
        case 4: closeBox(); break;
        case 5: viewerControl(); break;
        case 6: consoleLine(); break;
        case 7: stripTicks(inside); break;
        case 8: consoleTick(); break;
        default:
            note(QStringLiteral("pending events"));
            settle();
            break;
        }
        --m_depth;
    }

    void clickIcon(Image *Dock::*icon, const char *name)
    {
        Dock *dock = Forms::find<Dock>();
        if (!dock || !dock->isLoaded()) {
            note(QStringLiteral("%1: no dock").arg(QLatin1String(name)));
            return;
        }
        note(QStringLiteral("click %1").arg(QLatin1String(name)));
        if (icon == &Dock::Image9)
            ++exits;
        click(dock->*icon);
    }

    // A tool window, open or fading out (a fading window still takes input).
    Form *someTool(bool consolesOnly)
    {
        std::vector<Form *> candidates;
        for (const Tool &t : Tools) {
            if (consolesOnly && &t == &Tools[0])
                continue;
            if (Form *f = t.find(); f && f->isLoaded())
                candidates.push_back(f);
        }
        if (candidates.empty())
            return nullptr;
        return candidates[size_t(pick(int(candidates.size())))];
    }

    static QString stateName(const Form *f) { return f->isUnloading() ? QStringLiteral(" (fading)") : QString(); }

    void closeBox()
    {
        Form *f = someTool(false);
        if (!f) {
            note(QStringLiteral("close box: no tool"));
            return;
        }
        note(QStringLiteral("close box of %1%2").arg(f->name(), stateName(f)));
        f->window()->close();
        settle();
    }

    void viewerControl()
    {
        Video *v = Forms::find<Video>();
        if (!v || !v->isLoaded()) {
            note(QStringLiteral("viewer control: no viewer"));
            return;
        }
        const int which = pick(7);
        note(QStringLiteral("viewer %1%2")
                 .arg(which < 5 ? QStringLiteral("Command%1").arg(which + 3) : QStringLiteral("Label%1").arg(which + 2),
                      stateName(v)));
        switch (which) {
        case 0: v->Command3->click(); break;
        case 1: v->Command4->click(); break;
        case 2: v->Command5->click(); break;
        case 3: v->Command6->click(); break;
        case 4: v->Command7->click(); break;
        case 5: click(v->Label7); break;
        default: click(v->Label8); break;
        }
    }

    QString randomText()
    {
        static const QString alphabet =
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.,;:!?<>'\"éèàçÉ\t");
        const int len = chance(0.1) ? 200 + pick(2000) : pick(24);
        QString s;
        for (int i = 0; i < len; ++i)
            s += alphabet.at(pick(int(alphabet.size())));
        return s;
    }

    QString commandLine(bool scanner)
    {
        static const QStringList commands = {
            "help",          "exit",         "analyse",        "scintillarium",  "close viewer",
            "close scanner", "load viewer",  "load scanner",   "close help",     "load help",
            "start",         "virtual oriv", "virtual bramen", "virtual talvia", "virtual Oriv",
        };
        static const QStringList nearMisses = {
            "Help",
            "HELP",
            " help",
            "help ",
            "exi",
            "exit ",
            "Exit",
            "close",
            "close ",
            "close  viewer",
            "close Viewer",
            "close viewer ",
            "load",
            "load ",
            "load viewer ",
            "load Scanner",
            "close debugger",
            "load debugger",
            "close dock",
            "load dock",
            "start ",
            "Start",
            "START",
            "virtual",
            "virtual ",
            "virtual oriv ",
            "virtual ORIV",
            "virtual vorn",
            "virtual  oriv",
            "virtualoriv",
            "analyse ",
            "Scintillarium",
            "",
            " ",
            "   ",
            "\t",
        };
        const int r = pick(100);
        if (scanner && r < 15)
            return QStringLiteral("start");
        if (scanner && r < 30)
            return QStringList{"virtual oriv", "virtual bramen", "virtual talvia"}.at(pick(3));
        if (r < 65)
            return commands.at(pick(int(commands.size())));
        if (r < 85)
            return nearMisses.at(pick(int(nearMisses.size())));
        return randomText();
    }

    void consoleLine()
    {
        auto *c = static_cast<ConsoleWindow *>(someTool(true));
        if (!c) {
            note(QStringLiteral("console line: no console"));
            return;
        }
        auto *scanner = c->name() == QStringLiteral("Scanner") ? static_cast<Scanner *>(c) : nullptr;
        // A ready Scanner is mostly asked to virtualise: its pauses are where the storm strikes hardest.
        const QString line = scanner && scanner->Started == QStringLiteral("True") && chance(0.4)
                                 ? QStringList{"virtual oriv", "virtual bramen", "virtual talvia"}.at(pick(3))
                                 : commandLine(scanner != nullptr);
        note(QStringLiteral("type into %1%2: %3").arg(c->name(), stateName(c), describe(line)));
        c->Text1->setText(line);
        emit c->Text1->KeyPress(13);
    }

    void stripTicks(bool inside)
    {
        Processing *p = Forms::find<Processing>();
        if (!p || !p->isLoaded() || !p->Timer1->Enabled()) {
            note(QStringLiteral("strip ticks: no running strip"));
            return;
        }
        const int r = pick(10);
        const int ticks = r < 4 ? 1 + pick(10) : r < 7 ? 1 + pick(200) : 250;
        note(QStringLiteral("strip ticks x%1 at %2%3").arg(ticks).arg(p->ProgressBar1->Value()).arg(stateName(p)));
        Q_UNUSED(inside);
        for (int i = 0; i < ticks; ++i) {
            p = Forms::find<Processing>();
            if (!p || !p->isLoaded() || !p->Timer1->Enabled())
                break;
            emit p->Timer1->tick();
        }
    }

    void consoleTick()
    {
        auto *c = static_cast<ConsoleWindow *>(someTool(true));
        if (!c || !c->Timer1->Enabled()) {
            note(QStringLiteral("console tick: no console"));
            return;
        }
        note(QStringLiteral("tick %1").arg(c->name()));
        emit c->Timer1->tick();
    }
};

// ------------------------------------------------------------- invariants

template <class T> void checkSingle(QStringList &faults, const char *name)
{
    T *f = Forms::find<T>();
    int count = 0;
    Form *registered = nullptr;
    for (Form *g : Forms::loaded())
        if (g->name() == QLatin1String(name)) {
            ++count;
            registered = g;
        }
    if (count > 1)
        faults << QStringLiteral("%1 loaded %2 times").arg(QLatin1String(name)).arg(count);
    if (f != registered)
        faults << QStringLiteral("%1: the registered instance is not the loaded one").arg(QLatin1String(name));
}

// Empty while the run is consistent.
QString faultsDuringTheRun(const TestWorld &world)
{
    QStringList faults;
    const std::vector<Form *> loaded = Forms::loaded();
    for (Form *f : loaded)
        if (f->state() != Form::State::Loaded)
            faults << QStringLiteral("%1 still unloading after everything settled").arg(f->name());
    checkSingle<Desktop>(faults, "Desktop");
    checkSingle<Variables>(faults, "Variables");
    checkSingle<Processing>(faults, "Processing");
    checkSingle<Dock>(faults, "Dock");
    checkSingle<Debugger>(faults, "Debugger");
    checkSingle<Scanner>(faults, "Scanner");
    checkSingle<Video>(faults, "Video");
    checkSingle<Closing>(faults, "Closing");

    if (world.allUnloaded != 0)
        faults << QStringLiteral("the run ended %1 time(s) without an exit").arg(world.allUnloaded);
    for (const char *needed : {"Desktop", "Variables", "Dock"}) {
        bool found = false;
        for (Form *f : loaded)
            found = found || f->name() == QLatin1String(needed);
        if (!found)
            faults << QStringLiteral("%1 gone without an exit").arg(QLatin1String(needed));
    }
    if (Forms::isLoaded<Closing>())
        faults << QStringLiteral("shutdown notice up without an exit");

    Dock *dock = Forms::find<Dock>();
    Variables *v = Forms::find<Variables>();
    if (dock && v) {
        for (const Tool &t : Tools) {
            const bool open = isOpen(t.find());
            const QString value = v->*t.variable;
            if (value != QLatin1String(open ? "Open" : "Close"))
                faults << QStringLiteral("%1 %2 but its variable reads \"%3\"")
                              .arg(t.name, open ? "open" : "closed", value);
            const bool lit = shows(dock->*t.icon, dock->*t.lit);
            if (!lit && !shows(dock->*t.icon, dock->*t.normal))
                faults << QStringLiteral("%1 icon shows neither of its pictures").arg(t.name);
            // While a strip is on its way to the Scanner, its icon may already be lit.
            const bool eitherWay = !open && &t == &ScannerTool && stripLeadsToTheScanner();
            if (lit != open && !eitherWay)
                faults << QStringLiteral("%1 %2 but its icon is %3")
                              .arg(t.name, open ? "open" : "closed", lit ? "lit" : "unlit");
        }
    }

    // A strip left behind would never end.
    if (Processing *p = Forms::find<Processing>()) {
        if (!p->Timer1->Enabled())
            faults << QStringLiteral("a strip is loaded with its timer stopped (at %1)").arg(p->ProgressBar1->Value());
        else if (p->ProgressBar1->Value() >= 100.0f)
            faults << QStringLiteral("a strip is loaded with a full bar");
    }

    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        auto *fw = qobject_cast<FormWindow *>(w);
        if (!fw) {
            faults << QStringLiteral("a visible %1 that is no window of the program")
                          .arg(QLatin1String(w->metaObject()->className()));
            continue;
        }
        Form *f = fw->form();
        if (std::find(loaded.begin(), loaded.end(), f) == loaded.end())
            faults << QStringLiteral("%1 visible but not loaded").arg(fw->objectName());
    }
    return faults.join(QStringLiteral("; "));
}

QString faultsAfterTheExit(const TestWorld &world)
{
    QStringList faults;
    if (Forms::loadedCount() != 0) {
        QStringList names;
        for (Form *f : Forms::loaded())
            names << f->name();
        faults << QStringLiteral("left loaded after the exit: %1").arg(names.join(QLatin1Char(' ')));
    }
    if (world.allUnloaded != 1)
        faults << QStringLiteral("the run ended %1 time(s), expected once").arg(world.allUnloaded);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            faults << QStringLiteral("%1 still visible after the exit").arg(w->objectName());
    return faults.join(QStringLiteral("; "));
}

}   // namespace

class TestStorm : public QObject {
    Q_OBJECT

private slots:
    // The checks themselves: a quiet run passes, each kind of drift is seen.
    void checksSeeDrift()
    {
        Storm storm(0);
        storm.newWorld();
        storm.world->onYield = nullptr;   // a quiet start-up: nothing strikes in its fade
        storm.world->onSleep = nullptr;
        storm.startRun();
        QCOMPARE(faultsDuringTheRun(*storm.world), QString());

        Dock &dock = *Forms::find<Dock>();
        Dock::light(dock.Image1, dock.Image1H);   // lit without its viewer
        QVERIFY(faultsDuringTheRun(*storm.world).contains(QStringLiteral("Video closed but its icon is lit")));
        Dock::light(dock.Image1, dock.Image11);

        Forms::find<Variables>()->FormDebugger = QStringLiteral("Open");   // no Debugger behind it
        QVERIFY2(faultsDuringTheRun(*storm.world).contains(QStringLiteral("Debugger closed but its variable")),
                 qPrintable(faultsDuringTheRun(*storm.world)));
        Forms::find<Variables>()->FormDebugger = QStringLiteral("Close");

        Forms::show<Video>();
        Form *viewer = Forms::find<Video>();
        QCOMPARE(faultsDuringTheRun(*storm.world), QString());
        viewer->window()->hide();
        Forms::slot<Video>().current = nullptr;   // the model forgot a window that is still up
        QVERIFY(!faultsDuringTheRun(*storm.world).isEmpty());
        Forms::slot<Video>().current = viewer;
        Forms::unload<Video>();
        QCOMPARE(faultsDuringTheRun(*storm.world), QString());

        click(dock.Image9);
        Storm::settle();
        QCOMPARE(faultsAfterTheExit(*storm.world), QString());
    }

    void randomActions_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("actions");
        const int actions = envInt("SYREL_STORM_ACTIONS", DefaultActionsPerSeed);
        if (qEnvironmentVariableIsSet("SYREL_STORM_SEED")) {
            const unsigned seed = unsigned(qEnvironmentVariable("SYREL_STORM_SEED").toULong());
            QTest::addRow("seed %u", seed) << seed << actions;
            return;
        }
        for (unsigned seed : DefaultSeeds)
            QTest::addRow("seed %u", seed) << seed << actions;
    }

    void randomActions()
    {
        QFETCH(unsigned, seed);
        QFETCH(int, actions);
        QElapsedTimer clock;
        clock.start();

        Storm storm(seed);
        storm.newWorld();
        storm.startRun();
        auto fail = [&](int index, const QString &faults) {
            const QString message = QStringLiteral("seed %1, action %2 of %3: %4\nreplay with SYREL_STORM_SEED=%1 "
                                                   "SYREL_STORM_ACTIONS=%3\nlast actions:\n%5")
                                        .arg(seed)
                                        .arg(index)
                                        .arg(actions)
                                        .arg(faults, storm.logTail());
            return message;
        };
        {
            const QString out =
                Forms::shuttingDown() ? faultsAfterTheExit(*storm.world) : faultsDuringTheRun(*storm.world);
            if (!out.isEmpty())
                QFAIL(qPrintable(fail(0, out)));
        }

        for (int i = 1; i <= actions; ++i) {
            if (Forms::shuttingDown()) {
                storm.newWorld();
                storm.startRun();
            } else {
                storm.act();
                Storm::settle();
            }
            const QString out =
                Forms::shuttingDown() ? faultsAfterTheExit(*storm.world) : faultsDuringTheRun(*storm.world);
            if (!out.isEmpty())
                QFAIL(qPrintable(fail(i, out)));
        }
        qInfo("seed %u: %d actions (%d in all, %d inside fades or pauses), %d pauses, %d run(s), %d exit click(s), "
              "%lld ms",
              seed, actions, storm.total, storm.nested, storm.pauses, storm.runs, storm.exits, qint64(clock.elapsed()));
    }
};

QTEST_MAIN(TestStorm)
#include "tst_storm.moc"
