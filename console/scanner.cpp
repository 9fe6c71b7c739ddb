// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "scanner.h"

#include "dock/dock.h"
#include "platform/kernel32.h"
#include "shell/modwindowfunctions.h"
#include "shell/variables.h"
#include "viewer/video.h"

using namespace platform;

Scanner::Scanner()
    : ConsoleWindow({QStringLiteral("Scanner"), QStringLiteral(" "), 7125, 7125, StartPosition::WindowsDefault, 6795,
                     6840, false})
{
    window()->setAccessibleName(QStringLiteral("Scanner"));   // its caption is blank
}

void Scanner::Form_Load()
{
    Started = QStringLiteral("False");
    Forms::get<Variables>().Scanner = QStringLiteral("Open");
    Dock &dock = Forms::get<Dock>();
    Dock::light(dock.Image5, dock.Image5H);
    modWindowFunctions::SetWindowTopmost(hWnd(), true);
    banner(QStringLiteral("Scanner System Interface. Type 'help' for help page ..."));
}

void Scanner::Form_Unload()
{
    Forms::get<Variables>().Scanner = QStringLiteral("Close");
    Dock &dock = Forms::get<Dock>();
    Dock::light(dock.Image5, dock.Image55);
    modWindowFunctions::FadeWindow(hWnd(), 255, 0, 5);
}

void Scanner::RunCommand(QString line)
{
    if (line == QStringLiteral("help")) {
        const QString rule(59, u'-');
        add(rule);
        add(QStringLiteral("START ....... Démarre le processus et initialise le systeme"));
        add(QStringLiteral("VIRTUAL <Perso> ..... Scan, Transfert et virtualise <Perso>"));
        add(QStringLiteral("HELP ................................... Affiche ce message"));
        add(QStringLiteral("EXIT ....................... Quitte le programme de Scanner"));
        add(rule);
    } else if (line == QStringLiteral("exit")) {
        exit();
        return;
    } else if (line == QStringLiteral("start")) {
        start();
    } else if (line.left(8) == QStringLiteral("virtual ")) {
        virtualise(line);
    }
    if (state() != State::Dead)
        add(QString());
}

void Scanner::start()
{
    Started = QStringLiteral("True");
    setLeft(50);
    // Opened for the user beside the Scanner, where the typing goes on.
    Forms::showInactive<Video>();
    Video &viewer = Forms::get<Video>();
    viewer.Move(Height(), Top());
    viewer.Label7->setVisible(false);
    viewer.Label8->setVisible(false);
    for (Label *l : {viewer.Label1, viewer.Label2, viewer.Label3, viewer.Label4, viewer.Label5, viewer.Label6})
        l->setVisible(true);
    add(QStringLiteral("Systeme Pret !"));
    add(QString());
    Text1->setFocus();
}

bool Scanner::pendingEvents()
{
    DoEvents();
    return stillOpen();
}

bool Scanner::pause(int ms)
{
    Sleep(ms);
    return stillOpen();
}

void Scanner::virtualise(const QString &line)
{
    if (Started == QStringLiteral("False")) {
        add(QStringLiteral("ERREUR : Processus de Virtualisation non pret ! => start"));
        return;
    }
    const QString persona = line.mid(8);
    if (persona != QStringLiteral("oriv") && persona != QStringLiteral("bramen") &&
        persona != QStringLiteral("talvia")) {
        add(QStringLiteral("ERREUR (") + persona + QStringLiteral(") : Perso accepté : oriv - bramen - talvia"));
        return;
    }
    // The sequence ends as soon as this console is closed under it (its own
    // exit typed into a pause, the dock icon, the Debugger, a shutdown).
    if (!pendingEvents())
        return;
    add(QString());
    add(QStringLiteral("Transfert ") + persona);
    if (!pendingEvents() || !pause(1500))
        return;
    add(QStringLiteral("Scanner ") + persona);
    if (!pendingEvents() || !pause(1000))
        return;
    add(QStringLiteral("Virtualisation ... "));
    if (!pendingEvents() || !pause(2000))
        return;
    pendingEvents();
}

void Scanner::exit()
{
    Started = QStringLiteral("False");
    List1->Clear();
    add(QStringLiteral("Closing ..."));
    Forms::unload<Video>();
    Forms::unload<Scanner>();
}
