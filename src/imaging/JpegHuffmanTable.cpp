#include "imaging/JpegHuffmanTable.h"

#include <algorithm>
#include <vector>

namespace JpegEighth {

bool HuffmanTable::build(bool dc)
{
    int total = 0;
    for (int length = 1; length <= 16; ++length)
        total += counts[length];
    const size_t used = static_cast<size_t>(std::min(total, 256));
    if (haveBuilt && builtDc == dc && std::memcmp(builtCounts, counts, sizeof counts) == 0
        && std::memcmp(builtValues, values, used) == 0)
        return builtOk;
    builtOk = buildTables(dc);
    haveBuilt = true;
    builtDc = dc;
    std::memcpy(builtCounts, counts, sizeof counts);
    std::memcpy(builtValues, values, used);
    return builtOk;
}

bool HuffmanTable::buildTables(bool dc)
{
    uint8_t sizes[257];
    uint16_t codes[256];
    int count = 0;
    for (int length = 1; length <= 16; ++length) {
        if (count + counts[length] > 256)
            return false;
        for (int i = 0; i < counts[length]; ++i)
            sizes[count++] = static_cast<uint8_t>(length);
    }
    sizes[count] = 0;
    uint32_t code = 0;
    int size = sizes[0];
    int p = 0;
    while (sizes[p]) {
        while (sizes[p] == size)
            codes[p++] = static_cast<uint16_t>(code++);
        if (code >= (1u << size))
            return false;
        code <<= 1;
        ++size;
    }
    p = 0;
    for (int length = 1; length <= 16; ++length) {
        if (counts[length]) {
            valueOffset[length] = p - codes[p];
            p += counts[length];
            maxCode[length] = codes[p - 1];
        } else {
            maxCode[length] = -1;
        }
    }
    maxCode[17] = 0xFFFFF;
    std::memset(fast, 0, sizeof fast);
    std::memset(skip, 0, sizeof skip);
    if (!dc)
        std::memset(coefficient, 0, sizeof coefficient);
    for (int i = 0; i < count; ++i) {
        const int length = sizes[i];
        const uint8_t symbol = values[i];
        if (dc && symbol > 15)
            return false;
        if (length <= FastBits) {
            const int spread = 1 << (FastBits - length);
            for (int j = 0; j < spread; ++j)
                fast[(codes[i] << (FastBits - length)) | j] = static_cast<uint16_t>((length << 8) | symbol);
        }
        if (!dc && length <= SkipBits) {
            const int run = symbol >> 4;
            const int extra = symbol & 15;
            int bits = length + extra;
            int advance = run + 1;
            if (extra == 0) {
                bits = length;
                advance = run == 15 ? 16 : 0;
            }
            if (bits <= SkipBits) {
                const int spread = 1 << (SkipBits - length);
                for (int j = 0; j < spread; ++j) {
                    const uint32_t index = (uint32_t(codes[i]) << (SkipBits - length)) | uint32_t(j);
                    skip[index] = static_cast<uint16_t>((bits << 8) | advance);
                    const uint32_t raw = extra ? (uint32_t(j) >> (SkipBits - length - extra)) : 0;
                    const int value = extra ? extendValue(raw, extra) : 0;
                    coefficient[index] = static_cast<int32_t>(static_cast<uint32_t>(value) << 16)
                        | (advance << 8) | bits;
                }
            }
        }
    }
    if (dc) {
        std::memset(difference, 0, sizeof difference);
        for (int i = 0; i < count; ++i) {
            const int length = sizes[i];
            const int extra = values[i];
            if (length + extra > SkipBits)
                continue;
            const int spread = 1 << (SkipBits - length);
            for (int j = 0; j < spread; ++j) {
                const uint32_t index = (uint32_t(codes[i]) << (SkipBits - length)) | uint32_t(j);
                const uint32_t raw = extra ? (uint32_t(j) >> (SkipBits - length - extra)) : 0;
                const int value = extra ? extendValue(raw, extra) : 0;
                difference[index]
                    = (static_cast<uint32_t>(value) << 8) | static_cast<uint32_t>(length + extra);
            }
        }
    } else {
        // Single steps over MultiBits bits, as `skip` holds them over SkipBits, then chained
        // while the next whole symbol lies inside the known bits (the bits shifted in below
        // them are not used by it).
        std::vector<uint16_t> single(size_t(1) << MultiBits, 0);
        for (int i = 0; i < count; ++i) {
            const int length = sizes[i];
            const int run = values[i] >> 4;
            const int extra = values[i] & 15;
            const int bits = length + extra;
            const int advance = extra ? run + 1 : (run == 15 ? 16 : 0);
            if (bits > MultiBits)
                continue;
            const uint32_t first = uint32_t(codes[i]) << (MultiBits - length);
            std::fill_n(single.begin() + first, size_t(1) << (MultiBits - length),
                static_cast<uint16_t>((bits << 8) | advance));
        }
        constexpr uint32_t Mask = (1u << MultiBits) - 1;
        for (uint32_t index = 0; index <= Mask; ++index) {
            int used = 0;
            int advance = 0;
            int end = 0;
            for (;;) {
                const uint16_t step = single[(index << used) & Mask];
                const int bits = step >> 8;
                if (!step || used + bits > MultiBits || advance > 200)
                    break;
                used += bits;
                if (!(step & 0xFF)) {
                    end = 1;
                    break;
                }
                advance += step & 0xFF;
            }
            multi[index] = static_cast<uint16_t>(used ? (advance << 8) | (end << 4) | used : 0);
        }
    }
    return true;
}

} // namespace JpegEighth
