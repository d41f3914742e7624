// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PictureDecoder.h"

#include "imaging/BlockAverage.h"
#include "imaging/DecodeBudget.h"
#include "imaging/ImageBufferPool.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegDecompressor.h"
#include "imaging/PictureLimits.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>

namespace PictureDecoder {

namespace {

bool isJpeg(const QByteArray &bytes)
{
    return bytes.size() >= 3 && static_cast<quint8>(bytes[0]) == 0xFF && static_cast<quint8>(bytes[1]) == 0xD8
        && static_cast<quint8>(bytes[2]) == 0xFF;
}

bool fits(QSize size)
{
    return pictureFitsAllocationLimit(size.width(), size.height());
}

Probe refused(Refusal why, const JpegHeaders &jpeg = JpegHeaders())
{
    Probe result;
    result.refusal = why;
    result.jpeg = jpeg;
    return result;
}

// libjpeg's reading of the header: the colour space, and the size (which must be the walk's).
// False when libjpeg refuses the header.
bool readJpegHeader(const QByteArray &bytes, const JpegHeaders &walked, bool *cmyk)
{
    JpegDecompressor d(bytes, 0);
    if (!d.readHeader())
        return false;
    if (d.info.image_width != JDIMENSION(walked.width) || d.info.image_height != JDIMENSION(walked.height))
        return false;
    switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        *cmyk = false;
        return true;
    case JCS_CMYK:
    case JCS_YCCK:
        *cmyk = true;
        return true;
    default:
        return false;
    }
}

Probe probeJpeg(const QByteArray &bytes)
{
    const JpegHeaders headers = walkJpegHeaders(bytes, JpegScanLimit);
    switch (headers.end) {
    case JpegHeaders::End::Complete:
        break;
    case JpegHeaders::End::TooManyScans:
        return refused(Refusal::TooManyScans, headers);
    case JpegHeaders::End::CutShort:
    case JpegHeaders::End::Malformed:
        return refused(Refusal::Unreadable, headers);
    }
    const qsizetype components = headers.components.size();
    if (headers.precision != 8 || (components != 1 && components != 3 && components != 4))
        return refused(Refusal::Unreadable, headers);
    const QSize declared(headers.width, headers.height);
    if (headers.width > JpegSideLimit || headers.height > JpegSideLimit || !fits(declared))
        return refused(Refusal::TooLarge, headers);
    if (JpegDecoder::memoryNeeded(headers, 1, 4) > PictureDecodeLimitBytes)
        return refused(Refusal::TooMuchMemory, headers);

    Probe result;
    if (!readJpegHeader(bytes, headers, &result.cmyk))
        return refused(Refusal::Unreadable, headers);
    result.codec = Codec::LibJpegTurbo;
    result.refusal = Refusal::None;
    result.format = QByteArrayLiteral("jpeg");
    result.size = declared;
    result.jpeg = headers;
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

// Holds Qt's reader to the allocation limit, whatever its default.
void limitReader(QImageReader &reader)
{
    reader.setAllocationLimit(int(PictureAllocationLimitBytes / (1024 * 1024)));
}

Probe probeWithQt(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return refused(Refusal::Unreadable);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    if (format != "gif" && format != "bmp" && format != "png")
        return refused(Refusal::Unreadable);
    buffer.seek(0);
    QSize canvas;
    if (format == "gif") {
        // Qt's reader reports the size of the frames but allocates the logical screen.
        if (bytes.size() < 10)
            return refused(Refusal::Unreadable);
        const uchar *header = reinterpret_cast<const uchar *>(bytes.constData());
        canvas = QSize(qFromLittleEndian<quint16>(header + 6), qFromLittleEndian<quint16>(header + 8));
        if (!fits(canvas))
            return refused(Refusal::TooLarge);
        if (!gifFirstImageComplete(bytes))
            return refused(Refusal::Unreadable);
    }
    QImageReader reader(&buffer, format);
    limitReader(reader);
    const QSize declared = reader.size();
    if (!declared.isValid())
        return refused(Refusal::Unreadable);
    if (!fits(declared))
        return refused(Refusal::TooLarge);
    if (format == "bmp" && !bmpRowsPresent(bytes))
        return refused(Refusal::Unreadable);
    Probe result;
    result.codec = Codec::QtReader;
    result.refusal = Refusal::None;
    result.format = format;
    result.size = declared;
    result.canvas = canvas.isValid() ? canvas.expandedTo(declared) : declared;
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

// With `averager`, each decoded row is also handed to it.
QImage decodeJpeg(
    const QByteArray &bytes, const Probe &probe, int denominator, BlockAverager *averager = nullptr)
{
    const QSize target = scaledSize(probe.size, denominator);
    QImage image = ImageBufferPool::rgb32(target);
    if (image.isNull())
        return QImage();
    const bool ok = JpegDecoder::decode(bytes, denominator, target, JpegDecoder::Pixels::Rgb32, image.bits(),
        image.bytesPerLine(), JpegDecoder::decoderMemory(probe.jpeg, denominator), averager);
    return ok ? image : QImage();
}

QImage decodeWithQt(const QByteArray &bytes, const Probe &probe)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer, probe.format);
    limitReader(reader);
    // The header was checked by probe(); a reader that now declares another size is not trusted.
    if (reader.size() != probe.size)
        return QImage();
    QImage image;
    if (!reader.read(&image) || image.size() != probe.size)
        return QImage();
    return toDisplayFormat(image);
}

// The reservation for a decode needing `bytes`; invalid, with `why` set, when the decode is
// refused.
DecodeBudget::Reservation reserveFor(qint64 bytes, Refusal &why)
{
    if (bytes <= 0 || bytes > PictureDecodeLimitBytes) {
        why = bytes <= 0 ? Refusal::Unreadable : Refusal::TooMuchMemory;
        return DecodeBudget::Reservation();
    }
    DecodeBudget::Reservation held = DecodeBudget::shared().reserve(bytes);
    if (!held.isValid())
        why = Refusal::BudgetExhausted;
    return held;
}

} // namespace

Probe probe(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return refused(Refusal::Unreadable);
    return isJpeg(bytes) ? probeJpeg(bytes) : probeWithQt(bytes);
}

qint64 memoryNeeded(const Probe &probe, int denominator, int bytesPerPixel)
{
    switch (probe.codec) {
    case Codec::LibJpegTurbo:
        return JpegDecoder::memoryNeeded(probe.jpeg, denominator, bytesPerPixel);
    case Codec::QtReader:
        return qint64(probe.canvas.width()) * probe.canvas.height() * 4 * (probe.format == "gif" ? 2 : 1);
    case Codec::None:
        break;
    }
    return 0;
}

QImage decode(const QByteArray &bytes, const Probe &probe, int denominator, Refusal *refusal)
{
    Refusal why = Refusal::Unreadable;
    QImage image;
    if (denominator == 1 || denominator == 2 || denominator == 4 || denominator == 8) {
        const int effective = probe.codec == Codec::QtReader ? 1 : denominator;
        DecodeBudget::Reservation held = reserveFor(memoryNeeded(probe, effective), why);
        if (held.isValid()) {
            image = probe.codec == Codec::LibJpegTurbo ? decodeJpeg(bytes, probe, denominator)
                                                       : decodeWithQt(bytes, probe);
        }
    }
    if (refusal)
        *refusal = image.isNull() ? why : Refusal::None;
    return image;
}

QImage decodeWithReduced(const QByteArray &bytes, const Probe &probe, int denominator, QImage *reduced)
{
    *reduced = QImage();
    if (probe.codec != Codec::LibJpegTurbo || (denominator != 2 && denominator != 4 && denominator != 8))
        return QImage();
    const QSize small = scaledSize(probe.size, denominator);
    Refusal why = Refusal::None;
    const DecodeBudget::Reservation held
        = reserveFor(memoryNeeded(probe, 1) + qint64(small.width()) * small.height() * 4, why);
    if (!held.isValid())
        return QImage();
    QImage shrunk(small, QImage::Format_RGB32);
    if (shrunk.isNull())
        return QImage();
    BlockAverager averager(
        probe.size.width(), probe.size.height(), denominator, shrunk.bits(), shrunk.bytesPerLine());
    QImage whole = decodeJpeg(bytes, probe, 1, &averager);
    if (!whole.isNull())
        *reduced = shrunk;
    return whole;
}

bool decodeToBottomUpBgr(const QByteArray &bytes, const Probe &probe, uchar *bits, int pitch)
{
    if (probe.codec != Codec::LibJpegTurbo || !bits || !fits(probe.size) || pitch < 3 * probe.size.width())
        return false;
    Refusal why = Refusal::None;
    const DecodeBudget::Reservation held = reserveFor(memoryNeeded(probe, 1, 3), why);
    return held.isValid()
        && JpegDecoder::decode(bytes, 1, probe.size, JpegDecoder::Pixels::BottomUpBgr, bits, pitch,
            JpegDecoder::decoderMemory(probe.jpeg, 1));
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

} // namespace PictureDecoder
