// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "art.h"

#include <QPainter>

// The pictures are compiled into a static library: make sure they are linked in.
static void initArt() { Q_INIT_RESOURCE(assets); }

namespace art {

namespace {
QPixmap load(const QString &name)
{
    static const bool once = (initArt(), true);
    Q_UNUSED(once);
    QPixmap p(QStringLiteral(":/assets/") + name);
    return p;
}

QSize iconSize(int n)
{
    switch (n) {
    case 1:
    case 4: return {46, 36};
    case 8: return {49, 40};
    case 9: return {43, 42};
    default: return {46, 34};
    }
}
}   // namespace

QPixmap desktop() { return load(QStringLiteral("desktop.jpg")); }

QIcon applicationIcon()
{
    load(QStringLiteral("syrel.ico"));
    QIcon icon(QStringLiteral(":/assets/syrel.ico"));
    icon.addFile(QStringLiteral(":/assets/syrel-256.png"));
    return icon;
}

QPixmap dockBar() { return load(QStringLiteral("dock-bar.png")); }

QPixmap dockIcon(int n, bool lit)
{
    QPixmap p = load(QStringLiteral("icon-%1%2.png").arg(n).arg(lit ? QStringLiteral("-lit") : QString()));
    if (p.isNull()) {
        // Never without a picture of the right size, even if a resource is missing.
        p = QPixmap(iconSize(n));
        p.fill(lit ? QColor(200, 240, 255) : QColor(90, 140, 200));
    }
    return p;
}

}   // namespace art
