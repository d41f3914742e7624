// SPDX-License-Identifier: GPL-3.0-or-later
// The slots' smooth shrinking gives QImage::scaled()'s pixels exactly, on both of its paths.

#include "imaging/SmoothScale.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QImage noise(int width, int height, quint32 seed, bool white = false)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = white ? 0xFFFFFFFFu : (0xFF000000u | random.generate());
    }
    return image;
}

QImage qtScaled(const QImage &image, QSize size)
{
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

class TestSmoothScale : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameAsQt_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        // The slot's own case, edges of the shrinking range, and sizes that do not divide.
        QTest::newRow("slot") << QSize(240, 135) << QSize(85, 64);
        QTest::newRow("slot 4:3") << QSize(80, 60) << QSize(79, 59);
        QTest::newRow("one less") << QSize(200, 150) << QSize(199, 149);
        QTest::newRow("to one pixel") << QSize(97, 41) << QSize(1, 1);
        QTest::newRow("to one row") << QSize(300, 7) << QSize(120, 1);
        QTest::newRow("two to one") << QSize(2, 2) << QSize(1, 1);
        QTest::newRow("odd factors") << QSize(331, 257) << QSize(37, 113);
        QTest::newRow("big ratio") << QSize(1000, 900) << QSize(3, 5);
        QRandomGenerator random(17);
        for (int i = 0; i < 60; ++i) {
            const QSize from(2 + random.bounded(400), 2 + random.bounded(300));
            const QSize to(1 + random.bounded(from.width() - 1), 1 + random.bounded(from.height() - 1));
            QTest::newRow(qPrintable(QStringLiteral("random %1").arg(i))) << from << to;
        }
    }

    void sameAsQt()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        for (const bool white : {false, true}) {
            const QImage source = noise(from.width(), from.height(), quint32(from.width() * 7 + to.height()), white);
            const QImage expected = qtScaled(source, to);
            for (const bool simd : {true, false}) {
                const QImage scaled = smoothScaled(source, to, simd);
                QCOMPARE(scaled.format(), QImage::Format_RGB32);
                QCOMPARE(scaled.size(), to);
                QVERIFY2(scaled == expected, simd ? "simd" : "portable");
            }
        }
    }

    // The same scratch serves pictures of other sizes one after another.
    void sizesInTurn()
    {
        const QImage big = noise(240, 135, 1);
        const QImage small = noise(60, 40, 2);
        for (int round = 0; round < 3; ++round) {
            QVERIFY(smoothScaled(big, QSize(85, 64)) == qtScaled(big, QSize(85, 64)));
            QVERIFY(smoothScaled(small, QSize(17, 9)) == qtScaled(small, QSize(17, 9)));
            QVERIFY(smoothScaled(big, QSize(100, 20)) == qtScaled(big, QSize(100, 20)));
        }
    }

    // Growing, other formats and large pictures are Qt's own scaling.
    void otherCasesAreQts()
    {
        const QImage source = noise(50, 40, 3);
        QVERIFY(smoothScaled(source, QSize(100, 20)) == qtScaled(source, QSize(100, 20)));
        QVERIFY(smoothScaled(source, QSize(50, 40)) == qtScaled(source, QSize(50, 40)));
        const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
        QVERIFY(smoothScaled(argb, QSize(20, 10)) == qtScaled(argb, QSize(20, 10)));
        const QImage large = noise(1200, 800, 4);
        QVERIFY(smoothScaled(large, QSize(1000, 700)) == qtScaled(large, QSize(1000, 700)));
        QVERIFY(smoothScaled(source, QSize(0, 10)).isNull());
        QVERIFY(smoothScaled(QImage(), QSize(10, 10)).isNull());
    }
};

QTEST_GUILESS_MAIN(TestSmoothScale)
#include "tst_SmoothScale.moc"
