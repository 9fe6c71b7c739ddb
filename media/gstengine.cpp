// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "gstengine.h"

#include "session.h"
#include "workers.h"
#include "xshm.h"
#include "xvideo.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>

namespace media {

namespace {
using namespace std::chrono_literals;

// How long the end of the run waits for clips' threads.
constexpr auto FinishLimit = 1000ms;

// Never destroyed, like everything a worker may touch: a worker stuck past
// the end of the run must find it still there.
struct Live {
    std::mutex lock;
    std::set<std::shared_ptr<Session>> sessions;   // those whose worker runs
    std::function<void(const QString &)> openHook;
};
Live &live()
{
    static auto *l = new Live;
    return *l;
}

void initOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        // Also when the run ends by exit() (the X server gone): Qt's own
        // clean-up is skipped then.
        std::atexit([] { finish(FinishLimit); });
        qAddPostRoutine([] { finish(FinishLimit); });
    });
}

void startWorker(const std::shared_ptr<Session> &s)
{
    {
        std::lock_guard lock(live().lock);
        live().sessions.insert(s);
    }
    workers::start([s = std::shared_ptr<Session>(s)]() mutable {
        std::function<void(const QString &)> hook;
        {
            std::lock_guard lock(live().lock);
            hook = live().openHook;
        }
        if (hook)
            hook(s->path());
        s->run();
        std::lock_guard lock(live().lock);
        live().sessions.erase(s);
        s.reset();   // freed here, on its own thread, before it is joined
    });
}

}   // namespace

void setOpenHook(std::function<void(const QString &)> hook)
{
    std::lock_guard lock(live().lock);
    live().openHook = std::move(hook);
}

void install()
{
    workers::answerSoon();   // install() runs on the interface thread
    platform::setDefaultMediaEngineFactory([](QObject *owner) { return new GstEngine(owner); });
}

bool finish(std::chrono::milliseconds limit)
{
    // Once a thread has been found stuck, later calls (the exit's own) do
    // not wait for it again.
    static std::atomic<bool> gaveUp{false};
    if (gaveUp)
        limit = std::chrono::milliseconds(0);
    std::set<std::shared_ptr<Session>> sessions;
    {
        std::lock_guard lock(live().lock);
        sessions = live().sessions;
    }
    for (const auto &s : sessions)
        s->letGo();
    sessions.clear();
    const bool done = workers::joinAll(limit);
    if (!done)
        gaveUp = true;
    return done;
}

GstEngine::GstEngine(QObject *owner)
{
    setParent(owner);
    initOnce();
}

GstEngine::~GstEngine() { shutdown(); }

void GstEngine::shutdown()
{
    m_wantPlaying = false;
    if (m_session)
        m_session->letGo();
    m_session.reset();
}

void GstEngine::setSource(const QString &path)
{
    m_wantPlaying = false;
    open(path, false, -1);
}

void GstEngine::open(const QString &path, bool silent, qint64 startAt)
{
    std::shared_ptr<Session> before = std::move(m_session);
    if (before)
        before->letGo();
    if (path.isEmpty())
        return;
    auto s = std::make_shared<Session>(
        path, this, [this](quint64 from, Session::Event e, const QString &text) { deliver(from, e, text); });
    s->change([this](Session::Asked &a) { a = {m_volume, m_muted, m_pictureSize}; });
    s->silent = silent;
    s->startAt = startAt;
    s->allocator = xshm::allocator();   // pictures the X server can read in place
    if (!silent)
        s->previous = std::move(before);   // a clip that lost its sound is quiet already
    m_session = s;
    startWorker(s);
    if (m_wantPlaying)
        s->command(Session::Play);
}

void GstEngine::post(int command)
{
    if (m_session)
        m_session->command(Session::Command(command));
}

void GstEngine::play()
{
    m_wantPlaying = true;
    post(Session::Play);
}

void GstEngine::pause()
{
    m_wantPlaying = false;
    post(Session::Pause);
}

void GstEngine::rewind() { post(Session::Rewind); }

void GstEngine::stop()
{
    shutdown();
    emit stopped();
}

void GstEngine::setVolume(float volume)
{
    m_volume = volume;
    if (m_session)
        m_session->change([volume](Session::Asked &a) { a.volume = volume; });
}

void GstEngine::setMuted(bool muted)
{
    m_muted = muted;
    if (m_session)
        m_session->change([muted](Session::Asked &a) { a.muted = muted; });
}

void GstEngine::setRate(double) {}   // clips play at their own speed

void GstEngine::setPictureSize(QSize size)
{
    if (size == m_pictureSize)
        return;
    m_pictureSize = size;
    if (m_session)
        m_session->change([size](Session::Asked &a) { a.size = size; });
}

QImage GstEngine::takePicture() { return m_session ? m_session->picture() : QImage(); }

bool GstEngine::showInPlace(QWidget *over, const QImage &picture)
{
    if (!m_video && !m_videoTried) {
        m_videoTried = true;
        m_video = XVideoWindow::create(over);
    }
    return m_video && m_video->show(picture);
}

void GstEngine::hideInPlace()
{
    if (m_video)
        m_video->hide();
}

bool GstEngine::shownInPlace() const { return m_video && m_video->isShown(); }

void GstEngine::deliver(quint64 id, int event, const QString &text)
{
    if (!m_session || m_session->id() != id)
        return;   // a clip named before
    const std::shared_ptr<Session> from = m_session;
    switch (event) {
    case Session::Playing: emit playing(); break;
    case Session::Paused: emit paused(); break;
    case Session::End: emit endOfMedia(); break;
    case Session::Failed: emit failed(text); break;
    case Session::Picture:
        from->pictureTaken();
        emit pictureReady();
        break;
    case Session::SoundLost: open(from->path(), true, from->position()); break;
    default: break;
    }
}

}   // namespace media
