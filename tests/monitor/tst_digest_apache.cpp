// A real Digest login: Apache httpd with mod_auth_digest on loopback, answered by the
// Digest code over a slot socket, a new connection for each request as a fetch makes them.
#include "monitor/CameraAddress.h"
#include "monitor/DigestAuthentication.h"
#include "monitor/HttpResponse.h"
#include "platform/SlotSocket.h"

#include "support/ApacheHttpServer.h"

#include <QTest>

#include <optional>

namespace {

constexpr int kWaitMs = 20000;

QByteArray picture()
{
    QByteArray bytes = "\xFF\xD8\xFF\xE0";
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>(i * 7);
    return bytes + "\xFF\xD9";
}

// One request on a new connection; the bytes received until the server closed.
QByteArray fetchOnce(const CameraAddress &address, const QByteArray &authorization)
{
    SlotSocket socket(0);
    QByteArray received;
    bool ended = false;
    QObject::connect(&socket, &SlotSocket::connected, [&] {
        socket.send(buildRequest(address.path, address.host, authorization));
    });
    QObject::connect(&socket, &SlotSocket::dataArrived, [&] { received += socket.read(); });
    QObject::connect(&socket, &SlotSocket::closedByPeer, [&] { ended = true; });
    QObject::connect(&socket, &SlotSocket::failed, [&] { ended = true; });
    socket.connectToHost(address.host, address.port, address.tls);
    if (!QTest::qWaitFor([&] { return ended; }, kWaitMs))
        return QByteArray(); // no end within the wait: no status
    return received;
}

struct Login
{
    QString outcome;            // "picture", "login needed", "login refused", or what went wrong
    int digestAnswers = 0;
    QList<int> statuses;        // of every response, in order
    QList<bool> stale;          // of every 401's strongest Digest challenge
    QList<QByteArray> requests; // the Authorization values sent, "" for none
};

// Fetches `address` as a camera fetch does: the first request with Basic credentials when the
// address has any; each 401 decided by decideOnUnauthorized(); a Digest answer on a new
// connection. `waitBeforeFirstAnswerMs` lets a short-lived nonce expire.
Login login(const CameraAddress &address, const QByteArray &expectedBody, int waitBeforeFirstAnswerMs = 0)
{
    Login result;
    const Credentials credentials = credentialsOf(address.userInfo);
    QByteArray authorization = basicAuthorization(address.userInfo);
    std::optional<DigestAnswerer> answerer;
    for (int request = 0; request < 4; ++request) {
        result.requests << authorization;
        const SplitResponse response = splitResponse(fetchOnce(address, authorization));
        const StatusLine status = parseStatusLine(response.header);
        result.statuses << status.code;
        if (status.code == 200) {
            result.outcome = response.body == expectedBody ? QStringLiteral("picture") : QStringLiteral("other body");
            return result;
        }
        if (status.code != 401) {
            result.outcome = QStringLiteral("status %1").arg(status.code);
            return result;
        }
        const std::optional<DigestChallenge> offered = strongestDigestChallenge(authChallengesOfHeader(response.header));
        result.stale << (offered && offered->stale);
        const UnauthorizedDecision decision =
            decideOnUnauthorized(response.header, !address.userInfo.isEmpty(), result.digestAnswers);
        if (decision.action == UnauthorizedAction::LoginNeeded) {
            result.outcome = QStringLiteral("login needed");
            return result;
        }
        if (decision.action == UnauthorizedAction::LoginRefused) {
            result.outcome = QStringLiteral("login refused");
            return result;
        }
        if (result.digestAnswers == 0 && waitBeforeFirstAnswerMs > 0)
            QTest::qWait(waitBeforeFirstAnswerMs);
        answerer.emplace(decision.challenge, credentials.user, credentials.password);
        authorization = answerer->authorization("GET", encodeRequestPath(address.path).toUtf8());
        ++result.digestAnswers;
    }
    result.outcome = QStringLiteral("no end");
    return result;
}

} // namespace

class TestDigestApache : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void md5Login_data();
    void md5Login();
    void sha256Login();

private:
    std::unique_ptr<ApacheHttpServer> m_apache;
};

void TestDigestApache::initTestCase()
{
    if (!ApacheHttpServer::isInstalled())
        QSKIP("Apache httpd is not installed (Debian packages apache2, apache2-utils)");
    m_apache = std::make_unique<ApacheHttpServer>();
    QVERIFY(m_apache->addFile(QStringLiteral("md5/pic.jpg"), picture()));
    QVERIFY(m_apache->addFile(QStringLiteral("md5/my pic.jpg"), picture()));
    QVERIFY(m_apache->addFile(QStringLiteral("stale/pic.jpg"), picture()));
    m_apache->protect(QStringLiteral("md5"), QStringLiteral("MD5"));
    m_apache->protect(QStringLiteral("stale"), QStringLiteral("MD5"), 1);
    QVERIFY(m_apache->addUser(QStringLiteral("camera"), QStringLiteral("s3cret: x")));
    QVERIFY(m_apache->addUser(QStringLiteral("other"), QStringLiteral("pw")));
    QVERIFY2(m_apache->start(), qPrintable(m_apache->errorString()));
}

void TestDigestApache::md5Login_data()
{
    QTest::addColumn<QString>("userInfo");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<QList<bool>>("stale");

    QTest::newRow("right password") << "camera:s3cret%3A%20x" << "/md5/pic.jpg" << 0 << "picture"
                                    << QList<int>{401, 200} << QList<bool>{false};
    QTest::newRow("path with a space") << "camera:s3cret%3A%20x" << "/md5/my pic.jpg" << 0 << "picture"
                                       << QList<int>{401, 200} << QList<bool>{false};
    QTest::newRow("wrong password") << "camera:s3cret" << "/md5/pic.jpg" << 0 << "login refused"
                                    << QList<int>{401, 401} << QList<bool>{false, false};
    QTest::newRow("user of another password") << "other:s3cret%3A%20x" << "/md5/pic.jpg" << 0 << "login refused"
                                              << QList<int>{401, 401} << QList<bool>{false, false};
    QTest::newRow("unknown user") << "nobody:pw" << "/md5/pic.jpg" << 0 << "login refused" << QList<int>{401, 401}
                                  << QList<bool>{false, false};
    QTest::newRow("no credentials") << "" << "/md5/pic.jpg" << 0 << "login needed" << QList<int>{401}
                                    << QList<bool>{false};
    // The nonce lives one second: the first answer comes too late, the retry with the new
    // nonce is let in.
    QTest::newRow("stale nonce answered once more") << "camera:s3cret%3A%20x" << "/stale/pic.jpg" << 2500 << "picture"
                                                    << QList<int>{401, 401, 200} << QList<bool>{false, true};
}

void TestDigestApache::md5Login()
{
    QFETCH(QString, userInfo);
    QFETCH(QString, path);
    QFETCH(int, waitMs);
    QFETCH(QString, outcome);
    QFETCH(QList<int>, statuses);
    QFETCH(QList<bool>, stale);

    const QString at = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
    const CameraAddress address = parseCameraAddress(QStringLiteral("http://") + at + QStringLiteral("127.0.0.1:")
                                                     + QString::number(m_apache->port()) + path);
    QVERIFY(address.ok);
    const Login result = login(address, picture(), waitMs);
    QVERIFY2(result.outcome == outcome, qPrintable(result.outcome + QLatin1Char('\n') + m_apache->log()));
    QCOMPARE(result.statuses, statuses);
    QCOMPARE(result.stale, stale);
    // The first request carries Basic credentials (or none); every later one a Digest answer.
    QCOMPARE(result.requests.first().startsWith("Basic "), !userInfo.isEmpty());
    for (qsizetype i = 1; i < result.requests.size(); ++i)
        QVERIFY(result.requests[i].startsWith("Digest username=\""));
}

void TestDigestApache::sha256Login()
{
    if (!ApacheHttpServer::supportsDigestAlgorithm(QStringLiteral("SHA-256")))
        QSKIP("this Apache's mod_auth_digest offers MD5 only (AuthDigestAlgorithm SHA-256 is refused by apache2 -t)");
    ApacheHttpServer apache;
    QVERIFY(apache.addFile(QStringLiteral("sha256/pic.jpg"), picture()));
    apache.protect(QStringLiteral("sha256"), QStringLiteral("SHA-256"));
    QVERIFY(apache.addUser(QStringLiteral("camera"), QStringLiteral("pw")));
    QVERIFY2(apache.start(), qPrintable(apache.errorString()));
    const CameraAddress address =
        parseCameraAddress(QStringLiteral("http://camera:pw@127.0.0.1:%1/sha256/pic.jpg").arg(apache.port()));
    const Login result = login(address, picture());
    QCOMPARE(result.outcome, QStringLiteral("picture"));
    QVERIFY(result.requests.last().contains("algorithm=SHA-256"));
}

QTEST_GUILESS_MAIN(TestDigestApache)
#include "tst_digest_apache.moc"
