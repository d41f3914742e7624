#include "imaging/PictureDecoder.h"

#include "imaging/ImageBufferPool.h"
#include "imaging/JpegEighthDecoder.h"
#include "imaging/JpegLayout.h"
#include "imaging/PictureLimits.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <turbojpeg.h>

#include <cstdlib>
#include <memory>

namespace PictureDecoder {

namespace {

struct DecompressorDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using Decompressor = std::unique_ptr<void, DecompressorDeleter>;

// The warnings that mean the picture is incomplete: the data ran out before the decoder had
// read all of it, or a scan ended before its last block (a body cut short with an end
// marker after it). Other warnings (stray bytes before a marker, an unknown JFIF revision,
// a bad Huffman code inside a scan) leave a usable picture. TurboJPEG reports the first
// warning it met.
constexpr const char *CutShortWarnings[] = {"Premature end of JPEG file", "premature end of data segment"};

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr int Rgb32PixelFormat = TJPF_BGRA;
#else
constexpr int Rgb32PixelFormat = TJPF_ARGB;
#endif

bool isJpeg(const QByteArray &bytes)
{
    return bytes.size() >= 3 && static_cast<quint8>(bytes[0]) == 0xFF && static_cast<quint8>(bytes[1]) == 0xD8
        && static_cast<quint8>(bytes[2]) == 0xFF;
}

bool fits(QSize size)
{
    return pictureFitsAllocationLimit(size.width(), size.height());
}

Probe refused()
{
    return Probe();
}

Probe probeJpeg(const QByteArray &bytes)
{
    const JpegLayout layout = scanJpegLayout(bytes);
    if (!layout.complete || layout.malformed || layout.frameMarker == 0 || layout.precision != 8
        || layout.scans == 0)
        return refused();
    const QSize declared(layout.width, layout.height);
    if (!fits(declared))
        return refused();

    Probe result;
    result.format = QByteArrayLiteral("jpeg");
    result.size = declared;

    Decompressor decompressor(tjInitDecompress());
    if (!decompressor)
        return refused();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    const int header
        = tjDecompressHeader3(decompressor.get(), reinterpret_cast<const unsigned char *>(bytes.constData()),
            static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling, &colourspace);
    // A warning (stray bytes between segments, say) still gives a usable header.
    const bool headerRead = header == 0 || tjGetErrorCode(decompressor.get()) == TJERR_WARNING;
    if (headerRead && (width != layout.width || height != layout.height))
        return refused();
    // TurboJPEG converts neither CMYK nor YCCK to RGB, and refuses sampling layouts it has no
    // name for; Qt's reader takes both.
    const bool turbo = headerRead && colourspace != TJCS_CMYK && colourspace != TJCS_YCCK;
    result.codec = turbo ? Codec::TurboJpeg : Codec::QtReader;
    return result;
}

// False when an uncompressed BMP is too short for the rows its header declares (the last row
// may lack its padding), as a cut-off download is: Qt's reader would make up the missing
// rows. Compressed (run-length) and unknown layouts are left to Qt's reader.
bool bmpRowsPresent(const QByteArray &bytes)
{
    if (bytes.size() < 26)
        return false;
    const uchar *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qint64 pixelOffset = qFromLittleEndian<quint32>(data + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(data + 14);
    qint64 width = 0;
    qint64 height = 0;
    qint64 bitCount = 0;
    if (headerSize == 12) { // OS/2 core header, always uncompressed
        width = qFromLittleEndian<quint16>(data + 18);
        height = qFromLittleEndian<quint16>(data + 20);
        bitCount = qFromLittleEndian<quint16>(data + 24);
    } else if (headerSize >= 40 && bytes.size() >= 34) {
        const quint32 compression = qFromLittleEndian<quint32>(data + 30);
        if (compression != 0 && compression != 3 && compression != 6) // RGB, BITFIELDS, ALPHABITFIELDS
            return true;
        width = qFromLittleEndian<qint32>(data + 18);
        height = std::abs(qint64(qFromLittleEndian<qint32>(data + 22))); // negative: rows top-down
        bitCount = qFromLittleEndian<quint16>(data + 28);
    } else {
        return true;
    }
    if (width <= 0 || height <= 0 || bitCount <= 0 || bitCount > 32)
        return true; // Qt's reader refuses these itself
    const qint64 rowBytes = (width * bitCount + 31) / 32 * 4;
    const qint64 lastRow = (width * bitCount + 7) / 8;
    return bytes.size() >= pixelOffset + rowBytes * (height - 1) + lastRow;
}

// True when the GIF in `bytes` holds its first image whole: every block up to and including
// the first image's data sub-blocks is present. Qt's reader shows a cut-off GIF with its
// missing part made up; such a body counts as unreadable.
bool gifFirstImageComplete(const QByteArray &bytes)
{
    const qsizetype size = bytes.size();
    const auto at = [&bytes](qsizetype pos) { return static_cast<quint8>(bytes[pos]); };
    // Skips data sub-blocks from `pos` through their zero terminator; -1 when cut.
    const auto skipSubBlocks = [&](qsizetype pos) -> qsizetype {
        while (pos < size) {
            const quint8 length = at(pos);
            if (length == 0)
                return pos + 1;
            pos += 1 + length;
        }
        return -1;
    };
    const auto colourTableBytes
        = [](quint8 flags) -> qsizetype { return (flags & 0x80) ? 3 * (qsizetype(2) << (flags & 0x07)) : 0; };

    if (size < 13)
        return false;
    qsizetype pos = 13 + colourTableBytes(at(10));
    while (pos < size) {
        const quint8 introducer = at(pos);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            pos = pos + 2 <= size ? skipSubBlocks(pos + 2) : -1;
        } else if (introducer == 0x2C) { // image descriptor, colour table, LZW code size, data
            if (pos + 10 > size)
                return false;
            pos += 10 + colourTableBytes(at(pos + 9)) + 1;
            return skipSubBlocks(pos) >= 0;
        } else {
            return false; // the trailer or garbage before any image
        }
        if (pos < 0)
            return false;
    }
    return false;
}

Probe probeWithQt(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return refused();
    const QByteArray format = QImageReader::imageFormat(&buffer);
    if (format != "gif" && format != "bmp" && format != "png")
        return refused();
    buffer.seek(0);
    if (format == "gif") {
        // Qt's reader reports the size of the frames but allocates the logical screen.
        if (bytes.size() < 10)
            return refused();
        const QSize screen(qFromLittleEndian<quint16>(bytes.constData() + 6),
            qFromLittleEndian<quint16>(bytes.constData() + 8));
        if (!fits(screen) || !gifFirstImageComplete(bytes))
            return refused();
    }
    QImageReader reader(&buffer, format);
    const QSize declared = reader.size();
    if (!fits(declared))
        return refused();
    if (format == "bmp" && !bmpRowsPresent(bytes))
        return refused();
    Probe result;
    result.codec = Codec::QtReader;
    result.format = format;
    result.size = declared;
    return result;
}

QImage toDisplayFormat(const QImage &image)
{
    if (image.isNull())
        return image;
    const QImage::Format wanted
        = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return image.format() == wanted ? image : image.convertToFormat(wanted);
}

// TurboJPEG's verdict on a decode it just ran: usable unless it failed, or warned that the
// data was cut short.
bool turboDecodeUsable(void *decompressor, int result)
{
    if (result == 0)
        return true;
    if (tjGetErrorCode(decompressor) != TJERR_WARNING)
        return false;
    const QByteArray message(tjGetErrorStr2(decompressor));
    for (const char *cutShort : CutShortWarnings) {
        if (message.contains(cutShort))
            return false;
    }
    return true;
}

QImage decodeWithTurboJpeg(const QByteArray &bytes, QSize natural, int denominator, ChromaDetail chroma)
{
    const QSize target = scaledSize(natural, denominator);
    if (!fits(target))
        return QImage();
    if (denominator == 8) {
        // The common camera stream takes the fast path; anything it declines, TurboJPEG judges.
        QImage eighth = decodeJpegAtEighth(bytes, chroma);
        if (!eighth.isNull() && eighth.size() == target)
            return eighth;
    }
    Decompressor decompressor(tjInitDecompress());
    if (!decompressor)
        return QImage();
    QImage image = ImageBufferPool::rgb32(target);
    if (image.isNull())
        return QImage();
    const int result
        = tjDecompress2(decompressor.get(), reinterpret_cast<const unsigned char *>(bytes.constData()),
            static_cast<unsigned long>(bytes.size()), image.bits(), target.width(),
            static_cast<int>(image.bytesPerLine()), target.height(), Rgb32PixelFormat, TJFLAG_LIMITSCANS);
    return turboDecodeUsable(decompressor.get(), result) ? image : QImage();
}

QImage decodeWithQt(const QByteArray &bytes, const Probe &probe)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer, probe.format);
    // The header was checked by probe(); a reader that now declares another size is not trusted.
    if (reader.size() != probe.size)
        return QImage();
    QImage image;
    if (!reader.read(&image) || image.size() != probe.size)
        return QImage();
    return toDisplayFormat(image);
}

} // namespace

Probe probe(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return refused();
    return isJpeg(bytes) ? probeJpeg(bytes) : probeWithQt(bytes);
}

QImage decode(const QByteArray &bytes, const Probe &probe, int denominator, ChromaDetail chroma)
{
    if (denominator != 1 && denominator != 2 && denominator != 4 && denominator != 8)
        return QImage();
    switch (probe.codec) {
    case Codec::TurboJpeg:
        return decodeWithTurboJpeg(bytes, probe.size, denominator, chroma);
    case Codec::QtReader:
        return decodeWithQt(bytes, probe);
    case Codec::None:
        break;
    }
    return QImage();
}

bool decodeToBottomUpBgr(const QByteArray &bytes, const Probe &probe, uchar *bits, int pitch)
{
    if (probe.codec != Codec::TurboJpeg || !bits || !fits(probe.size) || pitch < 3 * probe.size.width())
        return false;
    Decompressor decompressor(tjInitDecompress());
    if (!decompressor)
        return false;
    const int result = tjDecompress2(decompressor.get(),
        reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<unsigned long>(bytes.size()),
        bits, probe.size.width(), pitch, probe.size.height(), TJPF_BGR, TJFLAG_LIMITSCANS | TJFLAG_BOTTOMUP);
    return turboDecodeUsable(decompressor.get(), result);
}

QSize scaledSize(QSize natural, int denominator)
{
    if (natural.isEmpty() || denominator <= 0)
        return QSize();
    return QSize((natural.width() + denominator - 1) / denominator,
        (natural.height() + denominator - 1) / denominator);
}

int pickDenominator(QSize natural, QSize wanted)
{
    for (const int denominator : {8, 4, 2}) {
        const QSize scaled = scaledSize(natural, denominator);
        if (scaled.width() >= wanted.width() && scaled.height() >= wanted.height())
            return denominator;
    }
    return 1;
}

bool coarseChromaServes(QSize natural, QSize wanted)
{
    const QSize chroma = scaledSize(natural, 16);
    return chroma.isValid() && !wanted.isEmpty() && wanted.width() <= chroma.width()
        && wanted.height() <= chroma.height();
}

} // namespace PictureDecoder
