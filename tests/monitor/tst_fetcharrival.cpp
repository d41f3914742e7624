// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SlotFetchState.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>
#include <limits>
#include <numeric>

namespace {

QByteArray header(const QByteArray &lines)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n" + lines + "\r\n";
}

ArrivalResult arrive(SlotFetchState &state, const QByteArray &chunk)
{
    return onDataArrival(state, chunk, static_cast<qint32>(chunk.size()));
}

// Feeds `response` cut at the given ascending positions and returns the state.
SlotFetchState feedCut(const QByteArray &response, const QList<qsizetype> &cuts)
{
    SlotFetchState state;
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        arrive(state, response.sliced(from, cut - from));
        from = cut;
    }
    arrive(state, response.sliced(from));
    return state;
}

} // namespace

class TestFetchArrival : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void progressSequence();
    void progressTexts_data();
    void progressTexts();
    void contentLength_data();
    void contentLength();
    void bodyInHeaderArrival();
    void countFromEvent();
    void headerEndAtEveryCut();
    void headerEndRandomPieces();
    void headerEndBeyond32767();
    void responseBound();
    void announcedLengthSizesTheBuffer_data();
    void announcedLengthSizesTheBuffer();
    void takenThroughReader_data();
    void takenThroughReader();
    void readerBeyondTheBound();
    void resetForFetch();
    void statusFileName_data();
    void statusFileName();
};

void TestFetchArrival::progressSequence()
{
    SlotFetchState state;
    ArrivalResult r = arrive(state, header("Content-Length: 2000\r\n"));
    QVERIFY(r.headerCompleted);
    QVERIFY(!r.showProgress);
    QCOMPARE(state.contentLength, 2000);
    QCOMPARE(state.bytesReceived, 0);

    float bar = 100.0f; // left over from an earlier fetch
    const QList<qsizetype> pieces{500, 1000, 500};
    const QList<float> expected{25.0f, 75.0f, 100.0f};
    const QStringList texts{"Downloading snap.jpg [25]", "Downloading snap.jpg [75]", "Downloading snap.jpg [100]"};
    for (int i = 0; i < pieces.size(); ++i) {
        r = arrive(state, QByteArray(pieces[i], 'x'));
        QVERIFY(!r.abandon);
        QVERIFY(!r.headerCompleted);
        QVERIFY(r.showProgress);
        QVERIFY(r.barAccepts);
        QCOMPARE(r.percent, expected[i]);
        bar = progressBarValueAfter(bar, r);
        QCOMPARE(downloadStatusText(QStringLiteral("snap.jpg"), bar), texts[i]);
    }

    // More than announced: the bar refuses and the text repeats its value.
    r = arrive(state, QByteArray(200, 'x'));
    QVERIFY(r.showProgress);
    QVERIFY(!r.barAccepts);
    QCOMPARE(r.percent, 110.0f);
    bar = progressBarValueAfter(bar, r);
    QCOMPARE(downloadStatusText(QStringLiteral("snap.jpg"), bar), QStringLiteral("Downloading snap.jpg [100]"));
    // In another language; a file name that holds a placeholder is shown as it is.
    QCOMPARE(downloadStatusText(QStringLiteral("a%2b%1.jpg"), 12.5f, QStringLiteral("Lade %1 [%2]")),
             QStringLiteral("Lade a%2b%1.jpg [12.5]"));
}

void TestFetchArrival::progressTexts_data()
{
    QTest::addColumn<qint32>("contentLength");
    QTest::addColumn<qint32>("received");
    QTest::addColumn<bool>("accepts");
    QTest::addColumn<QString>("text");
    QTest::newRow("45.2381") << 1000000 << 452381 << true << "Downloading a.jpg [45.2381]";
    QTest::newRow("950 of 2100") << 2100 << 950 << true << "Downloading a.jpg [45.23809]";
    QTest::newRow("one third") << 3 << 1 << true << "Downloading a.jpg [33.33333]";
    QTest::newRow("two thirds") << 3 << 2 << true << "Downloading a.jpg [66.66666]";
    QTest::newRow("small fraction") << 1000000 << 1 << true << "Downloading a.jpg [0.0001]";
    QTest::newRow("exactly 100") << 7 << 7 << true << "Downloading a.jpg [100]";
    QTest::newRow("just above 100") << 1000000 << 1000001 << false << "Downloading a.jpg [12.5]";
}

void TestFetchArrival::progressTexts()
{
    QFETCH(qint32, contentLength);
    QFETCH(qint32, received);
    QFETCH(bool, accepts);
    QFETCH(QString, text);
    SlotFetchState state;
    arrive(state, header("Content-Length: " + QByteArray::number(contentLength) + "\r\n"));
    const ArrivalResult r = arrive(state, QByteArray(received, 'x'));
    QVERIFY(r.showProgress);
    QCOMPARE(r.barAccepts, accepts);
    QCOMPARE(downloadStatusText(QStringLiteral("a.jpg"), progressBarValueAfter(12.5f, r)), text);
}

void TestFetchArrival::contentLength_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<qint32>("length");
    QTest::newRow("none") << QByteArray() << 0;
    QTest::newRow("lower case not recognised") << QByteArray("content-length: 2000\r\n") << 0;
    QTest::newRow("extension header first wins") << QByteArray("X-Content-Length-Hint: 7\r\nContent-Length: 2000\r\n") << 7;
    QTest::newRow("first line wins even if unreadable")
        << QByteArray("Content-Length: abc\r\nContent-Length: 2000\r\n") << 0;
    QTest::newRow("no space: whole line is not a number") << QByteArray("Content-Length:2000\r\n") << 0;
    QTest::newRow("blanks around the value") << QByteArray("Content-Length:  2000 \r\n") << 2000;
    QTest::newRow("fraction is not whole") << QByteArray("Content-Length: 20.5\r\n") << 0;
    QTest::newRow("above 32 bits") << QByteArray("Content-Length: 4294967296\r\n") << 0;
    QTest::newRow("largest 32-bit") << QByteArray("Content-Length: 2147483647\r\n") << 2147483647;
    QTest::newRow("negative") << QByteArray("Content-Length: -5\r\n") << -5;
    QTest::newRow("mentioned in another value") << QByteArray("X: Content-Length: 9\r\nContent-Length: 12\r\n") << 0;
}

void TestFetchArrival::contentLength()
{
    QFETCH(QByteArray, lines);
    QFETCH(qint32, length);
    SlotFetchState state;
    QVERIFY(arrive(state, header(lines)).headerCompleted);
    QCOMPARE(state.contentLength, length);
    const ArrivalResult r = arrive(state, QByteArray(5, 'x'));
    QCOMPARE(r.showProgress, length > 0);
    if (length <= 0)
        QCOMPARE(progressBarValueAfter(100.0f, r), 100.0f);
}

void TestFetchArrival::bodyInHeaderArrival()
{
    SlotFetchState state;
    QVERIFY(!arrive(state, "HTTP/1.1 200 OK\r\nContent-Le").headerCompleted);
    QVERIFY(!state.headerParsed);
    const ArrivalResult r = arrive(state, "ngth: 1000\r\n\r\n" + QByteArray(300, 'b'));
    QVERIFY(r.headerCompleted);
    QVERIFY(!r.showProgress);
    QCOMPARE(state.bytesReceived, 300);
    QCOMPARE(state.headerEnd, qsizetype(38));
    const ArrivalResult next = arrive(state, QByteArray(200, 'b'));
    QCOMPARE(next.percent, 50.0f);
}

void TestFetchArrival::countFromEvent()
{
    SlotFetchState state;
    onDataArrival(state, header("Content-Length: 100\r\n"), 0);
    QVERIFY(state.bytesReceived < 0);
    const ArrivalResult negative = onDataArrival(state, "abcd", 4);
    QVERIFY(negative.showProgress);
    QVERIFY(negative.percent < 0.0f);
    QVERIFY(!negative.barAccepts);

    SlotFetchState counted;
    arrive(counted, header("Content-Length: 100\r\n"));
    const ArrivalResult r = onDataArrival(counted, QByteArray(10, 'x'), 12);
    QCOMPARE(counted.bytesReceived, 12);
    QCOMPARE(r.percent, 12.0f);
    QCOMPARE(counted.buffer.size(), header("Content-Length: 100\r\n").size() + 10);
}

void TestFetchArrival::headerEndAtEveryCut()
{
    const QByteArray head = header("Content-Length: 40\r\n");
    const QByteArray response = head + QByteArray(40, 'z');
    for (qsizetype a = 1; a < response.size(); ++a) {
        for (qsizetype b = a; b <= std::min(response.size(), a + 6); ++b) {
            const SlotFetchState state = feedCut(response, b == a ? QList<qsizetype>{a} : QList<qsizetype>{a, b});
            QVERIFY2(state.headerParsed, qPrintable(QString::asprintf("cut %lld/%lld", qint64(a), qint64(b))));
            QCOMPARE(state.headerEnd, head.size() - 3);
            QCOMPARE(state.contentLength, 40);
            QCOMPARE(state.bytesReceived, 40);
            QCOMPARE(state.buffer, response);
        }
    }
}

void TestFetchArrival::headerEndRandomPieces()
{
    QRandomGenerator random(20130327);
    const QByteArray head = header("X-Pad: " + QByteArray(300, '\r') + "\r\nContent-Length: 1000\r\n");
    const QByteArray response = head + QByteArray(1000, '\n');
    for (int round = 0; round < 300; ++round) {
        QList<qsizetype> cuts;
        qsizetype at = 0;
        while (true) {
            at += 1 + random.bounded(qint64(40));
            if (at >= response.size())
                break;
            cuts.append(at);
        }
        const SlotFetchState state = feedCut(response, cuts);
        QVERIFY(state.headerParsed);
        QCOMPARE(state.headerEnd, head.size() - 3);
        QCOMPARE(state.bytesReceived, 1000);
        QCOMPARE(state.contentLength, 1000);
    }
}

void TestFetchArrival::headerEndBeyond32767()
{
    const QByteArray head = header("X-Pad: " + QByteArray(40000, 'p') + "\r\nContent-Length: 2000\r\n");
    SlotFetchState state;
    for (qsizetype from = 0; from < head.size(); from += 1000)
        arrive(state, head.sliced(from, std::min<qsizetype>(1000, head.size() - from)));
    QVERIFY(state.headerParsed);
    QCOMPARE(state.headerEnd, head.size() - 3);
    QVERIFY(state.headerEnd > 32767);
    QCOMPARE(state.bytesReceived, 0);
    QCOMPARE(state.contentLength, 2000);
    QCOMPARE(arrive(state, QByteArray(1000, 'x')).percent, 50.0f);
}

void TestFetchArrival::responseBound()
{
    const qsizetype mib = 1024 * 1024;
    SlotFetchState state;
    QByteArray piece = header("Content-Length: 2000000000\r\n");
    piece += QByteArray(mib - piece.size(), 'j');
    for (int i = 0; i < MaxResponseBytes / mib; ++i) {
        QVERIFY(!arrive(state, piece).abandon);
        QVERIFY(state.buffer.capacity() <= MaxResponseBytes);
        piece = QByteArray(mib, 'j');
    }
    QCOMPARE(state.buffer.size(), MaxResponseBytes);
    const ArrivalResult over = arrive(state, "1");
    QVERIFY(over.abandon);
    QVERIFY(!over.showProgress);
    QVERIFY(state.overflow);
    QCOMPARE(state.buffer.capacity(), 0);
    QVERIFY(arrive(state, "more").abandon);
    QVERIFY(state.buffer.isEmpty());

    // A stream that never ends its header is bounded the same way.
    SlotFetchState endless;
    const QByteArray noHeaderEnd(mib, '\r');
    int accepted = 0;
    while (!arrive(endless, noHeaderEnd).abandon)
        ++accepted;
    QCOMPARE(accepted, int(MaxResponseBytes / mib));
    QVERIFY(!endless.headerParsed);
}

void TestFetchArrival::announcedLengthSizesTheBuffer_data()
{
    QTest::addColumn<QByteArray>("lengthLine");
    QTest::addColumn<qsizetype>("bodyBytes");
    QTest::addColumn<bool>("sizedAtOnce");
    QTest::newRow("a camera picture") << QByteArray("Content-Length: 300000\r\n") << qsizetype(300000) << true;
    QTest::newRow("16 MiB ahead") << QByteArray("Content-Length: 16777216\r\n") << qsizetype(100) << true;
    QTest::newRow("more than 16 MiB ahead") << QByteArray("Content-Length: 16777300\r\n") << qsizetype(100)
                                            << false;
    QTest::newRow("2^31 - 1") << QByteArray("Content-Length: 2147483647\r\n") << qsizetype(100) << false;
    QTest::newRow("negative") << QByteArray("Content-Length: -300000\r\n") << qsizetype(300000) << false;
    QTest::newRow("none") << QByteArray() << qsizetype(300000) << false;
}

void TestFetchArrival::announcedLengthSizesTheBuffer()
{
    QFETCH(QByteArray, lengthLine);
    QFETCH(qsizetype, bodyBytes);
    QFETCH(bool, sizedAtOnce);
    // The header arrives alone, then the body in pieces of 16 KiB.
    SlotFetchState state;
    const QByteArray head = header(lengthLine);
    QVERIFY(arrive(state, head).headerCompleted);
    const qsizetype announced = head.size() + state.contentLength;
    if (sizedAtOnce)
        QCOMPARE(state.buffer.capacity(), announced);
    else
        QVERIFY(state.buffer.capacity() < 1024 * 1024);
    const char *const first = state.buffer.constData();
    bool moved = false;
    for (qsizetype sent = 0; sent < bodyBytes; sent += 16384) {
        arrive(state, QByteArray(std::min<qsizetype>(16384, bodyBytes - sent), 'b'));
        moved = moved || state.buffer.constData() != first;
    }
    QCOMPARE(state.buffer.size(), head.size() + bodyBytes);
    // Sized once, the buffer takes the whole body where it is.
    if (sizedAtOnce)
        QVERIFY(!moved);
}

// The socket's side of an arrival taken straight into the buffer: hands out `bytes` in order,
// at most `most` per read, and records what it was asked for.
struct Waiting
{
    explicit Waiting(const QByteArray &waiting)
        : bytes(waiting)
    {
    }

    QByteArray bytes;
    qint64 most = std::numeric_limits<qint64>::max();
    qsizetype offset = 0;
    QList<qint64> asked;

    ArrivalReader reader()
    {
        return [this](char *into, qint64 n) {
            asked << n;
            const qsizetype take = std::min<qsizetype>({qsizetype(n), qsizetype(most), bytes.size() - offset});
            std::memcpy(into, bytes.constData() + offset, size_t(take));
            offset += take;
            return qint64(take);
        };
    }
};

void TestFetchArrival::takenThroughReader_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qsizetype>("bodyBytes");
    const QByteArray picture = header("Content-Length: 300000\r\n");
    // A header whose end lies beyond the small first piece taken while it is looked for.
    const QByteArray longHead = header("X-Padding: " + QByteArray(20000, 'p') + "\r\nContent-Length: 300000\r\n");
    QTest::newRow("picture in one arrival") << picture << qsizetype(300000);
    QTest::newRow("header alone") << picture << qsizetype(0);
    QTest::newRow("header end beyond the first piece") << longHead << qsizetype(300000);
    QTest::newRow("header end across the first piece's edge")
        << header("X-Padding: " + QByteArray(16384 - 62, 'p') + "\r\nContent-Length: 300000\r\n")
        << qsizetype(300000);
}

void TestFetchArrival::takenThroughReader()
{
    QFETCH(QByteArray, head);
    QFETCH(qsizetype, bodyBytes);
    const QByteArray response = head + QByteArray(bodyBytes, 'b');

    // The same outcome as the bytes handed over in one chunk.
    SlotFetchState byChunk;
    const ArrivalResult expected = arrive(byChunk, response);
    SlotFetchState state;
    Waiting waiting(response);
    const ArrivalResult result
        = onDataArrival(state, response.size(), static_cast<qint32>(response.size()), waiting.reader());
    QVERIFY(state.buffer == response);
    QCOMPARE(result.headerCompleted, expected.headerCompleted);
    QVERIFY(result.headerCompleted);
    QCOMPARE(result.showProgress, expected.showProgress);
    QCOMPARE(state.bytesReceived, byChunk.bytesReceived);
    QCOMPARE(state.bytesReceived, bodyBytes);
    QCOMPARE(state.headerEnd, head.size() - 3);
    QCOMPARE(state.contentLength, 300000);
    // Every waiting byte was asked for once, and the buffer was sized for the whole response.
    QCOMPARE(std::accumulate(waiting.asked.begin(), waiting.asked.end(), qint64(0)), response.size());
    QCOMPARE(state.buffer.capacity(), head.size() + 300000);

    // The rest of the body, in one more arrival, lands where the buffer is.
    const char *const where = state.buffer.constData();
    const qsizetype rest = 300000 - bodyBytes;
    Waiting more(QByteArray(rest, 'r'));
    const ArrivalResult last = onDataArrival(state, rest, static_cast<qint32>(rest), more.reader());
    QCOMPARE(state.buffer.size(), head.size() + 300000);
    QVERIFY(state.buffer.constData() == where);
    QVERIFY(last.showProgress);
    QCOMPARE(last.percent, 100.0f);
}

void TestFetchArrival::readerBeyondTheBound()
{
    // The bound is checked before anything is taken: the reader is not asked.
    SlotFetchState state;
    Waiting waiting(header("Content-Length: 10\r\n"));
    QVERIFY(onDataArrival(state, MaxResponseBytes + 1, 0, waiting.reader()).abandon);
    QVERIFY(waiting.asked.isEmpty());
    QVERIFY(state.overflow);

    // A reader that takes fewer bytes than were waiting leaves the buffer with those only.
    SlotFetchState shortRead;
    Waiting few(header("Content-Length: 10\r\n") + "0123456789");
    few.most = 5;
    const ArrivalResult first = onDataArrival(shortRead, 100000, 5, few.reader());
    QVERIFY(!first.abandon);
    QCOMPARE(shortRead.buffer, few.bytes.first(10));
    QVERIFY(!shortRead.headerParsed);
}

void TestFetchArrival::resetForFetch()
{
    SlotFetchState state;
    arrive(state, header("Content-Length: 10\r\n") + "12345");
    state.overflow = true;
    state.resetForFetch();
    QVERIFY(state.buffer.isEmpty());
    QCOMPARE(state.bytesReceived, 0);
    QVERIFY(!state.headerParsed);
    QCOMPARE(state.contentLength, 0);
    QCOMPARE(state.headerEnd, 0);
    QVERIFY(!arrive(state, "HTTP/1.1 200 OK\r\n\r\n").abandon);
    QCOMPARE(state.headerEnd, 16);
}

void TestFetchArrival::statusFileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("file");
    QTest::newRow("segment") << "/images/snap.jpg" << "snap.jpg";
    QTest::newRow("query kept") << "/cgi/image.cgi?res=high&x=1" << "image.cgi?res=high&x=1";
    QTest::newRow("slash in query") << "/get?p=a/b.jpg" << "b.jpg";
    QTest::newRow("encoded spaces") << "/my%20cam/a%20b.jpg" << "a%20b.jpg";
    QTest::newRow("root") << "/" << "";
    QTest::newRow("no slash") << "snap.jpg" << "snap.jpg";
}

void TestFetchArrival::statusFileName()
{
    QFETCH(QString, path);
    QFETCH(QString, file);
    QCOMPARE(::statusFileName(path), file);
}

QTEST_GUILESS_MAIN(TestFetchArrival)
#include "tst_fetcharrival.moc"
