// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "mediaplayer.h"

#include "errors.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>
#include <QUrl>
#include <QVideoSink>
#include <QLoggingCategory>
#include <QVideoFrameFormat>
#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Decoded frames are made into pictures here, on the CPU.  QVideoFrame's own
// toImage() draws them through OpenGL whenever the display offers it: on a
// software rasteriser (Xvfb, virtual machines, no GPU driver) that costs many
// times the decoding itself, and the GL stack's memory with it.  The planar
// 4:2:0 formats decoders hand out are done here; anything else goes to Qt.
struct YuvToRgb {
    int y, yOffset, rv, gu, gv, bu;   // 16.16 fixed point
};

YuvToRgb yuvToRgb(const QVideoFrameFormat &format)
{
    // The same choice of matrix and range as Qt's own conversion.
    QVideoFrameFormat::ColorSpace space = format.colorSpace();
    if (space == QVideoFrameFormat::ColorSpace_Undefined)
        space = format.frameHeight() > 576 ? QVideoFrameFormat::ColorSpace_BT709 : QVideoFrameFormat::ColorSpace_BT601;
    double kr = 0.299, kb = 0.114;
    if (space == QVideoFrameFormat::ColorSpace_BT709)
        kr = 0.2126, kb = 0.0722;
    else if (space == QVideoFrameFormat::ColorSpace_BT2020)
        kr = 0.2627, kb = 0.0593;
    const bool full =
        format.colorRange() == QVideoFrameFormat::ColorRange_Full || space == QVideoFrameFormat::ColorSpace_AdobeRgb;
    const double ys = full ? 1.0 : 255.0 / 219.0, cs = full ? 1.0 : 255.0 / 224.0, kg = 1.0 - kr - kb;
    const auto fixed = [](double v) { return int(std::lround(v * 65536.0)); };
    return {fixed(ys),
            full ? 0 : 16,
            fixed(cs * 2 * (1 - kr)),
            fixed(cs * 2 * kb * (1 - kb) / kg),
            fixed(cs * 2 * kr * (1 - kr) / kg),
            fixed(cs * 2 * (1 - kb))};
}

inline uint clampByte(int v) { return uint(std::clamp(v >> 16, 0, 255)); }

// One row of w pixels; the chroma of pixels 2k and 2k+1 is at u[k*step] and
// v[k*step] (step 1 when planar, 2 when interleaved).
void convertRow(const uchar *y, const uchar *u, const uchar *v, int step, QRgb *d, int w, const YuvToRgb &m)
{
    int x = 0;
#if defined(__SSE2__)
    // Eight pixels at a time in 16-bit lanes, to 1/16 of a level; the rest
    // of the row below.  Each lane holds a value times 32 (luma, sums) or
    // times 16 (chroma terms, doubled before the sums).
    const __m128i zero = _mm_setzero_si128(), mid = _mm_set1_epi16(128), rounding = _mm_set1_epi16(16);
    const __m128i yOffset = _mm_set1_epi16(short(m.yOffset)), lowBytes = _mm_set1_epi16(0xff);
    const __m128i alpha = _mm_set1_epi8(char(0xff));
    const auto gain = [](int fixed, int shift) { return _mm_set1_epi16(short((fixed + (1 << (shift - 1))) >> shift)); };
    const __m128i kY = gain(m.y, 2), kRv = gain(m.rv, 3), kGu = gain(m.gu, 3), kGv = gain(m.gv, 3), kBu = gain(m.bu, 3);
    const uchar *pairs = u < v ? u : v;   // interleaved: the sample that comes first
    for (; x + 8 <= w; x += 8) {
        __m128i cu, cv;
        if (step == 1) {
            int us, vs;
            std::memcpy(&us, u + x / 2, 4);
            std::memcpy(&vs, v + x / 2, 4);
            cu = _mm_unpacklo_epi8(_mm_cvtsi32_si128(us), zero);
            cv = _mm_unpacklo_epi8(_mm_cvtsi32_si128(vs), zero);
        } else {
            const __m128i uv = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(pairs + x));
            const __m128i first = _mm_and_si128(uv, lowBytes), second = _mm_srli_epi16(uv, 8);
            cu = u < v ? first : second;
            cv = u < v ? second : first;
        }
        cu = _mm_slli_epi16(_mm_sub_epi16(cu, mid), 7);
        cv = _mm_slli_epi16(_mm_sub_epi16(cv, mid), 7);
        cu = _mm_unpacklo_epi16(cu, cu);   // one sample for two pixels
        cv = _mm_unpacklo_epi16(cv, cv);
        const __m128i r = _mm_slli_epi16(_mm_mulhi_epi16(cv, kRv), 1);
        const __m128i g = _mm_slli_epi16(_mm_add_epi16(_mm_mulhi_epi16(cu, kGu), _mm_mulhi_epi16(cv, kGv)), 1);
        const __m128i b = _mm_slli_epi16(_mm_mulhi_epi16(cu, kBu), 1);
        __m128i l = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(y + x)), zero);
        l = _mm_add_epi16(_mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(l, yOffset), 7), kY), rounding);
        const __m128i r8 = _mm_packus_epi16(_mm_srai_epi16(_mm_add_epi16(l, r), 5), zero);
        const __m128i g8 = _mm_packus_epi16(_mm_srai_epi16(_mm_sub_epi16(l, g), 5), zero);
        const __m128i b8 = _mm_packus_epi16(_mm_srai_epi16(_mm_add_epi16(l, b), 5), zero);
        const __m128i bg = _mm_unpacklo_epi8(b8, g8), ra = _mm_unpacklo_epi8(r8, alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + x), _mm_unpacklo_epi16(bg, ra));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + x + 4), _mm_unpackhi_epi16(bg, ra));
    }
#endif
    constexpr int half = 1 << 15;
    for (; x < w; ++x) {
        const int c = (x / 2) * step;
        const int cu = u[c] - 128, cv = v[c] - 128;
        const int l = (y[x] - m.yOffset) * m.y + half;
        d[x] = 0xff000000u | clampByte(l + m.rv * cv) << 16 | clampByte(l - m.gu * cu - m.gv * cv) << 8 |
               clampByte(l + m.bu * cu);
    }
}

// A 4:2:0 frame: Y plane, and the U and V samples of each 2x2 pixels.
void convert420(const QVideoFrame &f, int uPlane, int uOffset, int vPlane, int vOffset, int step, QImage &out)
{
    const YuvToRgb m = yuvToRgb(f.surfaceFormat());
    const int w = f.width(), h = f.height();
    const uchar *yBits = f.bits(0), *uBits = f.bits(uPlane) + uOffset, *vBits = f.bits(vPlane) + vOffset;
    const qsizetype yLine = f.bytesPerLine(0), uLine = f.bytesPerLine(uPlane), vLine = f.bytesPerLine(vPlane);
    uchar *outBits = out.bits();
    const qsizetype outLine = out.bytesPerLine();
    for (int row = 0; row < h; ++row)
        convertRow(yBits + row * yLine, uBits + (row / 2) * uLine, vBits + (row / 2) * vLine, step,
                   reinterpret_cast<QRgb *>(outBits + row * outLine), w, m);
}

// The frame as a picture, reusing reuse's pixels when it fits.
QImage frameToImage(const QVideoFrame &frame, QImage reuse)
{
    const QVideoFrameFormat format = frame.surfaceFormat();
    const QVideoFrameFormat::PixelFormat pf = frame.pixelFormat();
    const bool planar = pf == QVideoFrameFormat::Format_YUV420P || pf == QVideoFrameFormat::Format_YV12 ||
                        pf == QVideoFrameFormat::Format_NV12 || pf == QVideoFrameFormat::Format_NV21;
    const bool plain = frame.rotationAngle() == QVideoFrame::Rotation0 && !frame.mirrored() &&
                       format.scanLineDirection() == QVideoFrameFormat::TopToBottom;
    if (!planar || !plain || frame.size().isEmpty())
        return frame.toImage();
    QVideoFrame mapped = frame;
    if (!mapped.map(QVideoFrame::ReadOnly))
        return frame.toImage();
    if (reuse.size() != frame.size() || reuse.format() != QImage::Format_RGB32 || !reuse.isDetached())
        reuse = QImage(frame.size(), QImage::Format_RGB32);
    switch (pf) {
    case QVideoFrameFormat::Format_YUV420P: convert420(mapped, 1, 0, 2, 0, 1, reuse); break;
    case QVideoFrameFormat::Format_YV12: convert420(mapped, 2, 0, 1, 0, 1, reuse); break;
    case QVideoFrameFormat::Format_NV12: convert420(mapped, 1, 0, 1, 1, 2, reuse); break;
    default: convert420(mapped, 1, 1, 1, 0, 2, reuse); break;   // NV21
    }
    mapped.unmap();
    return reuse;
}

MediaEngineFactory g_factory;
int g_firstFrameLimitMs = 8000;
QString g_clipFolder;

}   // namespace

void setMediaEngineFactory(MediaEngineFactory factory) { g_factory = std::move(factory); }
void WindowsMediaPlayer::setFirstFrameLimit(int ms) { g_firstFrameLimitMs = ms > 0 ? ms : 8000; }
void setClipFolder(const QString &folder) { g_clipFolder = folder; }
QString clipFolder() { return g_clipFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_clipFolder; }

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
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (m_state == State::Opening || m_state == State::Playing)
            onFailed(QStringLiteral("no picture within %1 ms").arg(g_firstFrameLimitMs));
    });
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
    m_pending = QVideoFrame();
    m_frame = QImage();
    if (m_released)
        return;
    if (url.isEmpty() && !m_engine) {
        setState(State::Ready);   // nothing to play: no component needed yet
        return;
    }
    if (m_failed && m_engine) {
        // A media player that has failed refuses every clip after: start
        // the next one on a fresh component.
        discardEngine();
    }
    m_failed = false;
    m_retried = false;
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
    m_engine->setSource(resolveClip(m_url));
    setState(State::Opening);
    // Now and then a pipeline neither plays nor fails: without a first
    // picture in time the clip counts as failed, so the boot cannot hang.
    if (m_engine->videoSink() && autoStart)
        m_watchdog.start(g_firstFrameLimitMs);
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
    // Stopping a failed pipeline would block for its state-change timeout; the
    // component is replaced at the next clip instead.
    m_watchdog.stop();
    m_failed = true;
    // Now and then, on a loaded machine, the framework fails a good clip at
    // its start ("Internal data stream error"): a clip that is there gets
    // one more try on a fresh component before the player gives up.
    const QFileInfo clip(resolveClip(m_url));
    if (!m_retried && !m_released && clip.isFile() && clip.size() > 0) {
        m_retried = true;
        discardEngine();
        // A moment later, once the failed component has gone.
        QTimer::singleShot(RetryDelayMs, this, [this] {
            if (m_released || m_engine || m_url.isEmpty())
                return;   // released, or another clip came meanwhile
            m_failed = false;
            createEngine();
            open();
        });
        return;
    }
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
    m_pending = QVideoFrame();
    m_frame = QImage();
}

void WindowsMediaPlayer::discardEngine()
{
    m_watchdog.stop();
    if (!m_engine)
        return;
    m_engine->disconnect(this);
    if (QVideoSink *sink = m_engine->videoSink())
        sink->disconnect(this);
    if (!m_failed)
        m_engine->stop();
    m_engine->deleteLater();   // it may be inside one of its own signals
    m_engine = nullptr;
}

void WindowsMediaPlayer::onFrame(const QVideoFrame &frame)
{
    if (frame.isValid())
        m_watchdog.stop();
    m_pending = frame;
    if (!frame.isValid())
        m_frame = QImage();
    update();
    emit frameShown();
}

const QImage &WindowsMediaPlayer::picture() const
{
    if (m_pending.isValid()) {
        QImage reuse;
        reuse.swap(m_frame);   // unshared, its pixels are written over in place
        m_frame = frameToImage(m_pending, std::move(reuse));
        m_pending = QVideoFrame();
    }
    return m_frame;
}

void WindowsMediaPlayer::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QImage &frame = picture();
    if (frame.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    QSize size = frame.size();
    if (stretchToFit)
        size = size.scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    // Black only around an opaque picture: it covers the rest.
    if (frame.hasAlphaChannel())
        p.fillRect(rect(), Qt::black);
    else
        for (const QRect &bar : QRegion(rect()).subtracted(target))
            p.fillRect(bar, Qt::black);
    p.setRenderHint(QPainter::SmoothPixmapTransform, stretchToFit);
    if (target.size() == frame.size()) {
        p.drawImage(target, frame);
        return;
    }
    // Scaled, in bands of fewer than 96 rows: Qt's raster engine hands larger
    // scaled draws to its thread pool, which costs more CPU in hand-overs
    // than it saves at a video's size.  The clip keeps the sampling (and so
    // the picture) exactly that of one draw.
    const QRect dirty = event->rect().intersected(target);
    for (int top = dirty.top(); top <= dirty.bottom(); top += 80) {
        p.setClipRect(QRect(dirty.left(), top, dirty.width(), std::min(80, dirty.bottom() + 1 - top)));
        p.drawImage(target, frame);
    }
}

}   // namespace platform
