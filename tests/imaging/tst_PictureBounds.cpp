// SPDX-License-Identifier: GPL-3.0-or-later
// Bounds before work: the pictures refused on their headers, the memory a decode is held to,
// the budget of all decodes at once, and libjpeg-turbo's pixels for every JPEG.

#include "imaging/DecodeBudget.h"
#include "imaging/JpegDecoder.h"
#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"

#include "ImagingFixtures.h"
#include "support/CostlyJpeg.h"

#include <QBuffer>
#include <QImageReader>
#include <QtTest>

#include <thread>
#include <vector>

#include <turbojpeg.h>

using namespace ImagingFixtures;
using PictureDecoder::Refusal;

Q_DECLARE_METATYPE(PictureDecoder::Refusal)

namespace {

constexpr qint64 MiB = 1024 * 1024;

// TurboJPEG's own decode at 1/denominator in `pixelFormat` (4 bytes a pixel), rows packed;
// `size` receives the decode's size. Empty on failure.
QByteArray turboPixels(const QByteArray &jpeg, int denominator, int pixelFormat, QSize *size)
{
    tjhandle handle = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    const auto *data = reinterpret_cast<const unsigned char *>(jpeg.constData());
    const auto bytes = static_cast<unsigned long>(jpeg.size());
    QByteArray pixels;
    if (tjDecompressHeader3(handle, data, bytes, &width, &height, &subsampling, &colourspace) == 0) {
        *size = QSize((width + denominator - 1) / denominator, (height + denominator - 1) / denominator);
        pixels = QByteArray(size->width() * size->height() * 4, '\0');
        if (tjDecompress2(handle, data, bytes, reinterpret_cast<unsigned char *>(pixels.data()),
                size->width(), 0, size->height(), pixelFormat, 0)
            != 0)
            pixels.clear();
    }
    tjDestroy(handle);
    return pixels;
}

// TurboJPEG's decode at 1/denominator to 32-bit BGRA.
QImage turboDecode(const QByteArray &jpeg, int denominator)
{
    QSize size;
    const QByteArray pixels = turboPixels(jpeg, denominator, TJPF_BGRA, &size);
    if (pixels.isEmpty())
        return QImage();
    return QImage(reinterpret_cast<const uchar *>(pixels.constData()), size.width(), size.height(),
        size.width() * 4, QImage::Format_RGB32)
        .copy();
}

// TurboJPEG's decode of a CMYK or YCCK JPEG at 1/denominator to CMYK, converted to RGB as
// Adobe's inverted CMYK: red = C x K / 255 and so on.
QImage turboDecodeCmyk(const QByteArray &jpeg, int denominator)
{
    QSize size;
    const QByteArray cmyk = turboPixels(jpeg, denominator, TJPF_CMYK, &size);
    if (cmyk.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const unsigned char *>(cmyk.constData());
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x, p += 4)
            image.setPixel(x, y, qRgb(p[3] * p[0] / 255, p[3] * p[1] / 255, p[3] * p[2] / 255));
    }
    return image;
}

QImage qtReaderDecode(const QByteArray &jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPictureBounds : public QObject
{
    Q_OBJECT

private slots:
    void refusedOnTheirHeaders_data();
    void refusedOnTheirHeaders();
    void largestAcceptedPicturesDecode_data();
    void largestAcceptedPicturesDecode();
    void coefficientMemory_data();
    void coefficientMemory();
    void libjpegHeldToItsMemory();
    void budgetReservations();
    void budgetHeldAcrossThreads();
    void decodesRefusedWhileTheBudgetIsSpent();
    void everyScaleGivesTurboJpegsPixels_data();
    void everyScaleGivesTurboJpegsPixels();
    void cmykColoursAsQtsReader_data();
    void cmykColoursAsQtsReader();
};

void TestPictureBounds::refusedOnTheirHeaders_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<int>("scansWalked"); // where the walk stopped
    const int overLimit = JpegScanLimit + 1;
    QTest::newRow("grey 8192 x 4096, 499 scans")
        << costlyJpeg(CostlyJpeg::GreyProgressive499Scans) << Refusal::TooManyScans << overLimit;
    QTest::newRow("grey 8192 x 4096, 600 scans")
        << costlyJpeg(CostlyJpeg::GreyProgressive600Scans) << Refusal::TooManyScans << overLimit;
    QTest::newRow("cmyk 1024 x 1024, 3000 scans")
        << costlyJpeg(CostlyJpeg::CmykProgressive3000Scans) << Refusal::TooManyScans << overLimit;
    QTest::newRow("grey, one scan over the limit")
        << progressiveJpeg(64, 64, 1, JpegScanLimit + 1) << Refusal::TooManyScans << overLimit;
    QTest::newRow("grey, at the scan limit")
        << progressiveJpeg(64, 64, 1, JpegScanLimit) << Refusal::None << JpegScanLimit;
    QTest::newRow("cmyk 8192 x 4096, 256 MiB of coefficients")
        << costlyJpeg(CostlyJpeg::CmykProgressiveLarge) << Refusal::TooMuchMemory << 9;
    QTest::newRow("65535 pixels wide") << costlyJpeg(CostlyJpeg::Wide65535) << Refusal::TooLarge << 1;
    QTest::newRow("65501 pixels wide") << wideGreyJpeg(65501) << Refusal::TooLarge << 1;
}

void TestPictureBounds::refusedOnTheirHeaders()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(Refusal, refusal);
    QFETCH(int, scansWalked);
    QVERIFY(!jpeg.isEmpty());
    // probe() reads headers only: a refusal there is made before any decoding.
    const PictureDecoder::Probe probe = PictureDecoder::probe(jpeg);
    QCOMPARE(probe.refusal, refusal);
    QCOMPARE(probe.jpeg.scans, scansWalked);
    QCOMPARE(probe.codec == PictureDecoder::Codec::None, refusal != Refusal::None);
    QCOMPARE(Picture::fromBytes(jpeg).isNull(), refusal != Refusal::None);
    const Picture ahead = Picture::fromBytesDecodingAhead(jpeg);
    QCOMPARE(ahead.isNull(), refusal != Refusal::None);
    QCOMPARE(ahead.full().isNull(), refusal != Refusal::None); // waits for the decode made ahead
    QCOMPARE(DecodeBudget::shared().reservedBytes(), qint64(0));
}

void TestPictureBounds::largestAcceptedPicturesDecode_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QSize>("size");
    QTest::newRow("grey 8192 x 4096, 10 scans")
        << costlyJpeg(CostlyJpeg::GreyProgressive10Scans) << QSize(8192, 4096);
    QTest::newRow("65500 pixels wide, mid-grey") << costlyJpeg(CostlyJpeg::Wide65500) << QSize(65500, 8);
}

void TestPictureBounds::largestAcceptedPicturesDecode()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(QSize, size);
    const PictureDecoder::Probe probe = PictureDecoder::probe(jpeg);
    QCOMPARE(probe.refusal, Refusal::None);
    QVERIFY(PictureDecoder::memoryNeeded(probe, 1) <= PictureDecodeLimitBytes);
    const Picture picture = Picture::fromBytes(jpeg);
    QVERIFY(!picture.isNull());
    // At its natural size too: libjpeg's own limit, set from the estimate, leaves it room.
    const QImage full = picture.full();
    QCOMPARE(full.size(), size);
    // Both are made of 8 x 8 blocks of one shade each: the 1/8 decode's pixel is its block's.
    const QImage eighth = picture.scaledFor(PictureDecoder::scaledSize(size, 8));
    for (const QPoint block : {QPoint(0, 0), QPoint(1, 0), QPoint(eighth.width() - 1, 0),
             QPoint(eighth.width() / 3, eighth.height() - 1)}) {
        const QRgb expected = eighth.pixel(block);
        QVERIFY(closeTo(full.pixel(block.x() * 8, block.y() * 8), expected, 1));
        QVERIFY(
            closeTo(full.pixel(qMin(block.x() * 8 + 7, size.width() - 1), block.y() * 8 + 7), expected, 1));
    }
    QCOMPARE(DecodeBudget::shared().reservedBytes(), qint64(0));
}

void TestPictureBounds::coefficientMemory_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<qint64>("coefficients");
    QTest::addColumn<bool>("fits"); // a decode at the natural size fits PictureDecodeLimitBytes
    // Blocks per component, rounded up to whole MCUs, x 128 bytes. 1920 x 1080 at 4:2:0: luma
    // 240 x 136 blocks (135 rounded up to the MCU's 2), chroma 120 x 68 each.
    const QImage camera = grainyCard(1920, 1080, 3);
    QTest::newRow("baseline: none") << turboJpeg(camera, TJSAMP_420, 85) << qint64(0) << true;
    QTest::newRow("progressive 4:2:0") << turboJpeg(camera, TJSAMP_420, 85, TJFLAG_PROGRESSIVE)
                                       << qint64((240 * 136 + 2 * 120 * 68) * 128) << true;
    QTest::newRow("progressive 4:2:2, 37 x 21")
        << turboJpeg(grainyCard(37, 21, 4), TJSAMP_422, 85, TJFLAG_PROGRESSIVE)
        << qint64((6 * 3 + 2 * 3 * 3) * 128) << true;
    QTest::newRow("progressive grey 8192 x 4096")
        << costlyJpeg(CostlyJpeg::GreyProgressive10Scans) << qint64(1024 * 512 * 128) << true;
    // Refused for its scans; on memory alone it would be decoded, as the 10-scan one is.
    QTest::newRow("progressive grey 8192 x 4096, 499 scans")
        << costlyJpeg(CostlyJpeg::GreyProgressive499Scans) << qint64(1024 * 512 * 128) << true;
    QTest::newRow("progressive cmyk 8192 x 4096")
        << costlyJpeg(CostlyJpeg::CmykProgressiveLarge) << qint64(4) * 1024 * 512 * 128 << false;
}

void TestPictureBounds::coefficientMemory()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(qint64, coefficients);
    QFETCH(bool, fits);
    const JpegHeaders headers = walkJpegHeaders(jpeg, JpegScanLimit);
    QVERIFY(headers.frameMarker != 0);
    QCOMPARE(JpegDecoder::memoryNeeded(headers, 1, 4) <= PictureDecodeLimitBytes, fits);
    for (const int denominator : {1, 2, 4, 8}) {
        const qint64 outputWidth = (headers.width + denominator - 1) / denominator;
        const qint64 outputHeight = (headers.height + denominator - 1) / denominator;
        const qint64 working = JpegDecoder::workingMemory(
            outputWidth, int(headers.components.size()), headers.maxVertical(), denominator);
        QCOMPARE(JpegDecoder::decoderMemory(headers, denominator), coefficients + working);
        QCOMPARE(JpegDecoder::memoryNeeded(headers, denominator, 3),
            outputWidth * outputHeight * 3 + coefficients + working);
    }
}

void TestPictureBounds::libjpegHeldToItsMemory()
{
    // A progressive picture keeps all its coefficients; with less room than they need,
    // libjpeg refuses to start instead of allocating them.
    const QByteArray jpeg = turboJpeg(grainyCard(640, 480, 8), TJSAMP_444, 90, TJFLAG_PROGRESSIVE);
    const JpegHeaders headers = walkJpegHeaders(jpeg, JpegScanLimit);
    const qint64 enough = JpegDecoder::decoderMemory(headers, 8);
    const qint64 coefficients = 3 * 80 * 60 * 128;
    QImage image(80, 60, QImage::Format_RGB32);
    const auto decode = [&](qint64 memory) {
        return JpegDecoder::decode(
            jpeg, 8, image.size(), JpegDecoder::Pixels::Rgb32, image.bits(), image.bytesPerLine(), memory);
    };
    QVERIFY(decode(enough));
    QVERIFY(image == turboDecode(jpeg, 8));
    QVERIFY(!decode(coefficients / 2));
    QVERIFY(!decode(1));
}

void TestPictureBounds::budgetReservations()
{
    DecodeBudget budget(100);
    QCOMPARE(budget.totalBytes(), qint64(100));
    DecodeBudget::Reservation a = budget.reserve(60);
    QVERIFY(a.isValid());
    QCOMPARE(a.bytes(), qint64(60));
    QVERIFY(!budget.reserve(41).isValid()); // refused at once, nothing held
    QCOMPARE(budget.reservedBytes(), qint64(60));
    {
        const DecodeBudget::Reservation b = budget.reserve(40);
        QVERIFY(b.isValid());
        QCOMPARE(budget.reservedBytes(), qint64(100));
        QVERIFY(!budget.reserve(1).isValid());
    }
    QCOMPARE(budget.reservedBytes(), qint64(60));
    DecodeBudget::Reservation moved = std::move(a);
    QVERIFY(!a.isValid()); // NOLINT(bugprone-use-after-move): a moved-from reservation is empty
    QCOMPARE(budget.reservedBytes(), qint64(60));
    moved = budget.reserve(10); // the 60 go back, the 10 are held
    QCOMPARE(budget.reservedBytes(), qint64(10));
    moved.release();
    QCOMPARE(budget.reservedBytes(), qint64(0));
    QVERIFY(!budget.reserve(0).isValid());
    QVERIFY(!budget.reserve(-5).isValid());
    QVERIFY(!budget.reserve(101).isValid());
    QVERIFY(budget.reserve(100).isValid());
    QCOMPARE(DecodeBudget::shared().totalBytes(), DecodeBudgetBytes);
}

void TestPictureBounds::budgetHeldAcrossThreads()
{
    // Threads take and give back reservations at random: the total never goes over the
    // budget, and everything comes back.
    DecodeBudget budget(1000);
    std::atomic<bool> over {false};
    std::atomic<int> granted {0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            QRandomGenerator random(quint32(t + 1));
            for (int i = 0; i < 20000; ++i) {
                const DecodeBudget::Reservation held = budget.reserve(random.bounded(1, 400));
                if (budget.reservedBytes() > budget.totalBytes())
                    over = true;
                if (held.isValid())
                    ++granted;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QVERIFY(!over);
    QVERIFY(granted > 0);
    QCOMPARE(budget.reservedBytes(), qint64(0));
}

void TestPictureBounds::decodesRefusedWhileTheBudgetIsSpent()
{
    const QByteArray jpeg = costlyJpeg(CostlyJpeg::Camera);
    const QByteArray png = qtEncoded(testCard(640, 480), "png");
    const PictureDecoder::Probe jpegProbe = PictureDecoder::probe(jpeg);
    const PictureDecoder::Probe pngProbe = PictureDecoder::probe(png);
    const Picture accepted = Picture::fromBytes(jpeg);
    QVERIFY(!accepted.isNull());

    // Other decodes hold all but 1 MiB: less than any of these needs.
    DecodeBudget::Reservation others = DecodeBudget::shared().reserve(DecodeBudgetBytes - MiB);
    QVERIFY(others.isValid());
    QVERIFY(PictureDecoder::memoryNeeded(jpegProbe, 8) > MiB);
    Refusal why = Refusal::None;
    QVERIFY(PictureDecoder::decode(jpeg, jpegProbe, 8, &why).isNull());
    QCOMPARE(why, Refusal::BudgetExhausted);
    QVERIFY(PictureDecoder::decode(png, pngProbe, 1, &why).isNull());
    QCOMPARE(why, Refusal::BudgetExhausted);
    QVERIFY(Picture::fromBytes(jpeg).isNull());
    QVERIFY(Picture::fromBytes(png).isNull());
    QVERIFY(accepted.full().isNull()); // refused now, not waited for
    QVERIFY(!accepted.hasFullDecode());

    // Once they end, the same decodes go through.
    others.release();
    QCOMPARE(PictureDecoder::decode(jpeg, jpegProbe, 8, &why).size(), QSize(240, 135));
    QCOMPARE(why, Refusal::None);
    QVERIFY(!Picture::fromBytes(png).isNull());
    QCOMPARE(accepted.full().size(), QSize(1920, 1080));
    QCOMPARE(DecodeBudget::shared().reservedBytes(), qint64(0));
}

void TestPictureBounds::everyScaleGivesTurboJpegsPixels_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<int>("denominator");
    QList<QPair<QByteArray, QByteArray>> pictures;
    quint32 seed = 20;
    for (const auto &[name, subsampling] : samplingLayouts())
        pictures.append({name, turboJpeg(grainyCard(203, 117, seed++), subsampling, 85)});
    pictures.append(
        {"progressive 4:2:0", turboJpeg(grainyCard(203, 117, seed++), TJSAMP_420, 85, TJFLAG_PROGRESSIVE)});
    pictures.append({"restart every MCU row", restartFixture("restart-every-row-420.jpg")});
    pictures.append({"camera 1920 x 1080", costlyJpeg(CostlyJpeg::Camera)});
    pictures.append({"camera, progressive", costlyJpeg(CostlyJpeg::CameraProgressive)});
    for (const auto &[name, jpeg] : pictures) {
        for (const int denominator : {1, 2, 4, 8})
            QTest::newRow((name + " 1/" + QByteArray::number(denominator)).constData())
                << jpeg << denominator;
    }
}

void TestPictureBounds::everyScaleGivesTurboJpegsPixels()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(int, denominator);
    QVERIFY(!jpeg.isEmpty());
    const PictureDecoder::Probe probe = PictureDecoder::probe(jpeg);
    QCOMPARE(probe.codec, PictureDecoder::Codec::LibJpegTurbo);
    const QImage decoded = PictureDecoder::decode(jpeg, probe, denominator);
    const QImage turbo = turboDecode(jpeg, denominator);
    QVERIFY(!turbo.isNull());
    QCOMPARE(decoded.size(), turbo.size());
    QVERIFY(decoded == turbo);
    if (denominator == 1) {
        // Autosave's bottom-up rows: the same pixels without their fourth byte.
        const int pitch = (decoded.width() * 3 + 3) & ~3;
        QByteArray rows(pitch * decoded.height(), '\0');
        QVERIFY(
            PictureDecoder::decodeToBottomUpBgr(jpeg, probe, reinterpret_cast<uchar *>(rows.data()), pitch));
        const int y = decoded.height() - 1; // the first row of the bitmap
        const QRgb pixel = decoded.pixel(7 % decoded.width(), y);
        QCOMPARE(quint8(rows[3 * (7 % decoded.width()) + 0]), quint8(qBlue(pixel)));
        QCOMPARE(quint8(rows[3 * (7 % decoded.width()) + 1]), quint8(qGreen(pixel)));
        QCOMPARE(quint8(rows[3 * (7 % decoded.width()) + 2]), quint8(qRed(pixel)));
    }
}

void TestPictureBounds::cmykColoursAsQtsReader_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::newRow("ycck 4:4:4 (TurboJPEG)") << turboJpeg(testCard(64, 48), TJSAMP_444, 90, 0, TJPF_CMYK);
    QTest::newRow("ycck 4:2:0 (TurboJPEG), 37 x 21")
        << turboJpeg(grainyCard(37, 21, 2), TJSAMP_420, 90, 0, TJPF_CMYK);
    QTest::newRow("plain cmyk") << withoutAdobeTransform(
        turboJpeg(testCard(64, 48), TJSAMP_444, 90, 0, TJPF_CMYK));
    QTest::newRow("ycck (ImageMagick)") << fixture("ycck.jpg");
    QTest::newRow("cmyk, progressive, 9 scans") << progressiveJpeg(64, 40, 4, 9);
    QTest::newRow("cmyk 1920 x 1080 (libjpeg)") << costlyJpeg(CostlyJpeg::CameraCmyk);
}

void TestPictureBounds::cmykColoursAsQtsReader()
{
    QFETCH(QByteArray, jpeg);
    const PictureDecoder::Probe probe = PictureDecoder::probe(jpeg);
    QCOMPARE(probe.codec, PictureDecoder::Codec::LibJpegTurbo);
    QVERIFY(probe.cmyk);
    const QImage ours = PictureDecoder::decode(jpeg, probe, 1);
    const QImage qts = qtReaderDecode(jpeg);
    QCOMPARE(ours.size(), qts.size());
    QVERIFY(ours == qts);
    // At every scale: TurboJPEG's CMYK pixels, converted by the same rule.
    for (const int denominator : {1, 2, 4, 8}) {
        const QImage scaled = PictureDecoder::decode(jpeg, probe, denominator);
        QCOMPARE(scaled.size(), PictureDecoder::scaledSize(probe.size, denominator));
        QVERIFY2(scaled == turboDecodeCmyk(jpeg, denominator), qPrintable(QString::number(denominator)));
    }
}

QTEST_GUILESS_MAIN(TestPictureBounds)
#include "tst_PictureBounds.moc"
