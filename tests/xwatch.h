// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// An X client of the test's own: it sees every top-level window created on
// the display and records, with the X server's timestamps, each change of
// their opacity property, as the window manager and compositor see them.

#include <QImage>
#include <QRgb>
#include <QList>
#include <QMap>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

struct xcb_connection_t;

class XWatch {
public:
    struct Change {
        std::uint32_t window;
        std::uint32_t time;    // X server time, ms
        bool deleted;          // property removed: fully opaque
        std::uint32_t value;   // opacity scaled to 32 bits when set
        bool known;            // false: the window went before its value could be read
        int seq;               // order of arrival
    };

    XWatch();   // on $DISPLAY
    ~XWatch();
    bool ok() const { return m_conn != nullptr; }

    // Changes of the opacity property so far, for one window or every window.
    QList<Change> changes(std::uint32_t window) const;
    QList<Change> changes() const;
    int count() const;                        // a mark: changes seen so far
    QList<std::uint32_t> windows() const;     // top-level windows created since the start
    bool wasMapped(QSize created) const;      // a window created at that size has been mapped, even if gone since
    QList<std::uint32_t> activated() const;   // windows the window manager named active (_NET_ACTIVE_WINDOW), in turn

    // Asked of the server directly.
    QString name(std::uint32_t window) const;
    QSize size(std::uint32_t window) const;
    bool viewable(std::uint32_t window) const;
    qint64 pid(std::uint32_t window) const;                   // _NET_WM_PID: frames of the window manager have none
    std::uint32_t focus() const;                              // the window holding the input focus
    QImage screen(QRect area = {}) const;                     // the root window's pixels, as the user sees them
    QRect rootGeometry(std::uint32_t window) const;           // the client area, in screen coordinates
    QMargins frameExtents(std::uint32_t window) const;        // _NET_FRAME_EXTENTS, as the window manager tells them
    QRgb pixel(QPoint at) const;                              // what the screen shows there
    QStringList allowedActions(std::uint32_t window) const;   // _NET_WM_ALLOWED_ACTIONS, by name

private:
    void run();
    void select(std::uint32_t window);

    xcb_connection_t *m_conn = nullptr;
    xcb_connection_t *m_query = nullptr;
    std::uint32_t m_root = 0, m_opacity = 0, m_active = 0;
    mutable std::mutex m_lock;
    QList<Change> m_changes;
    QList<std::uint32_t> m_windows;
    QMap<std::uint32_t, QSize> m_createdSize;
    QList<QSize> m_mappedSizes;
    QList<std::uint32_t> m_activated;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Stand-ins for a desktop's panels: dock-type windows across the top and
// the bottom of the screen that reserve their strips (struts), painted in
// one flat colour, as long as the object lives.
class Panels {
public:
    static constexpr std::uint32_t Colour = 0x3050a0;   // on screen as qRgb(0x30, 0x50, 0xa0)
    Panels(int top, int bottom);                        // heights in pixels, on $DISPLAY
    ~Panels();
    bool ok() const { return m_conn != nullptr; }
    int top() const { return m_top; }
    int bottom() const { return m_bottom; }
    // Draws them once more: some compositors show nothing of a window
    // until something is drawn in it.
    void paint();

private:
    xcb_connection_t *m_conn = nullptr;
    std::uint32_t m_gc = 0;
    int m_top, m_bottom;
    QList<std::uint32_t> m_windows;
};

// How a fade reached the server.
struct FadeShape {
    int changes = 0;
    std::uint32_t spreadMs = 0;   // first to last change
    int maxWithin10ms = 0;        // the most changes inside any 10 ms of server time
    double medianGapMs = 0;
    // The most changes in a burst (less than 4 ms apart) that no pause of
    // the server before it explains: the program leaping ahead. A server
    // held up a while takes in the steps sent meanwhile at once; that
    // burst follows a pause of about a step per change, and is not counted.
    int leap = 0;
    QString describe() const;
};
FadeShape shapeOf(const QList<XWatch::Change> &changes);
