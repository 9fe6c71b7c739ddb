// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Pictures made ahead of the sink, in bursts: up to High wait in the queue
// before the sink, and making starts again once Low are left.  Work done
// in one burst runs on warm caches; a thread woken for every frame pays
// for a cold start each time, which here cost more than the work.
//
// The buffers are not held, only recognised by address and time (a pool
// hands the same address out again once a buffer is let go).

#include <QImage>
#include <condition_variable>
#include <deque>
#include <gst/gst.h>
#include <mutex>

namespace media {

class AheadPictures {
public:
    static constexpr int High = 3, Low = 1;

    // The thread feeding the queue: keeps the picture made of 'buffer';
    // once a burst is made, waits until the sink has taken most of it.
    void add(GstBuffer *buffer, QImage picture);
    // The queue's own thread: a buffer went on to the sink.
    void left();
    // A seek empties the queue: true as it starts, false once done.
    void flush(bool starting);
    // The picture made of the buffer the sink has now; those made before
    // it are dropped, and the prerolled one is kept to be shown again.
    QImage take(GstBuffer *buffer, bool preroll);
    // Tearing down: nothing may wait any more, and nothing is kept.
    void stop();
    void clear();

private:
    struct Made {
        GstBuffer *buffer;
        GstClockTime pts;
        QImage picture;
    };
    std::mutex m_lock;
    std::condition_variable m_cv;
    std::deque<Made> m_made;
    int m_queued = 0;   // buffers in the queue before the sink
    bool m_flushing = false;
    bool m_stopping = false;
};

}   // namespace media
