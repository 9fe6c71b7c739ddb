// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "xvideo.h"

#include "xshm.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

namespace media {

namespace {

// Errors of these requests are nobody's concern (the window may have gone
// with its top-level): they are asked for and dropped, never reported.
void quietly(xcb_connection_t *c, xcb_void_cookie_t cookie) { xcb_discard_reply(c, cookie.sequence); }

// The visual's pixels as QImage::Format_RGB32 has them.
bool fitsRgb32(xcb_connection_t *c, xcb_visualid_t visual, uint8_t depth)
{
    if (depth != 24)
        return false;
    for (auto s = xcb_setup_roots_iterator(xcb_get_setup(c)); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return d.data->depth == 24 && v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
    return false;
}
}   // namespace

std::unique_ptr<XVideoWindow> XVideoWindow::create(QWidget *widget)
{
    if (!widget || !xshm::available())
        return {};
    return std::unique_ptr<XVideoWindow>(new XVideoWindow(widget));
}

XVideoWindow::XVideoWindow(QWidget *widget) : m_widget(widget)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XVideoWindow::~XVideoWindow()
{
    xcb_connection_t *c = xshm::connection();
    if (!c)
        return;
    // Nothing more is read from these pictures after the window goes.
    for (const Pending &p : m_pending)
        xcb_discard_reply(c, p.sequence);
    if (m_window) {
        quietly(c, xcb_free_gc_checked(c, m_gc));
        quietly(c, xcb_destroy_window_checked(c, m_window));
        xcb_flush(c);
    }
}

bool XVideoWindow::makeWindow(unsigned parent)
{
    xcb_connection_t *c = xshm::connection();
    if (m_gc)   // the old window went with its top-level; its GC did not
        quietly(c, xcb_free_gc_checked(c, m_gc));
    m_parent = parent;
    m_window = m_gc = 0;
    m_mapped = false;
    m_geometry = m_shownRect = QRect();
    auto *attrs = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, parent), nullptr);
    auto *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, parent), nullptr);
    m_unusable = !attrs || !geometry || !fitsRgb32(c, attrs->visual, geometry->depth);
    free(attrs);
    free(geometry);
    if (m_unusable)
        return false;
    m_window = xcb_generate_id(c);
    // Black where no picture is; exposures are answered with the picture.
    const uint32_t values[] = {0, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, parent, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    m_gc = xcb_generate_id(c);
    const uint32_t noExposures = 0;
    xcb_create_gc(c, m_gc, m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    return true;
}

// Puts our window over the widget, making it first (or again, when the
// top-level's own window was made anew and took ours with it).
bool XVideoWindow::place()
{
    xcb_connection_t *c = xshm::connection();
    QWidget *top = m_widget ? m_widget->window() : nullptr;
    if (!c || !top || !top->isVisible() || !top->windowHandle() || top->devicePixelRatioF() != 1.0)
        return false;
    // The window's own id, not the widget's: Qt makes the X window anew
    // for some flag changes without telling the widget.
    const auto parent = unsigned(top->windowHandle()->winId());
    if (parent != m_parent && !makeWindow(parent))
        return false;
    if (m_unusable)
        return false;
    const QRect g(m_widget->mapTo(top, QPoint(0, 0)), m_widget->size().expandedTo(QSize(1, 1)));
    if (g != m_geometry) {
        const uint32_t values[] = {uint32_t(g.x()), uint32_t(g.y()), uint32_t(g.width()), uint32_t(g.height())};
        xcb_configure_window(
            c, m_window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
            values);
        m_geometry = g;
        m_shownRect = QRect();
    }
    if (!m_mapped) {
        xcb_map_window(c, m_window);
        m_mapped = true;
        m_shownRect = QRect();
    }
    return true;
}

bool XVideoWindow::show(const QImage &picture)
{
    settle(3);
    const uint32_t segment = picture.isNull() ? 0 : xshm::segmentOf(picture);
    if ((!picture.isNull() && !segment) || !place()) {
        hide();
        return false;
    }
    xcb_connection_t *c = xshm::connection();
    const QRect target(QPoint((m_geometry.width() - picture.width()) / 2, (m_geometry.height() - picture.height()) / 2),
                       picture.size());
    if (target != m_shownRect)   // black bars anew, or all black
        quietly(c, xcb_clear_area_checked(c, 0, m_window, 0, 0, 0, 0));
    m_shown = picture;
    m_segment = segment;
    m_shownRect = target;
    put();
    xcb_flush(c);
    return true;
}

void XVideoWindow::put()
{
    xcb_connection_t *c = xshm::connection();
    if (!c || !m_segment || !m_mapped)
        return;
    const auto w = uint16_t(m_shown.width()), h = uint16_t(m_shown.height());
    quietly(c, xcb_shm_put_image_checked(c, m_window, m_gc, w, h, 0, 0, w, h, int16_t(m_shownRect.x()),
                                         int16_t(m_shownRect.y()), 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, m_segment, 0));
    m_pending.push_back({m_shown, xcb_get_input_focus(c).sequence});
}

// Lets go of pictures the server is done with; waits for the oldest
// while more than KEEP are outstanding (at 25 pictures a second the
// answers are long in by then).
void XVideoWindow::settle(size_t keep)
{
    xcb_connection_t *c = xshm::connection();
    while (c && !m_pending.empty()) {
        const unsigned sequence = m_pending.front().sequence;
        void *reply = nullptr;
        xcb_generic_error_t *error = nullptr;
        if (m_pending.size() > keep)
            reply = xcb_get_input_focus_reply(c, xcb_get_input_focus_cookie_t{sequence}, &error);
        else if (!xcb_poll_for_reply(c, sequence, &reply, &error))
            break;
        free(reply);
        free(error);
        m_pending.pop_front();
    }
}

void XVideoWindow::hide()
{
    xcb_connection_t *c = xshm::connection();
    if (!c || !m_mapped)
        return;
    xcb_unmap_window(c, m_window);
    xcb_flush(c);
    m_mapped = false;
}

bool XVideoWindow::nativeEventFilter(const QByteArray &type, void *message, qintptr *)
{
    if (!m_window || type != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_EXPOSE)
        return false;
    const auto *expose = reinterpret_cast<const xcb_expose_event_t *>(event);
    if (expose->window != m_window)
        return false;
    if (xcb_connection_t *c = xshm::connection(); c && expose->count == 0 && m_mapped) {
        put();   // the server cleared it to black: the picture again
        xcb_flush(c);
    }
    return true;
}

}   // namespace media
