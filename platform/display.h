// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The connection to the display server.

struct xcb_connection_t;

namespace platform {

// Whether the X display named by DISPLAY can be opened at all; asked
// before Qt is started, so that the program can say so plainly.
bool canOpenX11Display();

// Sends what the program has asked of the display server so far.  Window
// property changes (opacity among them) otherwise wait in the connection
// until some other traffic pushes them out, and a fade arrives all at once.
void flushDisplay();

// The application's own X connection; null on any other platform.
xcb_connection_t *x11Connection();

}   // namespace platform
