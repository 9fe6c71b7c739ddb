// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "support.h"

#include "bench/proc.h"
#include "console/consolewindow.h"
#include "media/gstengine.h"
#include "platform/fonts.h"
#include "platform/kernel32.h"
#include "platform/testhooks.h"
#include "platform/timer.h"
#include "platform/twips.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace platform;

// ---------------------------------------------------------------- FakeEngine

FakeEngine::FakeEngine(QObject *owner)
{
    setParent(owner);
    live().push_back(this);
}

FakeEngine::~FakeEngine() { std::erase(live(), this); }

std::vector<FakeEngine *> &FakeEngine::live()
{
    static std::vector<FakeEngine *> all;
    return all;
}

void FakeEngine::setSource(const QString &path)
{
    source = path;
    sources << path;
}

void FakeEngine::play()
{
    ++plays;
    if (playsAtOnce)
        emit playing();
}

void FakeEngine::pause() { emit paused(); }
void FakeEngine::stop() { emit stopped(); }

// ----------------------------------------------------------- RecordingUser32

std::int32_t RecordingUser32::GetWindowLongA(HWND w, int index)
{
    calls << QStringLiteral("get %1").arg(index);
    return qtUser32().GetWindowLongA(w, index);
}

std::int32_t RecordingUser32::SetWindowLongA(HWND w, int index, std::int32_t value)
{
    calls << QStringLiteral("set %1 0x%2").arg(index).arg(value, 0, 16);
    return qtUser32().SetWindowLongA(w, index, value);
}

std::int32_t RecordingUser32::SetLayeredWindowAttributes(HWND w, std::uint32_t key, std::uint8_t alpha,
                                                         std::uint32_t flags)
{
    calls << QStringLiteral("alpha %1").arg(alpha);
    m_alphas.emplace_back(w, alpha);
    return qtUser32().SetLayeredWindowAttributes(w, key, alpha, flags);
}

std::int32_t RecordingUser32::SetWindowPos(HWND w, std::intptr_t after, int x, int y, int cx, int cy,
                                           std::uint32_t flags)
{
    calls << QStringLiteral("pos %1 0x%2").arg(after).arg(flags, 0, 16);
    return qtUser32().SetWindowPos(w, after, x, y, cx, cy, flags);
}

QVector<int> RecordingUser32::alphas(HWND w) const
{
    QVector<int> out;
    for (const auto &[win, a] : m_alphas)
        if (win == w)
            out << a;
    return out;
}

// ----------------------------------------------------------------- TestWorld

namespace {
QtMessageHandler g_previous = nullptr;
// The offscreen platform has no stacking or opacity; it says so on every call.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (g_previous)
        g_previous(type, context, message);
}
}   // namespace

TestWorld::TestWorld() : m_scope(std::make_unique<HandlerScope>())
{
    static const bool installed = (g_previous = qInstallMessageHandler(quietHandler), true);
    Q_UNUSED(installed);
    installFontSubstitutes();
    media::install();
    Forms::reset();
    resetTestHooks();
    media::setOpenHook(nullptr);
    FakeEngine::playsAtOnce = true;
    setUser32(&user32);
    setSleepHook([this](int ms) {
        sleeps << ms;
        if (onSleep)
            onSleep(ms);
    });
    setYieldHook([this] {
        ++yields;
        if (onYield)
            onYield();
    });
    setMediaEngineFactory(
        [this](QObject *owner) -> MediaEngine * { return failEngines ? nullptr : new FakeEngine(owner); });
    setScreenOverride(QSize(1024, 768));
    Forms::setOnAllUnloaded([this] { ++allUnloaded; });
}

TestWorld::~TestWorld()
{
    Forms::reset();
    resetTestHooks();
    media::setOpenHook(nullptr);
    m_scope.reset();
    QCoreApplication::processEvents();
}

void TestWorld::outsideHandlers(const std::function<void()> &fn)
{
    m_scope.reset();
    fn();
    m_scope = std::make_unique<HandlerScope>();
}

bool ffmpeg(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-loglevel", "error", "-y"} + args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList linesOf(const ConsoleWindow &console) { return console.List1->lines(); }

QString offCentre(const QWidget *window, QSize screen)
{
    const QRect frame = window->frameGeometry();
    const QPoint off = frame.center() - QRect(QPoint(0, 0), screen).center();
    if (qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1)
        return {};
    return QStringLiteral("frame %1,%2 %3x%4 is off the centre by %5,%6")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(off.x())
        .arg(off.y());
}

void click(QWidget *w)
{
    const QPointF at = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
}

bool waitFor(const std::function<bool()> &done, int limitMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer look, limit;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    look.start(1);
    limit.setSingleShot(true);
    limit.start(limitMs);
    loop.exec();
    return done();
}

// ------------------------------------------------------------ stalls --

namespace {
// The calling thread's time waiting for a core so far, in ms; 0 where the
// kernel does not tell (every gap then counts in full).
double waitedForCoreMs()
{
    const double w = bench::threadTimes().waitMs;
    return std::isnan(w) ? 0 : w;
}
}   // namespace

StallWatch::StallWatch() : m_timer(std::make_unique<QTimer>())
{
    auto *timer = static_cast<QTimer *>(m_timer.get());
    m_lastMs = bench::monotonicMs();
    m_lastWaitMs = waitedForCoreMs();
    QObject::connect(timer, &QTimer::timeout, [this] {
        const double t = bench::monotonicMs(), waited = waitedForCoreMs();
        m_longest = std::max(m_longest, t - m_lastMs);
        m_longestOwn = std::max(m_longestOwn, t - m_lastMs - (waited - m_lastWaitMs));
        m_lastMs = t;
        m_lastWaitMs = waited;
    });
    timer->start(5);
}

StallWatch::~StallWatch() = default;

QString StallWatch::describe() const
{
    return QStringLiteral("the interface stopped for %1 ms, %2 ms of it not waiting for a core")
        .arg(qRound(m_longest))
        .arg(qRound(m_longestOwn));
}
