// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SlotSocket.h"

#include "support/ScriptedHttpServer.h"
#include "support/TestCertificates.h"

#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QThread>

#include <algorithm>

#include <functional>

namespace {

const QByteArray kRequest = "GET /pic.jpg HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n";
constexpr int kWaitMs = 20000;

QByteArray digits(qint64 size)
{
    QByteArray bytes(size, '0');
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('0' + i % 10);
    return bytes;
}

QByteArray header(qint64 contentLength)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(contentLength)
        + "\r\n\r\n";
}

// Plays the slot's owner: sends the request on connect, takes every arrival, records
// the order of the events and whether each event kept the socket's promises.
class Owner : public QObject
{
public:
    explicit Owner(SlotSocket *socket, int skipReads = 0)
        : m_socket(socket)
        , m_skipReads(skipReads)
    {
        connect(socket, &SlotSocket::connected, this, [this](int index) {
            record("connect", index);
            m_socket->send(kRequest);
            if (onConnect)
                onConnect();
        });
        connect(socket, &SlotSocket::dataArrived, this, [this](int index, qint32 count) {
            record("data", index);
            if (++m_depth > 1)
                nested = true;
            if (count <= 0 || count != m_socket->bytesAvailable())
                wrongCount = true;
            largestArrival = std::max<qint64>(largestArrival, count);
            if (m_skipReads > 0) {
                --m_skipReads;
            } else if (readPiece > 0) {
                // Taken in pieces into memory of the owner's, as the slot takes them.
                char piece[4096];
                qint64 taken = 0;
                while (const qint64 n = m_socket->read(piece, std::min<qint64>(readPiece, sizeof piece))) {
                    if (n < 0 || n > readPiece)
                        wrongCount = true;
                    received.append(piece, n);
                    taken += n;
                }
                if (taken != count || m_socket->bytesAvailable() != 0 || m_socket->read(piece, 0) != 0)
                    wrongCount = true;
            } else {
                const QByteArray bytes = m_socket->read();
                if (bytes.size() != count || m_socket->bytesAvailable() != 0)
                    wrongCount = true;
                received += bytes;
            }
            if (onData)
                onData();
            --m_depth;
        });
        connect(socket, &SlotSocket::closedByPeer, this, [this](int index) {
            record("close", index);
            if (m_depth > 0)
                nested = true;
            leftAtClose = m_socket->bytesAvailable();
            ++closes;
        });
    }

    // The events in order, consecutive arrivals shown once: "connect data close".
    QString sequence() const
    {
        QStringList collapsed;
        for (const QString &event : events) {
            if (collapsed.isEmpty() || collapsed.last() != event || event != QLatin1String("data"))
                collapsed << event;
        }
        return collapsed.join(QLatin1Char(' '));
    }

    void clear()
    {
        events.clear();
        indexes.clear();
        received.clear();
        closes = 0;
    }

    QStringList events;
    QList<int> indexes;
    QByteArray received;
    int closes = 0;
    qint64 leftAtClose = -1;
    qint64 largestArrival = 0;
    bool wrongCount = false;
    bool nested = false;
    qint64 readPiece = 0; // > 0: arrivals are taken by read(into, readPiece) until none is left
    std::function<void()> onConnect;
    std::function<void()> onData;

private:
    void record(const char *event, int index)
    {
        events << QLatin1String(event);
        indexes << index;
    }

    SlotSocket *m_socket;
    int m_skipReads;
    int m_depth = 0;
};

} // namespace

Q_DECLARE_METATYPE(Script)

class TestSlotSocket : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SlotSocket::setTrustedCaCertificates({}); }

    void deliversResponseThenClose_data();
    void deliversResponseThenClose();
    void bytesLeftByHandlerComeBeforeClose_data();
    void bytesLeftByHandlerComeBeforeClose();
    void eventsAreNeverNested();
    void fastSenderArrivesInPieces();
    void takenInPiecesIntoOwnMemory();
    void closeRaisesNoEventAndAllowsReconnect_data();
    void closeRaisesNoEventAndAllowsReconnect();
    void deletedInsideItsHandler();
    void failedConnectionRaisesNothing_data();
    void failedConnectionRaisesNothing();
    void eventsCarryTheSlotIndex();
    void usesTheChosenLocalPort();
    void tlsNeedsTrustedAuthorityAndName();
    void tlsFetchEndsWithClose();
};

void TestSlotSocket::deliversResponseThenClose_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("sequence");

    const QByteArray small = header(40) + digits(40);
    const QByteArray big = digits(300000);
    QTest::newRow("whole response, then close")
        << Script{Step::send(small), Step::close()} << small << "connect data close";
    QTest::newRow("pieces with pauses")
        << Script{Step::send(header(40).left(10)), Step::waitMs(30), Step::send(header(40).mid(10)),
                  Step::waitMs(30), Step::send(digits(15)), Step::waitMs(30), Step::send(digits(40).mid(15)),
                  Step::close()}
        << small << "connect data close";
    QTest::newRow("last bytes and close at once")
        << Script{Step::send(header(big.size())), Step::waitMs(30), Step::send(big), Step::close()}
        << header(big.size()) + big << "connect data close";
    QTest::newRow("one byte at a time")
        << Script{Step::drip(small, 3), Step::close()} << small << "connect data close";
    QTest::newRow("8 MiB streamed")
        << Script{Step::send(header(8 << 20)), Step::stream(8 << 20), Step::close()}
        << header(8 << 20) + digits(8 << 20) << "connect data close";
    QTest::newRow("closed without a byte") << Script{Step::close()} << QByteArray() << "connect close";
    // A reset is the peer's close: what arrived before it is delivered.
    QTest::newRow("reset without a byte") << Script{Step::reset()} << QByteArray() << "connect close";
    QTest::newRow("reset inside the header")
        << Script{Step::send(header(40).left(20)), Step::reset()} << header(40).left(20) << "connect data close";
    QTest::newRow("reset inside the body")
        << Script{Step::send(header(40) + digits(25)), Step::waitMs(20), Step::reset()}
        << header(40) + digits(25) << "connect data close";
}

void TestSlotSocket::deliversResponseThenClose()
{
    QFETCH(Script, script);
    QFETCH(QByteArray, expected);
    QFETCH(QString, sequence);

    ScriptedHttpServer server;
    server.setScript(script);
    SlotSocket socket(5);
    Owner owner(&socket);
    socket.setLocalPort(0);
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QCOMPARE(owner.events, QStringList()); // nothing is raised from inside Connect

    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(server.lastRequest(), kRequest);
    QCOMPARE(owner.sequence(), sequence);
    QCOMPARE(owner.received.size(), expected.size());
    QVERIFY(owner.received == expected);
    QVERIFY(!owner.wrongCount);
    // However fast the sender, one arrival offers at most one piece.
    QVERIFY2(owner.largestArrival <= SlotSocket::ReadPieceBytes, qPrintable(QString::number(owner.largestArrival)));
    QCOMPARE(owner.leftAtClose, 0);
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void TestSlotSocket::fastSenderArrivesInPieces()
{
    // A sender in another thread fills the system's buffers while the owner is busy: what
    // piled up is still offered in pieces of at most ReadPieceBytes, and all of it arrives.
    constexpr qint64 total = qint64(24) << 20;
    ScriptedServerThread server;
    server.setScript({Step::send(header(total)), Step::stream(total), Step::close()});
    SlotSocket socket(2);
    Owner owner(&socket);
    int busy = 0;
    owner.onData = [&busy] {
        if (busy++ < 20)
            QThread::msleep(20);
    };
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(owner.received.size(), header(total).size() + total);
    QVERIFY(!owner.wrongCount);
    QVERIFY2(owner.largestArrival <= SlotSocket::ReadPieceBytes, qPrintable(QString::number(owner.largestArrival)));
}

void TestSlotSocket::takenInPiecesIntoOwnMemory()
{
    // Pieces of odd sizes, smaller and larger than what one read from the system gives.
    const QByteArray response = header(300000) + digits(300000);
    for (const qint64 piece : {qint64(7), qint64(1000), qint64(4096)}) {
        ScriptedHttpServer server;
        server.setScript({Step::send(response), Step::close()});
        SlotSocket socket(3);
        Owner owner(&socket);
        owner.readPiece = piece;
        socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
        QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
        QVERIFY(owner.received == response);
        QVERIFY(!owner.wrongCount);
        QCOMPARE(owner.leftAtClose, 0);
        // Nothing is waiting on a finished or closed socket.
        char rest[16];
        QCOMPARE(socket.read(rest, sizeof rest), 0);
        socket.close();
        QCOMPARE(socket.read(rest, sizeof rest), 0);
    }
}

void TestSlotSocket::bytesLeftByHandlerComeBeforeClose_data()
{
    QTest::addColumn<int>("skipReads");
    QTest::addColumn<QString>("sequence");
    QTest::newRow("first offer left") << 1 << "connect data close";
    QTest::newRow("every offer left") << 1000 << "connect data close";
}

void TestSlotSocket::bytesLeftByHandlerComeBeforeClose()
{
    QFETCH(int, skipReads);
    QFETCH(QString, sequence);

    const QByteArray response = header(20) + digits(20);
    ScriptedHttpServer server;
    server.setScript({Step::send(response), Step::close()});
    SlotSocket socket(0);
    Owner owner(&socket, skipReads);
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());

    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(owner.sequence(), sequence);
    if (skipReads == 1) {
        // The bytes left by the first handler are offered again before the close.
        QCOMPARE(owner.received, response);
        QCOMPARE(owner.leftAtClose, 0);
    } else {
        // A handler that never reads cannot hold the close back; the bytes stay waiting.
        QCOMPARE(owner.received, QByteArray());
        QCOMPARE(owner.leftAtClose, response.size());
        QCOMPARE(socket.read(), response);
    }
}

void TestSlotSocket::eventsAreNeverNested()
{
    const QByteArray response = header(30) + digits(30);
    ScriptedHttpServer server;
    server.setScript({Step::send(response.left(10)), Step::waitMs(20), Step::send(response.mid(10)), Step::close()});
    SlotSocket socket(2);
    Owner owner(&socket);
    bool waited = false;
    owner.onData = [&] {
        if (waited)
            return;
        waited = true;
        // A handler that runs the event loop while the rest arrives and the peer closes.
        QTRY_COMPARE_WITH_TIMEOUT(server.finishedScripts(), 1, kWaitMs);
        QTest::qWait(100);
    };
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());

    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QVERIFY(!owner.nested);
    QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
    QCOMPARE(owner.received, response);
}

void TestSlotSocket::closeRaisesNoEventAndAllowsReconnect_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("sameServer");
    QTest::newRow("while connecting, then another server") << "connecting" << false;
    QTest::newRow("in the connect handler, then same server") << "connect handler" << true;
    QTest::newRow("in the data handler, then same server") << "data handler" << true;
    QTest::newRow("between arrivals, then another server") << "between arrivals" << false;
}

void TestSlotSocket::closeRaisesNoEventAndAllowsReconnect()
{
    QFETCH(QString, when);
    QFETCH(bool, sameServer);

    const QByteArray response = header(30) + digits(30);
    ScriptedHttpServer first;
    // The first connection gets part of a response, then the rest and a close later.
    first.queueScript({Step::send(response.left(25)), Step::waitMs(150), Step::send(response.mid(25)),
                       Step::close()});
    first.setScript({Step::send(response), Step::close()});
    ScriptedHttpServer second;
    second.setScript({Step::send(response), Step::close()});

    SlotSocket socket(7);
    socket.close(); // harmless before any connection
    Owner owner(&socket);
    if (when == QLatin1String("connect handler"))
        owner.onConnect = [&] { socket.close(); };
    if (when == QLatin1String("data handler"))
        owner.onData = [&] { socket.close(); };

    socket.connectToHost(QStringLiteral("127.0.0.1"), first.port());
    if (when == QLatin1String("connecting")) {
        socket.close();
    } else if (when == QLatin1String("between arrivals")) {
        QTRY_VERIFY_WITH_TIMEOUT(!owner.received.isEmpty(), kWaitMs);
        socket.close();
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(owner.events.size() >= (when == QLatin1String("data handler") ? 2 : 1), kWaitMs);
    }
    socket.close(); // twice is harmless
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(socket.bytesAvailable(), 0);
    QCOMPARE(socket.read(), QByteArray());
    // The dropped connection's server would have sent the rest and closed by now.
    if (first.connectionCount() > 0)
        QTRY_COMPARE_WITH_TIMEOUT(first.peerClosedCount() + first.finishedScripts(), 1, kWaitMs);
    QTest::qWait(200);
    QCOMPARE(owner.closes, 0);
    const QStringList before = owner.events;
    QVERIFY(!before.contains(QLatin1String("close")));

    owner.onConnect = nullptr;
    owner.onData = nullptr;
    owner.clear();
    ScriptedHttpServer &target = sameServer ? first : second;
    const int connections = target.connectionCount();
    socket.connectToHost(QStringLiteral("127.0.0.1"), target.port());
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(target.connectionCount(), connections + 1);
    QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
    QCOMPARE(owner.received, response);
}

void TestSlotSocket::deletedInsideItsHandler()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(header(10)), Step::waitMs(20), Step::send(digits(10)), Step::close()});
    server.setStartOnAccept(true); // no request is sent
    auto *socket = new SlotSocket(6);
    int arrivals = 0;
    connect(socket, &SlotSocket::dataArrived, this, [&] {
        ++arrivals;
        delete socket; // the window that owns the slot is unloaded during the fetch
    });
    socket->connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QTRY_COMPARE_WITH_TIMEOUT(arrivals, 1, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(server.peerClosedCount(), 1, kWaitMs);
    QCOMPARE(arrivals, 1);
}

void TestSlotSocket::failedConnectionRaisesNothing_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("refusedPort");
    QTest::addColumn<bool>("tls");
    QTest::newRow("refused") << "127.0.0.1" << true << false;
    QTest::newRow("host name that does not resolve") << "camera.invalid" << false << false;
    QTest::newRow("TLS to a plain HTTP server") << "127.0.0.1" << false << true;
}

void TestSlotSocket::failedConnectionRaisesNothing()
{
    QFETCH(QString, host);
    QFETCH(bool, refusedPort);
    QFETCH(bool, tls);

    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    const QByteArray response = header(10) + digits(10);
    ScriptedHttpServer server;
    server.setScript({Step::send(response), Step::close()});

    // The plain server answers the TLS greeting with its HTTP response.
    server.setStartOnAccept(tls);

    SlotSocket socket(9);
    Owner owner(&socket);
    socket.connectToHost(host, refusedPort ? closedPort : server.port(), tls);
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QTest::qWait(100);
    QCOMPARE(owner.events, QStringList());
    server.setStartOnAccept(false);

    // The socket connects normally afterwards.
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
    QCOMPARE(owner.received, response);
}

void TestSlotSocket::eventsCarryTheSlotIndex()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(header(10)), Step::waitMs(20), Step::send(digits(10)), Step::close()});
    SlotSocket low(3);
    SlotSocket high(17);
    QCOMPARE(low.index(), 3);
    QCOMPARE(high.index(), 17);
    Owner lowOwner(&low);
    Owner highOwner(&high);
    low.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    high.connectToHost(QStringLiteral("localhost"), server.port());

    QTRY_COMPARE_WITH_TIMEOUT(lowOwner.closes + highOwner.closes, 2, kWaitMs);
    QCOMPARE(lowOwner.sequence(), QStringLiteral("connect data close"));
    QCOMPARE(highOwner.sequence(), QStringLiteral("connect data close"));
    QCOMPARE(QSet<int>(lowOwner.indexes.cbegin(), lowOwner.indexes.cend()), QSet<int>{3});
    QCOMPARE(QSet<int>(highOwner.indexes.cbegin(), highOwner.indexes.cend()), QSet<int>{17});
    QCOMPARE(lowOwner.received, header(10) + digits(10));
    QCOMPARE(highOwner.received, header(10) + digits(10));
}

void TestSlotSocket::usesTheChosenLocalPort()
{
    quint16 chosen = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        chosen = probe.serverPort();
    }
    ScriptedHttpServer server;
    server.setScript({Step::send(header(0)), Step::close()});
    SlotSocket socket(1);
    Owner owner(&socket);
    socket.setLocalPort(chosen);
    QCOMPARE(socket.localPort(), chosen);
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(server.lastPeerPort(), chosen);

    socket.setLocalPort(0);
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 2, kWaitMs);
    QCOMPARE(server.connectionCount(), 2);
    QVERIFY(server.lastPeerPort() != 0);
}

void TestSlotSocket::tlsNeedsTrustedAuthorityAndName()
{
    TestCertificates certs;
    QVERIFY2(certs.isValid(), qPrintable(certs.errorString()));
    TestCertificates otherName({QStringLiteral("DNS:camera.example")});
    QVERIFY2(otherName.isValid(), qPrintable(otherName.errorString()));
    const QByteArray response = header(10) + digits(10);

    ScriptedHttpServer server;
    server.setTlsConfiguration(certs.serverConfiguration());
    server.setScript({Step::send(response), Step::close()});
    SlotSocket socket(4);
    Owner owner(&socket);

    // The test authority is not in the system's store.
    socket.connectToHost(QStringLiteral("localhost"), server.port(), true);
    QTRY_COMPARE_WITH_TIMEOUT(server.handshakeFailures(), 1, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QTest::qWait(100);
    QCOMPARE(owner.events, QStringList());
    QCOMPARE(server.lastRequest(), QByteArray());

    // Trusted authority, certificate for another name.
    SlotSocket::addTrustedCaCertificates({otherName.caCertificate()});
    ScriptedHttpServer wrongName;
    wrongName.setTlsConfiguration(otherName.serverConfiguration());
    wrongName.setScript({Step::send(response), Step::close()});
    socket.connectToHost(QStringLiteral("127.0.0.1"), wrongName.port(), true);
    QTRY_COMPARE_WITH_TIMEOUT(wrongName.handshakeFailures(), 1, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QTest::qWait(100);
    QCOMPARE(owner.events, QStringList());

    // Trusted authority, matching name and address.
    SlotSocket::addTrustedCaCertificates({certs.caCertificate()});
    for (const QString &host : {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")}) {
        owner.clear();
        socket.connectToHost(host, server.port(), true);
        QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
        QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
        QCOMPARE(owner.received, response);
        QCOMPARE(server.lastRequest(), kRequest);
    }
    QCOMPARE(server.handshakeFailures(), 1);

    // Back to the system store alone.
    SlotSocket::setTrustedCaCertificates({});
    owner.clear();
    socket.connectToHost(QStringLiteral("localhost"), server.port(), true);
    QTRY_COMPARE_WITH_TIMEOUT(server.handshakeFailures(), 2, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QCOMPARE(owner.events, QStringList());
}

void TestSlotSocket::tlsFetchEndsWithClose()
{
    TestCertificates certs;
    QVERIFY2(certs.isValid(), qPrintable(certs.errorString()));
    SlotSocket::addTrustedCaCertificates({certs.caCertificate()});
    const QByteArray body = digits(200000);

    ScriptedHttpServer server;
    server.setTlsConfiguration(certs.serverConfiguration());
    server.queueScript({Step::send(header(body.size())), Step::waitMs(20), Step::send(body), Step::close()});
    server.queueScript({Step::send(header(body.size()) + body.left(1000)), Step::waitMs(20), Step::reset()});
    SlotSocket socket(11);
    Owner owner(&socket);

    socket.connectToHost(QStringLiteral("localhost"), server.port(), true);
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
    QVERIFY(owner.received == header(body.size()) + body);
    QVERIFY(!owner.wrongCount);

    // A reset inside the body of a TLS connection is the peer's close as well.
    owner.clear();
    socket.connectToHost(QStringLiteral("localhost"), server.port(), true);
    QTRY_COMPARE_WITH_TIMEOUT(owner.closes, 1, kWaitMs);
    QCOMPARE(owner.sequence(), QStringLiteral("connect data close"));
    QCOMPARE(owner.received, header(body.size()) + body.left(1000));
}

QTEST_GUILESS_MAIN(TestSlotSocket)
#include "tst_slotsocket.moc"
