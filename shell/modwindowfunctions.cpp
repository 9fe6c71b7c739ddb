// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "modwindowfunctions.h"

#include "platform/kernel32.h"

#include <limits>

namespace modWindowFunctions {

using namespace platform;

namespace {

struct Overflow {};

std::int16_t abs16(std::int16_t v)
{
    if (v == std::numeric_limits<std::int16_t>::min())
        throw Overflow{};
    return std::int16_t(v < 0 ? -v : v);
}

std::int32_t abs32(std::int32_t v)
{
    if (v == std::numeric_limits<std::int32_t>::min())
        throw Overflow{};
    return v < 0 ? -v : v;
}

std::int16_t to16(std::int64_t v)
{
    if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
        throw Overflow{};
    return std::int16_t(v);
}

void setAlpha(HWND hWnd, int alpha) { user32().SetLayeredWindowAttributes(hWnd, 0, std::uint8_t(alpha), LWA_ALPHA); }

}   // namespace

bool FadeWindow(HWND hWnd, std::int16_t &StartAlpha, std::int16_t &EndAlpha, std::int32_t &Stepping)
{
    try {
        const std::int32_t saved = user32().GetWindowLongA(hWnd, GWL_EXSTYLE) | WS_EX_LAYERED;
        user32().SetWindowLongA(hWnd, GWL_EXSTYLE, saved);

        StartAlpha = abs16(StartAlpha);
        EndAlpha = abs16(EndAlpha);
        if (StartAlpha > 255)
            StartAlpha = 255;
        if (EndAlpha > 255)
            EndAlpha = 255;
        if (EndAlpha == StartAlpha)
            return false;

        Stepping = EndAlpha < StartAlpha ? -abs32(Stepping) : abs32(Stepping);
        const std::int16_t step = to16(Stepping);
        if (step == 0)
            return false;   // a rising fade would never end; no alpha is set
        const std::int16_t bound = EndAlpha;

        std::int16_t counter = StartAlpha;
        while (step >= 0 ? counter <= bound : counter >= bound) {
            setAlpha(hWnd, counter);
            yieldStep();
            counter = to16(std::int32_t(counter) + step);
        }

        setAlpha(hWnd, EndAlpha);
        if (EndAlpha == 255) {
            user32().SetWindowLongA(hWnd, GWL_EXSTYLE, saved & ~WS_EX_LAYERED);
            setAlpha(hWnd, 0);
        }
        return true;
    } catch (const Overflow &) {
        return false;
    }
}

bool SetWindowOpacity(HWND hWnd, std::int16_t &Alpha)
{
    try {
        const std::int32_t style = user32().GetWindowLongA(hWnd, GWL_EXSTYLE);
        Alpha = abs16(Alpha);
        if (Alpha > 255)
            Alpha = 255;
        int value;
        if (Alpha == 255) {
            user32().SetWindowLongA(hWnd, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
            value = 0;
        } else {
            user32().SetWindowLongA(hWnd, GWL_EXSTYLE, style | WS_EX_LAYERED);
            value = Alpha;
        }
        setAlpha(hWnd, value);
        return true;
    } catch (const Overflow &) {
        return false;
    }
}

bool SetWindowTopmost(HWND hWnd, bool &Topmost)
{
    user32().SetWindowPos(hWnd, Topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                          SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return true;
}

bool FadeWindow(HWND hWnd, int startAlpha, int endAlpha, int stepping)
{
    std::int16_t s = std::int16_t(startAlpha), e = std::int16_t(endAlpha);
    std::int32_t st = stepping;
    return FadeWindow(hWnd, s, e, st);
}

bool SetWindowOpacity(HWND hWnd, int alpha)
{
    std::int16_t a = std::int16_t(alpha);
    return SetWindowOpacity(hWnd, a);
}

bool SetWindowTopmost(HWND hWnd, int topmost)
{
    bool t = topmost != 0;
    return SetWindowTopmost(hWnd, t);
}

}   // namespace modWindowFunctions
