// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BlockAverage.h"

#include <QRgb>

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define OCELLUS_AVERAGE_SIMD
#include <immintrin.h>
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

// A multiplier that divides by `n` (at most 256) exactly as (x * multiplier) >> 32 for every x
// below 2^17, which any sum of a block with half its divisor added is: the multiplier exceeds
// 2^32 / n by less than 1, so the quotient is at most x / 2^32 < 2^-15 too large, less than the
// 1/n by which x / n falls short of the next integer. Dividing each block's three sums would
// cost more than summing them.
quint64 divisorMultiplier(quint32 n)
{
    return (quint64(1) << 32) / n + 1;
}

#ifdef OCELLUS_AVERAGE_SIMD

// The sixteen lanes of `sums` added into four: those of the first and of the second pixel of
// a pair.
[[gnu::target("avx2")]] quint64 foldAvx2(__m256i sums)
{
    const __m128i four = _mm_add_epi16(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    return quint64(_mm_cvtsi128_si64(_mm_add_epi16(four, _mm_srli_si128(four, 8))));
}

// The lanes of the whole blocks of a band, `blocks` blocks of `factor` (8 or 16) pixels from
// `top`, eight pixels at a time.
[[gnu::target("avx2")]] void sumBlocksAvx2(
    const uchar *top, qsizetype pitch, int rows, int blocks, int factor, quint64 *blueRed, quint64 *greenRest)
{
    const __m256i mask = _mm256_set1_epi16(0x00FF);
    for (int b = 0; b < blocks; ++b) {
        const uchar *block = top + 4 * qsizetype(b) * factor;
        __m256i sumsBlueRed = _mm256_setzero_si256();
        __m256i sumsGreenRest = _mm256_setzero_si256();
        for (int done = 0; done < factor; done += 8) {
            for (int r = 0; r < rows; ++r) {
                const __m256i eight
                    = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + r * pitch + 4 * done));
                sumsBlueRed = _mm256_add_epi16(sumsBlueRed, _mm256_and_si256(eight, mask));
                sumsGreenRest = _mm256_add_epi16(sumsGreenRest, _mm256_srli_epi16(eight, 8));
            }
        }
        blueRed[b] = foldAvx2(sumsBlueRed);
        greenRest[b] = foldAvx2(sumsGreenRest);
    }
}

// As sumBlocksAvx2(), four pixels at a time (`factor` 4, 8 or 16).
void sumBlocksSse2(
    const uchar *top, qsizetype pitch, int rows, int blocks, int factor, quint64 *blueRed, quint64 *greenRest)
{
    const __m128i mask = _mm_set1_epi16(0x00FF);
    for (int b = 0; b < blocks; ++b) {
        const uchar *block = top + 4 * qsizetype(b) * factor;
        __m128i sumsBlueRed = _mm_setzero_si128();
        __m128i sumsGreenRest = _mm_setzero_si128();
        for (int done = 0; done < factor; done += 4) {
            for (int r = 0; r < rows; ++r) {
                const __m128i four
                    = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + r * pitch + 4 * done));
                sumsBlueRed = _mm_add_epi16(sumsBlueRed, _mm_and_si128(four, mask));
                sumsGreenRest = _mm_add_epi16(sumsGreenRest, _mm_srli_epi16(four, 8));
            }
        }
        blueRed[b] = quint64(_mm_cvtsi128_si64(_mm_add_epi16(sumsBlueRed, _mm_srli_si128(sumsBlueRed, 8))));
        greenRest[b]
            = quint64(_mm_cvtsi128_si64(_mm_add_epi16(sumsGreenRest, _mm_srli_si128(sumsGreenRest, 8))));
    }
}

#endif

} // namespace

BlockAverager::BlockAverager(
    int width, int height, int factor, uchar *bits, qsizetype pitch, Instructions instructions)
    : m_width(qMax(1, width))
    , m_height(qMax(1, height))
    , m_factor(std::clamp(factor & ~1, 2, 16))
    , m_bits(bits)
    , m_pitch(pitch)
{
#ifdef OCELLUS_AVERAGE_SIMD
    static const bool haveAvx2 = __builtin_cpu_supports("avx2");
    m_avx2 = instructions == Instructions::Best && haveAvx2;
    m_sse2 = instructions != Instructions::Portable;
#else
    Q_UNUSED(instructions);
#endif
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
    const int outWidth = (m_width + m_factor - 1) / m_factor;
    m_blueRed.assign(size_t(outWidth), 0);
    m_greenRest.assign(size_t(outWidth), 0);
    // Whole blocks are summed with vector instructions where there are some; the block at the
    // right edge and blocks of two pixels are summed here.
    int summed = 0;
#ifdef OCELLUS_AVERAGE_SIMD
    if (m_avx2 && m_factor >= 8) {
        summed = m_width / m_factor;
        sumBlocksAvx2(top, pitch, rows, summed, m_factor, m_blueRed.data(), m_greenRest.data());
    } else if (m_sse2 && m_factor >= 4) {
        summed = m_width / m_factor;
        sumBlocksSse2(top, pitch, rows, summed, m_factor, m_blueRed.data(), m_greenRest.data());
    }
#endif
    const quint64 wholeBlock = divisorMultiplier(quint32(m_factor * rows));
    for (int x = 0; x < outWidth; ++x) {
        const int first = x * m_factor;
        const int count = std::min(m_factor, m_width - first);
        quint64 &blueRed = m_blueRed[size_t(x)];
        quint64 &greenRest = m_greenRest[size_t(x)];
        for (int done = x < summed ? count : 0; done < count; done += 2) {
            for (int r = 0; r < rows; ++r) {
                quint64 two = 0;
                std::memcpy(&two, top + r * pitch + 4 * (first + done), done + 1 < count ? 8 : 4);
                blueRed += two & LaneMask;
                greenRest += (two >> 8) & LaneMask;
            }
        }
        const auto pixels = quint32(count * rows);
        const quint64 multiplier = count == m_factor ? wholeBlock : divisorMultiplier(pixels);
        const auto mean
            = [pixels, multiplier](quint32 sum) { return int(((sum + pixels / 2) * multiplier) >> 32); };
        out[x] = qRgb(mean(lane(blueRed, 1) + lane(blueRed, 3)),
            mean(lane(greenRest, 0) + lane(greenRest, 2)), mean(lane(blueRed, 0) + lane(blueRed, 2)));
    }
}
