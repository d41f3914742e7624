// SPDX-License-Identifier: GPL-3.0-or-later
// What a response header says beyond its end and length: the status line, field values by
// name, the content type.
#include "monitor/HttpResponse.h"

#include <QTest>

using ByteList = QList<QByteArray>;

class TestResponseHeader : public QObject
{
    Q_OBJECT

private slots:
    void statusLine_data();
    void statusLine();
    void fieldValues_data();
    void fieldValues();
    void contentType_data();
    void contentType();
};

void TestResponseHeader::statusLine_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("200 OK") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg") << true << 200 << QByteArray("OK");
    QTest::newRow("status line only") << QByteArray("HTTP/1.0 404 Not Found") << true << 404 << QByteArray("Not Found");
    QTest::newRow("LF alone ends the line") << QByteArray("HTTP/1.1 302 Found\nLocation: /x") << true << 302
                                            << QByteArray("Found");
    QTest::newRow("no reason") << QByteArray("HTTP/1.1 204\r\n") << true << 204 << QByteArray();
    QTest::newRow("blank, no reason") << QByteArray("HTTP/1.1 500 \r\n") << true << 500 << QByteArray();
    QTest::newRow("several blanks and tabs") << QByteArray("HTTP/1.1 \t 503 \t Service  Unavailable \t") << true
                                             << 503 << QByteArray("Service  Unavailable");
    QTest::newRow("two-digit version numbers") << QByteArray("HTTP/10.11 401 Unauthorized") << true << 401
                                               << QByteArray("Unauthorized");
    QTest::newRow("lowest code") << QByteArray("HTTP/1.1 100 Continue") << true << 100 << QByteArray("Continue");
    QTest::newRow("highest code") << QByteArray("HTTP/1.1 599 x") << true << 599 << QByteArray("x");
    QTest::newRow("control bytes dropped from the reason")
        << QByteArray("HTTP/1.1 500 Bad\x01\x1b[31m\x7FThing") << true << 500 << QByteArray("Bad[31mThing");
    QTest::newRow("Latin-1 bytes kept") << QByteArray("HTTP/1.1 404 Nicht gefunden \xE4") << true << 404
                                        << QByteArray("Nicht gefunden \xE4");
    QTest::newRow("reason cut at the bound") << "HTTP/1.1 500 " + QByteArray(300, 'r') << true << 500
                                             << QByteArray(StatusLine::MaxReasonBytes, 'r');

    QTest::newRow("empty") << QByteArray() << false << 0 << QByteArray();
    QTest::newRow("lower-case http") << QByteArray("http/1.1 200 OK") << false << 0 << QByteArray();
    QTest::newRow("ICY") << QByteArray("ICY 200 OK") << false << 0 << QByteArray();
    QTest::newRow("no minor version") << QByteArray("HTTP/2 200 OK") << false << 0 << QByteArray();
    QTest::newRow("no blank before the code") << QByteArray("HTTP/1.1200 OK") << false << 0 << QByteArray();
    QTest::newRow("two-digit code") << QByteArray("HTTP/1.1 20 OK") << false << 0 << QByteArray();
    QTest::newRow("four-digit code") << QByteArray("HTTP/1.1 2000 OK") << false << 0 << QByteArray();
    QTest::newRow("code glued to the reason") << QByteArray("HTTP/1.1 200OK") << false << 0 << QByteArray();
    QTest::newRow("code below 100") << QByteArray("HTTP/1.1 099 x") << false << 0 << QByteArray();
    QTest::newRow("code above 599") << QByteArray("HTTP/1.1 600 x") << false << 0 << QByteArray();
    QTest::newRow("no code") << QByteArray("HTTP/1.1 \r\n") << false << 0 << QByteArray();
    QTest::newRow("status on the second line") << QByteArray("\r\nHTTP/1.1 200 OK") << false << 0 << QByteArray();
}

void TestResponseHeader::statusLine()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, ok);
    QFETCH(int, code);
    QFETCH(QByteArray, reason);

    const StatusLine status = parseStatusLine(header);
    QCOMPARE(status.ok, ok);
    QCOMPARE(status.code, code);
    QCOMPARE(status.reason, reason);
}

void TestResponseHeader::fieldValues_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<ByteList>("values");

    const QByteArray head = "HTTP/1.1 302 Found\r\n";
    QTest::newRow("one field") << head + "Location: /a" << QByteArray("Location") << ByteList{"/a"};
    QTest::newRow("any letter case") << head + "LOCATION: /a" << QByteArray("location") << ByteList{"/a"};
    QTest::newRow("several, in order") << head + "Location: /a\r\nX: 1\r\nlocation:/b\r\n" << QByteArray("Location")
                                       << ByteList{"/a", "/b"};
    QTest::newRow("blanks around name and value") << head + "Location \t:\t /a b \t" << QByteArray("Location")
                                                  << ByteList{"/a b"};
    QTest::newRow("empty value") << head + "Location:" << QByteArray("Location") << ByteList{""};
    QTest::newRow("colon inside the value") << head + "Location: http://cam:81/x" << QByteArray("Location")
                                            << ByteList{"http://cam:81/x"};
    QTest::newRow("LF line ends") << QByteArray("HTTP/1.1 200 OK\nA: 1\nB: 2") << QByteArray("B") << ByteList{"2"};
    QTest::newRow("folded lines join with one space")
        << head + "WWW-Authenticate: Digest realm=\"r\",\r\n  nonce=\"n\",\r\n\tqop=auth\r\nX: y"
        << QByteArray("WWW-Authenticate") << ByteList{"Digest realm=\"r\", nonce=\"n\", qop=auth"};
    QTest::newRow("folded lines of another field are not ours")
        << head + "X: 1\r\n Location: /fake\r\nLocation: /a" << QByteArray("Location") << ByteList{"/a"};
    QTest::newRow("folded blank line adds nothing") << head + "A: 1\r\n \t \r\nB: 2" << QByteArray("A") << ByteList{"1"};
    QTest::newRow("status line is no field") << QByteArray("Location: /status\r\nX: 1") << QByteArray("Location")
                                             << ByteList{};
    QTest::newRow("prefix of a longer name") << head + "Location-Hint: /a" << QByteArray("Location") << ByteList{};
    QTest::newRow("line without colon skipped") << head + "Location /a\r\nLocation: /b" << QByteArray("Location")
                                                << ByteList{"/b"};
    QTest::newRow("absent") << head + "X: 1" << QByteArray("Location") << ByteList{};
    QTest::newRow("empty header") << QByteArray() << QByteArray("Location") << ByteList{};
}

void TestResponseHeader::fieldValues()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, name);
    QFETCH(ByteList, values);

    QCOMPARE(headerFieldValues(header, name), values);
    QCOMPARE(headerFieldValue(header, name), values.value(0));
}

void TestResponseHeader::contentType_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("type");

    const QByteArray head = "HTTP/1.1 200 OK\r\n";
    QTest::newRow("plain") << head + "Content-Type: image/jpeg" << QByteArray("image/jpeg");
    QTest::newRow("parameters and case") << head + "content-type: Text/HTML ; charset=UTF-8" << QByteArray("text/html");
    QTest::newRow("first of two") << head + "Content-Type: image/png\r\nContent-Type: text/plain"
                                  << QByteArray("image/png");
    QTest::newRow("empty value") << head + "Content-Type:  ; x=1" << QByteArray();
    QTest::newRow("absent") << head + "Content-Length: 4" << QByteArray();
    QTest::newRow("odd bytes kept") << head + "Content-Type: <b>\xE4</b>" << QByteArray("<b>\xE4</b>");
}

void TestResponseHeader::contentType()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, type);
    QCOMPARE(responseContentType(header), type);
}

QTEST_GUILESS_MAIN(TestResponseHeader)
#include "tst_responseheader.moc"
