#include "imaging/cDIBSection.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

qint64 scanLineBytes(qint64 width)
{
    return (3 * width + 3) & ~qint64(3);
}

} // namespace

cDIBSection::~cDIBSection() = default;

bool cDIBSection::Create(qint32 lWidth, qint32 lHeight)
{
    ClearUp();
    return CreateDIB(lWidth, lHeight);
}

bool cDIBSection::CreateDIB(qint32 lWidth, qint32 lHeight)
{
    ClearUp();
    if (lWidth <= 0 || lHeight <= 0)
        return false;
    const qint64 stride = scanLineBytes(lWidth); // below 2^33
    if (lHeight > MaxImageBytes / stride)
        return false;
    const qint64 bytes = stride * lHeight;
    uchar *bits = new (std::nothrow) uchar[static_cast<size_t>(bytes)]();
    if (!bits)
        return false;
    m_bits.reset(bits);
    m_header = BitmapInfoHeader();
    m_header.biWidth = lWidth;
    m_header.biHeight = lHeight;
    m_header.biSizeImage = static_cast<quint32>(bytes);
    return true;
}

void cDIBSection::CreateFromPicture(const QImage &picThis)
{
    ClearUp();
    if (picThis.isNull())
        return;
    if (!Create(picThis.width(), picThis.height()))
        return;
    LoadPictureBlt(picThis, 0, 0, -1, -1, SrcCopy);
}

void cDIBSection::LoadPictureBlt(
    const QImage &src, qint32 lSrcLeft, qint32 lSrcTop, qint32 lSrcWidth, qint32 lSrcHeight, quint32 eRop)
{
    if (!m_bits || src.isNull() || eRop != SrcCopy)
        return;
    const qint64 width = lSrcWidth < 0 ? Width() : lSrcWidth;
    const qint64 height = lSrcHeight < 0 ? Height() : lSrcHeight;
    const qint64 left = lSrcLeft;
    const qint64 top = lSrcTop;

    // Source block clipped to the source picture and to what lands inside this bitmap.
    const qint64 x0 = std::max<qint64>(left, 0);
    const qint64 y0 = std::max<qint64>(top, 0);
    const qint64 x1 = std::min({left + width, qint64(src.width()), left + Width()});
    const qint64 y1 = std::min({top + height, qint64(src.height()), top + Height()});
    if (x1 <= x0 || y1 <= y0)
        return;

    const qint64 stride = BytesPerScanLine();
    const qint64 destX = x0 - left;
    if (src.format() == QImage::Format_RGB32) {
        // Decoded pictures: 0xffRRGGBB repacked straight into blue, green, red.
        for (qint64 sy = y0; sy < y1; ++sy) {
            const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(static_cast<int>(sy))) + x0;
            uchar *dest = m_bits.get() + (Height() - 1 - (sy - top)) * stride + destX * 3;
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
        uchar *dest = m_bits.get() + (Height() - 1 - destY) * stride + destX * 3;
        std::memcpy(dest, part.constScanLine(row), rowBytes);
    }
}

qint32 cDIBSection::BytesPerScanLine() const
{
    return static_cast<qint32>(scanLineBytes(m_header.biWidth));
}

void cDIBSection::ClearUp()
{
    m_bits.reset();
    m_header = BitmapInfoHeader();
}

QImage cDIBSection::toImage() const
{
    if (!m_bits)
        return QImage();
    QImage image(Width(), Height(), QImage::Format_BGR888);
    if (image.isNull())
        return QImage();
    const qint64 stride = BytesPerScanLine();
    for (int y = 0; y < Height(); ++y)
        std::memcpy(
            image.scanLine(y), m_bits.get() + (Height() - 1 - y) * stride, static_cast<size_t>(Width()) * 3);
    return image;
}
