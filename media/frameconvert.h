// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Decoded frames made into pictures at the size they are shown, by
// FFmpeg's libswscale, on the thread that delivers the frame: bilinear
// scaling of the YUV planes, then colour conversion at the size shown.
// Two passes cost less than one here: libswscale's scaled path into
// packed RGB is plain C, its unscaled YUV to RGB path is vectorised.

#include <QImage>
#include <QSize>
#include <array>
#include <functional>
#include <vector>

struct SwsContext;

namespace media {

// One decoded frame, as the decoder lays it out.
struct YuvFrame {
    enum Format { I420, YV12, NV12, Y42B, Y444 };
    Format format = I420;
    int width = 0, height = 0;
    const unsigned char *planes[3] = {};
    int strides[3] = {};
    bool bt709 = false;       // otherwise BT.601
    bool fullRange = false;   // otherwise 16..235 (219 levels of luma)
};

class FrameConverter {
public:
    // Keeps up to poolSize pictures for reuse.
    explicit FrameConverter(size_t poolSize = 3) : m_poolSize(poolSize) {}
    ~FrameConverter();
    FrameConverter(const FrameConverter &) = delete;
    FrameConverter &operator=(const FrameConverter &) = delete;

    // Where new pictures come from (RGB32 of the size asked); plain
    // QImages when unset.
    void setAllocator(std::function<QImage(QSize)> allocate) { m_allocate = std::move(allocate); }

    // The frame as an RGB32 picture of the given size; null on failure.
    // Pictures are reused once nobody else holds them.
    QImage convert(const YuvFrame &frame, QSize size);

private:
    QImage target(QSize size);
    bool prepare(const YuvFrame &frame, QSize size);
    void freePlanes();
    SwsContext *m_scale = nullptr;     // YUV to YUV at the size shown; none at the frame's own size
    SwsContext *m_convert = nullptr;   // YUV to RGB, unscaled
    int m_colours = -1;                // the colour details m_convert was set up for
    std::array<int, 5> m_shape{};
    unsigned char *m_planes[4] = {};   // the scaled frame
    int m_strides[4] = {};
    size_t m_poolSize;
    std::vector<QImage> m_pool;
    std::function<QImage(QSize)> m_allocate;
};

}   // namespace media
