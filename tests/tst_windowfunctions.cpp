// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

// Fades, opacity and stacking: the alpha values set, in order, and the
// normalised arguments, for every edge case of the three procedures.

#include "shell/modwindowfunctions.h"
#include "support.h"

#include <QTest>
#include <limits>

using namespace modWindowFunctions;
using platform::isLayered;

namespace {
QVector<int> range(int from, int to, int step)
{
    QVector<int> v;
    for (int i = from; step > 0 ? i <= to : i >= to; i += step)
        v << i;
    return v;
}
}   // namespace

class TestWindowFunctions : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWorld> world;
    std::unique_ptr<QWidget> w;

private slots:
    void init()
    {
        world = std::make_unique<TestWorld>();
        w = std::make_unique<QWidget>();
    }
    void cleanup()
    {
        w.reset();
        world.reset();
    }

    void fadeOutOneByOne()
    {
        QVERIFY(FadeWindow(w.get(), 255, 0, 1));
        QVector<int> expected = range(255, 0, -1);
        expected << 0;
        QCOMPARE(world->user32.alphas(w.get()), expected);
        QCOMPARE(world->yields, 256);
        QVERIFY(isLayered(w.get()));
        QCOMPARE(world->user32.calls.mid(0, 2), (QStringList{"get -20", "set -20 0x80000"}));
    }

    void dockFadeStopsAt180()
    {
        QVERIFY(FadeWindow(w.get(), 255, 180, 5));
        QVector<int> expected = range(255, 180, -5);
        QCOMPARE(expected.size(), 16);
        expected << 180;
        QCOMPARE(world->user32.alphas(w.get()), expected);
        QCOMPARE(world->yields, 16);
        QVERIFY(isLayered(w.get()));
        QCOMPARE(platform::layeredAlpha(w.get()), 180);
    }

    void fadeUpTo255LeavesLayeredMode()
    {
        QVERIFY(FadeWindow(w.get(), 180, 255, 5));
        QVector<int> expected = range(180, 255, 5);
        expected << 255 << 0;
        QCOMPARE(world->user32.alphas(w.get()), expected);
        QVERIFY(!isLayered(w.get()));
        QCOMPARE(world->user32.calls.last(), QStringLiteral("alpha 0"));
        QCOMPARE(world->user32.calls.at(world->user32.calls.size() - 2), QStringLiteral("set -20 0x0"));
        QCOMPARE(w->windowOpacity(), 1.0);
    }

    void argumentsAreNormalisedInPlace()
    {
        std::int16_t start = 300, end = -10;
        std::int32_t step = 5;
        QVERIFY(FadeWindow(w.get(), start, end, step));
        QCOMPARE(start, std::int16_t(255));
        QCOMPARE(end, std::int16_t(10));
        QCOMPARE(step, -5);
        const QVector<int> alphas = world->user32.alphas(w.get());
        QCOMPARE(alphas.first(), 255);
        QCOMPARE(alphas.last(), 10);
        QCOMPARE(alphas.at(alphas.size() - 2), 10);   // 255 - 49 * 5 = 10 is a step itself

        std::int16_t s2 = 10, e2 = 200;
        std::int32_t st2 = -3;
        QVERIFY(FadeWindow(w.get(), s2, e2, st2));
        QCOMPARE(st2, 3);   // rising: the step becomes positive
    }

    void oddStepEndsWithTheExactEnd()
    {
        QVERIFY(FadeWindow(w.get(), 0, 255, 7));
        QVector<int> expected = range(0, 252, 7);
        expected << 255 << 0;
        QCOMPARE(world->user32.alphas(w.get()), expected);
        QVERIFY(!isLayered(w.get()));
    }

    void equalEndsSetNoAlpha()
    {
        QVERIFY(!FadeWindow(w.get(), 255, 400, 5));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());
        QVERIFY(isLayered(w.get()));   // already switched before the comparison
        QVERIFY(!FadeWindow(w.get(), -40, 40, 5));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());
    }

    void overflowsReturnFalseWhereTheyHappen()
    {
        // A step beyond 16 bits: before any alpha.
        QVERIFY(!FadeWindow(w.get(), 0, 255, 40000));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());

        // The first addition carries the counter past 32767: one step is set.
        world->user32.clear();
        QVERIFY(!FadeWindow(w.get(), 10, 255, 32767));
        QCOMPARE(world->user32.alphas(w.get()), QVector<int>{10});
        QCOMPARE(world->yields, 1);

        // abs(-32768) overflows at 16 bits, abs(INT32_MIN) at 32 bits.
        world->user32.clear();
        QVERIFY(!FadeWindow(w.get(), -32768, 0, 5));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());
        std::int16_t s = 255, e = 0;
        std::int32_t st = std::numeric_limits<std::int32_t>::min();
        QVERIFY(!FadeWindow(w.get(), s, e, st));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());
    }

    void zeroStepIsRefused()
    {
        QVERIFY(!FadeWindow(w.get(), 0, 255, 0));
        QVERIFY(!FadeWindow(w.get(), 255, 0, 0));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());
    }

    void opacity_data()
    {
        QTest::addColumn<int>("alpha");
        QTest::addColumn<bool>("layered");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("normalised");
        QTest::newRow("255") << 255 << false << 0 << 255;
        QTest::newRow("256") << 256 << false << 0 << 255;
        QTest::newRow("-255") << -255 << false << 0 << 255;
        QTest::newRow("180") << 180 << true << 180 << 180;
        QTest::newRow("-180") << -180 << true << 180 << 180;
        QTest::newRow("0") << 0 << true << 0 << 0;
    }
    void opacity()
    {
        QFETCH(int, alpha);
        QFETCH(bool, layered);
        QFETCH(int, set);
        QFETCH(int, normalised);
        std::int16_t a = std::int16_t(alpha);
        QVERIFY(SetWindowOpacity(w.get(), a));
        QCOMPARE(int(a), normalised);
        QCOMPARE(isLayered(w.get()), layered);
        QCOMPARE(world->user32.alphas(w.get()), QVector<int>{set});
        QCOMPARE(w->windowOpacity(), layered ? set / 255.0 : 1.0);
    }

    void opacityOverflow()
    {
        QVERIFY(!SetWindowOpacity(w.get(), -32768));
        QVERIFY(world->user32.alphas(w.get()).isEmpty());
        QVERIFY(!isLayered(w.get()));
    }

    void topmost()
    {
        QVERIFY(SetWindowTopmost(w.get(), true));
        QCOMPARE(world->user32.calls.last(), QStringLiteral("pos -1 0x53"));
        QVERIFY(w->isVisible());
        QVERIFY(platform::isTopmost(w.get()));
        bool off = false;
        QVERIFY(SetWindowTopmost(w.get(), off));
        QCOMPARE(world->user32.calls.last(), QStringLiteral("pos -2 0x53"));
        QVERIFY(!platform::isTopmost(w.get()));
        QVERIFY(w->isVisible());
    }

    void otherHandlersRunDuringAFade()
    {
        // A fade started inside another one completes before the first goes on.
        QWidget other;
        bool nested = false;
        world->onYield = [&] {
            if (!nested) {
                nested = true;
                FadeWindow(&other, 255, 180, 5);
                QCOMPARE(world->user32.alphas(&other).size(), 17);
            }
        };
        QVERIFY(FadeWindow(w.get(), 255, 0, 5));
        QCOMPARE(world->user32.alphas(w.get()).size(), 53);
    }
};

QTEST_MAIN(TestWindowFunctions)
#include "tst_windowfunctions.moc"
