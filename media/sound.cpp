// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "sound.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>

namespace media::sound {

namespace {
Server ask(std::chrono::milliseconds limit);
std::atomic<bool> g_stalled{false};
}   // namespace

// A stalled server's queue of connections fills up, and then a connection
// fails as if nobody were there: until it answers again, it stays stalled.
Server check(std::chrono::milliseconds limit)
{
    Server verdict = ask(limit);
    if (verdict == Server::Absent && g_stalled)
        verdict = Server::Stalled;
    g_stalled = verdict == Server::Stalled;
    return verdict;
}

namespace {
Server ask(std::chrono::milliseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    pa_mainloop *loop = pa_mainloop_new();
    if (!loop)
        return Server::Absent;
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "Syrel");
    Server verdict = Server::Absent;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        verdict = Server::Stalled;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                verdict = Server::Answers;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) {
                // Refused or gone: nobody is there.  A server that stops
                // answering half way is as good as stalled.
                verdict = pa_context_errno(context) == PA_ERR_TIMEOUT ? Server::Stalled : Server::Absent;
                break;
            }
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                break;
            if (pa_mainloop_prepare(loop, int(left.count())) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return verdict;
}
}   // namespace

namespace {
// No server: the card itself.  autoaudiosink would go on to JACK, OpenAL
// and OSS, each loading libraries of its own into the player, for outputs
// a desktop without a sound server does not have either.  Tried as
// autoaudiosink tries: it must open.
GstElement *soundCard()
{
    GstElement *alsa = gst_element_factory_make("alsasink", nullptr);
    if (!alsa)
        return nullptr;
    gst_object_ref_sink(alsa);
    const bool opens = gst_element_set_state(alsa, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    gst_element_set_state(alsa, GST_STATE_NULL);
    if (opens)
        return alsa;
    gst_object_unref(alsa);
    return nullptr;
}
}   // namespace

GstElement *makeSink(bool silent, Server server, GstElement **volume)
{
    auto owned = [](const char *factory) {
        GstElement *e = gst_element_factory_make(factory, nullptr);
        return e ? GST_ELEMENT(gst_object_ref_sink(e)) : nullptr;
    };
    GstElement *sink = nullptr;
    if (!silent)
        sink = server == Server::Answers ? owned("autoaudiosink") : soundCard();
    if (!sink) {
        silent = true;
        sink = owned("fakesink");
    }
    GstElement *level = owned("volume");
    if (!sink || !level) {
        for (GstElement *e : {sink, level})
            if (e)
                gst_object_unref(e);
        *volume = nullptr;
        return nullptr;
    }
    if (silent)
        g_object_set(sink, "sync", TRUE, nullptr);
    GstElement *bin = gst_bin_new("sound");
    gst_bin_add_many(GST_BIN(bin), level, sink, nullptr);
    gst_element_link(level, sink);
    GstPad *pad = gst_element_get_static_pad(level, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);
    gst_object_unref(level);   // the bin holds them now
    gst_object_unref(sink);
    *volume = level;
    return bin;
}

}   // namespace media::sound
