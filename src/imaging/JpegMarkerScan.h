#pragma once

// Finding the 0xFF bytes of JPEG entropy-coded data, where every marker, stuffed byte and fill
// byte starts. Such data holds one about every 256 bytes: the bytes are compared 16 at a time
// where the processor allows, without a call for each 0xFF. Internal to the imaging library.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace JpegMarkerScan {

#if defined(__SSE2__)
// A bit for each 0xFF byte among the 16 at `p`.
inline unsigned maskOfFF(const uint8_t *p)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(0xFF)))));
}
#endif

// Offset of the first 0xFF byte in d[pos, end); `end` when there is none.
inline size_t findFF(const uint8_t *d, size_t pos, size_t end)
{
#if defined(__SSE2__)
    for (; pos + 16 <= end; pos += 16) {
        if (const unsigned found = maskOfFF(d + pos))
            return pos + static_cast<size_t>(__builtin_ctz(found));
    }
#endif
    const void *found = pos < end ? std::memchr(d + pos, 0xFF, end - pos) : nullptr;
    return found ? static_cast<size_t>(static_cast<const uint8_t *>(found) - d) : end;
}

// The same, copying d[pos, found) to `out` on the way and leaving `out` just past the copy.
// `out` must have room for 16 bytes beyond what the copy needs.
inline size_t copyToFF(const uint8_t *d, size_t pos, size_t end, uint8_t *&out)
{
#if defined(__SSE2__)
    for (; pos + 16 <= end; pos += 16, out += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + pos)));
        if (const unsigned found = maskOfFF(d + pos)) {
            const auto skip = static_cast<size_t>(__builtin_ctz(found));
            out += skip;
            return pos + skip;
        }
    }
#endif
    const size_t found = findFF(d, pos, end);
    if (found > pos)
        std::memcpy(out, d + pos, found - pos);
    out += found - pos;
    return found;
}

// Offset of the first 0xFF in d[pos, end) that is not followed by 0x00, `end` when there is
// none. d[end] is read: `end` must lie inside the data. Stuffed FF 00 pairs, nearly all the
// 0xFF bytes of entropy data, are passed over 16 bytes at a time with no branch of their own.
inline size_t findUnstuffedFF(const uint8_t *d, size_t pos, size_t end)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; pos + 16 <= end; pos += 16) {
        const auto followedByZero = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(d + pos + 1)), zero)));
        if (const unsigned found = maskOfFF(d + pos) & ~followedByZero)
            return pos + static_cast<size_t>(__builtin_ctz(found));
    }
#endif
    for (; pos < end; ++pos) {
        if (d[pos] == 0xFF && d[pos + 1] != 0x00)
            return pos;
    }
    return end;
}

// Copies d[pos, ...) to `out`, leaving out the 0x00 of each stuffed FF 00 pair, for as long
// as 16 bytes at a time hold no other 0xFF and at most one byte to leave out; returns where it
// stopped (never between the two bytes of a pair) and leaves `out` just past the copy. The
// caller goes on from there a byte at a time. `out` must have room for 32 bytes beyond what
// the copy needs; d[end] must not be read (`end` is the data's size).
inline size_t copyUnstuffed(const uint8_t *d, size_t pos, size_t end, uint8_t *&out)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    unsigned carry = 0; // d[pos] is the 0x00 of a pair whose 0xFF ended the block before
    for (; pos + 33 <= end; pos += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + pos));
        const unsigned ff = maskOfFF(d + pos);
        const auto followedByZero = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(d + pos + 1)), zero)));
        if (ff & ~followedByZero)
            break; // a marker or a fill byte
        const unsigned stuffed = ff & followedByZero;
        const unsigned drop = ((stuffed << 1) | carry) & 0xFFFFu;
        if (drop & (drop - 1))
            break; // two bytes to leave out
        // All 16 bytes, then from the byte left out on the bytes after it (with none left
        // out, that second store lies past the copy and is written over next).
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), bytes);
        // (Without branches: whether a block holds a pair follows the data.)
        const auto cut = static_cast<size_t>(__builtin_ctz(drop | 0x10000u));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + cut),
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + pos + cut + 1)));
        out += 16 - ((drop + 0xFFFFu) >> 16);
        carry = stuffed >> 15;
    }
    if (carry) {
        // Stop on the pair's 0xFF: it is copied again with its 0x00 by the caller.
        --pos;
        --out;
    }
#else
    (void)d;
    (void)end;
    (void)out;
#endif
    return pos;
}

} // namespace JpegMarkerScan
