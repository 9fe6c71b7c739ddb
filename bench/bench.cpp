// Timings of the run on a real display (run it under X or Xvfb):
//   start to the first boot-clip frame, boot end to the dock, the transition
//   strip's 200 ticks, a 52-step fade and its step spacing, and the three
//   virtualisation pauses.  Prints one table.

#include "platform/dispatch.h"
#include "platform/fonts.h"
#include "platform/forms.h"
#include "platform/kernel32.h"
#include "platform/mediaplayer.h"
#include "shell/desktop.h"
#include "dock/dock.h"
#include "shell/loading.h"
#include "shell/modwindowfunctions.h"
#include "shell/processing.h"
#include "shell/variables.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace platform;

namespace {
QElapsedTimer g_clock;
double now() { return g_clock.nsecsElapsed() / 1e6; }

void row(const char *what, double value, const char *unit, const char *expected)
{
    std::printf("| %-44s | %10.1f %-3s | %-22s |\n", what, value, unit, expected);
}

// Waits, with the event loop running, until done() or the limit.
bool waitFor(const std::function<bool()> &done, int limitMs)
{
    // Blocks in the event loop between checks, so the bench itself takes no CPU.
    QEventLoop loop;
    QTimer poll;
    const double end = now() + limitMs;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || now() >= end)
            loop.quit();
    });
    poll.start(2);
    loop.exec();
    return done();
}

// Times every alpha set on a window, forwarding to the real calls.
class TimedUser32 : public User32 {
public:
    std::vector<double> at;
    std::int32_t GetWindowLongA(HWND w, int i) override { return qtUser32().GetWindowLongA(w, i); }
    std::int32_t SetWindowLongA(HWND w, int i, std::int32_t v) override { return qtUser32().SetWindowLongA(w, i, v); }
    std::int32_t SetLayeredWindowAttributes(HWND w, std::uint32_t k, std::uint8_t a, std::uint32_t f) override
    {
        at.push_back(now());
        return qtUser32().SetLayeredWindowAttributes(w, k, a, f);
    }
    std::int32_t SetWindowPos(HWND w, std::intptr_t a, int x, int y, int cx, int cy, std::uint32_t f) override
    {
        return qtUser32().SetWindowPos(w, a, x, y, cx, cy, f);
    }
};
} // namespace

int main(int argc, char *argv[])
{
    g_clock.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    installFontSubstitutes();
    HandlerScope scope;   // the bench drives the windows itself

    std::printf("| %-44s | %14s | %-22s |\n", "measure", "value", "expected");
    std::printf("|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(16, '-').c_str(), std::string(24, '-').c_str());

    // Start to the first boot-clip frame, then the boot's end to the dock.
    Forms::show<Loading>();
    Loading *boot = Forms::find<Loading>();
    double firstFrame = -1;
    QObject::connect(boot->WindowsMediaPlayer1, &WindowsMediaPlayer::frameShown, [&] {
        if (firstFrame < 0)
            firstFrame = now();
    });
    waitFor([&] { return firstFrame >= 0; }, 10000);
    row("process start to first boot-clip frame", firstFrame, "ms", "about 130 ms + start");
    double ended = -1, docked = -1;
    QObject::connect(boot->WindowsMediaPlayer1, &WindowsMediaPlayer::statusChanged, [&](const QString &s) {
        if (ended < 0 && s == QStringLiteral("Arrêté"))
            ended = now();
    });
    // The dock appears inside the strip's last tick, before its fade: poll from a timer.
    QTimer dockWatch;
    QObject::connect(&dockWatch, &QTimer::timeout, [&] {
        if (docked < 0 && Forms::find<Dock>() && Forms::find<Dock>()->window()->isVisible())
            docked = now();
    });
    dockWatch.start(1);
    waitFor([&] { return docked >= 0; }, 30000);
    row("boot clip end to dock shown", docked - ended, "ms", "tick (<=1 s) + strip");
    waitFor([] { return !Forms::isLoaded<Processing>(); }, 10000);

    // The strip's 200 ticks, alone.
    Forms::get<Variables>().Processing = QStringLiteral("none");
    const double stripStart = now();
    Forms::show<Processing>();
    Processing *strip = Forms::find<Processing>();
    double filled = -1;   // the fade runs inside the last tick: stamp it there
    QObject::connect(strip->Timer1, &Timer::tick, [&] {
        if (filled < 0 && strip->ProgressBar1->Value() >= 99.5f)
            filled = now();
    });
    waitFor([&] { return filled >= 0; }, 10000);
    row("transition strip, 200 ticks of 5 ms", filled - stripStart, "ms", "1000 to 1100 ms");
    waitFor([] { return !Forms::isLoaded<Processing>(); }, 10000);

    // A 52-step fade of a tool window.
    TimedUser32 timed;
    setUser32(&timed);
    QWidget probe;
    probe.resize(400, 300);
    probe.show();
    waitFor([] { return false; }, 300);
    const double fadeStart = now();
    modWindowFunctions::FadeWindow(&probe, 255, 0, 5);
    const double fadeMs = now() - fadeStart;
    setUser32(nullptr);
    std::vector<double> gaps;
    for (size_t i = 1; i + 1 < timed.at.size(); ++i)
        gaps.push_back(timed.at[i] - timed.at[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    row("fade 255 -> 0 step 5 (52 steps), duration", fadeMs, "ms", "about 870 ms at 60 Hz");
    row("fade step spacing, median", gaps.empty() ? 0 : gaps[gaps.size() / 2], "ms", "one frame, 16.7 ms");
    row("fade step spacing, max", gaps.empty() ? 0 : gaps.back(), "ms", "");
    row("display frame interval used", frameIntervalMs(), "ms", "");

    // The virtualisation's pauses.
    for (int ms : {1500, 1000, 2000}) {
        const double t = now();
        Sleep(ms);
        char label[64];
        std::snprintf(label, sizeof label, "pause of %d ms", ms);
        row(label, now() - t, "ms", "+-10 ms");
    }

    Forms::reset();
    return 0;
}
