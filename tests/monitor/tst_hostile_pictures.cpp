// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against servers whose responses carry broken, unusual or oversized
// pictures: each ends with the picture shown, or with the picture before kept in the slot
// and in the viewer.

#include "HostileRig.h"

#include "ImagingFixtures.h"
#include "support/FixedClock.h"
#include "support/CostlyJpeg.h"
#include "support/JpegStructure.h"

#include <QCheckBox>
#include <QFile>
#include <QtEndian>

#include <cstdlib>

#include <turbojpeg.h>

using namespace fixture;
using namespace hostile;
using namespace ImagingFixtures;

namespace {

const QSize CardSize(48, 36);

// `jpeg` with 16 bytes in the middle of its entropy-coded data changed; no marker is
// made or broken (0xFF bytes and the bytes after them are left alone).
QByteArray withScanDamaged(const QByteArray &jpeg)
{
    const qsizetype scanStart = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = jpeg.lastIndexOf(QByteArray("\xFF\xD9", 2));
    if (scanStart < 0 || end <= scanStart)
        return QByteArray();
    QByteArray out = jpeg;
    qsizetype at = scanStart + (end - scanStart) / 2;
    for (int changed = 0; changed < 16 && at < end; ++at) {
        const quint8 byte = static_cast<quint8>(out[at]);
        if (byte == 0xFF || static_cast<quint8>(out[at - 1]) == 0xFF)
            continue;
        const quint8 flipped = byte ^ 0x5A;
        if (flipped == 0xFF)
            continue;
        out[at] = static_cast<char>(flipped);
        ++changed;
    }
    return out;
}

QByteArray withLittleEndian16(QByteArray bytes, int offset, quint16 value)
{
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
}

QByteArray withLittleEndian32(QByteArray bytes, int offset, quint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
    return bytes;
}

QSize gifScreenSize(const QByteArray &gif)
{
    return QSize(
        qFromLittleEndian<quint16>(gif.constData() + 6), qFromLittleEndian<quint16>(gif.constData() + 8));
}

QSize bmpSize(const QByteArray &bmp)
{
    return QSize(qFromLittleEndian<qint32>(bmp.constData() + 18),
        std::abs(qFromLittleEndian<qint32>(bmp.constData() + 22)));
}

} // namespace

class TestHostilePictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pictures_data();
    void pictures();
    void unreadablePictureWithAutosave();
};

void TestHostilePictures::pictures_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QSize>("shownSize");

    const QByteArray jpeg = turboJpeg(testCard(CardSize.width(), CardSize.height()), TJSAMP_420, 85);
    QVERIFY(!jpeg.isEmpty());
    const QByteArray ycck
        = turboJpeg(testCard(CardSize.width(), CardSize.height()), TJSAMP_444, 90, 0, TJPF_CMYK);
    const QByteArray ycckFile = ImagingFixtures::fixture(QStringLiteral("ycck.jpg"));
    const JpegStructure ycckFileFrame = JpegStructure::read(ycckFile);
    QVERIFY(ycckFileFrame.valid);
    const QByteArray gif = ImagingFixtures::fixture(QStringLiteral("blocks.gif"));
    const QByteArray bmp = ImagingFixtures::fixture(QStringLiteral("blocks.bmp"));
    QVERIFY(gif.size() > 13 && bmp.size() > 54);
    const QByteArray jpegType = "image/jpeg";

    QTest::newRow("jpeg") << jpeg << jpegType << Outcome::Shown << CardSize;
    QTest::newRow("jpeg cut in half") << jpeg.left(jpeg.size() / 2) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("jpeg without its end marker") << jpeg.chopped(2) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("jpeg cut inside its header") << jpeg.left(100) << jpegType << Outcome::Kept << QSize();
    // Damage inside the scan is decoded through, as a picture with a smear.
    QTest::newRow("jpeg with scan bytes changed")
        << withScanDamaged(jpeg) << jpegType << Outcome::Shown << CardSize;
    QTest::newRow("empty body") << QByteArray() << jpegType << Outcome::Kept << QSize();
    QTest::newRow("progressive jpeg")
        << turboJpeg(testCard(CardSize.width(), CardSize.height()), TJSAMP_420, 85, TJFLAG_PROGRESSIVE)
        << jpegType << Outcome::Shown << CardSize;
    QTest::newRow("ycck jpeg") << ycck << jpegType << Outcome::Shown << CardSize;
    QTest::newRow("plain cmyk jpeg") << withoutAdobeTransform(ycck) << jpegType << Outcome::Shown << CardSize;
    QTest::newRow("ycck jpeg from a file")
        << ycckFile << jpegType << Outcome::Shown << QSize(ycckFileFrame.width, ycckFileFrame.height);
    QTest::newRow("12-bit jpeg") << withFrame(jpeg, 0xC0, 12, CardSize.width(), CardSize.height()) << jpegType
                                 << Outcome::Kept << QSize();
    // Declared sizes beyond what the program holds as pixels are refused before decoding.
    QTest::newRow("jpeg declaring 30000 x 30000")
        << withFrame(jpeg, 0xC0, 8, 30000, 30000) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("jpeg declaring 0 x 0")
        << withFrame(jpeg, 0xC0, 8, 0, 0) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("gif") << gif << QByteArray("image/gif") << Outcome::Shown << gifScreenSize(gif);
    QTest::newRow("gif cut") << gif.left(gif.size() * 2 / 3) << QByteArray("image/gif") << Outcome::Kept
                             << QSize();
    QTest::newRow("gif with a damaged signature")
        << QByteArray(gif).replace(0, 3, "GIX") << QByteArray("image/gif") << Outcome::Kept << QSize();
    QTest::newRow("gif declaring a 65535 x 65535 screen")
        << withLittleEndian16(withLittleEndian16(gif, 6, 65535), 8, 65535) << QByteArray("image/gif")
        << Outcome::Kept << QSize();
    QTest::newRow("bmp") << bmp << QByteArray("image/bmp") << Outcome::Shown << bmpSize(bmp);
    QTest::newRow("bmp cut") << bmp.left(bmp.size() / 2) << QByteArray("image/bmp") << Outcome::Kept
                             << QSize();
    QTest::newRow("bmp declaring 30000 x 30000")
        << withLittleEndian32(withLittleEndian32(bmp, 18, 30000), 22, 30000) << QByteArray("image/bmp")
        << Outcome::Kept << QSize();
    QTest::newRow("bmp with its pixels beyond the end")
        << withLittleEndian32(bmp, 10, 0x7FFFFFF0) << QByteArray("image/bmp") << Outcome::Kept << QSize();
    // Pictures built to be costly are refused from their header walk or their memory estimate,
    // before any decoding, and the window keeps answering (the loop gap is printed).
    QTest::newRow("grey progressive 8192 x 4096, 499 scans")
        << costlyJpeg(CostlyJpeg::GreyProgressive499Scans) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("grey progressive 8192 x 4096, 600 scans")
        << costlyJpeg(CostlyJpeg::GreyProgressive600Scans) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("cmyk progressive, 3000 scans")
        << costlyJpeg(CostlyJpeg::CmykProgressive3000Scans) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("cmyk progressive 8192 x 4096")
        << costlyJpeg(CostlyJpeg::CmykProgressiveLarge) << jpegType << Outcome::Kept << QSize();
    QTest::newRow("jpeg 65535 pixels wide") << costlyJpeg(CostlyJpeg::Wide65535) << jpegType << Outcome::Kept
                                            << QSize();
    QTest::newRow("camera picture 1920 x 1080") << costlyJpeg(CostlyJpeg::Camera) << jpegType << Outcome::Shown
                                                << QSize(1920, 1080);
    QTest::newRow("html page sent as a jpeg")
        << QByteArray("<html><head><title>500</title></head><body>Internal error</body></html>") << jpegType
        << Outcome::Kept << QSize();
}

// The slot is selected into the viewer, which decodes its pictures in full as well.
void TestHostilePictures::pictures()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, type);
    QFETCH(Outcome, outcome);
    QFETCH(QSize, shownSize);

    Rig rig;
    QVERIFY(rig.openWithFirstPicture());
    rig.w.window->showSlotInViewer(0);
    QCOMPARE(rig.w.window->viewerSlot(), 0);
    const QByteArray response = imageResponse(body, QByteArray(), type);
    const qsizetype headerEnd = response.indexOf("\r\n\r\n") + 4;
    rig.server.queueScript(responseScript(response.left(headerEnd), response.mid(headerEnd), Ending::Close));
    {
        LoopGap gap;
        QVERIFY(rig.refreshAndWait());
    }
    verifyOutcome(rig, outcome, shownSize);
    if (outcome == Outcome::Shown)
        QCOMPARE(rig.picture()->picture().encoded(), body);
}

// With autosave on, a new Last-Modified line on a body that cannot be read saves the
// picture the slot still shows, under the new name.
void TestHostilePictures::unreadablePictureWithAutosave()
{
    FixedClock clock(QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30)));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Rig rig;
    control<QCheckBox>(rig.w.window.get(), "chkSave")->setChecked(true);
    QVERIFY(rig.openWithFirstPicture());
    const QByteArray jpeg = jpegBytes(40, 30);
    rig.server.queueScript({Step::send(imageResponse(jpeg, "one")), Step::close()});
    rig.server.queueScript({Step::send(imageResponse(jpeg.left(jpeg.size() / 2), "two")), Step::close()});
    QVERIFY(rig.refreshAndWait());
    QCOMPARE(rig.picture()->picture().size(), QSize(40, 30));
    const QDir cam(rig.w.folder.file(QStringLiteral("cam")));
    QVERIFY(cam.entryList(QDir::Files).isEmpty());
    {
        LoopGap gap;
        QVERIFY(rig.refreshAndWait());
    }
    QVERIFY(rig.camera()->changed());
    QTRY_COMPARE(cam.entryList(QDir::Files), QStringList {QStringLiteral("Cam327201335430AM.jpg")});
    const QStringList saved = cam.entryList(QDir::Files);
    QFile file(cam.filePath(saved.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The slot shows what was saved: the earlier picture, re-encoded.
    const QByteArray written = file.readAll();
    QTRY_COMPARE(rig.picture()->picture().encoded(), written);
    QCOMPARE(rig.picture()->picture().size(), QSize(40, 30));
}

QTEST_MAIN(TestHostilePictures)
#include "tst_hostile_pictures.moc"
