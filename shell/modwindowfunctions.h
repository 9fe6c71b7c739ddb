// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Opacity and stacking of top-level windows, used by every window's load
// and unload steps.  Each procedure traps its failures (an arithmetic
// overflow of its 16- or 32-bit arguments) and returns False, leaving the
// window as the steps so far left it.  The by-reference arguments are
// normalised in place.

#include "platform/user32.h"

#include <cstdint>

namespace modWindowFunctions {

using platform::HWND;

// Changes the opacity step by step, yielding to the event loop after each step.
bool FadeWindow(HWND hWnd, std::int16_t &StartAlpha, std::int16_t &EndAlpha, std::int32_t &Stepping);
// Sets the opacity once; 255 takes the window back to normal opaque drawing.
bool SetWindowOpacity(HWND hWnd, std::int16_t &Alpha);
// Moves the window into (True) or out of the always-on-top band, and shows it.
bool SetWindowTopmost(HWND hWnd, bool &Topmost);

// The same, for callers that pass fresh values.
bool FadeWindow(HWND hWnd, int startAlpha, int endAlpha, int stepping);
bool SetWindowOpacity(HWND hWnd, int alpha);
bool SetWindowTopmost(HWND hWnd, int topmost);

}   // namespace modWindowFunctions
