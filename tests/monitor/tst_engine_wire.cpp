// SPDX-License-Identifier: GPL-3.0-or-later
// A camera's fetch over what a camera server may do on the wire: https with a test
// authority, a port in the address, and a chunked body arriving in pieces.

#include "EngineFixture.h"

#include "platform/SlotSocket.h"
#include "support/ResponseFixtures.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestCertificates.h"

#include <QNetworkProxy>
#include <QSslSocket>
#include <QTest>

using namespace fixture;

namespace {

// `piece` with "%1".."%3" replaced by the parts and "%s1".."%s3" ("%S1"..) by their
// sizes in lower-case (upper-case) hex. Only the template is scanned, never the parts.
QByteArray expandPiece(const QByteArray &piece, const QByteArray (&parts)[3])
{
    QByteArray out;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (piece[i] != '%' || i + 1 >= piece.size()) {
            out += piece[i];
            continue;
        }
        const char kind = piece[i + 1];
        const bool size = (kind == 's' || kind == 'S') && i + 2 < piece.size();
        const int k = (size ? piece[i + 2] : kind) - '1';
        if (k < 0 || k > 2) {
            out += piece[i];
            continue;
        }
        if (size) {
            const QByteArray hex = QByteArray::number(parts[k].size(), 16);
            out += kind == 'S' ? hex.toUpper() : hex;
            i += 2;
        } else {
            out += parts[k];
            i += 1;
        }
    }
    return out;
}

// A loopback port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestEngineWire : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup();
    void httpsCamera_data();
    void httpsCamera();
    void portInTheAddress_data();
    void portInTheAddress();
    void portTextThatIsNoNumber_data();
    void portTextThatIsNoNumber();
    void chunkedBodyInPieces_data();
    void chunkedBodyInPieces();
};

void TestEngineWire::cleanup()
{
    SlotSocket::setTrustedCaCertificates({});
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void TestEngineWire::httpsCamera_data()
{
    QTest::addColumn<QString>("server");     // "tls" or "none"
    QTest::addColumn<QStringList>("names");  // the server certificate's names
    QTest::addColumn<bool>("trusted");       // the test authority added
    QTest::addColumn<bool>("shown");
    const QStringList loopback{QStringLiteral("DNS:localhost"), QStringLiteral("IP:127.0.0.1")};
    QTest::newRow("authority trusted") << "tls" << loopback << true << true;
    QTest::newRow("authority not trusted") << "tls" << loopback << false << false;
    QTest::newRow("certificate for another host") << "tls" << QStringList{QStringLiteral("DNS:camera.example")}
                                                  << true << false;
    // What the failures above must look like.
    QTest::newRow("connection refused") << "none" << QStringList() << true << false;
}

void TestEngineWire::httpsCamera()
{
    QFETCH(QString, server);
    QFETCH(QStringList, names);
    QFETCH(bool, trusted);
    QFETCH(bool, shown);
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");

    const QByteArray jpeg = jpegBytes(48, 36);
    ScriptedHttpServer tls;
    quint16 port = closedPort();
    std::unique_ptr<TestCertificates> certs;
    if (server == QLatin1String("tls")) {
        certs = std::make_unique<TestCertificates>(names);
        QVERIFY2(certs->isValid(), qPrintable(certs->errorString()));
        tls.setTlsConfiguration(certs->serverConfiguration());
        tls.setScript({Step::send(imageResponse(jpeg)), Step::close()});
        port = tls.port();
        if (trusted)
            SlotSocket::addTrustedCaCertificates({certs->caCertificate()});
    }

    Engine e;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    QSignalSpy progress(&e.engine, &CameraEngine::progressed);
    e.open(QStringLiteral("Vault"), QStringLiteral("https://127.0.0.1:%1/cam.jpg").arg(port));

    if (shown) {
        QCOMPARE(Engine::waitForResult(finished, 20000), CameraEngine::FetchResult::Picture);
        QCOMPARE(e.engine.picture().encoded(), jpeg);
        QCOMPARE(tls.lastRequest(), QByteArray("GET /cam.jpg HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                               "Connection: close\r\nAccept: */*\r\n\r\n"));
        return;
    }
    if (server == QLatin1String("tls"))
        QTRY_COMPARE_WITH_TIMEOUT(tls.handshakeFailures(), 1, 20000);
    // Whatever the failed attempt reports has arrived by then.
    QTest::qWait(200);
    // Ended as a refused connection ends: still fetching, no picture, no progress, and no
    // request went out.
    QVERIFY(e.engine.fetching());
    QVERIFY(finished.isEmpty());
    QVERIFY(progress.isEmpty());
    QVERIFY(e.engine.picture().isNull());
    QVERIFY(tls.lastRequest().isEmpty());
    // The next start tries again.
    if (server == QLatin1String("tls")) {
        e.engine.refresh();
        QTRY_COMPARE_WITH_TIMEOUT(tls.handshakeFailures(), 2, 20000);
    }
}

void TestEngineWire::portInTheAddress_data()
{
    QTest::addColumn<QString>("address");  // %1 is the server's port
    QTest::addColumn<QByteArray>("requestLine");
    QTest::newRow("host, port, path") << "http://127.0.0.1:%1/snap/cam.jpg"
                                      << QByteArray("GET /snap/cam.jpg HTTP/1.1");
    QTest::newRow("no scheme") << "127.0.0.1:%1/cam.jpg" << QByteArray("GET /cam.jpg HTTP/1.1");
    QTest::newRow("port with leading zeros, query") << "HTTP://127.0.0.1:0%1/cam.cgi?res=Hi"
                                                    << QByteArray("GET /cam.cgi?res=Hi HTTP/1.1");
}

void TestEngineWire::portInTheAddress()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, requestLine);
    const QByteArray jpeg = jpegBytes(20, 10);
    ScriptedHttpServer server;
    server.setScript({Step::send(imageResponse(jpeg)), Step::close()});
    Engine e;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Dock"), address.arg(server.port()));
    QCOMPARE(Engine::waitForResult(finished, 20000), CameraEngine::FetchResult::Picture);
    QCOMPARE(e.engine.picture().encoded(), jpeg);
    QCOMPARE(server.requests().size(), 1);
    // The Host line names the host alone, without the port.
    QCOMPARE(server.lastRequest(), requestLine + "\r\nHost: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n");
}

void TestEngineWire::portTextThatIsNoNumber_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("host");
    QTest::newRow("letters") << "http://camera:abc/cam.jpg" << "camera";
    QTest::newRow("digits then letters") << "http://camera:80a81/x/y.jpg" << "camera";
    QTest::newRow("empty") << "http://camera:/cam.jpg" << "camera";
    QTest::newRow("above 65535") << "camera:70000/cam.jpg" << "camera";
    QTest::newRow("name in capitals") << "http://CAMERA:cam/Cam.jpg" << "camera";
}

void TestEngineWire::portTextThatIsNoNumber()
{
    QFETCH(QString, address);
    QFETCH(QString, host);
    // Nothing is to reach port 80 of any host: connections go through a proxy on
    // loopback, which reads where the slot asked to go and answers nothing.
    ScriptedHttpServer proxy;
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.port()));

    Engine e;
    e.open(QStringLiteral("Shed"), address);
    QTRY_COMPARE_WITH_TIMEOUT(proxy.requests().size(), 1, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(proxy.lastRequest().endsWith("\r\n\r\n"), 20000);
    QVERIFY2(proxy.lastRequest().startsWith("CONNECT " + host.toLatin1() + ":80 "), proxy.lastRequest().constData());
    e.engine.stop();
}

void TestEngineWire::chunkedBodyInPieces_data()
{
    // The body after the header, one send per piece; "%1".."%3" stand for the three
    // thirds of the JPEG, "%s1".."%s3" ("%S1"..) for their sizes in hex.
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("transferEncoding");
    QTest::newRow("one chunk per arrival")
        << QList<QByteArray>{"%s1\r\n%1\r\n", "%s2\r\n%2\r\n", "%s3\r\n%3\r\n", "0\r\n\r\n"} << QByteArray("chunked");
    QTest::newRow("size lines and data split across arrivals")
        << QList<QByteArray>{"%s1", "\r\n%1", "\r", "\n%s2\r\n%2\r\n%s3\r", "\n%3\r\n0\r\n", "\r\n"}
        << QByteArray("chunked");
    QTest::newRow("extensions, upper-case hex, trailer, letter case")
        << QList<QByteArray>{"%S1;name=value\r\n%1\r\n", "%S2 \r\n%2\r\n%S3\r\n%3\r\n",
                             "0\r\nX-Checksum: none\r\n\r\n"}
        << QByteArray("Chunked");
}

void TestEngineWire::chunkedBodyInPieces()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, transferEncoding);
    const QByteArray jpeg = jpegBytes(120, 90, Qt::darkGreen);
    const qsizetype third = jpeg.size() / 3;
    const QByteArray parts[3] = {jpeg.left(third), jpeg.mid(third, third), jpeg.mid(2 * third)};
    Script script{Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nTransfer-Encoding: " + transferEncoding
                             + "\r\n\r\n"),
                  Step::waitMs(50)};
    for (const QByteArray &piece : pieces)
        script << Step::send(expandPiece(piece, parts)) << Step::waitMs(50);
    script << Step::close();
    ScriptedHttpServer server;
    server.setScript(script);

    Engine e;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Pier"), server.url(QStringLiteral("/pier.jpg")));
    QCOMPARE(Engine::waitForResult(finished, 20000), CameraEngine::FetchResult::Picture);
    QCOMPARE(server.finishedScripts(), 1);
    QCOMPARE(e.engine.picture().encoded(), jpeg);
    QCOMPARE(e.engine.picture().size(), QSize(120, 90));
}

QTEST_GUILESS_MAIN(TestEngineWire)
#include "tst_engine_wire.moc"
