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

} // namespace JpegMarkerScan
