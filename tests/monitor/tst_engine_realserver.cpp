// SPDX-License-Identifier: GPL-3.0-or-later
// Autosave against a real HTTP server: python's http.server serves a folder whose
// picture the test replaces between fetches. Its Last-Modified line follows the file's
// modification time (one-second resolution), which the test sets explicitly.

#include "EngineFixture.h"
#include "ImagingFixtures.h"

#include "imaging/Picture.h"
#include "support/FixedClock.h"
#include "support/JpegStructure.h"
#include "support/PythonHttpServer.h"
#include "support/ResponseFixtures.h"

#include <QBuffer>
#include <QTest>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <memory>

using namespace fixture;

namespace {

// A smooth picture (colour ramps over `base`), so that two lossy encodings stay close.
QImage rampPicture(int width, int height, QColor base)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = width > 1 ? 60 * x / (width - 1) : 0;
            const int dy = height > 1 ? 60 * y / (height - 1) : 0;
            image.setPixel(x, y, qRgb(qBound(0, base.red() - 30 + dx, 255), qBound(0, base.green() - 30 + dy, 255),
                                      qBound(0, base.blue() + 30 - dx, 255)));
        }
    }
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// 1 May 2024, 12:00:00 UTC, and the Last-Modified text python writes for it + `seconds`.
const QDateTime ServedAt(QDate(2024, 5, 1), QTime(12, 0, 0), Qt::UTC);
QString lastModifiedText(int seconds)
{
    return QStringLiteral(" Wed, 01 May 2024 12:00:%1 GMT").arg(seconds, 2, 10, QLatin1Char('0'));
}

} // namespace

class TestEngineRealServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void everyChangedPictureIsSavedOnce();
    void savedPictureIsBaselineAtQuality90_data();
    void savedPictureIsBaselineAtQuality90();

private:
    // Replaces the served file `name` as a whole and sets its modification time to
    // ServedAt + `seconds`. Returns the bytes served.
    QByteArray serve(const QString &name, const QByteArray &bytes, int seconds);
    int requestsFor(const QString &name);

    QTemporaryDir m_served;
    std::unique_ptr<PythonHttpServer> m_server;
};

void TestEngineRealServer::initTestCase()
{
    QVERIFY(m_served.isValid());
    m_server = std::make_unique<PythonHttpServer>(m_served.path());
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
}

QByteArray TestEngineRealServer::serve(const QString &name, const QByteArray &bytes, int seconds)
{
    const QString path = m_served.filePath(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QByteArray();
    QFile stamped(path);
    if (!stamped.open(QIODevice::ReadWrite)
        || !stamped.setFileTime(ServedAt.addSecs(seconds), QFileDevice::FileModificationTime))
        return QByteArray();
    return bytes;
}

int TestEngineRealServer::requestsFor(const QString &name)
{
    return static_cast<int>(m_server->log().count(QStringLiteral("\"GET /%1 HTTP/1.1\" 200").arg(name)));
}

void TestEngineRealServer::everyChangedPictureIsSavedOnce()
{
    FixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 0)));
    const QString name = QStringLiteral("porch.jpg");
    const QByteArray red = serve(name, encoded(rampPicture(96, 64, Qt::red), "jpeg"), 0);
    QVERIFY(!red.isEmpty());

    Engine e;
    e.saving.autosave = true;
    QSignalSpy saves(&e.engine, &CameraEngine::pictureSaved);
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Porch"), m_server->url(QLatin1Char('/') + name));
    QCOMPARE(Engine::waitForResult(finished, 20000), CameraEngine::FetchResult::Picture);

    // The first picture is shown and its line recorded; nothing is saved.
    QCOMPARE(e.engine.picture().encoded(), red);
    QCOMPARE(e.engine.lastChanged(), lastModifiedText(0));
    QCOMPARE(e.engine.lastRefreshed(), QStringLiteral("5/1/2024 8:00:00 AM"));
    QVERIFY(!e.engine.changed());
    QVERIFY(e.saved().isEmpty());

    // The same file again: not changed, not saved.
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 5)));
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QVERIFY(!e.engine.changed());
    QVERIFY(e.saved().isEmpty());

    // Another picture under the same modification time is shown but not new.
    const QByteArray blue = serve(name, encoded(rampPicture(96, 64, Qt::blue), "jpeg"), 0);
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QCOMPARE(e.engine.picture().encoded(), blue);
    QVERIFY(!e.engine.changed());
    QVERIFY(e.saved().isEmpty());

    // Replaced ten seconds later: saved once, and the slot shows what was saved.
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 10)));
    const QImage green = rampPicture(96, 64, Qt::green);
    QVERIFY(!serve(name, encoded(green, "jpeg"), 10).isEmpty());
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QVERIFY(e.engine.changed());
    QCOMPARE(e.engine.lastChanged(), lastModifiedText(10));
    QCOMPARE(e.engine.lastRefreshed(), QStringLiteral("5/1/2024 8:00:10 AM"));
    // The file is in place before the engine hears of it: wait for the engine.
    QTRY_COMPARE(saves.size(), 1);
    QCOMPARE(e.saved(), QStringList{QStringLiteral("Porch51202480010AM.jpg")});
    const QString firstPath = e.folder.file(QStringLiteral("cam/Porch51202480010AM.jpg"));
    const QByteArray first = readFile(firstPath);
    QCOMPARE(e.engine.picture().encoded(), first);
    QCOMPARE(saves.first().at(2).toString(), firstPath);
    QImage saved;
    QVERIFY(saved.loadFromData(first, "JPEG"));
    const double greenError = ImagingFixtures::meanAbsoluteError(saved, green);
    QVERIFY2(greenError < 6, qPrintable(QString::number(greenError)));

    // Unchanged again: the saved picture is not written a second time.
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 15)));
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QVERIFY(!e.engine.changed());
    QCOMPARE(e.saved().size(), 1);
    QCOMPARE(readFile(firstPath), first);

    // The next change is saved under its own name; the first file stays as it was.
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 20)));
    const QImage yellow = rampPicture(96, 64, Qt::yellow);
    QVERIFY(!serve(name, encoded(yellow, "jpeg"), 20).isEmpty());
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QTRY_COMPARE(saves.size(), 2);
    QCOMPARE(e.saved(),
                 (QStringList{QStringLiteral("Porch51202480010AM.jpg"), QStringLiteral("Porch51202480020AM.jpg")}));
    QCOMPARE(readFile(firstPath), first);
    QVERIFY(saved.loadFromData(readFile(e.folder.file(QStringLiteral("cam/Porch51202480020AM.jpg"))), "JPEG"));
    QVERIFY(ImagingFixtures::meanAbsoluteError(saved, yellow) < 6);

    // Every refresh reached the server, once.
    QCOMPARE(requestsFor(name), 6);
}

void TestEngineRealServer::savedPictureIsBaselineAtQuality90_data()
{
    QTest::addColumn<QString>("format");  // as served: "jpeg", "grey jpeg", "png", "bmp"
    QTest::addColumn<QSize>("size");
    QTest::newRow("jpeg 640 x 480") << "jpeg" << QSize(640, 480);
    QTest::newRow("jpeg 97 x 61, no whole blocks") << "jpeg" << QSize(97, 61);
    QTest::newRow("jpeg 1 x 1") << "jpeg" << QSize(1, 1);
    QTest::newRow("greyscale jpeg 33 x 17") << "grey jpeg" << QSize(33, 17);
    QTest::newRow("png 50 x 30") << "png" << QSize(50, 30);
    QTest::newRow("bmp 24 x 8") << "bmp" << QSize(24, 8);
}

void TestEngineRealServer::savedPictureIsBaselineAtQuality90()
{
    QFETCH(QString, format);
    QFETCH(QSize, size);
    FixedClock clock(QDateTime(QDate(2024, 5, 2), QTime(21, 30, 0)));
    const bool grey = format == QLatin1String("grey jpeg");
    const QByteArray writer = grey ? QByteArray("jpeg") : format.toLatin1();
    // The server names the type after the suffix.
    const QString suffix = writer == "jpeg" ? QStringLiteral("jpg") : format;
    const QString name = QStringLiteral("%1-%2x%3.%4")
                             .arg(grey ? QStringLiteral("grey") : format)
                             .arg(size.width())
                             .arg(size.height())
                             .arg(suffix);

    QImage first = rampPicture(size.width(), size.height(), Qt::darkMagenta);
    QImage second = rampPicture(size.width(), size.height(), Qt::cyan);
    if (grey) {
        first = first.convertToFormat(QImage::Format_Grayscale8);
        second = second.convertToFormat(QImage::Format_Grayscale8);
    }
    QVERIFY(!serve(name, encoded(first, writer.constData()), 0).isEmpty());
    Engine e;
    e.saving.autosave = true;
    QSignalSpy finished(&e.engine, &CameraEngine::fetchFinished);
    e.open(QStringLiteral("Yard"), m_server->url(QLatin1Char('/') + name));
    QCOMPARE(Engine::waitForResult(finished, 20000), CameraEngine::FetchResult::Picture);
    QVERIFY(!e.engine.picture().isNull());
    QVERIFY(e.saved().isEmpty());

    const QByteArray served = serve(name, encoded(second, writer.constData()), 10);
    QVERIFY(!served.isEmpty());
    QCOMPARE(e.fetch(), CameraEngine::FetchResult::Picture);
    QTRY_COMPARE(e.saved(), QStringList{QStringLiteral("Yard52202493000PM.jpg")});
    const QByteArray jpeg = readFile(e.folder.file(QStringLiteral("cam/Yard52202493000PM.jpg")));

    // It decodes, to the served picture.
    const Picture picture = Picture::fromBytes(jpeg);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.format(), QByteArray("jpeg"));
    QCOMPARE(picture.size(), size);
    QImage decoded;
    QVERIFY(decoded.loadFromData(jpeg, "JPEG"));
    QImage original;
    QVERIFY(original.loadFromData(served));
    const double error = ImagingFixtures::meanAbsoluteError(decoded, original);
    QVERIFY2(error >= 0 && error < 8, qPrintable(QString::number(error)));

    // Baseline JFIF, 8-bit, three components (the bitmap is 24-bit whatever was served).
    const JpegStructure structure = JpegStructure::read(jpeg);
    QVERIFY(structure.valid);
    QVERIFY(structure.jfif);
    QCOMPARE(structure.frameMarker, quint8(0xC0));
    QCOMPARE(structure.precision, 8);
    QCOMPARE(structure.width, size.width());
    QCOMPARE(structure.height, size.height());
    QCOMPARE(structure.componentTable.size(), 3);

    // Quality 90: the standard tables scaled for 90, luminance for Y, chrominance for both.
    QVERIFY(!structure.sixteenBitTable);
    QCOMPARE(structure.quantTables.size(), 2);
    QCOMPARE(structure.quantTables.value(structure.componentTable[0]),
             JpegStructure::standardTable(JpegStructure::Luminance, 90));
    QCOMPARE(structure.componentTable[1], structure.componentTable[2]);
    QCOMPARE(structure.quantTables.value(structure.componentTable[1]),
             JpegStructure::standardTable(JpegStructure::Chrominance, 90));
    // Not merely what the served file used.
    QVERIFY(JpegStructure::standardTable(JpegStructure::Luminance, 90)
            != JpegStructure::standardTable(JpegStructure::Luminance, 95));
}

QTEST_GUILESS_MAIN(TestEngineRealServer)
#include "tst_engine_realserver.moc"
