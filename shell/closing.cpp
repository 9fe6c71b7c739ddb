// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "closing.h"

#include "dock/dock.h"
#include "modwindowfunctions.h"
#include "variables.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cmath>

using namespace platform;

Closing::Closing() : Form(QStringLiteral("Closing"))
{
    designWindow(QStringLiteral("Closing ..."), BorderStyle::FixedToolWindow, 6615, 375, StartPosition::Manual,
                 QGuiApplication::palette().color(QPalette::Window));
    // The notice has no icon: a clear one stands in for the application's.
    QPixmap none(16, 16);
    none.fill(Qt::transparent);
    window()->setWindowIcon(QIcon(none));
    Label1 = new Label(window(), QStringLiteral("Label1"),
                       QStringLiteral("Processus d'arret en cours ... Veuillez patienter ..."));
    placeTwips(Label1, 45, 45, 6540, 240);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(designFont(QStringLiteral("Verdana"), 9.75, true));
    Label1->setStyleSheet(QStringLiteral("color: #000080; background: transparent;"));
}

void Closing::Form_Load()
{
    const float left = float(screenWidthTwips()) / 2.0f - 3850.0f;
    setLeft(int(std::lround(left)));
    modWindowFunctions::SetWindowTopmost(hWnd(), true);
}

void Closing::Form_Unload()
{
    Forms::unload<Variables>();
    Forms::unload<Dock>();
}
