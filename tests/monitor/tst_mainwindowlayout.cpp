// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/MainWindowLayout.h"

#include <QTest>

class TestMainWindowLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void designSize();
    void everySizeNonNegative_data();
    void everySizeNonNegative();
    void slotGridAndScrolling();
};

// At the design size (outer 15900 x 11600, status bar 300) the columns get the heights
// and the viewer its parts exactly as the steps compute them from one another.
void TestMainWindowLayout::designSize()
{
    MainWindowGeometry g;
    layoutMainWindow(g, 11600, 15900, 300);
    QCOMPARE(g.frame1Height, 10500);
    QCOMPARE(g.frmCamsHeight, 10500);
    QCOMPARE(g.frmMainHeight, 10500);
    QCOMPARE(g.frmMainWidth, 8700);
    QCOMPARE(g.list1Height, 10500 - 3780 - 20);
    QCOMPARE(g.picWindowOuterHeight, 3780 + g.list1Height - 280);
    QCOMPARE(g.vscroll1Height, g.picWindowOuterHeight);
    QCOMPARE(g.picture1Height, 10500 - 3555 - 300);
    QCOMPARE(g.picture1Width, 8300);
    QCOMPARE(g.frmDetailsTop, g.picture1Height + 240);
    QCOMPARE(g.frmDetailsWidth, 8300);
    QCOMPARE(g.vscroll2Height, g.picture1Height - 195 - 60);
    QCOMPARE(g.vscroll2Left, 8300 - 195 - 60);
    QCOMPARE(g.hscroll1Width, 8300 - 195 - 60);
    QCOMPARE(g.hscroll1Top, g.picture1Height - 195 - 60);
    QCOMPARE(g.command1Top, g.hscroll1Top);
    QCOMPARE(g.command1Left, g.vscroll2Left);
}

void TestMainWindowLayout::everySizeNonNegative_data()
{
    QTest::addColumn<qint64>("height");
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("statusBar");
    QTest::newRow("below the margins") << qint64(700) << qint64(300) << qint64(300);
    QTest::newRow("exactly the margins") << qint64(1100) << qint64(7200) << qint64(300);
    QTest::newRow("zero window") << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("huge status bar") << qint64(2000) << qint64(2000) << qint64(90000);
    QTest::newRow("large screen") << qint64(64800) << qint64(115200) << qint64(345);
}

// A window smaller than the fixed margins lays out with every size non-negative,
// each the absolute value of its expression.
void TestMainWindowLayout::everySizeNonNegative()
{
    QFETCH(qint64, height);
    QFETCH(qint64, width);
    QFETCH(qint64, statusBar);
    MainWindowGeometry g;
    layoutMainWindow(g, height, width, statusBar);
    const qint64 values[] = {g.frame1Height, g.frmCamsHeight, g.frmMainHeight, g.frmMainWidth,
                             g.list1Height, g.picWindowOuterHeight, g.vscroll1Height, g.picture1Height,
                             g.picture1Width, g.frmDetailsTop, g.frmDetailsWidth, g.vscroll2Height,
                             g.vscroll2Left, g.hscroll1Width, g.hscroll1Top, g.command1Top, g.command1Left};
    for (qint64 v : values)
        QVERIFY2(v >= 0, qPrintable(QString::number(v)));
    QCOMPARE(g.frame1Height, qAbs(height - statusBar - 800));
    QCOMPARE(g.frmMainWidth, qAbs(width - 7200));
}

// Two columns, twelve rows; at the scroll maximum 18000 the last row lies inside the
// 10450-twip viewport.
void TestMainWindowLayout::slotGridAndScrolling()
{
    QCOMPARE(slotLeft(0), 60);
    QCOMPARE(slotLeft(1), 1740);
    QCOMPARE(slotTop(1), 60);
    QCOMPARE(slotTop(22), 60 + 1980 * 11);
    QCOMPARE(slotTop(23), slotTop(22));
    QCOMPARE(slotPanelTop(0), -30);
    const qint64 top = slotPanelTop(18000) + slotTop(23);
    QVERIFY(top >= 0);
    QVERIFY(top + 1935 <= 10450);
}

QTEST_GUILESS_MAIN(TestMainWindowLayout)
#include "tst_mainwindowlayout.moc"
