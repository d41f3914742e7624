// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ViewerLayout.h"

#include <QTest>

class TestViewerLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void example640x480_data();
    void example640x480();
    void pictureSmallerThanViewport();
    void productBeyond32Bits();
    void fit_data();
    void fit();
};

void TestViewerLayout::example640x480_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("hEnabled");
    QTest::addColumn<qint64>("hMax");
    QTest::addColumn<bool>("vEnabled");
    QTest::addColumn<qint64>("vMax");
    // 9600 x 7200 twips in a viewport 8415 x 6915 with 195-twip bars.
    QTest::newRow("zoom 1") << 1 << true << qint64(1380) << true << qint64(480);
    QTest::newRow("zoom 2") << 2 << true << qint64(19200 - 8220) << true << qint64(14400 - 6720);
    QTest::newRow("zoom 4") << 4 << true << qint64(30180) << true << qint64(22080);
    // Beyond 16 bits: the far edge stays reachable.
    QTest::newRow("zoom 5") << 5 << true << qint64(39780) << true << qint64(29280);
}

void TestViewerLayout::example640x480()
{
    QFETCH(int, zoom);
    const std::optional<ViewerLayout> layout = computeViewerLayout(zoom, 9600, 7200, 8415, 6915, 195, 195);
    QVERIFY(layout);
    QCOMPARE(layout->pictureWidth, 9600 * zoom);
    QCOMPARE(layout->pictureHeight, 7200 * zoom);
    QTEST(layout->hEnabled, "hEnabled");
    QTEST(layout->hMaximum, "hMax");
    QTEST(layout->vEnabled, "vEnabled");
    QTEST(layout->vMaximum, "vMax");
}

void TestViewerLayout::pictureSmallerThanViewport()
{
    // 320 x 240 pixels at zoom 1, and a picture exactly as large as the visible area.
    std::optional<ViewerLayout> layout = computeViewerLayout(1, 4800, 3600, 8415, 6915, 195, 195);
    QVERIFY(layout);
    QVERIFY(!layout->hEnabled);
    QVERIFY(!layout->vEnabled);
    layout = computeViewerLayout(1, 8220, 6720, 8415, 6915, 195, 195);
    QVERIFY(!layout->hEnabled);
    QVERIFY(!layout->vEnabled);
    layout = computeViewerLayout(1, 8221, 6721, 8415, 6915, 195, 195);
    QVERIFY(layout->hEnabled);
    QCOMPARE(layout->hMaximum, 1);
    QCOMPARE(layout->vMaximum, 1);
}

void TestViewerLayout::productBeyond32Bits()
{
    QVERIFY(!computeViewerLayout(5, 500'000'000, 10, 8415, 6915, 195, 195));
    QVERIFY(computeViewerLayout(5, 400'000'000, 10, 8415, 6915, 195, 195));
}

void TestViewerLayout::fit_data()
{
    QTest::addColumn<QSize>("natural");  // twips
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QRect>("placed");
    // 1920 x 1080 pixels into the design viewport less its bars (8220 x 6720): as wide as it.
    QTest::newRow("wide picture, made smaller") << QSize(28800, 16200) << QSize(8220, 6720)
                                                << QRect(0, 1048, 8220, 4624);
    QTest::newRow("tall picture") << QSize(3000, 6000) << QSize(8220, 6720) << QRect(2430, 0, 3360, 6720);
    QTest::newRow("small picture, made larger") << QSize(1500, 1125) << QSize(8220, 6720)
                                                << QRect(0, 277, 8220, 6165);
    QTest::newRow("same proportions") << QSize(411, 336) << QSize(8220, 6720) << QRect(0, 0, 8220, 6720);
    QTest::newRow("a line keeps a height") << QSize(100000, 1) << QSize(8220, 6720) << QRect(0, 3359, 8220, 1);
    QTest::newRow("no picture") << QSize(0, 0) << QSize(8220, 6720) << QRect(0, 0, 0, 0);
    QTest::newRow("no area") << QSize(9600, 7200) << QSize(0, 5) << QRect(0, 0, 0, 0);
}

void TestViewerLayout::fit()
{
    QFETCH(QSize, natural);
    QFETCH(QSize, area);
    QFETCH(QRect, placed);
    const FitPlacement p = computeFitPlacement(natural.width(), natural.height(), area.width(), area.height());
    QCOMPARE(QRect(int(p.left), int(p.top), int(p.width), int(p.height)), placed);
    if (p.width > 0) {
        // Whole, inside the area, touching two opposite sides.
        QVERIFY(p.left >= 0 && p.top >= 0 && p.left + p.width <= area.width() && p.top + p.height <= area.height());
        QVERIFY(p.width == area.width() || p.height == area.height());
    }
}

QTEST_GUILESS_MAIN(TestViewerLayout)
#include "tst_viewerlayout.moc"
