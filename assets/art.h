// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The built-in pictures.

#include <QIcon>
#include <QPixmap>

namespace art {

QPixmap desktop();
QIcon applicationIcon();
QPixmap dockBar();
// Dock icon N (1, 4, 5, 6, 7, 8, 9), normal or lit.
QPixmap dockIcon(int n, bool lit);

}   // namespace art
