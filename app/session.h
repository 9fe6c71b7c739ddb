// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// One session a display: a lock the kernel lets go of when the process
// ends, however it ends, so a crashed run never blocks the next.

namespace session {

// False when another run holds the display already.  Where no lock can be
// made (no folder to write to), the session goes on unguarded.
bool claim();

}   // namespace session
