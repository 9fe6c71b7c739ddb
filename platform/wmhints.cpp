// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "wmhints.h"

#include "display.h"

#include <QDeadlineTimer>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace platform {

namespace {
xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

xcb_window_t rootOf(xcb_connection_t *c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

// Whether the running window manager lists the atom among what it supports.
bool supported(xcb_connection_t *c, xcb_atom_t what)
{
    const xcb_atom_t list = atom(c, "_NET_SUPPORTED");
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, rootOf(c), list, XCB_ATOM_ATOM, 0, 4096), nullptr);
    bool found = false;
    if (r) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(r));
        for (int i = 0, n = xcb_get_property_value_length(r) / 4; i < n && !found; ++i)
            found = atoms[i] == what;
    }
    std::free(r);
    return found;
}

std::optional<QMargins> readExtents(xcb_connection_t *c, xcb_window_t w, xcb_atom_t extents)
{
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
    std::optional<QMargins> out;
    if (r && xcb_get_property_value_length(r) == 16) {
        const auto *v = static_cast<const std::uint32_t *>(xcb_get_property_value(r));
        out = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));   // left, right, top, bottom
    }
    std::free(r);
    return out;
}
}   // namespace

std::optional<QMargins> askFrameExtents(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window)
        return std::nullopt;
    const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS"), extents = atom(c, "_NET_FRAME_EXTENTS");
    if (!supported(c, request))
        return std::nullopt;
    window->winId();   // made if it is not yet
    const auto w = xcb_window_t(window->windowHandle()->winId());
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = request;
    xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&ev));
    xcb_flush(c);
    // The window manager answers by setting the property; it is asked once
    // a run for each kind of frame, so waiting here costs little.
    QDeadlineTimer deadline(1500);
    for (;;) {
        if (std::optional<QMargins> m = readExtents(c, w, extents))
            return m;
        if (deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(5);
    }
}

bool moveAsUser(QWidget *window, QPoint clientTopLeft)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window || !window->windowHandle())
        return false;
    const xcb_atom_t request = atom(c, "_NET_MOVERESIZE_WINDOW");
    if (!supported(c, request))
        return false;
    // Qt keeps a screen's corner where it is in device pixels and scales from there.
    QPoint at = clientTopLeft;
    if (const QScreen *screen = window->screen()) {
        const QPoint origin = screen->geometry().topLeft();
        at = origin + (clientTopLeft - origin) * window->devicePixelRatioF();
    }
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = xcb_window_t(window->windowHandle()->winId());
    ev.type = request;
    constexpr std::uint32_t StaticGravity = 10, X = 1u << 8, Y = 1u << 9, FromPager = 2u << 12;
    ev.data.data32[0] = StaticGravity | X | Y | FromPager;
    ev.data.data32[1] = std::uint32_t(at.x());
    ev.data.data32[2] = std::uint32_t(at.y());
    xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&ev));
    xcb_flush(c);
    return true;
}

void reassertOpacity(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window || !window->windowHandle())
        return;
    const xcb_atom_t opacity = atom(c, "_NET_WM_WINDOW_OPACITY");
    const auto w = xcb_window_t(window->windowHandle()->winId());
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, opacity, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    if (r && xcb_get_property_value_length(r) == 4)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, opacity, XCB_ATOM_CARDINAL, 32, 1, xcb_get_property_value(r));
    std::free(r);
    xcb_flush(c);
}

void refuseKeyboard(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window)
        return;
    window->winId();   // made if it is not yet
    const auto w = xcb_window_t(window->windowHandle()->winId());
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS"), takeFocus = atom(c, "WM_TAKE_FOCUS");
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, protocols, XCB_ATOM_ATOM, 0, 32), nullptr);
    if (r) {
        const auto *listed = static_cast<const xcb_atom_t *>(xcb_get_property_value(r));
        std::vector<xcb_atom_t> kept;
        for (int i = 0, n = xcb_get_property_value_length(r) / 4; i < n; ++i)
            if (listed[i] != takeFocus)
                kept.push_back(listed[i]);
        if (int(kept.size()) != xcb_get_property_value_length(r) / 4)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, protocols, XCB_ATOM_ATOM, 32, std::uint32_t(kept.size()),
                                kept.data());
    }
    std::free(r);
    xcb_flush(c);
}

}   // namespace platform
