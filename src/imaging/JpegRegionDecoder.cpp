// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegRegionDecoder.h"

#include "imaging/DecodeBudget.h"
#include "imaging/ImageBufferPool.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegDecompressor.h"
#include "imaging/PictureLimits.h"

#include <algorithm>

namespace {

// Reads the header and refuses what cannot be decoded in part. False on a fatal error.
bool readHeader(JpegDecompressor &d)
{
    if (setjmp(d.escape))
        return false;
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
        return false;
    return !d.info.progressive_mode && !jpeg_has_multiple_scans(&d.info)
        && (d.info.jpeg_color_space == JCS_YCbCr || d.info.jpeg_color_space == JCS_GRAYSCALE);
}

// The rows and columns of the picture that hold `inside` and one iMCU beyond it on every
// side: the chroma upsampler reads the samples next to each pixel, and at the edge of what it
// is given it would use the edge sample instead.
QRect withMargins(const jpeg_decompress_struct &info, const QRect &inside)
{
    const int mcuWidth = info.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = info.max_v_samp_factor * DCTSIZE;
    const int top = std::max(0, inside.top() - mcuHeight);
    const int bottom = std::min(int(info.image_height), inside.bottom() + 1 + mcuHeight);
    const int left = std::max(0, inside.left() - mcuWidth);
    const int right = std::min(int(info.image_width), inside.right() + 1 + mcuWidth);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The decode, with nothing between setjmp and longjmp that needs a destructor: the image is
// the caller's. `rows` are the picture rows to decode and `left`/`width` the columns asked
// for; `left` and `width` receive the columns decoded (libjpeg widens them to whole iMCUs).
// False on a fatal error.
bool decodeInto(JpegDecompressor &d, int top, int bottom, JDIMENSION &left, JDIMENSION &width, QImage &image)
{
    if (setjmp(d.escape))
        return false;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    d.info.out_color_space = JCS_EXT_BGRA;
#else
    d.info.out_color_space = JCS_EXT_ARGB;
#endif
    jpeg_start_decompress(&d.info);
    jpeg_crop_scanline(&d.info, &left, &width);
    // The viewer asks for the same part of each new picture: its memory is reused.
    image = ImageBufferPool::rgb32(QSize(int(width), bottom - top));
    if (image.isNull())
        return false;
    if (jpeg_skip_scanlines(&d.info, JDIMENSION(top)) != JDIMENSION(top))
        return false;
    while (int(d.info.output_scanline) < bottom) {
        JSAMPROW row = image.scanLine(int(d.info.output_scanline) - top);
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
            return false;
    }
    return true;
}

} // namespace

QImage decodeJpegRegion(const QByteArray &bytes, const QRect &area)
{
    const QRect wanted = area.normalized() & QRect(0, 0, JpegSideLimit, JpegSideLimit);
    if (bytes.isEmpty() || wanted.isEmpty() || !pictureFitsAllocationLimit(wanted.width(), wanted.height()))
        return QImage();

    // The memory limit is set once the decoder's needs are known; libjpeg allocates nothing
    // large before jpeg_start_decompress().
    JpegDecompressor d(bytes, 0);
    if (!d.isValid() || !readHeader(d))
        return QImage();
    const QRect inside = wanted & QRect(0, 0, int(d.info.image_width), int(d.info.image_height));
    if (inside.isEmpty())
        return QImage();
    const QRect decoded = withMargins(d.info, inside);
    // The image may be a few iMCUs wider than `decoded` once libjpeg widens the columns.
    const qint64 outputWidth = qint64(decoded.width()) + 2 * d.info.max_h_samp_factor * DCTSIZE;
    const qint64 working = JpegDecoder::workingMemory(
        qint64(d.info.image_width), d.info.num_components, d.info.max_v_samp_factor, 1);
    DecodeBudget::Reservation held
        = DecodeBudget::shared().reserve(outputWidth * decoded.height() * 4 + working);
    if (!held.isValid())
        return QImage();
    d.info.mem->max_memory_to_use = long(working);

    JDIMENSION left = JDIMENSION(decoded.left());
    JDIMENSION width = JDIMENSION(decoded.width());
    QImage image;
    if (!decodeInto(d, decoded.top(), decoded.bottom() + 1, left, width, image))
        return QImage();
    // The area's pixels, in place; the margins around them were decoded only for their
    // neighbours' sake.
    const QRect inImage = inside.translated(-int(left), -decoded.top());
    auto *owner = new QImage(std::move(image));
    const uchar *first = owner->constScanLine(inImage.top()) + qsizetype(inImage.left()) * 4;
    return QImage(first, inImage.width(), inImage.height(), owner->bytesPerLine(), QImage::Format_RGB32,
        [](void *kept) { delete static_cast<QImage *>(kept); }, owner);
}
