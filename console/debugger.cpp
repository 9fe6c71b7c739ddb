// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "debugger.h"

#include "debuggerpages.h"
#include "dock/dock.h"
#include "scanner.h"
#include "shell/modwindowfunctions.h"
#include "shell/variables.h"
#include "viewer/video.h"

using namespace platform;

Debugger::Debugger()
    : ConsoleWindow({QStringLiteral("Debugger"), QStringLiteral("Debugger"), 7755, 6810, StartPosition::CenterScreen,
                     6465, 6525, true})
{
}

void Debugger::Form_Load()
{
    Forms::get<Variables>().FormDebugger = QStringLiteral("Open");
    Dock &dock = Forms::get<Dock>();
    Dock::light(dock.Image4, dock.Image4H);
    banner(QStringLiteral("Debugger System Command Line Interface. Type 'help' for help page ..."));
    modWindowFunctions::SetWindowTopmost(hWnd(), true);
}

void Debugger::Form_Unload()
{
    Forms::get<Variables>().FormDebugger = QStringLiteral("Close");
    modWindowFunctions::FadeWindow(hWnd(), 255, 0, 5);
    Dock &dock = Forms::get<Dock>();
    Dock::light(dock.Image4, dock.Image44);
}

void Debugger::addAll(const QStringList &lines)
{
    for (const QString &l : lines)
        add(l);
}

void Debugger::RunCommand(QString line)
{
    if (line == QStringLiteral("help")) {
        addAll(debuggerPages::help());
        return;
    }
    if (line == QStringLiteral("exit")) {
        List1->Clear();
        add(QStringLiteral("Unloading Process ..."));
        Forms::unload<Debugger>();
        return;
    }

    // Each test is made in turn; at most one succeeds.
    if (line == QStringLiteral("analyse"))
        addAll(debuggerPages::systemCheck());
    if (line == QStringLiteral("scintillarium"))
        addAll(debuggerPages::developers());
    if (line.left(6) == QStringLiteral("close ")) {
        const QString arg = line.mid(6);
        add(QStringLiteral("Loading Process Command Setting : ") + arg);
        add(QString());
        if (arg == QStringLiteral("help"))
            addAll(debuggerPages::closeSyntax());
        if (arg == QStringLiteral("viewer")) {
            add(QStringLiteral("Tentative de fermeture de Syrel Viewer"));
            Forms::unload<Video>();
        }
        if (arg == QStringLiteral("scanner")) {
            add(QStringLiteral("Tentative de fermeture du Scanner"));
            Forms::unload<Scanner>();
        }
    }
    add(QString());
    if (line.left(5) == QStringLiteral("load ")) {
        const QString arg = line.mid(5);
        add(QStringLiteral("Loading Process Command Setting : ") + arg);
        add(QString());
        if (arg == QStringLiteral("help"))
            addAll(debuggerPages::loadSyntax());
        if (arg == QStringLiteral("viewer")) {
            add(QStringLiteral("Ouverture du Syrel World Viewer ..."));
            Forms::show<Video>();
        }
        if (arg == QStringLiteral("scanner")) {
            add(QStringLiteral("Ouverture du Scanner ..."));
            Forms::show<Scanner>();
        }
        add(QString());
    }
}
