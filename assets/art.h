// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The built-in pictures.
//
// Each picture is drawn at 1x and at 2x. `dpr` is the device pixel ratio of
// the window that shows it: above 1 the picture comes from the 2x drawing,
// with that ratio set, so it keeps its logical size (the desktop picture
// still covers 1600 x 1200 logical pixels) and stays sharp.

#include <QIcon>
#include <QPixmap>

namespace art {

QPixmap desktop(qreal dpr);
QIcon applicationIcon();
QPixmap dockBar(qreal dpr);
// Dock icon N (1, 4, 5, 6, 7, 8, 9), normal or lit.
QPixmap dockIcon(int n, bool lit, qreal dpr);

}   // namespace art
