// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/HttpResponse.h"

#include <QTest>

namespace {

const QByteArray ChunkedHead("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nTransfer-Encoding: chunked\r\n\r\n");

// "hello world, chunked" in four chunks with an extension and a trailer.
const QByteArray ChunkedBodyText("5\r\nhello\r\n6;name=value\r\n world\r\nA\r\n, chunked!\r\n"
                                 "0\r\nX-Trailer: 1\r\n\r\n");
const QByteArray ChunkedData("hello world, chunked!");

} // namespace

class TestResponseSplit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data();
    void split();
    void chunkedHeader_data();
    void chunkedHeader();
    void decode_data();
    void decode();
    void chunkedCutAtEveryByte();
    void largeChunkedBody();
    void bufferBecomesBody();
};

void TestResponseSplit::split_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("header and body") << QByteArray("HTTP/1.1 200 OK\r\nA: b\r\n\r\n\xFF\xD8\r\n\r\nrest")
                                     << QByteArray("HTTP/1.1 200 OK\r\nA: b") << QByteArray("\xFF\xD8\r\n\r\nrest");
    QTest::newRow("no header end: all body") << QByteArray("HTTP/1.1 200 OK\r\nA: b\r\n")
                                             << QByteArray() << QByteArray("HTTP/1.1 200 OK\r\nA: b\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("header end first") << QByteArray("\r\n\r\nbody") << QByteArray() << QByteArray("body");
    QTest::newRow("empty body") << QByteArray("HTTP/1.0 204 X\r\n\r\n") << QByteArray("HTTP/1.0 204 X") << QByteArray();
    QTest::newRow("chunked") << ChunkedHead + ChunkedBodyText << ChunkedHead.chopped(4) << ChunkedData;
    QTest::newRow("chunked but cut before the body") << ChunkedHead << ChunkedHead.chopped(4) << QByteArray();
}

void TestResponseSplit::split()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    const SplitResponse response = splitResponse(buffer);
    QCOMPARE(response.header, header);
    QCOMPARE(response.body, body);
}

void TestResponseSplit::chunkedHeader_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("chunked");
    QTest::newRow("plain") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked") << true;
    QTest::newRow("letter case") << QByteArray("HTTP/1.1 200 OK\r\ntransfer-encoding: CHUNKED\r\nA: b") << true;
    QTest::newRow("after another coding") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked") << true;
    QTest::newRow("no blank after colon") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding:chunked") << true;
    QTest::newRow("identity") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: identity") << false;
    QTest::newRow("other header name") << QByteArray("HTTP/1.1 200 OK\r\nX-Transfer-Encoding: chunked") << false;
    QTest::newRow("word in another value") << QByteArray("HTTP/1.1 200 OK\r\nX-Note: Transfer-Encoding: chunked") << false;
    QTest::newRow("status line only") << QByteArray("Transfer-Encoding: chunked") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestResponseSplit::chunkedHeader()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, chunked);
    QCOMPARE(headerIsChunked(header), chunked);
    const SplitResponse response = splitResponse(header + "\r\n\r\n3\r\nabc\r\n0\r\n\r\n");
    QCOMPARE(response.dechunked, chunked);
    QCOMPARE(response.body, chunked ? QByteArray("abc") : QByteArray("3\r\nabc\r\n0\r\n\r\n"));
}

void TestResponseSplit::decode_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("complete");
    QTest::newRow("chunks, extension, trailer") << ChunkedBodyText << ChunkedData << true;
    QTest::newRow("upper and lower hex") << QByteArray("a\r\n0123456789\r\nB\r\nabcdefghijk\r\n0\r\n\r\n")
                                         << QByteArray("0123456789abcdefghijk") << true;
    QTest::newRow("blanks around the size") << QByteArray(" 5 ;x\r\nhello\r\n0\r\n\r\n") << QByteArray("hello") << true;
    QTest::newRow("leading zeros") << QByteArray("0005\r\nhello\r\n000\r\n") << QByteArray("hello") << true;
    QTest::newRow("data holds CR LF") << QByteArray("4\r\n\r\n\r\n\r\n0\r\n\r\n") << QByteArray("\r\n\r\n") << true;
    QTest::newRow("final chunk only") << QByteArray("0\r\n\r\n") << QByteArray() << true;
    QTest::newRow("empty") << QByteArray() << QByteArray() << false;
    QTest::newRow("missing final chunk") << QByteArray("5\r\nhello\r\n") << QByteArray("hello") << false;
    QTest::newRow("size line cut") << QByteArray("5\r\nhello\r\n6") << QByteArray("hello") << false;
    QTest::newRow("not hex") << QByteArray("5\r\nhello\r\nzz\r\nabc\r\n0\r\n\r\n") << QByteArray("hello") << false;
    QTest::newRow("empty size") << QByteArray("\r\nabc\r\n0\r\n\r\n") << QByteArray() << false;
    QTest::newRow("negative size") << QByteArray("-5\r\nhello\r\n0\r\n\r\n") << QByteArray() << false;
    QTest::newRow("size beyond the data") << QByteArray("5\r\nhello\r\n10\r\nabc") << QByteArray("helloabc") << false;
    QTest::newRow("size overflowing 64 bits") << QByteArray("FFFFFFFFFFFFFFFFFFFFFFFF\r\nabc\r\n0\r\n\r\n")
                                              << QByteArray("abc\r\n0\r\n\r\n") << false;
    QTest::newRow("data not followed by CR LF") << QByteArray("5\r\nhelloXX3\r\nabc\r\n0\r\n\r\n")
                                                << QByteArray("hello") << false;
    QTest::newRow("bare LF line ends") << QByteArray("5\nhello\n0\n\n") << QByteArray() << false;
}

void TestResponseSplit::decode()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, data);
    QFETCH(bool, complete);
    const ChunkedBody decoded = decodeChunked(body);
    QCOMPARE(decoded.data, data);
    QCOMPARE(decoded.complete, complete);
}

// Every prefix of a chunked response gives a prefix of the data, never shrinking as the
// prefix grows, complete exactly once the final chunk's size line is in.
void TestResponseSplit::chunkedCutAtEveryByte()
{
    const QByteArray response = ChunkedHead + ChunkedBodyText;
    const qsizetype finalLineEnd = response.indexOf("0\r\nX-Trailer") + 3;
    qsizetype previous = 0;
    for (qsizetype cut = 0; cut <= response.size(); ++cut) {
        const SplitResponse split = splitResponse(response.first(cut));
        QCOMPARE(split.dechunked, cut >= ChunkedHead.size());
        if (!split.dechunked) {
            QCOMPARE(split.body, response.first(cut));
            continue;
        }
        QVERIFY2(ChunkedData.startsWith(split.body), qPrintable(QString::number(cut)));
        QVERIFY(split.body.size() >= previous);
        previous = split.body.size();
        QCOMPARE(split.chunkedComplete, cut >= finalLineEnd);
        if (split.chunkedComplete)
            QCOMPARE(split.body, ChunkedData);
    }
    QCOMPARE(previous, ChunkedData.size());
}

void TestResponseSplit::largeChunkedBody()
{
    QByteArray data;
    QByteArray body;
    for (int i = 0; i < 2048; ++i) {
        const QByteArray piece(1 + (i * 37) % 1500, char('a' + i % 26));
        data += piece;
        body += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    body += "0\r\n\r\n";
    const SplitResponse split = splitResponse(ChunkedHead + body);
    QVERIFY(split.chunkedComplete);
    QCOMPARE(split.body, data);
}

void TestResponseSplit::bufferBecomesBody()
{
    const QByteArray head = "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n";
    QByteArray body(300000, Qt::Uninitialized);
    for (qsizetype i = 0; i < body.size(); ++i)
        body[i] = char(i * 7);

    // Passed by move and held nowhere else: the body is the buffer's own bytes.
    QByteArray buffer;
    buffer.reserve(head.size() + body.size()); // sized as a Content-Length sizes it
    buffer += head;
    buffer += body;
    const void *const bodyBytes = buffer.constData() + head.size();
    SplitResponse split = splitResponse(std::move(buffer));
    QCOMPARE(split.header, head.first(head.size() - 4));
    QCOMPARE(split.body, body);
    QCOMPARE(static_cast<const void *>(split.body.constData()), bodyBytes);

    // Held elsewhere too: the other holder keeps the whole response.
    const QByteArray shared = head + body;
    split = splitResponse(shared);
    QCOMPARE(split.body, body);
    QCOMPARE(shared, head + body);

    // A buffer grown far beyond its bytes gives the room back.
    QByteArray roomy;
    roomy.reserve(4 * 1024 * 1024);
    roomy += head + body.first(1000);
    split = splitResponse(std::move(roomy));
    QCOMPARE(split.body, body.first(1000));
    QVERIFY(split.body.capacity() < 64 * 1024);

    // No header end: the whole buffer is the body, as it is.
    QByteArray headless = body;
    const void *const headlessBytes = headless.constData();
    split = splitResponse(std::move(headless));
    QCOMPARE(static_cast<const void *>(split.body.constData()), headlessBytes);
    QVERIFY(split.header.isEmpty());
}

QTEST_GUILESS_MAIN(TestResponseSplit)
#include "tst_responsesplit.moc"
