// SPDX-License-Identifier: GPL-3.0-or-later
// A real Digest login: Apache httpd with mod_auth_digest on loopback, and a camera engine
// fetching a picture behind it, answering the challenge on a new connection within the fetch.
#include "EngineFixture.h"

#include "support/ApacheHttpServer.h"
#include "support/ResponseFixtures.h"

#include <QTest>

namespace {

constexpr int kWaitMs = 20000;

const QByteArray &picture()
{
    static const QByteArray bytes = fixture::jpegBytes(40, 30);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(FetchOutcomeKind)

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
    m_apache->protect(QStringLiteral("md5"), QStringLiteral("MD5"));
    QVERIFY(m_apache->addUser(QStringLiteral("camera"), QStringLiteral("s3cret: x")));
    QVERIFY(m_apache->addUser(QStringLiteral("other"), QStringLiteral("pw")));
    QVERIFY2(m_apache->start(), qPrintable(m_apache->errorString()));
}

void TestDigestApache::md5Login_data()
{
    QTest::addColumn<QString>("userInfo");
    QTest::addColumn<QString>("path");
    QTest::addColumn<FetchOutcomeKind>("outcome");

    QTest::newRow("right password") << "camera:s3cret%3A%20x" << "/md5/pic.jpg" << FetchOutcomeKind::Picture;
    QTest::newRow("path with a space") << "camera:s3cret%3A%20x" << "/md5/my pic.jpg" << FetchOutcomeKind::Picture;
    QTest::newRow("wrong password") << "camera:s3cret" << "/md5/pic.jpg" << FetchOutcomeKind::LoginRefused;
    QTest::newRow("user of another password") << "other:s3cret%3A%20x" << "/md5/pic.jpg"
                                              << FetchOutcomeKind::LoginRefused;
    QTest::newRow("unknown user") << "nobody:pw" << "/md5/pic.jpg" << FetchOutcomeKind::LoginRefused;
    QTest::newRow("no credentials") << "" << "/md5/pic.jpg" << FetchOutcomeKind::LoginNeeded;
}

void TestDigestApache::md5Login()
{
    QFETCH(QString, userInfo);
    QFETCH(QString, path);
    QFETCH(FetchOutcomeKind, outcome);

    const QString at = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
    fixture::Engine e;
    QSignalSpy outcomes(&e.engine, &CameraEngine::outcomeChanged);
    e.open(QStringLiteral("Apache"), QStringLiteral("http://") + at + QStringLiteral("127.0.0.1:")
                                         + QString::number(m_apache->port()) + path);
    QVERIFY2(outcomes.wait(kWaitMs), qPrintable(m_apache->log()));
    QVERIFY2(e.engine.lastOutcome()->kind == outcome, qPrintable(m_apache->log()));
    if (outcome == FetchOutcomeKind::Picture)
        QCOMPARE(e.engine.picture().encoded(), picture());
    else
        QVERIFY(e.engine.picture().isNull());
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
    fixture::Engine e;
    QSignalSpy outcomes(&e.engine, &CameraEngine::outcomeChanged);
    e.open(QStringLiteral("Apache"), QStringLiteral("http://camera:pw@127.0.0.1:%1/sha256/pic.jpg").arg(apache.port()));
    QVERIFY(outcomes.wait(kWaitMs));
    QCOMPARE(e.engine.lastOutcome()->kind, FetchOutcomeKind::Picture);
}

QTEST_GUILESS_MAIN(TestDigestApache)
#include "tst_digest_apache.moc"
