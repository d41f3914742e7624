// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Downloader.h"

#include "support/PythonHttpServer.h"
#include "support/ScriptedHttpServer.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QByteArray kBom = "\xEF\xBB\xBF";
const QByteArray kLanguageFile = "<TRANSLATION_ITEMS>\r\n<LANGUAGE_GROUP>\r\n<LANGUAGE_NAME>English</LANGUAGE_NAME>"
                                 "\r\n</LANGUAGE_GROUP>\r\n</TRANSLATION_ITEMS>\r\n";

QByteArray hundredBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 100; ++i)
        bytes += static_cast<char>((i * 37 + 13) % 256); // includes 0, CR, LF and bytes above 127
    return bytes;
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, 'a');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

using Headers = QList<QPair<QByteArray, QByteArray>>;

QByteArray withLength(int status, const QByteArray &body)
{
    return ScriptedHttpServer::response(status, {{"Content-Length", QByteArray::number(body.size())}}, body);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The requests received, without the spare connections the toolkit opens and leaves unused.
QList<QByteArray> sentRequests(const ScriptedHttpServer &server)
{
    QList<QByteArray> sent = server.requests();
    sent.removeAll(QByteArray());
    return sent;
}

quint16 closedPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

Q_DECLARE_METATYPE(Script)

class TestDownloader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { qunsetenv("OCELLUS_LANGUAGE_UPDATE_BASE"); }

    void returnsFileExactly_data();
    void returnsFileExactly();
    void returnsErrorPage();
    void returnsBodyWhateverTheStatus_data();
    void returnsBodyWhateverTheStatus();
    void sendsUncachedRequest();
    void followsRedirect();
    void failureGivesEmpty_data();
    void failureGivesEmpty();
    void brokenLimitGivesEmpty_data();
    void brokenLimitGivesEmpty();
    void eventLoopKeepsRunning();
    void updateAddress_data();
    void updateAddress();
    void downloadsFromRedirectedBase();

private:
    QTemporaryDir m_root;
    std::unique_ptr<PythonHttpServer> m_python;
};

void TestDownloader::initTestCase()
{
    QVERIFY(m_root.isValid());
    QVERIFY(writeFile(m_root.filePath("bom.txt"), kBom + kLanguageFile));
    QVERIFY(writeFile(m_root.filePath("hundred.bin"), hundredBytes()));
    QVERIFY(writeFile(m_root.filePath("empty.txt"), QByteArray()));
    QVERIFY(writeFile(m_root.filePath("large.bin"), pattern(700000)));
    QVERIFY(writeFile(m_root.filePath("Languages/0/Localization.txt"), kLanguageFile));
    m_python = std::make_unique<PythonHttpServer>(m_root.path());
    QVERIFY2(m_python->start(), qPrintable(m_python->errorString()));
}

void TestDownloader::returnsFileExactly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("byte-order mark kept") << "/bom.txt" << kBom + kLanguageFile;
    QTest::newRow("under 256 bytes, every byte value") << "/hundred.bin" << hundredBytes();
    QTest::newRow("empty file") << "/empty.txt" << QByteArray();
    QTest::newRow("700 kB") << "/large.bin" << pattern(700000);
}

void TestDownloader::returnsFileExactly()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, expected);
    const QByteArray body = downloadUrlText(m_python->url(path));
    QCOMPARE(body.size(), expected.size());
    QVERIFY(body == expected);
}

void TestDownloader::returnsErrorPage()
{
    const QByteArray body = downloadUrlText(m_python->url("/missing/Localization.txt"));
    QVERIFY2(body.contains("Error code: 404"), body.constData());
}

void TestDownloader::returnsBodyWhateverTheStatus_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray page = "<html>no such language</html>";
    QTest::newRow("200 with length") << Script{Step::send(withLength(200, kLanguageFile))} << kLanguageFile;
    QTest::newRow("200 ended by close")
        << Script{Step::send(ScriptedHttpServer::response(200, {{"Connection", "close"}}, kLanguageFile)),
                  Step::close()}
        << kLanguageFile;
    QTest::newRow("404 page") << Script{Step::send(withLength(404, page))} << page;
    QTest::newRow("500 page") << Script{Step::send(withLength(500, page)), Step::close()} << page;
    QTest::newRow("403 page") << Script{Step::send(withLength(403, page))} << page;
    QTest::newRow("chunked")
        << Script{Step::send(ScriptedHttpServer::response(200, {{"Transfer-Encoding", "chunked"}}, "")),
                  Step::send("5\r\n<TRAN\r\n"), Step::waitMs(20), Step::send("3\r\nSLA\r\n0\r\n\r\n")}
        << QByteArray("<TRANSLA");
    // Asked for "identity", a server that compresses anyway gets its bytes back unpacked.
    const QByteArray gzip = QByteArray::fromHex("1f8b08006228176b02ffb3090972f40bf6710cf1f4f78bf70c71f50db6cb48cdc9c9"
                                                "0700f703994f18000000");
    QTest::newRow("compressed body returned as sent")
        << Script{Step::send(ScriptedHttpServer::response(
               200, {{"Content-Encoding", "gzip"}, {"Content-Length", QByteArray::number(gzip.size())}}, gzip))}
        << gzip;
}

void TestDownloader::returnsBodyWhateverTheStatus()
{
    QFETCH(Script, script);
    QFETCH(QByteArray, expected);
    ScriptedHttpServer server;
    server.setScript(script);
    QCOMPARE(downloadUrlText(server.url("/Languages/0/Localization.txt")), expected);
}

void TestDownloader::sendsUncachedRequest()
{
    ScriptedHttpServer server;
    server.setScript({Step::send(withLength(200, "x"))});
    for (int round = 0; round < 2; ++round)
        QCOMPARE(downloadUrlText(server.url("/Languages/0/Localization.txt")), QByteArray("x"));
    const QList<QByteArray> requests = sentRequests(server);
    QCOMPARE(requests.size(), 2); // the second download asked the server again
    const QByteArray request = requests.last().toLower();
    QVERIFY2(request.startsWith("get /languages/0/localization.txt http/1.1\r\n"), request.constData());
    QVERIFY2(request.contains("\r\nuser-agent: mozilla\r\n"), request.constData());
    QVERIFY2(request.contains("\r\npragma: no-cache\r\n"), request.constData());
    QVERIFY2(request.contains("\r\ncache-control: no-cache\r\n"), request.constData());
    QVERIFY2(request.contains(QByteArray("\r\nhost: 127.0.0.1:") + QByteArray::number(server.port())),
             request.constData());
}

void TestDownloader::followsRedirect()
{
    ScriptedHttpServer server;
    server.queueScript({Step::send(ScriptedHttpServer::response(
                            302, {{"Location", "/moved/Localization.txt"}, {"Content-Length", "0"}}, "")),
                        Step::close()});
    server.setScript({Step::send(withLength(200, kLanguageFile)), Step::close()});
    QCOMPARE(downloadUrlText(server.url("/Languages/0/Localization.txt")), kLanguageFile);
    const QList<QByteArray> requests = sentRequests(server);
    QCOMPARE(requests.size(), 2);
    QVERIFY(requests[0].startsWith("GET /Languages/0/Localization.txt HTTP/1.1\r\n"));
    QVERIFY(requests[1].startsWith("GET /moved/Localization.txt HTTP/1.1\r\n"));
}

void TestDownloader::failureGivesEmpty_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<Script>("script"); // played by a scripted server at %1 when not empty
    const QString scripted = QStringLiteral("http://127.0.0.1:%1/Localization.txt");
    QTest::newRow("refused") << QStringLiteral("http://127.0.0.1:%1/x.txt").arg(closedPort()) << Script();
    QTest::newRow("host name that does not resolve")
        << QStringLiteral("http://languages.invalid/Languages/0/Localization.txt") << Script();
    QTest::newRow("empty address") << QString() << Script();
    QTest::newRow("file address") << QStringLiteral("file:///etc/hostname") << Script();
    QTest::newRow("unsupported scheme") << QStringLiteral("ftp://127.0.0.1/Localization.txt") << Script();
    QTest::newRow("not HTTP at all") << scripted << Script{Step::send("SSH-2.0-OpenSSH_9.2\r\n"), Step::close()};
    QTest::newRow("closed before any byte") << scripted << Script{Step::close()};
    QTest::newRow("reset before the header") << scripted << Script{Step::reset()};
    QTest::newRow("reset inside the header")
        << scripted << Script{Step::send("HTTP/1.1 200 OK\r\nContent-Le"), Step::waitMs(20), Step::reset()};
    QTest::newRow("reset inside the body")
        << scripted << Script{Step::send(withLength(200, kLanguageFile).chopped(10)), Step::waitMs(20), Step::reset()};
    QTest::newRow("closed inside the body")
        << scripted << Script{Step::send(withLength(200, kLanguageFile).chopped(10)), Step::close()};
}

void TestDownloader::failureGivesEmpty()
{
    QFETCH(QString, url);
    QFETCH(Script, script);
    ScriptedHttpServer server;
    if (!script.isEmpty()) {
        server.setScript(script);
        url = url.arg(server.port());
    }
    QCOMPARE(downloadUrlText(url), QByteArray());
    if (!script.isEmpty())
        QVERIFY(server.connectionCount() >= 1);
}

void TestDownloader::brokenLimitGivesEmpty_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<int>("totalMs");
    QTest::addColumn<qint64>("maxBytes");
    const QByteArray header = "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n";
    QTest::newRow("accepts, never answers") << Script{Step::hang()} << 300 << 60000 << qint64(1 << 20);
    QTest::newRow("silent after the header") << Script{Step::send(header), Step::hang()} << 300 << 60000
                                             << qint64(1 << 20);
    QTest::newRow("body without end") << Script{Step::send(header), Step::stream(-1)} << 30000 << 60000
                                      << qint64(1 << 20);
    QTest::newRow("one byte every 20 ms")
        << Script{Step::send(header), Step::drip(QByteArray(1000, 'x'), 20)} << 30000 << 400 << qint64(1 << 20);
}

void TestDownloader::brokenLimitGivesEmpty()
{
    QFETCH(Script, script);
    QFETCH(int, idleMs);
    QFETCH(int, totalMs);
    QFETCH(qint64, maxBytes);
    ScriptedHttpServer server;
    server.setScript(script);
    DownloadLimits limits;
    limits.idleTimeoutMs = idleMs;
    limits.totalTimeoutMs = totalMs;
    limits.maxBytes = maxBytes;
    QCOMPARE(downloadUrlText(server.url("/Localization.txt"), limits), QByteArray());
    QCOMPARE(server.connectionCount(), 1);
}

void TestDownloader::eventLoopKeepsRunning()
{
    ScriptedHttpServer server;
    const QByteArray body = pattern(20);
    server.setScript({Step::send("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n"), Step::drip(body, 15)});
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    QCOMPARE(downloadUrlText(server.url("/Localization.txt")), body);
    QVERIFY2(ticks > 0, "no timer event ran during the download");
}

void TestDownloader::updateAddress_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("website");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("expected");
    QTest::newRow("product number 0") << QString() << "www.ocellus.example" << 0
                                      << "https://www.ocellus.example/Languages/"
                                      << "https://www.ocellus.example/Languages/0/Localization.txt";
    QTest::newRow("product number 12") << QString() << "www.ocellus.example" << 12
                                       << "https://www.ocellus.example/Languages/"
                                       << "https://www.ocellus.example/Languages/12/Localization.txt";
    QTest::newRow("environment base") << "http://127.0.0.1:8080/lang/" << "www.ocellus.example" << 0
                                      << "http://127.0.0.1:8080/lang/"
                                      << "http://127.0.0.1:8080/lang/0/Localization.txt";
    QTest::newRow("environment base without final slash")
        << "https://mirror.example/Languages" << "www.ocellus.example" << 3 << "https://mirror.example/Languages/"
        << "https://mirror.example/Languages/3/Localization.txt";
}

void TestDownloader::updateAddress()
{
    QFETCH(QString, environment);
    QFETCH(QString, website);
    QFETCH(int, number);
    QFETCH(QString, base);
    QFETCH(QString, expected);
    if (environment.isEmpty())
        qunsetenv("OCELLUS_LANGUAGE_UPDATE_BASE");
    else
        qputenv("OCELLUS_LANGUAGE_UPDATE_BASE", environment.toUtf8());
    QCOMPARE(languageUpdateBaseUrl(website), base);
    QCOMPARE(languageUpdateUrl(website, static_cast<qint16>(number)), expected);
}

void TestDownloader::downloadsFromRedirectedBase()
{
    qputenv("OCELLUS_LANGUAGE_UPDATE_BASE", m_python->url("/Languages/").toUtf8());
    QCOMPARE(downloadUrlText(languageUpdateUrl(QStringLiteral("www.ocellus.example"), 0)), kLanguageFile);
}

QTEST_GUILESS_MAIN(TestDownloader)
#include "tst_downloader.moc"
