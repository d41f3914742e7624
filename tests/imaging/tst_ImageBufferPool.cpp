// SPDX-License-Identifier: GPL-3.0-or-later
// The memory pool of full-size pictures: kept memory handed to the next picture of the same
// size, the bound on what is kept, and images dropped on another thread or still shared.

#include "imaging/ImageBufferPool.h"

#include "imaging/BottomUpBitmap.h"

#include <QTest>

#include <algorithm>
#include <cstring>

#include <thread>

namespace {

const QSize Full(1920, 1080);

} // namespace

class TestImageBufferPool : public QObject
{
    Q_OBJECT

private slots:
    void init() { ImageBufferPool::release(); }
    void nextPictureTakesKeptMemory();
    void keepsAtMostTwo();
    void smallAndOddSizesStayOut_data();
    void smallAndOddSizesStayOut();
    void sharedAndDetachedImages();
    void droppedOnAnotherThread();
    void sizeNoLongerAskedForIsNotKept();
    void bitmapMemoryReusedAndCleared();
};

void TestImageBufferPool::nextPictureTakesKeptMemory()
{
    QImage first = ImageBufferPool::rgb32(Full);
    QCOMPARE(first.size(), Full);
    QCOMPARE(first.format(), QImage::Format_RGB32);
    QCOMPARE(first.bytesPerLine(), qsizetype(Full.width()) * 4);
    first.fill(Qt::red); // every byte writable
    const uchar *memory = first.constBits();
    first = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 1);

    QImage second = ImageBufferPool::rgb32(Full);
    QCOMPARE(second.constBits(), memory);
    QCOMPARE(ImageBufferPool::keptCount(), 0);
    second.fill(Qt::blue);
    QCOMPARE(second.pixel(1919, 1079), QColor(Qt::blue).rgb());
}

void TestImageBufferPool::keepsAtMostTwo()
{
    QList<QImage> images;
    for (int i = 0; i < 4; ++i)
        images.append(ImageBufferPool::rgb32(Full));
    images.clear();
    QCOMPARE(ImageBufferPool::keptCount(), ImageBufferPool::KeptBuffers);
    // A picture of another size frees what is kept.
    const QImage other = ImageBufferPool::rgb32(QSize(1280, 720));
    QCOMPARE(other.size(), QSize(1280, 720));
    QCOMPARE(ImageBufferPool::keptCount(), 0);
}

void TestImageBufferPool::smallAndOddSizesStayOut_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("valid");
    QTest::newRow("slot picture") << QSize(240, 135) << true;
    QTest::newRow("just below 1 MiB") << QSize(512, 511) << true;
    QTest::newRow("empty") << QSize(0, 1080) << false;
    QTest::newRow("negative") << QSize(-5, 10) << false;
}

void TestImageBufferPool::smallAndOddSizesStayOut()
{
    QFETCH(QSize, size);
    QFETCH(bool, valid);
    QImage image = ImageBufferPool::rgb32(size);
    QCOMPARE(!image.isNull(), valid);
    image = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 0);
}

void TestImageBufferPool::sharedAndDetachedImages()
{
    QImage a = ImageBufferPool::rgb32(Full);
    a.fill(Qt::green);
    QImage b = a;
    a = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 0); // still shown through b

    // Writing to a shared copy copies it; the pooled memory stays with the other.
    QImage c = b;
    c.setPixel(0, 0, qRgb(1, 2, 3));
    QVERIFY(c.constBits() != b.constBits());
    QCOMPARE(b.pixel(0, 0), QColor(Qt::green).rgb());
    c = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 0);
    b = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 1);
}

void TestImageBufferPool::droppedOnAnotherThread()
{
    // Made on a worker, dropped here, and the other way round.
    QImage made;
    std::thread([&made] { made = ImageBufferPool::rgb32(Full); }).join();
    QVERIFY(!made.isNull());
    made = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 1);
    QImage here = ImageBufferPool::rgb32(Full);
    std::thread([image = std::move(here)]() mutable { image = QImage(); }).join();
    QCOMPARE(ImageBufferPool::keptCount(), 1);
}

void TestImageBufferPool::sizeNoLongerAskedForIsNotKept()
{
    // The viewer went from whole pictures to parts: the whole one dropped later is freed.
    QImage whole = ImageBufferPool::rgb32(Full);
    QImage part = ImageBufferPool::rgb32(QSize(1300, 1080));
    whole = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 0);
    part = QImage();
    QCOMPARE(ImageBufferPool::keptCount(), 1);
    // ...and the next part takes the kept memory.
    part = ImageBufferPool::rgb32(QSize(1300, 1080));
    QCOMPARE(ImageBufferPool::keptCount(), 0);
}

void TestImageBufferPool::bitmapMemoryReusedAndCleared()
{
    const uchar *firstBits = nullptr;
    {
        BottomUpBitmap dib;
        QVERIFY(dib.create(1920, 1080));
        firstBits = dib.bits();
        std::memset(dib.bits(), 0xAB, size_t(dib.bytesPerLine()) * size_t(dib.height()));
    }
    BottomUpBitmap again;
    QVERIFY(again.create(1920, 1080));
    QCOMPARE(static_cast<const uchar *>(again.bits()), firstBits); // the kept block
    const qsizetype bytes = qsizetype(again.bytesPerLine()) * again.height();
    QCOMPARE(qsizetype(std::count(again.bits(), again.bits() + bytes, uchar(0))), bytes);
    // A second bitmap while the first is in use gets memory of its own; small ones too.
    BottomUpBitmap other;
    QVERIFY(other.create(1920, 1080));
    QVERIFY(other.bits() != again.bits());
    BottomUpBitmap small;
    QVERIFY(small.create(3, 2));
    QCOMPARE(small.bytesPerLine(), 12);
    QCOMPARE(int(std::count(small.bits(), small.bits() + 24, uchar(0))), 24);
}

QTEST_GUILESS_MAIN(TestImageBufferPool)
#include "tst_ImageBufferPool.moc"
