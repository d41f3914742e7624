// SPDX-License-Identifier: GPL-3.0-or-later
// How each fetch of a camera ends, in words: against scripted servers on loopback (HTTP
// errors, logins, redirects, timeouts, servers that never finish) and real TLS servers whose
// certificates do not verify, trusted on first use.

#include "EngineFixture.h"

#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "monitor/Redirect.h"
#include "platform/CertificatePins.h"
#include "platform/SlotSocket.h"
#include "support/ResponseFixtures.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestCertificates.h"

#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace fixture;

Q_DECLARE_METATYPE(FetchOutcomeKind)
Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(TestCertificates::Kind)

namespace {

constexpr int WaitMs = 20000;

// A loopback port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QByteArray status(const QByteArray &line, const QByteArray &headers = QByteArray(), const QByteArray &body = "x")
{
    return "HTTP/1.1 " + line + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
        + body;
}

// The outcome's text with the English messages.
QString words(const FetchOutcome &outcome)
{
    static const LanguageTable table = [] {
        LanguageTable english;
        addDefaultMessages(english);
        return english;
    }();
    return outcomeText(outcome, [](const QString &key) { return table.message(key); });
}

// Opens `url` and waits for the first outcome.
const FetchOutcome &firstOutcome(Engine &e, const QString &url)
{
    QSignalSpy outcomes(&e.engine, &CameraEngine::outcomeChanged);
    e.open(QStringLiteral("Cam"), url);
    if (outcomes.isEmpty())
        outcomes.wait(WaitMs);
    static const FetchOutcome none;
    return e.engine.lastOutcome() ? *e.engine.lastOutcome() : none;
}

} // namespace

class TestEngineOutcomes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { SlotSocket::setTrustedCaCertificates({}); }
    void endings_data();
    void endings();
    void socketFailures_data();
    void socketFailures();
    void digestLogin_data();
    void digestLogin();
    void redirectsKeepCredentialsAtHome();
    void slowerThanTheInterval();
    void reusedSlotShowsNothingOfTheCameraBefore();
    void certificates_data();
    void certificates();
};

void TestEngineOutcomes::endings_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<FetchOutcomeKind>("kind");
    QTest::addColumn<QString>("text");
    const QByteArray jpeg = jpegBytes(20, 10);
    QTest::newRow("picture") << Script {Step::send(imageResponse(jpeg)), Step::close()} << FetchOutcomeKind::Picture
                             << QString();
    QTest::newRow("404") << Script {Step::send(status("404 Not Found")), Step::close()} << FetchOutcomeKind::NotFound
                         << QString();
    QTest::newRow("403") << Script {Step::send(status("403 Forbidden")), Step::close()} << FetchOutcomeKind::Forbidden
                         << QString();
    QTest::newRow("500 with its status line")
        << Script {Step::send(status("503 Camera Busy")), Step::close()} << FetchOutcomeKind::HttpError
        << QStringLiteral("503 Camera Busy");
    QTest::newRow("401 without credentials")
        << Script {Step::send(status("401 Unauthorized", "WWW-Authenticate: Basic realm=\"cam\"\r\n")), Step::close()}
        << FetchOutcomeKind::LoginNeeded << QString();
    QTest::newRow("a page, not a picture")
        << Script {Step::send(status("200 OK", "Content-Type: text/html; charset=utf-8\r\n", "<html>")), Step::close()}
        << FetchOutcomeKind::NotAPicture << QStringLiteral("text/html");
    QTest::newRow("no HTTP at all") << Script {Step::send("SSH-2.0-OpenSSH\r\n"), Step::close()}
                                    << FetchOutcomeKind::NotHttp << QString();
    QTest::newRow("unreadable picture") << Script {Step::send(imageResponse("garbage")), Step::close()}
                                        << FetchOutcomeKind::UnreadablePicture << QString();
    QTest::newRow("redirect without a Location")
        << Script {Step::send(status("302 Found")), Step::close()} << FetchOutcomeKind::BadRedirect << QString();
    QTest::newRow("redirects without end")
        << Script {Step::send(status("302 Found", "Location: /again.jpg\r\n")), Step::close()}
        << FetchOutcomeKind::TooManyRedirects << QString();
}

void TestEngineOutcomes::endings()
{
    QFETCH(Script, script);
    QFETCH(FetchOutcomeKind, kind);
    QFETCH(QString, text);
    ScriptedHttpServer server;
    server.setScript(script);
    Engine e;
    const FetchOutcome &outcome = firstOutcome(e, server.url(QStringLiteral("/cam.jpg")));
    QCOMPARE(outcome.kind, kind);
    QVERIFY2(words(outcome).contains(text), qPrintable(words(outcome)));
    // Every ending is a response of the camera: the fetch has ended.
    QVERIFY(!e.engine.fetching());
    if (kind == FetchOutcomeKind::TooManyRedirects)
        QCOMPARE(server.requests().size(), MaxRedirectHops + 1);
    if (kind == FetchOutcomeKind::Picture) {
        QCOMPARE(outcome.status, 200);
        QVERIFY(outcome.bytes > 0);
        QVERIFY(e.engine.lastPictureAt().isValid());
    }
}

void TestEngineOutcomes::socketFailures_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<FetchOutcomeKind>("kind");
    QTest::newRow("refused") << "refused" << FetchOutcomeKind::ConnectionRefused;
    QTest::newRow("host not found") << "unknown host" << FetchOutcomeKind::HostNotFound;
    QTest::newRow("header, then silence") << "silent" << FetchOutcomeKind::NoDataTimedOut;
}

void TestEngineOutcomes::socketFailures()
{
    QFETCH(QString, how);
    QFETCH(FetchOutcomeKind, kind);
    ScriptedHttpServer server;
    server.setScript({Step::send("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n"), Step::hang()});
    Engine e;
    e.engine.setTimeouts(2000, 300);
    QString url = server.url(QStringLiteral("/cam.jpg"));
    if (how == QLatin1String("refused"))
        url = QStringLiteral("http://127.0.0.1:%1/cam.jpg").arg(closedPort());
    else if (how == QLatin1String("unknown host"))
        url = QStringLiteral("http://nonexistent.invalid/cam.jpg");
    const FetchOutcome &outcome = firstOutcome(e, url);
    QCOMPARE(outcome.kind, kind);
    // As before, a failed connection shows nothing but its words: the indicator stays.
    QVERIFY(e.engine.fetching());
    QVERIFY(!words(outcome).isEmpty());
}

void TestEngineOutcomes::digestLogin_data()
{
    QTest::addColumn<QList<QByteArray>>("answers"); // "401", "401 stale" or "200", one per request
    QTest::addColumn<FetchOutcomeKind>("kind");
    QTest::newRow("answered") << QList<QByteArray> {"401", "200"} << FetchOutcomeKind::Picture;
    QTest::newRow("answer refused") << QList<QByteArray> {"401", "401"} << FetchOutcomeKind::LoginRefused;
    QTest::newRow("stale nonce answered once more") << QList<QByteArray> {"401", "401 stale", "200"}
                                                    << FetchOutcomeKind::Picture;
    QTest::newRow("stale twice") << QList<QByteArray> {"401", "401 stale", "401 stale"}
                                 << FetchOutcomeKind::LoginRefused;
}

void TestEngineOutcomes::digestLogin()
{
    QFETCH(QList<QByteArray>, answers);
    QFETCH(FetchOutcomeKind, kind);
    ScriptedHttpServer server;
    const QByteArray jpeg = jpegBytes(20, 10);
    for (const QByteArray &answer : answers) {
        if (answer == "200") {
            server.queueScript({Step::send(imageResponse(jpeg)), Step::close()});
            continue;
        }
        const QByteArray stale = answer.endsWith("stale") ? ", stale=true" : "";
        server.queueScript({Step::send(status("401 Unauthorized",
                                              "WWW-Authenticate: Digest realm=\"cam\", nonce=\"n" + answer.right(5)
                                                  + "\", qop=\"auth\", algorithm=MD5" + stale + "\r\n")),
                            Step::close()});
    }
    Engine e;
    const FetchOutcome &outcome = firstOutcome(e, server.url(QStringLiteral("/snap.jpg")).replace(
                                                      QStringLiteral("http://"), QStringLiteral("http://ann:pw@")));
    QCOMPARE(outcome.kind, kind);
    QCOMPARE(server.requests().size(), answers.size());
    // Basic with the first request, a Digest answer on each new connection after a 401.
    QVERIFY(server.requests().first().contains("Authorization: Basic "));
    for (qsizetype i = 1; i < server.requests().size(); ++i) {
        QVERIFY(server.requests()[i].contains("Authorization: Digest username=\"ann\", realm=\"cam\""));
        QVERIFY(server.requests()[i].contains("uri=\"/snap.jpg\""));
    }
}

void TestEngineOutcomes::redirectsKeepCredentialsAtHome()
{
    const QByteArray jpeg = jpegBytes(20, 10);
    ScriptedHttpServer elsewhere;
    elsewhere.setScript({Step::send(imageResponse(jpeg)), Step::close()});
    ScriptedHttpServer home;
    home.queueScript({Step::send(status("301 Moved", "Location: ../pictures/now.jpg\r\n")), Step::close()});
    home.queueScript({Step::send(status("307 Temporary Redirect", "Location: " + elsewhere.url(QStringLiteral("/b.jpg")).toLatin1() + "\r\n")),
                      Step::close()});
    Engine e;
    const FetchOutcome &outcome = firstOutcome(e, QStringLiteral("http://ann:pw@127.0.0.1:%1/cam/a.jpg").arg(home.port()));
    QCOMPARE(outcome.kind, FetchOutcomeKind::Picture);
    // A relative Location on the same host keeps the credentials; another port gets none.
    QCOMPARE(home.requests().size(), 2);
    QVERIFY(home.requests()[1].startsWith("GET /pictures/now.jpg "));
    QVERIFY(home.requests()[1].contains("Authorization: Basic "));
    QCOMPARE(elsewhere.requests().size(), 1);
    QVERIFY(!elsewhere.requests()[0].contains("Authorization"));
    // The address shown is the final one, without credentials.
    QCOMPARE(e.engine.shownAddress(), QStringLiteral("http://127.0.0.1:%1/b.jpg").arg(elsewhere.port()));
}

void TestEngineOutcomes::slowerThanTheInterval()
{
    ScriptedHttpServer server;
    server.setScript({Step::hang()});
    Engine e;
    QSignalSpy outcomes(&e.engine, &CameraEngine::outcomeChanged);
    e.open(QStringLiteral("Cam"), server.url(QStringLiteral("/cam.jpg")), QStringLiteral("1"));
    // Each refresh drops the fetch still running; the third drop in a row says so.
    for (int drop = 1; drop <= SlowFetchDrops; ++drop) {
        QTRY_COMPARE(server.connectionCount(), drop);
        QVERIFY(outcomes.isEmpty() || drop == SlowFetchDrops);
        e.engine.tick();
    }
    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(e.engine.lastOutcome()->kind, FetchOutcomeKind::TooSlow);
}

void TestEngineOutcomes::reusedSlotShowsNothingOfTheCameraBefore()
{
    Engine e;
    e.open(QStringLiteral("A"), QStringLiteral("http://127.0.0.1:9/a.jpg"));
    e.deliver(imageResponse(jpegBytes(8, 8), "line of A"));
    QVERIFY(!e.engine.lastChanged().isEmpty() && !e.engine.lastRefreshed().isEmpty());
    QVERIFY(e.engine.lastOutcome());
    e.engine.stop();
    e.open(QStringLiteral("B"), QStringLiteral("http://127.0.0.1:%1/b.jpg").arg(closedPort()));
    // Times and outcome of A are not shown as B's; A's stored line still decides B's change.
    QVERIFY(e.engine.lastChanged().isEmpty() && e.engine.lastRefreshed().isEmpty());
    QVERIFY(!e.engine.lastPictureAt().isValid());
    QCOMPARE(e.engine.storedLastModified(), QStringLiteral("Last-Modified: line of A"));
}

void TestEngineOutcomes::certificates_data()
{
    QTest::addColumn<TestCertificates::Kind>("certificate");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("authorityTrusted");
    QTest::addColumn<FetchOutcomeKind>("kind");
    const QStringList loopback {QStringLiteral("DNS:localhost"), QStringLiteral("IP:127.0.0.1")};
    QTest::newRow("self-signed") << TestCertificates::Kind::SelfSigned << loopback << false
                                 << FetchOutcomeKind::CertificateNotTrusted;
    QTest::newRow("wrong name") << TestCertificates::Kind::Signed << QStringList {QStringLiteral("DNS:other.example")}
                                << true << FetchOutcomeKind::CertificateWrongName;
    QTest::newRow("expired") << TestCertificates::Kind::Expired << loopback << true
                             << FetchOutcomeKind::CertificateExpired;
    QTest::newRow("signed by an authority the system trusts") << TestCertificates::Kind::Signed << loopback << true
                                                              << FetchOutcomeKind::Picture;
}

void TestEngineOutcomes::certificates()
{
    QFETCH(TestCertificates::Kind, certificate);
    QFETCH(QStringList, names);
    QFETCH(bool, authorityTrusted);
    QFETCH(FetchOutcomeKind, kind);
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");
    TestCertificates certs(certificate, names);
    QVERIFY2(certs.isValid(), qPrintable(certs.errorString()));
    if (authorityTrusted)
        SlotSocket::addTrustedCaCertificates({certs.caCertificate()});
    const QByteArray jpeg = jpegBytes(20, 10);
    ScriptedHttpServer server;
    server.setTlsConfiguration(certs.serverConfiguration());
    server.setScript({Step::send(imageResponse(jpeg)), Step::close()});
    QTemporaryDir dir;
    CertificatePins pins(dir.filePath(QStringLiteral("certificate-pins")));
    Engine e;
    e.engine.setCertificatePins(&pins);
    const QString url = QStringLiteral("https://127.0.0.1:%1/cam.jpg").arg(server.port());
    const FetchOutcome first = firstOutcome(e, url);
    QCOMPARE(first.kind, kind);
    if (kind == FetchOutcomeKind::Picture)
        return;
    QCOMPARE(first.certificate.value_or(QSslCertificate()), certs.serverCertificate());
    QCOMPARE(first.peerFingerprint, CertificatePins::fingerprint(certs.serverCertificate()));
    QCOMPARE(first.host, QStringLiteral("127.0.0.1"));
    QCOMPARE(first.port, server.port());
    QVERIFY(e.engine.picture().isNull());

    // Trusted on first use: the pinned certificate is accepted while it stays the same.
    QVERIFY(pins.pin(first.host, first.port, first.certificate.value_or(QSslCertificate())));
    const QFileDevice::Permissions bits = QFile::permissions(pins.filePath());
    QVERIFY(bits.testFlag(QFileDevice::ReadOwner));
    QVERIFY(!(bits & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                      | QFileDevice::WriteOther)));
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QCOMPARE(e.engine.picture().encoded(), jpeg);

    // Another certificate on that host and port is refused as changed, with both fingerprints.
    TestCertificates other(TestCertificates::Kind::SelfSigned);
    QVERIFY(other.isValid());
    server.setTlsConfiguration(other.serverConfiguration());
    QSignalSpy outcomes(&e.engine, &CameraEngine::outcomeChanged);
    e.engine.refresh();
    QVERIFY(outcomes.wait(WaitMs));
    QCOMPARE(e.engine.lastOutcome()->kind, FetchOutcomeKind::CertificateChanged);
    QCOMPARE(e.engine.lastOutcome()->pinnedFingerprint, first.peerFingerprint);
    QCOMPARE(e.engine.lastOutcome()->peerFingerprint, CertificatePins::fingerprint(other.serverCertificate()));
}

QTEST_GUILESS_MAIN(TestEngineOutcomes)
#include "tst_engine_outcomes.moc"
