// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BottomUpBitmap.h"

#include "ImagingFixtures.h"

#include <QtTest>

#include <cstring>

class TestBottomUpBitmap : public QObject
{
    Q_OBJECT

private slots:
    void scanLineAndHeader_data();
    void scanLineAndHeader();
    void createRefusesBadSizes_data();
    void createRefusesBadSizes();
    void createAcceptsTheLimit();
    void pixelLayoutIsBgrBottomUp_data();
    void pixelLayoutIsBgrBottomUp();
    void createFromNullPictureEmpties();
    void createReplacesPreviousBitmap();
    void loadPictureBltCopiesAndClips_data();
    void loadPictureBltCopiesAndClips();
    void otherRasterOperationsAreRefused();
    void clearUpEmpties();
};

void TestBottomUpBitmap::scanLineAndHeader_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("bytesPerScanLine");
    QTest::addColumn<int>("padding");
    QTest::newRow("1") << 1 << 4 << 1;
    QTest::newRow("2") << 2 << 8 << 2;
    QTest::newRow("3") << 3 << 12 << 3;
    QTest::newRow("4") << 4 << 12 << 0;
    QTest::newRow("5") << 5 << 16 << 1;
    QTest::newRow("640") << 640 << 1920 << 0;
    QTest::newRow("641") << 641 << 1924 << 1;
}

void TestBottomUpBitmap::scanLineAndHeader()
{
    QFETCH(int, width);
    QFETCH(int, bytesPerScanLine);
    QFETCH(int, padding);
    BottomUpBitmap dib;
    QVERIFY(dib.create(width, 7));
    QCOMPARE(dib.bytesPerLine(), bytesPerScanLine);
    QCOMPARE(dib.bytesPerLine() - 3 * dib.width(), padding);
    QCOMPARE(dib.width(), width);
    QCOMPARE(dib.height(), 7);
    QVERIFY(dib.bits() != nullptr);

    const BitmapInfoHeader &header = dib.infoHeader();
    QCOMPARE(header.biSize, 40u);
    QCOMPARE(header.biWidth, width);
    QCOMPARE(header.biHeight, 7);
    QCOMPARE(header.biPlanes, 1);
    QCOMPARE(header.biBitCount, 24);
    QCOMPARE(header.biCompression, 0u);
    QCOMPARE(header.biSizeImage, quint32(7 * bytesPerScanLine));

    // A new bitmap is black, padding included.
    const QByteArray zeros(7 * bytesPerScanLine, '\0');
    QVERIFY(std::memcmp(dib.bits(), zeros.constData(), zeros.size()) == 0);
}

void TestBottomUpBitmap::createRefusesBadSizes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("zero width") << 0 << 5;
    QTest::newRow("zero height") << 5 << 0;
    QTest::newRow("negative width") << -3 << 5;
    QTest::newRow("negative height (top-down)") << 5 << -5;
    QTest::newRow("just over the limit") << 1 << int(BottomUpBitmap::MaxImageBytes / 4 + 1);
    QTest::newRow("30000 x 30000") << 30000 << 30000;
    QTest::newRow("row bytes overflow 32 bits") << 0x7FFFFFFF << 1;
    QTest::newRow("both huge") << 0x7FFFFFFF << 0x7FFFFFFF;
}

void TestBottomUpBitmap::createRefusesBadSizes()
{
    QFETCH(int, width);
    QFETCH(int, height);
    BottomUpBitmap dib;
    QVERIFY(dib.create(4, 4));
    QVERIFY(!dib.create(width, height));
    QCOMPARE(dib.width(), 0);
    QCOMPARE(dib.height(), 0);
    QCOMPARE(dib.bytesPerLine(), 0);
    QVERIFY(dib.bits() == nullptr);
    QVERIFY(!dib.allocate(width, height));
    QVERIFY(dib.bits() == nullptr);
}

void TestBottomUpBitmap::createAcceptsTheLimit()
{
    // Width 1 has 4 bytes per row: this height fills the limit exactly.
    BottomUpBitmap dib;
    QVERIFY(dib.create(1, int(BottomUpBitmap::MaxImageBytes / 4)));
    QCOMPARE(qint64(dib.infoHeader().biSizeImage), BottomUpBitmap::MaxImageBytes);
}

void TestBottomUpBitmap::pixelLayoutIsBgrBottomUp_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("RGB32") << int(QImage::Format_RGB32);
    QTest::newRow("ARGB32") << int(QImage::Format_ARGB32);
    QTest::newRow("RGB888") << int(QImage::Format_RGB888);
    QTest::newRow("RGBA8888") << int(QImage::Format_RGBA8888);
    QTest::newRow("Indexed8") << int(QImage::Format_Indexed8);
}

void TestBottomUpBitmap::pixelLayoutIsBgrBottomUp()
{
    QFETCH(int, format);
    // Top row: red, green, blue. Bottom row: white, black, (10, 20, 30).
    QImage source(3, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(0, 255, 0));
    source.setPixel(2, 0, qRgb(0, 0, 255));
    source.setPixel(0, 1, qRgb(255, 255, 255));
    source.setPixel(1, 1, qRgb(0, 0, 0));
    source.setPixel(2, 1, qRgb(10, 20, 30));
    source = source.convertToFormat(static_cast<QImage::Format>(format));

    BottomUpBitmap dib;
    dib.createFromImage(source);
    QCOMPARE(dib.width(), 3);
    QCOMPARE(dib.height(), 2);
    QCOMPARE(dib.bytesPerLine(), 12);
    const QByteArray expected = QByteArray::fromHex("ffffff"
                                                    "000000"
                                                    "1e140a"
                                                    "000000" // bottom row first
                                                    "0000ff"
                                                    "00ff00"
                                                    "ff0000"
                                                    "000000"); // then the top row
    const QByteArray actual(reinterpret_cast<const char *>(dib.bits()), 24);
    QCOMPARE(actual.toHex(), expected.toHex());
    QCOMPARE(
        dib.toImage().convertToFormat(QImage::Format_RGB32), source.convertToFormat(QImage::Format_RGB32));
}

void TestBottomUpBitmap::createFromNullPictureEmpties()
{
    BottomUpBitmap dib;
    QVERIFY(dib.create(8, 8));
    dib.createFromImage(QImage());
    QCOMPARE(dib.width(), 0);
    QCOMPARE(dib.height(), 0);
    QVERIFY(dib.bits() == nullptr);
    QVERIFY(dib.toImage().isNull());
}

void TestBottomUpBitmap::createReplacesPreviousBitmap()
{
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(10, 6));
    QVERIFY(dib.create(2, 3));
    QCOMPARE(dib.width(), 2);
    QCOMPARE(dib.height(), 3);
    QCOMPARE(dib.infoHeader().biSizeImage, 24u);
    const QByteArray zeros(24, '\0');
    QVERIFY(std::memcmp(dib.bits(), zeros.constData(), 24) == 0);
}

void TestBottomUpBitmap::loadPictureBltCopiesAndClips_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("copied"); // the block of the 4 x 4 bitmap that receives pixels

    // The source is 6 x 6; each of its pixels encodes its own position.
    QTest::newRow("whole bitmap from the origin") << 0 << 0 << -1 << -1 << QRect(0, 0, 4, 4);
    QTest::newRow("offset, clipped by the source") << 3 << 4 << -1 << -1 << QRect(0, 0, 3, 2);
    QTest::newRow("explicit small block") << 1 << 1 << 2 << 3 << QRect(0, 0, 2, 3);
    QTest::newRow("block larger than the bitmap") << 0 << 0 << 100 << 100 << QRect(0, 0, 4, 4);
    QTest::newRow("left of the source") << -1 << 0 << -1 << -1 << QRect(1, 0, 3, 4);
    QTest::newRow("above the source") << 0 << -2 << -1 << -1 << QRect(0, 2, 4, 2);
    QTest::newRow("entirely outside") << 10 << 10 << -1 << -1 << QRect();
    QTest::newRow("zero width") << 0 << 0 << 0 << -1 << QRect();
}

void TestBottomUpBitmap::loadPictureBltCopiesAndClips()
{
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, copied);

    QImage source(6, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            source.setPixel(x, y, qRgb(10 + x, 20 + y, 99));

    BottomUpBitmap dib;
    QVERIFY(dib.create(4, 4));
    dib.copyFromImage(source, left, top, width, height, BottomUpBitmap::SrcCopy);
    const QImage result = dib.toImage();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const QRgb expected
                = copied.contains(x, y) ? qRgb(10 + x + left, 20 + y + top, 99) : qRgb(0, 0, 0);
            QVERIFY2(result.pixel(x, y) == expected, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TestBottomUpBitmap::otherRasterOperationsAreRefused()
{
    BottomUpBitmap dib;
    QVERIFY(dib.create(2, 2));
    QImage white(2, 2, QImage::Format_RGB32);
    white.fill(Qt::white);
    dib.copyFromImage(white, 0, 0, -1, -1, 0x8800C6); // SRCAND
    QCOMPARE(dib.toImage().pixel(0, 0), qRgb(0, 0, 0));
    dib.copyFromImage(white, 0, 0, -1, -1);
    QCOMPARE(dib.toImage().pixel(1, 1), qRgb(255, 255, 255));
}

void TestBottomUpBitmap::clearUpEmpties()
{
    BottomUpBitmap dib;
    QVERIFY(dib.create(5, 5));
    dib.clear();
    QCOMPARE(dib.width(), 0);
    QCOMPARE(dib.height(), 0);
    QCOMPARE(dib.bytesPerLine(), 0);
    QCOMPARE(dib.infoHeader().biSizeImage, 0u);
    QVERIFY(dib.bits() == nullptr);
    dib.clear(); // twice is harmless
    QVERIFY(dib.create(1, 1));
}

QTEST_GUILESS_MAIN(TestBottomUpBitmap)
#include "tst_bottomupbitmap.moc"
