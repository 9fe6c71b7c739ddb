// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Twips (1/1440 inch) to pixels, with the screen's logical DPI: 15 twips a
// pixel at 96 dpi.  Pixels are rounded to the nearest whole one.

#include <QPoint>
#include <QSize>

namespace platform {

double twipsPerPixelX();
double twipsPerPixelY();
int toPixelsX(double twips);
int toPixelsY(double twips);
int toTwipsX(int pixels);
int toTwipsY(int pixels);

// "The screen" is the primary monitor: its size, and where it lies on the
// desktop (positions in twips count from its top-left corner).  Tests may
// pretend to have another screen.
QSize screenPixels();
QPoint screenOrigin();
int screenWidthTwips();
int screenHeightTwips();
void setScreenOverride(QSize pixels);   // an empty size removes the override

}   // namespace platform
