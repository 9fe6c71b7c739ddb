// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Clips that cannot be played, on the real media engine: a missing file, an
// empty one, text named .avi, a clip cut short, a clip in a codec no
// decoder knows and a named pipe, as the boot clip and as viewer clips
// (every viewer clip goes through the same player, so each kind is tried on
// one of them).  The boot must still reach the dock, the viewer must stay
// usable and the interface answering, nothing may pop up, and the exit
// works.

#include "dock/dock.h"
#include "media/gstengine.h"
#include "platform/mediaplayer.h"
#include "platform/timer.h"
#include "shell/desktop.h"
#include "shell/loading.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "console/debugger.h"
#include "support.h"
#include "viewer/video.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/stat.h>

using namespace platform;

namespace {

enum class Bad { Missing, Empty, Text, Truncated, UnknownCodec, NamedPipe };

const char *const ViewerClips[] = {
    "Syrel.avi",          "Map-Vide-Tour.avi",  "Map-3-Position.avi", "Map-2-2-1-Action.avi",
    "Map-3-1-Action.avi", "Map-Blanc-Tour.avi", "Map-Blanc-Vide.avi", "5eme.avi"};

QString demoClip(const QString &name) { return QStringLiteral(SYREL_CLIP_DIR "/") + name; }

// The real clip with both streams' codec tags replaced by ones no decoder
// has, found by walking the AVI header's stream lists.
QByteArray withUnknownCodecs(QByteArray avi)
{
    for (qsizetype at = avi.indexOf("strh"); at >= 0 && at < avi.indexOf("movi"); at = avi.indexOf("strh", at + 4)) {
        const QByteArray type = avi.mid(at + 8, 4);
        avi.replace(at + 12, 4, "SYRZ");   // the stream's handler
        const qsizetype strf = avi.indexOf("strf", at);
        if (type == "vids")
            avi.replace(strf + 8 + 16, 4, "SYRZ");   // BITMAPINFOHEADER.biCompression
        else if (type == "auds")
            avi.replace(strf + 8, 2, QByteArray("\x7e\x5a", 2));   // WAVEFORMATEX.wFormatTag
    }
    return avi;
}

// Writes the bad version of a clip; false when the real clip is needed and missing.
bool writeBad(const QString &dir, const QString &name, Bad kind)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile::remove(path);
    if (kind == Bad::Missing)
        return true;
    if (kind == Bad::NamedPipe)
        return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    QByteArray content;
    if (kind == Bad::Text) {
        content = QByteArray("Ceci n'est pas un film.\n").repeated(40);
    } else if (kind == Bad::Truncated || kind == Bad::UnknownCodec) {
        QFile real(demoClip(name));
        if (!real.open(QIODevice::ReadOnly))
            return false;
        const QByteArray all = real.readAll();
        // The header and the first frames, cut inside a frame; no index.
        content = kind == Bad::Truncated ? all.left(24 * 1024 + 7) : withUnknownCodecs(all);
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

bool waitLong(const std::function<bool()> &done) { return waitFor(done, 20000); }

// Visible top-level windows that are not the program's own: a dialog of
// the media framework would be one.
QStringList strayWindows()
{
    QStringList out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<FormWindow *>(w))
            out << QString::fromLatin1(w->metaObject()->className());
    return out;
}

// The viewer control that plays a clip; null for the one its load starts.
QWidget *controlFor(Video &v, const QString &clip)
{
    const std::pair<const char *, QWidget *> controls[] = {{"Map-Vide-Tour.avi", v.Command3},
                                                           {"Map-3-Position.avi", v.Command4},
                                                           {"Map-2-2-1-Action.avi", v.Command5},
                                                           {"Map-3-1-Action.avi", v.Command6},
                                                           {"Map-Blanc-Tour.avi", v.Command7},
                                                           {"Map-Blanc-Vide.avi", v.Label7},
                                                           {"5eme.avi", v.Label8}};
    for (auto [name, w] : controls)
        if (clip == QLatin1String(name))
            return w;
    return nullptr;
}

const std::pair<Bad, const char *> Kinds[] = {{Bad::Missing, "missing"},
                                              {Bad::Empty, "empty"},
                                              {Bad::Text, "text named .avi"},
                                              {Bad::Truncated, "cut short"},
                                              {Bad::UnknownCodec, "unknown codec"},
                                              {Bad::NamedPipe, "named pipe"}};

}   // namespace

Q_DECLARE_METATYPE(Bad)

class TestBadClips : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;
    std::unique_ptr<QTemporaryDir> dir;

    // A clip folder with every demo clip, the named one replaced by its bad version.
    bool prepare(const QString &bad, Bad kind)
    {
        dir = std::make_unique<QTemporaryDir>();
        for (const char *name : ViewerClips)
            QFile::link(demoClip(QString::fromLatin1(name)), dir->filePath(QString::fromLatin1(name)));
        QFile::link(demoClip(QStringLiteral("Boot.avi")), dir->filePath(QStringLiteral("Boot.avi")));
        setClipFolder(dir->path());
        return writeBad(dir->path(), bad, kind);
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(demoClip(QStringLiteral("Syrel.avi"))))
            QFAIL("demo clips not made (the clips target makes them)");
    }
    void cleanupTestCase()
    {
        // Every engine thread is done and joined before the process ends.
        QVERIFY(media::finish(std::chrono::seconds(10)));
    }
    void init()
    {
        world = std::make_unique<TestWorld>();
        setMediaEngineFactory(nullptr);   // the real engine
        Timer::setSpeedUp(10);
    }
    void cleanup()
    {
        world.reset();
        dir.reset();
    }

    void theBootReachesTheDock_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<Bad>("kind");
        for (auto [kind, what] : Kinds)
            QTest::addRow("Boot.avi %s", what) << QStringLiteral("Boot.avi") << kind;
    }
    void theBootReachesTheDock()
    {
        QFETCH(QString, clip);
        QFETCH(Bad, kind);
        QVERIFY(prepare(clip, kind));
        Forms::show<Loading>();
        QVERIFY2(waitLong([] { return Forms::find<Dock>() && !Forms::isLoaded<Processing>(); }), "no dock");
        QVERIFY(!Forms::isLoaded<Loading>());
        QVERIFY(Forms::find<Desktop>()->window()->isVisible());
        QVERIFY(Forms::find<Dock>()->window()->isVisible());
        QCOMPARE(strayWindows(), QStringList());
    }

    void theViewerStaysUsable_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<Bad>("kind");
        // Syrel.avi is the one the viewer's load starts; the others come from its controls.
        const char *const clips[] = {"Map-Vide-Tour.avi",  "Map-3-Position.avi", "Map-2-2-1-Action.avi",
                                     "Map-3-1-Action.avi", "Syrel.avi",          "Map-Blanc-Vide.avi"};
        int i = 0;
        for (auto [kind, what] : Kinds) {
            const char *clip = clips[i++];
            QTest::addRow("%s %s", clip, what) << QString::fromLatin1(clip) << kind;
        }
    }
    void theViewerStaysUsable()
    {
        QFETCH(QString, clip);
        QFETCH(Bad, kind);
        QVERIFY(prepare(clip, kind));
        Forms::show<Desktop>();
        QVERIFY(waitLong([] { return Forms::find<Dock>() && !Forms::isLoaded<Processing>(); }));
        Dock &dock = *Forms::find<Dock>();

        // The interface must not freeze on a bad clip, from here to the end.
        // All media work is done off the interface thread; painting and the
        // tests' own clicks leave a generous margin, and time spent waiting
        // for a core on a loaded machine is not the program's.
        const StallWatch stalls;

        click(dock.Image1);
        Video &v = *Forms::find<Video>();
        WindowsMediaPlayer *player = v.WindowsMediaPlayer1(1);
        if (QWidget *control = controlFor(v, clip)) {
            // A good clip first, then the bad one over it.
            QVERIFY(waitLong([&] { return !player->currentFrame().isNull(); }));
            click(control);
        }
        QCOMPARE(player->URL(), clip);
        // Let the engine give up (or play what it can).
        QVERIFY(waitLong([&] { return player->status() != QStringLiteral("Ouverture du média..."); }));
        if (kind != Bad::Truncated) {
            QCOMPARE(player->status(), QStringLiteral("Arrêté"));
            QVERIFY(player->currentFrame().isNull());   // the viewer stays black
        }
        QTest::qWait(100);
        QCOMPARE(strayWindows(), QStringList());
        QVERIFY(!Forms::isLoaded<Debugger>());   // nothing to report: the clip simply does not play
        QVERIFY(v.window()->isVisible());
        QCOMPARE(Forms::find<Variables>()->FormVideo, QStringLiteral("Open"));

        // Another clip plays at once.
        QWidget *other = clip == QLatin1String("Map-Vide-Tour.avi") ? v.Command4 : v.Command3;
        int frames = 0;
        const QMetaObject::Connection counting =
            connect(player, &WindowsMediaPlayer::frameShown, this, [&] { ++frames; });
        click(other);
        QVERIFY2(waitLong([&] { return frames >= 3; }), qPrintable(player->status()));
        disconnect(counting);
        // Pictures come while the clip still opens; "Lecture" once it really plays.
        QVERIFY2(waitLong([&] { return player->status() == QStringLiteral("Lecture"); }), qPrintable(player->status()));
        QCOMPARE(player->currentFrame().size(), QSize(656, 492));   // fitted to the area by the engine

        // It closes and opens again as usual.
        click(dock.Image1);
        QVERIFY(!Forms::isLoaded<Video>());
        QCOMPARE(Forms::find<Variables>()->FormVideo, QStringLiteral("Close"));
        click(dock.Image1);
        QVERIFY(Forms::isLoaded<Video>());
        QCOMPARE(strayWindows(), QStringList());
        QTest::qWait(50);
        QVERIFY2(stalls.longestOwnMs() < 500 * StallWatch::Slower && stalls.longestMs() < 5000,
                 qPrintable(stalls.describe()));

        // And the run ends by the exit icon.
        click(dock.Image9);
        QVERIFY(waitLong([this] { return world->allUnloaded > 0; }));
    }
};

QTEST_MAIN(TestBadClips)
#include "tst_badclips.moc"
