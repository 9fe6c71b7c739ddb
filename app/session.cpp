// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "session.h"

#include <QDir>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace session {

namespace {

// ":0", ":0.0" and "unix:0" name the same server: one lock for them all.
QString displayKey()
{
    QString display = qEnvironmentVariable("DISPLAY");
    display.remove(QRegularExpression(QStringLiteral("\\.\\d+$")));
    if (display.startsWith(QLatin1String("unix:")))
        display.remove(0, 4);
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9:._-]")), QStringLiteral("_"));
    return display;
}

}   // namespace

bool claim()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString name = QStringLiteral("syrel-%1.lock").arg(displayKey());
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::tempPath();
        name = QStringLiteral("syrel-%1-%2.lock").arg(getuid()).arg(displayKey());
    }
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(name));
    // Kept open for the whole run; not handed on to the media framework's helpers.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return !held;
}

}   // namespace session
