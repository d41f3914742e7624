#pragma once

#include <QByteArray>
#include <QImage>

// A fast path for the 1/8-scale decode of the pictures cameras send: sequential, Huffman-coded,
// 8-bit JPEG in one interleaved scan, grey or YCbCr with the sampling layouts TurboJPEG names
// (4:4:4, 4:2:2, 4:2:0, 4:4:0, 4:1:1). At 1/8 scale a decoder needs only the DC coefficient
// of each block (and, for 4:2:0 chroma, a 2 x 2 inverse DCT), so most of the work is walking
// the entropy-coded data; this decoder walks it with wider lookup tables than a general
// decoder can use.
//
// Contract: for a stream it accepts, the result has exactly the pixels TurboJPEG's 1/8 decode
// to BGRA gives (islow inverse DCT, no fancy upsampling, which TurboJPEG does not use at 1/8),
// and TurboJPEG would decode the stream without an error and without a warning that the data
// was cut short. It accepts only clean streams: anything else (another frame type, an Adobe
// or RGB colour layout, an unknown or misplaced marker, stray bytes, a table that is missing
// or malformed, a Huffman code no table holds, entropy data that ends before the last block,
// restart markers out of order, or whole bytes left over before a marker) gives a null image,
// and the caller decodes with TurboJPEG, whose verdict then stands.
//
// Never reads outside `bytes`; memory is bounded by the declared size (checked by the
// caller against the allocation limit) plus one copy of the entropy-coded data.
//
// How much of the chroma a 4:2:0 stream's result carries (other layouts need only the DC
// coefficient of every block anyway, and ignore this):
// - Full: the 2 x 2 inverse DCT of each chroma block, as TurboJPEG decodes at 1/8.
// - DcOnly: each chroma block's DC value alone, spread over its 2 x 2 samples; the pixels
//   TurboJPEG's 1/8 decode gives for the same stream with the chroma AC coefficients set to
//   zero. About a fifth less work on a camera's picture, and chroma at 1/16 of the natural
//   size, which is all a result scaled down to that size or less can show.
enum class ChromaDetail { Full, DcOnly };
QImage decodeJpegAtEighth(const QByteArray &bytes, ChromaDetail chroma = ChromaDetail::Full);
