// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Picture.h"

#include "imaging/BottomUpBitmap.h"
#include "imaging/JpegRegionDecoder.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"
#include "imaging/SmoothScale.h"

#include <QThreadPool>

#include <future>

struct Picture::Data
{
    QByteArray encoded;
    PictureDecoder::Probe probe;

    mutable QImage fullDecode;
    // A decode being made on a worker: of the whole picture, or of `aheadArea` only.
    mutable std::shared_future<QImage> ahead;
    QRect aheadArea; // within the picture; null for the whole picture
    mutable QImage areaDecode; // the part `aheadArea` of the picture, decoded ahead
    mutable QImage reducedDecode; // a JPEG decoded at 1/reducedDenominator
    mutable int reducedDenominator = 0;
    mutable QImage scaled; // the last scaledFor() result
};

namespace {

// The workers of decodes made ahead for fromBytesDecodingAhead(); one thread, so that at most
// one core beyond the caller's is busy with them.
QThreadPool &aheadPool()
{
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(1);
        return true;
    }();
    Q_UNUSED(configured);
    return pool;
}

// The part `area` of a JPEG (null: the whole picture). A stream whose part cannot be decoded
// alone (progressive, say) is decoded whole.
QImage decodeAhead(const QByteArray &bytes, const PictureDecoder::Probe &probe, const QRect &area)
{
    const QImage part = area.isNull() ? QImage() : decodeJpegRegion(bytes, area);
    return part.isNull() ? PictureDecoder::decode(bytes, probe, 1) : part;
}

QImage scaledTo(const QImage &source, QSize devicePixels)
{
    return source.size() == devicePixels ? source : smoothScaled(source, devicePixels);
}

// The scale of the readability check's decode of a JPEG shown at `shownAt`.
int checkDenominator(QSize natural, QSize shownAt)
{
    const int denominator = shownAt.isEmpty() ? 8 : PictureDecoder::pickDenominator(natural, shownAt);
    return denominator == 1 ? 8 : denominator;
}

// Whether one decode of the whole picture, with the reduced picture averaged from it as the
// rows come, serves a part `area` (null: the whole) better than a reduced decode and a decode
// of the part: both read the whole stream, so past half the picture the second pass over the
// entropy-coded data costs more than decoding the rest of the picture.
bool wholeAtOnce(const QRect &area, QSize natural)
{
    return area.isNull()
        || 2 * qint64(area.width()) * area.height() >= qint64(natural.width()) * natural.height();
}

} // namespace

Picture Picture::fromBytes(const QByteArray &bytes, QSize shownAt)
{
    return make(bytes, shownAt, Ahead::None, QRect());
}

Picture Picture::fromBytesDecodingAhead(const QByteArray &bytes, const QRect &area, QSize shownAt)
{
    return make(bytes, shownAt, Ahead::OnWorker, area);
}

Picture Picture::make(const QByteArray &bytes, QSize shownAt, Ahead ahead, const QRect &area,
                      QThreadPool *partPool)
{
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    if (probe.codec == PictureDecoder::Codec::None)
        return Picture();

    const bool dctScaling = probe.codec == PictureDecoder::Codec::LibJpegTurbo;
    const QRect bounds(QPoint(0, 0), probe.size);
    QRect aheadArea = area.isNull() ? QRect() : area.normalized() & bounds;
    if (aheadArea == bounds)
        aheadArea = QRect();
    const bool decodePart = ahead != Ahead::None && dctScaling && (area.isNull() || !aheadArea.isEmpty());
    const int denominator = dctScaling ? checkDenominator(probe.size, shownAt) : 1;
    Picture picture;
    picture.d = std::make_shared<Data>();
    picture.d->encoded = bytes;
    picture.d->probe = probe;
    if (decodePart && ahead != Ahead::OnWorker && wholeAtOnce(aheadArea, probe.size)) {
        QImage reduced;
        picture.d->fullDecode = PictureDecoder::decodeWithReduced(bytes, probe, denominator, &reduced);
        if (!picture.d->fullDecode.isNull()) {
            picture.d->reducedDecode = reduced;
            picture.d->reducedDenominator = denominator;
            picture.scaleAhead(shownAt, QImage());
            return picture;
        }
        // Refused (by the budget, say): the reduced decode alone may still be made.
    }
    std::shared_future<QImage> partComing;
    if (decodePart && ahead == Ahead::OnWorker) {
        auto task = std::make_shared<std::packaged_task<QImage()>>(
            [bytes, probe, aheadArea] { return decodeAhead(bytes, probe, aheadArea); });
        partComing = task->get_future().share();
        aheadPool().start([task] { (*task)(); });
    } else if (decodePart && ahead == Ahead::Beside && partPool) {
        // Only a thread that is free now: waiting for one could wait for this very thread.
        auto task = std::make_shared<std::packaged_task<QImage()>>(
            [bytes, probe, aheadArea] { return decodeAhead(bytes, probe, aheadArea); });
        std::shared_future<QImage> coming = task->get_future().share();
        if (partPool->tryStart([task] { (*task)(); }))
            partComing = coming;
    }

    const QImage check = PictureDecoder::decode(bytes, probe, denominator);
    if (check.isNull())
        return Picture();

    picture.d->aheadArea = aheadArea;
    if (decodePart && (ahead == Ahead::Now || (ahead == Ahead::Beside && !partComing.valid()))) {
        std::promise<QImage> done;
        done.set_value(decodeAhead(bytes, probe, aheadArea));
        partComing = done.get_future().share();
    }
    if (ahead == Ahead::Beside && partComing.valid())
        partComing.wait();
    picture.d->ahead = partComing;
    if (dctScaling) {
        picture.d->reducedDecode = check;
        picture.d->reducedDenominator = denominator;
    } else if (ahead != Ahead::None) {
        // Other formats are read whole only: the viewer's picture keeps what was read.
        picture.d->fullDecode = check;
    }
    picture.scaleAhead(shownAt, dctScaling ? QImage() : check);
    return picture;
}

void Picture::scaleAhead(QSize shownAt, const QImage &whole) const
{
    if (!scalableTo(shownAt))
        return;
    // When nothing decoded serves, scaledFor() decodes once it is asked.
    const QImage source = sourceFor(shownAt, whole, Decoding::HeldOnly);
    if (!source.isNull())
        d->scaled = scaledTo(source, shownAt);
}

bool Picture::scalableTo(QSize devicePixels)
{
    return !devicePixels.isEmpty() && pictureFitsAllocationLimit(devicePixels.width(), devicePixels.height());
}

QImage Picture::sourceFor(QSize devicePixels, const QImage &whole, Decoding decoding) const
{
    const bool dctScaling = d->probe.codec == PictureDecoder::Codec::LibJpegTurbo;
    const int denominator = dctScaling ? PictureDecoder::pickDenominator(d->probe.size, devicePixels) : 1;
    if (denominator == 1) {
        if (!whole.isNull())
            return whole;
        if (decoding == Decoding::HeldOnly)
            return d->fullDecode;
        // Decoded for this call only unless full() already holds it or one is made ahead.
        return wholeHeldOrComing() ? full() : PictureDecoder::decode(d->encoded, d->probe, 1);
    }
    if (d->reducedDenominator != denominator && decoding == Decoding::AsNeeded) {
        d->reducedDecode = PictureDecoder::decode(d->encoded, d->probe, denominator);
        d->reducedDenominator = d->reducedDecode.isNull() ? 0 : denominator;
    }
    return d->reducedDenominator == denominator ? d->reducedDecode : QImage();
}

QSize Picture::size() const
{
    return d ? d->probe.size : QSize();
}

QByteArray Picture::format() const
{
    return d ? d->probe.format : QByteArray();
}

QByteArray Picture::encoded() const
{
    return d ? d->encoded : QByteArray();
}

void Picture::takeAhead() const
{
    if (!d->ahead.valid())
        return;
    const QImage image = d->ahead.get();
    d->ahead = std::shared_future<QImage>();
    if (image.isNull())
        return;
    if (d->aheadArea.isNull() || image.size() != d->aheadArea.size()) {
        if (d->fullDecode.isNull() && image.size() == d->probe.size)
            d->fullDecode = image;
    } else {
        d->areaDecode = image;
    }
}

bool Picture::wholeHeldOrComing() const
{
    return !d->fullDecode.isNull() || (d->ahead.valid() && d->aheadArea.isNull());
}

QImage Picture::full() const
{
    if (!d)
        return QImage();
    takeAhead();
    if (d->fullDecode.isNull())
        d->fullDecode = PictureDecoder::decode(d->encoded, d->probe, 1);
    return d->fullDecode;
}

QImage Picture::area(const QRect &wanted, QPoint *origin) const
{
    *origin = QPoint(0, 0);
    if (!d)
        return QImage();
    takeAhead();
    const QRect inside = wanted.normalized() & QRect(QPoint(0, 0), d->probe.size);
    if (d->fullDecode.isNull() && !d->areaDecode.isNull() && d->aheadArea.contains(inside)) {
        *origin = d->aheadArea.topLeft();
        return d->areaDecode;
    }
    return full();
}

QImage Picture::scaledFor(QSize devicePixels) const
{
    if (!d || !scalableTo(devicePixels))
        return QImage();
    if (d->scaled.size() == devicePixels)
        return d->scaled;
    const QImage source = sourceFor(devicePixels, QImage(), Decoding::AsNeeded);
    if (source.isNull())
        return QImage();
    d->scaled = scaledTo(source, devicePixels);
    return d->scaled;
}

void Picture::toDib(BottomUpBitmap &dib) const
{
    dib.clear();
    if (!d)
        return;
    if (d->probe.codec == PictureDecoder::Codec::LibJpegTurbo && !wholeHeldOrComing()) {
        if (!dib.create(d->probe.size.width(), d->probe.size.height()))
            return;
        if (PictureDecoder::decodeToBottomUpBgr(
                d->encoded, d->probe, dib.bits(), dib.bytesPerLine()))
            return;
        dib.clear();
    }
    dib.createFromImage(full());
}

void Picture::dropFullDecode() const
{
    if (d) {
        d->fullDecode = QImage();
        d->ahead = std::shared_future<QImage>();
        d->areaDecode = QImage();
    }
}

bool Picture::hasFullDecode() const
{
    return d && !d->fullDecode.isNull();
}

QSize Picture::reducedDecodeSize() const
{
    return d && !d->reducedDecode.isNull() ? d->reducedDecode.size() : QSize();
}

QSize Picture::scaledSize() const
{
    return d && !d->scaled.isNull() ? d->scaled.size() : QSize();
}

Picture Picture::detached() const
{
    if (!d)
        return Picture();
    Picture copy;
    copy.d = std::make_shared<Data>(*d);
    return copy;
}
