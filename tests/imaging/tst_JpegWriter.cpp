// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegHeaderWalk.h"
#include "imaging/JpegWriter.h"
#include "imaging/BottomUpBitmap.h"
#include "platform/OperationError.h"

#include "support/FileFaults.h"

#include "ImagingFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <memory>

namespace {

// The IJG example tables (JPEG standard, Annex K), in natural (row-major) order.
// clang-format off
constexpr int LuminanceBase[64] = {
    16, 11, 10, 16,  24,  40,  51,  61,
    12, 12, 14, 19,  26,  58,  60,  55,
    14, 13, 16, 24,  40,  57,  69,  56,
    14, 17, 22, 29,  51,  87,  80,  62,
    18, 22, 37, 56,  68, 109, 103,  77,
    24, 35, 55, 64,  81, 104, 113,  92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103,  99};
constexpr int ChrominanceBase[64] = {
    17, 18, 24, 47, 99, 99, 99, 99,
    18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99,
    47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99};
// Natural-order index of the k-th coefficient in zig-zag order, the order DQT stores.
constexpr int ZigZag[64] = {
     0,  1,  8, 16,  9,  2,  3, 10,
    17, 24, 32, 25, 18, 11,  4,  5,
    12, 19, 26, 33, 40, 48, 41, 34,
    27, 20, 13,  6,  7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36,
    29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46,
    53, 60, 61, 54, 47, 55, 62, 63};
// clang-format on

// A table as a baseline IJG encoder scales it for `quality`, in zig-zag order.
QList<int> scaledTable(const int (&base)[64], int quality)
{
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    QList<int> table;
    for (int k = 0; k < 64; ++k)
        table.append(qBound(1, (base[ZigZag[k]] * scale + 50) / 100, 255));
    return table;
}

// All quantisation tables of a stream by table number; tables of 8-bit precision only.
QMap<int, QList<int>> quantisationTables(const QByteArray &jpeg, bool *eightBit)
{
    QMap<int, QList<int>> tables;
    *eightBit = true;
    for (const JpegSegment &segment : ImagingFixtures::segmentsOf(jpeg)) {
        if (segment.marker != 0xDB)
            continue;
        qsizetype pos = segment.payload;
        const qsizetype end = segment.payload + segment.length;
        while (pos < end) {
            const int pq = static_cast<quint8>(jpeg[pos]) >> 4;
            const int tq = static_cast<quint8>(jpeg[pos]) & 0x0F;
            *eightBit = *eightBit && pq == 0;
            QList<int> table;
            for (int k = 0; k < 64; ++k)
                table.append(static_cast<quint8>(jpeg[pos + 1 + k * (pq + 1)]));
            tables.insert(tq, table);
            pos += 1 + 64 * (pq + 1);
        }
    }
    return tables;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Runs `save` and returns the error it raised; number 0 when it raised none.
template<typename Save> OperationError raised(Save save)
{
    try {
        save();
    } catch (const OperationError &error) {
        return error;
    }
    return OperationError(0, QString(), QString());
}

} // namespace

class TestJpegWriter : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void writesBaselineJfif420_data();
    void writesBaselineJfif420();
    void savedBytesAreTheEncodedBytes();
    void fileFailureRaisesItsErrno_data();
    void fileFailureRaisesItsErrno();
    void refusedPictureRaises_data();
    void refusedPictureRaises();

private:
    QTemporaryDir m_dir;
};

void TestJpegWriter::roundTrip_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<double>("maxError"); // mean absolute error per channel, 0..255
    QTest::newRow("test card 64 x 48") << ImagingFixtures::testCard(64, 48) << 6.0;
    QTest::newRow("test card 61 x 47, rows padded") << ImagingFixtures::testCard(61, 47) << 6.0;
    // 4:2:0 shares one colour among 2 x 2 pixels, so tiny pictures are one colour here.
    QImage solid(2, 2, QImage::Format_RGB32);
    solid.fill(qRgb(200, 100, 50));
    QTest::newRow("solid 2 x 2") << solid << 3.0;
    QTest::newRow("solid 1 x 1") << solid.copy(0, 0, 1, 1) << 3.0;
    QTest::newRow("solid 5 x 3") << solid.scaled(5, 3) << 3.0;
}

void TestJpegWriter::roundTrip()
{
    QFETCH(QImage, picture);
    QFETCH(double, maxError);
    BottomUpBitmap dib;
    dib.createFromImage(picture);
    const QString path
        = saveJpegAsNewFile(m_dir.path(), QStringLiteral("round.jpg"), encodeBitmapAsJpeg(dib, 90));

    // Read back with Qt's reader, independent of the writer's library.
    const QImage back(path, "jpeg");
    QCOMPARE(back.size(), picture.size());
    const double error = ImagingFixtures::meanAbsoluteError(picture, back);
    QVERIFY2(error >= 0 && error < maxError, qPrintable(QString::number(error)));
    if (picture.width() >= 32) {
        // Upright and in the right colours: the centre of each block.
        const int w = picture.width();
        const int h = picture.height();
        QVERIFY(ImagingFixtures::closeTo(back.pixel(w / 4, h / 4), qRgb(255, 0, 0), 12));
        QVERIFY(ImagingFixtures::closeTo(back.pixel(3 * w / 4, h / 4), qRgb(0, 255, 0), 12));
        QVERIFY(ImagingFixtures::closeTo(back.pixel(w / 4, 3 * h / 4), qRgb(0, 0, 255), 12));
    }
}

void TestJpegWriter::writesBaselineJfif420_data()
{
    QTest::addColumn<int>("quality");
    QTest::newRow("90, as the program saves") << 90;
    QTest::newRow("50, the tables unscaled") << 50;
    QTest::newRow("25") << 25;
}

void TestJpegWriter::writesBaselineJfif420()
{
    QFETCH(int, quality);
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(40, 24));
    const QByteArray jpeg = encodeBitmapAsJpeg(dib, quality);
    const JpegHeaders headers = walkJpegHeaders(jpeg, 64);
    QCOMPARE(headers.end, JpegHeaders::End::Complete);

    // Baseline, one scan, no progressive frame.
    QCOMPARE(headers.frameMarker, quint8(0xC0));
    QVERIFY(ImagingFixtures::payloadOf(jpeg, 0xC2).isEmpty());
    QCOMPARE(headers.scans, 1);
    QCOMPARE(headers.precision, 8);
    QCOMPARE(headers.width, 40);
    QCOMPARE(headers.height, 24);

    // JFIF APP0 right after SOI.
    const QList<JpegSegment> segments = ImagingFixtures::segmentsOf(jpeg);
    QVERIFY(segments.size() > 2);
    QCOMPARE(segments.at(1).marker, quint8(0xE0));
    QVERIFY(ImagingFixtures::payloadOf(jpeg, 0xE0).startsWith(QByteArray("JFIF\0", 5)));

    // 4:2:0: luma sampled 2 x 2, both chroma components 1 x 1.
    const QByteArray frame = ImagingFixtures::payloadOf(jpeg, 0xC0);
    QCOMPARE(headers.components.size(), 3);
    QCOMPARE(frame.size(), 6 + 3 * 3);
    QCOMPARE(static_cast<quint8>(frame[6 + 1]), quint8(0x22));
    QCOMPARE(static_cast<quint8>(frame[9 + 1]), quint8(0x11));
    QCOMPARE(static_cast<quint8>(frame[12 + 1]), quint8(0x11));

    bool eightBit = false;
    const QMap<int, QList<int>> tables = quantisationTables(jpeg, &eightBit);
    QVERIFY(eightBit);
    QCOMPARE(tables.size(), 2);
    const int lumaTable = static_cast<quint8>(frame[6 + 2]);
    const int chromaTable = static_cast<quint8>(frame[9 + 2]);
    QCOMPARE(tables.value(lumaTable), scaledTable(LuminanceBase, quality));
    QCOMPARE(tables.value(chromaTable), scaledTable(ChrominanceBase, quality));
}

void TestJpegWriter::savedBytesAreTheEncodedBytes()
{
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(33, 17));
    const QByteArray jpeg = encodeBitmapAsJpeg(dib, 90);
    QTemporaryDir dir;
    // A second save of the same name takes the next number; the first stays.
    const QString first = saveJpegAsNewFile(dir.path(), QStringLiteral("same.jpg"), jpeg);
    const QString second = saveJpegAsNewFile(dir.path(), QStringLiteral("same.jpg"), "other");
    QCOMPARE(first, dir.filePath(QStringLiteral("same.jpg")));
    QCOMPARE(second, dir.filePath(QStringLiteral("same_2.jpg")));
    QCOMPARE(readFile(first), jpeg);
    QCOMPARE(readFile(second), QByteArray("other"));
}

void TestJpegWriter::fileFailureRaisesItsErrno_data()
{
    QTest::addColumn<QString>("folder"); // relative to a fresh folder holding the file "plain"
    QTest::addColumn<int>("limit"); // file-size limit in bytes; -1 none
    QTest::addColumn<int>("reason"); // the number after "Failed to save to JPG "

    QTest::newRow("folder missing") << "missing" << -1 << ENOENT;
    QTest::newRow("folder is a file") << "plain" << -1 << ENOTDIR;
    QTest::newRow("full disk") << "." << 100 << EFBIG;
}

void TestJpegWriter::fileFailureRaisesItsErrno()
{
    QFETCH(QString, folder);
    QFETCH(int, limit);
    QFETCH(int, reason);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), "not a folder"));
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(64, 64));
    const QByteArray jpeg = encodeBitmapAsJpeg(dib, 90);
    QVERIFY(jpeg.size() > 200);

    OperationError error(0, QString(), QString());
    {
        const std::unique_ptr<FileSizeLimit> full(limit >= 0 ? new FileSizeLimit(rlim_t(limit)) : nullptr);
        error = raised([&] { saveJpegAsNewFile(dir.filePath(folder), QStringLiteral("cam.jpg"), jpeg); });
    }
    QCOMPARE(error.number(), 26001);
    QCOMPARE(error.source(), QStringLiteral("tst_jpegwriter.mIntelJPEGLibrary"));
    QCOMPARE(error.description(), QStringLiteral("Failed to save to JPG %1").arg(reason));
    QCOMPARE(entriesOf(dir.path()), QStringList {QStringLiteral("plain")});
    QCOMPARE(readFile(dir.filePath(QStringLiteral("plain"))), QByteArray("not a folder"));
}

void TestJpegWriter::refusedPictureRaises_data()
{
    QTest::addColumn<QSize>("size"); // empty: a bitmap never created
    QTest::addColumn<int>("quality");
    QTest::newRow("empty bitmap") << QSize() << 90;
    QTest::newRow("bitmap from a null picture") << QSize(0, 0) << 90;
    QTest::newRow("quality -1") << QSize(8, 8) << -1;
    QTest::newRow("quality 101") << QSize(8, 8) << 101;
}

void TestJpegWriter::refusedPictureRaises()
{
    QFETCH(QSize, size);
    QFETCH(int, quality);
    BottomUpBitmap dib;
    if (size.isValid())
        dib.createFromImage(
            size.isEmpty() ? QImage() : ImagingFixtures::testCard(size.width(), size.height()));
    const OperationError error = raised([&] { encodeBitmapAsJpeg(dib, quality); });
    QCOMPARE(error.number(), 26001);
    QCOMPARE(error.source(), QStringLiteral("tst_jpegwriter.mIntelJPEGLibrary"));
    QCOMPARE(error.description(), QStringLiteral("Failed to save to JPG -1"));
}

QTEST_GUILESS_MAIN(TestJpegWriter)
#include "tst_JpegWriter.moc"
