// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "kernel32.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>

namespace platform {

namespace {
std::function<void(int)> g_sleep;
std::function<void()> g_yield;
bool g_ending = false;
}   // namespace

void setRunEnding(bool ending) { g_ending = ending; }
bool runEnding() { return g_ending; }

void setSleepHook(std::function<void(int)> hook) { g_sleep = std::move(hook); }
void setYieldHook(std::function<void()> hook) { g_yield = std::move(hook); }

void Sleep(int ms)
{
    if (g_ending)
        return;
    if (g_sleep)
        return g_sleep(ms);
    if (ms > 0)
        QThread::msleep(ulong(ms));
}

void DoEvents()
{
    // Every queued event, then once more: what the first pass painted (and
    // laid out) reaches the screen before a blocking pause that may follow.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

double frameIntervalMs()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return 0;
    const QScreen *s = QGuiApplication::primaryScreen();
    const double hz = s ? s->refreshRate() : 0;
    return 1000.0 / (hz >= 20 && hz <= 500 ? hz : 60.0);
}

void yieldStep()
{
    if (g_ending)
        return;
    if (g_yield)
        return g_yield();
    DoEvents();
    const double interval = frameIntervalMs();
    if (interval <= 0)
        return;

    // Keep a steady cadence: each step is due one frame after the previous one.
    static QElapsedTimer clock;
    static double due = 0;
    if (!clock.isValid())
        clock.start();
    const double now = clock.nsecsElapsed() / 1e6;
    if (due < now - interval)
        due = now;   // a new fade, or we fell behind: start from here
    due += interval;

    bool expired = false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [&expired] { expired = true; });
    const double left = due - clock.nsecsElapsed() / 1e6;
    if (left <= 0.5)
        return;
    wake.start(int(left + 0.5));
    while (!expired)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}   // namespace platform
