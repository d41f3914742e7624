// The fast 1/8-scale JPEG decoder against TurboJPEG itself: the same pixels for every stream
// it accepts, no stream accepted that TurboJPEG would not decode cleanly, and Picture using it.

#include "imaging/JpegEighthDecoder.h"
#include "imaging/JpegEighthStream.h"
#include "imaging/JpegLayout.h"
#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"

#include "ImagingFixtures.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <turbojpeg.h>

#include <memory>

using namespace ImagingFixtures;

namespace {

// TurboJPEG's verdict and pixels for a 1/8-scale decode to BGRA.
struct TurboResult
{
    int result = -1;
    bool warning = false;
    QByteArray message;
    QImage image;
};

TurboResult turboEighth(const QByteArray &jpeg)
{
    TurboResult out;
    std::unique_ptr<void, int (*)(void *)> handle(tjInitDecompress(), tjDestroy);
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    const auto *data = reinterpret_cast<const unsigned char *>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    // A warning about the header (an unknown JFIF revision, say) leaves the header usable.
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colourspace) != 0
        && tjGetErrorCode(handle.get()) != TJERR_WARNING) {
        out.message = tjGetErrorStr2(handle.get());
        return out;
    }
    out.image = QImage((width + 7) / 8, (height + 7) / 8, QImage::Format_RGB32);
    out.result = tjDecompress2(handle.get(), data, size, out.image.bits(), out.image.width(),
        static_cast<int>(out.image.bytesPerLine()), out.image.height(), TJPF_BGRA, 0);
    out.warning = out.result != 0 && tjGetErrorCode(handle.get()) == TJERR_WARNING;
    if (out.result != 0)
        out.message = tjGetErrorStr2(handle.get());
    return out;
}

// TurboJPEG decoded the stream: no error, and no warning that the data was cut short.
bool decodedCleanly(const TurboResult &turbo)
{
    return turbo.result == 0
        || (turbo.warning && !turbo.message.contains("Premature end of JPEG file")
            && !turbo.message.contains("premature end of data segment"));
}

// `jpeg` rewritten in the DCT domain: every AC coefficient of its chroma components set to
// zero, and each chroma block's DC coefficient set to `chromaDc` unless that is zero.
QByteArray chromaFlattened(const QByteArray &jpeg, short chromaDc = 0)
{
    std::unique_ptr<void, int (*)(void *)> handle(tjInitTransform(), tjDestroy);
    tjtransform transform {};
    transform.op = TJXOP_NONE;
    transform.data = &chromaDc;
    transform.customFilter = [](short *coeffs, tjregion arrayRegion, tjregion, int component, int,
                                 tjtransform *self) {
        const short dc = *static_cast<const short *>(self->data);
        if (component > 0) {
            for (int b = 0; b < arrayRegion.w * arrayRegion.h / 64; ++b) {
                std::fill(coeffs + b * 64 + 1, coeffs + b * 64 + 64, short(0));
                if (dc)
                    coeffs[b * 64] = dc;
            }
        }
        return 0;
    };
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    if (tjTransform(handle.get(), reinterpret_cast<const unsigned char *>(jpeg.constData()),
            static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform, 0)
        != 0)
        return QByteArray();
    const QByteArray result(reinterpret_cast<const char *>(out), static_cast<qsizetype>(outSize));
    tjFree(out);
    return result;
}

// The offset of the entropy-coded data of the first scan.
qsizetype scanDataStart(const QByteArray &jpeg)
{
    for (const JpegSegment &segment : scanJpegLayout(jpeg).segments) {
        if (segment.marker == 0xDA)
            return segment.payload + segment.length;
    }
    return -1;
}

// Entropy data as destuff() should give it back, worked out a byte at a time: the data with
// each FF 00 (after any fill bytes FF) made FF, cut at RST0..RST7 in order, up to an EOI. False
// for anything else.
bool destuffedByHand(const QByteArray &entropy, bool restarts, QByteArray &data, QList<size_t> &ends)
{
    int expected = 0;
    for (qsizetype i = 0; i < entropy.size(); ++i) {
        const auto byte = static_cast<quint8>(entropy[i]);
        if (byte != 0xFF) {
            data.append(entropy[i]);
            continue;
        }
        while (i < entropy.size() && static_cast<quint8>(entropy[i]) == 0xFF)
            ++i;
        if (i == entropy.size())
            return false;
        const auto code = static_cast<quint8>(entropy[i]);
        if (code == 0x00) {
            data.append(char(0xFF));
        } else if (code >= 0xD0 && code <= 0xD7 && restarts && code == 0xD0 + expected) {
            expected = (expected + 1) & 7;
            ends.append(size_t(data.size()));
        } else if (code == 0xD9) {
            ends.append(size_t(data.size()));
            return true;
        } else {
            return false;
        }
    }
    return false;
}

} // namespace

class TestJpegEighthDecoder : public QObject
{
    Q_OBJECT

private slots:
    void matchesTurboJpeg_data();
    void matchesTurboJpeg();
    void restartIntervals_data();
    void restartIntervals();
    void declinesWhatItDoesNotTake_data();
    void declinesWhatItDoesNotTake();
    void damagedStreamsNeverDisagree_data();
    void damagedStreamsNeverDisagree();
    void streamsInTurnKeepTheirOwnTables();
    void markersAtEveryDistance();
    void denseStuffing();
    void pictureUsesIt();
    void chromaFromDcAlone_data();
    void chromaFromDcAlone();
    void chromaOutOfRangeLeftToTurboJpeg();
};

void TestJpegEighthDecoder::matchesTurboJpeg_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    const QSize sizes[] = {QSize(1, 1), QSize(7, 9), QSize(33, 17), QSize(100, 75), QSize(257, 131)};
    quint32 seed = 1;
    for (const auto &[layout, subsampling] : samplingLayouts()) {
        for (const int quality : {5, 50, 90, 100}) {
            for (const QSize size : sizes) {
                const QByteArray name = layout + " q" + QByteArray::number(quality) + " "
                    + QByteArray::number(size.width()) + "x" + QByteArray::number(size.height());
                QTest::newRow(name.constData()) << turboJpeg(
                    grainyCard(size.width(), size.height(), seed++), subsampling, quality);
            }
        }
    }
    QTest::newRow("flat picture, Qt's writer") << qtEncoded(testCard(64, 48), "jpeg");
    QTest::newRow("1920 x 1080 4:2:0 q90") << turboJpeg(grainyCard(1920, 1080, 99), TJSAMP_420, 90);
    QTest::newRow("bytes after EOI") << turboJpeg(grainyCard(40, 30, 7), TJSAMP_420, 80) + "trailing";
}

void TestJpegEighthDecoder::matchesTurboJpeg()
{
    QFETCH(QByteArray, jpeg);
    const TurboResult turbo = turboEighth(jpeg);
    QCOMPARE(turbo.result, 0);
    const QImage eighth = decodeJpegAtEighth(jpeg);
    QVERIFY(!eighth.isNull());
    QCOMPARE(eighth.format(), QImage::Format_RGB32);
    QCOMPARE(eighth.size(), turbo.image.size());
    QVERIFY(eighth == turbo.image);
}

void TestJpegEighthDecoder::restartIntervals_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"restart-every-row-420.jpg", "restart-3-mcus-420.jpg", "restart-5-mcus-422.jpg",
             "restart-7-blocks-grey.jpg", "restart-every-mcu-444.jpg"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestJpegEighthDecoder::restartIntervals()
{
    QFETCH(QString, name);
    const QByteArray jpeg = eighthFixture(name);
    QVERIFY2(!jpeg.isEmpty(), qPrintable(name));
    QVERIFY(jpeg.contains("\xFF\xD0"));
    const TurboResult turbo = turboEighth(jpeg);
    QCOMPARE(turbo.result, 0);
    const QImage eighth = decodeJpegAtEighth(jpeg);
    QVERIFY(!eighth.isNull());
    QVERIFY(eighth == turbo.image);

    // Restart markers out of order: TurboJPEG resynchronises; this decoder leaves it to it.
    QByteArray swapped = jpeg;
    const qsizetype first = swapped.indexOf("\xFF\xD0");
    swapped[first + 1] = '\xD1';
    QVERIFY(decodeJpegAtEighth(swapped).isNull());
    // A marker dropped: the interval after it runs into the next one.
    QByteArray dropped = jpeg;
    dropped.remove(dropped.indexOf("\xFF\xD1"), 2);
    QVERIFY(decodeJpegAtEighth(dropped).isNull());
}

void TestJpegEighthDecoder::declinesWhatItDoesNotTake_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    const QByteArray plain = turboJpeg(grainyCard(64, 48, 3), TJSAMP_420, 85);
    const qsizetype data = scanDataStart(plain);
    QTest::newRow("progressive") << turboJpeg(grainyCard(64, 48, 3), TJSAMP_420, 85, TJFLAG_PROGRESSIVE);
    QTest::newRow("ycck") << turboJpeg(testCard(64, 48), TJSAMP_444, 90, 0, TJPF_CMYK);
    QTest::newRow("cut in its scan") << plain.left(plain.size() / 2);
    QTest::newRow("cut in its scan, EOI appended") << plain.left(plain.size() / 2) + "\xFF\xD9";
    QTest::newRow("without EOI") << plain.chopped(2);
    QTest::newRow("stray bytes before EOI") << QByteArray(plain).insert(plain.size() - 2, "junk");
    QTest::newRow("a marker inside the scan") << QByteArray(plain).insert(data + 40, "\xFF\xFE\x00\x04zz");
    QTest::newRow("restart marker without an interval") << QByteArray(plain).insert(data + 40, "\xFF\xD0");
    QTest::newRow("stray bytes before a marker") << [&] {
        for (const JpegSegment &segment : scanJpegLayout(plain).segments) {
            if (segment.marker == 0xDB)
                return QByteArray(plain).insert(segment.offset, "junk");
        }
        return QByteArray();
    }();
    QTest::newRow("no Huffman tables") << [&] {
        QByteArray broken = plain;
        const QList<JpegSegment> segments = scanJpegLayout(plain).segments;
        for (auto it = segments.crbegin(); it != segments.crend(); ++it) {
            if (it->marker == 0xC4)
                broken.remove(it->offset, it->payload + it->length - it->offset);
        }
        return broken;
    }();
    QTest::newRow("12-bit frame") << withFrame(plain, 0xC1, 12, 64, 48);
    QTest::newRow("not a JPEG") << QByteArray("GIF89a");
    QTest::newRow("empty") << QByteArray();
}

void TestJpegEighthDecoder::declinesWhatItDoesNotTake()
{
    QFETCH(QByteArray, jpeg);
    QVERIFY(decodeJpegAtEighth(jpeg).isNull());
}

void TestJpegEighthDecoder::damagedStreamsNeverDisagree_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::newRow("4:2:0") << turboJpeg(grainyCard(48, 32, 11), TJSAMP_420, 90);
    QTest::newRow("grey") << turboJpeg(grainyCard(48, 32, 12), TJSAMP_GRAY, 70);
    QTest::newRow("4:2:2 with restarts") << eighthFixture(QStringLiteral("restart-5-mcus-422.jpg"));
}

void TestJpegEighthDecoder::damagedStreamsNeverDisagree()
{
    // Whatever this decoder accepts, TurboJPEG decodes cleanly (a warning about the JFIF header
    // at most) to the same pixels;
    // damage inside the entropy data is mostly accepted (other coefficients), sometimes not.
    QFETCH(QByteArray, jpeg);
    QVERIFY(!jpeg.isEmpty());
    const qsizetype data = scanDataStart(jpeg);
    QVERIFY(data > 0);
    // EIGHTH_ROUNDS and EIGHTH_SEED run a longer or another search by hand.
    const int rounds
        = qEnvironmentVariableIsSet("EIGHTH_ROUNDS") ? qEnvironmentVariableIntValue("EIGHTH_ROUNDS") : 1500;
    QRandomGenerator random(
        qEnvironmentVariableIsSet("EIGHTH_SEED") ? qEnvironmentVariableIntValue("EIGHTH_SEED") : 20240601);
    int accepted = 0;
    int declined = 0;
    for (int round = 0; round < rounds; ++round) {
        QByteArray damaged = jpeg;
        const int edits = 1 + random.bounded(3);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = round % 5 == 0 ? random.bounded(qsizetype(2), damaged.size())
                                                : data + random.bounded(damaged.size() - 2 - data);
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << random.bounded(8)));
        }
        const QImage eighth = decodeJpegAtEighth(damaged);
        if (eighth.isNull()) {
            ++declined;
            continue;
        }
        ++accepted;
        const TurboResult turbo = turboEighth(damaged);
        QVERIFY2(
            decodedCleanly(turbo), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(turbo.message)));
        if (!(eighth == turbo.image) && qEnvironmentVariableIsSet("EIGHTH_DUMP")) {
            QFile dump(qEnvironmentVariable("EIGHTH_DUMP"));
            if (dump.open(QIODevice::WriteOnly))
                dump.write(damaged);
            for (int y = 0; y < eighth.height(); ++y)
                for (int x = 0; x < eighth.width(); ++x)
                    if (eighth.pixel(x, y) != turbo.image.pixel(x, y))
                        qWarning(
                            "%d,%d mine %08x turbo %08x", x, y, eighth.pixel(x, y), turbo.image.pixel(x, y));
        }
        QVERIFY2(eighth == turbo.image, qPrintable(QStringLiteral("round %1").arg(round)));
    }
    QVERIFY(accepted > 0);
    QVERIFY(declined > 0);
}

void TestJpegEighthDecoder::streamsInTurnKeepTheirOwnTables()
{
    // One decode after another on one thread: tables built for one stream serve the next
    // only when they are the same. The optimized stream has Huffman tables of its own, the
    // others the usual ones; a damaged table in between is refused, and does not linger.
    const QByteArray optimized = eighthFixture(QStringLiteral("optimized-tables-420.jpg"));
    QVERIFY(!optimized.isEmpty());
    const QByteArray usual = turboJpeg(grainyCard(100, 75, 21), TJSAMP_420, 80);
    const QByteArray grey = turboJpeg(grainyCard(100, 75, 22), TJSAMP_GRAY, 80);
    QByteArray badTable = usual;
    const qsizetype dht = badTable.indexOf("\xFF\xC4");
    QVERIFY(dht > 0);
    badTable[dht + 5] = '\x7F'; // a code count no table can hold
    for (const QByteArray &jpeg : {optimized, usual, optimized, grey, badTable, usual, optimized}) {
        const TurboResult turbo = turboEighth(jpeg);
        const QImage eighth = decodeJpegAtEighth(jpeg);
        if (jpeg == badTable) {
            QVERIFY(eighth.isNull());
            continue;
        }
        QCOMPARE(turbo.result, 0);
        QVERIFY(!eighth.isNull());
        QVERIFY(eighth == turbo.image);
    }
}

void TestJpegEighthDecoder::markersAtEveryDistance()
{
    // Stuffed bytes, fill bytes and markers at every distance from where a search starts and
    // from the end (the data is searched 16 bytes at a time): the destuffed data, the restart
    // cuts and the end found must be those worked out a byte at a time.
    const QByteArray plain = turboJpeg(grainyCard(64, 48, 5), TJSAMP_420, 90);
    const qsizetype scan = scanDataStart(plain);
    QVERIFY(scan > 0);
    const QByteArray head = plain.first(scan);
    const QList<QByteArray> inserts = {QByteArray("\xFF\x00", 2), QByteArray("\xFF\xFF\xFF\x00", 4),
                                       QByteArray("\xFF\xD0", 2), QByteArray("\xFF\xD1", 2),
                                       QByteArray("\xFF\xC4\x00\x02", 4), QByteArray("\xFF\xFF\xD0", 3)};
    std::vector<uint8_t> data;
    std::vector<size_t> ends;
    for (int before = 0; before < 40; ++before) {
        for (int after = 0; after < 40; after += 7) {
            for (const QByteArray &insert : inserts) {
                for (const bool restarts : {false, true}) {
                    QByteArray entropy;
                    for (int i = 0; i < before; ++i)
                        entropy.append(static_cast<char>(0x11 + i));
                    entropy += insert;
                    for (int i = 0; i < after; ++i)
                        entropy.append(static_cast<char>(0xFE - i));
                    entropy += QByteArray("\xFF\xD9", 2);
                    const QByteArray stream = head + entropy;

                    QByteArray expected;
                    QList<size_t> expectedEnds;
                    const bool ok = destuffedByHand(entropy, restarts, expected, expectedEnds);
                    data.assign(3, 0xAB); // left from an earlier stream
                    ends.clear();
                    const bool got = JpegEighth::destuff(reinterpret_cast<const uint8_t *>(stream.constData()),
                        size_t(stream.size()), size_t(scan), restarts, data, ends);
                    const QByteArray where = QByteArray::number(before) + "/" + QByteArray::number(after) + " "
                        + insert.toHex() + (restarts ? " restarts" : "");
                    QVERIFY2(got == ok, where.constData());
                    // The marker walk ends the scan at the same place: the first FF that is
                    // neither stuffing, a fill byte nor a restart marker.
                    qsizetype end = scan;
                    while (end + 1 < stream.size()) {
                        const auto next = static_cast<quint8>(stream[end + 1]);
                        if (static_cast<quint8>(stream[end]) == 0xFF && next != 0x00 && next != 0xFF
                            && (next < 0xD0 || next > 0xD7))
                            break;
                        ++end;
                    }
                    const QList<JpegSegment> segments = scanJpegLayout(stream).segments;
                    qsizetype afterScan = -1;
                    for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
                        if (segments[i].marker == 0xDA)
                            afterScan = segments[i + 1].offset;
                    }
                    QVERIFY2(afterScan == end, where.constData());
                    if (!ok)
                        continue;
                    QCOMPARE(data.size(), size_t(expected.size()) + JpegEighth::Padding);
                    QVERIFY2(std::equal(expected.begin(), expected.end(), data.begin(),
                                 [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }),
                        where.constData());
                    QVERIFY2(std::all_of(data.begin() + expected.size(), data.end(), [](uint8_t b) { return b == 0; }),
                        where.constData());
                    QCOMPARE(QList<size_t>(ends.begin(), ends.end()), expectedEnds);
                }
            }
        }
    }
}

void TestJpegEighthDecoder::denseStuffing()
{
    // Entropy data where 0xFF is common: several stuffed pairs in 16 bytes, pairs split by the
    // edge of 16 bytes, fill bytes and restart markers right after a pair. The destuffed data
    // and the end of the scan must be those worked out a byte at a time.
    const QByteArray plain = turboJpeg(grainyCard(64, 48, 5), TJSAMP_420, 90);
    const qsizetype scan = scanDataStart(plain);
    QVERIFY(scan > 0);
    const QByteArray head = plain.first(scan);
    QRandomGenerator random(77);
    std::vector<uint8_t> data;
    std::vector<size_t> ends;
    for (int round = 0; round < 3000; ++round) {
        const int length = random.bounded(200);
        const int density = 2 + random.bounded(30); // one 0xFF in about this many bytes
        const bool restarts = round % 2;
        QByteArray entropy;
        int nextRestart = 0;
        while (entropy.size() < length) {
            if (random.bounded(density) != 0) {
                entropy.append(static_cast<char>(random.bounded(255))); // never 0xFF
                continue;
            }
            const int kind = random.bounded(40);
            if (kind == 0) {
                entropy += QByteArray("\xFF\xFF\x00", 3); // a fill byte before a stuffed pair
            } else if (kind == 1 && restarts) {
                entropy.append(static_cast<char>(0xFF));
                entropy.append(static_cast<char>(0xD0 + (nextRestart++ & 7)));
            } else {
                entropy += QByteArray("\xFF\x00", 2);
            }
        }
        entropy += QByteArray("\xFF\xD9", 2);
        const QByteArray stream = head + entropy;
        const QByteArray where = QByteArray::number(round);

        QByteArray expected;
        QList<size_t> expectedEnds;
        const bool ok = destuffedByHand(entropy, restarts, expected, expectedEnds);
        QVERIFY2(ok, where.constData());
        ends.clear();
        QVERIFY2(JpegEighth::destuff(reinterpret_cast<const uint8_t *>(stream.constData()), size_t(stream.size()),
                     size_t(scan), restarts, data, ends),
            where.constData());
        QCOMPARE(data.size(), size_t(expected.size()) + JpegEighth::Padding);
        QVERIFY2(std::equal(expected.begin(), expected.end(), data.begin(),
                     [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }),
            where.constData());
        QCOMPARE(QList<size_t>(ends.begin(), ends.end()), expectedEnds);

        const QList<JpegSegment> segments = scanJpegLayout(stream).segments;
        QVERIFY2(segments.size() >= 2 && segments.last().marker == 0xD9, where.constData());
        QCOMPARE(segments.last().offset, stream.size() - 2);
    }
}

void TestJpegEighthDecoder::pictureUsesIt()
{
    const QByteArray jpeg = turboJpeg(grainyCard(1920, 1080, 5), TJSAMP_420, 90);
    const Picture picture = Picture::fromBytes(jpeg);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.reducedDecodeSize(), QSize(240, 135));
    QVERIFY(picture.scaledFor(QSize(240, 135)) == turboEighth(jpeg).image);
    // A stream it declines still decodes, through TurboJPEG.
    const QByteArray progressive = turboJpeg(grainyCard(320, 240, 6), TJSAMP_420, 90, TJFLAG_PROGRESSIVE);
    QVERIFY(PictureDecoder::decode(progressive, PictureDecoder::probe(progressive), 8)
        == turboEighth(progressive).image);
}

void TestJpegEighthDecoder::chromaFromDcAlone_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<bool>("chromaScaledUp"); // TurboJPEG runs a 2 x 2 inverse DCT on its chroma
    quint32 seed = 500;
    for (const auto &[layout, subsampling] : samplingLayouts()) {
        for (const int quality : {5, 90, 100}) {
            for (const QSize size : {QSize(1, 1), QSize(33, 17), QSize(257, 131)}) {
                const QByteArray name = layout + " q" + QByteArray::number(quality) + " "
                    + QByteArray::number(size.width()) + "x" + QByteArray::number(size.height());
                QTest::newRow(name.constData())
                    << turboJpeg(grainyCard(size.width(), size.height(), seed++), subsampling, quality)
                    << (subsampling == TJSAMP_420);
            }
        }
    }
    QTest::newRow("1920 x 1080 4:2:0 q90") << turboJpeg(grainyCard(1920, 1080, 98), TJSAMP_420, 90) << true;
    QTest::newRow("4:2:0, restart every row") << eighthFixture("restart-every-row-420.jpg") << true;
    QTest::newRow("4:2:0, restart every 3 MCUs") << eighthFixture("restart-3-mcus-420.jpg") << true;
}

void TestJpegEighthDecoder::chromaFromDcAlone()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(bool, chromaScaledUp);
    const QImage dcOnly = decodeJpegAtEighth(jpeg, ChromaDetail::DcOnly);
    QVERIFY(!dcOnly.isNull());
    // Exactly TurboJPEG's picture of the same stream without chroma detail.
    const QByteArray flattened = chromaFlattened(jpeg);
    QVERIFY(!flattened.isEmpty());
    const TurboResult turbo = turboEighth(flattened);
    QCOMPARE(turbo.result, 0);
    QVERIFY(dcOnly == turbo.image);

    const QImage full = decodeJpegAtEighth(jpeg);
    QCOMPARE(dcOnly.size(), full.size());
    if (!chromaScaledUp) {
        // Nothing to leave out: every block of these layouts is its DC value at 1/8 anyway.
        QVERIFY(dcOnly == full);
    } else if (full.width() >= 8) {
        // Grain puts chroma detail in every block: leaving it out shows in the result.
        QVERIFY(dcOnly != full);
    }
}

void TestJpegEighthDecoder::chromaOutOfRangeLeftToTurboJpeg()
{
    // Chroma DC values whose samples leave the range TurboJPEG's 16-bit inverse DCT keeps
    // (only a damaged or hostile stream has them): neither decode takes the stream, and the
    // picture still decodes, through TurboJPEG.
    const QByteArray base = turboJpeg(grainyCard(64, 48, 3), TJSAMP_420, 50);
    for (const short dc : {short(2000), short(-2000)}) {
        const QByteArray extreme = chromaFlattened(base, dc);
        QVERIFY(!extreme.isEmpty());
        QVERIFY(decodeJpegAtEighth(extreme).isNull());
        QVERIFY(decodeJpegAtEighth(extreme, ChromaDetail::DcOnly).isNull());
        const TurboResult turbo = turboEighth(extreme);
        QCOMPARE(turbo.result, 0);
        QVERIFY(PictureDecoder::decode(extreme, PictureDecoder::probe(extreme), 8, ChromaDetail::DcOnly)
            == turbo.image);
    }
    // Within the range: taken, with TurboJPEG's pixels.
    const QByteArray strong = chromaFlattened(base, 150);
    QVERIFY(decodeJpegAtEighth(strong, ChromaDetail::DcOnly) == turboEighth(strong).image);
}

QTEST_GUILESS_MAIN(TestJpegEighthDecoder)
#include "tst_JpegEighthDecoder.moc"
