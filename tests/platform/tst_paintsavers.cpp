// SPDX-License-Identifier: GPL-3.0-or-later
// The paint savers of the main window: DeferredPaints (progress bars painted at most once per
// interval), CachedGroupBox and CachedProgressBar (widgets that copy their drawing), on real
// widgets.

#include "platform/ui/CachedGroupBox.h"
#include "platform/ui/CachedProgressBar.h"
#include "platform/ui/DeferredPaints.h"
#include "platform/ui/StatusPanel.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QPainter>
#include <QPalette>
#include <QProgressBar>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

namespace {

class PaintCounter : public QProgressBar
{
public:
    using QProgressBar::QProgressBar;
    int paints = 0;
    int paintedValue = -1;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        paintedValue = value();
        QProgressBar::paintEvent(event);
    }
};

// Counts the events of one type that the objects it filters receive.
class EventCount : public QObject
{
public:
    explicit EventCount(QEvent::Type type)
        : m_type(type)
    {
    }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A window holding one plain and one cached group box side by side, built alike.
struct GroupBoxPair
{
    QWidget window;
    QGroupBox *plain = new QGroupBox(QStringLiteral("[WebCam]"), &window);
    CachedGroupBox *cached = new CachedGroupBox(QStringLiteral("[WebCam]"), &window);

    std::array<QGroupBox *, 2> both() const { return {plain, cached}; }

    GroupBoxPair()
    {
        window.resize(300, 200);
        for (QGroupBox *box : both()) {
            box->setFont(QFont(QStringLiteral("Verdana")));
            box->resize(109, 129);
        }
        plain->move(0, 0);
        cached->move(150, 0);
        window.show();
    }
    void same(const char *what) const
    {
        settle();
        const QImage a = plain->grab().toImage();
        const QImage b = cached->grab().toImage();
        QVERIFY2(!a.isNull() && a.size() == b.size(), what);
        QVERIFY2(a == b, what);
    }
};

} // namespace

class TestPaintSavers : public QObject
{
    Q_OBJECT

private slots:
    void changedWidgetPaintsOncePerInterval();
    void releaseAndDestructionPaintAtOnce();
    void widgetGoneWhileWaiting();
    void widgetDisabledElsewhereIsLeftAlone();
    void barBackAtItsShownValueIsNotPainted();
    void cachedGroupBoxLooksAsQGroupBox();
    void cachedProgressBarLooksAsQProgressBar();
    void statusPanelLooksAsQLabel();
    void statusPanelTextAsksForNoLayout();
};

void TestPaintSavers::changedWidgetPaintsOncePerInterval()
{
    QWidget window;
    auto *bar = new PaintCounter(&window);
    bar->setRange(0, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    settle();
    const int before = bar->paints;

    DeferredPaints paints(150);
    for (int value : {10, 40, 70, 100}) {
        paints.change(bar, [bar, value] { bar->setValue(value); });
        settle();
    }
    // Every value taken, none painted yet, and the widget can be painted.
    QCOMPARE(bar->value(), 100);
    QCOMPARE(bar->paints, before);
    QVERIFY(bar->updatesEnabled());

    // One paint, of the latest value, when the interval ends.
    QTRY_COMPARE(bar->paints, before + 1);
    QCOMPARE(bar->paintedValue, 100);
    QTest::qWait(200);
    QCOMPARE(bar->paints, before + 1);

    // A paint of the window in the meantime paints the current value.
    paints.change(bar, [bar] { bar->setValue(20); });
    QCOMPARE(bar->paints, before + 1);
    window.repaint();
    QCOMPARE(bar->paints, before + 2);
    QCOMPARE(bar->paintedValue, 20);
}

void TestPaintSavers::releaseAndDestructionPaintAtOnce()
{
    QWidget window;
    auto *bar = new PaintCounter(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    settle();
    {
        DeferredPaints paints(60000);
        paints.change(bar, [bar] { bar->setValue(50); });
        paints.release();
        settle();
        QCOMPARE(bar->paintedValue, 50);

        paints.change(bar, [bar] { bar->setValue(60); });
        settle();
        QCOMPARE(bar->paintedValue, 50);
    }
    // Destroyed while waiting: the widget is still painted.
    settle();
    QCOMPARE(bar->paintedValue, 60);
}

void TestPaintSavers::widgetGoneWhileWaiting()
{
    DeferredPaints paints(20);
    auto window = std::make_unique<QWidget>();
    auto *bar = new PaintCounter(window.get());
    window->show();
    paints.change(bar, [bar] { bar->setValue(30); });
    window.reset();
    QTest::qWait(60); // the interval ends with nothing left to paint
    int applied = 0;
    paints.change(nullptr, [&applied] { ++applied; });
    QCOMPARE(applied, 1);
}

void TestPaintSavers::widgetDisabledElsewhereIsLeftAlone()
{
    QWidget window;
    auto *bar = new PaintCounter(&window);
    bar->setUpdatesEnabled(false);
    DeferredPaints paints(20);
    paints.change(bar, [bar] { bar->setValue(40); });
    paints.release();
    QCOMPARE(bar->value(), 40);
    QVERIFY(!bar->updatesEnabled());
}

void TestPaintSavers::barBackAtItsShownValueIsNotPainted()
{
    QWidget window;
    auto *bar = new PaintCounter(&window);
    bar->setRange(0, 100);
    bar->setValue(100);
    bar->resize(100, 12);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DeferredPaints paints(60000);
    auto toValue = [&](int value) {
        paints.change(bar, [bar, value] { bar->setValue(value); }, [bar] { return QVariant(bar->value()); });
    };
    // The next download's pieces end where the last one's did: nothing to paint.
    toValue(100);
    bar->repaint(); // the whole bar painted at 100 once the saver watches it
    for (int value : {10, 40, 70, 100})
        toValue(value);
    const int before = bar->paints;
    paints.release();
    settle();
    QCOMPARE(bar->paints, before);

    // A value that differs is painted.
    toValue(60);
    paints.release();
    settle();
    QCOMPARE(bar->paints, before + 1);
    QCOMPARE(bar->paintedValue, 60);

    // A part painted meanwhile with another value leaves the bar mixed: painted again whole.
    toValue(30);
    bar->repaint(0, 0, 5, 5);
    QCOMPARE(bar->paintedValue, 30);
    toValue(60);
    paints.release();
    settle();
    QCOMPARE(bar->paints, before + 3);
    QCOMPARE(bar->paintedValue, 60);
}

void TestPaintSavers::cachedGroupBoxLooksAsQGroupBox()
{
    GroupBoxPair pair;
    QVERIFY(QTest::qWaitForWindowExposed(&pair.window));
    pair.same("first paint");
    pair.same("drawn again from the copy");

    for (QGroupBox *box : pair.both())
        box->setTitle(QStringLiteral("Front door, a longer title"));
    pair.same("title changed");

    for (QGroupBox *box : pair.both())
        box->resize(140, 90);
    pair.same("resized");

    for (QGroupBox *box : pair.both())
        box->setEnabled(false);
    pair.same("disabled");

    QPalette red = pair.plain->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    red.setColor(QPalette::Window, Qt::yellow);
    for (QGroupBox *box : pair.both()) {
        box->setEnabled(true);
        box->setPalette(red);
    }
    pair.same("palette changed");

    for (QGroupBox *box : pair.both())
        box->setFont(QFont(QStringLiteral("Verdana"), 14, QFont::Bold));
    pair.same("font changed");

    // A partial paint (a child hidden over the frame's edge) matches as well.
    for (QGroupBox *box : pair.both()) {
        auto *child = new QWidget(box);
        child->setGeometry(0, 0, 30, 30);
        child->show();
        settle();
        child->hide();
    }
    pair.same("partly repainted");
}

namespace {

// The largest difference of one channel of one pixel between two images of the same size.
int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

} // namespace

// The copy is blended onto what lies beneath it, so an antialiased edge pixel may differ from
// QProgressBar's by one level of rounding; nothing more.
void TestPaintSavers::cachedProgressBarLooksAsQProgressBar()
{
    QWidget window;
    window.resize(300, 100);
    auto *plain = new QProgressBar(&window);
    auto *cached = new CachedProgressBar(&window);
    const std::array<QProgressBar *, 2> both {plain, cached};
    for (QProgressBar *bar : both) {
        bar->setRange(0, 100);
        bar->setTextVisible(false);
        bar->resize(85, 9);
    }
    cached->move(150, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto same = [&](const char *what) {
        settle();
        const QImage a = plain->grab().toImage();
        const QImage b = cached->grab().toImage();
        QVERIFY2(!a.isNull() && a.size() == b.size(), what);
        QVERIFY2(largestDifference(a, b) <= 1, what);
    };

    // Values across the range, the bar's ends among them.
    for (int value : {0, 1, 37, 99, 100}) {
        for (QProgressBar *bar : both)
            bar->setValue(value);
        same(qPrintable(QStringLiteral("value %1").arg(value)));
    }
    for (QProgressBar *bar : both)
        bar->resize(120, 14);
    same("resized");
    for (QProgressBar *bar : both)
        bar->setEnabled(false);
    same("disabled");
    QPalette green = plain->palette();
    green.setColor(QPalette::Highlight, Qt::darkGreen);
    for (QProgressBar *bar : both) {
        bar->setEnabled(true);
        bar->setPalette(green);
    }
    same("palette changed");
    for (QProgressBar *bar : both)
        bar->setInvertedAppearance(true);
    same("inverted");

    // A row repainted beneath a neighbour, or the whole bar with the same look, is copied,
    // not drawn again; a new value is drawn once.
    settle();
    const int drawn = cached->drawings();
    EventCount paintsOfTheBar(QEvent::Paint);
    cached->installEventFilter(&paintsOfTheBar);
    cached->repaint(0, 0, cached->width(), 1);
    cached->repaint();
    QCOMPARE(paintsOfTheBar.count, 2);
    QCOMPARE(cached->drawings(), drawn);
    cached->setValue(64);
    settle();
    QCOMPARE(cached->drawings(), drawn + 1);

    // A busy bar (empty range) moves on its own: drawn at every paint.
    cached->setRange(0, 0);
    settle();
    const int busy = cached->drawings();
    cached->repaint();
    QCOMPARE(cached->drawings(), busy + 1);
}

namespace {

// Two main windows alike, one with a QLabel as its status panel and one with a StatusPanel.
struct StatusPair
{
    QMainWindow labelWindow;
    QMainWindow panelWindow;
    QLabel *label = new QLabel;
    StatusPanel *panel = new StatusPanel;

    explicit StatusPair(const QFont &font)
    {
        for (QMainWindow *window : {&labelWindow, &panelWindow}) {
            window->setFont(font);
            window->setCentralWidget(new QWidget);
            window->resize(420, 160);
        }
        label->setTextFormat(Qt::PlainText);
        labelWindow.statusBar()->addWidget(label, 1);
        panelWindow.statusBar()->addWidget(panel, 1);
        labelWindow.show();
        panelWindow.show();
        settle();
    }

    void setText(const QString &text)
    {
        label->setText(text);
        panel->setText(text);
        settle();
    }
};

} // namespace

void TestPaintSavers::statusPanelLooksAsQLabel()
{
    const QString texts[] = {QString(), QStringLiteral("Downloading cam.jpg [42.5]"),
                             QStringLiteral("Image saved as /home/someone/cam/Garden 2026-12-08 06-41-07.jpg"),
                             QStringLiteral("Ready")};
    for (const QFont &font : {QFont(QStringLiteral("Verdana"), 9), QFont(QStringLiteral("Sans Serif"), 14)}) {
        // In a status bar, the panel takes the place a label with one line of text takes.
        StatusPair pair(font);
        pair.setText(QStringLiteral("Ready"));
        QCOMPARE(pair.panelWindow.statusBar()->height(), pair.labelWindow.statusBar()->height());
        QCOMPARE(pair.panel->geometry(), pair.label->geometry());

        // Drawn alike at the same size, heights around a line of text included.
        QWidget window;
        window.setFont(font);
        QLabel *label = new QLabel(&window);
        label->setTextFormat(Qt::PlainText);
        StatusPanel *panel = new StatusPanel(&window);
        window.resize(420, 120);
        window.show();
        for (const QSize size : {pair.panel->size(), QSize(300, 14), QSize(300, 40)}) {
            label->setGeometry(QRect(QPoint(0, 0), size));
            panel->setGeometry(QRect(QPoint(0, 60), size));
            for (const QString &text : texts) {
                label->setText(text);
                panel->setText(text);
                settle();
                QCOMPARE(panel->text(), text);
                QVERIFY2(panel->grab().toImage() == label->grab().toImage(), qPrintable(text));
            }
        }
        // Disabled, the text is drawn as a disabled label's.
        window.setEnabled(false);
        label->setText(texts[1]);
        panel->setText(texts[1]);
        settle();
        QVERIFY(panel->grab().toImage() == label->grab().toImage());

        // A right-to-left text starts at the right, as in a label. (Its letters come from another
        // font, which may make a label taller; the panel keeps its place.)
        const QRect place = pair.panel->geometry();
        pair.setText(QStringLiteral("\u05e9\u05dc\u05d5\u05dd"));
        const QImage rtl = pair.panel->grab().toImage();
        const QRgb background = rtl.pixel(rtl.width() / 2, 0);
        int left = 0;
        int right = 0;
        for (int y = 0; y < rtl.height(); ++y) {
            for (int x = 0; x < rtl.width(); ++x)
                (x < rtl.width() / 2 ? left : right) += rtl.pixel(x, y) != background;
        }
        QCOMPARE(left, 0);
        QVERIFY(right > 0);
        QCOMPARE(pair.panel->geometry(), place);
    }
}

void TestPaintSavers::statusPanelTextAsksForNoLayout()
{
    StatusPair pair(QFont(QStringLiteral("Verdana"), 9));
    EventCount labelWindow(QEvent::LayoutRequest);
    EventCount panelWindow(QEvent::LayoutRequest);
    pair.labelWindow.installEventFilter(&labelWindow);
    pair.panelWindow.installEventFilter(&panelWindow);
    for (int percent = 0; percent <= 100; percent += 25)
        pair.setText(QStringLiteral("Downloading cam.jpg [%1]").arg(percent));
    // The label's window is laid out again for the new texts; the panel's is not.
    QVERIFY(labelWindow.count > 0);
    QCOMPARE(panelWindow.count, 0);
    QCOMPARE(pair.panel->text(), QStringLiteral("Downloading cam.jpg [100]"));
    // A panel given the same text again is not repainted.
    EventCount paints(QEvent::Paint);
    pair.panel->installEventFilter(&paints);
    pair.setText(pair.panel->text());
    QCOMPARE(paints.count, 0);
    pair.setText(QStringLiteral("Ready"));
    QVERIFY(paints.count > 0);
}

QTEST_MAIN(TestPaintSavers)
#include "tst_paintsavers.moc"
