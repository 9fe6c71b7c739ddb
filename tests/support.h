// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Test doubles and the set-up every window test shares: a fake media
// engine, a recording window layer, a recording clock, and a clean window
// model between test functions.

#include "platform/dispatch.h"
#include "platform/forms.h"
#include "platform/mediaplayer.h"
#include "platform/user32.h"

#include <QImage>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

class FakeEngine : public platform::MediaEngine {
    Q_OBJECT
public:
    explicit FakeEngine(QObject *owner);
    ~FakeEngine() override;
    void setSource(const QString &path) override;
    void play() override;
    void pause() override;
    void stop() override;
    void rewind() override { ++rewinds; }
    void setVolume(float v) override { volume = v; }
    void setMuted(bool m) override { muted = m; }
    void setRate(double) override {}
    void setPictureSize(QSize size) override { pictureSize = size; }
    QImage takePicture() override { return picture; }
    void shutdown() override { ++shutdowns; }

    // Drive it as the real component would.
    void finish() { emit endOfMedia(); }
    void fail() { emit failed(QStringLiteral("unplayable")); }
    void start() { emit playing(); }
    void show(const QImage &p)
    {
        picture = p;
        emit pictureReady();
    }
    // Off: play() only asks, as the real engine does; start() then reports it.
    static inline bool playsAtOnce = true;

    QString source;
    QStringList sources;
    int plays = 0, rewinds = 0, shutdowns = 0;
    QSize pictureSize;
    QImage picture;
    float volume = -1;
    bool muted = false;

    static std::vector<FakeEngine *> &live();
};

// Every call in order, as text, and carried out on Qt as well.
class RecordingUser32 : public platform::User32 {
public:
    std::int32_t GetWindowLongA(platform::HWND w, int index) override;
    std::int32_t SetWindowLongA(platform::HWND w, int index, std::int32_t value) override;
    std::int32_t SetLayeredWindowAttributes(platform::HWND w, std::uint32_t key, std::uint8_t alpha,
                                            std::uint32_t flags) override;
    std::int32_t SetWindowPos(platform::HWND w, std::intptr_t after, int x, int y, int cx, int cy,
                              std::uint32_t flags) override;

    QStringList calls;
    // Alphas set on one window, in order.
    QVector<int> alphas(platform::HWND w) const;
    void clear()
    {
        calls.clear();
        m_alphas.clear();
    }

private:
    std::vector<std::pair<platform::HWND, int>> m_alphas;
};

// Installs the doubles for one test function and clears the window model after it.
class TestWorld {
public:
    TestWorld();
    ~TestWorld();

    RecordingUser32 user32;
    QVector<int> sleeps;                // pauses asked for, in order
    std::function<void(int)> onSleep;   // runs inside a pause, when set
    int yields = 0;
    std::function<void()> onYield;   // runs inside each fade step, when set
    int allUnloaded = 0;             // times the last window went
    bool failEngines = false;        // the media player component cannot be made
    QStringList log;                 // free for a test to note events in order

    // Runs fn with no handler on the stack, as the event loop between events.
    void outsideHandlers(const std::function<void()> &fn);

private:
    std::unique_ptr<platform::HandlerScope> m_scope;
};

// Empty when the window's frame sits in the middle of a screen of that size
// (within a pixel); otherwise where it is.
QString offCentre(const QWidget *window, QSize screen);

// A left click in the middle of a widget, delivered as the window system would.
void click(QWidget *w);

// Runs the event loop until done() holds or the limit has passed.  Unlike
// QTest::qWaitFor it does not sleep between looks, so fast timers keep
// their pace.
bool waitFor(const std::function<bool()> &done, int limitMs = 10000);

// Makes a clip with ffmpeg; false when it cannot.
bool ffmpeg(const QStringList &args);

// The lines of a console list, for comparisons.
class ConsoleWindow;
QStringList linesOf(const ConsoleWindow &console);

// How long the interface thread goes without its event loop turning (a
// 5 ms timer), from construction on.  Time it spent waiting for a core
// (/proc/thread-self/schedstat) is left out of 'longestOwnMs': on a busy
// machine that is the other work's, while a freeze (a blocking call, a
// loop of its own) is counted in full; 'longestMs' is the plain gap.
class StallWatch {
public:
    // ThreadSanitizer makes the thread's own work several times slower, and
    // its internal locks may be held by starved media threads: bounds on
    // 'longestOwnMs' are scaled by this.
#if defined(__SANITIZE_THREAD__)
    static constexpr int Slower = 4;
#else
    static constexpr int Slower = 1;
#endif

    StallWatch();
    ~StallWatch();
    double longestOwnMs() const { return m_longestOwn; }
    double longestMs() const { return m_longest; }
    QString describe() const;

private:
    std::unique_ptr<QObject> m_timer;
    double m_lastMs = 0, m_lastWaitMs = 0;
    double m_longestOwn = 0, m_longest = 0;
};
