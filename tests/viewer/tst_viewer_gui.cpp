// The detail viewer and the full-screen view, driven through the main window.

#include "../monitor/Form1Fixture.h"

#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>

#include <array>

using namespace fixture;

class TestViewerGui : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void example640x480AtZoom1To5();
    void zoomingDownAfterPanningFollowsTheMaximum();
    void smallPictureNeedsNoBars();
    void detailRowsAndNextRefresh();
    void newPictureKeepsZoomAndPan();
    void selectionBeforeTheFirstPicture();
    void fullScreenOpensWithTheViewersPicture();
    void fullScreenFollowsTheSelectedSlot();
    void fullScreenClosesEachWay_data();
    void fullScreenClosesEachWay();
    void barsOverThePictureStayPainted();
    void newPictureDecodesOnlyTheShownPart();

private:
    // Four cameras; the window shown with the viewer's viewport at its design size.
    std::unique_ptr<TestWindow> window();
    QSize m_picture = QSize(640, 480);
};

void TestViewerGui::init() { FullScreenActive = false; }

std::unique_ptr<TestWindow> TestViewerGui::window()
{
    auto w = std::make_unique<TestWindow>(QList<Camera>{
        {QStringLiteral("Garden"), QStringLiteral("http://127.0.0.1:9/g.jpg")},
        {QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/p.jpg")},
        {QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:9/y.jpg")},
        {QStringLiteral("Road"), QStringLiteral("http://127.0.0.1:9/r.jpg")}});
    for (const QString &name : {QStringLiteral("Garden"), QStringLiteral("Porch"), QStringLiteral("Yard"),
                                QStringLiteral("Road")})
        w->open(name);
    w->form->show();
    w->form->viewer->setPicture1Size(8415, 6915);
    w->form->viewer->Slider1->setValue(1);
    w->form->viewer->HScroll1->setValue(0);
    w->form->viewer->VScroll2->setValue(0);
    return w;
}

void TestViewerGui::example640x480AtZoom1To5()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(1, imageResponse(jpegBytes(640, 480)));
    w->form->imgCam_Click(1);
    QCOMPARE(v->ViewerNaturalWidth, 9600);
    QCOMPARE(v->ViewerNaturalHeight, 7200);
    QVERIFY(v->HScroll1->isEnabled());
    QCOMPARE(v->HScroll1->maximum(), 1380);
    QCOMPARE(v->VScroll2->maximum(), 480);

    v->Slider1->setValue(4);
    QCOMPARE(v->imgMainWidth(), 38400);
    QCOMPARE(v->HScroll1->maximum(), 30180);
    QCOMPARE(v->VScroll2->maximum(), 22080);

    // Beyond 16 bits the far edge stays reachable.
    v->Slider1->setValue(5);
    QCOMPARE(v->imgMainWidth(), 48000);
    QCOMPARE(v->imgMainHeight(), 36000);
    QCOMPARE(v->HScroll1->maximum(), 39780);
    QCOMPARE(v->VScroll2->maximum(), 29280);
    v->HScroll1->setValue(39780);
    v->VScroll2->setValue(29280);
    QCOMPARE(v->imgMainLeft(), -39780);
    QCOMPARE(v->imgMainTop(), -29280);
    // The picture's far corner meets the viewport's visible corner.
    QCOMPARE(v->imgMainLeft() + v->imgMainWidth(), 8415 - 195);
    QCOMPARE(v->imgMainTop() + v->imgMainHeight(), 6915 - 195);
}

void TestViewerGui::zoomingDownAfterPanningFollowsTheMaximum()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->form->imgCam_Click(0);
    v->Slider1->setValue(2);
    QCOMPARE(v->HScroll1->maximum(), 19200 - 8220);
    v->HScroll1->setValue(v->HScroll1->maximum());
    QCOMPARE(v->imgMainLeft(), -(19200 - 8220));
    v->Slider1->setValue(1);
    QCOMPARE(v->HScroll1->value(), 1380);
    QCOMPARE(v->imgMainLeft(), -1380);
}

void TestViewerGui::smallPictureNeedsNoBars()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(2, imageResponse(jpegBytes(320, 240)));
    w->form->imgCam_Click(2);
    QVERIFY(!v->HScroll1->isEnabled());
    QVERIFY(!v->VScroll2->isEnabled());
    QCOMPARE(v->imgMainLeft(), 0);
    QCOMPARE(v->imgMainTop(), 0);
    QCOMPARE(v->imgMain->geometry(), QRect(0, 0, 320, 240));
}

void TestViewerGui::detailRowsAndNextRefresh()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(3, imageResponse(jpegBytes(64, 48), "Mon, 01 Jan 2024 10:00:00 GMT"));
    w->form->cams[3].camElapsed = 15;
    w->form->imgRefresh_Click(3);
    QCOMPARE(w->form->currentCam, 3);
    QCOMPARE(v->lblName->text(), QStringLiteral("Road"));
    QCOMPARE(v->lblRefresh->text(), QStringLiteral("60"));
    QCOMPARE(v->lblLastChanged->text(), QStringLiteral(" Mon, 01 Jan 2024 10:00:00 GMT"));
    QVERIFY(!v->lblLastRefreshed->text().isEmpty());
    QCOMPARE(v->lblNextRefresh->text(), QStringLiteral("45"));
    // Each tick of the viewer's slot counts down.
    w->form->timRefresh_Timer(3);
    QCOMPARE(v->lblNextRefresh->text(), QStringLiteral("44"));
    // A refresh text that is no number counts down from the interval the slot uses.
    w->form->cams[3].txtRefresh->setText(QStringLiteral("often"));
    w->form->imgCam_Click(3);
    QCOMPARE(v->lblNextRefresh->text(), QStringLiteral("44"));
}

void TestViewerGui::newPictureKeepsZoomAndPan()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->form->imgCam_Click(0);
    v->Slider1->setValue(2);
    v->HScroll1->setValue(5000);
    v->VScroll2->setValue(3000);
    const QRect before = v->imgMain->geometry();
    const Picture other = w->form->cams[1].imgCam->picture();

    // A picture of another slot leaves the viewer alone.
    w->deliver(1, imageResponse(jpegBytes(100, 100)));
    QCOMPARE(v->imgMain->picture().size(), QSize(640, 480));

    // A new picture of a different size is stretched into the same box.
    w->deliver(0, imageResponse(jpegBytes(800, 600, Qt::magenta)));
    QCOMPARE(v->imgMain->picture().size(), QSize(800, 600));
    QCOMPARE(v->imgMain->geometry(), before);
    QCOMPARE(v->ViewerNaturalWidth, 9600);
    QCOMPARE(v->imgMainLeft(), -5000);
    QCOMPARE(v->imgMainTop(), -3000);
    // Zoom and pan carry over to the next selection.
    w->form->imgCam_Click(1);
    QCOMPARE(v->Slider1->value(), 2);
    QCOMPARE(v->HScroll1->value(), 5000);
    Q_UNUSED(other);
}

void TestViewerGui::selectionBeforeTheFirstPicture()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->form->imgCam_Click(2);
    QVERIFY(v->isVisible());
    QVERIFY(!v->imgMain->hasPicture());
    QVERIFY(!v->HScroll1->isEnabled());
    QVERIFY(!v->VScroll2->isEnabled());
    // The first picture lays out as a selection would.
    w->deliver(2, imageResponse(jpegBytes(640, 480)));
    QCOMPARE(v->ViewerNaturalWidth, 9600);
    QVERIFY(v->HScroll1->isEnabled());
    QCOMPARE(v->HScroll1->maximum(), 1380);
}

void TestViewerGui::fullScreenOpensWithTheViewersPicture()
{
    auto w = window();
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->form->imgCam_Click(0);
    w->form->viewer->Command3->click();
    FullScreenView *view = w->form->fullScreenWindow();
    QVERIFY(view);
    QVERIFY(FullScreenActive);
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(view->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(view->Image1->picture().encoded(), w->form->viewer->imgMain->picture().encoded());
    QVERIFY(view->Image1->stretch());
    QCOMPARE(view->Image1->size(), view->size());
    // The picture follows the window's size.
    view->showNormal();
    view->resize(300, 200);
    QTRY_COMPARE(view->Image1->size(), QSize(300, 200));
    // The indicator shows while a fetch of the selected slot runs.
    w->form->cmdRefresh_Click(0);
    QVERIFY(view->picrefresh->isVisibleTo(view));
    w->deliver(0, imageResponse(jpegBytes(320, 200)));
    QVERIFY(!view->picrefresh->isVisibleTo(view));
    QCOMPARE(view->Image1->picture().size(), QSize(320, 200));
    view->close();
}

void TestViewerGui::fullScreenFollowsTheSelectedSlot()
{
    auto w = window();
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->deliver(1, imageResponse(jpegBytes(200, 100)));
    w->form->imgCam_Click(0);
    w->form->Command3_Click();
    FullScreenView *view = w->form->fullScreenWindow();
    w->form->imgCam_Click(1);
    // The view keeps its picture until the newly selected slot delivers one.
    QCOMPARE(view->Image1->picture().size(), QSize(640, 480));
    w->deliver(0, imageResponse(jpegBytes(64, 64)));
    QCOMPARE(view->Image1->picture().size(), QSize(640, 480));
    w->deliver(1, imageResponse(jpegBytes(210, 110)));
    QCOMPARE(view->Image1->picture().size(), QSize(210, 110));
    view->close();
}

void TestViewerGui::fullScreenClosesEachWay_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("click on the picture") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window manager close") << 2;
}

void TestViewerGui::fullScreenClosesEachWay()
{
    QFETCH(int, how);
    auto w = window();
    w->deliver(0, imageResponse(jpegBytes(64, 48)));
    w->form->imgCam_Click(0);
    w->form->Command3_Click();
    QPointer<FullScreenView> view = w->form->fullScreenWindow();
    QVERIFY(QTest::qWaitForWindowExposed(view.data()));
    if (how == 0)
        QTest::mouseClick(view->Image1, Qt::LeftButton, {}, QPoint(5, 5));
    else if (how == 1)
        QTest::keyClick(view.data(), Qt::Key_Escape);
    else
        view->close();
    QVERIFY(!FullScreenActive);
    QTRY_VERIFY(view.isNull());
    QVERIFY(!w->form->fullScreenWindow());
    // Later pictures of the slot reach the main window only.
    w->deliver(0, imageResponse(jpegBytes(32, 32)));
    QCOMPARE(w->form->viewer->imgMain->picture().size(), QSize(32, 32));
}

QTEST_MAIN(TestViewerGui)
#include "tst_viewer_gui.moc"

namespace {

class PaintCount : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Pixels of `bar` left unpainted when it is drawn alone over a sentinel colour.
int uncovered(QScrollBar *bar)
{
    QImage image(bar->size(), QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 255));
    bar->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == qRgb(255, 0, 255);
    }
    return count;
}

} // namespace

void TestViewerGui::barsOverThePictureStayPainted()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(1, imageResponse(jpegBytes(640, 480)));
    w->form->imgCam_Click(1);
    QVERIFY(QTest::qWaitForWindowExposed(w->form.get()));
    const std::array<QScrollBar *, 2> bars = {v->HScroll1, v->VScroll2};
    for (QScrollBar *bar : bars) {
        // Declared opaque, a bar must cover its whole area, enabled or not.
        QVERIFY(bar->isVisible());
        QVERIFY(bar->testAttribute(Qt::WA_OpaquePaintEvent));
        QCOMPARE(uncovered(bar), 0);
        bar->setEnabled(false);
        QCOMPARE(uncovered(bar), 0);
        bar->setEnabled(true);
    }
    QTest::qWait(50);

    // A new picture for the viewed camera repaints the picture, not the bars on top of it.
    PaintCount barPaints;
    PaintCount picturePaints;
    for (QScrollBar *bar : bars)
        bar->installEventFilter(&barPaints);
    v->imgMain->installEventFilter(&picturePaints);
    w->deliver(1, imageResponse(jpegBytes(640, 480, Qt::darkRed)));
    QTRY_VERIFY(picturePaints.paints > 0);
    QCOMPARE(barPaints.paints, 0);
    // A bar moved is painted, and the picture beneath it moves.
    v->HScroll1->setValue(v->HScroll1->maximum());
    QTRY_VERIFY(barPaints.paints > 0);
    QCOMPARE(v->imgMain->x(), -v->HScroll1->maximum() / 15);
}

namespace {

// A JPEG whose every pixel differs from its neighbours: a picture drawn from the wrong place
// shows.
QByteArray detailedJpeg(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 5 + x / 3) & 255, ((x + y) * 3 + seed * 40) & 255));
    }
    return jpegOf(image, 90);
}

} // namespace

void TestViewerGui::newPictureDecodesOnlyTheShownPart()
{
    auto w = window();
    ViewerPanel *v = w->form->viewer;
    w->deliver(1, imageResponse(detailedJpeg(640, 480, 0)));
    w->form->imgCam_Click(1);
    QVERIFY(QTest::qWaitForWindowExposed(w->form.get()));
    v->HScroll1->setValue(v->HScroll1->maximum() / 2);
    v->VScroll2->setValue(v->VScroll2->maximum());
    QTest::qWait(50);

    QSignalSpy shown(v->imgMain, &ImageControl::pictureShown);
    const QByteArray next = detailedJpeg(640, 480, 1);
    w->deliver(1, imageResponse(next));
    QTRY_COMPARE(shown.count(), 1);
    // Only the part in the viewport was decoded for it...
    QVERIFY(!v->imgMain->picture().hasFullDecode());
    // ...and the window shows there what the whole decode holds: in the viewport, above and
    // left of the bars.
    const QImage whole = Picture::fromBytes(next).full();
    const QRect viewport(v->imgMain->mapFrom(v->Picture1, QPoint(0, 0)), QSize(v->VScroll2->x(), v->HScroll1->y()));
    const QRect part = viewport & v->imgMain->visibleRegion().boundingRect();
    QVERIFY(part.width() > 300 && part.height() > 200);
    QVERIFY(part.left() > 0 && part.top() > 0);
    const QPoint at = v->imgMain->mapTo(w->form.get(), part.topLeft());
    const QImage painted = w->form->screen()
                               ->grabWindow(w->form->winId(), at.x(), at.y(), part.width(), part.height())
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    QVERIFY(painted == whole.copy(part));
}
