// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "bus.h"

#include "session.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace media {

namespace bus {

GstBusSyncReply onMessage(GstBus *, GstMessage *message, gpointer data)
{
    Session *s = static_cast<std::shared_ptr<Session> *>(data)->get();
    s->progressed();
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_STREAM_STATUS) {
        GstStreamStatusType status;
        GstElement *owner = nullptr;
        gst_message_parse_stream_status(message, &status, &owner);
        // Told on the streaming thread itself, which gives way like the worker.
        if (status == GST_STREAM_STATUS_TYPE_ENTER)
            setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 5);
    } else if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS ||
               (type == GST_MESSAGE_STATE_CHANGED && GST_MESSAGE_SRC(message) == GST_OBJECT(s->pipeline()))) {
        s->busMessage(gst_message_ref(message));
    }
    // A dropped message is ours to let go: the bus hands over its reference.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

}   // namespace bus

void Session::busMessage(GstMessage *message)
{
    {
        std::lock_guard lock(m_lock);
        m_messages.push_back(message);
        m_cv.notify_all();
    }
}

bool Session::handle(GstMessage *message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        // The sound server went away under a playing clip: the clip goes on without it.
        if (m_audioSink && !silent &&
            (GST_MESSAGE_SRC(message) == GST_OBJECT(m_audioSink) ||
             gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(m_audioSink)))) {
            soundLost();
            return false;
        }
        GError *error = nullptr;
        gchar *debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        event(Failed, QString::fromUtf8(error ? error->message : "error"));
        g_clear_error(&error);
        g_free(debug);
        return false;   // the clip cannot be played: stop it at once
    }
    case GST_MESSAGE_EOS: event(End); break;
    case GST_MESSAGE_STATE_CHANGED: {
        GstState old, now, pending;
        gst_message_parse_state_changed(message, &old, &now, &pending);
        if (now >= GST_STATE_PAUSED && !m_prerolled) {
            m_prerolled = true;
            if (startAt > 0)   // opened again where the clip stood
                gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME,
                                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), startAt);
        }
        m_playingNow = now == GST_STATE_PLAYING && m_wantPlaying;
        if (m_playingNow) {
            m_sound.restart();
            event(Playing);
        } else if (now == GST_STATE_PAUSED && m_userPaused && pending == GST_STATE_VOID_PENDING) {
            event(Paused);
        }
        break;
    }
    default: break;
    }
    return true;
}

}   // namespace media
