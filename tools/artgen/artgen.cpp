// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// syrel-artgen: draws every built-in picture of Syrel and writes it into the
// folder given on the command line. All art is made here from code, so the
// committed files in assets/ can always be rebuilt from scratch.
//
//   syrel-artgen <output-folder>

#include <QByteArray>
#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QString g_outDir;
bool g_ok = true;

QString outPath(const QString &name) { return QDir(g_outDir).filePath(name); }

void report(const QString &name, bool ok)
{
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(outPath(name)));
    g_ok = g_ok && ok;
}

void savePng(const QImage &img, const QString &name)
{
    QImageWriter w(outPath(name), "png");
    w.setQuality(0);   // for PNG, quality 0 means the strongest deflate
    report(name, w.write(img));
}

// ---------------------------------------------------------------------------
// Small raster helpers

// Three box passes approximate a gaussian well enough for glows.
QImage blurred(const QImage &src, int radius)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius < 1)
        return img;
    const int w = img.width(), h = img.height();
    std::vector<int> acc[4];
    auto pass = [&](bool horizontal) {
        const int len = horizontal ? w : h, lines = horizontal ? h : w;
        std::vector<QRgb> line(len);
        for (int l = 0; l < lines; ++l) {
            for (int i = 0; i < len; ++i)
                line[i] = horizontal ? reinterpret_cast<const QRgb *>(img.constScanLine(l))[i]
                                     : reinterpret_cast<const QRgb *>(img.constScanLine(i))[l];
            for (int i = 0; i < len; ++i) {
                int s[4] = {0, 0, 0, 0};
                for (int k = -radius; k <= radius; ++k) {
                    const int j = i + k;
                    if (j < 0 || j >= len)
                        continue;   // outside counts as transparent
                    const QRgb p = line[j];
                    s[0] += qAlpha(p);
                    s[1] += qRed(p);
                    s[2] += qGreen(p);
                    s[3] += qBlue(p);
                }
                const int n = 2 * radius + 1;
                const QRgb out = qRgba(s[1] / n, s[2] / n, s[3] / n, s[0] / n);
                if (horizontal)
                    reinterpret_cast<QRgb *>(img.scanLine(l))[i] = out;
                else
                    reinterpret_cast<QRgb *>(img.scanLine(i))[l] = out;
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
    return img;
}

// Turns a white-on-transparent mask into the given colour; gain > 1 lets a
// faint blur be pushed up into a visible glow.
QImage tinted(const QImage &mask, const QColor &c, double gain = 1.0)
{
    QImage out(mask.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < mask.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(mask.constScanLine(y));
        QRgb *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            const int a = std::min(255, int(std::lround(qAlpha(in[x]) * gain * c.alphaF())));
            o[x] = qRgba(c.red() * a / 255, c.green() * a / 255, c.blue() * a / 255, a);
        }
    }
    return out;
}

// Draws with `paint` at `scale` times the size and averages down, which gives
// cleaner edges on tiny pictures than antialiasing at 1:1. `paint` works in
// the picture's own units; `dpr` makes a picture for screens with that many
// pixels to each of them.
QImage supersampled(QSize size, int scale, const std::function<void(QPainter &, double)> &paint, int dpr = 1)
{
    QImage big(size * scale * dpr, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale * dpr, scale * dpr);
        paint(p, scale * dpr);
    }
    return big.scaled(size * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// "name.png" at 1x, "name@2x.png" for screens with two pixels to each one.
QString named(const QString &base, const QString &ext, int dpr)
{
    return dpr == 1 ? base + ext : QStringLiteral("%1@%2x%3").arg(base).arg(dpr).arg(ext);
}

// ---------------------------------------------------------------------------
// Desktop backdrop

// Drawn in its own 1600 x 1200 units; `dpr` pixels to each unit.
void makeDesktop(int dpr)
{
    const int W = 1600, H = 1200;
    const int PW = W * dpr, PH = H * dpr;
    QImage img(PW, PH, QImage::Format_RGB32);

    // Teal, light at the top, deep at the bottom; eased so the light part
    // does not wash out the upper third. A touch of random dither keeps the
    // long gradient from banding after JPEG compression.
    const double top[3] = {122, 190, 196}, mid[3] = {38, 112, 122}, bot[3] = {5, 34, 42};
    QRandomGenerator rng(1977);
    for (int y = 0; y < PH; ++y) {
        const double t = double(y) / (PH - 1);
        double c[3];
        for (int k = 0; k < 3; ++k) {
            if (t < 0.45) {
                const double u = t / 0.45;
                c[k] = top[k] + (mid[k] - top[k]) * (u * (2 - u) * 0.7 + u * 0.3);
            } else {
                const double u = (t - 0.45) / 0.55;
                c[k] = mid[k] + (bot[k] - mid[k]) * std::pow(u, 0.8);
            }
        }
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < PW; ++x) {
            // gentle side vignette, strongest at the bottom corners
            const double dx = (x - PW / 2.0) / (PW / 2.0);
            const double v = 1.0 - 0.16 * dx * dx * (0.35 + 0.65 * t);
            const double d = rng.generateDouble() - 0.5;
            line[x] = qRgb(std::clamp(int(c[0] * v + d + 0.5), 0, 255), std::clamp(int(c[1] * v + d + 0.5), 0, 255),
                           std::clamp(int(c[2] * v + d + 0.5), 0, 255));
        }
    }

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.scale(dpr, dpr);   // whole pixels at 2x too: each rule just gets two pixels wide

    // Vertical rules: bright near the top, gone well before the bottom.
    for (int i = 1; i <= 6; ++i) {
        const int x = int(std::lround(i * W / 7.0));
        QLinearGradient g(0, 0, 0, H * 0.92);
        g.setColorAt(0.0, QColor(225, 255, 255, 120));
        g.setColorAt(0.15, QColor(215, 250, 255, 90));
        g.setColorAt(0.55, QColor(200, 245, 255, 30));
        g.setColorAt(1.0, QColor(200, 245, 255, 0));
        p.fillRect(QRect(x, 0, 1, H), g);
        // faint halo beside each rule
        QLinearGradient h(0, 0, 0, H * 0.6);
        h.setColorAt(0.0, QColor(200, 250, 255, 28));
        h.setColorAt(1.0, QColor(200, 250, 255, 0));
        p.fillRect(QRect(x - 1, 0, 1, H), h);
        p.fillRect(QRect(x + 1, 0, 1, H), h);
    }

    // Horizontal rules: two bright ones up top, two quieter ones further down.
    auto hline = [&](int y, int alpha, int halo) {
        QLinearGradient g(0, 0, W, 0);   // soften the ends towards the screen edges
        g.setColorAt(0.0, QColor(235, 255, 255, alpha * 6 / 10));
        g.setColorAt(0.12, QColor(235, 255, 255, alpha));
        g.setColorAt(0.88, QColor(235, 255, 255, alpha));
        g.setColorAt(1.0, QColor(235, 255, 255, alpha * 6 / 10));
        p.fillRect(QRect(0, y, W, 1), g);
        for (int k = 1; k <= 3 && halo > 0; ++k) {
            const QColor c(190, 250, 255, halo / k);
            p.fillRect(QRect(0, y - k, W, 1), c);
            p.fillRect(QRect(0, y + k, W, 1), c);
        }
    };
    hline(96, 200, 36);
    hline(160, 170, 28);
    hline(416, 70, 0);
    hline(672, 45, 0);

    // Small tick crosses where the bright rules meet the verticals.
    for (int i = 1; i <= 6; ++i) {
        const int x = int(std::lround(i * W / 7.0));
        for (int y : {96, 160}) {
            p.fillRect(QRect(x - 6, y, 13, 1), QColor(255, 255, 255, 150));
            p.fillRect(QRect(x, y - 6, 1, 13), QColor(255, 255, 255, 150));
            p.fillRect(QRect(x - 1, y - 1, 3, 3), QColor(255, 255, 255, 90));
        }
    }
    p.end();

    const QString name = named(QStringLiteral("desktop"), QStringLiteral(".jpg"), dpr);
    QImageWriter w(outPath(name), "jpeg");
    w.setQuality(90);
    w.setProgressiveScanWrite(false);
    w.setOptimizedWrite(true);
    report(name, w.write(img));
}

// ---------------------------------------------------------------------------
// The Syrel disc (application icon)

void paintDisc(QPainter &p, double s)
{
    const QPointF c(s / 2, s / 2);
    const double R = s / 2 - s / 32;
    auto circle = [&](double r) {
        QPainterPath path;
        path.addEllipse(c, r, r);
        return path;
    };
    const QPainterPath face = circle(R).subtracted(circle(R * 0.15));

    // silver base, lit from the upper left
    QLinearGradient base(c.x() - R, c.y() - R, c.x() + R, c.y() + R);
    base.setColorAt(0.0, QColor(214, 214, 214));
    base.setColorAt(0.5, QColor(176, 176, 176));
    base.setColorAt(1.0, QColor(128, 128, 128));
    p.fillPath(face, base);

    // the sheen: two bright wedges opposite each other, as on a real disc
    QConicalGradient sheen(c, 35);
    const QColor on(255, 255, 255, 170), off(255, 255, 255, 0), dark(60, 60, 60, 70);
    sheen.setColorAt(0.00, on);
    sheen.setColorAt(0.07, off);
    sheen.setColorAt(0.25, dark);
    sheen.setColorAt(0.43, off);
    sheen.setColorAt(0.50, on);
    sheen.setColorAt(0.57, off);
    sheen.setColorAt(0.75, dark);
    sheen.setColorAt(0.93, off);
    sheen.setColorAt(1.00, on);
    p.fillPath(circle(R * 0.97).subtracted(circle(R * 0.38)), sheen);

    // clear hub around the hole, a little lighter and flatter
    QRadialGradient hub(c, R * 0.38);
    hub.setColorAt(0.0, QColor(232, 232, 232));
    hub.setColorAt(1.0, QColor(196, 196, 196));
    p.fillPath(circle(R * 0.36).subtracted(circle(R * 0.15)), hub);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 110, 110), std::max(0.6, s / 96)));
    p.drawEllipse(c, R * 0.37, R * 0.37);
    p.setPen(QPen(QColor(150, 150, 150), std::max(0.5, s / 128)));
    p.drawEllipse(c, R * 0.22, R * 0.22);

    // rims
    p.setPen(QPen(QColor(80, 80, 80), std::max(0.8, s / 48)));
    p.drawEllipse(c, R, R);
    p.setPen(QPen(QColor(96, 96, 96), std::max(0.6, s / 80)));
    p.drawEllipse(c, R * 0.15, R * 0.15);
}

QImage discImage(int size)
{
    const int scale = std::max(4, 1024 / size);
    return supersampled(QSize(size, size), std::min(scale, 16), [size](QPainter &p, double) { paintDisc(p, size); });
}

// --- ICO writer -------------------------------------------------------------

void put16(QByteArray &b, uint16_t v)
{
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}
void put32(QByteArray &b, uint32_t v)
{
    put16(b, uint16_t(v & 0xffff));
    put16(b, uint16_t(v >> 16));
}
int rowBytes(int width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

// One icon image as a DIB: header, palette, XOR bitmap, then the AND mask.
// Height is doubled because the mask is counted as part of the bitmap.
QByteArray dibFor(const QImage &src, int bpp)
{
    const QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int colours = bpp <= 8 ? (1 << bpp) : 0;
    const int xorRow = rowBytes(w, bpp), andRow = rowBytes(w, 1);

    QByteArray b;
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h * 2));
    put16(b, 1);
    put16(b, uint16_t(bpp));
    put32(b, 0);   // BI_RGB
    put32(b, uint32_t((xorRow + andRow) * h));
    put32(b, 0);
    put32(b, 0);
    put32(b, uint32_t(colours));
    put32(b, 0);

    // Paletted depths use an even grey ramp: the disc is neutral grey, so
    // this is the palette the picture itself calls for.
    for (int i = 0; i < colours; ++i) {
        const char g = char(i * 255 / (colours - 1));
        b.append(g);
        b.append(g);
        b.append(g);
        b.append('\0');
    }

    auto opaque = [&](int x, int y) { return qAlpha(img.pixel(x, y)) >= 128; };

    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(xorRow, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb px = img.pixel(x, y);
            if (bpp == 32) {
                row[x * 4 + 0] = char(qBlue(px));
                row[x * 4 + 1] = char(qGreen(px));
                row[x * 4 + 2] = char(qRed(px));
                row[x * 4 + 3] = char(qAlpha(px));
                continue;
            }
            if (!opaque(x, y))
                continue;   // index 0 (black) under a set mask bit shows through
            // 16 greys band visibly on the sheen, so 4 bpp gets an ordered dither
            static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
            const int bias = bpp == 4 ? bayer[y & 3][x & 3] * 16 + 8 : 128;
            const int idx = std::min(colours - 1, (qGray(px) * (colours - 1) + bias) / 255);
            if (bpp == 8) {
                row[x] = char(idx);
            } else {
                const int shift = (x & 1) ? 0 : 4;
                row[x / 2] = char(uchar(row[x / 2]) | (idx << shift));
            }
        }
        b.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(andRow, '\0');
        for (int x = 0; x < w; ++x)
            if (bpp == 32 ? qAlpha(img.pixel(x, y)) == 0 : !opaque(x, y))
                row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        b.append(row);
    }
    return b;
}

void makeIcon()
{
    struct Entry {
        int size, bpp;
    };
    const Entry entries[] = {{32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}};
    const int count = int(std::size(entries));

    std::vector<QByteArray> dibs;
    for (const Entry &e : entries)
        dibs.push_back(dibFor(discImage(e.size), e.bpp));

    QByteArray ico;
    put16(ico, 0);   // reserved
    put16(ico, 1);   // icon, not cursor
    put16(ico, uint16_t(count));
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        const Entry &e = entries[i];
        ico.append(char(e.size));
        ico.append(char(e.size));
        ico.append(char(e.bpp == 4 ? 16 : 0));
        ico.append('\0');
        put16(ico, 1);
        put16(ico, uint16_t(e.bpp));
        put32(ico, uint32_t(dibs[i].size()));
        put32(ico, offset);
        offset += uint32_t(dibs[i].size());
    }
    for (const QByteArray &d : dibs)
        ico.append(d);

    QFile f(outPath("syrel.ico"));
    report("syrel.ico", f.open(QIODevice::WriteOnly) && f.write(ico) == ico.size());

    for (int size : {16, 32, 48, 64, 128, 256})
        savePng(discImage(size), QStringLiteral("syrel-%1.png").arg(size));
}

// ---------------------------------------------------------------------------
// Dock bar

void makeDockBar(int dpr)
{
    const int W = 500, H = 75;
    const QImage bar = supersampled(
        QSize(W, H), 4,
        [&](QPainter &p, double) {
            const QRectF r(0.5, 0.5, W - 1.0, H - 1.0);
            const double rad = 16;
            QPainterPath shape;
            shape.addRoundedRect(r, rad, rad);

            QLinearGradient body(0, 0, 0, H);
            body.setColorAt(0.00, QColor(84, 148, 226));
            body.setColorAt(0.48, QColor(30, 82, 180));
            body.setColorAt(0.52, QColor(20, 64, 156));
            body.setColorAt(1.00, QColor(28, 84, 170));
            p.fillPath(shape, body);

            // lighter edges: a few nested strokes fading inwards
            p.setBrush(Qt::NoBrush);
            for (int i = 0; i < 6; ++i) {
                const double inset = 1.0 + i;
                p.setPen(QPen(QColor(150, 200, 255, 120 - i * 20), 1.0));
                p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), rad - inset, rad - inset);
            }
            p.setPen(QPen(QColor(190, 225, 255), 1.6));
            p.drawRoundedRect(r.adjusted(0.8, 0.8, -0.8, -0.8), rad - 0.8, rad - 0.8);

            // glass gloss over the upper half
            QPainterPath gloss;
            const QRectF g = r.adjusted(4, 3, -4, -H * 0.5);
            gloss.addRoundedRect(g, rad - 4, rad - 4);
            QLinearGradient gl(0, g.top(), 0, g.bottom());
            gl.setColorAt(0.0, QColor(255, 255, 255, 95));
            gl.setColorAt(1.0, QColor(255, 255, 255, 14));
            p.fillPath(gloss, gl);

            // faint reflected light along the bottom
            QLinearGradient low(0, H * 0.75, 0, H);
            low.setColorAt(0.0, QColor(120, 190, 255, 0));
            low.setColorAt(1.0, QColor(120, 190, 255, 60));
            p.fillPath(shape, low);
        },
        dpr);

    QImage out(W * dpr, H * dpr, QImage::Format_RGB32);
    out.fill(Qt::black);   // the dock window behind it is black
    QPainter p(&out);
    p.drawImage(0, 0, bar);
    p.end();
    savePng(out, named(QStringLiteral("dock-bar"), QStringLiteral(".png"), dpr));
}

// ---------------------------------------------------------------------------
// Dock icons: a white mask per glyph, then coloured normal and lit versions.

struct Glyph {
    int n, w, h;
    void (*draw)(QPainter &);
};

QPen glyphPen(double width = 2.0) { return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }
const QColor kFill(255, 255, 255, 80);   // translucent body inside outlined glyphs

void glyphWindow(QPainter &p)
{
    p.setPen(glyphPen());
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(10, 7, 26, 22), 2, 2);
    p.fillRect(QRectF(10, 7, 26, 5), Qt::white);   // title bar
    p.fillRect(QRectF(11, 12, 24, 16), QColor(255, 255, 255, 45));
}

void glyphCircle(QPainter &p)
{
    const QPointF c(23, 18);
    p.setPen(glyphPen());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 10.5, 10.5);
    p.setPen(glyphPen(1.4));
    p.drawEllipse(c, 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 2.6, 2.6);
    p.setPen(glyphPen(1.6));
    for (int k = 0; k < 4; ++k) {   // ticks on the ring, like a dial
        const double a = k * M_PI / 2;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * 8.2, c + QPointF(std::cos(a), std::sin(a)) * 12.6);
    }
}

void glyphBars(QPainter &p)
{
    const int heights[] = {9, 15, 20, 12, 17, 7};
    for (int i = 0; i < 6; ++i)
        p.fillRect(QRect(10 + i * 5, 26 - heights[i], 3, heights[i]), Qt::white);
    p.fillRect(QRect(8, 27, 30, 2), Qt::white);   // baseline
}

void glyphLines(QPainter &p)
{
    p.setPen(glyphPen());
    const int lengths[] = {26, 26, 20, 13};
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(10, 9 + i * 5.5), QPointF(10 + lengths[i], 9 + i * 5.5));
}

void glyphTrapezoid(QPainter &p)
{
    const QPointF pts[] = {{17, 9}, {29, 9}, {36, 26}, {10, 26}};
    p.setPen(glyphPen());
    p.setBrush(kFill);
    p.drawPolygon(pts, 4);
}

void glyphArrow(QPainter &p)
{
    const QPointF pts[] = {{21.5, 6}, {27.5, 6}, {27.5, 18}, {34.5, 18}, {24.5, 29}, {14.5, 18}, {21.5, 18}};
    p.setPen(glyphPen());
    p.setBrush(kFill);
    p.drawPolygon(pts, 7);
    p.drawLine(QPointF(13.5, 33), QPointF(35.5, 33));   // the floor it points to
}

void glyphZigzag(QPainter &p)
{
    const QPointF pts[] = {{8, 27}, {14.5, 14}, {21.5, 28}, {28.5, 14}, {35, 27}};
    p.setPen(glyphPen(2.6));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(pts, 5);
}

// Only the strokes of a glyph, without its translucent body: shadows and
// glows cast from the body would muddy it.
QImage strokesOnly(const QImage &mask)
{
    QImage out = mask.copy();
    for (int y = 0; y < out.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int a = std::clamp((qAlpha(line[x]) - 100) * 255 / 155, 0, 255);
            line[x] = qRgba(a, a, a, a);
        }
    }
    return out;
}

// The glow is wider than the room around some glyphs; let it die away
// before the picture's border instead of ending in a hard cut.
void fadeEdges(QImage &img, double band)
{
    for (int y = 0; y < img.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double d = std::min({x, y, img.width() - 1 - x, img.height() - 1 - y}) + 0.5;
            if (d >= band)
                continue;
            const double t = d / band, k = t * t * (3 - 2 * t);
            const QRgb c = line[x];
            line[x] = qRgba(int(qRed(c) * k), int(qGreen(c) * k), int(qBlue(c) * k), int(qAlpha(c) * k));
        }
    }
}

QImage glyphMask(const Glyph &g, int dpr)
{
    QImage m(g.w * dpr, g.h * dpr, QImage::Format_ARGB32_Premultiplied);
    m.fill(Qt::transparent);
    QPainter p(&m);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(dpr, dpr);
    g.draw(p);
    return m;
}

// Shadows, glows and fades are measured in pixels: at 2x they widen with
// the glyph, so that both pictures look alike, one sharper.
void makeDockIcons(int dpr)
{
    const Glyph glyphs[] = {
        {1, 46, 36, glyphWindow},    {4, 46, 36, glyphCircle}, {5, 46, 34, glyphBars},   {6, 46, 34, glyphLines},
        {7, 46, 34, glyphTrapezoid}, {8, 49, 40, glyphArrow},  {9, 43, 42, glyphZigzag},
    };
    for (const Glyph &g : glyphs) {
        const QImage mask = glyphMask(g, dpr);
        const QImage strokes = strokesOnly(mask);

        // normal: pale cyan with a soft navy shadow so it stands off the bar
        QImage normal(mask.size(), QImage::Format_ARGB32_Premultiplied);
        normal.fill(Qt::transparent);
        {
            QPainter p(&normal);
            p.drawImage(0, dpr, tinted(blurred(strokes, dpr), QColor(4, 20, 60), 1.1));
            p.drawImage(0, 0, tinted(mask, QColor(196, 232, 244, 225)));
        }
        savePng(normal, named(QStringLiteral("icon-%1").arg(g.n), QStringLiteral(".png"), dpr));

        // lit: near-white glyph inside a wide cyan glow
        QImage lit(mask.size(), QImage::Format_ARGB32_Premultiplied);
        lit.fill(Qt::transparent);
        {
            QPainter p(&lit);
            p.drawImage(0, 0, tinted(blurred(strokes, 3 * dpr), QColor(90, 210, 255), 2.6));
            p.drawImage(0, 0, tinted(blurred(strokes, dpr), QColor(190, 245, 255), 1.4));
            p.drawImage(0, 0, tinted(mask, QColor(255, 255, 255)));
        }
        fadeEdges(lit, 4 * dpr);
        savePng(lit, named(QStringLiteral("icon-%1-lit").arg(g.n), QStringLiteral(".png"), dpr));
    }
}

// ---------------------------------------------------------------------------

void makeResourceFile()
{
    // The .ico holds 16, 32 and 48; the larger sizes come as PNGs.
    QStringList files = {"desktop.jpg",   "desktop@2x.jpg", "syrel.ico",    "syrel-64.png",
                         "syrel-128.png", "syrel-256.png",  "dock-bar.png", "dock-bar@2x.png"};
    for (int n : {1, 4, 5, 6, 7, 8, 9})
        for (const char *kind : {"", "-lit"})
            for (const char *at : {"", "@2x"})
                files << QStringLiteral("icon-%1%2%3.png").arg(n).arg(QLatin1String(kind), QLatin1String(at));

    QFile f(outPath("assets.qrc"));
    bool ok = f.open(QIODevice::WriteOnly | QIODevice::Text);
    if (ok) {
        QTextStream out(&f);
        out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/assets\">\n";
        for (const QString &name : files)
            out << "    <file>" << name << "</file>\n";
        out << "</qresource>\n</RCC>\n";
        ok = out.status() == QTextStream::Ok;
    }
    report("assets.qrc", ok);
}

}   // namespace

int main(int argc, char **argv)
{
    // Nothing here needs a screen; keep it runnable on build machines.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-folder>\n", argv[0]);
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_outDir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    for (int dpr : {1, 2}) {
        makeDesktop(dpr);
        makeDockBar(dpr);
        makeDockIcons(dpr);
    }
    makeIcon();
    makeResourceFile();
    return g_ok ? 0 : 1;
}
