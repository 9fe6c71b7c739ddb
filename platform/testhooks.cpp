// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "testhooks.h"

#include "forms.h"
#include "kernel32.h"
#include "mediaplayer.h"
#include "timer.h"
#include "twips.h"
#include "user32.h"

#include <QMargins>

namespace platform {

void resetTestHooks()
{
    setClipFolder(QString());
    setMediaEngineFactory(nullptr);
    setUser32(nullptr);
    setSleepHook(nullptr);
    setYieldHook(nullptr);
    setScreenOverride(QSize());
    Form::setAssumedFrame(QMargins());
    Form::forgetLearntFrame();
    Timer::setSpeedUp(1.0);
}

}   // namespace platform
