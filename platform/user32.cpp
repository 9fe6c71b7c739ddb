// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "user32.h"

#include "display.h"

#include <QVariant>

namespace platform {

namespace {
const char *const StyleKey = "syrel.exStyle";
const char *const AlphaKey = "syrel.alpha";

class QtUser32 final : public User32 {
public:
    std::int32_t GetWindowLongA(HWND w, int index) override
    {
        if (!w || index != GWL_EXSTYLE)
            return 0;
        return w->property(StyleKey).toInt();
    }

    std::int32_t SetWindowLongA(HWND w, int index, std::int32_t value) override
    {
        if (!w || index != GWL_EXSTYLE)
            return 0;
        const std::int32_t old = GetWindowLongA(w, index);
        w->setProperty(StyleKey, value);
        if (!(value & WS_EX_LAYERED)) {
            w->setWindowOpacity(1.0);   // back to normal, opaque drawing
            flushDisplay();
        }
        return old;
    }

    std::int32_t SetLayeredWindowAttributes(HWND w, std::uint32_t, std::uint8_t alpha, std::uint32_t flags) override
    {
        if (!w || !(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED))
            return 0;   // only a layered window has an alpha
        if (flags & LWA_ALPHA) {
            w->setProperty(AlphaKey, int(alpha));
            w->setWindowOpacity(alpha / 255.0);
            flushDisplay();   // each step on screen before the next is prepared
        }
        return 1;
    }

    std::int32_t SetWindowPos(HWND w, std::intptr_t after, int, int, int, int, std::uint32_t flags) override
    {
        if (!w)
            return 0;
        const bool top = after == HWND_TOPMOST;
        const bool wasVisible = w->isVisible();
        if (flags & SWP_NOACTIVATE)
            w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        if (bool(w->windowFlags() & Qt::WindowStaysOnTopHint) != top) {
            const bool placed = w->testAttribute(Qt::WA_Moved);
            const QRect client = w->geometry();
            w->setWindowFlag(Qt::WindowStaysOnTopHint, top);   // hides a visible window
            if (placed)   // a window never placed stays for the window system to place
                w->setGeometry(client);
        }
        if ((flags & SWP_SHOWWINDOW) || wasVisible)
            w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
        return 1;
    }
};

QtUser32 g_qt;
User32 *g_current = &g_qt;
}   // namespace

User32 &user32() { return *g_current; }
void setUser32(User32 *impl) { g_current = impl ? impl : &g_qt; }
User32 &qtUser32() { return g_qt; }

bool isLayered(HWND w) { return w && (w->property(StyleKey).toInt() & WS_EX_LAYERED); }
int layeredAlpha(HWND w)
{
    const QVariant v = w ? w->property(AlphaKey) : QVariant();
    return v.isValid() ? v.toInt() : 255;
}
bool isTopmost(HWND w) { return w && (w->windowFlags() & Qt::WindowStaysOnTopHint); }

}   // namespace platform
