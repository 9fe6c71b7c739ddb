// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The peer of the bench's player measures: Qt's own media player and video
// widget, with an audio output, playing a clip alone.
//   syrel-qtplayer CLIP            maximised; prints "frame <clock ms>"
//                                  (CLOCK_MONOTONIC) when the first frame
//                                  reaches the widget, then ends at once
//   syrel-qtplayer CLIP SECONDS    at the world viewer's size, looping;
//                                  prints "playing" at the first frame and
//                                  "done <frames>" SECONDS later, then plays
//                                  on until it is ended
// Prints "failed" if no frame comes within 15 s.

#include "proc.h"

#include <QApplication>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
    QVideoWidget view;
    QMediaPlayer player;
    QAudioOutput audio;
    player.setAudioOutput(&audio);
    player.setVideoOutput(&view);
    int frames = -1;
    QTimer window;
    window.setSingleShot(true);
    window.setTimerType(Qt::PreciseTimer);
    QObject::connect(&window, &QTimer::timeout, [&] { bench::report("done", frames); });
    QObject::connect(view.videoSink(), &QVideoSink::videoFrameChanged, [&](const QVideoFrame &frame) {
        if (!frame.isValid())
            return;
        if (++frames > 0)
            return;
        if (seconds <= 0) {
            bench::report("frame");
            std::_Exit(0);   // only the first frame is of interest: skip the teardown
        }
        bench::report("playing");
        window.start(seconds * 1000);
    });
    QObject::connect(&player, &QMediaPlayer::errorOccurred, [] {
        bench::report("failed");
        std::_Exit(1);
    });
    QTimer::singleShot(15000, [&] {
        if (frames < 0) {
            bench::report("failed");
            std::_Exit(1);
        }
    });
    player.setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    if (seconds > 0) {
        player.setLoops(QMediaPlayer::Infinite);
        view.resize(656, 509);   // the world viewer's player
        view.show();
    } else {
        view.showMaximized();
    }
    player.play();
    return app.exec();
}
