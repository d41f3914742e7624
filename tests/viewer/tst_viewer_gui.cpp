// SPDX-License-Identifier: GPL-3.0-or-later
// The detail viewer and the full-screen view, driven through the main window.

#include "../monitor/WindowFixture.h"

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
};

namespace {

// The viewer's controls, by the names the localization file knows them.
struct Viewer
{
    explicit Viewer(const TestWindow &w)
        : panel(control<ViewerPanel>(w.window.get(), "frmMain"))
        , picture(control<ImageControl>(panel, "imgMain"))
        , zoom(control<QScrollBar>(panel, "Slider1"))
        , hbar(control<QScrollBar>(panel, "HScroll1"))
        , vbar(control<QScrollBar>(panel, "VScroll2"))
    {
    }
    QString label(const char *name) const { return control<QLabel>(panel, name)->text(); }

    ViewerPanel *panel;
    ImageControl *picture;
    QScrollBar *zoom;
    QScrollBar *hbar;
    QScrollBar *vbar;
};

ImageControl *fullScreenPicture(const FullScreenView *view) { return control<ImageControl>(view, "Image1"); }
bool fullScreenIndicatorShown(const FullScreenView *view) { return view->indicatorVisible(); }

} // namespace

void TestViewerGui::init() {}

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
    w->window->show();
    const Viewer v(*w);
    v.panel->layOut(ViewerParts());
    v.zoom->setValue(1);
    v.hbar->setValue(0);
    v.vbar->setValue(0);
    return w;
}

void TestViewerGui::example640x480AtZoom1To5()
{
    auto w = window();
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->deliver(1, imageResponse(jpegBytes(640, 480)));
    w->window->showSlotInViewer(1);
    QCOMPARE(v->panel->naturalWidth(), 9600);
    QCOMPARE(v->panel->naturalHeight(), 7200);
    QVERIFY(v->hbar->isEnabled());
    QCOMPARE(v->hbar->maximum(), 1380);
    QCOMPARE(v->vbar->maximum(), 480);

    v->zoom->setValue(4);
    QCOMPARE(v->panel->pictureWidth(), 38400);
    QCOMPARE(v->hbar->maximum(), 30180);
    QCOMPARE(v->vbar->maximum(), 22080);

    // Beyond 16 bits the far edge stays reachable.
    v->zoom->setValue(5);
    QCOMPARE(v->panel->pictureWidth(), 48000);
    QCOMPARE(v->panel->pictureHeight(), 36000);
    QCOMPARE(v->hbar->maximum(), 39780);
    QCOMPARE(v->vbar->maximum(), 29280);
    v->hbar->setValue(39780);
    v->vbar->setValue(29280);
    QCOMPARE(v->panel->pictureLeft(), -39780);
    QCOMPARE(v->panel->pictureTop(), -29280);
    // The picture's far corner meets the viewport's visible corner.
    QCOMPARE(v->panel->pictureLeft() + v->panel->pictureWidth(), 8415 - 195);
    QCOMPARE(v->panel->pictureTop() + v->panel->pictureHeight(), 6915 - 195);
}

void TestViewerGui::zoomingDownAfterPanningFollowsTheMaximum()
{
    auto w = window();
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->window->showSlotInViewer(0);
    v->zoom->setValue(2);
    QCOMPARE(v->hbar->maximum(), 19200 - 8220);
    v->hbar->setValue(v->hbar->maximum());
    QCOMPARE(v->panel->pictureLeft(), -(19200 - 8220));
    v->zoom->setValue(1);
    QCOMPARE(v->hbar->value(), 1380);
    QCOMPARE(v->panel->pictureLeft(), -1380);
}

void TestViewerGui::smallPictureNeedsNoBars()
{
    auto w = window();
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->deliver(2, imageResponse(jpegBytes(320, 240)));
    w->window->showSlotInViewer(2);
    QVERIFY(!v->hbar->isEnabled());
    QVERIFY(!v->vbar->isEnabled());
    QCOMPARE(v->panel->pictureLeft(), 0);
    QCOMPARE(v->panel->pictureTop(), 0);
    QCOMPARE(v->picture->geometry(), QRect(0, 0, 320, 240));
}

void TestViewerGui::detailRowsAndNextRefresh()
{
    auto w = window();
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->deliver(3, imageResponse(jpegBytes(64, 48), "Mon, 01 Jan 2024 10:00:00 GMT"));
    for (int i = 0; i < 15; ++i)
        w->camera(3)->tick();
    QTest::mouseClick(control<ImageControl>(w->window.get(), "imgRefresh", 3), Qt::LeftButton);
    QCOMPARE(w->window->viewerSlot(), 3);
    QCOMPARE(v->label("lblName"), QStringLiteral("Road"));
    QCOMPARE(v->label("lblRefresh"), QStringLiteral("60"));
    QCOMPARE(v->label("lblLastChanged"), QStringLiteral(" Mon, 01 Jan 2024 10:00:00 GMT"));
    QVERIFY(!v->label("lblLastRefreshed").isEmpty());
    QCOMPARE(v->label("lblNextRefresh"), QStringLiteral("45"));
    // Each tick of the viewer's slot counts down.
    w->camera(3)->tick();
    QCOMPARE(v->label("lblNextRefresh"), QStringLiteral("44"));
    // A refresh text that is no number counts down from the interval the slot uses.
    w->camera(3)->updateRecord({QStringLiteral("Road"), QStringLiteral("http://127.0.0.1:9/r.jpg"),
                                QStringLiteral("often")});
    w->window->showSlotInViewer(3);
    QCOMPARE(v->label("lblNextRefresh"), QStringLiteral("44"));
}

void TestViewerGui::newPictureKeepsZoomAndPan()
{
    auto w = window();
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->window->showSlotInViewer(0);
    v->zoom->setValue(2);
    v->hbar->setValue(5000);
    v->vbar->setValue(3000);
    const QRect before = v->picture->geometry();

    // A picture of another slot leaves the viewer alone.
    w->deliver(1, imageResponse(jpegBytes(100, 100)));
    QCOMPARE(v->picture->picture().size(), QSize(640, 480));

    // A new picture of a different size is stretched into the same box.
    w->deliver(0, imageResponse(jpegBytes(800, 600, Qt::magenta)));
    QCOMPARE(v->picture->picture().size(), QSize(800, 600));
    QCOMPARE(v->picture->geometry(), before);
    QCOMPARE(v->panel->naturalWidth(), 9600);
    QCOMPARE(v->panel->pictureLeft(), -5000);
    QCOMPARE(v->panel->pictureTop(), -3000);
    // Zoom and pan carry over to the next selection.
    w->window->showSlotInViewer(1);
    QCOMPARE(v->zoom->value(), 2);
    QCOMPARE(v->hbar->value(), 5000);
}

void TestViewerGui::selectionBeforeTheFirstPicture()
{
    auto w = window();
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->window->showSlotInViewer(2);
    QVERIFY(v->panel->isVisible());
    QVERIFY(!v->picture->hasPicture());
    QVERIFY(!v->hbar->isEnabled());
    QVERIFY(!v->vbar->isEnabled());
    // The first picture lays out as a selection would.
    w->deliver(2, imageResponse(jpegBytes(640, 480)));
    QCOMPARE(v->panel->naturalWidth(), 9600);
    QVERIFY(v->hbar->isEnabled());
    QCOMPARE(v->hbar->maximum(), 1380);
}

void TestViewerGui::fullScreenOpensWithTheViewersPicture()
{
    auto w = window();
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->window->showSlotInViewer(0);
    control<QPushButton>(w->window.get(), "Command3")->click();
    FullScreenView *view = w->window->fullScreenView();
    QVERIFY(view);
    QVERIFY(view->isActive());
    QVERIFY(QTest::qWaitForWindowExposed(view));
    // A plain top-level window shown full screen (window managers leave tool windows as they are).
    QCOMPARE(view->windowType(), Qt::Window);
    QVERIFY(view->windowState() & Qt::WindowFullScreen);
    QCOMPARE(fullScreenPicture(view)->picture().encoded(), Viewer(*w).picture->picture().encoded());
    QVERIFY(fullScreenPicture(view)->stretch());
    QCOMPARE(fullScreenPicture(view)->size(), view->size());
    // The picture follows the window's size.
    view->showNormal();
    view->resize(300, 200);
    QTRY_COMPARE(fullScreenPicture(view)->size(), QSize(300, 200));
    // The indicator shows while a fetch of the selected slot runs.
    w->camera(0)->refresh();
    QVERIFY(fullScreenIndicatorShown(view));
    w->deliver(0, imageResponse(jpegBytes(320, 200)));
    QVERIFY(!fullScreenIndicatorShown(view));
    QCOMPARE(fullScreenPicture(view)->picture().size(), QSize(320, 200));
    view->close();
}

void TestViewerGui::fullScreenFollowsTheSelectedSlot()
{
    auto w = window();
    w->deliver(0, imageResponse(jpegBytes(640, 480)));
    w->deliver(1, imageResponse(jpegBytes(200, 100)));
    w->window->showSlotInViewer(0);
    w->window->openFullScreen();
    FullScreenView *view = w->window->fullScreenView();
    w->window->showSlotInViewer(1);
    // The view keeps its picture until the newly selected slot delivers one.
    QCOMPARE(fullScreenPicture(view)->picture().size(), QSize(640, 480));
    w->deliver(0, imageResponse(jpegBytes(64, 64)));
    QCOMPARE(fullScreenPicture(view)->picture().size(), QSize(640, 480));
    w->deliver(1, imageResponse(jpegBytes(210, 110)));
    QCOMPARE(fullScreenPicture(view)->picture().size(), QSize(210, 110));
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
    w->window->showSlotInViewer(0);
    w->window->openFullScreen();
    QPointer<FullScreenView> view = w->window->fullScreenView();
    QVERIFY(QTest::qWaitForWindowExposed(view.data()));
    if (how == 0)
        QTest::mouseClick(fullScreenPicture(view), Qt::LeftButton, {}, QPoint(5, 5));
    else if (how == 1)
        QTest::keyClick(view.data(), Qt::Key_Escape);
    else
        view->close();
    QVERIFY(view.isNull() || !view->isActive());
    QTRY_VERIFY(view.isNull());
    QVERIFY(!w->window->fullScreenView());
    // Later pictures of the slot reach the main window only.
    w->deliver(0, imageResponse(jpegBytes(32, 32)));
    QCOMPARE(Viewer(*w).picture->picture().size(), QSize(32, 32));
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
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    w->deliver(1, imageResponse(jpegBytes(640, 480)));
    w->window->showSlotInViewer(1);
    QVERIFY(QTest::qWaitForWindowExposed(w->window.get()));
    const std::array<QScrollBar *, 2> bars = {v->hbar, v->vbar};
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
    v->picture->installEventFilter(&picturePaints);
    w->deliver(1, imageResponse(jpegBytes(640, 480, Qt::darkRed)));
    QTRY_VERIFY(picturePaints.paints > 0);
    QCOMPARE(barPaints.paints, 0);
    // A bar moved is painted, and the picture beneath it moves.
    v->hbar->setValue(v->hbar->maximum());
    QTRY_VERIFY(barPaints.paints > 0);
    QCOMPARE(v->picture->x(), -v->hbar->maximum() / 15);
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
    const Viewer viewer(*w);
    const Viewer *v = &viewer;
    // Large enough that the viewport shows less than half of it (more is decoded whole).
    w->deliver(1, imageResponse(detailedJpeg(1600, 1200, 0)));
    w->window->showSlotInViewer(1);
    QVERIFY(QTest::qWaitForWindowExposed(w->window.get()));
    v->hbar->setValue(v->hbar->maximum() / 2);
    v->vbar->setValue(v->vbar->maximum());
    QTest::qWait(50);

    QSignalSpy shown(v->picture, &ImageControl::pictureShown);
    const QByteArray next = detailedJpeg(1600, 1200, 1);
    w->deliver(1, imageResponse(next));
    QTRY_COMPARE(shown.count(), 1);
    // Only the part in the viewport was decoded for it...
    QVERIFY(!v->picture->picture().hasFullDecode());
    // ...and the window shows there what the whole decode holds: in the viewport, above and
    // left of the bars.
    const QImage whole = Picture::fromBytes(next).full();
    const QRect viewport(v->picture->mapFrom(control<QWidget>(v->panel, "Picture1"), QPoint(0, 0)), QSize(v->vbar->x(), v->hbar->y()));
    const QRect part = viewport & v->picture->visibleRegion().boundingRect();
    QVERIFY(part.width() > 300 && part.height() > 200);
    QVERIFY(part.left() > 0 && part.top() > 0);
    const QPoint at = v->picture->mapTo(w->window.get(), part.topLeft());
    const QImage painted = w->window->screen()
                               ->grabWindow(w->window->winId(), at.x(), at.y(), part.width(), part.height())
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    QVERIFY(painted == whole.copy(part));
}
