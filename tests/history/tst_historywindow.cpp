// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImagingFixtures.h"
#include "SavedPictureFixtures.h"
#include "history/ui/HistoryWindow.h"
#include "history/ui/ThumbnailStrip.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <turbojpeg.h>

using namespace SavedPictureFixtures;

namespace {
constexpr int Count = 30;
const QDateTime Start(QDate(2026, 4, 1), QTime(6, 0, 0));

// Picture i is a flat grey of level 8 x i, so what is shown tells which picture it is.
int greyOf(const QImage &image)
{
    return image.isNull() ? -1 : qGray(image.pixel(image.width() / 2, image.height() / 2));
}

bool writeGrey(const QString &folder, const QString &camera, const QDateTime &at, int level)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(qRgb(level, level, level));
    QFile file(folder + QLatin1Char('/') + autosaveFileName(camera, at));
    return file.open(QIODevice::WriteOnly) && file.write(ImagingFixtures::turboJpeg(image, TJSAMP_420, 95)) > 0;
}
} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensWithTheNewestPicture();
    void keysMoveThroughThePictures_data();
    void keysMoveThroughThePictures();
    void buttonsAndSlider();
    void aDraggedSliderEndsOnItsPicture();
    void playsToTheEndAndStops();
    void exportPlaceIsHiddenUntilWired();
    void cameraWithoutPictures();
    void unreadablePicture();
    void openReplacesAnotherCamerasWindow();
    void thumbnailsOfThePicturesAround();
    void picturesSavedWhileOpen_data();
    void picturesSavedWhileOpen();
    void reloadStaysOnThePictureShown();

private:
    HistoryWindow *openWindow(const QString &camera, const QString &folder = {});
    bool waitShown(qsizetype index);

    QTemporaryDir m_dir;
    LanguageTable m_languages;
    QPointer<HistoryWindow> m_window;
    std::unique_ptr<QSignalSpy> m_shown;
};

void TestHistoryWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    addDefaultMessages(m_languages);
    QVERIFY(m_dir.isValid());
    for (int i = 0; i < Count; ++i)
        QVERIFY(writeGrey(m_dir.path(), QStringLiteral("Yard"), Start.addSecs(i * 10), 8 * i));
    // Another camera's picture, later than all of Yard's.
    QVERIFY(writeGrey(m_dir.path(), QStringLiteral("Gate"), Start.addDays(1), 255));
}

void TestHistoryWindow::init() {}

void TestHistoryWindow::cleanup()
{
    m_shown.reset();
    delete m_window.data();
}

HistoryWindow *TestHistoryWindow::openWindow(const QString &camera, const QString &folder)
{
    auto *window = new HistoryWindow(camera, folder.isEmpty() ? m_dir.path() : folder,
                                     {QStringLiteral("Yard"), QStringLiteral("Gate")}, m_languages, nullptr);
    m_window = window;
    m_shown = std::make_unique<QSignalSpy>(window, &HistoryWindow::pictureShown);
    window->show();
    return window;
}

bool TestHistoryWindow::waitShown(qsizetype index)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        if (!m_shown->isEmpty() && m_shown->last().at(0).value<qsizetype>() == index)
            return true;
        m_shown->wait(100);
    }
    return false;
}

void TestHistoryWindow::opensWithTheNewestPicture()
{
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    QCOMPARE(window->pictureCount(), Count);
    QCOMPARE(window->currentIndex(), Count - 1);
    QCOMPARE(window->currentFileName(), autosaveFileName(QStringLiteral("Yard"), Start.addSecs((Count - 1) * 10)));
    QVERIFY(qAbs(greyOf(window->shownImage()) - 8 * (Count - 1)) <= 2);
    // Decoded for the window, not beyond the picture's own size.
    QVERIFY(window->shownImage().width() <= 64);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblTime"))->text(),
             refreshedStamp(Start.addSecs((Count - 1) * 10)));
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblPosition"))->text(), QStringLiteral("Picture 30 of 30"));
    QCOMPARE(window->findChild<QSlider *>(QStringLiteral("sldTime"))->value(), Count - 1);
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("cmdNext"))->isEnabled());
}

void TestHistoryWindow::keysMoveThroughThePictures_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("index");
    QTest::newRow("left") << QList<int> {Qt::Key_Left} << Count - 2;
    QTest::newRow("right at the end stays") << QList<int> {Qt::Key_Right} << Count - 1;
    QTest::newRow("home") << QList<int> {Qt::Key_Home} << 0;
    QTest::newRow("left at the start stays") << QList<int> {Qt::Key_Home, Qt::Key_Left} << 0;
    QTest::newRow("home, right, right") << QList<int> {Qt::Key_Home, Qt::Key_Right, Qt::Key_Right} << 2;
    QTest::newRow("page up") << QList<int> {Qt::Key_PageUp} << Count - 11;
    QTest::newRow("page up past the start") << QList<int> {Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageUp,
                                                           Qt::Key_PageUp} << 0;
    QTest::newRow("home, page down") << QList<int> {Qt::Key_Home, Qt::Key_PageDown} << 10;
    QTest::newRow("home, end") << QList<int> {Qt::Key_Home, Qt::Key_End} << Count - 1;
}

void TestHistoryWindow::keysMoveThroughThePictures()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, index);
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    for (const int key : keys)
        QTest::keyClick(window, Qt::Key(key));
    QCOMPARE(window->currentIndex(), index);
    QVERIFY(waitShown(index));
    QVERIFY(qAbs(greyOf(window->shownImage()) - 8 * index) <= 2);
    QCOMPARE(window->findChild<QSlider *>(QStringLiteral("sldTime"))->value(), index);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblTime"))->text(), refreshedStamp(Start.addSecs(index * 10)));
}

void TestHistoryWindow::buttonsAndSlider()
{
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    auto *previous = window->findChild<QPushButton *>(QStringLiteral("cmdPrevious"));
    auto *next = window->findChild<QPushButton *>(QStringLiteral("cmdNext"));
    QTest::mouseClick(previous, Qt::LeftButton);
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(window->currentIndex(), Count - 3);
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(window->currentIndex(), Count - 2);
    window->findChild<QSlider *>(QStringLiteral("sldTime"))->setValue(5);
    QCOMPARE(window->currentIndex(), 5);
    QVERIFY(waitShown(5));
    QVERIFY(qAbs(greyOf(window->shownImage()) - 40) <= 2);
    window->findChild<QSlider *>(QStringLiteral("sldTime"))->setValue(0);
    QVERIFY(!previous->isEnabled());
    QVERIFY(next->isEnabled());
}

void TestHistoryWindow::aDraggedSliderEndsOnItsPicture()
{
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    auto *slider = window->findChild<QSlider *>(QStringLiteral("sldTime"));
    // Every position in a row without waiting: the decodes in between are dropped, the last
    // position is shown.
    for (int value = Count - 1; value >= 7; --value)
        slider->setValue(value);
    QVERIFY(waitShown(7));
    QVERIFY(qAbs(greyOf(window->shownImage()) - 56) <= 2);
    QTest::qWait(200);
    QCOMPARE(m_shown->last().at(0).value<qsizetype>(), 7);
    QVERIFY(qAbs(greyOf(window->shownImage()) - 56) <= 2);
}

void TestHistoryWindow::playsToTheEndAndStops()
{
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    auto *speed = window->findChild<QComboBox *>(QStringLiteral("cboSpeed"));
    speed->setCurrentIndex(speed->count() - 1);
    QCOMPARE(window->speed(), 25);
    window->showPicture(Count - 5);
    QTest::keyClick(window, Qt::Key_Space);
    QVERIFY(window->playing());
    QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("cmdPlay"))->text(), QStringLiteral("Pause"));
    QTRY_VERIFY(!window->playing());
    QCOMPARE(window->currentIndex(), Count - 1);
    QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("cmdPlay"))->text(), QStringLiteral("Play"));
    // Playing from the end starts over; Space pauses.
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdPlay")), Qt::LeftButton);
    QVERIFY(window->playing());
    QVERIFY(window->currentIndex() < 3);
    QTest::keyClick(window, Qt::Key_Space);
    QVERIFY(!window->playing());
}

void TestHistoryWindow::exportPlaceIsHiddenUntilWired()
{
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    auto *exportButton = window->findChild<QPushButton *>(QStringLiteral("cmdExport"));
    QVERIFY(exportButton->isHidden());
    window->setExportAvailable(true);
    QVERIFY(exportButton->isVisible());
    QSignalSpy requested(window, &HistoryWindow::exportRequested);
    QTest::mouseClick(exportButton, Qt::LeftButton);
    QCOMPARE(requested.size(), 1);
    QCOMPARE(requested[0][0].toString(), QStringLiteral("Yard"));
    const auto pictures = requested[0][1].value<QList<QPair<QDateTime, QString>>>();
    QCOMPARE(pictures.size(), Count);
    QCOMPARE(pictures.first().first, Start);
    QCOMPARE(pictures.last().second, m_dir.filePath(window->currentFileName()));
    // A range at its edges: both ends included.
    QCOMPARE(window->picturesBetween(Start.addSecs(10), Start.addSecs(30)).size(), 3);
    QCOMPARE(window->picturesBetween(Start.addSecs(11), Start.addSecs(29)).size(), 1);
}

void TestHistoryWindow::cameraWithoutPictures()
{
    HistoryWindow *window = openWindow(QStringLiteral("Porch"));
    QSignalSpy loaded(window, &HistoryWindow::indexLoaded);
    QVERIFY(loaded.wait());
    QCOMPARE(loaded[0][0].value<qsizetype>(), 0);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblPosition"))->text(), QStringLiteral("No saved pictures of Porch."));
    QTest::keyClick(window, Qt::Key_Left);
    QTest::keyClick(window, Qt::Key_Space);
    QVERIFY(!window->playing());
    QCOMPARE(window->currentIndex(), -1);
}

void TestHistoryWindow::unreadablePicture()
{
    QTemporaryDir dir;
    QVERIFY(writePicture(dir.path(), QStringLiteral("Yard"), Start, 5000).size() > 0); // zeros, not a JPEG
    auto *window = new HistoryWindow(QStringLiteral("Yard"), dir.path(), {}, m_languages, nullptr);
    m_window = window;
    m_shown = std::make_unique<QSignalSpy>(window, &HistoryWindow::pictureShown);
    window->show();
    QVERIFY(waitShown(0));
    QVERIFY(window->shownImage().isNull());
}

void TestHistoryWindow::openReplacesAnotherCamerasWindow()
{
    QPointer<HistoryWindow> holder;
    HistoryWindow *yard = HistoryWindow::open(holder, QStringLiteral("Yard"), m_dir.path(), {}, m_languages, nullptr);
    QCOMPARE(HistoryWindow::open(holder, QStringLiteral("Yard"), m_dir.path(), {}, m_languages, nullptr), yard);
    QPointer<HistoryWindow> first(yard);
    HistoryWindow *gate = HistoryWindow::open(holder, QStringLiteral("Gate"), m_dir.path(), {}, m_languages, nullptr);
    QVERIFY(gate != nullptr);
    QCOMPARE(gate->cameraName(), QStringLiteral("Gate"));
    QTRY_VERIFY(first.isNull());
    m_window = gate;
}

void TestHistoryWindow::thumbnailsOfThePicturesAround()
{
    HistoryWindow *window = openWindow(QStringLiteral("Yard"));
    QVERIFY(waitShown(Count - 1));
    ThumbnailStrip *strip = window->thumbnails();
    QCOMPARE(strip->objectName(), QStringLiteral("lstThumbnails"));
    QCOMPARE(strip->accessibleName(), QStringLiteral("Pictures around the one shown"));
    const int shown = strip->shownCount();
    QVERIFY2(shown >= 3 && shown < Count, qPrintable(QString::number(shown)));
    // The newest picture ends the row; every place on screen gets its thumbnail, none other.
    QCOMPARE(strip->firstShown() + shown, Count);
    for (qsizetype i = Count - shown; i < Count; ++i) {
        QTRY_VERIFY(!strip->thumbnail(i).isNull());
        QVERIFY(qAbs(greyOf(strip->thumbnail(i)) - 8 * int(i)) <= 2);
        QVERIFY(strip->thumbnail(i).width() <= ThumbnailStrip::ThumbWidth * strip->devicePixelRatio());
    }
    QTest::qWait(50);
    QVERIFY(strip->thumbnail(Count - shown - 1).isNull());
    QVERIFY(strip->thumbnail(0).isNull());
    QCOMPARE(strip->placeOf(0), QRect());

    // A click on the row's first place shows its picture, which moves to the middle.
    const qsizetype clicked = strip->firstShown();
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->placeOf(clicked).center());
    QCOMPARE(window->currentIndex(), clicked);
    QVERIFY(waitShown(clicked));
    QCOMPARE(strip->firstShown(), clicked - shown / 2);
    QCOMPARE(strip->indexAt(strip->placeOf(clicked).center()), clicked);
    QCOMPARE(strip->indexAt(QPoint(0, 0)), -1);
    // Home: the row starts at the first picture, whose thumbnail is decoded now.
    QTest::keyClick(window, Qt::Key_Home);
    QCOMPARE(strip->firstShown(), 0);
    QTRY_VERIFY(!strip->thumbnail(0).isNull());
    // A wheel notch down: the next picture.
    const QPoint at = strip->placeOf(1).center();
    QWheelEvent wheel(at, strip->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &wheel);
    QCOMPARE(window->currentIndex(), 1);
}

void TestHistoryWindow::picturesSavedWhileOpen_data()
{
    QTest::addColumn<int>("showing");  // the index shown before the save; -1 the newest, -2 none yet
    QTest::addColumn<int>("seconds");  // the saved picture's time after Start
    QTest::addColumn<bool>("elsewhere"); // saved to another folder
    QTest::addColumn<int>("count");    // pictures afterwards
    QTest::addColumn<int>("current");  // the index shown afterwards
    // Ten pictures at Start + 0, 10, ... 90 s.
    QTest::newRow("newest shown: follows") << -1 << 100 << false << 11 << 10;
    QTest::newRow("older shown: stays") << 0 << 100 << false << 11 << 0;
    QTest::newRow("earlier than the one shown: same picture, one on") << 5 << 5 << false << 11 << 6;
    QTest::newRow("later than the one shown: same place") << 5 << 55 << false << 11 << 5;
    QTest::newRow("a name listed already") << -1 << 90 << false << 10 << 9;
    QTest::newRow("another folder") << -1 << 100 << true << 10 << 9;
    QTest::newRow("before the list is read") << -2 << 100 << false << 11 << 10;
}

void TestHistoryWindow::picturesSavedWhileOpen()
{
    QFETCH(int, showing);
    QFETCH(int, seconds);
    QFETCH(bool, elsewhere);
    QFETCH(int, count);
    QFETCH(int, current);
    QTemporaryDir dir;
    QTemporaryDir other;
    for (int i = 0; i < 10; ++i)
        QVERIFY(writeGrey(dir.path(), QStringLiteral("Yard"), Start.addSecs(i * 10), 8 * i));
    HistoryWindow *window = openWindow(QStringLiteral("Yard"), dir.path());
    if (showing != -2) {
        QVERIFY(waitShown(9));
        if (showing >= 0) {
            window->showPicture(showing);
            QVERIFY(waitShown(showing));
        }
    }
    const QString before = window->currentFileName();
    const QDateTime at = Start.addSecs(seconds);
    const QString folder = elsewhere ? other.path() : dir.path();
    QVERIFY(writeGrey(folder, QStringLiteral("Yard"), at, 250));
    window->addSavedPicture(folder + QLatin1Char('/') + autosaveFileName(QStringLiteral("Yard"), at), at);
    if (showing == -2)
        QVERIFY(waitShown(current));
    QCOMPARE(window->pictureCount(), count);
    QCOMPARE(window->currentIndex(), current);
    QCOMPARE(window->findChild<QSlider *>(QStringLiteral("sldTime"))->maximum(), count - 1);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblPosition"))->text(),
             QStringLiteral("Picture %1 of %2").arg(current + 1).arg(count));
    QCOMPARE(window->thumbnails()->firstShown() + window->thumbnails()->shownCount() > current, true);
    if (showing >= 0) {
        QCOMPARE(window->currentFileName(), before);
    } else if (count == 11) {
        QCOMPARE(window->currentFileName(), autosaveFileName(QStringLiteral("Yard"), at));
        QTRY_VERIFY(qAbs(greyOf(window->shownImage()) - 250) <= 2);
    }
}

void TestHistoryWindow::reloadStaysOnThePictureShown()
{
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        QVERIFY(writeGrey(dir.path(), QStringLiteral("Yard"), Start.addSecs(i * 10), 8 * i));
        names.append(autosaveFileName(QStringLiteral("Yard"), Start.addSecs(i * 10)));
    }
    HistoryWindow *window = openWindow(QStringLiteral("Yard"), dir.path());
    QVERIFY(waitShown(9));
    window->showPicture(5);
    QSignalSpy loaded(window, &HistoryWindow::indexLoaded);
    // The oldest three and the newest are pruned: the same picture, two places back.
    for (const int i : {0, 1, 2, 9})
        QVERIFY(QFile::remove(dir.filePath(names[i])));
    window->reload();
    QVERIFY(loaded.wait());
    QCOMPARE(loaded.last().at(0).value<qsizetype>(), 6);
    QCOMPARE(window->currentIndex(), 2);
    QCOMPARE(window->currentFileName(), names[5]);
    // The picture shown is gone as well: the one before it in time.
    QVERIFY(QFile::remove(dir.filePath(names[5])));
    window->reload();
    QVERIFY(loaded.wait());
    QCOMPARE(window->currentFileName(), names[4]);
    QVERIFY(waitShown(1));
    QVERIFY(qAbs(greyOf(window->shownImage()) - 32) <= 2);
    // All of them gone.
    for (const int i : {3, 4, 6, 7, 8})
        QVERIFY(QFile::remove(dir.filePath(names[i])));
    window->reload();
    QVERIFY(loaded.wait());
    QCOMPARE(window->pictureCount(), 0);
    QCOMPARE(window->currentIndex(), -1);
    QVERIFY(window->shownImage().isNull());
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("cmdPlay"))->isEnabled());
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
