// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "clips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

QString g_clipFolder;

}   // namespace

void setClipFolder(const QString &folder) { g_clipFolder = folder; }
QString clipFolder() { return g_clipFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_clipFolder; }

QStringList clipFolders()
{
    QStringList folders{clipFolder()};
    // $XDG_DATA_HOME, then each of $XDG_DATA_DIRS, with their usual defaults.
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir(data).filePath(QStringLiteral("syrel"));
#ifdef SYREL_DATA_FROM_PROGRAM
    folders << QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(SYREL_DATA_FROM_PROGRAM));
#endif
    folders.removeDuplicates();
    return folders;
}

QString resolveClip(const QString &url)
{
    if (url.isEmpty())
        return {};
    const QFileInfo info(url);
    if (info.isAbsolute() || url.contains(QLatin1Char('/')) || url.contains(QLatin1Char('\\')))
        return url;
    const QStringList folders = clipFolders();
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(url);
        if (QFileInfo::exists(path))
            return path;
    }
    return QDir(folders.constFirst()).filePath(url);
}

}   // namespace platform
