// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The start-up window: plays the boot clip full screen and, once the
// player reports it paused or stopped, shows the desktop and goes.

#include "platform/forms.h"
#include "platform/mediaplayer.h"
#include "platform/timer.h"

class Loading : public platform::Form {
public:
    static constexpr const char *FormName = "Loading";
    Loading();
    void Timer1_Timer();

    platform::Timer *Timer1;
    platform::WindowsMediaPlayer *WindowsMediaPlayer1;
};
