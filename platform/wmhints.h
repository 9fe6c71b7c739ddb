// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// What the program asks of the X window manager beyond what Qt asks.

#include <QMargins>
#include <QWidget>
#include <optional>

namespace platform {

// The frame the window manager will put around a window that is not
// mapped yet (_NET_REQUEST_FRAME_EXTENTS), waiting a little for its answer;
// none when there is no X display or the window manager does not tell.
std::optional<QMargins> askFrameExtents(QWidget *window);

// Asks the window manager to put the window's client area there, as a pager
// or the user would (_NET_MOVERESIZE_WINDOW): window managers keep the
// program's own requests out of the panels' space, not the user's. False
// when the window manager does not take such requests.
bool moveAsUser(QWidget *window, QPoint clientTopLeft);

// Writes the window's opacity property again: a value given before the
// window was mapped is not applied by every compositor.
void reassertOpacity(QWidget *window);

// A window that never takes the keyboard says so to the window manager in
// full (no WM_TAKE_FOCUS, which Qt lists for every window): otherwise a
// window manager may give it the keyboard all the same, and xfwm4 then
// takes a full-screen window out of its layer when the keyboard moves on.
void refuseKeyboard(QWidget *window);

}   // namespace platform
