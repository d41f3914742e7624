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

QTEST_GUILESS_MAIN(TestViewerLayout)
#include "tst_viewerlayout.moc"
