// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BottomUpBitmap.h"

#include "imaging/ImageBufferPool.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

qint64 scanLineBytes(qint64 width)
{
    return (3 * width + 3) & ~qint64(3);
}

} // namespace

void BottomUpBitmap::Release::operator()(uchar *bits) const
{
    ImageBufferPool::giveBackBitmapMemory(bits);
}

BottomUpBitmap::~BottomUpBitmap() = default;

bool BottomUpBitmap::create(qint32 pixelsWide, qint32 pixelsHigh)
{
    clear();
    return allocate(pixelsWide, pixelsHigh);
}

bool BottomUpBitmap::allocate(qint32 pixelsWide, qint32 pixelsHigh)
{
    clear();
    if (pixelsWide <= 0 || pixelsHigh <= 0)
        return false;
    const qint64 stride = scanLineBytes(pixelsWide); // below 2^33
    if (pixelsHigh > MaxImageBytes / stride)
        return false;
    const qint64 bytes = stride * pixelsHigh;
    // Saves make a bitmap of the same size many times a second: its memory is reused.
    uchar *bits = ImageBufferPool::takeBitmapMemory(bytes);
    if (!bits)
        return false;
    std::memset(bits, 0, static_cast<size_t>(bytes));
    m_bits.reset(bits);
    m_header = BitmapInfoHeader();
    m_header.biWidth = pixelsWide;
    m_header.biHeight = pixelsHigh;
    m_header.biSizeImage = static_cast<quint32>(bytes);
    return true;
}

void BottomUpBitmap::createFromImage(const QImage &image)
{
    clear();
    if (image.isNull())
        return;
    if (!create(image.width(), image.height()))
        return;
    copyFromImage(image, 0, 0, -1, -1, SrcCopy);
}

void BottomUpBitmap::copyFromImage(
    const QImage &src, qint32 left, qint32 top, qint32 blockWidth, qint32 blockHeight, quint32 rop)
{
    if (!m_bits || src.isNull() || rop != SrcCopy)
        return;
    const qint64 w = blockWidth < 0 ? width() : blockWidth;
    const qint64 h = blockHeight < 0 ? height() : blockHeight;

    // Source block clipped to the source picture and to what lands inside this bitmap.
    const qint64 x0 = std::max<qint64>(left, 0);
    const qint64 y0 = std::max<qint64>(top, 0);
    const qint64 x1 = std::min({qint64(left) + w, qint64(src.width()), qint64(left) + width()});
    const qint64 y1 = std::min({qint64(top) + h, qint64(src.height()), qint64(top) + height()});
    if (x1 <= x0 || y1 <= y0)
        return;

    const qint64 stride = bytesPerLine();
    const qint64 destX = x0 - left;
    if (src.format() == QImage::Format_RGB32) {
        // Decoded pictures: 0xffRRGGBB repacked straight into blue, green, red.
        for (qint64 sy = y0; sy < y1; ++sy) {
            const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(static_cast<int>(sy))) + x0;
            uchar *dest = m_bits.get() + (height() - 1 - (sy - top)) * stride + destX * 3;
            for (qint64 x = 0; x < x1 - x0; ++x, dest += 3) {
                dest[0] = static_cast<uchar>(qBlue(in[x]));
                dest[1] = static_cast<uchar>(qGreen(in[x]));
                dest[2] = static_cast<uchar>(qRed(in[x]));
            }
        }
        return;
    }

    const QRect block(
        static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
    QImage part = block == src.rect() ? src : src.copy(block);
    part = part.convertToFormat(QImage::Format_BGR888);
    if (part.isNull())
        return;

    const size_t rowBytes = static_cast<size_t>(part.width()) * 3;
    for (int row = 0; row < part.height(); ++row) {
        const qint64 destY = y0 - top + row; // counted from the top of this bitmap
        uchar *dest = m_bits.get() + (height() - 1 - destY) * stride + destX * 3;
        std::memcpy(dest, part.constScanLine(row), rowBytes);
    }
}

qint32 BottomUpBitmap::bytesPerLine() const
{
    return static_cast<qint32>(scanLineBytes(m_header.biWidth));
}

void BottomUpBitmap::clear()
{
    m_bits.reset();
    m_header = BitmapInfoHeader();
}

QImage BottomUpBitmap::toImage() const
{
    if (!m_bits)
        return QImage();
    QImage image(width(), height(), QImage::Format_BGR888);
    if (image.isNull())
        return QImage();
    const qint64 stride = bytesPerLine();
    for (int y = 0; y < height(); ++y)
        std::memcpy(
            image.scanLine(y), m_bits.get() + (height() - 1 - y) * stride, static_cast<size_t>(width()) * 3);
    return image;
}
