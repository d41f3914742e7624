#include "imaging/Picture.h"

#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"
#include "imaging/cDIBSection.h"

#include <QThreadPool>

#include <future>

struct Picture::Data
{
    QByteArray encoded;
    PictureDecoder::Probe probe;

    mutable QImage fullDecode;
    mutable std::shared_future<QImage> fullAhead; // a full-size decode being made on a worker
    mutable QImage reducedDecode; // a JPEG decoded at 1/reducedDenominator
    mutable int reducedDenominator = 0;
    mutable QImage scaled; // the last scaledFor() result
};

namespace {

// The workers of full-size decodes made ahead; one thread, so that at most one core beyond
// the window thread's is busy with them.
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

} // namespace

Picture Picture::fromBytes(const QByteArray &bytes)
{
    return make(bytes, false);
}

Picture Picture::fromBytesDecodingAhead(const QByteArray &bytes)
{
    return make(bytes, true);
}

Picture Picture::make(const QByteArray &bytes, bool decodeAhead)
{
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    if (probe.codec == PictureDecoder::Codec::None)
        return Picture();

    const bool dctScaling = probe.codec == PictureDecoder::Codec::TurboJpeg;
    std::shared_future<QImage> ahead;
    if (decodeAhead && dctScaling) {
        auto task = std::make_shared<std::packaged_task<QImage()>>(
            [bytes, probe] { return PictureDecoder::decode(bytes, probe, 1); });
        ahead = task->get_future().share();
        aheadPool().start([task] { (*task)(); });
    }

    const int denominator = dctScaling ? 8 : 1;
    const QImage check = PictureDecoder::decode(bytes, probe, denominator);
    if (check.isNull())
        return Picture();

    Picture picture;
    picture.d = std::make_shared<Data>();
    picture.d->encoded = bytes;
    picture.d->probe = probe;
    picture.d->fullAhead = ahead;
    if (dctScaling) {
        picture.d->reducedDecode = check;
        picture.d->reducedDenominator = denominator;
    }
    return picture;
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

QImage Picture::full() const
{
    if (!d)
        return QImage();
    if (d->fullDecode.isNull() && d->fullAhead.valid()) {
        d->fullDecode = d->fullAhead.get();
        d->fullAhead = std::shared_future<QImage>();
    }
    if (d->fullDecode.isNull())
        d->fullDecode = PictureDecoder::decode(d->encoded, d->probe, 1);
    return d->fullDecode;
}

QImage Picture::scaledFor(QSize devicePixels) const
{
    if (!d || devicePixels.isEmpty()
        || !PictureFitsAllocationLimit(devicePixels.width(), devicePixels.height()))
        return QImage();
    if (d->scaled.size() == devicePixels)
        return d->scaled;

    QImage source;
    const bool dctScaling = d->probe.codec == PictureDecoder::Codec::TurboJpeg;
    const int denominator = dctScaling ? PictureDecoder::pickDenominator(d->probe.size, devicePixels) : 1;
    if (denominator == 1) {
        // Decoded for this call only unless full() already holds it or one is made ahead.
        source = d->fullDecode.isNull() && !d->fullAhead.valid()
            ? PictureDecoder::decode(d->encoded, d->probe, 1)
            : full();
    } else {
        if (d->reducedDenominator != denominator) {
            d->reducedDecode = PictureDecoder::decode(d->encoded, d->probe, denominator);
            d->reducedDenominator = d->reducedDecode.isNull() ? 0 : denominator;
        }
        source = d->reducedDecode;
    }
    if (source.isNull())
        return QImage();

    d->scaled = source.size() == devicePixels
        ? source
        : source.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return d->scaled;
}

void Picture::toDib(cDIBSection &dib) const
{
    dib.ClearUp();
    if (!d)
        return;
    if (d->probe.codec == PictureDecoder::Codec::TurboJpeg && d->fullDecode.isNull()
        && !d->fullAhead.valid()) {
        if (!dib.Create(d->probe.size.width(), d->probe.size.height()))
            return;
        if (PictureDecoder::decodeToBottomUpBgr(
                d->encoded, d->probe, dib.DIBSectionBitsPtr(), dib.BytesPerScanLine()))
            return;
        dib.ClearUp();
    }
    dib.CreateFromPicture(full());
}

void Picture::dropFullDecode() const
{
    if (d) {
        d->fullDecode = QImage();
        d->fullAhead = std::shared_future<QImage>();
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
