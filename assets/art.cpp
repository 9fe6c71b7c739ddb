// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "art.h"

#include <QImage>

// The pictures are compiled into a static library: make sure they are linked in.
static void initArt() { Q_INIT_RESOURCE(assets); }

namespace art {

namespace {
QString path(const QString &name)
{
    static const bool once = (initArt(), true);
    Q_UNUSED(once);
    return QStringLiteral(":/assets/") + name;
}

// `base` + `ext` at 1x; the 2x drawing `base@2x` + `ext` for denser screens.
QPixmap picture(const QString &base, const QString &ext, qreal dpr)
{
    if (dpr <= 1.0 || qFuzzyCompare(dpr, 1.0))
        return QPixmap(path(base + ext));
    QImage image(path(base + QStringLiteral("@2x") + ext));
    if (image.isNull())
        return QPixmap(path(base + ext));   // blown up by the painter, soft but there
    if (!qFuzzyCompare(dpr, 2.0)) {
        // Between ratios (1.25, 1.5) the painter would resample with no
        // filtering at all. Scaling the 2x drawing down once, smoothly, to
        // the screen's own pixels is supersampling: thin lines keep their
        // weight, where the 1x picture blown up to 1.25 doubles every fourth
        // row and column.
        const QSize logical = image.size() / 2;
        image = image.scaled(qRound(logical.width() * dpr), qRound(logical.height() * dpr), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(dpr);
    return QPixmap::fromImage(std::move(image));
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

QPixmap desktop(qreal dpr) { return picture(QStringLiteral("desktop"), QStringLiteral(".jpg"), dpr); }

QIcon applicationIcon()
{
    // The .ico brings 16, 32 and 48 px (its deepest image of each); the
    // larger sizes serve big icon views and screens at 2x.
    QIcon icon(path(QStringLiteral("syrel.ico")));
    for (int size : {64, 128, 256})
        icon.addFile(path(QStringLiteral("syrel-%1.png").arg(size)));
    return icon;
}

QPixmap dockBar(qreal dpr) { return picture(QStringLiteral("dock-bar"), QStringLiteral(".png"), dpr); }

QPixmap dockIcon(int n, bool lit, qreal dpr)
{
    QPixmap p = picture(QStringLiteral("icon-%1%2").arg(n).arg(lit ? QStringLiteral("-lit") : QString()),
                        QStringLiteral(".png"), dpr);
    if (p.isNull()) {
        // Never without a picture of the right size, even if a resource is missing.
        p = QPixmap(iconSize(n));
        p.fill(lit ? QColor(200, 240, 255) : QColor(90, 140, 200));
    }
    return p;
}

}   // namespace art
