// SPDX-License-Identifier: GPL-3.0-or-later
// One camera's engine without a window: the fetch against a scripted server on loopback
// (request bytes, progress, bounds), the acceptance of responses, the Last-Modified table,
// autosave, the refresh schedule and the record of an open camera.

#include "EngineFixture.h"

#include "monitor/SlotFetchState.h"
#include "support/FixedClock.h"
#include "support/ResponseFixtures.h"
#include "support/ScriptedHttpServer.h"

#include <QDir>
#include <QImage>
#include <QTest>
#include <QSignalSpy>
#include <QTest>

using namespace fixture;

namespace {

const QString Unreachable = QStringLiteral("http://127.0.0.1:9/a.jpg");

} // namespace

class TestCameraEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void requestKeepsPathCaseAndEncodesSpaces();
    void progressFollowsTheBody();
    void withoutContentLengthTheBarKeepsItsValue();
    void responsesAreAcceptedByTheirHeader_data();
    void responsesAreAcceptedByTheirHeader();
    void unreadableBodyKeepsThePreviousPicture();
    void pictureIsDecodedForItsDisplay();
    void lastModifiedTable();
    void autosaveWritesChangedPicturesOnly();
    void failedAutosaveIsReported();
    void reusedSlotKeepsTheStoredLine();
    void newerPictureSupersedesOneStillDecoding();
    void endlessBodyIsAbandoned();
    void scheduleFollowsTheInterval_data();
    void scheduleFollowsTheInterval();
    void refreshRestartsTheCountdown();
    void unusableAddressKeepsTrying();
    void stopEndsTheCycle();
    void delayedOpeningFetchesLater();
    void editedRecordIsTakenWithoutRestart();
};

void TestCameraEngine::requestKeepsPathCaseAndEncodesSpaces()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(imageResponse(jpegBytes(8, 8))), Step::close()});
    Engine e;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Gate"), QStringLiteral("HTTP://127.0.0.1:%1/Snap Shots/Cam.JPG?User=Ann").arg(server.port()));
    // The picture arrives only after the whole request was read.
    QVERIFY(finished.wait(5000));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.lastRequest(), QByteArray("GET /Snap%20Shots/Cam.JPG?User=Ann HTTP/1.1\r\n"
                                              "Host: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n"));
    QCOMPARE(finished.first().at(0).value<CameraEngine::FetchResult>(), CameraEngine::FetchResult::Picture);
}

void TestCameraEngine::progressFollowsTheBody()
{
    const QByteArray body(2000, 'x');
    ScriptedHttpServer server;
    server.setScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 2000\r\n\r\n"),
                      Step::waitMs(300), Step::send(body.left(500)), Step::waitMs(300),
                      Step::send(body.mid(500, 1000)), Step::waitMs(300), Step::send(body.mid(1500)),
                      Step::waitMs(300), Step::close()});
    Engine e;
    QSignalSpy progress(&e.engine, &CameraEngine::progressed);
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:%1/img/yard.jpg").arg(server.port()));
    QVERIFY(finished.wait(10000));
    QCOMPARE(progress.size(), 3);
    const float values[] = {25, 75, 100};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(progress.at(i).at(0).toFloat(), values[i]);
        QVERIFY(progress.at(i).at(1).toBool());
        QCOMPARE(progress.at(i).at(2).toString(),
                 QStringLiteral("Downloading yard.jpg [%1]").arg(static_cast<int>(values[i])));
    }
}

void TestCameraEngine::withoutContentLengthTheBarKeepsItsValue()
{
    const QByteArray jpeg = jpegBytes(16, 16);
    const QByteArray full = imageResponse(jpeg);
    const qsizetype headerEnd = full.indexOf("\r\n\r\n") + 4;
    ScriptedHttpServer server;
    // The arrival that completes the header shows no progress: the body comes apart.
    server.queueScript({Step::send(full.left(headerEnd)), Step::waitMs(100), Step::send(full.mid(headerEnd)),
                        Step::close()});
    server.queueScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"), Step::waitMs(100),
                        Step::send(jpeg), Step::close()});
    Engine e;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Yard"), QStringLiteral("http://127.0.0.1:%1/y.jpg").arg(server.port()));
    QVERIFY(finished.wait(5000));
    QCOMPARE(e.engine.progressValue(), 100.0f);
    QSignalSpy progress(&e.engine, &CameraEngine::progressed);
    e.engine.refresh();
    QVERIFY(finished.wait(5000));
    QCOMPARE(server.requests().size(), 2);
    QVERIFY(progress.isEmpty());
    QCOMPARE(e.engine.progressValue(), 100.0f);
}

void TestCameraEngine::responsesAreAcceptedByTheirHeader_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<CameraEngine::FetchResult>("result");
    const QByteArray jpeg = jpegBytes(64, 48);
    QTest::newRow("picture") << imageResponse(jpeg) << CameraEngine::FetchResult::Picture;
    QTest::newRow("type in capitals") << imageResponse(jpeg, QByteArray(), "IMAGE/JPEG")
                                      << CameraEngine::FetchResult::Picture;
    QTest::newRow("error page") << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>gone</html>")
                                << CameraEngine::FetchResult::NotAPicture;
    QTest::newRow("cut before the header ended")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n") << CameraEngine::FetchResult::NotAPicture;
    QTest::newRow("nothing") << QByteArray() << CameraEngine::FetchResult::NotAPicture;
    QTest::newRow("image type, unreadable body") << imageResponse("not a picture") << CameraEngine::FetchResult::Unreadable;
}

void TestCameraEngine::responsesAreAcceptedByTheirHeader()
{
    QFETCH(QByteArray, response);
    QFETCH(CameraEngine::FetchResult, result);
    Engine e;
    e.open(QStringLiteral("A"), Unreachable);
    QVERIFY(e.engine.fetching());
    QCOMPARE(e.deliver(response), result);
    QVERIFY(!e.engine.fetching());
    QCOMPARE(e.engine.picture().isNull(), result != CameraEngine::FetchResult::Picture);
    if (result == CameraEngine::FetchResult::Picture)
        QCOMPARE(e.engine.picture().size(), QSize(64, 48));
}

void TestCameraEngine::unreadableBodyKeepsThePreviousPicture()
{
    Engine e;
    e.open(QStringLiteral("A"), Unreachable);
    const QByteArray good = jpegBytes(40, 30);
    QCOMPARE(e.deliver(imageResponse(good)), CameraEngine::FetchResult::Picture);
    QCOMPARE(e.deliver(imageResponse(good.left(good.size() / 2))), CameraEngine::FetchResult::Unreadable);
    QCOMPARE(e.engine.picture().encoded(), good);
    // A response that is not a picture keeps it too: the window shows the not-found picture.
    QCOMPARE(e.deliver("HTTP/1.1 500 Oops\r\n\r\n"), CameraEngine::FetchResult::NotAPicture);
    QCOMPARE(e.engine.picture().encoded(), good);
}

void TestCameraEngine::pictureIsDecodedForItsDisplay()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QByteArray body = jpegOf(image, 90);
    Engine e;
    CameraEngine::Display display;
    display.slotPixels = QSize(85, 61);
    e.engine.setDisplayQuery([&display] { return display; });
    e.open(QStringLiteral("A"), Unreachable);
    // A slot only: a reduced decode serves it, no full-size decode is made.
    e.deliver(imageResponse(body));
    QCOMPARE(e.engine.picture().reducedDecodeSize(), QSize(240, 135));
    QVERIFY(!e.engine.picture().hasFullDecode());
    QCOMPARE(e.engine.picture().scaledFor(display.slotPixels).size(), display.slotPixels);
    // The viewer's camera: the part the viewer shows is decoded ahead.
    display.inViewer = true;
    display.viewerArea = QRect(100, 100, 300, 200);
    e.deliver(imageResponse(body));
    QPoint origin;
    const QImage part = e.engine.picture().area(display.viewerArea, &origin);
    QVERIFY(QRect(origin, part.size()).contains(display.viewerArea));
    QVERIFY(!e.engine.picture().hasFullDecode());
}

void TestCameraEngine::lastModifiedTable()
{
    FixedClock clock(QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    Engine e;
    e.open(QStringLiteral("A"), Unreachable);
    const QByteArray jpeg = jpegBytes(8, 8);

    // First line: stored, not changed, stamped.
    e.deliver(imageResponse(jpeg, "Wed, 27 Mar 2013 03:00:00 GMT"));
    QCOMPARE(e.engine.storedLastModified(), QStringLiteral("Last-Modified: Wed, 27 Mar 2013 03:00:00 GMT"));
    QCOMPARE(e.engine.lastChanged(), QStringLiteral(" Wed, 27 Mar 2013 03:00:00 GMT"));
    QVERIFY(!e.engine.changed());
    QCOMPARE(e.engine.lastRefreshed(), QStringLiteral("3/27/2013 3:54:30 AM"));

    // Same line: nothing changes, the stamp stays.
    clock.set(QDateTime(QDate(2013, 3, 27), QTime(4, 0, 0)));
    e.deliver(imageResponse(jpeg, "Wed, 27 Mar 2013 03:00:00 GMT"));
    QVERIFY(!e.engine.changed());
    QCOMPARE(e.engine.lastRefreshed(), QStringLiteral("3/27/2013 3:54:30 AM"));

    // Another line, label in lower case: changed and stamped.
    e.deliver("HTTP/1.1 200 OK\r\ncontent-type: image/jpeg\r\nlast-modified: Wed, 27 Mar 2013 03:59:00 GMT\r\n\r\n"
              + jpeg);
    QVERIFY(e.engine.changed());
    QCOMPARE(e.engine.lastChanged(), QStringLiteral(" Wed, 27 Mar 2013 03:59:00 GMT"));
    QCOMPARE(e.engine.lastRefreshed(), QStringLiteral("3/27/2013 4:00:00 AM"));

    // No line at all: not changed, texts kept.
    e.deliver(imageResponse(jpeg));
    QVERIFY(!e.engine.changed());
    QCOMPARE(e.engine.lastChanged(), QStringLiteral(" Wed, 27 Mar 2013 03:59:00 GMT"));
}

void TestCameraEngine::autosaveWritesChangedPicturesOnly()
{
    FixedClock clock(QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    Engine e;
    e.saving.autosave = true;
    QSignalSpy saves(&e.engine, &CameraEngine::pictureSaved);
    e.open(QStringLiteral("Front Door"), Unreachable);

    e.deliver(imageResponse(jpegBytes(64, 48, Qt::red), "one"));
    e.deliver(imageResponse(jpegBytes(64, 48, Qt::blue), "one"));
    QVERIFY(e.saved().isEmpty());
    e.deliver(imageResponse(jpegBytes(64, 48, Qt::green), "two"));
    QTRY_COMPARE(saves.size(), 1);
    QCOMPARE(e.saved(), QStringList{QStringLiteral("FrontDoor327201335430AM.jpg")});
    const QString path = e.folder.file(QStringLiteral("cam/FrontDoor327201335430AM.jpg"));
    QCOMPARE(saves.first().at(2).toString(), path);
    QCOMPARE(saves.first().at(1).toDateTime(), QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    // The camera now shows the picture as saved: a JPEG of the same size.
    const QByteArray written = e.folder.read(QStringLiteral("cam/FrontDoor327201335430AM.jpg"));
    QCOMPARE(e.engine.picture().encoded(), written);
    QCOMPARE(e.engine.picture().size(), QSize(64, 48));
    QCOMPARE(saves.first().at(0).value<Picture>().encoded(), written);

    // Autosave off: dated, nothing written.
    e.saving.autosave = false;
    clock.set(QDateTime(QDate(2013, 3, 27), QTime(5, 0, 0)));
    e.deliver(imageResponse(jpegBytes(64, 48, Qt::yellow), "three"));
    QVERIFY(e.engine.changed());
    QCOMPARE(e.saved().size(), 1);

    // Two changes within one second: the second save takes a free name, the first stays.
    e.saving.autosave = true;
    e.deliver(imageResponse(jpegBytes(64, 48, Qt::magenta), "four"));
    e.deliver(imageResponse(jpegBytes(64, 48, Qt::cyan), "five"));
    QTRY_COMPARE(saves.size(), 3);
    QCOMPARE(e.saved(), (QStringList{QStringLiteral("FrontDoor327201335430AM.jpg"),
                                     QStringLiteral("FrontDoor327201350000AM.jpg"),
                                     QStringLiteral("FrontDoor327201350000AM_2.jpg")}));
    QImage first;
    QImage second;
    QVERIFY(first.load(e.folder.file(QStringLiteral("cam/FrontDoor327201350000AM.jpg"))));
    QVERIFY(second.load(e.folder.file(QStringLiteral("cam/FrontDoor327201350000AM_2.jpg"))));
    QVERIFY(qRed(first.pixel(10, 10)) > 200 && qBlue(first.pixel(10, 10)) > 200);
    QVERIFY(qRed(second.pixel(10, 10)) < 60 && qGreen(second.pixel(10, 10)) > 200);

    // An unreadable picture with a new line saves what the camera shows: the last picture.
    e.deliver(imageResponse("garbage", "six"));
    QTRY_COMPARE(saves.size(), 4);
    QCOMPARE(e.saved().size(), 4);
}

void TestCameraEngine::failedAutosaveIsReported()
{
    FixedClock clock(QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    Engine e;
    e.saving.autosave = true;
    QDir(e.saving.folder).removeRecursively();
    QSignalSpy failures(&e.engine, &CameraEngine::saveFailed);
    e.open(QStringLiteral("Gate"), Unreachable);
    const QByteArray first = jpegBytes(8, 8, Qt::red);
    e.deliver(imageResponse(first, "one"));
    e.deliver(imageResponse(jpegBytes(8, 8, Qt::blue), "two"));
    QTRY_COMPARE(failures.size(), 1);
    QCOMPARE(failures.first().at(1).toString(), e.saving.folder + QStringLiteral("/Gate327201335430AM.jpg"));
    QVERIFY(!failures.first().at(2).toString().isEmpty());
    // The camera keeps the picture it received.
    QCOMPARE(e.engine.picture().size(), QSize(8, 8));
    QVERIFY(e.engine.picture().encoded() != first);
}

void TestCameraEngine::reusedSlotKeepsTheStoredLine()
{
    Engine e;
    e.saving.autosave = true;
    e.open(QStringLiteral("A"), Unreachable);
    e.deliver(imageResponse(jpegBytes(8, 8), "line of A"));
    e.engine.stop();
    e.open(QStringLiteral("B"), Unreachable);
    QCOMPARE(e.engine.storedLastModified(), QStringLiteral("Last-Modified: line of A"));
    // The new camera shows nothing of the one before.
    QVERIFY(e.engine.picture().isNull());
    e.deliver(imageResponse(jpegBytes(8, 8), "line of B"));
    QVERIFY(e.engine.changed());
    QTRY_COMPARE(e.saved().size(), 1);
    QVERIFY(e.saved().first().startsWith(QLatin1Char('B')));
}

void TestCameraEngine::newerPictureSupersedesOneStillDecoding()
{
    Engine e;
    e.saving.autosave = true;
    e.open(QStringLiteral("Gate"), Unreachable);
    e.deliver(imageResponse(jpegBytes(8, 8), "one"));
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    QSignalSpy saves(&e.engine, &CameraEngine::pictureSaved);
    // Two changed pictures before the first is decoded: the second supersedes the first,
    // which is neither shown nor saved.
    QImage big(1920, 1080, QImage::Format_RGB32);
    big.fill(Qt::red);
    e.engine.handleResponse(imageResponse(jpegOf(big, 90), "two"));
    e.engine.handleResponse(imageResponse(jpegBytes(32, 24, Qt::blue), "three"));
    QVERIFY(finished.wait(5000));
    QTRY_COMPARE(saves.size(), 1);
    QTest::qWait(100);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(e.engine.picture().size(), QSize(32, 24));
    QCOMPARE(e.saved().size(), 1);
    // A response that is not a picture supersedes one still decoding too.
    e.engine.handleResponse(imageResponse(jpegOf(big, 90), "four"));
    e.engine.handleResponse("HTTP/1.1 404 Not Found\r\n\r\n");
    QTest::qWait(300);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.last().at(0).value<CameraEngine::FetchResult>(), CameraEngine::FetchResult::NotAPicture);
    QCOMPARE(e.engine.picture().size(), QSize(32, 24));
}

void TestCameraEngine::endlessBodyIsAbandoned()
{
    ScriptedServerThread server;
    server.setScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"), Step::stream(-1)});
    Engine e;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Flood"), server.url(QStringLiteral("/f.jpg")));
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().at(0).value<CameraEngine::FetchResult>(), CameraEngine::FetchResult::NotAPicture);
    // The bound was reached, not more: the connection was dropped on our side.
    QTRY_COMPARE(server.peerClosedCount(), 1);
    QVERIFY(server.bytesSent() >= MaxResponseBytes);
}

void TestCameraEngine::scheduleFollowsTheInterval_data()
{
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<int>("ticksToFetch");
    QTest::addColumn<QStringList>("countdown"); // after each tick before the fetch
    QTest::newRow("3 seconds") << QStringLiteral("3") << 3 << QStringList{QStringLiteral("2"), QStringLiteral("1")};
    QTest::newRow("halves round to even: 4.5 is 4") << QStringLiteral("4.5") << 4
                                                     << QStringList{QStringLiteral("3.5"), QStringLiteral("2.5"),
                                                                    QStringLiteral("1.5")};
    QTest::newRow("5.5 is 6") << QStringLiteral("5.5") << 6
                              << QStringList{QStringLiteral("4.5"), QStringLiteral("3.5"), QStringLiteral("2.5"),
                                             QStringLiteral("1.5"), QStringLiteral("0.5")};
    QTest::newRow("0 fetches every tick") << QStringLiteral("0") << 1 << QStringList{};
    QTest::newRow("no number: the default 60") << QStringLiteral("soon") << 60 << QStringList{QStringLiteral("59")};
}

void TestCameraEngine::scheduleFollowsTheInterval()
{
    QFETCH(QString, refresh);
    QFETCH(int, ticksToFetch);
    QFETCH(QStringList, countdown);
    Engine e;
    QSignalSpy starts(&e.engine, &CameraEngine::fetchStarted);
    QSignalSpy ticks(&e.engine, &CameraEngine::ticked);
    e.open(QStringLiteral("A"), Unreachable, refresh);
    QCOMPARE(starts.size(), 1);
    for (int tick = 1; tick < ticksToFetch; ++tick) {
        e.engine.tick();
        QCOMPARE(starts.size(), 1);
        if (tick <= countdown.size())
            QCOMPARE(e.engine.nextRefreshText(), countdown.at(tick - 1));
    }
    e.engine.tick();
    QCOMPARE(starts.size(), 2);
    QCOMPARE(ticks.size(), ticksToFetch);
    // The countdown restarts with the fetch, counted from its start.
    QCOMPARE(e.engine.elapsedSeconds(), 0);
}

void TestCameraEngine::refreshRestartsTheCountdown()
{
    Engine e;
    QSignalSpy starts(&e.engine, &CameraEngine::fetchStarted);
    e.open(QStringLiteral("A"), Unreachable, QStringLiteral("30"));
    for (int i = 0; i < 10; ++i)
        e.engine.tick();
    e.engine.refresh();
    QCOMPARE(starts.size(), 2);
    // The next automatic fetch comes 30 seconds after the refresh, not 20.
    for (int i = 0; i < 29; ++i)
        e.engine.tick();
    QCOMPARE(starts.size(), 2);
    QCOMPARE(e.engine.nextRefreshText(), QStringLiteral("1"));
    e.engine.tick();
    QCOMPARE(starts.size(), 3);
}

void TestCameraEngine::unusableAddressKeepsTrying()
{
    Engine e;
    QSignalSpy starts(&e.engine, &CameraEngine::fetchStarted);
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    // A bare host has no path: no connection is made, the indicator stays and the timer
    // tries again at the next interval.
    e.open(QStringLiteral("A"), QStringLiteral("http://127.0.0.1"), QStringLiteral("1"));
    QCOMPARE(starts.size(), 1);
    QVERIFY(e.engine.fetching());
    QCOMPARE(e.engine.caption(), QStringLiteral("A"));
    QVERIFY(starts.wait(3000));
    QVERIFY(finished.isEmpty());
}

void TestCameraEngine::stopEndsTheCycle()
{
    Engine e;
    QCOMPARE(e.engine.caption(), CameraEngine::NeverOpenedCaption);
    QSignalSpy stopped(&e.engine, &CameraEngine::stopped);
    QSignalSpy starts(&e.engine, &CameraEngine::fetchStarted);
    e.open(QStringLiteral("A"), Unreachable, QStringLiteral("1"));
    QVERIFY(e.engine.isOpen());
    e.engine.stop();
    QCOMPARE(stopped.size(), 1);
    QVERIFY(!e.engine.isOpen());
    QVERIFY(!e.engine.fetching());
    QCOMPARE(e.engine.caption(), CameraEngine::StoppedCaption);
    // The timer stopped with it.
    QTest::qWait(1500);
    QCOMPARE(starts.size(), 1);
}

void TestCameraEngine::delayedOpeningFetchesLater()
{
    // Open at once (its caption is taken), first fetch after the delay; a stop or a refresh
    // within the delay decides instead.
    Engine e;
    QSignalSpy starts(&e.engine, &CameraEngine::fetchStarted);
    e.engine.open({QStringLiteral("A"), Unreachable, QStringLiteral("60")}, 300);
    QVERIFY(e.engine.isOpen());
    QCOMPARE(e.engine.caption(), QStringLiteral("A"));
    QVERIFY(!e.engine.fetching());
    QTest::qWait(100);
    QCOMPARE(starts.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(starts.size(), 1, 2000);
    QVERIFY(e.engine.fetching());

    e.engine.stop();
    e.engine.open({QStringLiteral("A"), Unreachable, QStringLiteral("60")}, 200);
    e.engine.stop();
    e.engine.open({QStringLiteral("B"), Unreachable, QStringLiteral("60")}, 200);
    e.engine.refresh();
    QCOMPARE(starts.size(), 2);
    QTest::qWait(400);
    QCOMPARE(starts.size(), 2);
}

void TestCameraEngine::editedRecordIsTakenWithoutRestart()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(imageResponse(jpegBytes(8, 8))), Step::close()});
    Engine e;
    QSignalSpy starts(&e.engine, &CameraEngine::fetchStarted);
    e.open(QStringLiteral("Garden"), Unreachable, QStringLiteral("30"));
    e.engine.tick();
    e.engine.updateRecord({QStringLiteral("Yard"), server.url(QStringLiteral("/yard.jpg")), QStringLiteral("5")});
    QCOMPARE(e.engine.caption(), QStringLiteral("Yard"));
    QCOMPARE(starts.size(), 1);
    // The running interval stays; the countdown shows the new text, the next fetch the new
    // address and interval.
    QCOMPARE(e.engine.refreshSeconds(), 30);
    QCOMPARE(e.engine.nextRefreshText(), QStringLiteral("4"));
    e.engine.refresh();
    QCOMPARE(e.engine.refreshSeconds(), 5);
    QTRY_COMPARE(server.requests().size(), 1);
    QVERIFY(server.lastRequest().startsWith("GET /yard.jpg "));
}

QTEST_GUILESS_MAIN(TestCameraEngine)
#include "tst_cameraengine.moc"
