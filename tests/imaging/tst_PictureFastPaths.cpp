// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts of the autosave and viewer paths give what the plain paths give: a bitmap filled
// straight from the decoder, the repacking of 32-bit pictures, and a full decode made ahead.

#include "imaging/Picture.h"
#include "imaging/BottomUpBitmap.h"

#include "ImagingFixtures.h"

#include <QtTest>

#include <turbojpeg.h>

#include <cstring>

using namespace ImagingFixtures;

namespace {

bool sameBits(const BottomUpBitmap &a, const BottomUpBitmap &b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.bytesPerLine() != b.bytesPerLine())
        return false;
    if (!a.bits() || !b.bits())
        return a.bits() == b.bits();
    return std::memcmp(a.bits(), b.bits(),
               static_cast<size_t>(a.bytesPerLine()) * static_cast<size_t>(a.height()))
        == 0;
}

} // namespace

class TestPictureFastPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toDibMatchesCreateFromPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // Odd widths give rows with padding (1, 2 and 3 bytes).
        QTest::newRow("jpeg 4:2:0 37 x 21") << turboJpeg(testCard(37, 21), TJSAMP_420, 90);
        QTest::newRow("jpeg 4:4:4 38 x 20") << turboJpeg(testCard(38, 20), TJSAMP_444, 75);
        QTest::newRow("jpeg grey 39 x 9") << turboJpeg(testCard(39, 9), TJSAMP_GRAY, 90);
        QTest::newRow("jpeg 1920 x 1080") << turboJpeg(testCard(1920, 1080), TJSAMP_420, 90);
        QTest::newRow("progressive jpeg") << turboJpeg(testCard(64, 48), TJSAMP_420, 90, TJFLAG_PROGRESSIVE);
        QTest::newRow("png (decoded in full first)") << qtEncoded(testCard(41, 30), "png");
        QTest::newRow("ycck jpeg (converted from CMYK)")
            << turboJpeg(testCard(64, 48), TJSAMP_444, 90, 0, TJPF_CMYK);
    }

    void toDibMatchesCreateFromPicture()
    {
        QFETCH(QByteArray, bytes);
        const Picture picture = Picture::fromBytes(bytes);
        QVERIFY(!picture.isNull());
        BottomUpBitmap direct;
        picture.toDib(direct);
        QCOMPARE(direct.width(), picture.size().width());
        QCOMPARE(direct.height(), picture.size().height());
        BottomUpBitmap plain;
        plain.createFromImage(picture.full());
        QVERIFY(sameBits(direct, plain));
        // Padding stays zero.
        const int padding = direct.bytesPerLine() - 3 * direct.width();
        for (int row = 0; row < direct.height(); ++row) {
            for (int i = 0; i < padding; ++i)
                QCOMPARE(direct.bits()[row * direct.bytesPerLine() + 3 * direct.width() + i],
                    uchar(0));
        }
    }

    void toDibOfNothingIsEmpty()
    {
        BottomUpBitmap dib;
        dib.create(4, 4);
        Picture().toDib(dib);
        QCOMPARE(dib.width(), 0);
        QVERIFY(!dib.bits());
    }

    void repackingMatchesQtsConversion_data()
    {
        QTest::addColumn<QRect>("block"); // source left, top, width, height (-1: the bitmap's own)
        QTest::newRow("whole") << QRect(0, 0, -1, -1);
        QTest::newRow("inner block") << QRect(5, 3, 20, 10);
        QTest::newRow("left of the source") << QRect(-7, 2, 30, 30);
        QTest::newRow("past the bottom right") << QRect(20, 15, 50, 50);
        QTest::newRow("outside") << QRect(200, 200, 5, 5);
    }

    void repackingMatchesQtsConversion()
    {
        QFETCH(QRect, block);
        const QImage rgb32 = testCard(37, 23); // Format_RGB32: repacked in place
        const QImage argb32 = rgb32.convertToFormat(QImage::Format_ARGB32); // opaque, through Qt
        BottomUpBitmap fast;
        BottomUpBitmap reference;
        QVERIFY(fast.create(31, 19));
        QVERIFY(reference.create(31, 19));
        fast.copyFromImage(rgb32, block.x(), block.y(), block.width(), block.height());
        reference.copyFromImage(argb32, block.x(), block.y(), block.width(), block.height());
        QVERIFY(sameBits(fast, reference));
    }

    void fullDecodeAheadGivesTheSamePicture()
    {
        const QByteArray jpeg = turboJpeg(testCard(640, 360), TJSAMP_420, 90);
        const Picture plain = Picture::fromBytes(jpeg);
        const Picture ahead = Picture::fromBytesDecodingAhead(jpeg);
        QVERIFY(!ahead.isNull());
        QCOMPARE(ahead.size(), QSize(640, 360));
        QCOMPARE(ahead.reducedDecodeSize(), plain.reducedDecodeSize());
        QVERIFY(ahead.full() == plain.full());
        QVERIFY(ahead.hasFullDecode());
        QVERIFY(ahead.scaledFor(QSize(640, 360)) == plain.full());
        ahead.dropFullDecode();
        QVERIFY(!ahead.hasFullDecode());
        QVERIFY(ahead.full() == plain.full()); // decoded again on demand

        // Dropped before it was ever asked for; an unreadable body stays refused.
        const Picture dropped = Picture::fromBytesDecodingAhead(jpeg);
        dropped.dropFullDecode();
        QVERIFY(dropped.full() == plain.full());
        QVERIFY(Picture::fromBytesDecodingAhead(jpeg.left(jpeg.size() / 2) + "\xFF\xD9").isNull());
        QVERIFY(Picture::fromBytesDecodingAhead(qtEncoded(testCard(8, 8), "png")).full()
            == Picture::fromBytes(qtEncoded(testCard(8, 8), "png")).full());
    }
};

QTEST_GUILESS_MAIN(TestPictureFastPaths)
#include "tst_PictureFastPaths.moc"
