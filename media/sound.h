// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The sound server, as a clip about to open finds it.  Without one, the
// sound goes to the sound card or nowhere; one that does not answer would hold every clip that tries it, so those
// clips go silent instead, at their own pace.

#include <atomic>
#include <chrono>
#include <gst/gst.h>

namespace media::sound {

enum class Server { Answers, Absent, Stalled };

// Asks the PulseAudio server (or PipeWire's stand-in) whether it answers,
// waiting at most 'limit'.  Never starts a server.
Server check(std::chrono::milliseconds limit);

// The audio sink for a clip, behind a volume element of its own (set in
// 'volume'): a silent one that keeps the clip's pace, or the system's own:
// the sound server's when it answers, else the sound card's (ALSA) if
// there is one.  Null when none can be made.
GstElement *makeSink(bool silent, Server server, GstElement **volume);

// Whether sound still flows into a playing clip's sink: the streaming
// thread notes every buffer, the worker looks now and then.
class Watch {
public:
    void buffer() { m_last = now(); }
    void ended() { m_ended = true; }
    void restart() { m_last = 0, m_ended = false; }   // counts from the next buffer
    // No sound taken for longer than 'limit' while it should flow.
    bool stalled(std::chrono::milliseconds limit) const
    {
        const long long last = m_last;
        return last != 0 && !m_ended && now() - last > limit.count() * 1000000LL;
    }

private:
    static long long now()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    std::atomic<long long> m_last{0};   // 0: no sound yet
    std::atomic<bool> m_ended{false};
};

}   // namespace media::sound
