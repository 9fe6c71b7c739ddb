// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The media player control: repetitions counted by hand, status texts,
// clips looked up beside the program, and the real Qt Multimedia engine
// giving up on missing or broken files without a dialog.

#include "platform/errors.h"
#include "platform/mediaplayer.h"
#include "support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

class TestPlayer : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;
    std::unique_ptr<QWidget> host;

    FakeEngine *engineOf(WindowsMediaPlayer &p) { return qobject_cast<FakeEngine *>(p.engine()); }

private slots:
    void init()
    {
        world = std::make_unique<TestWorld>();
        host = std::make_unique<QWidget>();
    }
    void cleanup()
    {
        host.reset();
        world.reset();
        setClipFolder(QString());
        WindowsMediaPlayer::setFirstFrameLimit(0);
    }

    void repetitionsAreCountedHere()
    {
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        p.playCount = 3;
        p.setURL(QStringLiteral("Syrel.avi"));
        FakeEngine *e = engineOf(p);
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
        e->finish();
        e->finish();
        QCOMPARE(e->rewinds, 2);
        QCOMPARE(e->plays, 3);
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
        e->finish();
        QCOMPARE(e->rewinds, 2);
        QCOMPARE(p.status(), QStringLiteral("Arrêté"));
    }

    void aNewClipStartsItsCountAgain()
    {
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        p.playCount = 2;
        p.setURL(QStringLiteral("a.avi"));
        engineOf(p)->finish();
        p.setURL(QStringLiteral("b.avi"));
        QCOMPARE(p.repetitionsPlayed(), 0);
        engineOf(p)->finish();
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
    }

    void statusTexts()
    {
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        QCOMPARE(p.status(), QStringLiteral("Prêt"));
        QVERIFY(!p.engine());   // nothing named, nothing made
        p.autoStart = false;
        p.setURL(QStringLiteral("x.avi"));
        QCOMPARE(p.status(), QStringLiteral("Ouverture du média..."));
        engineOf(p)->pause();
        QCOMPARE(p.status(), QStringLiteral("Pause"));
        engineOf(p)->fail();
        QCOMPARE(p.status(), QStringLiteral("Arrêté"));
    }

    // A clip that is there gets a second try on a fresh component; only
    // a second failure stops the player.
    void aClipThatIsThereIsTriedTwice()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("Boot.avi")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("RIFF") == 4);
        f.close();
        setClipFolder(dir.path());
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        QStringList statuses;
        connect(&p, &WindowsMediaPlayer::statusChanged, this, [&](const QString &s) { statuses << s; });
        p.setURL(QStringLiteral("Boot.avi"));
        FakeEngine *first = engineOf(p);
        first->fail();
        QVERIFY(p.status() != QStringLiteral("Arrêté"));
        QTRY_VERIFY(engineOf(p) && engineOf(p) != first);
        QCOMPARE(engineOf(p)->plays, 1);
        QVERIFY(engineOf(p)->source.endsWith(QStringLiteral("/Boot.avi")));
        engineOf(p)->fail();
        QCOMPARE(p.status(), QStringLiteral("Arrêté"));
        QTest::qWait(20);
        QCOMPARE(statuses,
                 (QStringList{"Ouverture du média...", "Lecture", "Ouverture du média...", "Lecture", "Arrêté"}));
        // A new clip has its own second try.
        p.setURL(QStringLiteral("Boot.avi"));
        FakeEngine *third = engineOf(p);
        third->fail();
        QTRY_VERIFY(engineOf(p) && engineOf(p) != third);
    }

    // A clip that neither plays nor fails counts as failed when no picture
    // comes in time, so the boot cannot wait for ever.
    void aClipWithoutPicturesGivesUp()
    {
        WindowsMediaPlayer::setFirstFrameLimit(50);
        QVideoSink sink;
        setMediaEngineFactory([&](QObject *owner) {
            auto *e = new FakeEngine(owner);
            e->sink = &sink;
            return e;
        });
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        p.setURL(QStringLiteral("missing.avi"));   // not there: no second try
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
        QTRY_COMPARE_WITH_TIMEOUT(p.status(), QStringLiteral("Arrêté"), 2000);

        // A picture in time keeps it playing.
        p.setURL(QStringLiteral("other.avi"));
        emit sink.videoFrameChanged(QVideoFrame(QVideoFrameFormat(QSize(4, 4), QVideoFrameFormat::Format_ARGB8888)));
        QTest::qWait(150);
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
    }

    void settingsReachTheEngine()
    {
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        p.setVolume(50);
        p.setMute(true);
        p.setURL(QStringLiteral("x.avi"));
        QCOMPARE(engineOf(p)->volume, 0.5f);
        QVERIFY(engineOf(p)->muted);
        p.setVolume(250);
        QCOMPARE(p.volume(), 100);
        QCOMPARE(p.contextMenuPolicy(), Qt::NoContextMenu);
    }

    void bareNamesLieBesideTheProgram()
    {
        QCOMPARE(resolveClip(QStringLiteral("Boot.avi")), QCoreApplication::applicationDirPath() + "/Boot.avi");
        setClipFolder(QStringLiteral("/clips"));
        QCOMPARE(resolveClip(QStringLiteral("Boot.avi")), QStringLiteral("/clips/Boot.avi"));
        QCOMPARE(resolveClip(QStringLiteral("/tmp/x.avi")), QStringLiteral("/tmp/x.avi"));
        QCOMPARE(resolveClip(QStringLiteral("sub/x.avi")), QStringLiteral("sub/x.avi"));
        QCOMPARE(resolveClip(QString()), QString());
    }

    void anElementThatCannotBeMadeRaises()
    {
        world->failEngines = true;
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        QVERIFY_THROWS_EXCEPTION(VbError, p.createEngine());
    }

    // The real engine, on files that cannot be played: it gives up, no dialog.
    void realEngineGivesUpOnBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("text named .avi") << QByteArray("not a clip at all\n").repeated(50) << true;
        QTest::newRow("truncated header") << QByteArray("RIFF\x10\x00\x00\x00"
                                                        "AVI LIST",
                                                        16)
                                          << true;
    }
    void realEngineGivesUpOnBadFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        setMediaEngineFactory(nullptr);
        QTemporaryDir dir;
        if (create) {
            QFile f(dir.filePath(QStringLiteral("Boot.avi")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        setClipFolder(dir.path());
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        p.setURL(QStringLiteral("Boot.avi"));
        QTRY_COMPARE_WITH_TIMEOUT(p.status(), QStringLiteral("Arrêté"), 30000);
    }

#ifdef SYREL_CLIP_DIR
    void realEngineDecodesAndRepeatsADemoClip()
    {
        setMediaEngineFactory(nullptr);
        setClipFolder(QStringLiteral(SYREL_CLIP_DIR));
        if (!QFile::exists(resolveClip(QStringLiteral("Map-Blanc-Vide.avi"))))
            QSKIP("demo clips not made");
        WindowsMediaPlayer p(host.get(), QStringLiteral("WindowsMediaPlayer1"));
        p.playCount = 2;
        int frames = 0;
        connect(&p, &WindowsMediaPlayer::frameShown, this, [&] { ++frames; });
        p.setURL(QStringLiteral("Map-Blanc-Vide.avi"));   // 5 s
        QTRY_VERIFY_WITH_TIMEOUT(frames > 0, 30000);
        QCOMPARE(p.currentFrame().size(), QSize(640, 480));
        QTRY_COMPARE_WITH_TIMEOUT(p.repetitionsPlayed(), 1, 30000);
        QCOMPARE(p.status(), QStringLiteral("Lecture"));
        QTRY_COMPARE_WITH_TIMEOUT(p.status(), QStringLiteral("Arrêté"), 30000);
        QCOMPARE(p.repetitionsPlayed(), 2);
    }
#endif
};

QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
