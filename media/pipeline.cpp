// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// A clip's pipeline: playbin, its video made RGB at the size shown ahead
// of an appsink, its sound into a sink of our choosing.

#include "session.h"

#include "bus.h"

#include <QFile>

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace media {

namespace {
using namespace std::chrono_literals;

// playbin's flags: video and audio; no subtitles, no deinterlacing or
// colour balance elements in the path.  The volume is ours (its sound bin):
// playbin's own volume element outlived every pipeline it was made for.
constexpr guint PlayFlags = 0x1 | 0x2;
// How long a sound server may take to answer before a clip goes silent.
constexpr auto SoundServerLimit = 750ms;

// One decoding thread: the clips are small, and frame threads cost more in
// hand-overs than they save.
// libvpx's own default is a thread per core, each with its stack and arena.
void onElementAdded(GstBin *, GstBin *, GstElement *element, gpointer)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    if (!factory)
        return;
    const char *name = GST_OBJECT_NAME(factory);
    GObjectClass *type = G_OBJECT_GET_CLASS(element);
    if (g_str_has_prefix(name, "avdec_") && g_object_class_find_property(type, "max-threads"))
        g_object_set(element, "max-threads", 1, nullptr);
    else if ((!std::strcmp(name, "vp8dec") || !std::strcmp(name, "vp9dec")) &&
             g_object_class_find_property(type, "threads"))
        g_object_set(element, "threads", 1u, nullptr);
}

GstFlowReturn onSample(GstAppSink *sink, gpointer data)
{
    if (GstSample *sample = gst_app_sink_pull_sample(sink))
        static_cast<Session *>(data)->deliverSample(sample, false);
    return GST_FLOW_OK;
}

GstFlowReturn onPreroll(GstAppSink *sink, gpointer data)
{
    if (GstSample *sample = gst_app_sink_pull_preroll(sink))
        static_cast<Session *>(data)->deliverSample(sample, true);
    return GST_FLOW_OK;
}

// Before the queue, on the thread that feeds it: the picture is made here.
GstPadProbeReturn onQueueIn(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    auto *s = static_cast<Session *>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        // Only the frame's times go on to the sink: the decoded frame goes
        // back to its pool at once instead of waiting in the queue beside
        // the picture made of it.
        GstBuffer *frame = GST_PAD_PROBE_INFO_BUFFER(info);
        GstBuffer *times = gst_buffer_new();
        gst_buffer_copy_into(times, frame, GstBufferCopyFlags(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS), 0,
                             0);
        GST_PAD_PROBE_INFO_DATA(info) = times;
        GstCaps *caps = gst_pad_get_current_caps(pad);
        QImage picture = s->makePicture(frame, caps);
        if (caps)
            gst_caps_unref(caps);
        gst_buffer_unref(frame);
        s->madeAhead(times, std::move(picture));
    } else if (GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info)) {
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_START)
            s->flush(true);
        else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP)
            s->flush(false);
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn onQueueOut(GstPad *, GstPadProbeInfo *, gpointer data)
{
    static_cast<Session *>(data)->leftQueue();
    return GST_PAD_PROBE_OK;
}

// Sound going into its sink: the worker sees from this that it flows.
GstPadProbeReturn onSound(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    sound::Watch &watch = static_cast<Session *>(data)->soundWatch();
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER)
        watch.buffer();
    else if (GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info); event && GST_EVENT_TYPE(event) == GST_EVENT_EOS)
        watch.ended();
    return GST_PAD_PROBE_OK;
}

// What the decoders hand out in the main: anything else is made I420 first.
GstCaps *frameCaps() { return gst_caps_from_string("video/x-raw, format=(string){ I420, YV12, NV12, Y42B, Y444 }"); }

}   // namespace

// The clip must be a plain file: a named pipe or a device would hold its
// reader, and none of them is a clip.  Opening without waiting tells.
bool Session::probe()
{
    const QByteArray local = QFile::encodeName(m_path);
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        event(Failed, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st {};
    const bool plain = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!plain)
        event(Failed, QStringLiteral("not a clip file"));
    return plain;
}

bool Session::build()
{
    m_pipeline = gst_element_factory_make("playbin", nullptr);
    GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement *queue = gst_element_factory_make("queue", nullptr);
    GstElement *sink = gst_element_factory_make("appsink", nullptr);
    if (!m_pipeline || !convert || !filter || !queue || !sink) {
        for (GstElement *e : {m_pipeline, convert, filter, queue, sink})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        m_pipeline = nullptr;
        event(Failed, QStringLiteral("GStreamer's playbin, videoconvert or appsink is missing"));
        return false;
    }
    // Frames come as decoded (videoconvert lets the usual formats through
    // untouched); they are made RGB at the size shown in one pass, below.
    GstCaps *caps = frameCaps();
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(sink, "sync", TRUE, "max-buffers", 2u, "enable-last-sample", FALSE, "qos", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = onSample;
    callbacks.new_preroll = onPreroll;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    // Room for one more than the burst, so the queue itself never blocks.
    g_object_set(queue, "max-size-buffers", guint(AheadPictures::High + 1), "max-size-bytes", 0u, "max-size-time",
                 guint64(0), nullptr);
    GstPad *in = gst_element_get_static_pad(queue, "sink");
    gst_pad_add_probe(in, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH), onQueueIn, this,
                      nullptr);
    gst_object_unref(in);
    GstPad *out = gst_element_get_static_pad(queue, "src");
    gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_BUFFER, onQueueOut, this, nullptr);
    gst_object_unref(out);
    GstElement *video = gst_bin_new("picture");
    gst_bin_add_many(GST_BIN(video), convert, filter, queue, sink, nullptr);
    gst_element_link_many(convert, filter, queue, sink, nullptr);
    GstPad *pad = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(video, gst_ghost_pad_new("sink", pad));
    gst_object_unref(pad);

    gchar *uri = gst_filename_to_uri(QFile::encodeName(m_path).constData(), nullptr);
    g_object_set(m_pipeline, "uri", uri, "video-sink", video, "flags", PlayFlags, nullptr);
    g_signal_connect(m_pipeline, "deep-element-added", G_CALLBACK(onElementAdded), nullptr);
    g_free(uri);
    attachSound();
    applySettings();
    // The bus may still be posting from a thread the pipeline does not
    // own (the sound server's) when the session goes: the handler holds
    // the session alive until the bus lets go of it.
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, bus::onMessage, new std::shared_ptr<Session>(shared_from_this()),
                             [](gpointer data) { delete static_cast<std::shared_ptr<Session> *>(data); });
    gst_object_unref(bus);
    // Prerolls: the first picture comes without a sound.
    if (gst_element_set_state(m_pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        std::lock_guard lock(m_lock);
        const bool told = std::any_of(m_messages.begin(), m_messages.end(),
                                      [](GstMessage *msg) { return GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR; });
        if (!told && m_owner)
            QMetaObject::invokeMethod(
                m_owner, [d = m_deliver, id = m_id] { d(id, Failed, QStringLiteral("cannot be opened")); },
                Qt::QueuedConnection);
        return told;
    }
    return true;
}

// A sound server that does not answer would hold this clip in its first
// state change, and every clip after it: the clip goes silent instead.
void Session::attachSound()
{
    const sound::Server server = silent ? sound::Server::Absent : sound::check(SoundServerLimit);
    if (server == sound::Server::Stalled)
        silent = true;
    m_audioSink = sound::makeSink(silent, server, &m_volume);
    if (!m_audioSink)
        return;   // playbin's own choice, at full volume
    GstPad *pad = gst_element_get_static_pad(m_audioSink, "sink");
    if (pad) {
        gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          onSound, this, nullptr);
        gst_object_unref(pad);
    }
    g_object_set(m_pipeline, "audio-sink", m_audioSink, nullptr);   // playbin takes the floating reference
}

void Session::applySettings()
{
    Asked asked;
    {
        std::lock_guard lock(m_lock);
        asked = m_asked;
    }
    // Linear: 0.5 is -6 dB.
    if (m_volume)
        g_object_set(m_volume, "volume", double(asked.volume), "mute", gboolean(asked.muted), nullptr);
}

void Session::madeAhead(GstBuffer *buffer, QImage picture)
{
    progressed();
    m_ahead.add(buffer, std::move(picture));
}

void Session::flush(bool starting) { m_ahead.flush(starting); }

void Session::deliverSample(GstSample *sample, bool preroll)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    QImage picture = m_ahead.take(buffer, preroll);
    if (!picture.isNull() && buffer && GST_BUFFER_PTS_IS_VALID(buffer))
        m_shownAt = qint64(GST_BUFFER_PTS(buffer));
    gst_sample_unref(sample);
    if (picture.isNull())
        return;
    {
        std::lock_guard lock(m_pictureLock);
        m_picture.swap(picture);
    }
    if (!m_pictureNoticed.exchange(true))
        event(Picture);
}

QImage Session::makePicture(GstBuffer *buffer, GstCaps *caps)
{
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps) ||
        !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
        return {};
    YuvFrame yuv;
    switch (GST_VIDEO_INFO_FORMAT(&info)) {
    case GST_VIDEO_FORMAT_YV12: yuv.format = YuvFrame::YV12; break;
    case GST_VIDEO_FORMAT_NV12: yuv.format = YuvFrame::NV12; break;
    case GST_VIDEO_FORMAT_Y42B: yuv.format = YuvFrame::Y42B; break;
    case GST_VIDEO_FORMAT_Y444: yuv.format = YuvFrame::Y444; break;
    default: yuv.format = YuvFrame::I420; break;
    }
    yuv.width = GST_VIDEO_INFO_WIDTH(&info);
    yuv.height = GST_VIDEO_INFO_HEIGHT(&info);
    for (guint i = 0; i < GST_VIDEO_FRAME_N_PLANES(&frame) && i < 3; ++i) {
        yuv.planes[i] = static_cast<const unsigned char *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, i));
        yuv.strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, i);
    }
    // Where nothing says, GStreamer takes BT.601 up to 576 lines and BT.709 above.
    yuv.bt709 = info.colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_BT709;
    yuv.fullRange = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
    // Shown at its display shape; fitted to the area when one is asked for.
    QSize shown(yuv.width, yuv.height);
    if (GST_VIDEO_INFO_PAR_N(&info) > 0 && GST_VIDEO_INFO_PAR_D(&info) > 0)
        shown.setWidth(int(qint64(yuv.width) * GST_VIDEO_INFO_PAR_N(&info) / GST_VIDEO_INFO_PAR_D(&info)));
    QSize area;
    {
        std::lock_guard lock(m_lock);
        area = m_asked.size;
    }
    if (area.width() > 0 && area.height() > 0)
        shown = shown.scaled(area, Qt::KeepAspectRatio);
    QImage picture = m_converter.convert(yuv, shown.expandedTo(QSize(1, 1)));
    gst_video_frame_unmap(&frame);
    return picture;
}

}   // namespace media
