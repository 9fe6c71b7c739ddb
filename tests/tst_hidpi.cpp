// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// The built-in pictures on screens of every pixel density: at 2x the 2x
// drawings are shown at their 1x logical sizes, copies between the dock's
// holders keep them, the lit icons are the bright ones, and every size of
// the application icon loads.
//
// CTest runs this at 1x, 1.25x and 2x (QT_SCALE_FACTOR).

#include "assets/art.h"
#include "dock/dock.h"
#include "shell/desktop.h"
#include "support.h"
#include "tooltable.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QTest>
#include <tuple>

using namespace platform;

namespace {

qreal screenRatio() { return qApp->devicePixelRatio(); }

QSize devicePixels(QSize logical, qreal dpr) { return {qRound(logical.width() * dpr), qRound(logical.height() * dpr)}; }

// Mean luminance (0..255) of a picture as the dock shows it: over the bar.
double luminanceOnBar(const QPixmap &icon, const QPoint &place, qreal dpr)
{
    QImage out(devicePixels(icon.deviceIndependentSize().toSize(), dpr), QImage::Format_RGB32);
    out.setDevicePixelRatio(dpr);
    {
        QPainter p(&out);
        p.drawPixmap(-place, art::dockBar(dpr));
        p.drawPixmap(0, 0, icon);
    }
    double sum = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = out.pixel(x, y);
            sum += 0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c);
        }
    return sum / (out.width() * out.height());
}

// Mean difference per channel (0..255) between two pictures of one size.
double difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                   std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}

struct IconPlace {
    int n;
    QRect place;   // on the bar, in logical pixels
};
const IconPlace Icons[] = {
    {1, {27, 21, 46, 36}},  {4, {96, 21, 46, 36}},  {5, {162, 24, 46, 34}}, {6, {219, 24, 46, 34}},
    {7, {282, 24, 46, 34}}, {8, {354, 18, 49, 40}}, {9, {435, 18, 43, 42}},
};

// Icon N of the dock with its normal and lit holders (ImageN, ImageNN, ImageNH).
std::tuple<Image *, Image *, Image *> holders(Dock &dock, int n)
{
    const QString name = QStringLiteral("Image%1").arg(n);
    return {dock.window()->findChild<Image *>(name), dock.window()->findChild<Image *>(name + QString::number(n)),
            dock.window()->findChild<Image *>(name + QLatin1Char('H'))};
}
}   // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;

private slots:
    void initTestCase()
    {
        // Otherwise a run meant for 2x would quietly test 1x again.
        const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
        if (!factor.isEmpty())
            QCOMPARE(screenRatio(), factor.toDouble());
    }
    void init() { world = std::make_unique<TestWorld>(); }
    void cleanup() { world.reset(); }

    void desktopPictureCoversItsLogicalSizeAtTheScreensDensity()
    {
        const qreal dpr = screenRatio();
        Desktop &desktop = Forms::get<Desktop>();
        const QPixmap pic = desktop.Picture->picture();
        QCOMPARE(pic.deviceIndependentSize(), QSizeF(1600, 1200));
        QCOMPARE(pic.devicePixelRatio(), dpr);
        QCOMPARE(pic.size(), devicePixels({1600, 1200}, dpr));

        // What the window draws is the picture pixel for pixel, not resampled.
        const QImage shot =
            desktop.Picture->grab(QRect(0, 0, 400, 300)).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), devicePixels({400, 300}, dpr));
        const QImage want = pic.toImage().copy(QRect(QPoint(0, 0), shot.size())).convertToFormat(QImage::Format_RGB32);
        QVERIFY(shot == want);
    }

    void dockPicturesKeepTheirLogicalSizes()
    {
        const qreal dpr = screenRatio();
        Dock &dock = Forms::get<Dock>();
        QCOMPARE(dock.Bar->pixmap().devicePixelRatio(), dpr);
        QCOMPARE(dock.Bar->pixmap().size(), devicePixels({500, 75}, dpr));
        QCOMPARE(dock.Bar->size(), QSize(500, 75));
        QCOMPARE(dock.window()->size(), QSize(500, 74));

        for (const IconPlace &i : Icons) {
            auto [icon, normal, lit] = holders(dock, i.n);
            QVERIFY(icon && normal && lit);
            for (const Image *image : {icon, normal, lit}) {
                QCOMPARE(image->size(), i.place.size());
                QCOMPARE(image->Picture().devicePixelRatio(), dpr);
                QCOMPARE(image->Picture().size(), devicePixels(i.place.size(), dpr));
            }
            QCOMPARE(icon->geometry(), i.place);

            // Lighting and unlighting copy the pictures; the density goes with them.
            Dock::light(icon, lit);
            QVERIFY(shows(icon, lit));
            QCOMPARE(icon->geometry(), i.place);
            QCOMPARE(icon->Picture().devicePixelRatio(), dpr);
            Dock::light(icon, normal);
            QVERIFY(shows(icon, normal));
            QCOMPARE(icon->geometry(), i.place);
        }
    }

    void dockHoldsTheBrightPictureAsLit()
    {
        const qreal dpr = screenRatio();
        Dock &dock = Forms::get<Dock>();
        for (const IconPlace &i : Icons) {
            auto [icon, normal, lit] = holders(dock, i.n);
            QVERIFY(icon && normal && lit);
            const double on = luminanceOnBar(lit->Picture(), i.place.topLeft(), dpr);
            const double off = luminanceOnBar(normal->Picture(), i.place.topLeft(), dpr);
            QVERIFY2(on > off + 10,
                     qPrintable(QStringLiteral("%1: lit %2, normal %3").arg(icon->objectName()).arg(on).arg(off)));
            QVERIFY(shows(icon, normal));   // the dock starts unlit
        }
    }

    void litPicturesAreBrighter_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<qreal>("dpr");
        for (int k = 0; k < int(std::size(Icons)); ++k)
            for (qreal dpr : {1.0, 2.0})
                QTest::addRow("icon %d at %gx", Icons[k].n, dpr) << k << dpr;
    }
    void litPicturesAreBrighter()
    {
        QFETCH(int, index);
        QFETCH(qreal, dpr);
        const IconPlace &i = Icons[index];
        const QPixmap lit = art::dockIcon(i.n, true, dpr), normal = art::dockIcon(i.n, false, dpr);
        QCOMPARE(lit.devicePixelRatio(), dpr);
        QCOMPARE(normal.devicePixelRatio(), dpr);
        const double on = luminanceOnBar(lit, i.place.topLeft(), dpr);
        const double off = luminanceOnBar(normal, i.place.topLeft(), dpr);
        QVERIFY2(on > off + 10, qPrintable(QStringLiteral("lit %1, normal %2").arg(on).arg(off)));
    }

    // Each 2x drawing is its 1x picture made sharper: scaled down it comes
    // back close to the 1x one, closer than to the other state's picture.
    void twoXDrawingsMatchTheirOneXPictures()
    {
        auto down = [](const QPixmap &p) {
            return p.toImage().scaled(p.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        for (const IconPlace &i : Icons) {
            for (bool lit : {false, true}) {
                const QImage mine = art::dockIcon(i.n, lit, 1).toImage();
                const QImage other = art::dockIcon(i.n, !lit, 1).toImage();
                const QImage sharp = down(art::dockIcon(i.n, lit, 2));
                QCOMPARE(sharp.size(), mine.size());
                const double near = difference(sharp, mine), far = difference(sharp, other);
                QVERIFY2(near < 6 && near < far / 2,
                         qPrintable(QStringLiteral("icon %1%2: %3 from its 1x, %4 from the other")
                                        .arg(i.n)
                                        .arg(lit ? " lit" : "")
                                        .arg(near)
                                        .arg(far)));
            }
        }
        QVERIFY(difference(down(art::dockBar(2)), art::dockBar(1).toImage()) < 4);
        QVERIFY(difference(down(art::desktop(2)), art::desktop(1).toImage()) < 4);
    }

    void everySizeOfTheApplicationIconLoads()
    {
        const QIcon icon = art::applicationIcon();
        const QList<QSize> sizes = icon.availableSizes();
        for (int s : {16, 32, 48, 64, 128, 256}) {
            QVERIFY2(sizes.contains(QSize(s, s)), qPrintable(QStringLiteral("no %1 px icon").arg(s)));
            const QPixmap p = icon.pixmap(QSize(s, s), 1.0);
            QVERIFY(!p.isNull());
            QCOMPARE(p.size(), QSize(s, s));
            // the disc itself, not an empty square: its face is opaque
            QVERIFY(qAlpha(p.toImage().pixel(s * 3 / 4, s / 2)) > 200);
            QCOMPARE(qAlpha(p.toImage().pixel(0, 0)), 0);
        }
    }

    void icoFileHoldsItsEightImages()
    {
        art::applicationIcon();   // links the pictures in
        QImageReader reader(QStringLiteral(":/assets/syrel.ico"));
        QCOMPARE(reader.imageCount(), 8);
        const struct {
            int size, bpp;
        } want[] = {{32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}};
        for (int k = 0; k < 8; ++k) {
            QVERIFY(reader.jumpToImage(k));
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
            QCOMPARE(image.size(), QSize(want[k].size, want[k].size));
            QCOMPARE(image.text(QStringLiteral("_q_icoOrigDepth")).toInt(), want[k].bpp);
        }
    }
};

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
