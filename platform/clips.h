// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Where a clip named bare ("Boot.avi") is found, clip by clip: beside the
// program first (a build folder), then in the user's data folder
// ($XDG_DATA_HOME/syrel, so a clip of one's own replaces a demo one), then
// in each of the system's ($XDG_DATA_DIRS/syrel), last in the installation's
// own share/syrel wherever its prefix lies.

#include <QString>
#include <QStringList>

namespace platform {

// The first folder looked in: the program's own by default.
void setClipFolder(const QString &folder);
QString clipFolder();
// Every folder looked in, in order.
QStringList clipFolders();
// A bare name becomes the first file of that name in those folders (or the
// name in the first folder when none has it); a path stays as it is.
QString resolveClip(const QString &url);

}   // namespace platform
