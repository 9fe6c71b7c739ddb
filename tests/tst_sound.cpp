// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Sound, on a PulseAudio server this test starts for itself with one null
// sink, whose monitor it records: the boot clip and a viewer clip reach
// the sink at half volume (-6 dB of the clip's own level), one at a time,
// and nothing is heard once the viewer has closed.  Without a sound server
// the clips still play, and they go on, silent, when it hangs or dies
// under them; the next clip once it is back is heard again.

#include "media/gstengine.h"
#include "platform/mediaplayer.h"
#include "platform/timer.h"
#include "shell/loading.h"
#include "support.h"
#include "viewer/video.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>

using namespace platform;

namespace {

constexpr int Rate = 22050;   // the clips' own rate; the recording is made at it, mono

QString demoClip(const char *name) { return QStringLiteral(SYREL_CLIP_DIR "/") + QLatin1String(name); }

std::vector<qint16> samples(const QByteArray &raw)
{
    std::vector<qint16> out(size_t(raw.size()) / 2);
    if (!out.empty())
        std::memcpy(out.data(), raw.constData(), out.size() * 2);
    return out;
}

// The clip's sound track, as the recording is made.
std::vector<qint16> soundOf(const QString &clip)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), {"-nostdin", "-loglevel", "error", "-i", clip, "-f", "s16le", "-ac", "1", "-ar",
                                       QString::number(Rate), "-"});
    p.waitForFinished(30000);
    return samples(p.readAllStandardOutput());
}

double rms(const std::vector<qint16> &s, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(count));
}

// Where sound starts after 'from': the first sample that is not silence.
size_t onset(const std::vector<qint16> &s, size_t from = 0)
{
    for (size_t i = from; i < s.size(); ++i)
        if (std::abs(s[i]) > 40)
            return i;
    return s.size();
}

int threadCount()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    return -1;
}

}   // namespace

class TestSound : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;
    QTemporaryDir m_run;
    QProcess m_server;
    QString m_socket;
    int m_dumps = 0;

    QString serverString() const { return QStringLiteral("unix:") + m_socket; }

    bool serverAnswers()
    {
        QProcess info;
        info.start(QStringLiteral("pactl"), {"-s", serverString(), "info"});
        return info.waitForFinished(3000) && info.exitCode() == 0;
    }

    // Records the null sink's monitor while 'during' runs, and for tailMs
    // after; 'during' is given the samples recorded so far.
    using SoFar = std::function<std::vector<qint16>()>;
    std::vector<qint16> record(const std::function<void(const SoFar &)> &during, int tailMs)
    {
        QProcess rec;
        QByteArray raw;
        rec.start(QStringLiteral("parec"),
                  {"-s", serverString(), "-d", "syrel_null.monitor", "--format=s16le", "--channels=1",
                   "--rate=" + QString::number(Rate), "--raw", "--latency-msec=20"});
        if (!rec.waitForStarted(3000))
            return {};
        // Recording for real before anything plays.
        if (!QTest::qWaitFor([&] { return rec.bytesAvailable() >= Rate / 5 * 2; }, 10000))
            return {};
        rec.readAllStandardOutput();
        connect(&rec, &QProcess::readyReadStandardOutput, this, [&] { raw += rec.readAllStandardOutput(); });
        during([&] {
            raw += rec.readAllStandardOutput();
            return samples(raw);
        });
        QTest::qWait(tailMs);
        raw += rec.readAllStandardOutput();
        rec.disconnect(this);
        rec.terminate();
        rec.waitForFinished(3000);
        if (const QByteArray dump = qgetenv("SYREL_SOUND_DUMP"); !dump.isEmpty()) {
            QFile f(QString::fromLocal8Bit(dump) + QString::number(++m_dumps) + QStringLiteral(".raw"));
            if (f.open(QIODevice::WriteOnly))
                f.write(raw);
        }
        return samples(raw);
    }

    static double decibels(double level, double reference) { return 20 * std::log10(level / reference); }

private slots:
    // Until a sound is heard and 'seconds' of it after, or a generous limit.
    static bool soundFor(const SoFar &soFar, double seconds)
    {
        return QTest::qWaitFor(
            [&] {
                const std::vector<qint16> s = soFar();
                const size_t start = onset(s);
                return start < s.size() && double(s.size() - start) >= seconds * Rate;
            },
            30000);
    }

    bool startServer()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *var : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH"})
            env.insert(QString::fromLatin1(var), m_run.path());
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(QStringLiteral("pulseaudio"),
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--log-level=error", "-L",
                        "module-null-sink sink_name=syrel_null", "-L",
                        "module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
        return m_server.waitForStarted(5000) && QTest::qWaitFor([this] { return serverAnswers(); }, 10000);
    }

    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
            QFAIL("pulseaudio and pulseaudio-utils are needed (tools/dev.sh installs them)");
        m_socket = m_run.filePath(QStringLiteral("native"));
        QVERIFY(startServer());
        qputenv("PULSE_SERVER", serverString().toLocal8Bit());
    }
    void cleanupTestCase()
    {
        // Every engine thread is done and joined before the process ends.
        QVERIFY(media::finish(std::chrono::seconds(10)));
        qunsetenv("PULSE_SERVER");
        m_server.terminate();
        m_server.waitForFinished(3000);
    }
    void init()
    {
        world = std::make_unique<TestWorld>();
        setMediaEngineFactory(nullptr);
        setClipFolder(QStringLiteral(SYREL_CLIP_DIR));
    }
    void cleanup() { world.reset(); }

    void bootClipAtHalfVolume()
    {
        const std::vector<qint16> clip = soundOf(demoClip("Boot.avi"));
        QVERIFY(clip.size() > Rate * 4);
        const std::vector<qint16> heard = record(
            [](const SoFar &soFar) {
                Forms::show<Loading>();
                soundFor(soFar, 3.25);
                Forms::unload<Loading>();
            },
            500);
        const size_t start = onset(heard);
        QVERIFY2(start + Rate * 3 < heard.size(), "the boot clip was not heard");
        // Three seconds from the first sound on, against the clip's first three.
        const double db = decibels(rms(heard, start, Rate * 3), rms(clip, onset(clip), Rate * 3));
        QVERIFY2(std::abs(db + 6.0) <= 1.0, qPrintable(QStringLiteral("%1 dB").arg(db)));
    }

    void viewerClipAtHalfVolumeAndSilentAfter()
    {
        // Syrel.avi's sound repeats every 2 s: any 4 s of it have the same level.
        const std::vector<qint16> clip = soundOf(demoClip("Syrel.avi"));
        QVERIFY(clip.size() >= Rate * 8);
        size_t closedAt = 0;
        const std::vector<qint16> heard = record(
            [&](const SoFar &soFar) {
                Forms::show<Video>();
                soundFor(soFar, 4.75);
                closedAt = soFar().size();
                Forms::unload<Video>();
            },
            1500);
        const size_t start = onset(heard);
        QVERIFY2(start + Rate * 9 / 2 < closedAt, "the viewer clip was not heard");
        const double db = decibels(rms(heard, start + Rate / 4, Rate * 4), rms(clip, 0, Rate * 4));
        QVERIFY2(std::abs(db + 6.0) <= 1.0, qPrintable(QStringLiteral("%1 dB").arg(db)));
        // From half a second after the close on, nothing.
        const size_t quietFrom = closedAt + Rate / 2;
        QVERIFY(quietFrom + Rate / 2 < heard.size());
        QVERIFY2(onset(heard, quietFrom) == heard.size(), "sound after the viewer closed");
    }

    // The sound server hangs under a playing clip, then dies: the clip goes
    // on, silent, pictures moving, and clips switched meanwhile play with
    // no thread left behind; once the server is back, the next clip is heard.
    void soundServerMayComeAndGo()
    {
        WindowsMediaPlayer p(nullptr, QStringLiteral("WindowsMediaPlayer1"));
        p.playCount = 999;
        int frames = 0;
        connect(&p, &WindowsMediaPlayer::frameShown, this, [&] { ++frames; });
        const auto moving = [&] {
            const int before = frames;
            return QTest::qWaitFor([&] { return frames >= before + 25; }, 20000);
        };
        const auto heard = [&](const char *clip) {
            bool on = false;
            record([&](const SoFar &soFar) { p.setURL(demoClip(clip)), on = soundFor(soFar, 1.0); }, 0);
            return on;
        };
        QVERIFY(heard("Syrel.avi"));

        ::kill(pid_t(m_server.processId()), SIGSTOP);
        const auto resume = qScopeGuard([this] { ::kill(pid_t(m_server.processId()), SIGCONT); });
        QTest::qWait(5000);   // long enough for the sound to back up
        QVERIFY2(moving(), "the pictures stopped with the sound server");
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
        const int threads = threadCount();
        const char *clips[] = {"Map-Vide-Tour.avi", "Map-3-Position.avi", "Map-Blanc-Tour.avi", "5eme.avi"};
        for (int i = 0; i < 8; ++i) {
            p.setURL(demoClip(clips[i % 4]));
            QVERIFY2(moving(), clips[i % 4]);
        }
        QVERIFY2(threadCount() <= threads + 8, qPrintable(QStringLiteral("%1 -> %2").arg(threads).arg(threadCount())));
        ::kill(pid_t(m_server.processId()), SIGCONT);
        QVERIFY2(heard("Syrel.avi"), "no sound once the server answered again");

        m_server.kill();
        m_server.waitForFinished(5000);
        QVERIFY2(moving(), "the pictures stopped when the sound server died");
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
        QVERIFY(startServer());
        QVERIFY2(heard("Syrel.avi"), "no sound once the server was back");
    }

    // A sound server that is not there: the clip plays all the same.
    void noSoundServer()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/native");
        WindowsMediaPlayer p(nullptr, QStringLiteral("WindowsMediaPlayer1"));
        p.setURL(demoClip("Map-Blanc-Vide.avi"));
        const bool played = QTest::qWaitFor(
            [&] { return p.status() == QStringLiteral("Lecture") && !p.currentFrame().isNull(); }, 20000);
        qputenv("PULSE_SERVER", serverString().toLocal8Bit());
        QVERIFY(played);
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
