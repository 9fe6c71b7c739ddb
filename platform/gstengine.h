// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The real media engine: a GStreamer pipeline the program owns.  Every
// clip gets a worker thread of its own that opens, decodes, changes states
// and tears down; the interface thread only posts commands and takes the
// newest picture.  A worker stuck opening a file (a named pipe, a stalled
// mount) is simply left behind: the next clip gets a fresh one, and the
// process can end without it.

#include <functional>
#include "mediaplayer.h"

#include <memory>

namespace platform {

struct GstSession;

class GstEngine final : public MediaEngine {
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

    // Called by the session's worker, on the interface thread.
    void deliver(const std::shared_ptr<GstSession> &from, int event, const QString &text);

private:
    void post(int command);
    // Changes the running clip's settings under its lock, then tells its worker.
    void updateSession(const std::function<void(GstSession &)> &change);
    std::shared_ptr<GstSession> m_session;
    float m_volume = 1.0f;
    bool m_muted = false;
    QSize m_pictureSize;
};

// Runs before a worker opens its clip, on the worker (tests stall it there).
void setOpenHook(std::function<void(const QString &path)> hook);

}   // namespace platform
