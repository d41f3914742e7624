#include "imaging/JpegRegionDecoder.h"

#include "imaging/PictureLimits.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// A fatal error leaves the decoder through longjmp; warnings (corrupt data the decoder gets
// past) are not fatal, as they are not for TurboJPEG.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf escape;
};

[[noreturn]] void errorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->escape, 1);
}

void ignoreMessage(j_common_ptr, int) { }

// The decode, with nothing between setjmp and longjmp that needs a destructor: the image is
// the caller's. `inImage` receives where the wanted pixels lie in the image, which holds
// margins around them. False on a fatal error.
bool decodeInto(jpeg_decompress_struct &info, ErrorManager &errors, const QByteArray &bytes, const QRect &wanted,
    QImage &image, QRect &inImage)
{
    if (setjmp(errors.escape))
        return false;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()),
        static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (info.progressive_mode || jpeg_has_multiple_scans(&info)
        || (info.jpeg_color_space != JCS_YCbCr && info.jpeg_color_space != JCS_GRAYSCALE))
        return false;
    const QRect inside = wanted & QRect(0, 0, int(info.image_width), int(info.image_height));
    if (inside.isEmpty())
        return false;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.out_color_space = JCS_EXT_BGRA;
#else
    info.out_color_space = JCS_EXT_ARGB;
#endif
    jpeg_start_decompress(&info);

    // One iMCU beyond the area on every side: the chroma upsampler reads the samples next to
    // each pixel, and at the edge of what it is given it would use the edge sample instead.
    const int mcuWidth = info.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = info.max_v_samp_factor * DCTSIZE;
    const int top = std::max(0, inside.top() - mcuHeight);
    const int bottom = std::min(int(info.output_height), inside.bottom() + 1 + mcuHeight);
    JDIMENSION left = JDIMENSION(std::max(0, inside.left() - mcuWidth));
    JDIMENSION width = JDIMENSION(std::min(int(info.output_width), inside.right() + 1 + mcuWidth)) - left;
    jpeg_crop_scanline(&info, &left, &width);

    image = QImage(int(width), bottom - top, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    if (jpeg_skip_scanlines(&info, JDIMENSION(top)) != JDIMENSION(top))
        return false;
    while (int(info.output_scanline) < bottom) {
        JSAMPROW row = image.scanLine(int(info.output_scanline) - top);
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
    }
    inImage = inside.translated(-int(left), -top);
    return true;
}

} // namespace

QImage decodeJpegRegion(const QByteArray &bytes, const QRect &area)
{
    const QRect wanted = area.normalized() & QRect(0, 0, 65535, 65535);
    if (wanted.isEmpty() || !pictureFitsAllocationLimit(wanted.width(), wanted.height()))
        return QImage();

    jpeg_decompress_struct info {};
    ErrorManager errors {};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = errorExit;
    errors.pub.emit_message = ignoreMessage;
    jpeg_create_decompress(&info);
    QImage image;
    QRect inside;
    const bool ok = decodeInto(info, errors, bytes, wanted, image, inside);
    jpeg_destroy_decompress(&info);
    if (!ok)
        return QImage();
    // The area's pixels, in place; the margins around them were decoded only for their
    // neighbours' sake.
    auto *owner = new QImage(std::move(image));
    const uchar *first = owner->constScanLine(inside.top()) + qsizetype(inside.left()) * 4;
    return QImage(first, inside.width(), inside.height(), owner->bytesPerLine(), QImage::Format_RGB32,
        [](void *kept) { delete static_cast<QImage *>(kept); }, owner);
}
