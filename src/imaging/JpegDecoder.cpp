// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegDecoder.h"

#include "imaging/BlockAverage.h"
#include "imaging/JpegDecompressor.h"

#include <QRgb>

#include <limits>
#include <vector>

namespace JpegDecoder {

namespace {

// Tables, Huffman lookups, the range limit table, memory pools: well under this.
constexpr qint64 FixedWorkingBytes = 1024 * 1024;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE Rgb32ColourSpace = JCS_EXT_BGRA;
#else
constexpr J_COLOR_SPACE Rgb32ColourSpace = JCS_EXT_ARGB;
#endif

qint64 roundUp(qint64 value, qint64 multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

qint64 divideUp(qint64 value, qint64 divisor)
{
    return (value + divisor - 1) / divisor;
}

qint64 coefficientBytes(const JpegHeaders &headers)
{
    const int maxH = headers.maxHorizontal();
    const int maxV = headers.maxVertical();
    qint64 total = 0;
    for (const JpegComponent &component : headers.components) {
        const qint64 blocksWide = divideUp(divideUp(qint64(headers.width) * component.horizontal, maxH), 8);
        const qint64 blocksHigh = divideUp(divideUp(qint64(headers.height) * component.vertical, maxV), 8);
        total += roundUp(blocksWide, component.horizontal) * roundUp(blocksHigh, component.vertical) * 128;
    }
    return total;
}

bool isCmyk(J_COLOR_SPACE space)
{
    return space == JCS_CMYK || space == JCS_YCCK;
}

// Reads the header, chooses the output and starts the decompressor (which reads every scan
// of a progressive stream). False on a fatal error or an unexpected output.
bool start(JpegDecompressor &d, int denominator, QSize size, Pixels pixels)
{
    if (setjmp(d.escape))
        return false;
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
        return false;
    switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        d.info.out_color_space = pixels == Pixels::Rgb32 ? Rgb32ColourSpace : JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.info.out_color_space = JCS_CMYK;
        break;
    default:
        return false;
    }
    d.info.scale_num = 1;
    d.info.scale_denom = static_cast<unsigned int>(denominator);
    jpeg_calc_output_dimensions(&d.info);
    if (d.info.output_width != JDIMENSION(size.width()) || d.info.output_height != JDIMENSION(size.height()))
        return false;
    jpeg_start_decompress(&d.info);
    return true;
}

void cmykToRgb32(const uchar *cmyk, uchar *out, int width)
{
    auto *pixel = reinterpret_cast<QRgb *>(out);
    for (int x = 0; x < width; ++x, cmyk += 4) {
        const int k = cmyk[3];
        pixel[x] = qRgb(k * cmyk[0] / 255, k * cmyk[1] / 255, k * cmyk[2] / 255);
    }
}

void cmykToBgr(const uchar *cmyk, uchar *out, int width)
{
    for (int x = 0; x < width; ++x, cmyk += 4, out += 3) {
        const int k = cmyk[3];
        out[0] = static_cast<uchar>(k * cmyk[2] / 255);
        out[1] = static_cast<uchar>(k * cmyk[1] / 255);
        out[2] = static_cast<uchar>(k * cmyk[0] / 255);
    }
}

// Reads every row into place. A CMYK row is read into `cmykRow` (bottom-up output) or into
// its own place (32-bit output, the same size), then converted.
bool readRows(
    JpegDecompressor &d, Pixels pixels, uchar *bits, qsizetype pitch, uchar *cmykRow, BlockAverager *averager)
{
    if (setjmp(d.escape))
        return false;
    const bool cmyk = d.info.out_color_space == JCS_CMYK;
    const auto height = qsizetype(d.info.output_height);
    const auto width = int(d.info.output_width);
    while (d.info.output_scanline < d.info.output_height) {
        const auto y = qsizetype(d.info.output_scanline);
        uchar *row = bits + (pixels == Pixels::BottomUpBgr ? height - 1 - y : y) * pitch;
        JSAMPROW target = cmyk && pixels == Pixels::BottomUpBgr ? cmykRow : row;
        if (jpeg_read_scanlines(&d.info, &target, 1) != 1)
            return false;
        if (cmyk && pixels == Pixels::Rgb32)
            cmykToRgb32(target, row, width);
        else if (cmyk)
            cmykToBgr(target, row, width);
        if (averager)
            averager->rowsReady(bits, pitch, int(y + 1));
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

} // namespace

qint64 workingMemory(qint64 outputWidth, int components, int maxVertical, int denominator)
{
    const qint64 blockRows = 8 / qMax(1, denominator);
    const qint64 rowBytes = outputWidth + 64;
    return FixedWorkingBytes + components * rowBytes * maxVertical * blockRows * 4 + rowBytes * 8;
}

qint64 decoderMemory(const JpegHeaders &headers, int denominator)
{
    const qint64 coefficients = headers.buffersCoefficients() ? coefficientBytes(headers) : 0;
    return coefficients
        + workingMemory(divideUp(headers.width, denominator), int(headers.components.size()),
            headers.maxVertical(), denominator);
}

qint64 memoryNeeded(const JpegHeaders &headers, int denominator, int bytesPerPixel)
{
    return divideUp(headers.width, denominator) * divideUp(headers.height, denominator) * bytesPerPixel
        + decoderMemory(headers, denominator);
}

bool decode(const QByteArray &bytes, int denominator, QSize size, Pixels pixels, uchar *bits, qsizetype pitch,
    qint64 libjpegMemory, BlockAverager *averager)
{
    if (bytes.isEmpty() || !bits || size.isEmpty() || libjpegMemory <= 0
        || (averager && pixels != Pixels::Rgb32)
        || pitch < qsizetype(size.width()) * (pixels == Pixels::Rgb32 ? 4 : 3))
        return false;
    JpegDecompressor d(bytes, long(qMin<qint64>(libjpegMemory, std::numeric_limits<long>::max())));
    if (!d.isValid() || !start(d, denominator, size, pixels))
        return false;
    std::vector<uchar> cmykRow;
    if (isCmyk(d.info.jpeg_color_space) && pixels == Pixels::BottomUpBgr)
        cmykRow.resize(size_t(size.width()) * 4);
    return readRows(d, pixels, bits, pitch, cmykRow.data(), averager) && !d.cutShort();
}

} // namespace JpegDecoder
