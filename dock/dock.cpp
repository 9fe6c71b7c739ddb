// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "dock.h"

#include "assets/art.h"
#include "console/debugger.h"
#include "console/scanner.h"
#include "platform/accessible.h"
#include "platform/dispatch.h"
#include "shell/closing.h"
#include "shell/desktop.h"
#include "shell/modwindowfunctions.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "viewer/video.h"

using namespace platform;

namespace {
struct IconDesign {
    int n;
    int left, top;
    const char *accessible;   // the name a screen reader gives
};
// Left and top in twips; each picture control takes its picture's size.
constexpr IconDesign Icons[] = {
    {1, 405, 315, "Syrel World Viewer"},
    {4, 1440, 315, "Debugger"},
    {5, 2430, 360, "Scanner"},
    // The pictures without action are named for what they show.
    {6, 3285, 360, "Lignes"},
    {7, 4230, 360, "Trapèze"},
    {8, 5310, 270, "Flèche vers le bas"},
    {9, 6525, 270, "Quitter Syrel"},
};
}   // namespace

Dock::Dock() : Form(QStringLiteral("Dock"))
{
    designWindow(QStringLiteral(" "), BorderStyle::None, 7500, 1110, StartPosition::Manual, Qt::black);
    window()->setAccessibleName(QStringLiteral("Syrel"));
    // Pictures for the window's pixel density; sizes stay logical.
    const qreal dpr = window()->devicePixelRatioF();
    Bar = new QLabel(window());
    Bar->setObjectName(QStringLiteral("Picture"));
    Bar->setPixmap(art::dockBar(dpr));
    Bar->move(0, 0);
    Bar->resize(Bar->pixmap().deviceIndependentSize().toSize());
    leaveOutOfAccessibleTree(Bar);

    Image *visible[7], *normal[7], *lit[7];
    for (int i = 0; i < 7; ++i) {
        const IconDesign &d = Icons[i];
        const QString n = QString::number(d.n);
        // The holders lie below the bar, out of sight, and are never shown.
        normal[i] = new Image(window(), QStringLiteral("Image") + n + n, d.left, 1200, art::dockIcon(d.n, false, dpr));
        lit[i] = new Image(window(), QStringLiteral("Image") + n + QLatin1Char('H'), d.left, 1200,
                           art::dockIcon(d.n, true, dpr));
        normal[i]->hide();
        lit[i]->hide();
        leaveOutOfAccessibleTree(normal[i]);
        leaveOutOfAccessibleTree(lit[i]);
        visible[i] = new Image(window(), QStringLiteral("Image") + n, d.left, d.top, normal[i]->Picture());
        visible[i]->setAccessibleName(QString::fromUtf8(d.accessible));
        // All seven take the focus from the keyboard, in their order on the bar.
        visible[i]->setTabStop(true);
    }
    for (Image *clickable : {visible[0], visible[1], visible[2], visible[6]})
        clickable->setCursor(Qt::PointingHandCursor);
    Image1 = visible[0], Image4 = visible[1], Image5 = visible[2], Image6 = visible[3];
    Image7 = visible[4], Image8 = visible[5], Image9 = visible[6];
    Image11 = normal[0], Image44 = normal[1], Image55 = normal[2], Image66 = normal[3];
    Image77 = normal[4], Image88 = normal[5], Image99 = normal[6];
    Image1H = lit[0], Image4H = lit[1], Image5H = lit[2], Image6H = lit[3];
    Image7H = lit[4], Image8H = lit[5], Image9H = lit[6];

    onEvent(Image1, &Image::Click, this, &Dock::Image1_Click, "Dock.Image1_Click");
    onEvent(Image4, &Image::Click, this, &Dock::Image4_Click, "Dock.Image4_Click");
    onEvent(Image5, &Image::Click, this, &Dock::Image5_Click, "Dock.Image5_Click");
    onEvent(Image9, &Image::Click, this, &Dock::Image9_Click, "Dock.Image9_Click");
}

void Dock::Form_Load()
{
    Move(screenWidthTwips() / 2 - 3750, screenHeightTwips() - 1400);
    modWindowFunctions::SetWindowTopmost(hWnd(), true);
    modWindowFunctions::SetWindowOpacity(hWnd(), 180);
}

void Dock::Form_Unload()
{
    if (Forms::get<Variables>().Dock == QStringLiteral("Slow"))
        modWindowFunctions::FadeWindow(hWnd(), 255, 180, 5);
}

void Dock::Image1_Click()
{
    if (Forms::get<Variables>().FormVideo == QStringLiteral("Close")) {
        light(Image1, Image1H);
        Forms::show<Video>();
    } else {
        light(Image1, Image11);
        Forms::unload<Video>();
    }
}

void Dock::Image4_Click()
{
    if (Forms::get<Variables>().FormDebugger == QStringLiteral("Close")) {
        light(Image4, Image4H);
        Forms::show<Debugger>();
    } else {
        light(Image4, Image44);
        Forms::unload<Debugger>();
    }
}

void Dock::Image5_Click()
{
    Forms::get<Variables>().Processing = QStringLiteral("Scanner");
    if (Forms::get<Variables>().Scanner == QStringLiteral("Close")) {
        light(Image5, Image5H);
        Forms::show<Processing>();
    } else {
        light(Image5, Image55);
        Forms::unload<Scanner>();
    }
}

void Dock::Image9_Click()
{
    light(Image9, Image9H);
    ShutDown();
}

void Dock::ShutDown()
{
    if (Forms::shuttingDown())
        return;   // a second request: the first one is already closing everything
    Forms::show<Closing>();
    // From here on nothing that is closed comes back, whatever else is running.
    Forms::beginShutdown();
    Forms::unload<Video>();
    Forms::unload<Scanner>();
    Forms::unload<Debugger>();
    // A transition strip still filling would otherwise outlive the shutdown.
    Forms::unload<Processing>();
    Forms::unload<Desktop>();
    Forms::unloadAll();
}

void Dock::Form_QueryUnload(int &Cancel, int)
{
    // Closing the bar alone (Alt+F4) would leave the desktop with no way
    // out: it shuts the machine down, as the exit icon does.
    Cancel = 1;
    Image9_Click();
}
