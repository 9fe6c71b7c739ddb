// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "xwatch.h"

#include <QPoint>
#include <QSize>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>

namespace {
xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}
}   // namespace

XWatch::XWatch()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    m_conn = c;
    m_query = xcb_connect(nullptr, nullptr);
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    m_opacity = atom(c, "_NET_WM_WINDOW_OPACITY");
    m_active = atom(c, "_NET_ACTIVE_WINDOW");
    // New top-level windows are created as children of the root, before
    // the window manager frames them: catch each as it comes.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    m_thread = std::thread([this] { run(); });
}

XWatch::~XWatch()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_conn)
        xcb_disconnect(m_conn);
    if (m_query)
        xcb_disconnect(m_query);
}

void XWatch::select(std::uint32_t window)
{
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_conn, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_conn);
}

void XWatch::run()
{
    int seq = 0;
    const int fd = xcb_get_file_descriptor(m_conn);
    while (!m_stop) {
        xcb_generic_event_t *e = xcb_poll_for_event(m_conn);
        if (!e) {
            if (xcb_connection_has_error(m_conn))
                return;
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 20);
            continue;
        }
        const int type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto *ce = reinterpret_cast<xcb_create_notify_event_t *>(e);
            if (ce->parent == m_root) {
                select(ce->window);
                std::lock_guard<std::mutex> g(m_lock);
                m_windows << ce->window;
                m_createdSize.insert(ce->window, QSize(ce->width, ce->height));
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto *me = reinterpret_cast<xcb_map_notify_event_t *>(e);
            std::lock_guard<std::mutex> g(m_lock);
            if (m_createdSize.contains(me->window))
                m_mappedSizes << m_createdSize.value(me->window);
        } else if (type == XCB_PROPERTY_NOTIFY) {
            auto *pe = reinterpret_cast<xcb_property_notify_event_t *>(e);
            if (pe->window == m_root && pe->atom == m_active) {
                xcb_get_property_reply_t *r = xcb_get_property_reply(
                    m_conn, xcb_get_property(m_conn, 0, m_root, m_active, XCB_ATOM_WINDOW, 0, 1), nullptr);
                if (r && xcb_get_property_value_length(r) >= 4) {
                    std::uint32_t w = 0;
                    std::memcpy(&w, xcb_get_property_value(r), 4);
                    std::lock_guard<std::mutex> g(m_lock);
                    m_activated << w;
                }
                std::free(r);
            } else if (pe->atom == m_opacity) {
                Change ch{pe->window, pe->time, pe->state == XCB_PROPERTY_DELETE, 0xffffffffu, true, 0};
                if (!ch.deleted) {
                    // The value now, which a watcher held up by a busy machine may
                    // read a step late, or not at all once the window is gone.
                    xcb_get_property_reply_t *r = xcb_get_property_reply(
                        m_conn, xcb_get_property(m_conn, 0, pe->window, m_opacity, XCB_ATOM_CARDINAL, 0, 1), nullptr);
                    ch.known = r && xcb_get_property_value_length(r) >= 4;
                    if (ch.known)
                        std::memcpy(&ch.value, xcb_get_property_value(r), 4);
                    std::free(r);
                }
                std::lock_guard<std::mutex> g(m_lock);
                ch.seq = seq++;
                m_changes << ch;
            }
        }
        std::free(e);
    }
}

QList<std::uint32_t> XWatch::activated() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_activated;
}

QList<XWatch::Change> XWatch::changes(std::uint32_t window) const
{
    std::lock_guard<std::mutex> g(m_lock);
    QList<Change> out;
    for (const Change &c : m_changes)
        if (c.window == window)
            out << c;
    return out;
}

QList<XWatch::Change> XWatch::changes() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_changes;
}

int XWatch::count() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return int(m_changes.size());
}

QList<std::uint32_t> XWatch::windows() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_windows;
}

bool XWatch::wasMapped(QSize created) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_mappedSizes.contains(created);
}

// The queries below use a connection of their own: the watching one is
// read by its thread, and asking on it would steal its events.
QString XWatch::name(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING");
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, netName, utf8, 0, 256), nullptr);
    QString out;
    if (r)
        out = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return out;
}

QSize XWatch::size(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    xcb_get_geometry_reply_t *r = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const QSize out = r ? QSize(r->width, r->height) : QSize();
    std::free(r);
    return out;
}

bool XWatch::viewable(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    xcb_get_window_attributes_reply_t *r =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool out = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(r);
    return out;
}

qint64 XWatch::pid(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    const xcb_atom_t netPid = atom(c, "_NET_WM_PID");
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, netPid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    qint64 out = -1;
    if (r && xcb_get_property_value_length(r) >= 4)
        out = *static_cast<const std::uint32_t *>(xcb_get_property_value(r));
    std::free(r);
    return out;
}

QImage XWatch::screen(QRect area) const
{
    xcb_connection_t *c = m_query;
    const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (area.isNull())
        area = QRect(0, 0, s->width_in_pixels, s->height_in_pixels);
    xcb_get_image_reply_t *r =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(area.x()), int16_t(area.y()),
                                          uint16_t(area.width()), uint16_t(area.height()), ~0u),
                            nullptr);
    QImage out;
    // A depth-24 screen in 32-bit pixels, as Xvfb gives it.
    if (r && r->depth == 24 && xcb_get_image_data_length(r) == area.width() * area.height() * 4)
        out = QImage(xcb_get_image_data(r), area.width(), area.height(), QImage::Format_RGB32).copy();
    std::free(r);
    return out;
}

std::uint32_t XWatch::focus() const
{
    xcb_connection_t *c = m_query;
    xcb_get_input_focus_reply_t *r = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const std::uint32_t out = r ? r->focus : 0;
    std::free(r);
    return out;
}

Panels::Panels(int top, int bottom) : m_top(top), m_bottom(bottom)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    m_conn = c;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE"), dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK"),
                     strut = atom(c, "_NET_WM_STRUT"), partial = atom(c, "_NET_WM_STRUT_PARTIAL");
    const int w = screen->width_in_pixels, h = screen->height_in_pixels;
    for (const bool atTop : {true, false}) {
        const int height = atTop ? top : bottom;
        const xcb_window_t win = xcb_generate_id(c);
        const std::uint32_t values[] = {Colour};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, 0, std::int16_t(atTop ? 0 : h - height),
                          std::uint16_t(w), std::uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, type, XCB_ATOM_ATOM, 32, 1, &dock);
        // Placed and sized by the program itself (US and P position and size, fixed size).
        const std::uint32_t y = std::uint32_t(atTop ? 0 : h - height), hh = std::uint32_t(height);
        const std::uint32_t hints[18] = {1 | 2 | 4 | 8 | 16 | 32, 0, y, std::uint32_t(w), hh, std::uint32_t(w), hh,
                                         std::uint32_t(w),        hh};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                            hints);
        // left, right, top, bottom, then the start and end of each strip.
        std::uint32_t s[12] = {};
        s[atTop ? 2 : 3] = std::uint32_t(height);
        s[atTop ? 9 : 11] = std::uint32_t(w - 1);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, partial, XCB_ATOM_CARDINAL, 32, 12, s);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, strut, XCB_ATOM_CARDINAL, 32, 4, s);
        const char *name = atTop ? "top panel" : "bottom panel";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            std::uint32_t(std::strlen(name)), name);
        xcb_map_window(c, win);
        m_windows << win;
    }
    m_gc = xcb_generate_id(c);
    const std::uint32_t colour[] = {Colour};
    xcb_create_gc(c, m_gc, screen->root, XCB_GC_FOREGROUND, colour);
    xcb_flush(c);
}

void Panels::paint()
{
    for (std::uint32_t win : m_windows) {
        const xcb_rectangle_t all{0, 0, 0xffff, 0xffff};
        xcb_poly_fill_rectangle(m_conn, win, m_gc, 1, &all);
    }
    xcb_flush(m_conn);
}

Panels::~Panels()
{
    if (m_conn)
        xcb_disconnect(m_conn);
}

QRect XWatch::rootGeometry(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    xcb_translate_coordinates_reply_t *t =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, m_root, 0, 0), nullptr);
    const QRect out = g && t ? QRect(t->dst_x, t->dst_y, g->width, g->height) : QRect();
    std::free(g);
    std::free(t);
    return out;
}

QMargins XWatch::frameExtents(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
    QMargins out;
    if (r && xcb_get_property_value_length(r) == 16) {
        const auto *v = static_cast<const std::uint32_t *>(xcb_get_property_value(r));
        out = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }
    std::free(r);
    return out;
}

QStringList XWatch::allowedActions(std::uint32_t window) const
{
    xcb_connection_t *c = m_query;
    const xcb_atom_t allowed = atom(c, "_NET_WM_ALLOWED_ACTIONS");
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, allowed, XCB_ATOM_ATOM, 0, 64), nullptr);
    QStringList out;
    if (r) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(r));
        for (int i = 0, n = xcb_get_property_value_length(r) / 4; i < n; ++i) {
            xcb_get_atom_name_reply_t *a = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atoms[i]), nullptr);
            if (a)
                out << QString::fromLatin1(xcb_get_atom_name_name(a), xcb_get_atom_name_name_length(a));
            std::free(a);
        }
    }
    std::free(r);
    return out;
}

QRgb XWatch::pixel(QPoint at) const
{
    xcb_connection_t *c = m_query;
    xcb_get_image_reply_t *r = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(at.x()), std::int16_t(at.y()), 1, 1, ~0u),
        nullptr);
    QRgb out = 0;
    if (r && xcb_get_image_data_length(r) >= 4) {
        const std::uint8_t *d = xcb_get_image_data(r);   // 24-bit depth: blue, green, red, pad
        out = qRgb(d[2], d[1], d[0]);
    }
    std::free(r);
    return out;
}

FadeShape shapeOf(const QList<XWatch::Change> &changes)
{
    FadeShape s;
    s.changes = int(changes.size());
    if (changes.isEmpty())
        return s;
    QList<std::uint32_t> times;
    for (const auto &c : changes)
        times << c.time;
    std::sort(times.begin(), times.end());
    s.spreadMs = times.last() - times.first();
    for (qsizetype i = 0, j = 0; i < times.size(); ++i) {
        while (times[i] - times[j] >= 10)
            ++j;
        s.maxWithin10ms = std::max(s.maxWithin10ms, int(i - j + 1));
    }
    QList<std::uint32_t> gaps;
    for (qsizetype i = 1; i < times.size(); ++i)
        gaps << times[i] - times[i - 1];
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.isEmpty())
        s.medianGapMs =
            gaps.size() % 2 ? gaps[gaps.size() / 2] : (gaps[gaps.size() / 2 - 1] + gaps[gaps.size() / 2]) / 2.0;
    // Bursts, and the pause before each (none known before the first change).
    for (qsizetype a = 0, b = 0; a < times.size(); a = b + 1) {
        for (b = a; b + 1 < times.size() && times[b + 1] - times[b] < 4;)
            ++b;
        const qsizetype n = b - a + 1;
        const double held = a > 0 ? double(times[b] - times[a - 1]) : 1e9;
        if (n >= 3 && held < (n - 1) * s.medianGapMs / 2)
            s.leap = std::max(s.leap, int(n));
    }
    return s;
}

QString FadeShape::describe() const
{
    return QStringLiteral("%1 changes over %2 ms, at most %3 within 10 ms, median gap %4 ms, leap of %5")
        .arg(changes)
        .arg(spreadMs)
        .arg(maxWithin10ms)
        .arg(medianGapMs)
        .arg(leap);
}
