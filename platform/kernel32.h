// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Pauses and event processing.
//
// Sleep blocks the thread, as the program expects; tests put a recording
// clock in place.  yieldStep is what a fade does between two alpha steps:
// it processes pending events and, on a real display, waits for the next
// display frame so that every step is seen.

#include <functional>

namespace platform {

void Sleep(int ms);
void DoEvents();
void yieldStep();

void setSleepHook(std::function<void(int)> hook);   // null restores the blocking pause
void setYieldHook(std::function<void()> hook);      // null restores the frame-paced yield

// Once the run is over but for unload steps still fading, nobody is left
// to see a pause: pauses and fade steps end at once.
void setRunEnding(bool ending);
bool runEnding();

// The display's frame interval, in milliseconds (0 where nothing is presented).
double frameIntervalMs();

}   // namespace platform
