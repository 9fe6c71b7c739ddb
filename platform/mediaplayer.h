// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The embedded media player control: plays a clip named by its URL, with
// the design-time settings of the classic control, and reports its state as
// a text: "Pause" while paused, "Arrêté" once stopped after the last
// repetition (or when the clip could not be played at all).  It shows no
// controls, menu or dialog of its own.
//
// Repetitions are counted here, restarting the clip at its end.  The
// engine does all media work off the interface thread: this control only
// names the clip, keeps the state its engine reports and paints the newest
// picture.

#include "clips.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace platform {

// What actually decodes and plays: GStreamer (media/gstengine.h), or a
// fake in tests.  Every call returns at once; the engine reports back by signals,
// on the interface thread.
class MediaEngine : public QObject {
    Q_OBJECT
public:
    virtual void setSource(const QString &path) = 0;   // empty: nothing
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void rewind() = 0;
    virtual void setVolume(float volume) = 0;   // 0..1, linear
    virtual void setMuted(bool muted) = 0;
    virtual void setRate(double rate) = 0;
    // The size pictures should arrive at, the clip scaled to fit with
    // black bars; empty: the clip's own size.
    virtual void setPictureSize(QSize size) { Q_UNUSED(size); }
    // The newest picture (after pictureReady), null when there is none.
    virtual QImage takePicture() { return {}; }
    // Lets the playback go for good; nothing is reported after.
    virtual void shutdown() {}
    // Shows the picture over the widget straight from the engine's own
    // memory, where the display can take it that way; false: the widget
    // paints it itself.
    virtual bool showInPlace(QWidget *over, const QImage &picture)
    {
        Q_UNUSED(over);
        Q_UNUSED(picture);
        return false;
    }
    virtual void hideInPlace() {}
    virtual bool shownInPlace() const { return false; }

signals:
    void playing();   // the clip really plays
    void paused();
    void stopped();
    void endOfMedia();
    void failed(const QString &why);
    void pictureReady();
};

using MediaEngineFactory = std::function<MediaEngine *(QObject *owner)>;
// The engine players get, set once by the program (media::install()).
void setDefaultMediaEngineFactory(MediaEngineFactory factory);
// A stand-in for tests; null restores the default.  A factory may return
// null: the player component is then unavailable.
void setMediaEngineFactory(MediaEngineFactory factory);

class WindowsMediaPlayer : public QWidget {
    Q_OBJECT
public:
    WindowsMediaPlayer(QWidget *parent, const QString &name);
    ~WindowsMediaPlayer() override;

    // Settings, with their classic names.
    QString URL() const { return m_url; }
    void setURL(const QString &url);
    bool autoStart = true;
    int playCount = 1;
    QString uiMode = QStringLiteral("full");
    bool stretchToFit = false;
    bool windowlessVideo = false;
    bool enableContextMenu = true;
    bool enableErrorDialogs = true;
    bool invokeURLs = true;
    int balance = 0;
    double currentPosition = 0.0;
    int currentMarker = 0;
    QString defaultFrame, baseURL, SAMIStyle, SAMILang, SAMIFilename, captioningID;

    int volume() const { return m_volume; }
    void setVolume(int v);
    bool mute() const { return m_mute; }
    void setMute(bool m);
    double rate() const { return m_rate; }
    void setRate(double r);
    bool fullScreen() const { return m_fullScreen; }
    void setFullScreen(bool on);
    bool isPlayerEnabled() const { return m_enabled; }
    void setPlayerEnabled(bool on);

    // The player's state as a text.
    QString status() const;
    // Lets a test stand in for the component's state, read by read.
    void setStatusReader(std::function<QString()> reader) { m_statusReader = std::move(reader); }
    int repetitionsPlayed() const { return m_played; }

    // Takes another element's settings, position and size (control groups).
    void copySettingsFrom(const WindowsMediaPlayer &other);
    // Makes sure a playing component exists; raises an error when none can be made.
    void createEngine();
    MediaEngine *engine() const { return m_engine; }
    // Ends playback for good and lets the component go.
    void release();

    // The picture last delivered.
    QImage currentFrame() const { return m_frame; }

signals:
    void statusChanged(const QString &status);
    void frameShown();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class State { Ready, Opening, Playing, Paused, Stopped };
    void setState(State s);
    void onEnd();
    void onFailed(const QString &why);
    void onPicture();
    void discardEngine();
    void open();
    void coverWindow();
    void askPictureSize();
    void refresh();

    QPointer<MediaEngine> m_engine;
    QString m_url;
    int m_volume = 50;
    bool m_mute = false;
    double m_rate = 1.0;
    bool m_fullScreen = false;
    bool m_enabled = true;
    bool m_released = false;
    int m_played = 0;
    State m_state = State::Ready;
    QImage m_frame;
    QRect m_designGeometry;
    std::function<QString()> m_statusReader;
};

}   // namespace platform
