// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding part of a JPEG gives exactly the pixels a whole decode gives there, for every
// sampling layout and at every edge of the picture and of its MCUs.

#include "imaging/JpegRegionDecoder.h"
#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"

#include "ImagingFixtures.h"

#include <QRandomGenerator>
#include <QtTest>

#include <turbojpeg.h>

using namespace ImagingFixtures;

namespace {

QImage wholeDecode(const QByteArray &jpeg)
{
    return PictureDecoder::decode(jpeg, PictureDecoder::probe(jpeg), 1);
}

// The areas every layout is tried with: corners, single pixels and lines, MCU edges from
// both sides, the right and bottom edges, areas reaching outside, and seeded random ones.
QList<QRect> areasFor(QSize size, quint32 seed)
{
    const int w = size.width();
    const int h = size.height();
    QList<QRect> areas = {QRect(0, 0, w, h), QRect(0, 0, 1, 1), QRect(w - 1, h - 1, 1, 1), QRect(0, h / 2, w, 1),
        QRect(w / 2, 0, 1, h), QRect(15, 15, 2, 2), QRect(16, 16, 16, 16), QRect(31, 7, 33, 41),
        QRect(17, 9, w - 40, h - 30), QRect(w - 20, 3, 20, h - 3), QRect(5, h - 17, w - 5, 17),
        QRect(w - 10, h - 10, 50, 50), QRect(-8, -8, 24, 24)};
    QRandomGenerator random(seed);
    for (int i = 0; i < 40; ++i) {
        const int x = random.bounded(w);
        const int y = random.bounded(h);
        areas << QRect(x, y, 1 + random.bounded(w - x), 1 + random.bounded(h - y));
    }
    return areas;
}

} // namespace

class TestJpegRegionDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameAsWholeDecode_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        quint32 seed = 1;
        for (const auto &[name, subsampling] : samplingLayouts()) {
            // A size of whole MCUs and one that ends in part of one.
            for (const QSize size : {QSize(160, 96), QSize(203, 117)}) {
                const QByteArray row = name + ' ' + QByteArray::number(size.width());
                QTest::newRow(row.constData())
                    << turboJpeg(grainyCard(size.width(), size.height(), seed++), subsampling, 85);
            }
        }
        for (const char *name : {"restart-every-row-420.jpg", "restart-3-mcus-420.jpg", "restart-5-mcus-422.jpg",
                 "restart-7-blocks-grey.jpg", "restart-every-mcu-444.jpg"})
            QTest::newRow(name) << restartFixture(QString::fromLatin1(name));
    }

    void sameAsWholeDecode()
    {
        QFETCH(QByteArray, jpeg);
        QVERIFY(!jpeg.isEmpty());
        const QImage whole = wholeDecode(jpeg);
        QVERIFY(!whole.isNull());
        for (const QRect &area : areasFor(whole.size(), quint32(jpeg.size()))) {
            const QRect inside = area & whole.rect();
            const QImage part = decodeJpegRegion(jpeg, area);
            QVERIFY2(!part.isNull(), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(area.x()).arg(area.y())
                                                    .arg(area.width()).arg(area.height())));
            QCOMPARE(part.format(), QImage::Format_RGB32);
            QCOMPARE(part.size(), inside.size());
            QVERIFY2(part == whole.copy(inside), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(area.x())
                                                               .arg(area.y()).arg(area.width()).arg(area.height())));
        }
    }

    void refused()
    {
        const QByteArray jpeg = turboJpeg(grainyCard(64, 48, 3), TJSAMP_420, 85);
        QVERIFY(!decodeJpegRegion(jpeg, QRect(0, 0, 8, 8)).isNull());
        QVERIFY(decodeJpegRegion(jpeg, QRect()).isNull());
        QVERIFY(decodeJpegRegion(jpeg, QRect(64, 0, 10, 10)).isNull()); // beside the picture
        QVERIFY(decodeJpegRegion(jpeg, QRect(-20, -20, 20, 20)).isNull());
        QVERIFY(decodeJpegRegion(jpeg.left(100), QRect(0, 0, 8, 8)).isNull()); // headers cut short
        QVERIFY(decodeJpegRegion("not a picture", QRect(0, 0, 8, 8)).isNull());
        QVERIFY(decodeJpegRegion(QByteArray(), QRect(0, 0, 8, 8)).isNull());
        QVERIFY(decodeJpegRegion(qtEncoded(testCard(16, 16), "png"), QRect(0, 0, 8, 8)).isNull());
        // No rows can be skipped in these; their callers decode them whole.
        QVERIFY(decodeJpegRegion(turboJpeg(grainyCard(64, 48, 3), TJSAMP_420, 85, TJFLAG_PROGRESSIVE),
            QRect(0, 0, 8, 8))
                    .isNull());
        QVERIFY(decodeJpegRegion(turboJpeg(testCard(64, 48), TJSAMP_444, 90, 0, TJPF_CMYK), QRect(0, 0, 8, 8))
                    .isNull());
    }

    // A picture cut short after the area's rows: what the area needs is there, and the
    // area's pixels are the whole decode's.
    void damageBelowTheArea()
    {
        const QByteArray jpeg = turboJpeg(grainyCard(320, 240, 9), TJSAMP_420, 90);
        const QImage whole = wholeDecode(jpeg);
        const QImage part = decodeJpegRegion(jpeg.left(jpeg.size() * 3 / 4), QRect(10, 10, 100, 50));
        QVERIFY(!part.isNull());
        QVERIFY(part == whole.copy(10, 10, 100, 50));
    }

    void pictureDecodesTheShownPartAhead()
    {
        const QByteArray jpeg = turboJpeg(grainyCard(640, 360, 4), TJSAMP_420, 90);
        const QImage whole = wholeDecode(jpeg);
        const QRect shown(100, 40, 300, 200);
        const Picture ahead = Picture::fromBytesDecodingAhead(jpeg, shown);
        QVERIFY(!ahead.isNull());
        QCOMPARE(ahead.size(), QSize(640, 360));

        // Inside the part decoded ahead: that part, and no full-size decode is made.
        QPoint origin;
        QImage part = ahead.area(QRect(120, 50, 200, 100), &origin);
        QCOMPARE(origin, shown.topLeft());
        QCOMPARE(part.size(), shown.size());
        QVERIFY(part == whole.copy(shown));
        QVERIFY(!ahead.hasFullDecode());
        part = ahead.area(shown, &origin);
        QCOMPARE(origin, shown.topLeft());
        QVERIFY(!ahead.hasFullDecode());

        // Beyond it: the whole picture, kept.
        part = ahead.area(QRect(0, 0, 640, 10), &origin);
        QCOMPARE(origin, QPoint(0, 0));
        QVERIFY(part == whole);
        QVERIFY(ahead.hasFullDecode());

        // Dropping forgets the part too; the whole picture is then decoded on demand.
        ahead.dropFullDecode();
        part = ahead.area(QRect(120, 50, 20, 20), &origin);
        QCOMPARE(origin, QPoint(0, 0));
        QVERIFY(part == whole);

        // An area reaching outside is clipped; one covering the picture decodes it whole ahead.
        const Picture clipped = Picture::fromBytesDecodingAhead(jpeg, QRect(600, 300, 100, 100));
        part = clipped.area(QRect(600, 300, 40, 60), &origin);
        QCOMPARE(origin, QPoint(600, 300));
        QVERIFY(part == whole.copy(600, 300, 40, 60));
        const Picture covering = Picture::fromBytesDecodingAhead(jpeg, QRect(-5, -5, 700, 400));
        part = covering.area(QRect(1, 1, 2, 2), &origin);
        QCOMPARE(origin, QPoint(0, 0));
        QVERIFY(part == whole);
        QVERIFY(covering.hasFullDecode());

        // A progressive picture cannot be decoded in part: it is decoded whole ahead.
        const QByteArray progressive = turboJpeg(grainyCard(320, 240, 5), TJSAMP_420, 90, TJFLAG_PROGRESSIVE);
        const Picture progressivePicture = Picture::fromBytesDecodingAhead(progressive, QRect(10, 10, 50, 50));
        part = progressivePicture.area(QRect(20, 20, 10, 10), &origin);
        QCOMPARE(origin, QPoint(0, 0));
        QVERIFY(progressivePicture.hasFullDecode());
        QVERIFY(part == wholeDecode(progressive));

        // The other users of the picture are unaffected by a part made ahead.
        const Picture other = Picture::fromBytesDecodingAhead(jpeg, shown);
        QVERIFY(other.full() == whole);
        QVERIFY(other.scaledFor(QSize(320, 180)) == Picture::fromBytes(jpeg).scaledFor(QSize(320, 180)));
    }
};

QTEST_GUILESS_MAIN(TestJpegRegionDecoder)
#include "tst_JpegRegionDecoder.moc"
