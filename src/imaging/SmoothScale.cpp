// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/SmoothScale.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define OCELLUS_SCALE_SSE41 1
#endif

namespace {

// Source rows (those one output row covers) times output columns held here at most, 16 bytes
// each; larger pictures go to Qt, which shares the work among threads.
constexpr int64_t MaxSummedPixels = 64 * 1024;

// The weights Qt gives when shrinking `s` samples to `d` (imlib2's area sampling, weights in
// 1/16384ths): output sample i starts at source sample first[i] with weight startWeight[i],
// goes on with `step` for every further whole sample and ends with what is left of 16384.
struct Axis
{
    std::vector<int> first; // per output sample, its first source sample
    std::vector<int> tapStart; // per output sample, index of its first tap; one more at the end
    std::vector<int> weights; // the taps' weights, for consecutive source samples
};

// False when a tap would lie beyond the source, which Qt's arithmetic never gives.
bool shrinkAxis(int s, int d, Axis &axis)
{
    axis.first.assign(size_t(d), 0);
    axis.tapStart.assign(size_t(d) + 1, 0);
    axis.weights.clear();
    const int64_t inc = (int64_t(s) << 16) / d;
    const int step = int(((int64_t(d) << 14) + s - 1) / s);
    int64_t val = 0;
    for (int i = 0; i < d; ++i) {
        const int start = int(val >> 16);
        const int startWeight = int(((0x10000 - (val & 0xffff)) * step) >> 16);
        axis.first[size_t(i)] = start;
        axis.tapStart[size_t(i)] = int(axis.weights.size());
        axis.weights.push_back(startWeight);
        int left = (1 << 14) - startWeight;
        for (; left > step; left -= step)
            axis.weights.push_back(step);
        axis.weights.push_back(left);
        if (start + int(axis.weights.size()) - axis.tapStart[size_t(i)] > s)
            return false;
        val += inc;
    }
    axis.tapStart[size_t(d)] = int(axis.weights.size());
    return true;
}

#ifdef OCELLUS_SCALE_SSE41

// The horizontal taps in pairs of neighbouring pixels, for one multiply-add each: per output
// column its first pair (one more at the end), and per pair the first pixel and the two
// weights, repeated for the four channels. An odd count ends with the pair before the last
// tap, the first of its weights zero, so that no pixel outside the taps is read.
struct Pairs
{
    std::vector<int> start;
    std::vector<int> offset;
    std::vector<uint32_t> weights;
};

void pairUp(const Axis &x, int dw, Pairs &pairs)
{
    pairs.start.assign(size_t(dw) + 1, 0);
    pairs.offset.clear();
    pairs.weights.clear();
    for (int i = 0; i < dw; ++i) {
        pairs.start[size_t(i)] = int(pairs.offset.size());
        const int first = x.tapStart[size_t(i)];
        const int taps = x.tapStart[size_t(i) + 1] - first;
        for (int t = 0; t < taps; t += 2) {
            const bool whole = t + 1 < taps;
            const int at = whole ? t : t - 1;
            const uint32_t w0 = whole ? uint32_t(x.weights[size_t(first + t)]) : 0;
            const uint32_t w1 = uint32_t(x.weights[size_t(first + (whole ? t + 1 : t))]);
            pairs.offset.push_back(x.first[size_t(i)] + at);
            pairs.weights.insert(pairs.weights.end(), 4, w0 | (w1 << 16));
        }
    }
    pairs.start[size_t(dw)] = int(pairs.offset.size());
}

#endif

// Scratch kept by each thread between calls.
struct Scratch
{
    Axis x;
    Axis y;
#ifdef OCELLUS_SCALE_SSE41
    Pairs pairs;
#endif
    // The horizontal sums of the last source rows, source row r in slot r % ringRows: per
    // output column, 4 channel sums >> 4. An output row covers at most ringRows rows, and the
    // rows go down from one output row to the next, so a slot is reused only once its row is
    // behind the output row being made.
    std::vector<uint32_t> rows;
    std::vector<int> rowInSlot;
    std::vector<uint32_t> sums; // per output column, 4 channel sums of one output row
};

// The horizontal pass of one source row: for every output column, the weighted sum of its
// source pixels per channel (blue, green, red, alpha as the bytes lie), shifted right by 4.
void sumRow(const uint32_t *source, const Axis &x, int dw, uint32_t *out)
{
    const int *first = x.first.data();
    const int *tapStart = x.tapStart.data();
    const int *weights = x.weights.data();
    for (int i = 0; i < dw; ++i) {
        const uint32_t *p = source + first[i];
        uint32_t c[4] = {0, 0, 0, 0};
        for (int t = tapStart[i]; t < tapStart[i + 1]; ++t, ++p) {
            const auto w = uint32_t(weights[t]);
            for (int k = 0; k < 4; ++k)
                c[k] += ((*p >> (8 * k)) & 0xFF) * w;
        }
        for (int k = 0; k < 4; ++k)
            out[4 * i + k] = c[k] >> 4;
    }
}

// The vertical pass: `sums` += weight x `row`, per channel, modulo 2^32 as Qt's sums are.
void addRow(const uint32_t *row, uint32_t weight, int count, uint32_t *sums)
{
    for (int i = 0; i < count; ++i)
        sums[i] += weight * row[i];
}

#ifdef OCELLUS_SCALE_SSE41

// The two passes four channels at a time. A pair's products and their sum fit 32 bits
// (weights below 2^15, samples below 2^8).
[[gnu::target("sse4.1")]] void sumRowSse41(const uint32_t *source, const Pairs &pairs, int dw, uint32_t *out)
{
    // Bytes b0 g0 r0 a0 b1 g1 r1 a1 -> 16-bit lanes b0 b1 g0 g1 r0 r1 a0 a1.
    const __m128i interleave = _mm_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
    const int *start = pairs.start.data();
    const int *offset = pairs.offset.data();
    const auto *weights = reinterpret_cast<const __m128i *>(pairs.weights.data());
    for (int i = 0; i < dw; ++i) {
        __m128i sum = _mm_setzero_si128();
        for (int k = start[i]; k < start[i + 1]; ++k) {
            const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(source + offset[k]));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(two, interleave), _mm_loadu_si128(weights + k)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 4 * i), _mm_srli_epi32(sum, 4));
    }
}

[[gnu::target("sse4.1")]] void addRowSse41(const uint32_t *row, uint32_t weight, int count, uint32_t *sums)
{
    const __m128i w = _mm_set1_epi32(int(weight));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i product = _mm_mullo_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(row + i)), w);
        auto *at = reinterpret_cast<__m128i *>(sums + i);
        _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), product));
    }
    for (; i < count; ++i)
        sums[i] += weight * row[i];
}

bool haveSse41()
{
    static const bool have = __builtin_cpu_supports("sse4.1");
    return have;
}

#endif

} // namespace

QImage smoothScaled(const QImage &source, QSize size, bool simdAllowed)
{
    const int sw = source.width();
    const int sh = source.height();
    const int dw = size.width();
    const int dh = size.height();
    if (source.format() != QImage::Format_RGB32 || dw <= 0 || dh <= 0 || dw >= sw || dh >= sh)
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    thread_local Scratch scratch;
    if (!shrinkAxis(sw, dw, scratch.x) || !shrinkAxis(sh, dh, scratch.y))
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage scaled(dw, dh, QImage::Format_RGB32);
    if (scaled.isNull())
        return QImage();
    int ringRows = 0;
    for (int y = 0; y < dh; ++y)
        ringRows = std::max(ringRows, scratch.y.tapStart[size_t(y) + 1] - scratch.y.tapStart[size_t(y)]);
    if (int64_t(ringRows) * dw > MaxSummedPixels)
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const size_t rowLength = size_t(dw) * 4;
    scratch.rows.resize(size_t(ringRows) * rowLength);
    scratch.rowInSlot.assign(size_t(ringRows), -1);
    scratch.sums.resize(rowLength);
#ifdef OCELLUS_SCALE_SSE41
    const bool simd = simdAllowed && haveSse41();
    if (simd)
        pairUp(scratch.x, dw, scratch.pairs);
#else
    Q_UNUSED(simdAllowed);
#endif

    for (int y = 0; y < dh; ++y) {
        std::fill(scratch.sums.begin(), scratch.sums.end(), 0u);
        int row = scratch.y.first[size_t(y)];
        for (int t = scratch.y.tapStart[size_t(y)]; t < scratch.y.tapStart[size_t(y) + 1]; ++t, ++row) {
            const auto slot = size_t(row % ringRows);
            uint32_t *sums = scratch.rows.data() + slot * rowLength;
            const bool summed = scratch.rowInSlot[slot] == row;
            const auto *line = reinterpret_cast<const uint32_t *>(source.constScanLine(row));
            const auto weight = uint32_t(scratch.y.weights[size_t(t)]);
#ifdef OCELLUS_SCALE_SSE41
            if (simd) {
                if (!summed)
                    sumRowSse41(line, scratch.pairs, dw, sums);
                addRowSse41(sums, weight, int(rowLength), scratch.sums.data());
            } else
#endif
            {
                if (!summed)
                    sumRow(line, scratch.x, dw, sums);
                addRow(sums, weight, int(rowLength), scratch.sums.data());
            }
            scratch.rowInSlot[slot] = row;
        }
        auto *out = reinterpret_cast<uint32_t *>(scaled.scanLine(y));
        const uint32_t *sums = scratch.sums.data();
        for (int x = 0; x < dw; ++x, sums += 4)
            out[x] = 0xFF000000u | ((sums[2] >> 24) << 16) | ((sums[1] >> 24) << 8) | (sums[0] >> 24);
    }
    return scaled;
}
