#include "mediaplayer.h"

#include "errors.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QPainter>
#include <QResizeEvent>
#include <QUrl>
#include <QVideoSink>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPlayer, "syrel.player", QtWarningMsg)

namespace platform {

namespace {

// Qt Multimedia: a media player with an audio output (kept attached even
// without a sound device) and a video sink the control paints from.
class QtMediaEngine final : public MediaEngine {
public:
    explicit QtMediaEngine(QObject *owner)
    {
        setParent(owner);
        m_player.setAudioOutput(&m_audio);
        m_player.setVideoSink(&m_sink);
        connect(&m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState s) {
            if (s == QMediaPlayer::PlayingState)
                emit playing();
            else if (s == QMediaPlayer::PausedState)
                emit paused();
            else if (!m_ending)
                emit stopped();
        });
        connect(&m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
            if (s == QMediaPlayer::EndOfMedia) {
                m_ending = true;
                emit endOfMedia();
                m_ending = false;
            } else if (s == QMediaPlayer::InvalidMedia) {
                emit failed(QStringLiteral("invalid media"));
            }
        });
        connect(&m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error e, const QString &text) {
            if (e != QMediaPlayer::NoError)
                emit failed(text);
        });
    }
    void setSource(const QString &path) override
    {
        m_player.setSource(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
    }
    void play() override { m_player.play(); }
    void pause() override { m_player.pause(); }
    void stop() override { m_player.stop(); }
    void rewind() override { m_player.setPosition(0); }
    void setVolume(float v) override { m_audio.setVolume(v); }
    void setMuted(bool m) override { m_audio.setMuted(m); }
    void setRate(double r) override { m_player.setPlaybackRate(r); }
    QVideoSink *videoSink() override { return &m_sink; }

private:
    QMediaPlayer m_player;
    QAudioOutput m_audio;
    QVideoSink m_sink;
    bool m_ending = false;
};

MediaEngineFactory g_factory;
QString g_clipFolder;

} // namespace

void setMediaEngineFactory(MediaEngineFactory factory) { g_factory = std::move(factory); }
void setClipFolder(const QString &folder) { g_clipFolder = folder; }
QString clipFolder()
{
    return g_clipFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_clipFolder;
}

QString resolveClip(const QString &url)
{
    if (url.isEmpty())
        return {};
    const QFileInfo info(url);
    if (info.isAbsolute() || url.contains(QLatin1Char('/')) || url.contains(QLatin1Char('\\')))
        return url;
    return QDir(clipFolder()).filePath(url);   // bare names lie beside the program
}

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
    MediaEngine *e = g_factory ? g_factory(this) : new QtMediaEngine(this);
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
    if (QVideoSink *sink = e->videoSink())
        connect(sink, &QVideoSink::videoFrameChanged, this, &WindowsMediaPlayer::onFrame);
}

void WindowsMediaPlayer::setURL(const QString &url)
{
    m_url = url;
    m_played = 0;
    m_frame = QImage();
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
    m_engine->setSource(resolveClip(url));
    setState(State::Opening);
    if (autoStart)
        m_engine->play();
    update();
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
    qCDebug(lcPlayer) << objectName() << m_url << "failed:" << why;
    // The player gives up on a clip it cannot play, without a dialog.
    if (m_engine)
        m_engine->stop();
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
    if (m_engine) {
        m_engine->disconnect(this);
        if (QVideoSink *sink = m_engine->videoSink())
            sink->disconnect(this);
        m_engine->stop();
        m_engine->deleteLater();
        m_engine = nullptr;
    }
    m_frame = QImage();
}

void WindowsMediaPlayer::onFrame(const QVideoFrame &frame)
{
    m_frame = frame.toImage();
    update();
    emit frameShown();
}

void WindowsMediaPlayer::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_frame.isNull())
        return;
    QSize size = m_frame.size();
    if (stretchToFit)
        size = size.scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.setRenderHint(QPainter::SmoothPixmapTransform, stretchToFit);
    p.drawImage(target, m_frame);
}

} // namespace platform
