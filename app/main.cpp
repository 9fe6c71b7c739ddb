// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Syrel: starts with the boot window; the run ends by itself when the
// last window has been unloaded.

#include "app/commandline.h"
#include "app/session.h"
#include "assets/art.h"
#include "media/gstengine.h"
#include "platform/display.h"
#include "platform/fonts.h"
#include "platform/forms.h"
#include "shell/loading.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // Answered without a display, and while a session runs.
    if (const int status = commandline::handle(argc, argv); status >= 0)
        return status;
    // Placing windows and setting their opacity need X11: on Wayland, XWayland,
    // whatever the session asks of Qt. Only tests ask for the offscreen platform.
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Qt would abort with a hint about reinstalling; say what is really missing.
    if (qgetenv("QT_QPA_PLATFORM").startsWith("xcb") && !platform::canOpenX11Display()) {
        std::fputs("Syrel needs a graphical display (X11, or Wayland through XWayland).\n", stderr);
        return 1;
    }
    if (!session::claim()) {
        std::fputs("Syrel is already running\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Syrel"));
    QApplication::setDesktopFileName(QStringLiteral(SYREL_APP_ID));
    QApplication::setWindowIcon(art::applicationIcon());
    // Hidden windows come and go; only the window model decides when the run is over.
    app.setQuitOnLastWindowClosed(false);
    platform::installFontSubstitutes();
    platform::Forms::setOnAllUnloaded([] { QCoreApplication::exit(0); });
    media::install();
    platform::Forms::show<Loading>();
    const int status = app.exec();
    // No clip's thread may run on while the program's objects go.  One
    // stuck in a call that never returns is left to the system.
    if (!media::finish(std::chrono::seconds(1))) {
        std::fflush(nullptr);
        _exit(status);
    }
    return status;
}
