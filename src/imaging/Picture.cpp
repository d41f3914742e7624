#include "imaging/Picture.h"

#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"

struct Picture::Data
{
    QByteArray encoded;
    PictureDecoder::Probe probe;

    mutable QImage fullDecode;
    mutable QImage reducedDecode; // a JPEG decoded at 1/reducedDenominator
    mutable int reducedDenominator = 0;
    mutable QImage scaled; // the last scaledFor() result
};

Picture Picture::fromBytes(const QByteArray &bytes)
{
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    if (probe.codec == PictureDecoder::Codec::None)
        return Picture();

    const bool dctScaling = probe.codec == PictureDecoder::Codec::TurboJpeg;
    const int denominator = dctScaling ? 8 : 1;
    const QImage check = PictureDecoder::decode(bytes, probe, denominator);
    if (check.isNull())
        return Picture();

    Picture picture;
    picture.d = std::make_shared<Data>();
    picture.d->encoded = bytes;
    picture.d->probe = probe;
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
        // Decoded for this call only unless full() already holds it.
        source = d->fullDecode.isNull() ? PictureDecoder::decode(d->encoded, d->probe, 1) : d->fullDecode;
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

void Picture::dropFullDecode() const
{
    if (d)
        d->fullDecode = QImage();
}

bool Picture::hasFullDecode() const
{
    return d && !d->fullDecode.isNull();
}

QSize Picture::reducedDecodeSize() const
{
    return d && !d->reducedDecode.isNull() ? d->reducedDecode.size() : QSize();
}
