// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/JpegHeaderWalk.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

// Reading encoded pictures (camera bodies, saved files) from memory. Every JPEG goes through
// libjpeg-turbo (JpegDecoder), which decodes at 1/2, 1/4 or 1/8 scale in the DCT domain;
// GIF, BMP and PNG go through Qt's reader. Other formats are refused.
//
// Bounds come before work. probe() reads headers only: a JPEG's marker segments are walked
// (walkJpegHeaders) before libjpeg reads anything, and a stream with more than JpegScanLimit
// scans, a side beyond JpegSideLimit, a size beyond PictureAllocationLimitBytes or a decode
// that would need more than PictureDecodeLimitBytes is refused there. Every decode then
// reserves the memory it needs on DecodeBudget::shared() before it allocates, and is refused
// when the budget cannot give it.
namespace PictureDecoder {

enum class Codec {
    None, // refused
    LibJpegTurbo, // JPEG, with DCT-domain scaling
    QtReader, // decoded at full size by QImageReader
};

// Why a picture is refused.
enum class Refusal {
    None,
    Unreadable, // not a supported format, malformed, cut short, or the decoder failed
    TooLarge, // a declared side or size beyond the limits
    TooManyScans, // a JPEG with more than JpegScanLimit scans
    TooMuchMemory, // a decode at the natural size would need more than PictureDecodeLimitBytes
    BudgetExhausted, // the decodes running at the moment left too little of the decode budget
};

// What the headers of an encoded picture declare.
struct Probe
{
    Codec codec = Codec::None;
    Refusal refusal = Refusal::Unreadable; // None unless codec is None
    QByteArray format; // "jpeg", "gif", "bmp" or "png"; empty when refused
    QSize size; // natural size in pixels; invalid when refused
    JpegHeaders jpeg; // for a JPEG, what the walk found (also when refused on it)
    bool cmyk = false; // a JPEG in CMYK or YCCK
    QSize canvas; // for Qt's reader, the image it allocates (a GIF's logical screen)
};

// Reads headers only. Refuses unknown formats, JPEG that is cut short, malformed, not 8 bits
// per sample or in another colour space than grey, luma/chroma, RGB, CMYK or YCCK, and the
// pictures beyond the bounds above.
Probe probe(const QByteArray &bytes);

// The memory a decode of the probed picture at 1/denominator needs, in bytes, with
// `bytesPerPixel` bytes of output per pixel (see JpegDecoder::memoryNeeded); for Qt's reader
// the natural size at 4 bytes per pixel (twice that for GIF, whose reader keeps a second
// image). 0 for a refused picture.
qint64 memoryNeeded(const Probe &probe, int denominator, int bytesPerPixel = 4);

// Decodes the picture at 1/denominator of its natural size (denominator 1, 2, 4 or 8; the
// size rounds up as scaledSize says). Qt's reader cannot scale while decoding and always
// returns the natural size. The image is Format_RGB32, or Format_ARGB32_Premultiplied for a
// picture with transparency. Null when the data turns out unreadable (a fatal decoder error,
// or a stream that ends before its picture does) or the decode budget cannot give the
// memory; `refusal`, when given, receives why (None for a decoded picture).
QImage decode(const QByteArray &bytes, const Probe &probe, int denominator, Refusal *refusal = nullptr);

// For a JPEG only: decode(bytes, probe, 1), and in the same pass `reduced` made of it at
// 1/denominator (2, 4 or 8) as the mean of each block of pixels (BlockAverager). That shrunk
// picture has the size decode(bytes, probe, denominator) would have and differs from it
// slightly (by a level or so on average in the tests: the DCT-domain decode reduces the
// chroma before upsampling it). One decode of the whole stream instead of two; the memory of
// both images is drawn from the budget. Null, with `reduced` null, when decode(bytes, probe, 1)
// would be, or when the budget cannot give the memory of both.
QImage decodeWithReduced(const QByteArray &bytes, const Probe &probe, int denominator, QImage *reduced);

// For the JPEG writer: decodes a JPEG at its natural size into `bits` as 24-bit
// blue-green-red rows of `pitch` bytes, the bottom row first (the layout of a BottomUpBitmap);
// the bytes after each row's pixels are left alone. The pixels are those of
// decode(bytes, probe, 1) without its fourth byte. False, with `bits` in an unspecified
// state, for another codec or when decode() would give a null image.
bool decodeToBottomUpBgr(const QByteArray &bytes, const Probe &probe, uchar *bits, int pitch);

// Size of a decode at 1/denominator: each side divided and rounded up.
QSize scaledSize(QSize natural, int denominator);

// The largest of 8, 4, 2 whose scaled size is at least `wanted` in both directions; 1 when
// none is.
int pickDenominator(QSize natural, QSize wanted);

} // namespace PictureDecoder
