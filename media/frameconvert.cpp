// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "frameconvert.h"

#include <array>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace media {

namespace {

AVPixelFormat pixelFormat(YuvFrame::Format f)
{
    switch (f) {
    case YuvFrame::NV12: return AV_PIX_FMT_NV12;
    case YuvFrame::Y42B: return AV_PIX_FMT_YUV422P;
    case YuvFrame::Y444: return AV_PIX_FMT_YUV444P;
    default: return AV_PIX_FMT_YUV420P;   // I420, and YV12 with its planes swapped
    }
}

// The planar layout a frame is scaled into (NV12's chroma is split on the way).
AVPixelFormat scaledFormat(YuvFrame::Format f)
{
    const AVPixelFormat in = pixelFormat(f);
    return in == AV_PIX_FMT_NV12 ? AV_PIX_FMT_YUV420P : in;
}
}   // namespace

FrameConverter::~FrameConverter()
{
    sws_freeContext(m_scale);
    sws_freeContext(m_convert);
    freePlanes();
}

void FrameConverter::freePlanes()
{
    av_freep(&m_planes[0]);   // one block for all planes
    std::fill(std::begin(m_planes), std::end(m_planes), nullptr);
    std::fill(std::begin(m_strides), std::end(m_strides), 0);
}

// Sets up both passes for a frame of this shape, once per shape.
bool FrameConverter::prepare(const YuvFrame &frame, QSize size)
{
    const std::array<int, 5> shape{frame.width, frame.height, int(frame.format), size.width(), size.height()};
    if (shape == m_shape && m_convert)
        return true;
    sws_freeContext(m_scale);
    sws_freeContext(m_convert);
    m_scale = m_convert = nullptr;
    freePlanes();
    m_shape = {};
    m_colours = -1;   // a new context: its colour details are to be set again
    const bool scaled = size != QSize(frame.width, frame.height);
    const AVPixelFormat from = scaled ? scaledFormat(frame.format) : pixelFormat(frame.format);
    if (scaled) {
        m_scale = sws_getContext(frame.width, frame.height, pixelFormat(frame.format), size.width(), size.height(),
                                 from, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_scale || av_image_alloc(m_planes, m_strides, size.width(), size.height(), from, 64) < 0)
            return false;
    }
    // AV_PIX_FMT_RGB32 is 0xAARRGGBB in native order, as QImage::Format_RGB32.
    m_convert = sws_getContext(size.width(), size.height(), from, size.width(), size.height(), AV_PIX_FMT_RGB32,
                               SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!m_convert)
        return false;
    m_shape = shape;
    return true;
}

QImage FrameConverter::target(QSize size)
{
    for (QImage &img : m_pool)
        if (img.size() == size && img.isDetached())
            return img;   // shares with the pool only: free to write over
    QImage img = m_allocate ? m_allocate(size) : QImage(size, QImage::Format_RGB32);
    if (img.isNull())
        return img;
    if (m_pool.size() >= m_poolSize)
        m_pool.erase(m_pool.begin());
    m_pool.push_back(img);
    return img;
}

QImage FrameConverter::convert(const YuvFrame &frame, QSize size)
{
    if (frame.width <= 0 || frame.height <= 0 || size.isEmpty() || !prepare(frame, size))
        return {};
    const int colours = (frame.bt709 ? 2 : 0) | (frame.fullRange ? 1 : 0);
    if (colours != m_colours) {
        sws_setColorspaceDetails(m_convert, sws_getCoefficients(frame.bt709 ? SWS_CS_ITU709 : SWS_CS_ITU601),
                                 frame.fullRange ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        m_colours = colours;
    }
    const uint8_t *src[4] = {frame.planes[0], frame.planes[1], frame.planes[2], nullptr};
    int srcStride[4] = {frame.strides[0], frame.strides[1], frame.strides[2], 0};
    if (frame.format == YuvFrame::YV12) {
        std::swap(src[1], src[2]);
        std::swap(srcStride[1], srcStride[2]);
    }
    if (m_scale) {
        // Levels pass through untouched: both ends are the same kind of YUV.
        if (sws_scale(m_scale, src, srcStride, 0, frame.height, m_planes, m_strides) != size.height())
            return {};
        std::copy(std::begin(m_planes), std::end(m_planes), src);
        std::copy(std::begin(m_strides), std::end(m_strides), srcStride);
    }
    QImage out = target(size);
    if (out.isNull())
        return out;
    // Written in place: the pool and 'out' are the only holders, and
    // bits() would make a copy first because of them.
    uint8_t *dst[4] = {const_cast<uint8_t *>(out.constBits()), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(out.bytesPerLine()), 0, 0, 0};
    if (sws_scale(m_convert, src, srcStride, 0, size.height(), dst, dstStride) != size.height())
        return {};
    return out;
}

}   // namespace media
