#include "imaging/JpegHeaderWalk.h"
#include "imaging/JpegWriter.h"
#include "imaging/BottomUpBitmap.h"
#include "platform/OperationError.h"

#include "ImagingFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void encodedBytesAreTheFileBytes();
    void newFileGetsUmaskPermissions();
    void overwriteKeepsTimesAndPermissions();
    void symbolicLinkIsFollowed();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void fullDiskKeepsOldFile();
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
    const QString path = m_dir.filePath(QStringLiteral("round.jpg"));
    QVERIFY(saveBitmapAsJpeg(dib, path, 90));

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

void TestJpegWriter::encodedBytesAreTheFileBytes()
{
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(33, 17));
    const QString path = m_dir.filePath(QStringLiteral("same.jpg"));
    QVERIFY(saveBitmapAsJpeg(dib, path, 90));
    QCOMPARE(readFile(path), encodeBitmapAsJpeg(dib, 90));
}

void TestJpegWriter::newFileGetsUmaskPermissions()
{
    const mode_t mask = ::umask(022);
    const QString path = m_dir.filePath(QStringLiteral("fresh.jpg"));
    QFile::remove(path);
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(8, 8));
    const bool saved = saveBitmapAsJpeg(dib, path, 90);
    ::umask(mask);
    QVERIFY(saved);
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0644));
}

void TestJpegWriter::overwriteKeepsTimesAndPermissions()
{
    const QString path = m_dir.filePath(QStringLiteral("kept.jpg"));
    const QByteArray target = QFile::encodeName(path);
    QVERIFY(writeFile(path, "old content"));
    QCOMPARE(::chmod(target.constData(), 0640), 0);
    // 3 February 2001 and 4 March 2002, with sub-second parts.
    const struct timespec old[2] = {{981158400, 123456789}, {1015200000, 987654321}};
    QCOMPARE(::utimensat(AT_FDCWD, target.constData(), old, 0), 0);

    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(16, 16));
    QVERIFY(saveBitmapAsJpeg(dib, path, 90));

    struct stat info; // before reading the file, which would touch its access time
    QCOMPARE(::stat(target.constData(), &info), 0);
    QVERIFY(readFile(path).startsWith("\xFF\xD8\xFF"));
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
    QCOMPARE(qint64(info.st_atim.tv_sec), qint64(old[0].tv_sec));
    QCOMPARE(qint64(info.st_atim.tv_nsec), qint64(old[0].tv_nsec));
    QCOMPARE(qint64(info.st_mtim.tv_sec), qint64(old[1].tv_sec));
    QCOMPARE(qint64(info.st_mtim.tv_nsec), qint64(old[1].tv_nsec));
    // No temporary file is left beside it.
    const QStringList left
        = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("kept"));
    QCOMPARE(left, QStringList {QStringLiteral("kept.jpg")});
}

void TestJpegWriter::symbolicLinkIsFollowed()
{
    const QString real = m_dir.filePath(QStringLiteral("real.jpg"));
    const QString link = m_dir.filePath(QStringLiteral("link.jpg"));
    QVERIFY(writeFile(real, "old content"));
    QVERIFY(QFile::link(real, link));
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(8, 8));
    QVERIFY(saveBitmapAsJpeg(dib, link, 90));
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(readFile(real).startsWith("\xFF\xD8\xFF"));
}

void TestJpegWriter::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("target"); // relative to a fresh folder
    QTest::addColumn<QString>("prepare"); // how the folder is set up
    QTest::addColumn<int>("reason"); // the number after "Failed to save to JPG "

    QTest::newRow("folder missing") << "missing/cam.jpg"
                                    << "" << ENOENT;
    QTest::newRow("folder is a file") << "plain/cam.jpg"
                                      << "file" << ENOTDIR;
    QTest::newRow("target is a folder") << "cam.jpg"
                                        << "folder" << EISDIR;
    QTest::newRow("folder read-only") << "locked/cam.jpg"
                                      << "read-only" << EACCES;
}

void TestJpegWriter::failedWriteKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(QString, prepare);
    QFETCH(int, reason);

    QTemporaryDir dir;
    QString keep; // a file that must come through unchanged
    if (prepare == QLatin1String("file")) {
        keep = dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeFile(keep, "not a folder"));
    } else if (prepare == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cam.jpg")));
    } else if (prepare == QLatin1String("read-only")) {
        if (::geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
        keep = dir.filePath(QStringLiteral("locked/cam.jpg"));
        QVERIFY(writeFile(keep, "old picture"));
        QCOMPARE(::chmod(QFile::encodeName(dir.filePath(QStringLiteral("locked"))).constData(), 0555), 0);
    }
    const QByteArray before = keep.isEmpty() ? QByteArray() : readFile(keep);

    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(8, 8));
    const OperationError error = raised([&] { saveBitmapAsJpeg(dib, dir.filePath(target), 90); });
    if (prepare == QLatin1String("read-only"))
        ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("locked"))).constData(), 0755);

    QCOMPARE(error.number(), 26001);
    QCOMPARE(error.source(), QStringLiteral("tst_jpegwriter.mIntelJPEGLibrary"));
    QCOMPARE(error.description(), QStringLiteral("Failed to save to JPG %1").arg(reason));
    if (!keep.isEmpty())
        QCOMPARE(readFile(keep), before);
    QVERIFY(
        QFileInfo(dir.filePath(QStringLiteral("cam.jpg"))).isDir() == (prepare == QLatin1String("folder")));
}

void TestJpegWriter::fullDiskKeepsOldFile()
{
    // A file-size limit makes the write fail part-way, as a full disk does, even for the
    // superuser.
    const QString path = m_dir.filePath(QStringLiteral("full.jpg"));
    QVERIFY(writeFile(path, "old picture"));
    BottomUpBitmap dib;
    dib.createFromImage(ImagingFixtures::testCard(64, 64));
    QVERIFY(encodeBitmapAsJpeg(dib, 90).size() > 200);

    struct rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 100;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const OperationError error = raised([&] { saveBitmapAsJpeg(dib, path, 90); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(error.number(), 26001);
    QCOMPARE(error.description(), QStringLiteral("Failed to save to JPG %1").arg(EFBIG));
    QCOMPARE(readFile(path), QByteArray("old picture"));
    const QStringList left
        = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("full"));
    QCOMPARE(left, QStringList {QStringLiteral("full.jpg")});
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
    const QString path = m_dir.filePath(QStringLiteral("refused.jpg"));
    QVERIFY(writeFile(path, "old picture"));

    const OperationError error = raised([&] { saveBitmapAsJpeg(dib, path, quality); });
    QCOMPARE(error.number(), 26001);
    QCOMPARE(error.source(), QStringLiteral("tst_jpegwriter.mIntelJPEGLibrary"));
    QCOMPARE(error.description(), QStringLiteral("Failed to save to JPG -1"));
    QCOMPARE(readFile(path), QByteArray("old picture"));
    QCOMPARE(raised([&] { encodeBitmapAsJpeg(dib, quality); }).number(), 26001);
}

QTEST_GUILESS_MAIN(TestJpegWriter)
#include "tst_JpegWriter.moc"
