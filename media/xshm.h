// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Pictures the X server reads straight from our memory (MIT-SHM), so a
// video frame reaches the window without being copied into Qt's backing
// store first: that copy was most of what painting a frame cost.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <functional>

struct xcb_connection_t;

namespace media::xshm {

// Whether pictures can be shared with the X server: the xcb platform on a
// local display, MIT-SHM 1.2 (memory passed as a file) and 24-bit colour
// laid out as QImage::Format_RGB32.  Interface thread; the answer is kept.
bool available();

// Makes RGB32 pictures in shared memory; usable from any thread, also
// after the application is gone (plain pictures then).  Empty when
// sharing is not available.
std::function<QImage(QSize)> allocator();

// The segment the X server knows a picture by; 0 for a picture made any
// other way.
uint32_t segmentOf(const QImage &picture);

// The application's X connection while sharing is available, else null.
xcb_connection_t *connection();

}   // namespace media::xshm
