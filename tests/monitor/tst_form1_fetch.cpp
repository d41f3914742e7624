// A slot's fetch end to end against a scripted server on loopback: the request bytes,
// progress and status texts, acceptance, the Last-Modified table, autosave and the
// bounds on what a server can send.

#include "Form1Fixture.h"

#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"
#include "imaging/SmoothScale.h"
#include "monitor/HttpResponse.h"
#include "platform/SlotSocket.h"
#include "support/FixedClock.h"
#include "support/ScriptedHttpServer.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>

using namespace fixture;

namespace {
QStringList savedFiles(const TempAppFolder &folder)
{
    return QDir(folder.file(QStringLiteral("cam"))).entryList(QDir::Files, QDir::Name);
}
} // namespace

class TestForm1Fetch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void requestKeepsPathCaseAndEncodesSpaces();
    void progressFollowsTheBody();
    void withoutContentLengthTheBarStays();
    void pictureShownAndIndicatorHidden();
    void slotPictureDecodedForTheSlot();
    void notAPictureShowsNotFound();
    void unreadableBodyKeepsThePreviousPicture();
    void lastModifiedTable();
    void autosaveWritesChangedPicturesOnly();
    void reusedSlotKeepsTheStoredLine();
    void endlessBodyIsAbandoned();
    void timerStartsFetchesOnItsInterval();
    void saveImageWithoutSelectionExplains();
    void saveImageWritesTheShownPicture();
};

void TestForm1Fetch::requestKeepsPathCaseAndEncodesSpaces()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(imageResponse(jpegBytes(8, 8))), Step::close()});
    TestWindow w({{QStringLiteral("Gate"),
                   QStringLiteral("HTTP://127.0.0.1:%1/Snap Shots/Cam.JPG?User=Ann").arg(server.port())}});
    w.open(QStringLiteral("Gate"));
    // The picture arrives only after the whole request was read.
    QTRY_VERIFY(w.form->cams[0].imgCam->hasPicture());
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.lastRequest(), QByteArray("GET /Snap%20Shots/Cam.JPG?User=Ann HTTP/1.1\r\n"
                                              "Host: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n"));
}

void TestForm1Fetch::progressFollowsTheBody()
{
    const QByteArray body(2000, 'x');
    ScriptedHttpServer server;
    server.setScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 2000\r\n\r\n"),
                      Step::waitMs(1000), Step::send(body.left(500)), Step::waitMs(1000),
                      Step::send(body.mid(500, 1000)), Step::waitMs(1000), Step::send(body.mid(1500)),
                      Step::waitMs(1000), Step::close()});
    TestWindow w({{QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:%1/img/yard.jpg").arg(server.port())}});
    w.open(QStringLiteral("Yard"));
    const CameraSlot &slot = w.form->cams[0];
    QTRY_COMPARE(w.form->statusText(), QStringLiteral("Downloading yard.jpg [25]"));
    QCOMPARE(slot.prgCam->value(), 25);
    QTRY_COMPARE(w.form->statusText(), QStringLiteral("Downloading yard.jpg [75]"));
    QCOMPARE(slot.prgCam->value(), 75);
    QTRY_COMPARE(w.form->statusText(), QStringLiteral("Downloading yard.jpg [100]"));
    QCOMPARE(slot.prgCam->value(), 100);
}

void TestForm1Fetch::withoutContentLengthTheBarStays()
{
    const QByteArray jpeg = jpegBytes(16, 16);
    ScriptedHttpServer server;
    // The arrival that completes the header shows no progress: the body comes apart.
    const QByteArray full = imageResponse(jpeg);
    const qsizetype headerEnd = full.indexOf("\r\n\r\n") + 4;
    server.queueScript({Step::send(full.left(headerEnd)), Step::waitMs(100), Step::send(full.mid(headerEnd)),
                        Step::close()});
    server.queueScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"), Step::waitMs(100),
                        Step::send(jpeg), Step::close()});
    TestWindow w({{QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:%1/y.jpg").arg(server.port())}});
    w.open(QStringLiteral("Yard"));
    QTRY_COMPARE(w.form->cams[0].prgCam->value(), 100);
    QTRY_VERIFY(!w.form->cams[0].imgRefresh->isVisibleTo(w.form->cams[0].Frame));
    w.form->setStatusText(QString());
    w.form->cmdRefresh_Click(0);
    QTRY_COMPARE(server.requests().size(), 2);
    QTRY_VERIFY(!w.form->cams[0].imgRefresh->isVisibleTo(w.form->cams[0].Frame));
    QCOMPARE(w.form->cams[0].prgCam->value(), 100);
    QCOMPARE(w.form->statusText(), QString());
}

void TestForm1Fetch::pictureShownAndIndicatorHidden()
{
    TestWindow w({{QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    w.open(QStringLiteral("A"));
    QVERIFY(w.form->cams[0].imgRefresh->isVisibleTo(w.form->cams[0].Frame));
    w.deliver(0, imageResponse(jpegBytes(64, 48)));
    QVERIFY(!w.form->cams[0].imgRefresh->isVisibleTo(w.form->cams[0].Frame));
    QCOMPARE(w.form->cams[0].imgCam->picture().size(), QSize(64, 48));
    // Capital letters in the content type are accepted too.
    w.deliver(0, imageResponse(jpegBytes(32, 24), QByteArray(), "IMAGE/JPEG"));
    QCOMPARE(w.form->cams[0].imgCam->picture().size(), QSize(32, 24));
}

void TestForm1Fetch::slotPictureDecodedForTheSlot()
{
    // A camera's 1920 x 1080 picture, with colour detail everywhere.
    QImage image(1920, 1080, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x / 7) % 256, random.bounded(256), (y / 5) % 256);
    }
    const QByteArray body = jpegOf(image, 90);

    TestWindow w({{QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg")},
                  {QStringLiteral("B"), QStringLiteral("http://127.0.0.1:9/b.jpg")}});
    w.open(QStringLiteral("A"));
    w.open(QStringLiteral("B"));
    const QSize slotPixels = w.form->cams[0].imgCam->devicePixelSize();
    const int denominator = PictureDecoder::pickDenominator(QSize(1920, 1080), slotPixels);
    QVERIFY(denominator > 1);
    const QImage coarse
        = smoothScaled(PictureDecoder::decode(body, PictureDecoder::probe(body), denominator), slotPixels);
    // Both the viewer's camera and another one: their slots get the decode made for the slot.
    w.form->imgCam_Click(0);
    QCOMPARE(w.form->currentCam, 0);
    for (const int slot : {0, 1}) {
        w.deliver(slot, imageResponse(body));
        QVERIFY(w.form->cams[slot].imgCam->picture().scaledFor(slotPixels) == coarse);
    }
}

void TestForm1Fetch::notAPictureShowsNotFound()
{
    TestWindow w({{QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    w.open(QStringLiteral("A"));
    w.deliver(0, imageResponse(jpegBytes(64, 48)));
    w.form->show();
    w.form->imgCam_Click(0);
    w.deliver(0, "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>gone</html>");
    QCOMPARE(w.form->cams[0].imgCam->picture().encoded(), w.form->notFound.encoded());
    // The viewer keeps what it showed.
    QCOMPARE(w.form->viewer->imgMain->picture().size(), QSize(64, 48));
    // A response cut before its header ended is not a picture either.
    w.deliver(0, imageResponse(jpegBytes(64, 48)));
    w.deliver(0, "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n");
    QCOMPARE(w.form->cams[0].imgCam->picture().encoded(), w.form->notFound.encoded());
}

void TestForm1Fetch::unreadableBodyKeepsThePreviousPicture()
{
    TestWindow w({{QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    w.open(QStringLiteral("A"));
    const QByteArray good = jpegBytes(40, 30);
    w.deliver(0, imageResponse(good));
    w.deliver(0, imageResponse(good.left(good.size() / 2)));
    QCOMPARE(w.form->cams[0].imgCam->picture().encoded(), good);
    QVERIFY(!w.form->cams[0].imgRefresh->isVisibleTo(w.form->cams[0].Frame));
}

void TestForm1Fetch::lastModifiedTable()
{
    FixedClock clock(QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    TestWindow w({{QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    w.open(QStringLiteral("A"));
    const CameraSlot &slot = w.form->cams[0];
    const QByteArray jpeg = jpegBytes(8, 8);

    // First line: stored, not changed, stamped.
    w.deliver(0, imageResponse(jpeg, "Wed, 27 Mar 2013 03:00:00 GMT"));
    QCOMPARE(slot.camLastModified, QStringLiteral("Last-Modified: Wed, 27 Mar 2013 03:00:00 GMT"));
    QCOMPARE(slot.txtUpdated->text(), QStringLiteral(" Wed, 27 Mar 2013 03:00:00 GMT"));
    QVERIFY(!slot.camChanged);
    QCOMPARE(slot.txtRefreshed->text(), QStringLiteral("3/27/2013 3:54:30 AM"));

    // Same line: nothing changes, the stamp stays.
    clock.set(QDateTime(QDate(2013, 3, 27), QTime(4, 0, 0)));
    w.deliver(0, imageResponse(jpeg, "Wed, 27 Mar 2013 03:00:00 GMT"));
    QVERIFY(!slot.camChanged);
    QCOMPARE(slot.txtRefreshed->text(), QStringLiteral("3/27/2013 3:54:30 AM"));

    // Another line, label in lower case: changed and stamped.
    w.deliver(0, "HTTP/1.1 200 OK\r\ncontent-type: image/jpeg\r\nlast-modified: Wed, 27 Mar 2013 03:59:00 GMT\r\n\r\n"
                     + jpeg);
    QVERIFY(slot.camChanged);
    QCOMPARE(slot.txtUpdated->text(), QStringLiteral(" Wed, 27 Mar 2013 03:59:00 GMT"));
    QCOMPARE(slot.txtRefreshed->text(), QStringLiteral("3/27/2013 4:00:00 AM"));

    // No line at all: not changed, texts kept.
    w.deliver(0, imageResponse(jpeg));
    QVERIFY(!slot.camChanged);
    QCOMPARE(slot.txtUpdated->text(), QStringLiteral(" Wed, 27 Mar 2013 03:59:00 GMT"));
}

void TestForm1Fetch::autosaveWritesChangedPicturesOnly()
{
    FixedClock clock(QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    TestWindow w({{QStringLiteral("Front Door"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    w.open(QStringLiteral("Front Door"));
    w.form->chkSave->setChecked(true);
    w.form->show();
    w.form->imgCam_Click(0);

    w.deliver(0, imageResponse(jpegBytes(64, 48, Qt::red), "one"));
    QVERIFY(savedFiles(w.folder).isEmpty());
    w.deliver(0, imageResponse(jpegBytes(64, 48, Qt::blue), "one"));
    QVERIFY(savedFiles(w.folder).isEmpty());
    w.deliver(0, imageResponse(jpegBytes(64, 48, Qt::green), "two"));
    QCOMPARE(savedFiles(w.folder), QStringList{QStringLiteral("FrontDoor327201335430AM.jpg")});
    const QString path = w.folder.file(QStringLiteral("cam/FrontDoor327201335430AM.jpg"));
    QCOMPARE(w.form->statusText(), QStringLiteral("3:54:30 AM new picture saved as ") + path);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const Picture picture = Picture::fromBytes(saved.readAll());
    QCOMPARE(picture.size(), QSize(64, 48));
    QCOMPARE(picture.format(), QByteArray("jpeg"));
    // The slot shows the saved picture.
    saved.seek(0);
    QCOMPARE(w.form->cams[0].imgCam->picture().encoded(), saved.readAll());

    // Autosave off: shown and dated, nothing written.
    w.form->chkSave->setChecked(false);
    clock.set(QDateTime(QDate(2013, 3, 27), QTime(5, 0, 0)));
    w.deliver(0, imageResponse(jpegBytes(64, 48, Qt::yellow), "three"));
    QVERIFY(w.form->cams[0].camChanged);
    QCOMPARE(savedFiles(w.folder).size(), 1);

    // Two changes within one second: the second save takes a free name, the first stays.
    w.form->chkSave->setChecked(true);
    w.deliver(0, imageResponse(jpegBytes(64, 48, Qt::magenta), "four"));
    w.deliver(0, imageResponse(jpegBytes(64, 48, Qt::cyan), "five"));
    QCOMPARE(savedFiles(w.folder), (QStringList{QStringLiteral("FrontDoor327201335430AM.jpg"),
                                                QStringLiteral("FrontDoor327201350000AM.jpg"),
                                                QStringLiteral("FrontDoor327201350000AM_2.jpg")}));
    QCOMPARE(w.form->statusText(), QStringLiteral("5:00:00 AM new picture saved as ")
                                       + w.folder.file(QStringLiteral("cam/FrontDoor327201350000AM_2.jpg")));
    QImage first;
    QImage second;
    QVERIFY(first.load(w.folder.file(QStringLiteral("cam/FrontDoor327201350000AM.jpg"))));
    QVERIFY(second.load(w.folder.file(QStringLiteral("cam/FrontDoor327201350000AM_2.jpg"))));
    QVERIFY(qRed(first.pixel(10, 10)) > 200 && qGreen(first.pixel(10, 10)) < 60);
    QVERIFY(qRed(second.pixel(10, 10)) < 60 && qGreen(second.pixel(10, 10)) > 200);
}

void TestForm1Fetch::reusedSlotKeepsTheStoredLine()
{
    TestWindow w({{QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg")},
                  {QStringLiteral("B"), QStringLiteral("http://127.0.0.1:9/b.jpg")}});
    w.form->chkSave->setChecked(true);
    w.open(QStringLiteral("A"));
    w.deliver(0, imageResponse(jpegBytes(8, 8), "line of A"));
    w.form->cmdStop_Click(0);
    w.open(QStringLiteral("B"));
    QCOMPARE(w.form->cams[0].camLastModified, QStringLiteral("Last-Modified: line of A"));
    w.deliver(0, imageResponse(jpegBytes(8, 8), "line of B"));
    QVERIFY(w.form->cams[0].camChanged);
    QCOMPARE(savedFiles(w.folder).size(), 1);
    QVERIFY(savedFiles(w.folder).first().startsWith(QLatin1Char('B')));
}

void TestForm1Fetch::endlessBodyIsAbandoned()
{
    ScriptedHttpServer server;
    server.setScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"), Step::stream(-1)});
    TestWindow w({{QStringLiteral("Flood"), QStringLiteral("http://127.0.0.1:%1/f.jpg").arg(server.port())}});
    w.open(QStringLiteral("Flood"));
    const CameraSlot &slot = w.form->cams[0];
    QTRY_VERIFY_WITH_TIMEOUT(slot.imgCam->hasPicture(), 60000);
    QCOMPARE(slot.imgCam->picture().encoded(), w.form->notFound.encoded());
    QVERIFY(slot.fetch.camBuffer.capacity() <= MaxResponseBytes);
    QVERIFY(!slot.imgRefresh->isVisibleTo(slot.Frame));
    // The connection was dropped on our side.
    QTRY_COMPARE(server.peerClosedCount(), 1);
}

void TestForm1Fetch::timerStartsFetchesOnItsInterval()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(imageResponse(jpegBytes(8, 8))), Step::close()});
    TestWindow w({{QStringLiteral("Fast"), QStringLiteral("http://127.0.0.1:%1/f.jpg").arg(server.port()),
                   QStringLiteral("1")},
                  {QStringLiteral("Word"), QStringLiteral("http://127.0.0.1:%1/w.jpg").arg(server.port()),
                   QStringLiteral("soon")}});
    w.open(QStringLiteral("Fast"));
    QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() >= 3, 10000);
    // A refresh text that is no number falls back to the add dialog's 60 seconds.
    w.open(QStringLiteral("Word"));
    QCOMPARE(w.form->cams[1].camRefreshSecs, 60);
    w.form->show();
    w.form->imgCam_Click(1);
    w.form->timRefresh_Timer(1);
    QCOMPARE(w.form->viewer->lblNextRefresh->text(), QStringLiteral("59"));
    // Stop ends the cycle.
    w.form->cmdStop_Click(0);
    const int seen = server.requests().size();
    QTest::qWait(2500);
    QVERIFY(server.requests().size() <= seen + 1);
}

void TestForm1Fetch::saveImageWithoutSelectionExplains()
{
    TestWindow w;
    bool sawBox = false;
    QTimer::singleShot(0, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            sawBox = true;
            box->accept();
        }
    });
    w.form->cmdSave_Click();
    QVERIFY(sawBox);
    QVERIFY(savedFiles(w.folder).isEmpty());
}

void TestForm1Fetch::saveImageWritesTheShownPicture()
{
    FixedClock clock(QDateTime(QDate(2020, 1, 2), QTime(13, 5, 9)));
    TestWindow w({{QStringLiteral("Gate"), QStringLiteral("http://127.0.0.1:9/g.jpg")}});
    w.open(QStringLiteral("Gate"));
    w.deliver(0, imageResponse(jpegBytes(50, 40)));
    w.form->show();
    w.form->imgCam_Click(0);
    w.form->cmdSave_Click();
    QCOMPARE(savedFiles(w.folder), QStringList{QStringLiteral("Gate12202010509PM.jpg")});
    QVERIFY(w.form->statusText().startsWith(QStringLiteral("1:05:09 PM saved as ")));
    QVERIFY(!w.form->cams[0].camChanged);

    // The cam folder gone: a clear message and nothing written.
    QDir(w.folder.file(QStringLiteral("cam"))).removeRecursively();
    bool sawBox = false;
    QTimer::singleShot(0, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            sawBox = box->text().contains(QStringLiteral("could not be saved"));
            box->accept();
        }
    });
    w.form->cmdSave_Click();
    QVERIFY(sawBox);
}

QTEST_MAIN(TestForm1Fetch)
#include "tst_form1_fetch.moc"
