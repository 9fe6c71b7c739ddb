// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Everything tests may set to stand in for the machine (clip folder, the
// window layer, pauses, the screen, frames learnt from the window system,
// the media engine, timer speed) back to the program's own, in one place.

namespace platform {

void resetTestHooks();

}   // namespace platform
