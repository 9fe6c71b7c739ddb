// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "ahead.h"

#include <algorithm>

namespace media {

void AheadPictures::add(GstBuffer *buffer, QImage picture)
{
    std::unique_lock lock(m_lock);
    m_made.push_back({buffer, GST_BUFFER_PTS(buffer), std::move(picture)});
    if (++m_queued >= High)
        m_cv.wait(lock, [this] { return m_queued <= Low || m_flushing || m_stopping; });
}

void AheadPictures::left()
{
    std::lock_guard lock(m_lock);
    if (--m_queued <= Low)
        m_cv.notify_all();
}

void AheadPictures::flush(bool starting)
{
    std::lock_guard lock(m_lock);
    m_flushing = starting;
    if (!starting) {   // the queue is empty again
        m_queued = 0;
        m_made.clear();
    }
    m_cv.notify_all();
}

QImage AheadPictures::take(GstBuffer *buffer, bool preroll)
{
    std::lock_guard lock(m_lock);
    const GstClockTime pts = buffer ? GST_BUFFER_PTS(buffer) : GST_CLOCK_TIME_NONE;
    const auto made = std::find_if(m_made.begin(), m_made.end(),
                                   [buffer, pts](const Made &a) { return a.buffer == buffer && a.pts == pts; });
    if (made == m_made.end())
        return {};
    QImage picture = made->picture;
    m_made.erase(m_made.begin(), preroll ? made : made + 1);
    return picture;
}

void AheadPictures::stop()
{
    std::lock_guard lock(m_lock);
    m_stopping = true;
    m_cv.notify_all();
}

void AheadPictures::clear()
{
    std::lock_guard lock(m_lock);
    m_made.clear();
}

}   // namespace media
