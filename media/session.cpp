// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// A clip's commands and states, on its worker thread.

#include "session.h"

#include <QMetaObject>

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace media {

namespace {
using namespace std::chrono_literals;

// Without any sign of life from the pipeline for this long before its
// first picture, the clip counts as unplayable (seen on a header cut
// short), so the boot cannot wait for ever.  Counted from the last sign
// of life, not from the start: a busy machine is slow, not stuck.
constexpr auto PrerollLimit = 5s;
// Sound that stops flowing into a playing clip for this long: the sound
// server hangs, and the clip goes on without it.
constexpr auto SoundStallLimit = 3s;
// How often the worker looks at both while nothing else happens.
constexpr auto Look = 250ms;
// Enough for the pictures ahead, the one on show, the one waiting and
// the one being made.
constexpr size_t PicturePool = AheadPictures::High + 4;
// How far the media threads stand back (see giveWay).  Not further: the
// new clip's first picture is their work too, and where the cores are
// shared thread by thread rather than by session, nice 10 took it from
// about 0.1 s to 0.2 s beside two spinning processes.
constexpr int MediaNice = 5;

quint64 nextId()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

// Media threads give way to the interface thread when the cores are busy:
// a clip starting or playing must not take the interface's turn.  Batch
// threads never preempt a thread that wakes (the interface's timers and
// input), and a lower weight leaves it more of the process's share.  The
// threads GStreamer and the decoders start from here inherit both.
void giveWay()
{
    const sched_param none{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &none);
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), MediaNice);
}

long long steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}   // namespace

Session::Session(const QString &path, QObject *owner, Deliver deliver)
    : m_path(path), m_id(nextId()), m_owner(owner), m_deliver(std::move(deliver)), m_converter(PicturePool)
{
}

Session::~Session()
{
    for (GstMessage *message : m_messages)
        gst_message_unref(message);
}

// ------------------------------------------------- the interface thread --

void Session::command(Command c)
{
    {
        std::lock_guard lock(m_lock);
        m_commands.push_back(c);
    }
    m_cv.notify_all();
}

void Session::change(const std::function<void(Asked &)> &how)
{
    {
        std::lock_guard lock(m_lock);
        how(m_asked);
        m_commands.push_back(Settings);
    }
    m_cv.notify_all();
}

void Session::letGo()
{
    {
        std::lock_guard lock(m_lock);
        m_owner = nullptr;
        m_deliver = nullptr;
        m_commands.push_back(Quit);
    }
    m_cv.notify_all();
    m_ahead.stop();   // a picture maker waiting on the sink must not hold the teardown
}

QImage Session::picture()
{
    std::lock_guard lock(m_pictureLock);
    return m_picture;
}

void Session::waitQuiet(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_lock);
    m_cv.wait_for(lock, limit, [this] { return !m_audible; });
}

void Session::event(Event e, const QString &text)
{
    std::lock_guard lock(m_lock);
    if (!m_owner)
        return;
    QMetaObject::invokeMethod(
        m_owner, [d = m_deliver, id = m_id, e, text] { d(id, e, text); }, Qt::QueuedConnection);
}

// ------------------------------------------------------------ the worker --

void Session::run()
{
    giveWay();
    m_converter.setAllocator(allocator);
    progressed();
    if (probe() && build()) {
        for (bool going = true; going;) {
            std::unique_lock lock(m_lock);
            const auto due = [this] { return !m_commands.empty() || !m_messages.empty(); };
            if (!m_cv.wait_for(lock, Look, due)) {
                lock.unlock();
                if (!m_prerolled && steadyNow() - m_progress > std::chrono::nanoseconds(PrerollLimit).count()) {
                    event(Failed, QStringLiteral("no picture within %1 s")
                                      .arg(std::chrono::duration_cast<std::chrono::seconds>(PrerollLimit).count()));
                    break;
                }
                if (m_playingNow && !silent && m_sound.stalled(SoundStallLimit)) {
                    soundLost();
                    break;
                }
                continue;
            }
            std::deque<GstMessage *> ms;
            ms.swap(m_messages);
            std::deque<int> cs;
            cs.swap(m_commands);
            lock.unlock();
            for (GstMessage *message : ms) {
                if (going)
                    going = handle(message);
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
}

void Session::handle(int c)
{
    switch (c) {
    case Play:
        if (!m_wantPlaying) {
            // One stream at a time: the clip before has gone quiet first.
            if (previous)
                previous->waitQuiet(1000ms);
            previous.reset();
            std::lock_guard lock(m_lock);
            if (!m_owner)
                return;   // let go meanwhile: a newer clip has the sound
            m_audible = true;
        }
        m_wantPlaying = true;
        m_userPaused = false;
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
        break;
    case Pause: {
        m_wantPlaying = false;
        m_userPaused = true;
        m_playingNow = false;
        GstState now = GST_STATE_NULL, pending = GST_STATE_NULL;
        gst_element_get_state(m_pipeline, &now, &pending, 0);
        gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
        if (now == GST_STATE_PAUSED && pending == GST_STATE_VOID_PENDING)
            event(Paused);   // already there: no change to hear of
        break;
    }
    case Rewind:
        m_sound.restart();
        gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                                0);
        break;
    case Settings: applySettings(); break;
    default: break;
    }
}

// The sound server went away or stopped answering: the engine opens the
// clip again, silent, where it stood.
void Session::soundLost()
{
    {
        std::lock_guard lock(m_lock);
        m_audible = false;   // nothing more comes out of here
    }
    m_cv.notify_all();
    event(SoundLost);
}

void Session::progressed() { m_progress = steadyNow(); }

void Session::tearDown()
{
    m_ahead.stop();   // the streaming threads must not wait on the sink while stopping
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        GstBus *bus = gst_element_get_bus(m_pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
        m_audioSink = m_volume = nullptr;
    }
    {
        std::lock_guard lock(m_pictureLock);
        m_picture = QImage();
    }
    m_ahead.clear();
    std::lock_guard lock(m_lock);
    for (GstMessage *message : m_messages)
        gst_message_unref(message);
    m_messages.clear();
    m_audible = false;
    previous.reset();
    m_cv.notify_all();
}

}   // namespace media
