// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The real media engine: a GStreamer pipeline the program owns, behind the
// player control's engine interface.  Every clip gets a session with a
// worker thread of its own (session.h); the interface thread only posts
// commands, takes the newest picture and shows it in place (xvideo.h).

#include "platform/mediaplayer.h"

#include <chrono>
#include <functional>
#include <memory>

namespace media {

class Session;
class XVideoWindow;

class GstEngine final : public platform::MediaEngine {
    Q_OBJECT
public:
    explicit GstEngine(QObject *owner);
    ~GstEngine() override;

    void setSource(const QString &path) override;
    void play() override;
    void pause() override;
    void stop() override;
    void rewind() override;
    void setVolume(float volume) override;
    void setMuted(bool muted) override;
    void setRate(double rate) override;
    void setPictureSize(QSize size) override;
    QImage takePicture() override;
    void shutdown() override;
    bool showInPlace(QWidget *over, const QImage &picture) override;
    void hideInPlace() override;
    bool shownInPlace() const override;

private:
    void open(const QString &path, bool silent, qint64 startAt);
    void deliver(quint64 from, int event, const QString &text);
    void post(int command);
    std::shared_ptr<Session> m_session;
    float m_volume = 1.0f;
    bool m_muted = false;
    bool m_wantPlaying = false;
    QSize m_pictureSize;
    std::unique_ptr<XVideoWindow> m_video;
    bool m_videoTried = false;
};

// Makes GStreamer the players' engine, and sees to it that no clip's
// thread outlives the run.
void install();

// Ends every clip and joins their threads, waiting at most 'limit': true
// when none is left.
bool finish(std::chrono::milliseconds limit);

// Runs before a worker opens its clip, on the worker (tests stall it there).
void setOpenHook(std::function<void(const QString &path)> hook);

}   // namespace media
