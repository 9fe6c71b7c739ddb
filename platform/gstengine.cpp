// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "gstengine.h"

#include "frameconvert.h"
#include "xshm.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMetaObject>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcGst, "syrel.player.gst", QtWarningMsg)

namespace platform {

namespace {
enum Command { Play, Pause, Rewind, Settings, Quit };
enum Event { Playing, Paused, End, Failed, Picture };

std::mutex g_hookLock;
std::function<void(const QString &)> g_openHook;

// Sessions whose worker still runs: once the application object goes,
// none may post to the interface any more.
std::mutex g_liveLock;
std::set<GstSession *> g_live;
void letAllGo();

// playbin's flags: video, audio and software volume; no subtitles, no
// deinterlacing or colour balance elements in the path.
constexpr guint PlayFlags = 0x1 | 0x2 | 0x10;
constexpr int PrerollLimitSeconds = 5;
// Pictures are made ahead, in bursts: up to AheadHigh wait in the queue
// before the sink, and making starts again once AheadLow are left.  Work
// done in one burst runs on warm caches; a thread woken for every frame
// pays for a cold start each time, which here cost more than the work.
constexpr int AheadHigh = 5, AheadLow = 1;
// Enough for the pictures ahead, the one on show, the one waiting and
// the one being made.
constexpr size_t PicturePool = AheadHigh + 4;
}   // namespace

struct GstSession : std::enable_shared_from_this<GstSession> {
    QString path;
    std::mutex m;
    std::condition_variable cv;
    std::deque<int> commands;
    std::deque<GstMessage *> messages;
    GstEngine *owner = nullptr;   // null once the engine has let the session go
    float volume = 1.0f;
    bool muted = false;
    QSize size;
    bool audible = false;                   // sound may flow: from PLAYING until torn down
    std::shared_ptr<GstSession> previous;   // the clip before, until it is quiet

    std::mutex pictureLock;
    QImage picture;
    std::atomic<bool> pictureNoticed{false};

    // Pictures made ahead of the sink, oldest first, by the buffer they were
    // made of: the buffers are not held, only recognised by address and time
    // (a pool hands the same address out again once a buffer is let go).
    struct Made {
        GstBuffer *buffer;
        GstClockTime pts;
        QImage picture;
    };
    std::mutex aheadLock;
    std::condition_variable aheadCv;
    std::deque<Made> ahead;
    int queued = 0;          // buffers in the queue before the sink
    bool flushing = false;   // a seek is emptying the queue
    bool stopping = false;   // being torn down: nothing may wait any more

    // The worker's own.
    GstElement *pipeline = nullptr;
    FrameConverter converter{PicturePool};   // the streaming thread's
    bool wantPlaying = false, userPaused = false;
    bool prerolled = false;

    void event(Event e, const QString &text = {})
    {
        std::lock_guard lock(m);
        if (!owner)
            return;
        QMetaObject::invokeMethod(
            owner, [o = owner, self = shared_from_this(), e, text] { o->deliver(self, e, text); },
            Qt::QueuedConnection);
    }
    void command(int c)
    {
        {
            std::lock_guard lock(m);
            commands.push_back(c);
        }
        cv.notify_all();
    }
    void letGo()
    {
        {
            std::lock_guard lock(m);
            owner = nullptr;
            commands.push_back(Quit);
        }
        cv.notify_all();
    }
    // Waits until no sound can come from this session, or the limit.
    void waitQuiet(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(m);
        cv.wait_for(lock, limit, [this] { return !audible; });
    }

    void run();
    bool probe();
    bool build();
    void applySettings();
    void deliverSample(GstSample *sample, bool preroll);
    QImage makePicture(GstBuffer *buffer, GstCaps *caps);
    void madeAhead(GstBuffer *buffer, GstCaps *caps);
    void leftQueue();
    void flush(bool starting);
    void handle(GstMessage *message);
    void handle(int command);
    void tearDown();
};

namespace {
void letAllGo()
{
    std::lock_guard lock(g_liveLock);
    for (GstSession *s : g_live) {
        std::lock_guard sl(s->m);
        s->owner = nullptr;
    }
}

// Media threads give way to the interface thread when the cores are
// busy: a clip starting must not take the interface's turn.
void yieldToInterface() { setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 5); }

// One decoding thread: the clips are small, and frame threads cost more in
// hand-overs than they save.
void onElementAdded(GstBin *, GstBin *, GstElement *element, gpointer)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    if (factory && g_str_has_prefix(GST_OBJECT_NAME(factory), "avdec_") &&
        g_object_class_find_property(G_OBJECT_GET_CLASS(element), "max-threads"))
        g_object_set(element, "max-threads", 1, nullptr);
}

void initOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// On whichever thread posts: the worker takes the messages it needs.
GstBusSyncReply onBusMessage(GstBus *, GstMessage *message, gpointer data)
{
    auto *s = static_cast<GstSession *>(data);
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_STREAM_STATUS) {
        GstStreamStatusType status;
        GstElement *owner = nullptr;
        gst_message_parse_stream_status(message, &status, &owner);
        if (status == GST_STREAM_STATUS_TYPE_ENTER)   // told on the streaming thread itself
            yieldToInterface();
        return GST_BUS_DROP;
    }
    const bool wanted = type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS ||
                        (type == GST_MESSAGE_STATE_CHANGED && GST_MESSAGE_SRC(message) == GST_OBJECT(s->pipeline));
    if (wanted) {
        {
            std::lock_guard lock(s->m);
            s->messages.push_back(gst_message_ref(message));
        }
        s->cv.notify_all();
    }
    return GST_BUS_DROP;   // the bus lets go of its own reference
}

GstFlowReturn onSample(GstAppSink *sink, gpointer data)
{
    if (GstSample *sample = gst_app_sink_pull_sample(sink))
        static_cast<GstSession *>(data)->deliverSample(sample, false);
    return GST_FLOW_OK;
}

GstFlowReturn onPreroll(GstAppSink *sink, gpointer data)
{
    if (GstSample *sample = gst_app_sink_pull_preroll(sink))
        static_cast<GstSession *>(data)->deliverSample(sample, true);
    return GST_FLOW_OK;
}

// Before the queue, on the thread that feeds it: the picture is made here.
GstPadProbeReturn onQueueIn(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    auto *s = static_cast<GstSession *>(data);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstCaps *caps = gst_pad_get_current_caps(pad);
        s->madeAhead(GST_PAD_PROBE_INFO_BUFFER(info), caps);
        if (caps)
            gst_caps_unref(caps);
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
    static_cast<GstSession *>(data)->leftQueue();
    return GST_PAD_PROBE_OK;
}

// What the decoders hand out in the main: anything else is made I420 first.
GstCaps *frameCaps() { return gst_caps_from_string("video/x-raw, format=(string){ I420, YV12, NV12, Y42B, Y444 }"); }

}   // namespace

void setOpenHook(std::function<void(const QString &)> hook)
{
    std::lock_guard lock(g_hookLock);
    g_openHook = std::move(hook);
}

// ------------------------------------------------------------ the worker --

void GstSession::run()
{
    {
        std::lock_guard lock(g_liveLock);
        g_live.insert(this);
    }
    yieldToInterface();
    initOnce();
    std::function<void(const QString &)> hook;
    {
        std::lock_guard lock(g_hookLock);
        hook = g_openHook;
    }
    if (hook)
        hook(path);
    if (probe() && build()) {
        // Now and then a pipeline neither prerolls nor fails (seen on a
        // header cut short): without a first picture in time the clip
        // counts as unplayable, so the boot cannot wait for ever.
        const auto prerollLimit = std::chrono::steady_clock::now() + std::chrono::seconds(PrerollLimitSeconds);
        for (bool going = true; going;) {
            std::unique_lock lock(m);
            const auto due = [this] { return !commands.empty() || !messages.empty(); };
            if (prerolled) {
                cv.wait(lock, due);
            } else if (!cv.wait_until(lock, prerollLimit, due)) {
                lock.unlock();
                event(Failed, QStringLiteral("no picture within %1 s").arg(PrerollLimitSeconds));
                break;
            }
            std::deque<GstMessage *> ms;
            ms.swap(messages);
            std::deque<int> cs;
            cs.swap(commands);
            lock.unlock();
            for (GstMessage *message : ms) {
                if (going)
                    handle(message);
                if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
                    going = false;   // the clip cannot be played: stop it at once
                gst_message_unref(message);
            }
            if (std::find(cs.begin(), cs.end(), int(Quit)) != cs.end())
                going = false;   // let go: nothing asked before matters any more
            for (int c : cs)
                if (going)
                    handle(c);
        }
    }
    tearDown();
    std::lock_guard lock(g_liveLock);
    g_live.erase(this);
}

// The clip must be a plain file: a named pipe or a device would hold its
// reader, and none of them is a clip.  Opening without waiting tells.
bool GstSession::probe()
{
    const QByteArray local = QFile::encodeName(path);
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

bool GstSession::build()
{
    pipeline = gst_element_factory_make("playbin", nullptr);
    GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement *queue = gst_element_factory_make("queue", nullptr);
    GstElement *sink = gst_element_factory_make("appsink", nullptr);
    if (!pipeline || !convert || !filter || !queue || !sink) {
        for (GstElement *e : {pipeline, convert, filter, queue, sink})
            if (e)
                gst_object_unref(e);
        pipeline = nullptr;
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
    g_object_set(queue, "max-size-buffers", guint(AheadHigh + 1), "max-size-bytes", 0u, "max-size-time", guint64(0),
                 nullptr);
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

    gchar *uri = gst_filename_to_uri(QFile::encodeName(path).constData(), nullptr);
    g_object_set(pipeline, "uri", uri, "video-sink", video, "flags", PlayFlags, nullptr);
    g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(onElementAdded), nullptr);
    g_free(uri);
    applySettings();
    GstBus *bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, this, nullptr);
    gst_object_unref(bus);
    // Prerolls: the first picture comes without a sound.
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        std::lock_guard lock(m);
        const bool told = std::any_of(messages.begin(), messages.end(),
                                      [](GstMessage *msg) { return GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR; });
        if (!told && owner)
            QMetaObject::invokeMethod(
                owner,
                [o = owner, self = shared_from_this()] {
                    o->deliver(self, Failed, QStringLiteral("cannot be opened"));
                },
                Qt::QueuedConnection);
        return told;
    }
    return true;
}

void GstSession::applySettings()
{
    float v;
    bool mute;
    {
        std::lock_guard lock(m);
        v = volume, mute = muted;
    }
    // playbin's volume is linear: 0.5 is -6 dB.
    g_object_set(pipeline, "volume", double(v), "mute", gboolean(mute), nullptr);
}

void GstSession::madeAhead(GstBuffer *buffer, GstCaps *caps)
{
    QImage picture = makePicture(buffer, caps);
    std::unique_lock lock(aheadLock);
    ahead.push_back({buffer, GST_BUFFER_PTS(buffer), std::move(picture)});
    // Waits once the burst is made, until the sink has taken most of it.
    if (++queued >= AheadHigh)
        aheadCv.wait(lock, [this] { return queued <= AheadLow || flushing || stopping; });
}

void GstSession::leftQueue()
{
    std::lock_guard lock(aheadLock);
    if (--queued <= AheadLow)
        aheadCv.notify_all();
}

void GstSession::flush(bool starting)
{
    std::lock_guard lock(aheadLock);
    flushing = starting;
    if (!starting) {   // the queue is empty again
        queued = 0;
        ahead.clear();
    }
    aheadCv.notify_all();
}

void GstSession::deliverSample(GstSample *sample, bool preroll)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    QImage picture;
    {
        std::lock_guard lock(aheadLock);
        const GstClockTime pts = buffer ? GST_BUFFER_PTS(buffer) : GST_CLOCK_TIME_NONE;
        const auto made = std::find_if(ahead.begin(), ahead.end(),
                                       [buffer, pts](const Made &a) { return a.buffer == buffer && a.pts == pts; });
        if (made != ahead.end()) {
            picture = made->picture;
            // The prerolled picture is shown again once playing starts; those
            // before it were dropped by the sink as late.
            ahead.erase(ahead.begin(), preroll ? made : made + 1);
        }
    }
    gst_sample_unref(sample);
    if (picture.isNull())
        return;
    {
        std::lock_guard lock(pictureLock);
        this->picture.swap(picture);
    }
    if (!pictureNoticed.exchange(true))
        event(Picture);
}

QImage GstSession::makePicture(GstBuffer *buffer, GstCaps *caps)
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
        std::lock_guard lock(m);
        area = size;
    }
    if (area.width() > 0 && area.height() > 0)
        shown = shown.scaled(area, Qt::KeepAspectRatio);
    QImage picture = converter.convert(yuv, shown.expandedTo(QSize(1, 1)));
    gst_video_frame_unmap(&frame);
    return picture;
}

void GstSession::handle(GstMessage *message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gchar *debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const QString why = QString::fromUtf8(error ? error->message : "error");
        qCDebug(lcGst) << path << why << debug;
        g_clear_error(&error);
        g_free(debug);
        event(Failed, why);
        break;
    }
    case GST_MESSAGE_EOS: event(End); break;
    case GST_MESSAGE_STATE_CHANGED: {
        GstState old, now, pending;
        gst_message_parse_state_changed(message, &old, &now, &pending);
        if (now >= GST_STATE_PAUSED)
            prerolled = true;
        if (now == GST_STATE_PLAYING && wantPlaying)
            event(Playing);
        else if (now == GST_STATE_PAUSED && userPaused && pending == GST_STATE_VOID_PENDING)
            event(Paused);
        break;
    }
    default: break;
    }
}

void GstSession::handle(int c)
{
    switch (c) {
    case Play:
        if (!wantPlaying) {
            // One stream at a time: the clip before has gone quiet first.
            if (previous)
                previous->waitQuiet(std::chrono::milliseconds(1000));
            previous.reset();
            std::lock_guard lock(m);
            if (!owner)
                return;   // let go meanwhile: a newer clip has the sound
            audible = true;
        }
        wantPlaying = true;
        userPaused = false;
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        break;
    case Pause: {
        wantPlaying = false;
        userPaused = true;
        GstState now = GST_STATE_NULL, pending = GST_STATE_NULL;
        gst_element_get_state(pipeline, &now, &pending, 0);
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        if (now == GST_STATE_PAUSED && pending == GST_STATE_VOID_PENDING)
            event(Paused);   // already there: no change to hear of
        break;
    }
    case Rewind:
        gst_element_seek_simple(pipeline, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                                0);
        break;
    case Settings: applySettings(); break;
    default: break;
    }
}

void GstSession::tearDown()
{
    {
        std::lock_guard lock(aheadLock);
        stopping = true;   // the streaming threads must not wait on the sink while stopping
        aheadCv.notify_all();
    }
    if (pipeline) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        GstBus *bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }
    {
        std::lock_guard lock(pictureLock);
        picture = QImage();
    }
    {
        std::lock_guard lock(aheadLock);
        ahead.clear();
    }
    std::lock_guard lock(m);
    for (GstMessage *message : messages)
        gst_message_unref(message);
    messages.clear();
    audible = false;
    previous.reset();
    cv.notify_all();
}

// ------------------------------------------------------------ the engine --

GstEngine::GstEngine(QObject *owner)
{
    setParent(owner);
    static const bool routine = (qAddPostRoutine(letAllGo), true);
    Q_UNUSED(routine);
}

GstEngine::~GstEngine() { shutdown(); }

void GstEngine::shutdown()
{
    if (m_session)
        m_session->letGo();
    m_session.reset();
}

void GstEngine::setSource(const QString &path)
{
    std::shared_ptr<GstSession> before = std::move(m_session);
    if (before)
        before->letGo();
    if (path.isEmpty())
        return;
    auto s = std::make_shared<GstSession>();
    s->path = path;
    s->owner = this;
    s->volume = m_volume;
    s->muted = m_muted;
    s->size = m_pictureSize;
    s->converter.setAllocator(xshm::allocator());   // pictures the X server can read in place
    s->previous = std::move(before);
    m_session = s;
    std::thread([s] { s->run(); }).detach();
}

void GstEngine::post(int command)
{
    if (m_session)
        m_session->command(command);
}

void GstEngine::play() { post(Play); }
void GstEngine::pause() { post(Pause); }
void GstEngine::rewind() { post(Rewind); }

void GstEngine::stop()
{
    shutdown();
    emit stopped();
}

void GstEngine::updateSession(const std::function<void(GstSession &)> &change)
{
    if (m_session) {
        std::lock_guard lock(m_session->m);
        change(*m_session);
    }
    post(Settings);
}

void GstEngine::setVolume(float volume)
{
    m_volume = volume;
    updateSession([volume](GstSession &s) { s.volume = volume; });
}

void GstEngine::setMuted(bool muted)
{
    m_muted = muted;
    updateSession([muted](GstSession &s) { s.muted = muted; });
}

void GstEngine::setRate(double) {}   // clips play at their own speed

void GstEngine::setPictureSize(QSize size)
{
    if (size == m_pictureSize)
        return;
    m_pictureSize = size;
    updateSession([size](GstSession &s) { s.size = size; });
}

QImage GstEngine::takePicture()
{
    if (!m_session)
        return {};
    std::lock_guard lock(m_session->pictureLock);
    return m_session->picture;
}

void GstEngine::deliver(const std::shared_ptr<GstSession> &from, int event, const QString &text)
{
    if (from != m_session)
        return;   // a clip named before
    switch (event) {
    case Playing: emit playing(); break;
    case Paused: emit paused(); break;
    case End: emit endOfMedia(); break;
    case Failed: emit failed(text); break;
    case Picture:
        from->pictureNoticed = false;
        emit pictureReady();
        break;
    default: break;
    }
}

}   // namespace platform
