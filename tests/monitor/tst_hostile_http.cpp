// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against servers that misbehave at the HTTP level: connections reset or
// cut, bytes that are not HTTP, lying Content-Length lines, malformed chunked bodies,
// servers that never answer or answer a byte at a time, floods, and hosts that cannot
// be reached, on one slot or on all 24 at once.

#include "HostileRig.h"

#include "platform/SlotSocket.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include <QUrl>

Q_DECLARE_METATYPE(Script)

using namespace fixture;
using namespace hostile;

namespace {

const QByteArray JpegHead = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n";
const QByteArray ChunkedHead = JpegHead + "Transfer-Encoding: chunked\r\n\r\n";
const QSize ShownSize(40, 30);

// The picture the hostile responses carry, 40 x 30 (the first picture is 64 x 48).
QByteArray hostilePicture()
{
    return jpegBytes(ShownSize.width(), ShownSize.height(), Qt::blue);
}

QByteArray contentLengthHead(const QByteArray &lines)
{
    return JpegHead + lines + "\r\n";
}

QByteArray chunk(const QByteArray &data, const QByteArray &sizeLine = QByteArray())
{
    return (sizeLine.isEmpty() ? QByteArray::number(data.size(), 16) : sizeLine) + "\r\n" + data + "\r\n";
}

// `size` bytes that hold no CR LF CR LF (a fixed pseudo-random sequence).
QByteArray binaryNoise(int size)
{
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>((state >> 16) & 0xFF);
        if (byte == '\n')
            byte = 'n';
    }
    return bytes;
}

// A port on 127.0.0.1 that nobody listens on: bound by the system, then released.
quint16 unusedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// A 2 x 2 BMP of 70 bytes.
QByteArray tinyBmp()
{
    QImage image(2, 2, QImage::Format_RGB888);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

class TestHostileHttp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void brokenConnections_data();
    void brokenConnections();
    void contentLength_data();
    void contentLength();
    void chunkedBodies_data();
    void chunkedBodies();
    void silentServer_data();
    void silentServer();
    void oneByteAtATime();
    void floods_data();
    void floods();
    void unreachableHostsOnAllSlots_data();
    void unreachableHostsOnAllSlots();
    void unresolvableHostName();

private:
    // Plays one hostile response as the second fetch of a slot whose first picture
    // arrived, then checks the outcome and, when `status` is not null, the status text.
    void playSecondFetch(const QString &status = QString());
};

void TestHostileHttp::playSecondFetch(const QString &status)
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    QFETCH(Ending, ending);
    QFETCH(Outcome, outcome);

    Rig rig;
    QVERIFY(rig.openWithFirstPicture());
    rig.server.queueScript(responseScript(head, tail, ending));
    rig.w.window->setStatusText(QString());
    {
        LoopGap gap;
        QVERIFY(rig.refreshAndWait());
    }
    QCOMPARE(rig.server.connectionCount(), 2);
    verifyOutcome(rig, outcome, ShownSize);
    if (!status.isNull())
        QCOMPARE(rig.w.window->statusText(), status);
}

void TestHostileHttp::brokenConnections_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<Outcome>("outcome");

    const QByteArray picture = hostilePicture();
    const QByteArray header
        = contentLengthHead("Content-Length: " + QByteArray::number(picture.size()) + "\r\n");
    const QByteArray partialHeader = JpegHead + "Content-Le";

    // A reset once connected ends the fetch as the server's close does.
    QTest::newRow("reset before the header")
        << QByteArray() << QByteArray() << Ending::Reset << Outcome::NotFound;
    QTest::newRow("reset inside the header")
        << partialHeader << QByteArray() << Ending::Reset << Outcome::NotFound;
    QTest::newRow("reset inside the body")
        << header << picture.left(picture.size() / 2) << Ending::Reset << Outcome::Kept;
    QTest::newRow("closed before the header")
        << QByteArray() << QByteArray() << Ending::Close << Outcome::NotFound;
    QTest::newRow("closed inside the header")
        << partialHeader << QByteArray() << Ending::Close << Outcome::NotFound;
    QTest::newRow("closed inside the body")
        << header << picture.left(picture.size() / 2) << Ending::Close << Outcome::Kept;
    QTest::newRow("not HTTP: binary noise")
        << binaryNoise(4096) << QByteArray() << Ending::Close << Outcome::NotFound;
    QTest::newRow("not HTTP: another protocol's greeting")
        << QByteArray("SSH-2.0-OpenSSH_9.2p1\r\n") << QByteArray() << Ending::Close << Outcome::NotFound;
    QTest::newRow("not HTTP: an empty line, then noise")
        << QByteArray("\r\n\r\n") << binaryNoise(512) << Ending::Close << Outcome::NotFound;
    // No status line is required: any header naming "image/" is a picture's.
    QTest::newRow("no status line, image/ before an empty line")
        << QByteArray("garbage image/png garbage\r\n\r\n") << picture << Ending::Close << Outcome::Shown;
}

void TestHostileHttp::brokenConnections()
{
    playSecondFetch();
}

void TestHostileHttp::contentLength_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("status");

    const QByteArray picture = hostilePicture();
    const QByteArray n = QByteArray::number(picture.size());
    const QByteArray twice = QByteArray::number(2 * picture.size());
    const qsizetype half = picture.size() / 2;

    // A length that is not a usable 32-bit number shows no progress; the picture counts.
    QTest::newRow("negative") << contentLengthHead("Content-Length: -5\r\n") << picture << Ending::Close
                              << Outcome::Shown << QString();
    QTest::newRow("beyond 64 bits") << contentLengthHead("Content-Length: 99999999999999999999\r\n")
                                    << picture << Ending::Close << Outcome::Shown << QString();
    // 2^32 + 1 would read as 1 if cut to 32 bits.
    QTest::newRow("beyond 32 bits") << contentLengthHead("Content-Length: 4294967297\r\n") << picture
                                    << Ending::Close << Outcome::Shown << QString();
    QTest::newRow("not a number") << contentLengthHead("Content-Length: 12abc\r\n") << picture
                                  << Ending::Close << Outcome::Shown << QString();
    // The first line wins.
    QTest::newRow("repeated, the first one true")
        << contentLengthHead("Content-Length: " + n + "\r\nContent-Length: " + twice + "\r\n") << picture
        << Ending::Close << Outcome::Shown << QStringLiteral("Downloading cam.jpg [100]");
    QTest::newRow("repeated, the first one twice the body")
        << contentLengthHead("Content-Length: " + twice + "\r\nContent-Length: " + n + "\r\n") << picture
        << Ending::Close << Outcome::Shown << QStringLiteral("Downloading cam.jpg [50]");
    // The announced length neither cuts nor waits for the body: the server's close ends it.
    QTest::newRow("twice the body, the whole picture sent")
        << contentLengthHead("Content-Length: " + twice + "\r\n") << picture << Ending::Close
        << Outcome::Shown << QStringLiteral("Downloading cam.jpg [50]");
    QTest::newRow("larger than the body, closed early")
        << contentLengthHead("Content-Length: " + QByteArray::number(2 * half) + "\r\n") << picture.left(half)
        << Ending::Close << Outcome::Kept << QStringLiteral("Downloading cam.jpg [50]");
    // 200 percent is refused by the bar, which stays where it was (0).
    QTest::newRow("half the body") << contentLengthHead("Content-Length: " + QByteArray::number(half)
        + "\r\n") << picture << Ending::Close
                                   << Outcome::Shown << QStringLiteral("Downloading cam.jpg [0]");
}

void TestHostileHttp::contentLength()
{
    QFETCH(QString, status);
    playSecondFetch(status);
}

void TestHostileHttp::chunkedBodies_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<Outcome>("outcome");

    const QByteArray picture = hostilePicture();
    const QByteArray a = picture.left(picture.size() / 2);
    const QByteArray b = picture.mid(a.size());
    QByteArray pieces;
    for (qsizetype at = 0; at < picture.size(); at += 100)
        pieces += chunk(picture.mid(at, 100));

    QTest::newRow("in pieces") << ChunkedHead << pieces + "0\r\n\r\n" << Ending::Close << Outcome::Shown;
    QTest::newRow("extensions") << ChunkedHead
                                << chunk(a, QByteArray::number(a.size(), 16) + ";name=value")
            + chunk(b, QByteArray::number(b.size(), 16) + " ;a=1;b=\"x y\"") + "0;last\r\n\r\n"
                                << Ending::Close << Outcome::Shown;
    QTest::newRow("trailers") << ChunkedHead
                              << chunk(a) + chunk(b) + "0\r\nX-Checksum: 1234\r\nExpires: 0\r\n\r\n"
                              << Ending::Close << Outcome::Shown;
    QTest::newRow("no final chunk") << ChunkedHead << chunk(a) + chunk(b) << Ending::Close << Outcome::Shown;
    QTest::newRow("no final chunk, cut inside a chunk")
        << ChunkedHead << chunk(a) + QByteArray::number(b.size(), 16) + "\r\n" + b.left(b.size() / 2)
        << Ending::Close << Outcome::Kept;
    // A size too large for 64 bits takes the rest of the body; wrapped round, 2^64 would
    // read as the final chunk and 2^64 + 16 as a chunk of 16 bytes.
    QTest::newRow("size 2^64") << ChunkedHead << chunk(a) + "10000000000000000\r\n" + b + "\r\n0\r\n\r\n"
                               << Ending::Close << Outcome::Shown;
    QTest::newRow("size 2^64 + 16") << ChunkedHead << chunk(a) + "10000000000000010\r\n" + b + "\r\n0\r\n\r\n"
                                    << Ending::Close << Outcome::Shown;
    QTest::newRow("size of 40 hex digits")
        << ChunkedHead << chunk(a) + QByteArray(40, 'f') + "\r\n" + b << Ending::Close << Outcome::Shown;
    // A size that is not hexadecimal ends the data: half a picture is unreadable.
    QTest::newRow("negative size") << ChunkedHead
                                   << chunk(a) + chunk(b, "-" + QByteArray::number(b.size(), 16))
            + "0\r\n\r\n" << Ending::Close
                                   << Outcome::Kept;
    QTest::newRow("size not hexadecimal") << ChunkedHead << chunk(a) + chunk(b, "zz") + "0\r\n\r\n"
                                          << Ending::Close << Outcome::Kept;
    QTest::newRow("reset inside a chunk")
        << ChunkedHead << chunk(a) + "ffff\r\n" + b.left(10) << Ending::Reset << Outcome::Kept;
}

void TestHostileHttp::chunkedBodies()
{
    playSecondFetch();
}

void TestHostileHttp::silentServer_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("next timer tick") << QStringLiteral("tick");
    QTest::newRow("Refresh") << QStringLiteral("refresh");
    QTest::newRow("Stop") << QStringLiteral("stop");
}

// A server that accepts and never answers holds the fetch until the next fetch start or
// the stop, which drop its connection.
void TestHostileHttp::silentServer()
{
    QFETCH(QString, action);
    const QByteArray picture = hostilePicture();
    Rig rig(action == QLatin1String("tick") ? QStringLiteral("1") : QStringLiteral("60"));
    rig.server.queueScript({Step::hang()});
    rig.server.setScript({Step::send(imageResponse(picture)), Step::close()});
    LoopGap gap;
    rig.w.open(QStringLiteral("Cam"));
    // The request was read and nothing comes back: the fetch is pending.
    QTRY_VERIFY(rig.server.requests().value(0).endsWith("\r\n\r\n"));
    QVERIFY(rig.indicatorShown());
    QVERIFY(!rig.picture()->hasPicture());

    if (action == QLatin1String("stop")) {
        control<QToolButton>(rig.w.window.get(), "cmdStop", 0)->click();
        QTRY_COMPARE(rig.server.peerClosedCount(), 1);
        QCOMPARE(rig.w.openSlotCount(), 0);
        QVERIFY(!rig.camera()->isOpen());
        QVERIFY(!rig.indicatorShown());
        // The slot opens again and fetches normally.
        rig.w.open(QStringLiteral("Cam"));
    } else if (action == QLatin1String("refresh")) {
        rig.camera()->refresh();
    }
    // "tick": the timer, still running during the fetch, starts the next one itself.
    QTRY_COMPARE_WITH_TIMEOUT(rig.picture()->picture().size(), ShownSize, 20000);
    verifyOutcome(rig, Outcome::Shown, ShownSize);
    QVERIFY(rig.server.connectionCount() >= 2);
    // The silent connection was dropped by the slot, not left open beside the new one.
    QTRY_COMPARE(rig.server.peerClosedCount(), 1);
}

void TestHostileHttp::oneByteAtATime()
{
    const QByteArray bmp = tinyBmp();
    QCOMPARE(bmp.size(), 70);
    const QByteArray response = imageResponse(bmp, QByteArray(), "image/bmp");
    Rig rig(QStringLiteral("60"), QStringLiteral("/drip.bmp"));
    rig.server.setScript({Step::drip(response, 100), Step::close()});
    LoopGap gap;
    rig.w.open(QStringLiteral("Cam"));
    // Progress follows the body byte by byte: 1/70 is the first step the bar takes.
    QTRY_VERIFY_WITH_TIMEOUT(rig.camera()->progressValue() > 0.0f && rig.camera()->progressValue() < 100.0f, 20000);
    QVERIFY(rig.indicatorShown());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.indicatorShown(), 30000);
    verifyOutcome(rig, Outcome::Shown, QSize(2, 2));
    QCOMPARE(control<QProgressBar>(rig.w.window.get(), "prgCam", 0)->value(), 100);
    QCOMPARE(rig.w.window->statusText(), QStringLiteral("Downloading drip.bmp [100]"));
    QCOMPARE(rig.server.connectionCount(), 1);
}

void TestHostileHttp::floods_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<qint64>("total");
    const qint64 body = qint64(200) * 1000 * 1000;
    QTest::newRow("200 MB body") << Script {
        Step::send(JpegHead + "Content-Length: " + QByteArray::number(body) + "\r\n\r\n"), Step::stream(body),
        Step::close()} << body;
    // Header lines without end, never an empty line.
    QTest::newRow("header without end") << Script {Step::send(JpegHead),
        Step::repeat("X-Filler: abcdefghijklmnopqrstuvwxyz\r\n", body), Step::close()}
                                        << body;
}

// A response beyond the 64 MiB bound is abandoned there and counts as not a picture; the
// window goes on working.
void TestHostileHttp::floods()
{
    QFETCH(Script, script);
    QFETCH(qint64, total);
    Rig rig;
    QVERIFY(rig.openWithFirstPicture());
    rig.server.queueScript(script);
    {
        LoopGap gap;
        QVERIFY(rig.refreshAndWait(120000));
    }
    verifyOutcome(rig, Outcome::NotFound);
    // Ended by the bound, not by the server: the slot dropped the connection: the server stopped long before the end.
    QTRY_COMPARE(rig.server.peerClosedCount(), 1);
    QVERIFY2(rig.server.bytesSent() < total, qPrintable(QString::number(rig.server.bytesSent())));
    QVERIFY(rig.server.bytesSent() > MaxResponseBytes);

    // The next fetch of the slot is an ordinary one.
    const QByteArray picture = hostilePicture();
    rig.server.queueScript({Step::send(imageResponse(picture)), Step::close()});
    QVERIFY(rig.refreshAndWait());
    verifyOutcome(rig, Outcome::Shown, ShownSize);
}

void TestHostileHttp::unreachableHostsOnAllSlots_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("refused") << QStringLiteral("127.0.0.1") << int(unusedPort());
    // A label of 64 letters makes no valid host name: it fails before any lookup, so that
    // this case sends nothing to a name server (unresolvableHostName() asks one).
    QTest::newRow("unresolvable") << QString(64, QLatin1Char('n')) + QStringLiteral(".invalid") << 80;
}

// All 24 slots fetch on every tick (interval 0) from addresses that never connect.
// Failures report nothing: indicators stay shown, no picture arrives; the window answers
// and the descriptors stay bounded.
void TestHostileHttp::unreachableHostsOnAllSlots()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QVERIFY(port > 0);
    if (host.endsWith(QLatin1String(".invalid")))
        QVERIFY(QUrl::toAce(host).isEmpty());
    const QString address = QStringLiteral("http://%1:%2/x.jpg").arg(host).arg(port);
    QList<Camera> cameras;
    for (int i = 0; i < MainWindow::SlotCount; ++i)
        cameras.append(
            {QStringLiteral("Cam%1").arg(i, 2, 10, QLatin1Char('0')), address, QStringLiteral("0")});
    ScriptedServerThread good;
    cameras.append({QStringLiteral("Good"), good.url(QStringLiteral("/good.jpg")), QStringLiteral("60")});
    TestWindow w(cameras);
    w.window->show();
    const int before = openDescriptorCount();

    int peak = before;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, [&peak] { peak = std::max(peak, openDescriptorCount()); });
    sampler.start(50);
    {
        LoopGap gap;
        for (int i = 0; i < MainWindow::SlotCount; ++i)
            w.open(cameras[i].name);
        QCOMPARE(w.openSlotCount(), MainWindow::SlotCount);
        // Twenty-four fetch starts per second for five seconds (each closes the attempt before).
        QTest::qWait(5000);
        for (int i = 0; i < MainWindow::SlotCount; ++i) {
            QVERIFY(w.camera(i)->isOpen());
            QVERIFY(w.camera(i)->fetching());
            QVERIFY(w.indicatorShown(i));
            QVERIFY(!w.slotPicture(i)->hasPicture());
            QCOMPARE(w.camera(i)->elapsedSeconds(), 0); // every tick starts a fetch, which restarts the count
        }
        control<QPushButton>(w.window.get(), "cmdStopAll")->click();
    }
    sampler.stop();
    QCOMPARE(w.openSlotCount(), 0);
    // A few descriptors per slot at a time at most (a descriptor lost per fetch start would
    // add 24 a second, 120 over the run), and none left once the slots are stopped.
    qInfo("descriptors before=%d peak=%d", before, peak);
    QVERIFY2(peak <= before + 3 * MainWindow::SlotCount + 16,
        qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(peak)));
    QTRY_VERIFY2(openDescriptorCount() <= before + 4,
        qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(openDescriptorCount())));

    // The window still works: a camera opens into slot 0 and shows its picture.
    const QByteArray picture = hostilePicture();
    good.setScript({Step::send(imageResponse(picture)), Step::close()});
    w.open(QStringLiteral("Good"));
    QTRY_COMPARE_WITH_TIMEOUT(w.slotPicture(0)->picture().size(), ShownSize, 20000);
}

// One slot whose host name the resolver does not know, fetched every second: each start
// drops the lookup before, nothing is reported, the slot goes on.
void TestHostileHttp::unresolvableHostName()
{
    TestWindow w({{QStringLiteral("Nowhere"), QStringLiteral("http://nonexistent.invalid/x.jpg"),
        QStringLiteral("1")}});
    w.window->show();
    const int before = openDescriptorCount();
    QSignalSpy starts(w.camera(0), &CameraEngine::fetchStarted);
    {
        LoopGap gap;
        w.open(QStringLiteral("Nowhere"));
        QTest::qWait(2500);
    }
    QVERIFY(starts.size() >= 2);
    QVERIFY(w.camera(0)->isOpen());
    QVERIFY(w.indicatorShown(0));
    QVERIFY(!w.slotPicture(0)->hasPicture());
    control<QToolButton>(w.window.get(), "cmdStop", 0)->click();
    QTRY_VERIFY(openDescriptorCount() <= before + 4);
}

QTEST_MAIN(TestHostileHttp)
#include "tst_hostile_http.moc"
