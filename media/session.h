// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// One clip: its pipeline, and the worker thread that opens it, changes its
// states on command and tears it down.  The interface thread only posts
// commands and takes the newest picture; the worker reports back through
// the engine's deliver function, on the engine's thread.
//
// Three parts: commands and states (session.cpp), the pipeline and the
// pictures it makes (pipeline.cpp, ahead.h), and its bus (bus.cpp).

#include "ahead.h"
#include "frameconvert.h"
#include "sound.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <gst/gst.h>
#include <memory>
#include <mutex>

namespace media {

class Session : public std::enable_shared_from_this<Session> {
public:
    enum Command { Play, Pause, Rewind, Settings, Quit };
    enum Event { Playing, Paused, End, Failed, Picture, SoundLost };
    // Reports name the session by its id: no reference to it crosses threads.
    using Deliver = std::function<void(quint64 id, Event, const QString &)>;

    // What the engine asks of a clip; changed under the session's lock.
    struct Asked {
        float volume = 1.0f;
        bool muted = false;
        QSize size;   // pictures fitted into it; empty: the clip's own size
    };

    Session(const QString &path, QObject *owner, Deliver deliver);
    ~Session();

    // Set before the worker starts.
    bool silent = false;                      // the sound goes nowhere, at the clip's pace
    qint64 startAt = -1;                      // ns into the clip to start at
    std::shared_ptr<Session> previous;        // the clip before, until it is quiet
    std::function<QImage(QSize)> allocator;   // where pictures are made

    // ---- the interface thread
    const QString &path() const { return m_path; }
    quint64 id() const { return m_id; }
    void command(Command c);
    void change(const std::function<void(Asked &)> &how);
    // Nothing is reported after this; the worker tears down and ends.
    void letGo();
    QImage picture();
    void pictureTaken() { m_pictureNoticed = false; }
    // Where the newest picture stands in the clip (ns), -1 before any.
    qint64 position() const { return m_shownAt; }

    // ---- any thread
    // Waits until no sound can come from this session, or the limit.
    void waitQuiet(std::chrono::milliseconds limit);

    // ---- the worker
    void run();

    // ---- the pipeline's threads (GStreamer's callbacks)
    // The picture of a decoded frame; then the frame's stand-in, going on
    // to the sink, and the picture made of it.
    QImage makePicture(GstBuffer *buffer, GstCaps *caps);
    void madeAhead(GstBuffer *buffer, QImage picture);
    void leftQueue() { m_ahead.left(); }
    void flush(bool starting);
    void deliverSample(GstSample *sample, bool preroll);
    void busMessage(GstMessage *message);   // one the worker needs
    void progressed();                      // any sign of life
    sound::Watch &soundWatch() { return m_sound; }
    GstElement *pipeline() const { return m_pipeline; }

private:
    void event(Event e, const QString &text = {});
    bool probe();
    bool build();
    void attachSound();
    void applySettings();
    bool handle(GstMessage *message);   // false: the clip cannot go on
    void handle(int command);
    void soundLost();
    bool stuck() const;
    void tearDown();

    const QString m_path;
    const quint64 m_id;

    // Shared with the interface thread, under m_lock.
    std::mutex m_lock;
    std::condition_variable m_cv;
    std::deque<int> m_commands;
    std::deque<GstMessage *> m_messages;
    QObject *m_owner;   // null once let go
    Deliver m_deliver;
    Asked m_asked;
    bool m_audible = false;   // sound may flow: from PLAYING until torn down

    // The newest picture, for the interface thread.
    std::mutex m_pictureLock;
    QImage m_picture;
    std::atomic<bool> m_pictureNoticed{false};
    std::atomic<qint64> m_shownAt{-1};

    AheadPictures m_ahead;
    sound::Watch m_sound;
    std::atomic<long long> m_progress{0};   // steady clock, ns: the pipeline's last sign of life

    // The worker's own.
    GstElement *m_pipeline = nullptr;
    GstElement *m_audioSink = nullptr;   // the sound's bin, and its volume
    GstElement *m_volume = nullptr;
    FrameConverter m_converter;   // the streaming thread's
    bool m_wantPlaying = false, m_userPaused = false;
    bool m_prerolled = false, m_started = false, m_playingNow = false;
};

}   // namespace media
