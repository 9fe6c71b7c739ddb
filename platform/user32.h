// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The few window calls the program makes, with their classic names and
// constants, carried out on Qt.  A test may put a recording fake in place.
//
// On Qt: the layered bit is kept per window; the alpha of a layered window
// is its window opacity (a window that is not layered is drawn opaque);
// topmost is the stay-on-top hint; SWP_SHOWWINDOW shows the window and
// SWP_NOACTIVATE shows it without activating it.

#include <QWidget>
#include <cstdint>

namespace platform {

using HWND = QWidget *;

constexpr int GWL_EXSTYLE = -20;
constexpr std::int32_t WS_EX_LAYERED = 0x80000;
constexpr std::uint32_t LWA_ALPHA = 2;
constexpr std::intptr_t HWND_TOPMOST = -1;
constexpr std::intptr_t HWND_NOTOPMOST = -2;
constexpr std::uint32_t SWP_NOSIZE = 0x1;
constexpr std::uint32_t SWP_NOMOVE = 0x2;
constexpr std::uint32_t SWP_NOACTIVATE = 0x10;
constexpr std::uint32_t SWP_SHOWWINDOW = 0x40;

class User32 {
public:
    virtual ~User32() = default;
    virtual std::int32_t GetWindowLongA(HWND hWnd, int index) = 0;
    virtual std::int32_t SetWindowLongA(HWND hWnd, int index, std::int32_t value) = 0;
    virtual std::int32_t SetLayeredWindowAttributes(HWND hWnd, std::uint32_t colorKey, std::uint8_t alpha,
                                                    std::uint32_t flags) = 0;
    virtual std::int32_t SetWindowPos(HWND hWnd, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                                      std::uint32_t flags) = 0;
};

// The calls in use, routed to the current implementation.
User32 &user32();
// Puts another implementation in place (null restores the one on Qt).
void setUser32(User32 *impl);
// The implementation on Qt, for a stand-in that forwards to it.
User32 &qtUser32();

// What the Qt implementation keeps for a window.
bool isLayered(HWND hWnd);
int layeredAlpha(HWND hWnd);   // last alpha set while layered, 255 when never set
bool isTopmost(HWND hWnd);

}   // namespace platform
