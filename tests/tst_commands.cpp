// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The two command interpreters: the Debugger's pages and window commands,
// the Scanner's readiness, virtualisation and exit, and what happens when
// other events come in while a virtualisation is running.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "shell/desktop.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "support.h"
#include "viewer/video.h"
#include "platform/twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace platform;

namespace {

const QString Prompt = QStringLiteral("Commande > ");

// Enters a line as the user would and gives every line appended from the
// echo on (the echo included).
QStringList enter(ConsoleWindow &c, const QString &line)
{
    const int before = c.List1->ListCount();
    c.Text1->setText(line);
    c.Text1_KeyPress(13);
    return c.List1->lines().mid(before);
}

QStringList echoed(const QString &line, const QStringList &out) { return QStringList{Prompt + line} + out; }

QString setting(const QString &arg) { return QStringLiteral("Loading Process Command Setting : ") + arg; }

// Expected pages, written out here on their own.
QStringList helpPage()
{
    const QString rule(60, u'-');
    return {rule,
            QStringLiteral("CLOSE <Fen> ...... Ferme 'Fen', close help pour plus d'infos"),
            QStringLiteral("HELP .................................... Affiche ce message"),
            QStringLiteral("SCINTILLARIUM.......................... View Developper Info"),
            QStringLiteral("EXIT .................................... Quitte le debugger"),
            rule,
            QString()};
}

QStringList systemCheck()
{
    return {QString(),         QStringLiteral("Starting System Check ..."),
            QString(25, u'='), QString(),
            QString(),         QStringLiteral("End."),
            QString()};
}

QStringList closeSyntax()
{
    const QString rule(39, u'-');
    return {rule,
            QStringLiteral("Syntaxe : close <fenetre>"),
            QString(),
            QStringLiteral("<fenetre> peut être :"),
            QStringLiteral("- viewer (Fermer le Syrel World Viewer)"),
            QStringLiteral("- scanner (Ferme le scanner)"),
            QStringLiteral("- help (Affiche cette aide)"),
            QString(),
            QStringLiteral("Minuscules obligatoire !"),
            rule};
}

QStringList loadSyntax()
{
    const QString rule(39, u'-');
    return {rule,
            QStringLiteral("Syntaxe : load <fenetre>"),
            QString(),
            QStringLiteral("<fenetre> peut être :"),
            QStringLiteral("- viewer (Lance le Syrel World Viewer)"),
            QStringLiteral("- scanner (Lance le scanner)"),
            QStringLiteral("- help (Affiche cette aide)"),
            QString(),
            QStringLiteral("Minuscules obligatoire !"),
            rule};
}

QStringList scannerHelp()
{
    const QString rule(59, u'-');
    return {rule,
            QStringLiteral("START ....... Démarre le processus et initialise le systeme"),
            QStringLiteral("VIRTUAL <Perso> ..... Scan, Transfert et virtualise <Perso>"),
            QStringLiteral("HELP ................................... Affiche ce message"),
            QStringLiteral("EXIT ....................... Quitte le programme de Scanner"),
            rule};
}

const QString NotReady = QStringLiteral("ERREUR : Processus de Virtualisation non pret ! => start");
QString refused(const QString &persona)
{
    return QStringLiteral("ERREUR (") + persona + QStringLiteral(") : Perso accepté : oriv - bramen - talvia");
}

QStringList sequence(const QString &persona)
{
    return {QString(), QStringLiteral("Transfert ") + persona, QStringLiteral("Scanner ") + persona,
            QStringLiteral("Virtualisation ... "), QString()};
}

bool samePicture(const Image *a, const Image *b) { return a->Picture().toImage() == b->Picture().toImage(); }

FakeEngine *engineOf(Video &v) { return qobject_cast<FakeEngine *>(v.WindowsMediaPlayer1(1)->engine()); }

// Calls fn with each top-level window as it is shown.
struct ShowSpy : QObject {
    std::function<void(QWidget *)> fn;
    ShowSpy() { qApp->installEventFilter(this); }
    ~ShowSpy() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show && o->isWidgetType() && static_cast<QWidget *>(o)->isWindow() && fn)
            fn(static_cast<QWidget *>(o));
        return false;
    }
};

// Queues the keys of a line and Enter, as if typed while the thread is blocked.
void queueTyping(QWidget *target, const QString &line)
{
    for (QChar ch : line) {
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch)));
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch)));
    }
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
}

}   // namespace

class TestCommands : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

    Debugger &openDebugger()
    {
        Forms::get<Variables>();
        Forms::show<Debugger>();
        return *Forms::find<Debugger>();
    }

    Scanner &openScanner()
    {
        Forms::get<Variables>();
        Forms::show<Scanner>();
        return *Forms::find<Scanner>();
    }

    Scanner &readyScanner()
    {
        Scanner &s = openScanner();
        enter(s, QStringLiteral("start"));
        return s;
    }

private slots:
    void init() { world = std::make_unique<TestWorld>(); }
    void cleanup() { world.reset(); }

    // ------------------------------------------------------------ Debugger

    void debuggerPagesHaveTheirWidths()
    {
        const QStringList help = helpPage();
        for (int i = 0; i < 6; ++i)
            QCOMPARE(help.at(i).size(), 60);
        for (const QStringList &page : {closeSyntax(), loadSyntax()}) {
            QCOMPARE(page.size(), 10);
            QCOMPARE(page.first(), QString(39, u'-'));
            QCOMPARE(page.last(), QString(39, u'-'));
        }
        Debugger &d = openDebugger();
        const QStringList out = enter(d, QStringLiteral("help")).mid(1);
        QCOMPARE(out.size(), 7);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(out.at(i).size(), 60);
        QCOMPARE(out.at(0), QString(60, u'-'));
        QCOMPARE(out.at(5), QString(60, u'-'));
    }

    void debuggerAnswersEachLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("out");
        const QString e;
        QTest::newRow("help") << "help" << helpPage();
        QTest::newRow("analyse") << "analyse" << systemCheck() + QStringList{e};
        QTest::newRow("close help") << "close help" << QStringList{setting("help"), e} + closeSyntax() + QStringList{e};
        QTest::newRow("load help") << "load help" << QStringList{e, setting("help"), e} + loadSyntax() + QStringList{e};
        QTest::newRow("close other") << "close dock" << QStringList{setting("dock"), e, e};
        QTest::newRow("load other") << "load dock" << QStringList{e, setting("dock"), e, e};
        QTest::newRow("close, empty argument") << "close " << QStringList{setting(""), e, e};
        QTest::newRow("load, empty argument") << "load " << QStringList{e, setting(""), e, e};
        QTest::newRow("close, doubled space") << "close  viewer" << QStringList{setting(" viewer"), e, e};
        QTest::newRow("load, doubled space") << "load  viewer" << QStringList{e, setting(" viewer"), e, e};
        QTest::newRow("close Viewer") << "close Viewer" << QStringList{setting("Viewer"), e, e};
        QTest::newRow("close help, trailing space") << "close help " << QStringList{setting("help "), e, e};
        QTest::newRow("load scanner, trailing space") << "load scanner " << QStringList{e, setting("scanner "), e, e};
        QTest::newRow("load viewer, capital") << "load Viewer" << QStringList{e, setting("Viewer"), e, e};
        for (const char *line : {"HELP",
                                 "Help",
                                 " help",
                                 "help ",
                                 "close",
                                 "load",
                                 "",
                                 "EXIT",
                                 "Exit",
                                 " exit",
                                 "exit ",
                                 "Analyse",
                                 "analyse ",
                                 " analyse",
                                 "SCINTILLARIUM",
                                 "Scintillarium",
                                 "scintillarium ",
                                 "CLOSE viewer",
                                 "Close viewer",
                                 " close viewer",
                                 "LOAD viewer",
                                 "Load viewer",
                                 " load viewer",
                                 "closeviewer",
                                 "loadviewer",
                                 "start",
                                 "virtual oriv"})
            QTest::newRow(*line ? line : "(empty)") << QString::fromUtf8(line) << QStringList{e};
    }
    void debuggerAnswersEachLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, out);
        Debugger &d = openDebugger();
        QCOMPARE(enter(d, line), echoed(line, out));
        QCOMPARE(d.Text1->Text(), QString());
        QCOMPARE(d.CommandeText, line);
        // None of these opens or closes anything.
        QVERIFY(Forms::isLoaded<Debugger>());
        QVERIFY(!Forms::isLoaded<Video>());
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(!Forms::isLoaded<Processing>());
        QCOMPARE(Forms::get<Variables>().FormDebugger, QStringLiteral("Open"));
    }

    void debuggerShowsTheDevelopers()
    {
        Debugger &d = openDebugger();
        const QStringList all = enter(d, QStringLiteral("scintillarium"));
        QCOMPARE(all.first(), Prompt + QStringLiteral("scintillarium"));
        QCOMPARE(all.size(), 1 + 23 + 1);
        QCOMPARE(all.last(), QString());
        const QStringList b = all.mid(1, 23);
        auto line = [&b](int n) { return b.at(n - 1); };
        for (int n : {1, 2, 5, 9, 11, 12, 19})
            QCOMPARE(line(n), QString());
        QCOMPARE(line(3), QStringLiteral("Informations Créateurs / Développeurs"));
        QCOMPARE(line(4), QString(37, u'='));

        QVERIFY(line(6).startsWith(QStringLiteral("Conception, Codage : ")));
        QVERIFY(line(6).endsWith(QStringLiteral(" (Scintillarium)")));
        QVERIFY(line(6).size() > int(strlen("Conception, Codage :  (Scintillarium)")));
        QVERIFY(line(7).startsWith(QStringLiteral("Graphisme : ")));
        QCOMPARE(line(7).mid(12).split(QStringLiteral(", ")).size(), 2);
        QVERIFY(line(8).startsWith(QStringLiteral("Testeurs : ")) && line(8).size() > 11);
        QVERIFY(line(10).startsWith(QStringLiteral("Emulation de l'interface du SuperCalculateur de ")));
        QCOMPARE(line(13), QStringLiteral("Remerciement :"));
        for (int n : {14, 15}) {
            QVERIFY2(line(n).startsWith(QStringLiteral("- ")) && line(n).endsWith(u')') &&
                         line(n).contains(QStringLiteral(" (")),
                     qPrintable(line(n)));
        }
        QVERIFY(line(16).startsWith(QStringLiteral("- ")) && line(16).size() > 2);
        QVERIFY(line(17).startsWith(QStringLiteral("- Le Forum ")));
        QVERIFY(line(17).endsWith(QStringLiteral(" et ses membres")));
        QCOMPARE(line(18), QStringLiteral("- Toutes les personnes que j'ai oublié, mais que je remercie également !"));
        QVERIFY(line(20).contains(QStringLiteral("2005")) && line(20).contains(QStringLiteral("2007")));
        QVERIFY(line(20).contains(QStringLiteral("freeware"), Qt::CaseInsensitive));
        QVERIFY(line(20).contains(QStringLiteral("open source"), Qt::CaseInsensitive));
        QVERIFY(line(21).startsWith(QStringLiteral("Toutes les vidéos ont été faite par ")));
        QVERIFY(line(21).endsWith(u'.') && line(21).size() > int(strlen("Toutes les vidéos ont été faite par .")));
        QVERIFY(line(22).startsWith(QStringLiteral("Une partie du boot est repris de ")));
        QVERIFY(line(22).endsWith(u'.'));
        QVERIFY(line(23).startsWith(QStringLiteral("Courriel : ")));
        const QString address = line(23).mid(11);
        QVERIFY2(address.contains(u'@') && address.endsWith(QStringLiteral(".example.org")), qPrintable(address));
    }

    void debuggerKeepsNoStateBetweenLines()
    {
        Debugger &d = openDebugger();
        QCOMPARE(enter(d, QStringLiteral("analyse")), echoed("analyse", systemCheck() + QStringList{QString()}));
        QCOMPARE(enter(d, QStringLiteral("analyse")), echoed("analyse", systemCheck() + QStringList{QString()}));
        QCOMPARE(enter(d, QStringLiteral("help")), echoed("help", helpPage()));
        QCOMPARE(d.List1->ListCount(), 3 + 2 * 9 + 8);
    }

    void debuggerClosesTheViewerAfterSayingSo()
    {
        Debugger &d = openDebugger();
        Forms::show<Video>();
        QVERIFY(Forms::isLoaded<Video>());
        QStringList lastLines;
        world->onYield = [&] {
            Video *v = Forms::find<Video>();
            if (v && v->isUnloading() && (lastLines.isEmpty() || lastLines.last() != d.List1->lines().last()))
                lastLines << d.List1->lines().last();
        };
        const QStringList out = enter(d, QStringLiteral("close viewer"));
        QCOMPARE(out, echoed("close viewer", {setting("viewer"), QString(),
                                              QStringLiteral("Tentative de fermeture de Syrel Viewer"), QString()}));
        // During the fade the attempt line is the newest, the closing "" not yet there.
        QCOMPARE(lastLines, QStringList{QStringLiteral("Tentative de fermeture de Syrel Viewer")});
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Close"));
        QVERIFY(Forms::isLoaded<Debugger>());
    }

    void debuggerTriesToCloseAClosedViewer()
    {
        Debugger &d = openDebugger();
        QCOMPARE(enter(d, QStringLiteral("close viewer")),
                 echoed("close viewer", {setting("viewer"), QString(),
                                         QStringLiteral("Tentative de fermeture de Syrel Viewer"), QString()}));
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(world->yields, 0);
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Close"));
    }

    void debuggerDoubledSpaceClosesNothing()
    {
        Debugger &d = openDebugger();
        Forms::show<Video>();
        Video *v = Forms::find<Video>();
        QCOMPARE(enter(d, QStringLiteral("close  viewer")),
                 echoed("close  viewer",
                        {QStringLiteral("Loading Process Command Setting :  viewer"), QString(), QString()}));
        QCOMPARE(Forms::find<Video>(), v);
        QVERIFY(!v->isUnloading());
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Open"));
    }

    void debuggerOpensTheViewerAfterSayingSo()
    {
        Debugger &d = openDebugger();
        QStringList seen;
        ShowSpy spy;
        spy.fn = [&](QWidget *w) {
            if (w->objectName() == QLatin1String("Video"))
                seen << d.List1->lines().last();
        };
        QCOMPARE(enter(d, QStringLiteral("load viewer")),
                 echoed("load viewer", {QString(), setting("viewer"), QString(),
                                        QStringLiteral("Ouverture du Syrel World Viewer ..."), QString()}));
        QCOMPARE(seen, QStringList{QStringLiteral("Ouverture du Syrel World Viewer ...")});
        Video *v = Forms::find<Video>();
        QVERIFY(v);
        QVERIFY(v->window()->isVisible());
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Open"));
        QCOMPARE(engineOf(*v)->plays, 1);
    }

    void debuggerBringsAnOpenViewerForward()
    {
        Debugger &d = openDebugger();
        Forms::show<Video>();
        Video *v = Forms::find<Video>();
        FakeEngine *engine = engineOf(*v);
        const int plays = engine->plays;
        const int sources = int(engine->sources.size());
        const int engines = int(FakeEngine::live().size());
        const int loaded = Forms::loadedCount();
        QCOMPARE(enter(d, QStringLiteral("load viewer")),
                 echoed("load viewer", {QString(), setting("viewer"), QString(),
                                        QStringLiteral("Ouverture du Syrel World Viewer ..."), QString()}));
        QCOMPARE(Forms::find<Video>(), v);
        QVERIFY(!v->isUnloading());
        QCOMPARE(engineOf(*v), engine);
        QCOMPARE(engine->plays, plays);
        QCOMPARE(int(engine->sources.size()), sources);
        QCOMPARE(int(FakeEngine::live().size()), engines);
        QCOMPARE(Forms::loadedCount(), loaded);
        QVERIFY(v->window()->isVisible());
    }

    void debuggerOpensTheScannerDirectly()
    {
        Debugger &d = openDebugger();
        Variables &vars = Forms::get<Variables>();
        QCOMPARE(vars.Processing, QStringLiteral("Loading"));
        QStringList seen;
        ShowSpy spy;
        spy.fn = [&](QWidget *w) {
            if (w->objectName() == QLatin1String("Scanner"))
                seen << d.List1->lines().last();
            if (w->objectName() == QLatin1String("Processing"))
                seen << QStringLiteral("progress window shown");
        };
        QCOMPARE(enter(d, QStringLiteral("load scanner")),
                 echoed("load scanner", {QString(), setting("scanner"), QString(),
                                         QStringLiteral("Ouverture du Scanner ..."), QString()}));
        QCOMPARE(seen, QStringList{QStringLiteral("Ouverture du Scanner ...")});
        QVERIFY(!Forms::isLoaded<Processing>());
        QCOMPARE(vars.Processing, QStringLiteral("Loading"));
        QCOMPARE(vars.Scanner, QStringLiteral("Open"));
        Scanner *s = Forms::find<Scanner>();
        QVERIFY(s);
        QVERIFY(s->window()->isVisible());
        QCOMPARE(linesOf(*s),
                 (QStringList{QStringLiteral("Syrel Software Emulation. Version 1.0"),
                              QStringLiteral("Scanner System Interface. Type 'help' for help page ..."), QString()}));
        QCOMPARE(s->Started, QStringLiteral("False"));
        Dock &dock = Forms::get<Dock>();
        QVERIFY(!samePicture(dock.Image5H, dock.Image55));
        QVERIFY(samePicture(dock.Image5, dock.Image5H));
    }

    void debuggerClosesTheScanner()
    {
        Debugger &d = openDebugger();
        Forms::show<Scanner>();
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Open"));
        QStringList lastLines;
        world->onYield = [&] {
            Scanner *s = Forms::find<Scanner>();
            if (s && s->isUnloading() && (lastLines.isEmpty() || lastLines.last() != d.List1->lines().last()))
                lastLines << d.List1->lines().last();
        };
        QCOMPARE(enter(d, QStringLiteral("close scanner")),
                 echoed("close scanner", {setting("scanner"), QString(),
                                          QStringLiteral("Tentative de fermeture du Scanner"), QString()}));
        QCOMPARE(lastLines, QStringList{QStringLiteral("Tentative de fermeture du Scanner")});
        QVERIFY(!Forms::isLoaded<Scanner>());
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Close"));
        Dock &dock = Forms::get<Dock>();
        QVERIFY(samePicture(dock.Image5, dock.Image55));
        // A closed Scanner is left closed.
        QCOMPARE(enter(d, QStringLiteral("close scanner")),
                 echoed("close scanner", {setting("scanner"), QString(),
                                          QStringLiteral("Tentative de fermeture du Scanner"), QString()}));
        QVERIFY(!Forms::isLoaded<Scanner>());
    }

    void debuggerExitLeavesOneLineWhileFading()
    {
        Debugger &d = openDebugger();
        enter(d, QStringLiteral("help"));
        QStringList during;
        world->onYield = [&] {
            Debugger *now = Forms::find<Debugger>();
            if (now && now->isUnloading()) {
                const QString seen = linesOf(*now).join(u'|');
                if (during.isEmpty() || during.last() != seen)
                    during << seen;
            }
        };
        QPointer<ListBox> list = d.List1;
        d.Text1->setText(QStringLiteral("exit"));
        d.Text1_KeyPress(13);
        QVERIFY(world->yields > 0);
        QCOMPARE(during, QStringList{QStringLiteral("Unloading Process ...")});
        QVERIFY(!Forms::isLoaded<Debugger>());
        QCOMPARE(Forms::get<Variables>().FormDebugger, QStringLiteral("Close"));
        QVERIFY(list);
        QCOMPARE(list->lines(), QStringList{QStringLiteral("Unloading Process ...")});
        Dock &dock = Forms::get<Dock>();
        QVERIFY(samePicture(dock.Image4, dock.Image44));
    }

    // ------------------------------------------------------------- Scanner

    void scannerHelp()
    {
        Scanner &s = openScanner();
        const QStringList out = enter(s, QStringLiteral("help"));
        QCOMPARE(out, echoed("help", ::scannerHelp() + QStringList{QString()}));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(out.at(1 + i).size(), 59);
        QCOMPARE(out.at(1), QString(59, u'-'));
        QCOMPARE(out.at(6), QString(59, u'-'));
        QCOMPARE(s.Started, QStringLiteral("False"));
    }

    void scannerIgnoresWhatIsNoCommand_data()
    {
        QTest::addColumn<QString>("line");
        for (const char *line :
             {"HELP",        "Help",    " help",        "help ",        "virtual",       "",
              "START",       "Start",   " start",       "start ",       "EXIT",          "Exit",
              " exit",       "exit ",   "Virtual oriv", "VIRTUAL oriv", " virtual oriv", "virtualoriv",
              "virtua oriv", "analyse", "close scanner"})
            QTest::newRow(*line ? line : "(empty)") << QString::fromUtf8(line);
    }
    void scannerIgnoresWhatIsNoCommand()
    {
        QFETCH(QString, line);
        Scanner &s = openScanner();
        QCOMPARE(enter(s, line), echoed(line, {QString()}));
        QCOMPARE(s.Started, QStringLiteral("False"));
        QVERIFY(Forms::isLoaded<Scanner>());
        QVERIFY(!Forms::isLoaded<Video>());
        QVERIFY(world->sleeps.isEmpty());

        // Ready, the same lines still do nothing.
        enter(s, QStringLiteral("start"));
        world->sleeps.clear();
        QCOMPARE(enter(s, line), echoed(line, {QString()}));
        QCOMPARE(s.Started, QStringLiteral("True"));
        QVERIFY(world->sleeps.isEmpty());
    }

    void scannerStartArrangesTheScreen()
    {
        Scanner &s = openScanner();
        QVERIFY(!Forms::isLoaded<Video>());
        const QStringList out = enter(s, QStringLiteral("start"));
        QCOMPARE(out, echoed("start", {QStringLiteral("Systeme Pret !"), QString(), QString()}));
        QCOMPARE(s.Started, QStringLiteral("True"));
        QCOMPARE(s.Left(), 50);
        Video *v = Forms::find<Video>();
        QVERIFY(v);
        QVERIFY(v->window()->isVisible());
        QCOMPARE(v->Left(), s.Height());
        QCOMPARE(v->Top(), s.Top());
        // The outer height, not the width: the client area is square and the
        // title bar adds to the height (it may be nil where nothing is drawn).
        QVERIFY(s.Height() >= s.Width());
        QCOMPARE(s.Height(), toTwipsY(s.window()->frameGeometry().height()));
        QVERIFY(v->Label7->isHidden());
        QVERIFY(v->Label8->isHidden());
        for (Label *l : {v->Label1, v->Label2, v->Label3, v->Label4, v->Label5, v->Label6})
            QVERIFY2(!l->isHidden(), qPrintable(l->objectName()));
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Open"));
        QCOMPARE(engineOf(*v)->plays, 1);
        QVERIFY(world->sleeps.isEmpty());
    }

    void scannerStartTwiceKeepsTheViewer()
    {
        Scanner &s = openScanner();
        enter(s, QStringLiteral("start"));
        Video *v = Forms::find<Video>();
        FakeEngine *engine = engineOf(*v);
        const int plays = engine->plays;
        const int sources = int(engine->sources.size());
        const int engines = int(FakeEngine::live().size());
        QCOMPARE(enter(s, QStringLiteral("start")),
                 echoed("start", {QStringLiteral("Systeme Pret !"), QString(), QString()}));
        QCOMPARE(s.Started, QStringLiteral("True"));
        QCOMPARE(Forms::find<Video>(), v);
        QVERIFY(!v->isUnloading());
        QCOMPARE(engineOf(*v), engine);
        QCOMPARE(engine->plays, plays);
        QCOMPARE(int(engine->sources.size()), sources);
        QCOMPARE(int(FakeEngine::live().size()), engines);
        QCOMPARE(v->Left(), s.Height());
        QCOMPARE(v->Top(), s.Top());
        QCOMPARE(s.Left(), 50);
        QCOMPARE(linesOf(s).mid(3), echoed("start", {QStringLiteral("Systeme Pret !"), QString(), QString()}) +
                                        echoed("start", {QStringLiteral("Systeme Pret !"), QString(), QString()}));
    }

    void scannerStartReopensAClosedViewer()
    {
        Scanner &s = readyScanner();
        Forms::unload<Video>();
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(s.Started, QStringLiteral("True"));
        QCOMPARE(enter(s, QStringLiteral("start")),
                 echoed("start", {QStringLiteral("Systeme Pret !"), QString(), QString()}));
        Video *v = Forms::find<Video>();
        QVERIFY(v);
        QCOMPARE(v->Left(), s.Height());
        QVERIFY(v->Label7->isHidden() && v->Label8->isHidden() && !v->Label6->isHidden());
    }

    void scannerIsNotReadyBeforeStart_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("oriv") << "virtual oriv";
        QTest::newRow("talvia") << "virtual talvia";
        QTest::newRow("unknown") << "virtual nobody";
        QTest::newRow("empty") << "virtual ";
    }
    void scannerIsNotReadyBeforeStart()
    {
        QFETCH(QString, line);
        Scanner &s = openScanner();
        QCOMPARE(enter(s, line), echoed(line, {NotReady, QString()}));
        QVERIFY(world->sleeps.isEmpty());
        QCOMPARE(s.Started, QStringLiteral("False"));
    }

    void scannerRefusesOtherPersonas_data()
    {
        QTest::addColumn<QString>("persona");
        QTest::newRow("empty") << "";
        QTest::newRow("capital") << "Oriv";
        QTest::newRow("all capitals") << "TALVIA";
        QTest::newRow("trailing space") << "oriv ";
        QTest::newRow("leading space") << " oriv";
        QTest::newRow("unknown") << "vorn";
        QTest::newRow("two") << "oriv bramen";
    }
    void scannerRefusesOtherPersonas()
    {
        QFETCH(QString, persona);
        Scanner &s = readyScanner();
        const QString line = QStringLiteral("virtual ") + persona;
        QCOMPARE(enter(s, line), echoed(line, {refused(persona), QString()}));
        QVERIFY(world->sleeps.isEmpty());
        QCOMPARE(s.Started, QStringLiteral("True"));
    }

    void scannerVirtualises_data()
    {
        QTest::addColumn<QString>("persona");
        QTest::newRow("oriv") << "oriv";
        QTest::newRow("bramen") << "bramen";
        QTest::newRow("talvia") << "talvia";
    }
    void scannerVirtualises()
    {
        QFETCH(QString, persona);
        Scanner &s = readyScanner();
        Video *v = Forms::find<Video>();
        const QString formVideo = Forms::get<Variables>().FormVideo;
        QList<QPair<int, QString>> atPause;
        world->onSleep = [&](int ms) { atPause << qMakePair(ms, s.List1->lines().last()); };
        const QString line = QStringLiteral("virtual ") + persona;
        QCOMPARE(enter(s, line), echoed(line, sequence(persona)));
        QCOMPARE(world->sleeps, (QVector<int>{1500, 1000, 2000}));
        // Each line is written before the pause that follows it.
        QCOMPARE(atPause, (QList<QPair<int, QString>>{{1500, QStringLiteral("Transfert ") + persona},
                                                      {1000, QStringLiteral("Scanner ") + persona},
                                                      {2000, QStringLiteral("Virtualisation ... ")}}));
        QCOMPARE(s.Started, QStringLiteral("True"));
        QCOMPARE(Forms::find<Video>(), v);
        QCOMPARE(Forms::get<Variables>().FormVideo, formVideo);
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Open"));
    }

    void scannerVirtualisesWithoutAViewer()
    {
        Scanner &s = readyScanner();
        Forms::unload<Video>();
        QCOMPARE(s.Started, QStringLiteral("True"));
        QCOMPARE(enter(s, QStringLiteral("virtual oriv")), echoed("virtual oriv", sequence("oriv")));
        QVERIFY(!Forms::isLoaded<Video>());
    }

    void scannerExitWithoutAViewer()
    {
        Scanner &s = openScanner();
        QPointer<ListBox> list = s.List1;
        QStringList during;
        world->onYield = [&] {
            Scanner *now = Forms::find<Scanner>();
            if (now && now->isUnloading()) {
                const QString seen = linesOf(*now).join(u'|');
                if (during.isEmpty() || during.last() != seen)
                    during << seen;
            }
        };
        const int loadedBefore = Forms::loadedCount();
        s.Text1->setText(QStringLiteral("exit"));
        s.Text1_KeyPress(13);
        QCOMPARE(during, QStringList{QStringLiteral("Closing ...")});
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(Forms::loadedCount(), loadedBefore - 1);
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Close"));
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Close"));
        Dock &dock = Forms::get<Dock>();
        QVERIFY(samePicture(dock.Image5, dock.Image55));
        QVERIFY(list);
        QCOMPARE(list->lines(), QStringList{QStringLiteral("Closing ...")});
        QCOMPARE(s.Started, QStringLiteral("False"));
    }

    void scannerExitClosesTheViewerFirst()
    {
        Scanner &s = readyScanner();
        QVERIFY(Forms::isLoaded<Video>());
        QStringList during;
        world->onYield = [&] {
            Video *v = Forms::find<Video>();
            Scanner *now = Forms::find<Scanner>();
            QString entry;
            if (v && v->isUnloading())
                entry = QStringLiteral("viewer fading, scanner %1: ")
                            .arg(now && !now->isUnloading() ? QStringLiteral("open") : QStringLiteral("closing"));
            else if (now && now->isUnloading())
                entry = QStringLiteral("scanner fading, viewer %1: ")
                            .arg(v ? QStringLiteral("loaded") : QStringLiteral("gone"));
            else
                entry = QStringLiteral("other: ");
            entry += linesOf(s).join(u'|');
            if (during.isEmpty() || during.last() != entry)
                during << entry;
        };
        s.Text1->setText(QStringLiteral("exit"));
        s.Text1_KeyPress(13);
        QCOMPARE(during, (QStringList{QStringLiteral("viewer fading, scanner open: Closing ..."),
                                      QStringLiteral("scanner fading, viewer gone: Closing ...")}));
        QVERIFY(!Forms::isLoaded<Video>());
        QVERIFY(!Forms::isLoaded<Scanner>());
        QCOMPARE(Forms::get<Variables>().FormVideo, QStringLiteral("Close"));
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Close"));
        QCOMPARE(linesOf(s), QStringList{QStringLiteral("Closing ...")});
        QCOMPARE(s.Started, QStringLiteral("False"));
    }

    void scannerReopenedIsNotReady()
    {
        Scanner &first = readyScanner();
        QCOMPARE(first.Started, QStringLiteral("True"));
        enter(first, QStringLiteral("exit"));
        QVERIFY(!Forms::isLoaded<Scanner>());
        Forms::show<Scanner>();
        Scanner &again = *Forms::find<Scanner>();
        QVERIFY(&again != &first);
        QCOMPARE(again.Started, QStringLiteral("False"));
        QCOMPARE(linesOf(again),
                 (QStringList{QStringLiteral("Syrel Software Emulation. Version 1.0"),
                              QStringLiteral("Scanner System Interface. Type 'help' for help page ..."), QString()}));
        QCOMPARE(enter(again, QStringLiteral("virtual oriv")), echoed("virtual oriv", {NotReady, QString()}));
        QVERIFY(world->sleeps.isEmpty());
    }

    void scannerReopenedByOtherMeansIsNotReady()
    {
        Scanner &first = readyScanner();
        Forms::unload<Scanner>();   // as the dock or the Debugger would
        Forms::show<Scanner>();
        Scanner &again = *Forms::find<Scanner>();
        QCOMPARE(again.Started, QStringLiteral("False"));
        QCOMPARE(enter(again, QStringLiteral("virtual talvia")), echoed("virtual talvia", {NotReady, QString()}));
        Q_UNUSED(first);
    }

    // ---------------------------------------- virtualisation under interference
    //
    // A pause blocks the thread: on the real platform nothing runs during it,
    // and input typed meanwhile waits in the queue until the sequence next
    // processes events.  The test clock runs onSleep inside the pause, so a
    // handler called from there runs "during" the pause itself; the queued
    // variants post the events instead and let the next event-processing
    // point of the sequence handle them.  The sequence must cope with both.

    void lineTypedInsideAPauseRunsWithinTheSequence()
    {
        Scanner &s = readyScanner();
        world->onSleep = [&](int ms) {
            if (ms == 1500) {
                s.Text1->setText(QStringLiteral("help"));
                s.Text1_KeyPress(13);
            }
        };
        const QStringList out = enter(s, QStringLiteral("virtual talvia"));
        QCOMPARE(out,
                 echoed("virtual talvia", QStringList{QString(), QStringLiteral("Transfert talvia"), Prompt + "help"} +
                                              ::scannerHelp() +
                                              QStringList{QString(), QStringLiteral("Scanner talvia"),
                                                          QStringLiteral("Virtualisation ... "), QString()}));
        QCOMPARE(world->sleeps, (QVector<int>{1500, 1000, 2000}));
        QCOMPARE(s.Started, QStringLiteral("True"));
    }

    void lineQueuedDuringAPauseRunsAtTheNextEventPoint()
    {
        Scanner &s = readyScanner();
        world->onSleep = [&](int ms) {
            if (ms == 1500)
                queueTyping(s.Text1, QStringLiteral("help"));
        };
        const QStringList out = enter(s, QStringLiteral("virtual talvia"));
        QCOMPARE(out, echoed("virtual talvia",
                             QStringList{QString(), QStringLiteral("Transfert talvia"),
                                         QStringLiteral("Scanner talvia"), Prompt + "help"} +
                                 ::scannerHelp() +
                                 QStringList{QString(), QStringLiteral("Virtualisation ... "), QString()}));
        QCOMPARE(world->sleeps, (QVector<int>{1500, 1000, 2000}));
    }

    void closingInsideAPauseEndsTheSequence_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("pause");
        QTest::newRow("exit typed") << "exit" << 1500;
        QTest::newRow("unload") << "unload" << 1500;
        QTest::newRow("unload, second pause") << "unload" << 1000;
        QTest::newRow("unload, last pause") << "unload" << 2000;
        QTest::newRow("dock icon") << "dock" << 1500;
        QTest::newRow("debugger") << "debugger" << 1500;
    }
    void closingInsideAPauseEndsTheSequence()
    {
        QFETCH(QString, how);
        QFETCH(int, pause);
        Debugger *d = how == QLatin1String("debugger") ? &openDebugger() : nullptr;
        Scanner &s = readyScanner();
        QPointer<ListBox> list = s.List1;
        QStringList atClose;
        bool closed = false;
        world->onSleep = [&](int ms) {
            if (ms != pause || closed)
                return;
            closed = true;
            if (how == QLatin1String("exit")) {
                s.Text1->setText(QStringLiteral("exit"));
                s.Text1_KeyPress(13);
            } else if (how == QLatin1String("unload")) {
                Forms::unload<Scanner>();
            } else if (how == QLatin1String("dock")) {
                Forms::get<Dock>().Image5_Click();
            } else {
                d->Text1->setText(QStringLiteral("close scanner"));
                d->Text1_KeyPress(13);
            }
            QVERIFY(!Forms::isLoaded<Scanner>());
            atClose = list->lines();
        };
        s.Text1->setText(QStringLiteral("virtual talvia"));
        s.Text1_KeyPress(13);
        QVERIFY(closed);
        QVERIFY(list);
        QVERIFY(!Forms::isLoaded<Scanner>());
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Close"));
        QVERIFY(samePicture(Forms::get<Dock>().Image5, Forms::get<Dock>().Image55));
        const QVector<int> all{1500, 1000, 2000};
        QCOMPARE(world->sleeps, all.mid(0, all.indexOf(pause) + 1));
        if (how == QLatin1String("exit"))
            QCOMPARE(atClose, QStringList{QStringLiteral("Closing ...")});
        if (d)
            QCOMPARE(linesOf(*d).mid(3),
                     echoed("close scanner", {setting("scanner"), QString(),
                                              QStringLiteral("Tentative de fermeture du Scanner"), QString()}));
        QCoreApplication::processEvents();
        QVERIFY(!Forms::isLoaded<Scanner>());
        // Nothing more is written once the console has gone.
        QCOMPARE(list->lines().mid(atClose.size()).join(u'|'), QString());
        QCOMPARE(list->lines(), atClose);
    }

    void closingQueuedDuringAPauseEndsTheSequence_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("pause");
        QTest::newRow("exit typed, first pause") << "exit" << 1500;
        QTest::newRow("exit typed, last pause") << "exit" << 2000;
        QTest::newRow("dock icon, first pause") << "dock" << 1500;
        QTest::newRow("dock icon, second pause") << "dock" << 1000;
        QTest::newRow("dock icon, last pause") << "dock" << 2000;
    }
    void closingQueuedDuringAPauseEndsTheSequence()
    {
        QFETCH(QString, how);
        QFETCH(int, pause);
        Scanner &s = readyScanner();
        QPointer<ListBox> list = s.List1;
        QStringList atClose;
        bool queued = false;
        world->onSleep = [&](int ms) {
            if (ms != pause || queued)
                return;
            queued = true;
            if (how == QLatin1String("exit")) {
                queueTyping(s.Text1, QStringLiteral("exit"));
                QTimer::singleShot(0, qApp, [&] {
                    // Runs after the typed line, in the same event processing.
                    if (list)
                        atClose = list->lines();
                });
            } else {
                QTimer::singleShot(0, qApp, [&] {
                    Forms::get<Dock>().Image5_Click();
                    if (list)
                        atClose = list->lines();
                });
            }
        };
        s.Text1->setText(QStringLiteral("virtual oriv"));
        s.Text1_KeyPress(13);
        QVERIFY(queued);
        QVERIFY(list);
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(!atClose.isEmpty());
        QCOMPARE(list->lines().mid(atClose.size()).join(u'|'), QString());
        QCOMPARE(list->lines(), atClose);
        if (how == QLatin1String("exit"))
            QCOMPARE(atClose, QStringList{QStringLiteral("Closing ...")});
        const QVector<int> all{1500, 1000, 2000};
        QCOMPARE(world->sleeps, all.mid(0, all.indexOf(pause) + 1));
        QCOMPARE(Forms::get<Variables>().Scanner, QStringLiteral("Close"));
    }

    void shutdownInsideAPauseEndsEverything()
    {
        Forms::show<Desktop>();
        QVERIFY(Forms::isLoaded<Variables>());
        Scanner &s = readyScanner();
        QVERIFY(Forms::isLoaded<Video>());
        QPointer<ListBox> list = s.List1;
        QStringList atShutdown;
        bool done = false;
        world->onSleep = [&](int ms) {
            if (ms != 1500 || done)
                return;
            done = true;
            Forms::get<Dock>().Image9_Click();
            atShutdown = list->lines();
        };
        s.Text1->setText(QStringLiteral("virtual bramen"));
        s.Text1_KeyPress(13);
        QVERIFY(done);
        QCOMPARE(world->allUnloaded, 1);
        QCOMPARE(Forms::loadedCount(), 0);
        QVERIFY(Forms::loaded().empty());
        QVERIFY(!Forms::isLoaded<Scanner>());
        QVERIFY(list);
        QCOMPARE(atShutdown.last(), QStringLiteral("Transfert bramen"));
        QCOMPARE(world->sleeps, QVector<int>{1500});
        QCoreApplication::processEvents();
        QCOMPARE(Forms::loadedCount(), 0);
        QCOMPARE(world->allUnloaded, 1);
        QVERIFY(!Forms::isLoaded<Scanner>());
        // Nothing more is written once the console has gone.
        QCOMPARE(list->lines().mid(atShutdown.size()).join(u'|'), QString());
        QCOMPARE(list->lines(), atShutdown);
    }

    void shutdownQueuedDuringAPauseEndsEverything()
    {
        Forms::show<Desktop>();
        Scanner &s = readyScanner();
        QPointer<ListBox> list = s.List1;
        bool queued = false;
        world->onSleep = [&](int ms) {
            if (ms != 1000 || queued)
                return;
            queued = true;
            QTimer::singleShot(0, qApp, [] { Forms::get<Dock>().Image9_Click(); });
        };
        s.Text1->setText(QStringLiteral("virtual oriv"));
        s.Text1_KeyPress(13);
        QVERIFY(queued);
        QCOMPARE(world->allUnloaded, 1);
        QCOMPARE(Forms::loadedCount(), 0);
        QVERIFY(list);
        QCOMPARE(list->lines().last(), QStringLiteral("Virtualisation ... "));
        QCOMPARE(world->sleeps, (QVector<int>{1500, 1000}));
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
