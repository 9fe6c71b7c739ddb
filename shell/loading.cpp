// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "loading.h"

#include "assets/art.h"
#include "desktop.h"
#include "platform/controls.h"
#include "platform/dispatch.h"

using namespace platform;

Loading::Loading() : Form(QStringLiteral("Loading"))
{
    designWindow(QStringLiteral("Form2"), BorderStyle::None, 9990, 6255, StartPosition::Manual, Qt::black);
    setMaximised(true);
    window()->setWindowIcon(art::applicationIcon());
    window()->setAccessibleName(QStringLiteral("Démarrage de Syrel"));

    Timer1 = new Timer(window(), QStringLiteral("Timer1"), 1000);
    onEvent(Timer1, &Timer::tick, this, &Loading::Timer1_Timer, "Loading.Timer1_Timer");

    auto *p = new WindowsMediaPlayer(window(), QStringLiteral("WindowsMediaPlayer1"));
    WindowsMediaPlayer1 = p;
    placeTwips(p, 630, 405, 8370, 5520);
    p->autoStart = true;
    p->playCount = 1;
    p->uiMode = QStringLiteral("none");
    p->stretchToFit = false;
    p->windowlessVideo = true;
    p->setPlayerEnabled(false);
    p->enableContextMenu = false;
    p->enableErrorDialogs = false;
    p->setVolume(50);
    p->setMute(false);
    p->setRate(1.0);
    p->balance = 0;
    p->currentPosition = 0.0;
    p->invokeURLs = true;
    p->currentMarker = 0;
    p->setFullScreen(true);
    p->setURL(QStringLiteral("Boot.avi"));   // autoStart: playback starts with the player
}

void Loading::Timer1_Timer()
{
    // Both reads happen on every tick, before anything is decided.
    const bool paused = WindowsMediaPlayer1->status() == QStringLiteral("Pause");
    const bool stopped = WindowsMediaPlayer1->status() == QStringLiteral("Arrêté");
    if (paused || stopped) {
        Forms::show<Desktop>();
        Forms::unload<Loading>();
    }
}
