// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "mediaplayer.h"

#include "errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPainter>
#include <QResizeEvent>

Q_LOGGING_CATEGORY(lcPlayer, "syrel.player", QtWarningMsg)

namespace platform {

namespace {

MediaEngineFactory g_factory, g_default;

}   // namespace

void setDefaultMediaEngineFactory(MediaEngineFactory factory) { g_default = std::move(factory); }
void setMediaEngineFactory(MediaEngineFactory factory) { g_factory = std::move(factory); }

WindowsMediaPlayer::WindowsMediaPlayer(QWidget *parent, const QString &name) : QWidget(parent)
{
    setObjectName(name);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

WindowsMediaPlayer::~WindowsMediaPlayer() { release(); }

void WindowsMediaPlayer::createEngine()
{
    if (m_engine || m_released)
        return;
    MediaEngine *e = g_factory ? g_factory(this) : g_default ? g_default(this) : nullptr;
    if (!e)
        throw VbError(err::NoPlayerEngine, QStringLiteral("The media player component could not be created"));
    m_engine = e;
    e->setVolume(m_volume / 100.0f);
    e->setMuted(m_mute);
    e->setRate(m_rate);
    connect(e, &MediaEngine::playing, this, [this] { setState(State::Playing); });
    connect(e, &MediaEngine::paused, this, [this] { setState(State::Paused); });
    connect(e, &MediaEngine::stopped, this, [this] {
        if (m_state != State::Stopped && m_state != State::Ready)
            setState(State::Stopped);
    });
    connect(e, &MediaEngine::endOfMedia, this, &WindowsMediaPlayer::onEnd);
    connect(e, &MediaEngine::failed, this, &WindowsMediaPlayer::onFailed);
    connect(e, &MediaEngine::pictureReady, this, &WindowsMediaPlayer::onPicture);
    askPictureSize();
}

void WindowsMediaPlayer::askPictureSize()
{
    // Scaled to fit by the engine, so painting is a plain copy.
    if (m_engine)
        m_engine->setPictureSize(stretchToFit ? size() : QSize());
}

void WindowsMediaPlayer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    askPictureSize();
    if (m_engine && m_engine->shownInPlace())
        refresh();
}

void WindowsMediaPlayer::setURL(const QString &url)
{
    m_url = url;
    m_played = 0;
    m_frame = QImage();
    refresh();
    if (m_released)
        return;
    if (url.isEmpty() && !m_engine) {
        setState(State::Ready);   // nothing to play: no component needed yet
        return;
    }
    createEngine();
    if (url.isEmpty()) {
        m_engine->stop();
        m_engine->setSource(QString());
        setState(State::Ready);
        return;
    }
    open();
}

void WindowsMediaPlayer::open()
{
    // Opening until the engine says the clip really plays.
    setState(State::Opening);
    askPictureSize();
    m_engine->setSource(resolveClip(m_url));
    if (autoStart)
        m_engine->play();
}

void WindowsMediaPlayer::onEnd()
{
    ++m_played;
    if (m_played < playCount && m_engine) {
        m_engine->rewind();
        m_engine->play();
        return;
    }
    setState(State::Stopped);
}

void WindowsMediaPlayer::onFailed(const QString &why)
{
    // The player gives up on a clip it cannot play, without a dialog.
    qCDebug(lcPlayer) << objectName() << m_url << "failed:" << why;
    setState(State::Stopped);
}

void WindowsMediaPlayer::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    qCDebug(lcPlayer) << objectName() << m_url << "->" << status();
    emit statusChanged(status());
}

QString WindowsMediaPlayer::status() const
{
    if (m_statusReader)
        return m_statusReader();
    switch (m_state) {
    case State::Ready: return QStringLiteral("Prêt");
    case State::Opening: return QStringLiteral("Ouverture du média...");
    case State::Playing: return QStringLiteral("Lecture");
    case State::Paused: return QStringLiteral("Pause");
    case State::Stopped: return QStringLiteral("Arrêté");
    }
    return {};
}

void WindowsMediaPlayer::setVolume(int v)
{
    m_volume = qBound(0, v, 100);
    if (m_engine)
        m_engine->setVolume(m_volume / 100.0f);
}

void WindowsMediaPlayer::setMute(bool m)
{
    m_mute = m;
    if (m_engine)
        m_engine->setMuted(m);
}

void WindowsMediaPlayer::setRate(double r)
{
    m_rate = r;
    if (m_engine)
        m_engine->setRate(r);
}

void WindowsMediaPlayer::setPlayerEnabled(bool on)
{
    m_enabled = on;
    setAttribute(Qt::WA_TransparentForMouseEvents, !on);
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

void WindowsMediaPlayer::setFullScreen(bool on)
{
    m_fullScreen = on;
    if (QWidget *top = window(); top && top != this) {
        if (on)
            top->installEventFilter(this);
        else
            top->removeEventFilter(this);
    }
    if (on) {
        m_designGeometry = geometry();
        coverWindow();
    } else if (m_designGeometry.isValid()) {
        setGeometry(m_designGeometry);
    }
}

void WindowsMediaPlayer::coverWindow()
{
    // The video covers the whole of its window, which fills the screen.
    if (QWidget *top = window(); top && top != this) {
        setGeometry(top->rect());
        raise();
    }
}

bool WindowsMediaPlayer::eventFilter(QObject *watched, QEvent *event)
{
    if (m_fullScreen && watched == window() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        coverWindow();
    return QWidget::eventFilter(watched, event);
}

void WindowsMediaPlayer::copySettingsFrom(const WindowsMediaPlayer &o)
{
    autoStart = o.autoStart;
    playCount = o.playCount;
    uiMode = o.uiMode;
    stretchToFit = o.stretchToFit;
    windowlessVideo = o.windowlessVideo;
    enableContextMenu = o.enableContextMenu;
    enableErrorDialogs = o.enableErrorDialogs;
    invokeURLs = o.invokeURLs;
    balance = o.balance;
    currentPosition = o.currentPosition;
    currentMarker = o.currentMarker;
    defaultFrame = o.defaultFrame;
    baseURL = o.baseURL;
    SAMIStyle = o.SAMIStyle;
    SAMILang = o.SAMILang;
    SAMIFilename = o.SAMIFilename;
    captioningID = o.captioningID;
    setVolume(o.m_volume);
    setMute(o.m_mute);
    setRate(o.m_rate);
    setPlayerEnabled(o.m_enabled);
    setGeometry(o.geometry());
    setFullScreen(o.m_fullScreen);
    m_url = o.m_url;
}

void WindowsMediaPlayer::release()
{
    m_released = true;
    discardEngine();
    m_frame = QImage();
    refresh();
}

void WindowsMediaPlayer::discardEngine()
{
    if (!m_engine)
        return;
    m_engine->disconnect(this);
    m_engine->shutdown();      // silent from here on; the teardown is the engine's affair
    m_engine->deleteLater();   // it may be inside one of its own signals
    m_engine = nullptr;
}

void WindowsMediaPlayer::onPicture()
{
    if (!m_engine)
        return;
    m_frame = m_engine->takePicture();
    refresh();
    emit frameShown();
}

// Shows the current picture: handed to the X server when it can take it
// in place, painted through Qt otherwise.
void WindowsMediaPlayer::refresh()
{
    if (m_engine && isVisible() && m_engine->showInPlace(this, m_frame))
        return;
    update();
}

void WindowsMediaPlayer::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_engine && m_engine->shownInPlace())
        refresh();
}

void WindowsMediaPlayer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void WindowsMediaPlayer::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_engine)
        m_engine->hideInPlace();
}

void WindowsMediaPlayer::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QImage &frame = m_frame;
    if (frame.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    QSize size = frame.size();
    if (stretchToFit)
        size = size.scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    for (const QRect &bar : QRegion(rect()).subtracted(target))
        p.fillRect(bar, Qt::black);
    // Pictures come at the size asked for: scaling here is only for the
    // moment between a resize and the engine's next picture.
    p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != frame.size());
    p.drawImage(target, frame);
}

}   // namespace platform
