// SPDX-License-Identifier: GPL-3.0-or-later
// The marker walk that bounds a JPEG before it is decoded: what it finds against libjpeg's own
// reading, where it stops, and what it calls malformed.

#include "imaging/JpegDecompressor.h"
#include "imaging/JpegHeaderWalk.h"
#include "imaging/PictureLimits.h"

#include "ImagingFixtures.h"
#include "support/CostlyJpeg.h"

#include <QtTest>

#include <turbojpeg.h>

using namespace ImagingFixtures;
using End = JpegHeaders::End;

namespace {

// The scans libjpeg reads in `jpeg` (in buffered-image mode, to its EOI); -1 on an error.
int libjpegScans(const QByteArray &jpeg)
{
    JpegDecompressor d(jpeg, 0);
    if (!d.isValid())
        return -1;
    d.info.progress = nullptr; // counted here, not limited
    if (setjmp(d.escape))
        return -1;
    jpeg_read_header(&d.info, TRUE);
    d.info.buffered_image = TRUE;
    jpeg_start_decompress(&d.info);
    while (jpeg_consume_input(&d.info) != JPEG_REACHED_EOI) { }
    return d.info.input_scan_number;
}

QByteArray card(int flags, int subsampling, int pixelFormat = -1)
{
    return turboJpeg(grainyCard(64, 48, 5), subsampling, 90, flags, pixelFormat);
}

// `jpeg` with the bytes of its first `marker` segment from offset `at` (0: the 0xFF) replaced.
QByteArray patched(const QByteArray &jpeg, quint8 marker, int at, const QByteArray &bytes)
{
    for (const JpegSegment &segment : segmentsOf(jpeg)) {
        if (segment.marker == marker)
            return QByteArray(jpeg).replace(segment.offset + at, bytes.size(), bytes);
    }
    return QByteArray();
}

} // namespace

class TestJpegHeaderWalk : public QObject
{
    Q_OBJECT

private slots:
    void findsWhatLibjpegReads_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<quint8>("frameMarker");
        QTest::addColumn<int>("components");
        QTest::addColumn<int>("maxSampling"); // horizontal x 10 + vertical
        QTest::newRow("baseline 4:2:0") << card(0, TJSAMP_420) << quint8(0xC0) << 3 << 22;
        QTest::newRow("baseline 4:2:2") << card(0, TJSAMP_422) << quint8(0xC0) << 3 << 21;
        QTest::newRow("grey") << card(0, TJSAMP_GRAY) << quint8(0xC0) << 1 << 11;
        QTest::newRow("progressive 4:2:0") << card(TJFLAG_PROGRESSIVE, TJSAMP_420) << quint8(0xC2) << 3 << 22;
        QTest::newRow("ycck") << card(0, TJSAMP_420, TJPF_CMYK) << quint8(0xC0) << 4 << 22;
        QTest::newRow("3 x 2 sampling (cjpeg)") << fixture("sampling-3x2.jpg") << quint8(0xC0) << 3 << 32;
        QTest::newRow("restart every MCU")
            << restartFixture("restart-every-mcu-444.jpg") << quint8(0xC0) << 3 << 11;
        QTest::newRow("restart every 7 blocks, grey")
            << restartFixture("restart-7-blocks-grey.jpg") << quint8(0xC0) << 1 << 11;
        QTest::newRow("Qt's writer") << qtEncoded(testCard(16, 16), "jpeg") << quint8(0xC0) << 3 << 22;
        QTest::newRow("repeated refinement scans, 60")
            << progressiveJpeg(40, 24, 1, 60) << quint8(0xC2) << 1 << 11;
        QTest::newRow("4 components, 9 scans") << progressiveJpeg(40, 24, 4, 9) << quint8(0xC2) << 4 << 11;
    }

    void findsWhatLibjpegReads()
    {
        QFETCH(QByteArray, jpeg);
        QFETCH(quint8, frameMarker);
        QFETCH(int, components);
        QFETCH(int, maxSampling);
        QVERIFY(!jpeg.isEmpty());
        const JpegHeaders headers = walkJpegHeaders(jpeg, JpegScanLimit);
        QCOMPARE(headers.end, End::Complete);
        QCOMPARE(headers.frameMarker, frameMarker);
        QCOMPARE(headers.precision, 8);
        QCOMPARE(headers.components.size(), components);
        QCOMPARE(headers.maxHorizontal() * 10 + headers.maxVertical(), maxSampling);
        QCOMPARE(headers.scans, libjpegScans(jpeg));
        QCOMPARE(headers.progressive(), frameMarker == 0xC2);
        QCOMPARE(headers.buffersCoefficients(), headers.scans > 1);

        tjhandle handle = tjInitDecompress();
        int width = 0;
        int height = 0;
        int subsampling = 0;
        int colourspace = 0;
        tjDecompressHeader3(handle, reinterpret_cast<const unsigned char *>(jpeg.constData()),
            static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling, &colourspace);
        tjDestroy(handle);
        QCOMPARE(QSize(headers.width, headers.height), QSize(width, height));
    }

    void stopsAtTheScanLimit_data()
    {
        QTest::addColumn<int>("scans");
        QTest::newRow("one") << 1;
        QTest::newRow("at the limit") << JpegScanLimit;
        QTest::newRow("one over") << JpegScanLimit + 1;
        QTest::newRow("600") << 600;
    }

    void stopsAtTheScanLimit()
    {
        QFETCH(int, scans);
        const QByteArray jpeg = progressiveJpeg(64, 32, 1, scans);
        QCOMPARE(libjpegScans(jpeg), scans); // the repeated scans are real scans to libjpeg
        const JpegHeaders headers = walkJpegHeaders(jpeg, JpegScanLimit);
        if (scans <= JpegScanLimit) {
            QCOMPARE(headers.end, End::Complete);
            QCOMPARE(headers.scans, scans);
        } else {
            QCOMPARE(headers.end, End::TooManyScans);
            QCOMPARE(headers.scans, JpegScanLimit + 1);
            // The frame came before the scans: it is known even so.
            QCOMPARE(QSize(headers.width, headers.height), QSize(64, 32));
        }
        QCOMPARE(walkJpegHeaders(jpeg, scans).end, End::Complete);
    }

    void neverCompleteWhenCut()
    {
        const QByteArray jpeg = card(TJFLAG_PROGRESSIVE, TJSAMP_420);
        // Cut at every position: never complete, never reading outside the bytes (ASan builds).
        for (qsizetype cut = 0; cut < jpeg.size() - 1; ++cut) {
            const JpegHeaders headers = walkJpegHeaders(jpeg.left(cut), JpegScanLimit);
            QVERIFY2(headers.end == End::CutShort, qPrintable(QString::number(cut)));
        }
        QCOMPARE(walkJpegHeaders(jpeg.left(jpeg.size() - 2), JpegScanLimit).end, End::CutShort);
        // An EOI before any scan ends nothing.
        const QByteArray headersOnly = jpeg.left(jpeg.indexOf("\xFF\xDA")) + "\xFF\xD9";
        QCOMPARE(walkJpegHeaders(headersOnly, JpegScanLimit).end, End::CutShort);
    }

    void refusesMalformedStreams_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        const QByteArray jpeg = card(0, TJSAMP_420);
        const qsizetype sof = [&] {
            for (const JpegSegment &segment : segmentsOf(jpeg)) {
                if (segment.marker == 0xC0)
                    return segment.offset;
            }
            return qsizetype(-1);
        }();
        QVERIFY(sof > 0);
        QTest::newRow("no SOI") << jpeg.mid(2);
        QTest::newRow("a second SOI") << QByteArray("\xFF\xD8\xFF\xD8", 4);
        QTest::newRow("length shorter than itself") << QByteArray("\xFF\xD8\xFF\xE0\x00\x01", 6);
        QTest::newRow("two frames") << QByteArray(jpeg).insert(sof, jpeg.mid(sof, 19));
        QTest::newRow("zero width") << withFrame(jpeg, 0xC0, 8, 0, 48);
        QTest::newRow("zero height") << withFrame(jpeg, 0xC0, 8, 64, 0);
        QTest::newRow("sampling 5 x 1") << patched(jpeg, 0xC0, 11, QByteArray("\x51", 1));
        QTest::newRow("sampling 0 x 2") << patched(jpeg, 0xC0, 11, QByteArray("\x02", 1));
        QTest::newRow("frame longer than its components")
            << patched(jpeg, 0xC0, 2, QByteArray("\x00\x12", 2));
        QTest::newRow("no component") << patched(jpeg, 0xC0, 9, QByteArray("\x00", 1));
        QTest::newRow("scan of 5 components") << patched(jpeg, 0xDA, 4, QByteArray("\x05", 1));
        QTest::newRow("scan of no component") << patched(jpeg, 0xDA, 4, QByteArray("\x00", 1));
        QTest::newRow("scan before the frame") << QByteArray::fromHex("ffd8ffda0008010100003f00"
                                                                      "1234ffd9");
    }

    void refusesMalformedStreams()
    {
        QFETCH(QByteArray, jpeg);
        QVERIFY(!jpeg.isEmpty());
        QCOMPARE(walkJpegHeaders(jpeg, JpegScanLimit).end, End::Malformed);
    }

    void passesOverEntropyDataAsADecoderDoes()
    {
        // SOI, SOF0 (8 bits, 1 x 1, one component), junk before the scan, SOS, entropy data
        // holding a stuffed FF 00, a restart marker and fill bytes, then EOI and bytes after it.
        const QByteArray stream = QByteArray::fromHex("ffd8"
                                                      "ffc0000b080001000101011100"
                                                      "0102ff00"
                                                      "ffda0008010100003f00"
                                                      "12ff0034ffd056ffffffd9"
                                                      "ffdaffd8");
        QList<JpegSegment> segments;
        const JpegHeaders headers = walkJpegHeaders(
            stream, JpegScanLimit, [&](const JpegSegment &segment) { segments.append(segment); });
        QCOMPARE(headers.end, End::Complete);
        QCOMPARE(headers.scans, 1);
        QCOMPARE(QSize(headers.width, headers.height), QSize(1, 1));
        QCOMPARE(segments.size(), 4); // SOI, SOF0, SOS, EOI: restart markers are data
        const quint8 markers[] = {0xD8, 0xC0, 0xDA, 0xD9};
        const qsizetype offsets[] = {0, 2, 19, 38};
        const qsizetype lengths[] = {0, 9, 6, 0};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(segments[i].marker, markers[i]);
            QCOMPARE(segments[i].offset, offsets[i]);
            QCOMPARE(segments[i].length, lengths[i]);
        }
        QCOMPARE(segments[1].payload, qsizetype(6));
        QCOMPARE(payloadOf(stream, 0xC0), QByteArray::fromHex("080001000101011100"));
    }
};

QTEST_GUILESS_MAIN(TestJpegHeaderWalk)
#include "tst_JpegHeaderWalk.moc"
