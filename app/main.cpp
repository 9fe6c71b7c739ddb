// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Syrel: starts with the boot window; the run ends by itself when the
// last window has been unloaded.

#include "assets/art.h"
#include "platform/display.h"
#include "platform/fonts.h"
#include "platform/forms.h"
#include "shell/loading.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Placing windows and setting their opacity need X11: on Wayland, XWayland,
    // whatever the session asks of Qt. Only tests ask for the offscreen platform.
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Qt would abort with a hint about reinstalling; say what is really missing.
    if (qgetenv("QT_QPA_PLATFORM").startsWith("xcb") && !platform::canOpenX11Display()) {
        std::fputs("Syrel needs a graphical display (X11, or Wayland through XWayland).\n", stderr);
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
    platform::Forms::show<Loading>();
    return app.exec();
}
