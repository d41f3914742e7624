// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BlockAverage.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// Each output pixel as the rounded mean of its block, one pixel at a time.
QImage plainAverage(const QImage &source, int factor)
{
    QImage out((source.width() + factor - 1) / factor, (source.height() + factor - 1) / factor,
        QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            int sums[3] = {};
            int count = 0;
            for (int v = y * factor; v < qMin(source.height(), (y + 1) * factor); ++v) {
                for (int u = x * factor; u < qMin(source.width(), (x + 1) * factor); ++u) {
                    const QRgb pixel = source.pixel(u, v);
                    sums[0] += qRed(pixel);
                    sums[1] += qGreen(pixel);
                    sums[2] += qBlue(pixel);
                    ++count;
                }
            }
            out.setPixel(x, y,
                qRgb((sums[0] + count / 2) / count, (sums[1] + count / 2) / count,
                    (sums[2] + count / 2) / count));
        }
    }
    return out;
}

// Noise, or every byte 0xff (the largest sums the lanes must hold).
QImage picture(QSize size, bool white, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = white ? 0xFFFFFFFFu : (0xFF000000u | (random.generate() & 0xFFFFFFu));
    }
    return image;
}

} // namespace

class TestBlockAverage : public QObject
{
    Q_OBJECT

private slots:
    void matchesThePlainMean_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("factor");
        QTest::addColumn<bool>("white");
        // Sides that are and are not multiples of the factor, narrower than one block, odd
        // widths (a last pixel without its pair), blocks of 8- and 4-pixel groups plus a rest.
        QTest::newRow("1x1 /2") << QSize(1, 1) << 2 << false;
        QTest::newRow("3x5 /2") << QSize(3, 5) << 2 << false;
        QTest::newRow("7x3 /4") << QSize(7, 3) << 4 << false;
        QTest::newRow("13x9 /4") << QSize(13, 9) << 4 << false;
        QTest::newRow("64x48 /8") << QSize(64, 48) << 8 << false;
        QTest::newRow("61x37 /8") << QSize(61, 37) << 8 << false;
        QTest::newRow("6x20 /8") << QSize(6, 20) << 8 << false;
        QTest::newRow("50x33 /16") << QSize(50, 33) << 16 << false;
        QTest::newRow("white 48x32 /16") << QSize(48, 32) << 16 << true;
        QTest::newRow("white 21x19 /8") << QSize(21, 19) << 8 << true;
    }

    void matchesThePlainMean()
    {
        QFETCH(QSize, size);
        QFETCH(int, factor);
        QFETCH(bool, white);
        const QImage source = picture(size, white, quint32(size.width() * 131 + size.height()));
        const QImage expected = plainAverage(source, factor);
        for (const auto instructions : {BlockAverager::Instructions::Best, BlockAverager::Instructions::Sse2,
                 BlockAverager::Instructions::Portable}) {
            QImage out(expected.size(), QImage::Format_RGB32);
            out.fill(0x12345678u);
            BlockAverager averager(
                size.width(), size.height(), factor, out.bits(), out.bytesPerLine(), instructions);
            // Rows become ready one at a time, in jumps, and some twice.
            for (int rows = 1; rows <= size.height(); rows += 1 + rows % 3) {
                averager.rowsReady(source.constBits(), source.bytesPerLine(), rows);
                averager.rowsReady(source.constBits(), source.bytesPerLine(), rows);
            }
            averager.rowsReady(source.constBits(), source.bytesPerLine(), size.height() + 5);
            QVERIFY2(out == expected, qPrintable(QString::number(int(instructions))));
        }
    }

    void writesABandOnlyWhenItsLastRowIsReady()
    {
        const QImage source = picture(QSize(16, 16), false, 7);
        QImage out(2, 2, QImage::Format_RGB32);
        out.fill(0u);
        BlockAverager averager(16, 16, 8, out.bits(), out.bytesPerLine());
        averager.rowsReady(source.constBits(), source.bytesPerLine(), 7);
        QCOMPARE(out.pixel(0, 0), qRgb(0, 0, 0));
        averager.rowsReady(source.constBits(), source.bytesPerLine(), 8);
        QCOMPARE(out.pixel(1, 0), plainAverage(source, 8).pixel(1, 0));
        QCOMPARE(out.pixel(0, 1), qRgb(0, 0, 0));
    }
};

QTEST_GUILESS_MAIN(TestBlockAverage)
#include "tst_BlockAverage.moc"
