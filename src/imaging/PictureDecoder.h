#pragma once

#include "imaging/JpegEighthDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

// Reading encoded pictures (camera bodies, saved files) from memory. JPEG goes through
// TurboJPEG, which can decode at 1/2, 1/4 or 1/8 scale in the DCT domain; CMYK and YCCK
// JPEG, and JPEG whose layout TurboJPEG cannot take, go through Qt's reader, as do GIF, BMP
// and PNG. Other formats are refused. Nothing is allocated for pixels before the declared
// size has been checked against PictureAllocationLimitBytes.
namespace PictureDecoder {

enum class Codec {
    None, // refused: not a readable picture of a supported format
    TurboJpeg, // JPEG with DCT-domain scaling
    QtReader, // decoded at full size by QImageReader
};

// What the headers of an encoded picture declare.
struct Probe
{
    Codec codec = Codec::None;
    QByteArray format; // "jpeg", "gif", "bmp" or "png"; empty when refused
    QSize size; // natural size in pixels; invalid when refused
};

// Reads headers only. Refuses unknown formats, JPEG that is cut short, malformed or not
// 8 bits per sample, and pictures whose declared size does not fit the allocation limit.
Probe probe(const QByteArray &bytes);

// Decodes the picture at 1/denominator of its natural size (denominator 1, 2, 4 or 8; the
// size rounds up as scaledSize says). The Qt reader cannot scale while decoding and always
// returns the natural size. The image is Format_RGB32, or Format_ARGB32_Premultiplied for a
// picture with transparency. Null when the data turns out unreadable: a fatal decoder
// error, or a stream that ends before its picture does.
// At 1/8, `chroma` DcOnly lets the chroma of a 4:2:0 JPEG come from each block's DC value
// alone (see decodeJpegAtEighth), for a result that will be shown no larger than
// coarseChromaServes() allows; a stream the fast decoder declines is decoded in full detail.
QImage decode(const QByteArray &bytes, const Probe &probe, int denominator,
    ChromaDetail chroma = ChromaDetail::Full);

// For the JPEG writer: decodes a picture probed as Codec::TurboJpeg at its natural size into
// `bits` as 24-bit blue-green-red rows of `pitch` bytes, the bottom row first (the layout of a
// BottomUpBitmap); the bytes after each row's pixels are left alone. The pixels are those of
// decode(bytes, probe, 1) without its fourth byte. False, with `bits` in an unspecified state,
// for another codec or when decode() would give a null image.
bool decodeToBottomUpBgr(const QByteArray &bytes, const Probe &probe, uchar *bits, int pitch);

// Size of a decode at 1/denominator: each side divided and rounded up.
QSize scaledSize(QSize natural, int denominator);

// The largest of 8, 4, 2 whose scaled size is at least `wanted` in both directions; 1 when
// none is.
int pickDenominator(QSize natural, QSize wanted);

// Whether a picture of `natural` size shown at `wanted` (device pixels) loses nothing visible
// with chroma from DC values alone: the DC values of 4:2:0 chroma, one per 16 x 16 pixels,
// are at least as many as the target's pixels in both directions. False for an empty target.
bool coarseChromaServes(QSize natural, QSize wanted);

} // namespace PictureDecoder
