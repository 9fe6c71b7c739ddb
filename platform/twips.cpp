// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace platform {

namespace {
QSize g_override;

double dpiX()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}
}   // namespace

double twipsPerPixelX() { return 1440.0 / dpiX(); }
double twipsPerPixelY() { return 1440.0 / dpiY(); }
int toPixelsX(double twips) { return int(std::lround(twips / twipsPerPixelX())); }
int toPixelsY(double twips) { return int(std::lround(twips / twipsPerPixelY())); }
int toTwipsX(int pixels) { return int(std::lround(pixels * twipsPerPixelX())); }
int toTwipsY(int pixels) { return int(std::lround(pixels * twipsPerPixelY())); }

QSize screenPixels()
{
    if (!g_override.isEmpty())
        return g_override;
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}
QPoint screenOrigin()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->geometry().topLeft() : QPoint();
}
int screenWidthTwips() { return toTwipsX(screenPixels().width()); }
int screenHeightTwips() { return toTwipsY(screenPixels().height()); }
void setScreenOverride(QSize pixels) { g_override = pixels; }

}   // namespace platform
