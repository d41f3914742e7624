// The main window's camera slots: opening cameras from the list into slots, the slot
// grid and its scrolling, the layout on resize, Stop and Stop All.

#include "Form1Fixture.h"

#include "camlist/ui/NoticeDialog.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QLabel>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

using namespace fixture;

class TestForm1Slots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsCarryTheirNames();
    void opensIntoFirstClosedSlot();
    void refusesTheTwentyFifth();
    void reusesAClosedSlot();
    void duplicateNamesOpenTheFirstRecord();
    void misplacedMarkersAreListedButNotOpened();
    void alreadyOpenCameraDoesNothing();
    void startCamWithoutSelectionShowsNotice();
    void stopAllClosesExactlyTheOpenSlots();
    void stoppingTheViewersSlotHidesTheViewer();
    void scrollingShowsTheLastRow();
    void tinyWindowLaysOutWithoutNegativeSizes();

private:
    static QList<Camera> cameras(int n)
    {
        QList<Camera> list;
        // Port 9 on loopback refuses at once: the slots open without a server.
        for (int i = 0; i < n; ++i)
            list.append({QStringLiteral("Cam%1").arg(i), QStringLiteral("http://127.0.0.1:9/c%1.jpg").arg(i)});
        return list;
    }
};

void TestForm1Slots::controlsCarryTheirNames()
{
    TestWindow w;
    MainWindow &f = *w.form;
    QCOMPARE(f.objectName(), QStringLiteral("Form1"));
    const QList<QGroupBox *> frames = f.findChildren<QGroupBox *>(QStringLiteral("Frame"));
    QCOMPARE(frames.size(), MainWindow::SlotCount);
    for (int i = 0; i < MainWindow::SlotCount; ++i) {
        QCOMPARE(f.cams[i].Frame->property("Index").toInt(), i);
        QCOMPARE(f.cams[i].Frame->title(), QStringLiteral("[WebCam]"));
        QVERIFY(f.cams[i].Frame->isHidden());
        QCOMPARE(f.cams[i].txtRefresh->text(), QStringLiteral("30"));
        QCOMPARE(f.cams[i].timRefresh->interval(), 1000);
        QVERIFY(!f.cams[i].timRefresh->isActive());
    }
    for (const char *name : {"Frame1", "frmCams", "frmMain", "cmdAdd", "cmdRemove", "cmdEdit", "cmdStartCam",
                             "cmdStopAll", "Command2", "chkSave", "List1", "picWindowOuter", "picWindowInner",
                             "VScroll1", "Picture1", "imgMain", "HScroll1", "VScroll2", "Command1", "frmDetails",
                             "Slider1", "cmdSave", "Command3", "lblName", "lblNextRefresh"}) {
        QVERIFY2(f.findChild<QObject *>(QLatin1String(name)), name);
    }
    QCOMPARE(f.VScroll1->maximum(), 18000);
    QCOMPARE(f.VScroll1->singleStep(), 600);
    QCOMPARE(f.VScroll1->pageStep(), 2000);
    QCOMPARE(f.mnuCamItem.size(), 5);
    QCOMPARE(f.mnuCamItem.at(4)->text(), QStringLiteral("Stop All Cams"));
    QVERIFY(f.viewer->isHidden());
    QCOMPARE(f.currentCam, -1);
}

void TestForm1Slots::opensIntoFirstClosedSlot()
{
    TestWindow w(cameras(3));
    w.open(QStringLiteral("Cam1"));
    QCOMPARE(w.form->openCamCount, 1);
    const CameraSlot &slot = w.form->cams[0];
    QVERIFY(slot.isOpen());
    QCOMPARE(slot.Frame->title(), QStringLiteral("Cam1"));
    QCOMPARE(slot.txtName->text(), QStringLiteral("Cam1"));
    QCOMPARE(slot.txtAddress->text(), QStringLiteral("http://127.0.0.1:9/c1.jpg"));
    QCOMPARE(slot.txtRefresh->text(), QStringLiteral("60"));
    // The first fetch was started: indicator shown, timer running, interval taken.
    QVERIFY(slot.imgRefresh->isVisibleTo(slot.Frame));
    QVERIFY(slot.timRefresh->isActive());
    QCOMPARE(slot.camRefreshSecs, 60);
    QCOMPARE(slot.camHost, QStringLiteral("127.0.0.1"));
    QCOMPARE(slot.camPath, QStringLiteral("/c1.jpg"));
    QCOMPARE(w.openSlotCount(), 1);
}

void TestForm1Slots::refusesTheTwentyFifth()
{
    TestWindow w(cameras(26));
    for (int i = 0; i < 24; ++i)
        w.open(QStringLiteral("Cam%1").arg(i));
    QCOMPARE(w.form->openCamCount, 24);
    QCOMPARE(w.openSlotCount(), 24);
    w.open(QStringLiteral("Cam24"));
    w.select(QStringLiteral("Cam25"));
    w.form->List1_DblClick();
    w.form->cmdStartCam_Click();
    QCOMPARE(w.form->openCamCount, 24);
    for (const CameraSlot &slot : w.form->cams)
        QVERIFY(slot.Frame->title() != QStringLiteral("Cam24") && slot.Frame->title() != QStringLiteral("Cam25"));
}

void TestForm1Slots::reusesAClosedSlot()
{
    TestWindow w(cameras(7));
    for (int i = 0; i < 6; ++i)
        w.open(QStringLiteral("Cam%1").arg(i));
    w.form->cmdStop_Click(3);
    QCOMPARE(w.form->openCamCount, 5);
    QVERIFY(!w.form->cams[3].isOpen());
    QCOMPARE(w.form->cams[3].Frame->title(), QStringLiteral("[webcam]"));
    QVERIFY(!w.form->cams[3].timRefresh->isActive());
    w.open(QStringLiteral("Cam6"));
    QCOMPARE(w.form->cams[3].Frame->title(), QStringLiteral("Cam6"));
    QVERIFY(!w.form->cams[6].isOpen());
}

void TestForm1Slots::duplicateNamesOpenTheFirstRecord()
{
    TestWindow w({{QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/first.jpg")},
                  {QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/second.jpg")}});
    QCOMPARE(w.form->List1->count(), 2);
    w.form->List1->setCurrentRow(1);
    w.form->OpenSelectedCamera();
    QCOMPARE(w.form->cams[0].txtAddress->text(), QStringLiteral("http://127.0.0.1:9/first.jpg"));
}

void TestForm1Slots::misplacedMarkersAreListedButNotOpened()
{
    TempAppFolder folder;
    folder.write(CameraListFile::FileName, "\r\n[NAME]Porch\r\nhttp://x/y.jpg\r\n60\r\n\r\nGate[name]\r\nu\r\n5\r\n");
    MainWindow form;
    form.ReadCameraNamesIntoList(true);
    QCOMPARE(form.List1->count(), 2);
    QCOMPARE(form.List1->item(0)->text(), QStringLiteral("Porch"));
    QCOMPARE(form.List1->item(1)->text(), QStringLiteral("Gate"));
    form.List1->setCurrentRow(0);
    form.OpenSelectedCamera();
    form.List1->setCurrentRow(1);
    form.List1_DblClick();
    QCOMPARE(form.openCamCount, 0);
}

void TestForm1Slots::alreadyOpenCameraDoesNothing()
{
    TestWindow w(cameras(2));
    w.open(QStringLiteral("Cam0"));
    w.open(QStringLiteral("Cam0"));
    QCOMPARE(w.form->openCamCount, 1);
    QVERIFY(!w.form->cams[1].isOpen());
}

void TestForm1Slots::startCamWithoutSelectionShowsNotice()
{
    TestWindow w(cameras(1));
    w.form->List1->clearSelection();
    w.form->cmdStartCam_Click();
    QVERIFY(NoticeDialog::instance());
    QCOMPARE(NoticeDialog::instance()->windowTitle(), QStringLiteral("Oops!"));
    QCOMPARE(NoticeDialog::instance()->Label1->text(), QStringLiteral("You must first select a cam from the list."));
    QCOMPARE(w.form->openCamCount, 0);
    // Asking again brings the same window forward.
    NoticeDialog *first = NoticeDialog::instance();
    w.form->cmdStartCam_Click();
    QCOMPARE(NoticeDialog::instance(), first);
    first->close();
    QTRY_VERIFY(!NoticeDialog::instance());
}

void TestForm1Slots::stopAllClosesExactlyTheOpenSlots()
{
    TestWindow w(cameras(4));
    for (int i = 0; i < 3; ++i)
        w.open(QStringLiteral("Cam%1").arg(i));
    w.form->mnuCamItem_Click(4);
    QCOMPARE(w.form->openCamCount, 0);
    QCOMPARE(w.openSlotCount(), 0);
    w.open(QStringLiteral("Cam3"));
    QVERIFY(w.form->cams[0].isOpen());
    QCOMPARE(w.form->cams[0].Frame->title(), QStringLiteral("Cam3"));
}

void TestForm1Slots::stoppingTheViewersSlotHidesTheViewer()
{
    TestWindow w(cameras(5));
    for (int i = 0; i < 5; ++i)
        w.open(QStringLiteral("Cam%1").arg(i));
    w.form->show();
    w.form->imgCam_Click(3);
    QCOMPARE(w.form->currentCam, 3);
    QVERIFY(w.form->viewer->isVisible());
    w.form->cmdStop_Click(1);
    QCOMPARE(w.form->currentCam, 3);
    QVERIFY(w.form->viewer->isVisible());
    w.form->cmdStop_Click(3);
    QCOMPARE(w.form->currentCam, -1);
    QVERIFY(!w.form->viewer->isVisible());
    QVERIFY(!w.form->viewer->frmDetails->isVisible());
}

void TestForm1Slots::scrollingShowsTheLastRow()
{
    TestWindow w(cameras(24));
    for (int i = 0; i < 24; ++i)
        w.open(QStringLiteral("Cam%1").arg(i));
    w.form->resize(1060, 780);
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    const QRect viewport = w.form->picWindowOuter->rect();
    auto visibleIn = [&](int i) {
        const QGroupBox *frame = w.form->cams[i].Frame;
        const QRect r(frame->mapTo(w.form->picWindowOuter, QPoint(0, 0)), frame->size());
        return viewport.intersects(r);
    };
    QVERIFY(visibleIn(0));
    QVERIFY(!visibleIn(23));
    w.form->VScroll1->setValue(18000);
    QCOMPARE(w.form->picWindowInner->y(), -(18000 + 30) / 15);
    QVERIFY(visibleIn(22));
    QVERIFY(visibleIn(23));
    QVERIFY(!visibleIn(0));
}

void TestForm1Slots::tinyWindowLaysOutWithoutNegativeSizes()
{
    TestWindow w;
    w.form->show();
    w.form->resize(40, 30);
    QCoreApplication::processEvents();
    w.form->LayoutMainWindow();
    const MainWindowGeometry &g = w.form->geometryTwips;
    for (qint64 v : {g.frame1Height, g.frmCamsHeight, g.frmMainHeight, g.frmMainWidth, g.list1Height,
                     g.picWindowOuterHeight, g.picture1Height, g.picture1Width, g.vscroll2Height, g.hscroll1Width})
        QVERIFY(v >= 0);
    QVERIFY(w.form->List1->height() >= 0);
    QVERIFY(w.form->viewer->Picture1->width() >= 0);
}

QTEST_MAIN(TestForm1Slots)
#include "tst_form1_slots.moc"
