// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/JpegHeaderWalk.h"

#include <QByteArray>
#include <QSize>

class BlockAverager;

// Decoding a whole JPEG with libjpeg-turbo, at its natural size or at 1/2, 1/4 or 1/8 in the
// DCT domain, with the settings TurboJPEG decodes with (islow inverse DCT, fancy upsampling),
// so that the pixels are TurboJPEG's. Luma/chroma, grey and RGB streams are converted by
// libjpeg; CMYK and YCCK streams are decoded to CMYK and converted here as Adobe's inverted
// CMYK: red = C x K / 255, green = M x K / 255, blue = Y x K / 255 (integer division), as
// Qt's JPEG reader converts them. Internal to the imaging library: PictureDecoder checks the
// bounds and draws on the decode budget first.
namespace JpegDecoder {

enum class Pixels {
    Rgb32, // 32-bit 0xffRRGGBB words (QImage::Format_RGB32), top row first
    BottomUpBgr, // 24-bit blue-green-red, bottom row first (a BottomUpBitmap's rows)
};

// The memory a decode of a stream with `headers` at 1/denominator needs, in bytes: the
// output at `bytesPerPixel` plus decoderMemory().
qint64 memoryNeeded(const JpegHeaders &headers, int denominator, int bytesPerPixel);

// What libjpeg itself needs for that decode: the coefficients of the whole picture when the
// stream buffersCoefficients() (per component its blocks, rounded up to whole MCUs, x 128
// bytes), and an estimate of its working memory (workingMemory()).
qint64 decoderMemory(const JpegHeaders &headers, int denominator);

// libjpeg's working memory for an output `outputWidth` pixels wide: a fixed part for tables
// and state, and per component the sample rows of an MCU row with the rows above and below
// it, and the upsampler's and the colour converter's rows.
qint64 workingMemory(qint64 outputWidth, int components, int maxVertical, int denominator);

// Decodes `bytes` at 1/denominator into `bits`, rows `pitch` bytes apart; the output must be
// exactly `size` (the natural size scaled as PictureDecoder::scaledSize() says). libjpeg may
// allocate at most `libjpegMemory` bytes for itself (its coefficient buffers are refused
// beyond that). The bytes after each row's pixels are left alone. False, with `bits` in an
// unspecified state, on a fatal decoder error, another output size, a colour space that is
// not grey, luma/chroma, RGB, CMYK or YCCK, or data that ended before the picture did.
// With `averager` (Rgb32 output only), each row is also handed to it once decoded.
bool decode(const QByteArray &bytes, int denominator, QSize size, Pixels pixels, uchar *bits, qsizetype pitch,
    qint64 libjpegMemory, BlockAverager *averager = nullptr);

} // namespace JpegDecoder
