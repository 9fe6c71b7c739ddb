// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "processing.h"

#include "console/scanner.h"
#include "dock/dock.h"
#include "modwindowfunctions.h"
#include "platform/dispatch.h"
#include "variables.h"

using namespace platform;

Processing::Processing() : Form(QStringLiteral("Processing"))
{
    designWindow(QStringLiteral("Processing"), BorderStyle::None, 8655, 1275, StartPosition::CenterScreen, Qt::black);

    Timer1 = new Timer(window(), QStringLiteral("Timer1"), 5);
    onEvent(Timer1, &Timer::tick, this, &Processing::Timer1_Timer, "Processing.Timer1_Timer");

    ProgressBar1 = new ProgressBar(window(), QStringLiteral("ProgressBar1"));
    placeTwips(ProgressBar1, 0, 180, 8655, 870);
    ProgressBar1->setAccessibleName(QStringLiteral("Progression"));

    Label1 = new Label(window(), QStringLiteral("Label1"), QStringLiteral("Processing ..."));
    placeTwips(Label1, 0, 1035, 8655, 195);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(designFont(QStringLiteral("Verdana"), 8.25));
    Label1->setStyleSheet(QStringLiteral("color: #00FF00; background: transparent;"));
}

void Processing::Form_Load()
{
    ProgressBar1->setValue(0.0f);
    modWindowFunctions::SetWindowTopmost(hWnd(), true);
}

void Processing::Timer1_Timer()
{
    ProgressBar1->setValue(ProgressBar1->Value() + 0.5f);
    if (ProgressBar1->Value() == 100.0f) {
        Timer1->setEnabled(false);
        Forms::unload<Processing>();
    }
}

void Processing::Form_Unload()
{
    if (Forms::get<Variables>().Processing == QStringLiteral("Scanner"))
        Forms::show<Scanner>();
    if (Forms::get<Variables>().Processing == QStringLiteral("Loading"))
        Forms::show<Dock>();
    modWindowFunctions::FadeWindow(hWnd(), 255, 0, 1);
}
