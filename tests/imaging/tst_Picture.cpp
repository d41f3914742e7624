// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"
#include "imaging/SmoothScale.h"

#include "ImagingFixtures.h"

#include <QImageReader>
#include <QRandomGenerator>
#include <QtTest>

#include <turbojpeg.h>

using namespace ImagingFixtures;
using PictureDecoder::Codec;

Q_DECLARE_METATYPE(PictureDecoder::Codec)

namespace {

constexpr Codec LibJpeg = Codec::LibJpegTurbo;

QByteArray card(int flags, int subsampling, int pixelFormat = -1)
{
    return turboJpeg(testCard(64, 48), subsampling, 95, flags, pixelFormat);
}

QByteArray insertedBefore(const QByteArray &jpeg, quint8 marker, const QByteArray &junk)
{
    for (const JpegSegment &segment : segmentsOf(jpeg)) {
        if (segment.marker == marker)
            return QByteArray(jpeg).insert(segment.offset, junk);
    }
    return QByteArray();
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void limitIsQtsDefault();
    void readsSupportedPictures_data();
    void readsSupportedPictures();
    void refusesUnreadableBytes_data();
    void refusesUnreadableBytes();
    void refusesOversizedHeadersBeforeDecoding_data();
    void refusesOversizedHeadersBeforeDecoding();
    void pickDenominator_data();
    void pickDenominator();
    void scaledForUsesDctScaling_data();
    void scaledForUsesDctScaling();
    void shownSizePicksTheCheckScale_data();
    void shownSizePicksTheCheckScale();
    void fullDecodeIsSharedAndDroppable();
    void scaledForOtherFormats();
};

void TestPicture::limitIsQtsDefault()
{
    QCOMPARE(PictureAllocationLimitBytes, qint64(QImageReader::allocationLimit()) * 1024 * 1024);
    QVERIFY(pictureFitsAllocationLimit(7680, 4320));
    QVERIFY(pictureFitsAllocationLimit(8192, 4096));
    QVERIFY(!pictureFitsAllocationLimit(8192, 4097));
    QVERIFY(!pictureFitsAllocationLimit(0, 10));
}

void TestPicture::readsSupportedPictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<Codec>("codec");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("checkColours"); // the test card's blocks come out in their colours

    const QSize cardSize(64, 48);
    QTest::newRow("jpeg baseline 4:2:0")
        << card(0, TJSAMP_420) << QByteArray("jpeg") << LibJpeg << cardSize << true;
    QTest::newRow("jpeg progressive")
        << card(TJFLAG_PROGRESSIVE, TJSAMP_420) << QByteArray("jpeg") << LibJpeg << cardSize << true;
    QTest::newRow("jpeg 4:4:4") << card(0, TJSAMP_444) << QByteArray("jpeg") << LibJpeg << cardSize
                                << true;
    QTest::newRow("jpeg 4:2:2") << card(0, TJSAMP_422) << QByteArray("jpeg") << LibJpeg << cardSize
                                << true;
    QTest::newRow("jpeg grayscale") << card(0, TJSAMP_GRAY) << QByteArray("jpeg") << LibJpeg
                                    << cardSize << false;
    QTest::newRow("jpeg odd size 37 x 21") << turboJpeg(testCard(37, 21), TJSAMP_420, 90)
                                           << QByteArray("jpeg") << LibJpeg << QSize(37, 21) << true;
    QTest::newRow("jpeg ycck") << card(0, TJSAMP_444, TJPF_CMYK) << QByteArray("jpeg") << LibJpeg
                               << cardSize << true;
    QTest::newRow("jpeg ycck (ImageMagick)")
        << fixture("ycck.jpg") << QByteArray("jpeg") << LibJpeg << QSize(40, 30) << true;
    QTest::newRow("jpeg plain cmyk") << withoutAdobeTransform(card(0, TJSAMP_444, TJPF_CMYK))
                                     << QByteArray("jpeg") << LibJpeg << cardSize << false;
    QTest::newRow("jpeg 3x2 sampling (cjpeg)")
        << fixture("sampling-3x2.jpg") << QByteArray("jpeg") << LibJpeg << QSize(40, 30) << true;
    QTest::newRow("jpeg by Qt's writer")
        << qtEncoded(testCard(64, 48), "jpeg") << QByteArray("jpeg") << LibJpeg << cardSize << true;
    QTest::newRow("jpeg, stray bytes before a marker")
        << insertedBefore(card(0, TJSAMP_420), 0xDB, "junk") << QByteArray("jpeg") << LibJpeg
        << cardSize << true;
    QTest::newRow("jpeg, stray bytes before EOI")
        << insertedBefore(card(0, TJSAMP_420), 0xD9, "junk") << QByteArray("jpeg") << LibJpeg
        << cardSize << true;
    QTest::newRow("jpeg, bytes after EOI")
        << card(0, TJSAMP_420) + "trailing" << QByteArray("jpeg") << LibJpeg << cardSize << true;
    QTest::newRow("gif (ImageMagick)")
        << fixture("blocks.gif") << QByteArray("gif") << Codec::QtReader << QSize(40, 30) << true;
    QTest::newRow("bmp (ImageMagick, 4 bits)")
        << fixture("blocks.bmp") << QByteArray("bmp") << Codec::QtReader << QSize(40, 30) << true;
    QTest::newRow("gif without its trailer")
        << fixture("blocks.gif").chopped(1) << QByteArray("gif") << Codec::QtReader << QSize(40, 30) << true;
    QTest::newRow("bmp 24 bits") << qtEncoded(testCard(64, 48), "bmp") << QByteArray("bmp") << Codec::QtReader
                                 << cardSize << true;
    QTest::newRow("png") << qtEncoded(testCard(64, 48), "png") << QByteArray("png") << Codec::QtReader
                         << cardSize << true;
}

void TestPicture::readsSupportedPictures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, format);
    QFETCH(Codec, codec);
    QFETCH(QSize, size);
    QFETCH(bool, checkColours);
    QVERIFY(!bytes.isEmpty());

    QCOMPARE(PictureDecoder::probe(bytes).codec, codec);
    const Picture picture = Picture::fromBytes(bytes);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.format(), format);
    QCOMPARE(picture.size(), size);
    QCOMPARE(picture.encoded(), bytes);
    QVERIFY(!picture.hasFullDecode());

    const QImage image = picture.full();
    QCOMPARE(image.size(), size);
    QVERIFY(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied);
    const int w = size.width();
    const int h = size.height();
    if (checkColours) {
        QVERIFY2(closeTo(image.pixel(w / 4, h / 4), qRgb(255, 0, 0), 40), "top-left red");
        QVERIFY2(closeTo(image.pixel(3 * w / 4, h / 4), qRgb(0, 255, 0), 40), "top-right green");
        QVERIFY2(closeTo(image.pixel(w / 4, 3 * h / 4), qRgb(0, 0, 255), 40), "bottom-left blue");
    } else {
        // Without colour, the blocks still differ in brightness and the picture is upright.
        QVERIFY(qGray(image.pixel(3 * w / 4, h / 4)) > qGray(image.pixel(w / 4, 3 * h / 4)) + 40);
    }
}

void TestPicture::refusesUnreadableBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = card(0, TJSAMP_420);
    const QByteArray progressive = card(TJFLAG_PROGRESSIVE, TJSAMP_420);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("\xFF", 1);
    QRandomGenerator random(20130327);
    QByteArray noise(4096, '\0');
    for (char &c : noise)
        c = static_cast<char>(random.bounded(256));
    QTest::newRow("random bytes") << noise;
    QTest::newRow("random bytes after SOI") << QByteArray("\xFF\xD8\xFF", 3) + noise;
    QTest::newRow("html error page") << QByteArray("<html><head><title>404 Not Found</title></head>"
                                                   "<body><h1>Not Found</h1></body></html>\r\n");
    QTest::newRow("jpeg cut in half") << jpeg.left(jpeg.size() / 2);
    QTest::newRow("jpeg without EOI") << jpeg.left(jpeg.size() - 2);
    QTest::newRow("jpeg cut in its scan, EOI appended") << jpeg.left(jpeg.size() / 2) + "\xFF\xD9";
    QTest::newRow("progressive jpeg, a scan cut, EOI appended")
        << progressive.left(progressive.size() * 2 / 3) + "\xFF\xD9";
    QTest::newRow("jpeg cut in its header") << jpeg.left(100);
    QTest::newRow("jpeg soi only") << QByteArray("\xFF\xD8", 2);
    QTest::newRow("progressive jpeg cut") << progressive.left(progressive.size() * 2 / 3);
    QTest::newRow("jpeg header without a scan") << [&] {
        for (const JpegSegment &segment : segmentsOf(jpeg)) {
            if (segment.marker == 0xDA)
                return jpeg.left(segment.offset) + "\xFF\xD9";
        }
        return QByteArray();
    }();
    // No encoder here writes 12-bit JPEG (libjpeg-turbo 2.1 is 8-bit only): the frame header
    // of an 8-bit picture is rewritten to SOF1 with 12-bit precision. It is refused on its header.
    QTest::newRow("jpeg 12 bits per sample") << withFrame(jpeg, 0xC1, 12, 64, 48);
    QTest::newRow("jpeg lossless frame") << withFrame(jpeg, 0xC3, 8, 64, 48);
    QTest::newRow("jpeg zero height") << withFrame(jpeg, 0xC0, 8, 64, 0);
    QTest::newRow("jpeg scan names an unknown component") << [&] {
        QByteArray broken = jpeg;
        for (const JpegSegment &segment : segmentsOf(jpeg)) {
            if (segment.marker == 0xDA)
                broken[segment.payload + 1] = 9;
        }
        return broken;
    }();
    QTest::newRow("jpeg without quantisation tables") << [&] {
        QByteArray broken = jpeg;
        const QList<JpegSegment> segments = segmentsOf(jpeg);
        for (auto it = segments.crbegin(); it != segments.crend(); ++it) {
            if (it->marker == 0xDB)
                broken.remove(it->offset, it->payload + it->length - it->offset);
        }
        return broken;
    }();
    QTest::newRow("gif signature only") << QByteArray("GIF89a");
    QTest::newRow("gif cut") << fixture("blocks.gif").left(20);
    QTest::newRow("bmp cut in its header") << fixture("blocks.bmp").left(30);
    QTest::newRow("bmp cut in its pixels") << fixture("blocks.bmp").chopped(20);
    QTest::newRow("bmp declaring 1572864 x 16 over 600 bytes") << [] {
        // Within the allocation limit, but Qt's reader would make up 100 MB of pixels.
        QByteArray bmp = fixture("blocks.bmp");
        qToLittleEndian<qint32>(1572864, bmp.data() + 18);
        qToLittleEndian<qint32>(16, bmp.data() + 22);
        return bmp;
    }();
    QTest::newRow("gif cut in its pixels") << fixture("blocks.gif").chopped(10);
    QTest::newRow("png signature only") << QByteArray("\x89PNG\r\n\x1a\n", 8);
    QTest::newRow("xpm, a format Qt reads but cameras do not send")
        << QByteArray("/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n");
    QTest::newRow("ppm, likewise") << QByteArray("P6\n1 1\n255\n\xff\x00\x00", 14);
}

void TestPicture::refusesUnreadableBytes()
{
    QFETCH(QByteArray, bytes);
    const Picture picture = Picture::fromBytes(bytes);
    QVERIFY(picture.isNull());
    QVERIFY(!picture.size().isValid());
    QVERIFY(picture.format().isEmpty());
    QVERIFY(picture.full().isNull());
    QVERIFY(picture.scaledFor(QSize(85, 64)).isNull());
}

void TestPicture::refusesOversizedHeadersBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fits");
    const QByteArray jpeg = card(0, TJSAMP_420);
    QTest::newRow("jpeg 30000 x 30000") << withFrame(jpeg, 0xC0, 8, 30000, 30000) << false;
    QTest::newRow("jpeg 65535 x 65535") << withFrame(jpeg, 0xC0, 8, 65535, 65535) << false;
    QTest::newRow("jpeg 8192 x 4097, one row over") << withFrame(jpeg, 0xC0, 8, 8192, 4097) << false;
    QTest::newRow("jpeg 8192 x 4096, the limit") << withFrame(jpeg, 0xC0, 8, 8192, 4096) << true;
    QTest::newRow("progressive jpeg 30000 x 30000")
        << withFrame(card(TJFLAG_PROGRESSIVE, TJSAMP_420), 0xC2, 8, 30000, 30000) << false;

    QByteArray bmp = fixture("blocks.bmp");
    qToLittleEndian<qint32>(30000, bmp.data() + 18);
    qToLittleEndian<qint32>(30000, bmp.data() + 22);
    QTest::newRow("bmp 30000 x 30000") << bmp << false;
    QByteArray gif = fixture("blocks.gif");
    qToLittleEndian<quint16>(65535, gif.data() + 6);
    qToLittleEndian<quint16>(65535, gif.data() + 8);
    QTest::newRow("gif 65535 x 65535") << gif << false;
}

void TestPicture::refusesOversizedHeadersBeforeDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fits);
    // probe() reads headers only: the verdict on the size comes before any pixel memory.
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    QCOMPARE(probe.codec != Codec::None, fits);
    if (fits)
        QCOMPARE(probe.size, QSize(8192, 4096));
    else
        QVERIFY(Picture::fromBytes(bytes).isNull());
}

void TestPicture::pickDenominator_data()
{
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<int>("denominator");
    QTest::newRow("slot from 1920 x 1080") << QSize(1920, 1080) << QSize(85, 64) << 8;
    QTest::newRow("exactly 1/8") << QSize(1920, 1080) << QSize(240, 135) << 8;
    QTest::newRow("one pixel wider than 1/8") << QSize(1920, 1080) << QSize(241, 135) << 4;
    QTest::newRow("one pixel taller than 1/8") << QSize(1920, 1080) << QSize(240, 136) << 4;
    QTest::newRow("1/8 rounds up") << QSize(1921, 1081) << QSize(241, 136) << 8;
    QTest::newRow("half size") << QSize(1920, 1080) << QSize(500, 300) << 2;
    QTest::newRow("quarter size") << QSize(1920, 1080) << QSize(480, 270) << 4;
    QTest::newRow("natural size") << QSize(1920, 1080) << QSize(1920, 1080) << 1;
    QTest::newRow("larger than natural") << QSize(640, 480) << QSize(1280, 960) << 1;
    QTest::newRow("slot from 640 x 480") << QSize(640, 480) << QSize(85, 64) << 4;
    QTest::newRow("slot from 320 x 240") << QSize(320, 240) << QSize(85, 64) << 2;
    QTest::newRow("tall target from a wide picture") << QSize(1920, 1080) << QSize(85, 600) << 1;
}

void TestPicture::pickDenominator()
{
    QFETCH(QSize, natural);
    QFETCH(QSize, wanted);
    QFETCH(int, denominator);
    QCOMPARE(PictureDecoder::pickDenominator(natural, wanted), denominator);
    const QSize scaled = PictureDecoder::scaledSize(natural, denominator);
    QVERIFY(scaled.width() >= wanted.width() || denominator == 1);
    QVERIFY(scaled.height() >= wanted.height() || denominator == 1);
}

void TestPicture::scaledForUsesDctScaling_data()
{
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("reduced"); // the DCT-scaled decode held afterwards
    QTest::newRow("slot 85 x 64, 1/8") << QSize(85, 64) << QSize(240, 135);
    QTest::newRow("exactly 1/8, no smoothing needed") << QSize(240, 135) << QSize(240, 135);
    QTest::newRow("500 x 300, 1/2") << QSize(500, 300) << QSize(960, 540);
    QTest::newRow("300 x 200, 1/4") << QSize(300, 200) << QSize(480, 270);
    QTest::newRow("natural size, full decode not kept") << QSize(1920, 1080) << QSize(240, 135);
}

void TestPicture::scaledForUsesDctScaling()
{
    QFETCH(QSize, wanted);
    QFETCH(QSize, reduced);
    const QByteArray jpeg = turboJpeg(testCard(1920, 1080), TJSAMP_420, 85);
    const Picture picture = Picture::fromBytes(jpeg);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.reducedDecodeSize(), QSize(240, 135)); // the readability check's decode

    const QImage scaled = picture.scaledFor(wanted);
    QCOMPARE(scaled.size(), wanted);
    QVERIFY(!picture.hasFullDecode());
    QCOMPARE(picture.reducedDecodeSize(), reduced);
    QVERIFY(closeTo(scaled.pixel(wanted.width() / 4, wanted.height() / 4), qRgb(255, 0, 0), 40));
    QVERIFY(closeTo(scaled.pixel(wanted.width() / 4, 3 * wanted.height() / 4), qRgb(0, 0, 255), 40));
    // Asking again for the same size gives the kept image.
    QCOMPARE(picture.scaledFor(wanted).constBits(), scaled.constBits());
}

void TestPicture::shownSizePicksTheCheckScale_data()
{
    QTest::addColumn<QSize>("shownAt");
    QTest::addColumn<QSize>("reduced"); // the readability check's decode, kept
    QTest::newRow("not known: 1/8") << QSize() << QSize(240, 135);
    QTest::newRow("slot 85 x 61: 1/8") << QSize(85, 61) << QSize(240, 135);
    QTest::newRow("slot at pixel ratio 2: 1/8") << QSize(170, 122) << QSize(240, 135);
    QTest::newRow("one pixel beyond 1/8: 1/4") << QSize(241, 100) << QSize(480, 270);
    QTest::newRow("500 x 300: 1/2") << QSize(500, 300) << QSize(960, 540);
    QTest::newRow("natural size: checked at 1/8") << QSize(1920, 1080) << QSize(240, 135);
}

void TestPicture::shownSizePicksTheCheckScale()
{
    QFETCH(QSize, shownAt);
    QFETCH(QSize, reduced);
    const QByteArray jpeg = turboJpeg(grainyCard(1920, 1080, 11), TJSAMP_420, 90);
    const Picture picture = Picture::fromBytes(jpeg, shownAt);
    QCOMPARE(picture.reducedDecodeSize(), reduced);
    if (shownAt.isEmpty() || reduced.width() < shownAt.width()) {
        // Nothing made serves the size: scaling it is left to the paint, and nothing more
        // was decoded for it.
        QVERIFY(!picture.scaledSize().isValid());
        QVERIFY(!picture.hasFullDecode());
        return;
    }
    // The slot's picture was scaled with the decode, not at its first paint ...
    QCOMPARE(picture.scaledSize(), shownAt);
    // ... from the kept decode: the same pixels as a decode made for it.
    const int denominator = 1920 / reduced.width();
    const QImage expected = PictureDecoder::decode(jpeg, PictureDecoder::probe(jpeg), denominator);
    QVERIFY(picture.scaledFor(shownAt) == smoothScaled(expected, shownAt));
    QCOMPARE(picture.reducedDecodeSize(), reduced);
    QVERIFY(!picture.hasFullDecode());
}

void TestPicture::fullDecodeIsSharedAndDroppable()
{
    const Picture slot = Picture::fromBytes(turboJpeg(testCard(320, 240), TJSAMP_420, 90));
    const Picture viewer = slot; // the viewer and the full-screen view take copies
    QVERIFY(!viewer.hasFullDecode());
    const QImage shown = viewer.full();
    QCOMPARE(shown.size(), QSize(320, 240));
    QVERIFY(slot.hasFullDecode());
    QCOMPARE(slot.full().constBits(), shown.constBits()); // decoded once
    slot.dropFullDecode();
    QVERIFY(!viewer.hasFullDecode());
    QCOMPARE(shown.size(), QSize(320, 240)); // what was handed out stays valid
    QVERIFY(Picture().full().isNull());
    QVERIFY(slot.scaledFor(QSize(0, 10)).isNull());
    QVERIFY(slot.scaledFor(QSize(30000, 30000)).isNull());
}

void TestPicture::scaledForOtherFormats()
{
    const Picture picture = Picture::fromBytes(qtEncoded(testCard(200, 100), "png"));
    QVERIFY(!picture.isNull());
    const QImage scaled = picture.scaledFor(QSize(85, 64));
    QCOMPARE(scaled.size(), QSize(85, 64));
    QVERIFY(closeTo(scaled.pixel(20, 16), qRgb(255, 0, 0), 10));
    QVERIFY(!picture.hasFullDecode());
    QVERIFY(!picture.reducedDecodeSize().isValid());

    // With the size it is shown at, the scaled picture is made from the decode that proved the
    // bytes readable; the viewer's picture keeps that decode, for it shows the picture whole.
    const QByteArray bmp = qtEncoded(testCard(200, 100), "bmp");
    const Picture slot = Picture::fromBytes(bmp, QSize(85, 64));
    QCOMPARE(slot.scaledSize(), QSize(85, 64));
    QVERIFY(!slot.hasFullDecode());
    QVERIFY(slot.scaledFor(QSize(85, 64)) == Picture::fromBytes(bmp).scaledFor(QSize(85, 64)));
    const Picture viewer = Picture::fromBytesDecodingAhead(bmp, QRect(), QSize(85, 64));
    QVERIFY(viewer.hasFullDecode());
    QCOMPARE(viewer.full().size(), QSize(200, 100));
}

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_Picture.moc"
