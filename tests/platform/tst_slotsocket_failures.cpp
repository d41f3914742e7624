// SPDX-License-Identifier: GPL-3.0-or-later
// How a slot socket's connection ends when it is not the peer's close: refused, unknown
// host, timeouts, TLS handshake and certificate failures, pinned certificates.
#include "platform/CertificatePins.h"
#include "platform/SlotSocket.h"

#include "support/ScriptedHttpServer.h"
#include "support/ServerProcess.h"
#include "support/TestCertificates.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kShortTimeoutMs = 300;

const QByteArray kResponse = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\njpeg";

// Records every event of one socket; sends a request on connect so scripted servers answer.
class Recorder : public QObject
{
public:
    explicit Recorder(SlotSocket *socket)
        : m_socket(socket)
    {
        connect(socket, &SlotSocket::connected, this, [this](int index) {
            events << QStringLiteral("connect");
            indexes << index;
            m_socket->send("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
        });
        connect(socket, &SlotSocket::dataArrived, this, [this](int index) {
            if (events.isEmpty() || events.last() != QLatin1String("data"))
                events << QStringLiteral("data");
            indexes << index;
            received += m_socket->read();
        });
        connect(socket, &SlotSocket::closedByPeer, this, [this](int index) {
            events << QStringLiteral("close");
            indexes << index;
        });
        connect(socket, &SlotSocket::failed, this, [this](int index, const SocketFailure &failure) {
            events << QStringLiteral("failed");
            indexes << index;
            failures << failure;
            unconnectedAtFailure = m_socket->state() == QAbstractSocket::UnconnectedState;
            if (onFailed)
                onFailed();
        });
    }

    bool ended() const
    {
        return events.contains(QLatin1String("failed")) || events.contains(QLatin1String("close"));
    }

    QStringList events;
    QList<int> indexes;
    QList<SocketFailure> failures;
    QByteArray received;
    bool unconnectedAtFailure = false;
    std::function<void()> onFailed;

private:
    SlotSocket *m_socket;
};

} // namespace

Q_DECLARE_METATYPE(SocketFailure::Kind)
Q_DECLARE_METATYPE(CertificateProblem)
Q_DECLARE_METATYPE(TestCertificates::Kind)

class TestSlotSocketFailures : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SlotSocket::setTrustedCaCertificates({}); }

    void failsBeforeConnected_data();
    void failsBeforeConnected();
    void plainConnectTimesOut();
    void idleTimeout_data();
    void idleTimeout();
    void noFailureAfterClose_data();
    void noFailureAfterClose();
    void deletedInsideFailedHandler();
    void certificates_data();
    void certificates();
    void trustOnFirstUseThenChanged();
    void problemOfErrors_data();
    void problemOfErrors();
};

void TestSlotSocketFailures::failsBeforeConnected_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<SocketFailure::Kind>("kind");
    QTest::addColumn<int>("timeoutMs");
    QTest::newRow("refused") << "refused" << SocketFailure::Kind::Refused << 0;
    QTest::newRow("host name that does not resolve") << "unresolvable" << SocketFailure::Kind::HostNotFound << 0;
    QTest::newRow("TLS to a plain HTTP server") << "tls to http" << SocketFailure::Kind::TlsHandshakeFailed << 0;
    QTest::newRow("TLS peer closes at once") << "tls closed" << SocketFailure::Kind::TlsHandshakeFailed << 0;
    // Qt 6.4 connects again and again, without an error, to a peer that accepts and resets at
    // once (thousands of times a second): the connect timeout is what ends it.
    QTest::newRow("peer resets at once") << "reset" << SocketFailure::Kind::ConnectTimedOut << kShortTimeoutMs;
    QTest::newRow("TLS peer resets at once") << "tls reset" << SocketFailure::Kind::ConnectTimedOut << kShortTimeoutMs;
    QTest::newRow("TLS handshake never answered")
        << "tls silent" << SocketFailure::Kind::ConnectTimedOut << kShortTimeoutMs;
    QTest::newRow("local port taken") << "port taken" << SocketFailure::Kind::NetworkError << 0;
}

void TestSlotSocketFailures::failsBeforeConnected()
{
    QFETCH(QString, setup);
    QFETCH(SocketFailure::Kind, kind);
    QFETCH(int, timeoutMs);

    ScriptedHttpServer server;
    server.setStartOnAccept(true);
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = server.port();
    bool tls = setup.startsWith(QLatin1String("tls"));
    QTcpServer occupant;
    if (setup == QLatin1String("refused"))
        port = freeLoopbackPort();
    else if (setup == QLatin1String("unresolvable"))
        host = QStringLiteral("camera.invalid");
    else if (setup == QLatin1String("tls to http"))
        server.setScript({Step::send(kResponse), Step::close()});
    else if (setup == QLatin1String("tls closed"))
        server.setScript({Step::close()});
    else if (setup.endsWith(QLatin1String("reset")))
        server.setScript({Step::reset()});
    else if (setup == QLatin1String("tls silent"))
        server.setScript({Step::hang()});
    else if (setup == QLatin1String("port taken"))
        QVERIFY(occupant.listen(QHostAddress::Any, 0));

    SlotSocket socket(9);
    socket.setConnectTimeoutMs(kShortTimeoutMs);
    if (setup == QLatin1String("port taken"))
        socket.setLocalPort(occupant.serverPort());
    Recorder recorder(&socket);
    socket.connectToHost(host, port, tls);
    QCOMPARE(recorder.events, QStringList()); // nothing from inside connectToHost

    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWaitMs);
    // Longer than the connect timeout: no second failure follows the first.
    QTest::qWait(2 * kShortTimeoutMs);
    QCOMPARE(recorder.events, QStringList{QStringLiteral("failed")});
    QCOMPARE(recorder.indexes, QList<int>{9});
    QCOMPARE(recorder.failures.first().kind, kind);
    QCOMPARE(recorder.failures.first().timeoutMs, timeoutMs);
    QVERIFY(!recorder.failures.first().text.isEmpty());
    QVERIFY(recorder.failures.first().certificate.isNull());
    QVERIFY(recorder.unconnectedAtFailure);

    // The socket connects normally afterwards.
    ScriptedHttpServer good;
    good.setScript({Step::send(kResponse), Step::close()});
    recorder.events.clear();
    socket.setLocalPort(0);
    socket.connectToHost(QStringLiteral("127.0.0.1"), good.port());
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWaitMs);
    QCOMPARE(recorder.events, (QStringList{QStringLiteral("connect"), QStringLiteral("data"), QStringLiteral("close")}));
    QCOMPARE(recorder.received, kResponse);
}

void TestSlotSocketFailures::plainConnectTimesOut()
{
    // A listener whose accept queue is full and that accepts nothing: the system drops
    // further connection requests, so the connection is never made.
    QTcpServer full;
    full.setListenBacklogSize(0);
    QVERIFY(full.listen(QHostAddress::LocalHost, 0));
    full.pauseAccepting();
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QHostAddress::LocalHost, full.serverPort());
    }
    QTest::qWait(200);

    SlotSocket socket(4);
    socket.setConnectTimeoutMs(kShortTimeoutMs);
    Recorder recorder(&socket);
    QElapsedTimer clock;
    clock.start();
    socket.connectToHost(QStringLiteral("127.0.0.1"), full.serverPort());
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWaitMs);
    QCOMPARE(recorder.events, QStringList{QStringLiteral("failed")});
    QCOMPARE(recorder.failures.first().kind, SocketFailure::Kind::ConnectTimedOut);
    QCOMPARE(recorder.failures.first().timeoutMs, kShortTimeoutMs);
    QVERIFY2(clock.elapsed() >= kShortTimeoutMs - 20, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void TestSlotSocketFailures::idleTimeout_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QByteArray>("received");
    const QStringList failedAfterData{QStringLiteral("connect"), QStringLiteral("data"), QStringLiteral("failed")};
    QTest::newRow("silent after connect")
        << Script{Step::hang()} << QStringList{QStringLiteral("connect"), QStringLiteral("failed")} << QByteArray();
    QTest::newRow("silent inside the header")
        << Script{Step::send(kResponse.left(10)), Step::hang()} << failedAfterData << kResponse.left(10);
    QTest::newRow("silent inside the body, after a pause shorter than the timeout")
        << Script{Step::send(kResponse.left(40)), Step::waitMs(kShortTimeoutMs / 2), Step::send(kResponse.mid(40, 1)),
                  Step::hang()}
        << failedAfterData << kResponse.left(41);
    // Every byte restarts the timeout: a slow sender whose pauses are shorter is not ended.
    QTest::newRow("a byte every third of the timeout")
        << Script{Step::drip(kResponse, kShortTimeoutMs / 3), Step::close()}
        << QStringList{QStringLiteral("connect"), QStringLiteral("data"), QStringLiteral("close")} << kResponse;
}

void TestSlotSocketFailures::idleTimeout()
{
    QFETCH(Script, script);
    QFETCH(QStringList, events);
    QFETCH(QByteArray, received);

    ScriptedHttpServer server;
    server.setScript(script);
    SlotSocket socket(2);
    socket.setIdleTimeoutMs(kShortTimeoutMs);
    Recorder recorder(&socket);
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWaitMs);
    QCOMPARE(recorder.events, events);
    QCOMPARE(recorder.received, received);
    if (events.last() == QLatin1String("failed")) {
        QCOMPARE(recorder.failures.first().kind, SocketFailure::Kind::NoDataTimedOut);
        QCOMPARE(recorder.failures.first().timeoutMs, kShortTimeoutMs);
        QVERIFY(recorder.unconnectedAtFailure);
        // The dropped connection is closed towards the server too.
        QTRY_COMPARE_WITH_TIMEOUT(server.peerClosedCount(), 1, kWaitMs);
    }
}

void TestSlotSocketFailures::noFailureAfterClose_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("refused, closed while connecting") << "refused";
    QTest::newRow("handshake never answered, closed while connecting") << "tls silent";
    QTest::newRow("silent server, closed in the connect handler") << "connect handler";
    QTest::newRow("refused, closed in the failed handler") << "failed handler";
}

void TestSlotSocketFailures::noFailureAfterClose()
{
    QFETCH(QString, when);

    ScriptedHttpServer silent;
    silent.setStartOnAccept(true);
    silent.setScript({Step::hang()});
    SlotSocket socket(1);
    socket.setConnectTimeoutMs(kShortTimeoutMs);
    socket.setIdleTimeoutMs(kShortTimeoutMs);
    Recorder recorder(&socket);
    if (when == QLatin1String("connect handler"))
        connect(&socket, &SlotSocket::connected, &recorder, [&socket] { socket.close(); });
    if (when == QLatin1String("failed handler"))
        recorder.onFailed = [&socket] { socket.close(); };

    if (when == QLatin1String("refused") || when == QLatin1String("failed handler"))
        socket.connectToHost(QStringLiteral("127.0.0.1"), freeLoopbackPort());
    else
        socket.connectToHost(QStringLiteral("127.0.0.1"), silent.port(), when == QLatin1String("tls silent"));
    if (when == QLatin1String("refused") || when == QLatin1String("tls silent"))
        socket.close();

    // Longer than both timeouts.
    QTest::qWait(4 * kShortTimeoutMs);
    if (when == QLatin1String("connect handler"))
        QCOMPARE(recorder.events, QStringList{QStringLiteral("connect")});
    else if (when == QLatin1String("failed handler"))
        QCOMPARE(recorder.events, QStringList{QStringLiteral("failed")});
    else
        QCOMPARE(recorder.events, QStringList());
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void TestSlotSocketFailures::deletedInsideFailedHandler()
{
    auto *socket = new SlotSocket(6);
    int failures = 0;
    connect(socket, &SlotSocket::failed, this, [&] {
        ++failures;
        delete socket;
    });
    socket->connectToHost(QStringLiteral("127.0.0.1"), freeLoopbackPort());
    QTRY_COMPARE_WITH_TIMEOUT(failures, 1, kWaitMs);
    QTest::qWait(100);
    QCOMPARE(failures, 1);
}

void TestSlotSocketFailures::certificates_data()
{
    QTest::addColumn<TestCertificates::Kind>("certificateKind");
    QTest::addColumn<QString>("serverName");
    QTest::addColumn<bool>("authorityTrusted");
    QTest::addColumn<QString>("pin");
    // Empty: the connection is made and the response read.
    QTest::addColumn<QString>("failure");
    QTest::addColumn<CertificateProblem>("problem");

    using Kind = TestCertificates::Kind;
    const auto none = CertificateProblem::Other;
    QTest::newRow("trusted authority, right name") << Kind::Signed << "localhost" << true << "" << "" << none;
    QTest::newRow("self-signed") << Kind::SelfSigned << "localhost" << false << "" << "certificate"
                                 << CertificateProblem::NotTrusted;
    QTest::newRow("authority not trusted") << Kind::Signed << "localhost" << false << "" << "certificate"
                                           << CertificateProblem::NotTrusted;
    QTest::newRow("wrong name") << Kind::Signed << "camera.example" << true << "" << "certificate"
                                << CertificateProblem::WrongName;
    QTest::newRow("expired") << Kind::Expired << "localhost" << true << "" << "certificate"
                             << CertificateProblem::Expired;
    QTest::newRow("self-signed, pinned") << Kind::SelfSigned << "localhost" << false << "this" << "" << none;
    QTest::newRow("self-signed for another name, pinned")
        << Kind::SelfSigned << "camera.example" << false << "this" << "" << none;
    QTest::newRow("wrong name, pinned") << Kind::Signed << "camera.example" << true << "this" << "" << none;
    QTest::newRow("expired, pinned") << Kind::Expired << "localhost" << true << "this" << "" << none;
    QTest::newRow("self-signed, another certificate pinned")
        << Kind::SelfSigned << "localhost" << false << "other" << "changed" << none;
    QTest::newRow("self-signed, pinned for another port")
        << Kind::SelfSigned << "localhost" << false << "other port" << "certificate" << CertificateProblem::NotTrusted;
    QTest::newRow("self-signed, pinned for another host")
        << Kind::SelfSigned << "localhost" << false << "other host" << "certificate" << CertificateProblem::NotTrusted;
    // A certificate that verifies needs no pin, whatever is pinned.
    QTest::newRow("trusted, another certificate pinned") << Kind::Signed << "localhost" << true << "other" << ""
                                                         << none;
}

void TestSlotSocketFailures::certificates()
{
    QFETCH(TestCertificates::Kind, certificateKind);
    QFETCH(QString, serverName);
    QFETCH(bool, authorityTrusted);
    QFETCH(QString, pin);
    QFETCH(QString, failure);
    QFETCH(CertificateProblem, problem);

    TestCertificates certs(certificateKind, {QStringLiteral("DNS:") + serverName});
    QVERIFY2(certs.isValid(), qPrintable(certs.errorString()));
    if (authorityTrusted)
        SlotSocket::addTrustedCaCertificates({certs.caCertificate()});
    ScriptedHttpServer server;
    server.setTlsConfiguration(certs.serverConfiguration());
    server.setScript({Step::send(kResponse), Step::close()});

    QTemporaryDir dir;
    CertificatePins pins(dir.filePath(QStringLiteral("certificate-pins")));
    TestCertificates other(TestCertificates::Kind::SelfSigned);
    QVERIFY2(other.isValid(), qPrintable(other.errorString()));
    if (pin == QLatin1String("this"))
        QVERIFY(pins.pin(QStringLiteral("LocalHost"), server.port(), certs.serverCertificate()));
    else if (pin == QLatin1String("other"))
        QVERIFY(pins.pin(QStringLiteral("localhost"), server.port(), other.serverCertificate()));
    else if (pin == QLatin1String("other port"))
        QVERIFY(pins.pin(QStringLiteral("localhost"), server.port() + 1, certs.serverCertificate()));
    else if (pin == QLatin1String("other host"))
        QVERIFY(pins.pin(QStringLiteral("127.0.0.1"), server.port(), certs.serverCertificate()));

    SlotSocket socket(3);
    socket.setCertificatePins(&pins);
    Recorder recorder(&socket);
    socket.connectToHost(QStringLiteral("localhost"), server.port(), true);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.ended(), kWaitMs);

    if (failure.isEmpty()) {
        QCOMPARE(recorder.events,
                 (QStringList{QStringLiteral("connect"), QStringLiteral("data"), QStringLiteral("close")}));
        QCOMPARE(recorder.received, kResponse);
        QCOMPARE(server.handshakeFailures(), 0);
        return;
    }
    QCOMPARE(recorder.events, QStringList{QStringLiteral("failed")});
    const SocketFailure &got = recorder.failures.first();
    QCOMPARE(got.certificate, certs.serverCertificate());
    QCOMPARE(got.peerFingerprint, CertificatePins::fingerprint(certs.serverCertificate()));
    QVERIFY(recorder.unconnectedAtFailure);
    QCOMPARE(server.lastRequest(), QByteArray());
    if (failure == QLatin1String("changed")) {
        QCOMPARE(got.kind, SocketFailure::Kind::CertificateChanged);
        QCOMPARE(got.pinnedFingerprint, CertificatePins::fingerprint(other.serverCertificate()));
        QVERIFY(got.pinnedFingerprint != got.peerFingerprint);
    } else {
        QCOMPARE(got.kind, SocketFailure::Kind::TlsCertificate);
        QVERIFY(!got.sslErrors.isEmpty());
        QCOMPARE(certificateProblem(got.sslErrors), problem);
        QVERIFY(got.pinnedFingerprint.isEmpty());
    }
}

void TestSlotSocketFailures::trustOnFirstUseThenChanged()
{
    TestCertificates first(TestCertificates::Kind::SelfSigned);
    TestCertificates second(TestCertificates::Kind::SelfSigned);
    QVERIFY2(first.isValid() && second.isValid(), qPrintable(first.errorString() + second.errorString()));
    ScriptedHttpServer server;
    server.setTlsConfiguration(first.serverConfiguration());
    server.setScript({Step::send(kResponse), Step::close()});
    QTemporaryDir dir;
    CertificatePins pins(dir.filePath(QStringLiteral("certificate-pins")));
    SlotSocket socket(8);
    socket.setCertificatePins(&pins);
    Recorder recorder(&socket);
    const auto attempt = [&] {
        recorder.events.clear();
        recorder.failures.clear();
        recorder.received.clear();
        socket.connectToHost(QStringLiteral("localhost"), server.port(), true);
        return QTest::qWaitFor([&] { return recorder.ended(); }, kWaitMs);
    };

    // First contact: not trusted; the user trusts the certificate the failure carries.
    QVERIFY(attempt());
    QCOMPARE(recorder.events, QStringList{QStringLiteral("failed")});
    QCOMPARE(recorder.failures.first().kind, SocketFailure::Kind::TlsCertificate);
    QVERIFY(pins.pin(QStringLiteral("localhost"), server.port(), recorder.failures.first().certificate));

    // Pinned: accepted, also by a store that reads the file anew.
    QVERIFY(attempt());
    QCOMPARE(recorder.received, kResponse);
    CertificatePins reread(pins.filePath());
    QVERIFY(reread.load());
    socket.setCertificatePins(&reread);
    QVERIFY(attempt());
    QCOMPARE(recorder.received, kResponse);

    // The camera presents another certificate: refused as changed, with both fingerprints.
    server.setTlsConfiguration(second.serverConfiguration());
    QVERIFY(attempt());
    QCOMPARE(recorder.events, QStringList{QStringLiteral("failed")});
    const SocketFailure &changed = recorder.failures.first();
    QCOMPARE(changed.kind, SocketFailure::Kind::CertificateChanged);
    QCOMPARE(changed.pinnedFingerprint, CertificatePins::fingerprint(first.serverCertificate()));
    QCOMPARE(changed.peerFingerprint, CertificatePins::fingerprint(second.serverCertificate()));
    QCOMPARE(changed.certificate, second.serverCertificate());
}

void TestSlotSocketFailures::problemOfErrors_data()
{
    QTest::addColumn<QList<QSslError>>("errors");
    QTest::addColumn<CertificateProblem>("problem");
    const QSslError selfSigned(QSslError::SelfSignedCertificate);
    const QSslError issuer(QSslError::UnableToGetLocalIssuerCertificate);
    const QSslError expired(QSslError::CertificateExpired);
    const QSslError notYet(QSslError::CertificateNotYetValid);
    const QSslError name(QSslError::HostNameMismatch);
    const QSslError revoked(QSslError::CertificateRevoked);
    QTest::newRow("none") << QList<QSslError>{} << CertificateProblem::Other;
    QTest::newRow("revoked") << QList<QSslError>{revoked} << CertificateProblem::Other;
    QTest::newRow("name") << QList<QSslError>{name} << CertificateProblem::WrongName;
    QTest::newRow("not yet valid") << QList<QSslError>{notYet} << CertificateProblem::Expired;
    QTest::newRow("expired and name") << QList<QSslError>{name, expired} << CertificateProblem::Expired;
    QTest::newRow("unknown issuer") << QList<QSslError>{issuer} << CertificateProblem::NotTrusted;
    QTest::newRow("self-signed, expired, name")
        << QList<QSslError>{expired, name, selfSigned} << CertificateProblem::NotTrusted;
}

void TestSlotSocketFailures::problemOfErrors()
{
    QFETCH(QList<QSslError>, errors);
    QFETCH(CertificateProblem, problem);
    QCOMPARE(certificateProblem(errors), problem);
}

QTEST_GUILESS_MAIN(TestSlotSocketFailures)
#include "tst_slotsocket_failures.moc"
