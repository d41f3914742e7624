// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BlockAverage.h"

#include <QRgb>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

// Every other byte of two 32-bit pixels, each in a 16-bit lane of its own: lanes 0 and 1 are
// the first pixel's (blue and red, or green and the fourth byte), 2 and 3 the second's. A
// lane holds the sum of 16 x 16 bytes without overflowing into the next.
constexpr quint64 LaneMask = 0x00FF00FF00FF00FFull;

quint32 lane(quint64 sums, int index)
{
    return quint32(sums >> (16 * index)) & 0xFFFFu;
}

} // namespace

BlockAverager::BlockAverager(int width, int height, int factor, uchar *bits, qsizetype pitch)
    : m_width(qMax(1, width))
    , m_height(qMax(1, height))
    , m_factor(std::clamp(factor & ~1, 2, 16))
    , m_bits(bits)
    , m_pitch(pitch)
{
}

void BlockAverager::rowsReady(const uchar *source, qsizetype sourcePitch, int rows)
{
    rows = std::min(rows, m_height);
    for (;;) {
        const int top = m_bandsWritten * m_factor;
        const int count = std::min(m_factor, m_height - top);
        if (count <= 0 || top + count > rows)
            return;
        writeBand(source + top * sourcePitch, sourcePitch, count);
        ++m_bandsWritten;
    }
}

void BlockAverager::writeBand(const uchar *top, qsizetype pitch, int rows)
{
    auto *out = reinterpret_cast<QRgb *>(m_bits + m_bandsWritten * m_pitch);
    for (int first = 0, x = 0; first < m_width; first += m_factor, ++x) {
        const int count = std::min(m_factor, m_width - first);
        const uchar *block = top + 4 * qsizetype(first);
        quint64 blueRed = 0;
        quint64 greenRest = 0;
        int done = 0;
#if defined(__SSE2__) && defined(__x86_64__)
        // Four pixels at a time, folded into the two-pixel lanes below at the end.
        if (count >= 4) {
            const __m128i mask = _mm_set1_epi16(0x00FF);
            __m128i sumsBlueRed = _mm_setzero_si128();
            __m128i sumsGreenRest = _mm_setzero_si128();
            for (; done + 4 <= count; done += 4) {
                for (int r = 0; r < rows; ++r) {
                    const __m128i four
                        = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + r * pitch + 4 * done));
                    sumsBlueRed = _mm_add_epi16(sumsBlueRed, _mm_and_si128(four, mask));
                    sumsGreenRest = _mm_add_epi16(sumsGreenRest, _mm_srli_epi16(four, 8));
                }
            }
            blueRed = quint64(_mm_cvtsi128_si64(_mm_add_epi16(sumsBlueRed, _mm_srli_si128(sumsBlueRed, 8))));
            greenRest
                = quint64(_mm_cvtsi128_si64(_mm_add_epi16(sumsGreenRest, _mm_srli_si128(sumsGreenRest, 8))));
        }
#endif
        for (; done < count; done += 2) {
            for (int r = 0; r < rows; ++r) {
                quint64 two = 0;
                std::memcpy(&two, block + r * pitch + 4 * done, done + 1 < count ? 8 : 4);
                blueRed += two & LaneMask;
                greenRest += (two >> 8) & LaneMask;
            }
        }
        const auto pixels = quint32(count * rows);
        const auto mean = [pixels](quint32 sum) { return int((sum + pixels / 2) / pixels); };
        out[x] = qRgb(mean(lane(blueRed, 1) + lane(blueRed, 3)),
            mean(lane(greenRest, 0) + lane(greenRest, 2)), mean(lane(blueRed, 0) + lane(blueRed, 2)));
    }
}
