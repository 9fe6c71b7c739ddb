// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Decoded frames made RGB: for every pixel format the player takes and
// both colour standards, a reference picture made into YUV by the
// standard's own equations must come back as itself, at its own size and
// scaled.

#include "media/frameconvert.h"

#include <QTest>

#include <cmath>

using namespace media;

namespace {

// 8 x 4 blocks of 4 x 4 pixels, each of one colour: primaries, mixes,
// greys, and the two ends of the range.
QImage referencePicture()
{
    const QRgb colours[] = {qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(64, 64, 64),
                            qRgb(200, 40, 40),   qRgb(40, 180, 60),   qRgb(50, 60, 200),   qRgb(230, 220, 70),
                            qRgb(20, 200, 210),  qRgb(190, 50, 190),  qRgb(255, 0, 0),     qRgb(0, 255, 0),
                            qRgb(0, 0, 255),     qRgb(255, 255, 0),   qRgb(0, 255, 255),   qRgb(255, 0, 255),
                            qRgb(120, 80, 40),   qRgb(40, 80, 120),   qRgb(250, 200, 180), qRgb(10, 30, 20),
                            qRgb(100, 150, 100), qRgb(180, 180, 220), qRgb(90, 0, 30),     qRgb(0, 90, 60),
                            qRgb(160, 120, 0),   qRgb(30, 30, 90),    qRgb(220, 120, 60),  qRgb(60, 220, 120),
                            qRgb(120, 60, 220),  qRgb(240, 240, 240), qRgb(16, 16, 16),    qRgb(200, 200, 200)};
    QImage img(32, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            img.setPixel(x, y, colours[(y / 4) * 8 + x / 4]);
    return img;
}

struct Standard {
    double kr, kb;
};

// The picture as Y, Cb and Cr planes at full resolution, by the equations.
struct FullPlanes {
    QByteArray y, cb, cr;
};

FullPlanes toYuv(const QImage &rgb, Standard s, bool full)
{
    FullPlanes out;
    const int n = rgb.width() * rgb.height();
    out.y.resize(n), out.cb.resize(n), out.cr.resize(n);
    const double kg = 1 - s.kr - s.kb;
    for (int i = 0; i < n; ++i) {
        const QRgb p = rgb.pixel(i % rgb.width(), i / rgb.width());
        const double r = qRed(p) / 255.0, g = qGreen(p) / 255.0, b = qBlue(p) / 255.0;
        const double y = s.kr * r + kg * g + s.kb * b;
        const double cb = (b - y) / (2 * (1 - s.kb)), cr = (r - y) / (2 * (1 - s.kr));
        const auto level = [](double v) { return char(std::clamp(int(std::lround(v)), 0, 255)); };
        out.y[i] = level(full ? 255 * y : 16 + 219 * y);
        out.cb[i] = level(128 + (full ? 255 : 224) * cb);
        out.cr[i] = level(128 + (full ? 255 : 224) * cr);
    }
    return out;
}

// A frame in the given layout; the chroma of each subsampled block is
// that of its top-left pixel (every block of the picture is of one colour).
struct LaidOut {
    QByteArray planes[3];
    YuvFrame frame;
};

LaidOut layOut(const FullPlanes &p, int w, int h, YuvFrame::Format format)
{
    LaidOut out;
    const int cw = format == YuvFrame::Y444 ? w : w / 2;
    const int ch = format == YuvFrame::Y444 || format == YuvFrame::Y42B ? h : h / 2;
    const int sx = w / cw, sy = h / ch;
    out.planes[0] = p.y;
    QByteArray cb(cw * ch, 0), cr(cw * ch, 0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            cb[y * cw + x] = p.cb[y * sy * w + x * sx];
            cr[y * cw + x] = p.cr[y * sy * w + x * sx];
        }
    out.frame.format = format;
    out.frame.width = w;
    out.frame.height = h;
    if (format == YuvFrame::NV12) {
        QByteArray uv(cw * ch * 2, 0);
        for (int i = 0; i < cw * ch; ++i)
            uv[2 * i] = cb[i], uv[2 * i + 1] = cr[i];
        out.planes[1] = uv;
        out.frame.strides[1] = cw * 2;
    } else {
        out.planes[1] = format == YuvFrame::YV12 ? cr : cb;
        out.planes[2] = format == YuvFrame::YV12 ? cb : cr;
        out.frame.strides[1] = out.frame.strides[2] = cw;
    }
    out.frame.strides[0] = w;
    for (int i = 0; i < 3; ++i)
        out.frame.planes[i] =
            out.planes[i].isEmpty() ? nullptr : reinterpret_cast<const unsigned char *>(out.planes[i].constData());
    return out;
}

int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

}   // namespace

class TestFrameConvert : public QObject {
    Q_OBJECT

private slots:
    void referenceComesBack_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("bt709");
        QTest::addColumn<bool>("full");
        const std::pair<YuvFrame::Format, const char *> formats[] = {{YuvFrame::I420, "I420"},
                                                                     {YuvFrame::YV12, "YV12"},
                                                                     {YuvFrame::NV12, "NV12"},
                                                                     {YuvFrame::Y42B, "Y42B"},
                                                                     {YuvFrame::Y444, "Y444"}};
        for (auto [format, name] : formats)
            for (bool bt709 : {false, true})
                QTest::addRow("%s %s", name, bt709 ? "BT.709" : "BT.601") << int(format) << bt709 << false;
        QTest::addRow("I420 BT.601 full range") << int(YuvFrame::I420) << false << true;
        QTest::addRow("Y42B BT.709 full range") << int(YuvFrame::Y42B) << true << true;
    }
    void referenceComesBack()
    {
        QFETCH(int, format);
        QFETCH(bool, bt709);
        QFETCH(bool, full);
        const QImage reference = referencePicture();
        const Standard standard = bt709 ? Standard{0.2126, 0.0722} : Standard{0.299, 0.114};
        LaidOut in =
            layOut(toYuv(reference, standard, full), reference.width(), reference.height(), YuvFrame::Format(format));
        in.frame.bt709 = bt709;
        in.frame.fullRange = full;
        FrameConverter converter;
        for (int scale : {1, 2}) {
            const QImage out = converter.convert(in.frame, reference.size() * scale);
            QCOMPARE(out.size(), reference.size() * scale);
            QCOMPARE(out.format(), QImage::Format_RGB32);
            // The middle of every block: away from its edges, which scaling blends.
            for (int by = 0; by < 4; ++by)
                for (int bx = 0; bx < 8; ++bx) {
                    const QRgb want = reference.pixel(bx * 4 + 1, by * 4 + 1);
                    const QRgb got = out.pixel((bx * 4 + 2) * scale - 1, (by * 4 + 2) * scale - 1);
                    QVERIFY2(distance(got, want) <= 3, qPrintable(QStringLiteral("x%1, block %2,%3: %4 for %5")
                                                                      .arg(scale)
                                                                      .arg(bx)
                                                                      .arg(by)
                                                                      .arg(QColor(got).name(), QColor(want).name())));
                }
        }
    }

    // The same matrix read as the other standard gives other colours: the
    // check above can tell them apart.
    void theStandardsDiffer()
    {
        const QImage reference = referencePicture();
        LaidOut in = layOut(toYuv(reference, {0.2126, 0.0722}, false), 32, 16, YuvFrame::I420);
        in.frame.bt709 = false;
        FrameConverter converter;
        const QImage out = converter.convert(in.frame, reference.size());
        QVERIFY(distance(out.pixel(4 * 4 + 1, 1), reference.pixel(4 * 4 + 1, 1)) > 10);
    }

    // Pictures are reused once nobody holds them, and never while one does.
    void picturesHeldAreNotWrittenOver()
    {
        const QImage reference = referencePicture();
        LaidOut in = layOut(toYuv(reference, {0.299, 0.114}, false), 32, 16, YuvFrame::I420);
        FrameConverter converter;
        const QImage first = converter.convert(in.frame, reference.size());
        const QImage kept = first;
        in.planes[0].fill(char(16));   // all black now
        in.frame.planes[0] = reinterpret_cast<const unsigned char *>(in.planes[0].constData());
        for (int i = 0; i < 5; ++i)
            converter.convert(in.frame, reference.size());
        QCOMPARE(kept.pixel(5, 1), reference.pixel(5, 1));
    }
};

QTEST_MAIN(TestFrameConvert)
#include "tst_frameconvert.moc"
