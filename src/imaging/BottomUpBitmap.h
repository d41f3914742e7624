// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/PictureLimits.h"

#include <QImage>
#include <QtGlobal>

#include <memory>

// The 40-byte bitmap information header of a device-independent bitmap, as the
// platform's picture files and codecs describe one. Heights are positive: rows are
// stored bottom-up.
struct BitmapInfoHeader
{
    quint32 biSize = 40;
    qint32 biWidth = 0;
    qint32 biHeight = 0;
    quint16 biPlanes = 1;
    quint16 biBitCount = 24;
    quint32 biCompression = 0; // uncompressed RGB
    quint32 biSizeImage = 0; // biHeight x bytesPerLine, in bytes
    qint32 biXPelsPerMeter = 0;
    qint32 biYPelsPerMeter = 0;
    quint32 biClrUsed = 0;
    quint32 biClrImportant = 0;
};

// A 24-bit memory bitmap with directly addressable pixels.
//
// Layout: height() rows of bytesPerLine() bytes each, the bottom row of the picture
// first. Pixel x of a row occupies bytes 3x, 3x + 1, 3x + 2: blue, green, red. The bytes
// after 3 x width() in a row are padding and are zero. The instance owns the memory; it is
// empty (width() and height() 0, bits() nullptr) until create() succeeds.
class BottomUpBitmap
{
public:
    // The raster operation code for a plain source copy, the only one copyFromImage performs.
    static constexpr quint32 SrcCopy = 0xCC0020;
    // Largest pixel memory one instance allocates, in bytes. Every picture within the
    // decoder's limit fits, since bytesPerLine never exceeds 4 x width().
    static constexpr qint64 MaxImageBytes = PictureAllocationLimitBytes;

    BottomUpBitmap() = default;
    ~BottomUpBitmap();
    BottomUpBitmap(const BottomUpBitmap &) = delete;
    BottomUpBitmap &operator=(const BottomUpBitmap &) = delete;

    // Frees any previous bitmap, then allocates a zero-filled pixelsWide x pixelsHigh bitmap.
    // False, with the instance left empty, when either size is not positive or the memory
    // would exceed MaxImageBytes or cannot be had.
    bool create(qint32 pixelsWide, qint32 pixelsHigh);
    // Allocates the pixel memory and fills the header (image size = pixelsHigh x the new
    // bytesPerLine). Replaces any previous bitmap; same failures as create().
    bool allocate(qint32 pixelsWide, qint32 pixelsHigh);

    // Makes the instance a copy of `image` (any QImage format; alpha is dropped). A null
    // picture, or one too large to hold, leaves the instance empty.
    void createFromImage(const QImage &image);

    // Copies the blockWidth x blockHeight block of `src` whose top-left corner is at
    // (left, top) to the top-left corner of this bitmap. A negative width or height
    // stands for this bitmap's own. The block is clipped to both pictures. Only SrcCopy is
    // performed; any other raster operation leaves the pixels unchanged.
    void copyFromImage(const QImage &src, qint32 left, qint32 top, qint32 blockWidth,
        qint32 blockHeight, quint32 rop = SrcCopy);

    // Bytes per row: 3 x width() rounded up to a multiple of 4 (0 when empty).
    qint32 bytesPerLine() const;
    // Size in pixels as held in the header; 0 when empty.
    qint32 width() const { return m_header.biWidth; }
    qint32 height() const { return m_header.biHeight; }
    // Start of the pixel memory, owned by the instance; nullptr when empty.
    uchar *bits() { return m_bits.get(); }
    const uchar *bits() const { return m_bits.get(); }

    // Frees the pixel memory and resets the header: the instance becomes empty.
    void clear();

    const BitmapInfoHeader &infoHeader() const { return m_header; }

    // The bitmap as a top-down QImage (Format_BGR888), a deep copy; null when empty.
    QImage toImage() const;

private:
    struct Release
    {
        void operator()(uchar *bits) const;
    };
    std::unique_ptr<uchar, Release> m_bits;
    BitmapInfoHeader m_header;
};
