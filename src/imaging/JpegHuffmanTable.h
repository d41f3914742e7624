#pragma once

// The entropy-coded side of the 1/8-scale JPEG decoder (JpegEighthDecoder.cpp): Huffman tables
// built as libjpeg builds them, an MSB-first bit reader, and the per-block steps. Internal to
// the imaging library; everything inline that the block loop calls.

#include <array>
#include <cstdint>
#include <cstring>

namespace JpegEighth {

// Zig-zag position -> natural (row-major) position; 16 extra entries catch a run that
// overshoots the block, as libjpeg's table does.
constexpr std::array<uint8_t, 80> NaturalOrder = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12,
    19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63,
    63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// The coefficients libjpeg's 2 x 2 inverse DCT reads: rows and columns 0, 1, 3, 5, 7. A block
// decoded for it keeps only these, as UsedIndex[natural position] (25: not kept).
constexpr int UsedLines[5] = {0, 1, 3, 5, 7};
constexpr std::array<uint8_t, 64> UsedIndex = [] {
    std::array<uint8_t, 64> index {};
    for (uint8_t &i : index)
        i = 25;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c)
            index[static_cast<size_t>(UsedLines[r] * 8 + UsedLines[c])] = static_cast<uint8_t>(r * 5 + c);
    }
    return index;
}();

// UsedIndex by zig-zag position, overshooting runs included.
constexpr std::array<uint8_t, 80> UsedAtZigzag = [] {
    std::array<uint8_t, 80> index {};
    for (size_t k = 0; k < index.size(); ++k)
        index[k] = UsedIndex[NaturalOrder[k]];
    return index;
}();

constexpr int FastBits = 9; // symbol lookup
constexpr int SkipBits = 12; // code plus extra bits, for AC coefficients that are only skipped
// Several skipped symbols at once. Four steps of this many bits fit the 56 bits a refill
// guarantees; the table (32 KB) stays in the level-1 cache beside the others in use.
constexpr int MultiBits = 14;

// libjpeg's HUFF_EXTEND: `size` received bits as a signed coefficient value.
inline int extendValue(uint32_t value, int size)
{
    const int v = static_cast<int>(value);
    return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
}

struct HuffmanTable
{
    bool defined = false;
    uint8_t counts[17] = {};
    uint8_t values[256] = {};
    int32_t maxCode[18] = {};
    int32_t valueOffset[18] = {};
    // The lookup tables are filled by build(): every entry of those the table's class uses.
    uint16_t fast[1 << FastBits]; // (length << 8) | symbol; 0 for longer codes
    uint16_t skip[1 << SkipBits]; // (bits << 8) | advance, advance 0 = end of block; 0: slow
    // Several whole symbols (code and extra bits) at once: bits used (low 4 bits), end of
    // block among them (bit 4), coefficient positions advanced (bits 8 and up); 0: none fits.
    uint16_t multi[1 << MultiBits];
    // DC tables: a whole difference (code and extra bits) at once: bits used (low 8 bits) and
    // the difference (the bits above); 0: code and extra bits are longer than SkipBits.
    uint32_t difference[1 << SkipBits];
    // AC tables: a whole coefficient (code and extra bits) at once: bits used (bits 0-7),
    // positions advanced (bits 8-15: run + 1, 16 for a run of sixteen zeros, 0 for the end of
    // block) and the coefficient's value (bits 16 and up); 0: longer than SkipBits.
    int32_t coefficient[1 << SkipBits];

    // Builds the decoding tables as libjpeg does (jpeg_make_d_derived_tbl), refusing what
    // libjpeg refuses; `dc` tables also refuse difference sizes above 15. A table kept from an
    // earlier stream is not built again when its counts and values are the same: cameras send
    // the same tables in every picture.
    bool build(bool dc);

private:
    bool buildTables(bool dc);

    // What the tables were last built from, and the verdict.
    bool haveBuilt = false;
    bool builtDc = false;
    bool builtOk = false;
    uint8_t builtCounts[17] = {};
    uint8_t builtValues[256] = {};
};

// MSB-first bit reader over destuffed entropy data followed by Padding zero bytes.
struct BitReader
{
    const uint8_t *data = nullptr;
    size_t pos = 0; // next byte to load
    uint64_t acc = 0; // valid bits at the top
    int bits = 0;

    void refill()
    {
        uint64_t word;
        std::memcpy(&word, data + pos, sizeof word);
        word = __builtin_bswap64(word);
        acc |= word >> bits;
        pos += static_cast<size_t>((63 - bits) >> 3);
        bits |= 56;
    }
    uint32_t peek(int n) const { return static_cast<uint32_t>(acc >> (64 - n)); }
    void consume(int n)
    {
        acc <<= n;
        bits -= n;
    }
    uint32_t take(int n)
    {
        const uint32_t value = n ? peek(n) : 0;
        consume(n);
        return value;
    }
    // Bits consumed since byte `start`.
    size_t consumedSince(size_t start) const { return (pos - start) * 8 - static_cast<size_t>(bits); }
};

// One symbol; -1 for a code no table holds. Needs at least 16 valid bits.
inline int decodeSymbol(BitReader &reader, const HuffmanTable &table)
{
    const uint16_t entry = table.fast[reader.peek(FastBits)];
    if (entry) {
        reader.consume(entry >> 8);
        return entry & 0xFF;
    }
    for (int length = FastBits + 1; length <= 16; ++length) {
        const int32_t code = static_cast<int32_t>(reader.peek(length));
        if (code <= table.maxCode[length]) {
            reader.consume(length);
            const int32_t index = code + table.valueOffset[length];
            return index >= 0 && index < 256 ? table.values[index] : -1;
        }
    }
    return -1;
}

// Walks the AC coefficients of one block without keeping them. Most steps take several
// symbols at once; a step that could run past the block's last position, or a symbol too long
// for the tables, is taken one symbol at a time as libjpeg takes it. One refill serves four
// steps of at most MultiBits bits, which keeps memory loads off the chain between steps.
[[gnu::always_inline]] inline bool skipAc(BitReader &reader, const HuffmanTable &table)
{
    int k = 1;
    for (;;) {
        reader.refill();
        int steps = 0;
        for (; steps < 4; ++steps) {
            const uint16_t entry = table.multi[reader.peek(MultiBits)];
            const int advance = entry >> 8;
            if (!(entry & 15) || k + advance >= 64)
                break;
            reader.consume(entry & 15);
            k += advance;
            if (entry & 16)
                return true;
        }
        if (steps == 4)
            continue;
        reader.refill();
        int run = 0;
        int size = 0;
        const uint16_t single = table.skip[reader.peek(SkipBits)];
        if (single) {
            reader.consume(single >> 8);
            if (!(single & 0xFF))
                return true;
            k += single & 0xFF;
        } else {
            const int symbol = decodeSymbol(reader, table);
            if (symbol < 0)
                return false;
            run = symbol >> 4;
            size = symbol & 15;
            if (size) {
                reader.consume(size);
                k += run + 1;
            } else if (run == 15) {
                k += 16;
            } else {
                return true;
            }
        }
        if (k >= 64)
            return true;
    }
}

// Decodes the AC coefficients of one block, keeping those the 2 x 2 inverse DCT uses in `used`
// (26 entries, the last takes the others) and setting their bits (1 << index, 1 to 24) in
// `kept`; entries whose bits stay clear are not written. A run past the block's end
// lands on its last position, as in libjpeg. Up to four coefficients per refill come whole
// from the table; longer codes are taken one symbol at a time.
inline bool decodeAc(BitReader &reader, const HuffmanTable &table, int16_t *used, uint32_t &kept)
{
    int k = 1;
    while (k < 64) {
        reader.refill();
        int steps = 0;
        for (; steps < 4; ++steps) {
            const int32_t entry = table.coefficient[reader.peek(SkipBits)];
            if (!entry)
                break;
            reader.consume(entry & 0xFF);
            const int advance = (entry >> 8) & 0xFF;
            if (!advance)
                return true;
            if (advance != 16 || (entry >> 16) != 0) {
                const uint8_t index = UsedAtZigzag[static_cast<size_t>(k + advance - 1)];
                used[index] = static_cast<int16_t>(entry >> 16);
                kept |= 1u << index;
            }
            k += advance;
            if (k >= 64)
                return true;
        }
        if (steps == 4)
            continue;
        reader.refill();
        const int symbol = decodeSymbol(reader, table);
        if (symbol < 0)
            return false;
        const int run = symbol >> 4;
        const int size = symbol & 15;
        if (size) {
            k += run;
            const uint8_t index = UsedAtZigzag[static_cast<size_t>(k)];
            used[index] = static_cast<int16_t>(extendValue(reader.take(size), size));
            kept |= 1u << index;
            ++k;
        } else if (run == 15) {
            k += 16;
        } else {
            return true;
        }
    }
    return true;
}

} // namespace JpegEighth
