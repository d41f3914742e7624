// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <vector>

// Shrinks a picture of 32-bit 0xffRRGGBB rows (QImage::Format_RGB32) by a whole factor while
// it is being decoded: each output pixel is the rounded mean of the block of factor x factor
// pixels it stands for (fewer at the right and bottom edges when a side is not a multiple of
// the factor), its fourth byte 0xff. Each band of `factor` rows is averaged as soon as it is
// complete, while it is still in the cache, so the shrunk picture costs little beside the
// full-size one.
class BlockAverager
{
public:
    // Best: AVX2 or SSE2, whichever the processor has; the others (for tests) hold it to SSE2
    // or to plain C++.
    enum class Instructions { Best, Sse2, Portable };

    // The output, ceil(width / factor) x ceil(height / factor) pixels, goes to `bits`, rows
    // `pitch` bytes apart. `factor` is 2, 4, 8 or 16; width and height are positive.
    BlockAverager(int width, int height, int factor, uchar *bits, qsizetype pitch,
        Instructions instructions = Instructions::Best);

    // The first `rows` rows of the picture, at `source` with rows `sourcePitch` bytes apart,
    // are final: the output rows they complete are written. Called again as more rows are
    // decoded, with the same source; a band is read once, when its last row is ready.
    void rowsReady(const uchar *source, qsizetype sourcePitch, int rows);

private:
    void writeBand(const uchar *top, qsizetype pitch, int rows);

    int m_width;
    int m_height;
    int m_factor;
    uchar *m_bits;
    qsizetype m_pitch;
    int m_bandsWritten = 0;
    bool m_avx2 = false;
    bool m_sse2 = false;
    // Each block's sums in a band, two pixels to a word: blue and red in one, green and the
    // fourth byte in the other, 16 bits to a channel.
    std::vector<quint64> m_blueRed;
    std::vector<quint64> m_greenRest;
};
