#include "imaging/JpegEighthStream.h"

#include "imaging/JpegMarkerScan.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace JpegEighth {

namespace {

uint16_t be16(const uint8_t *p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

bool readQuantTables(Frame &frame, const uint8_t *p, size_t length)
{
    size_t at = 0;
    while (at < length) {
        const int precision = p[at] >> 4;
        const int id = p[at] & 15;
        ++at;
        if (id > 3 || precision > 1 || length - at < size_t(64) * (precision + 1))
            return false;
        for (int i = 0; i < 64; ++i) {
            frame.quant[id][NaturalOrder[static_cast<size_t>(i)]]
                = precision ? be16(p + at + 2 * i) : p[at + i];
        }
        at += size_t(64) * (precision + 1);
        frame.quantDefined[id] = true;
    }
    return true;
}

bool readHuffmanTables(Frame &frame, const uint8_t *p, size_t length)
{
    size_t at = 0;
    while (at < length) {
        const int tableClass = p[at] >> 4;
        const int id = p[at] & 15;
        ++at;
        if (tableClass > 1 || id > 3 || length - at < 16)
            return false;
        HuffmanTable &table = tableClass ? frame.ac[id] : frame.dc[id];
        int total = 0;
        for (int i = 1; i <= 16; ++i) {
            table.counts[i] = p[at + static_cast<size_t>(i) - 1];
            total += table.counts[i];
        }
        at += 16;
        if (total > 256 || length - at < static_cast<size_t>(total))
            return false;
        std::memcpy(table.values, p + at, static_cast<size_t>(total));
        at += static_cast<size_t>(total);
        table.defined = true;
    }
    return true;
}

bool readFrame(Frame &frame, const uint8_t *p, size_t length)
{
    if (frame.haveFrame || length < 6)
        return false;
    const int count = p[5];
    if (p[0] != 8 || (count != 1 && count != 3) || length != 6 + 3 * static_cast<size_t>(count))
        return false;
    frame.height = be16(p + 1);
    frame.width = be16(p + 3);
    if (frame.width == 0 || frame.height == 0)
        return false;
    frame.count = count;
    for (int i = 0; i < count; ++i) {
        Component &c = frame.components[i];
        c.id = p[6 + 3 * i];
        c.h = p[7 + 3 * i] >> 4;
        c.v = p[7 + 3 * i] & 15;
        c.quantTable = p[8 + 3 * i];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quantTable > 3)
            return false;
        for (int j = 0; j < i; ++j) {
            if (frame.components[j].id == c.id)
                return false;
        }
    }
    frame.haveFrame = true;
    return true;
}

bool readScanHeader(Frame &frame, const uint8_t *p, size_t length)
{
    if (!frame.haveFrame || length < 1)
        return false;
    const int count = p[0];
    if (count != frame.count || length != 4 + 2 * static_cast<size_t>(count))
        return false;
    for (int i = 0; i < count; ++i) {
        Component &c = frame.components[i];
        if (p[1 + 2 * i] != c.id)
            return false;
        c.dcTable = p[2 + 2 * i] >> 4;
        c.acTable = p[2 + 2 * i] & 15;
        if (c.dcTable > 3 || c.acTable > 3)
            return false;
    }
    const uint8_t *spectral = p + 1 + 2 * count;
    return spectral[0] == 0 && spectral[1] == 63 && spectral[2] == 0;
}

} // namespace

ScratchUse::ScratchUse()
{
    thread_local std::unique_ptr<Scratch> kept;
    if (!kept)
        kept.reset(new Scratch);
    m_scratch = kept.get();
    m_scratch->frame.startStream();
    m_scratch->segmentEnds.clear();
}

size_t readHeaders(Frame &frame, const uint8_t *d, size_t n)
{
    size_t pos = 2;
    for (;;) {
        if (pos >= n || d[pos] != 0xFF)
            return 0;
        while (pos < n && d[pos] == 0xFF)
            ++pos;
        if (pos + 3 > n)
            return 0;
        const uint8_t marker = d[pos++];
        const size_t fieldLength = be16(d + pos);
        if (fieldLength < 2 || pos + fieldLength > n)
            return 0;
        const uint8_t *payload = d + pos + 2;
        const size_t length = fieldLength - 2;
        pos += fieldLength;
        bool ok = true;
        if (marker == 0xE0) {
            frame.sawJfif = frame.sawJfif || (length >= 14 && std::memcmp(payload, "JFIF\0", 5) == 0);
        } else if (marker == 0xEE) {
            frame.sawAdobe = frame.sawAdobe || (length >= 12 && std::memcmp(payload, "Adobe", 5) == 0);
        } else if ((marker >= 0xE1 && marker <= 0xEF) || marker == 0xFE) {
            // other application segments and comments carry nothing for the decoder
        } else if (marker == 0xDB) {
            ok = readQuantTables(frame, payload, length);
        } else if (marker == 0xC4) {
            ok = readHuffmanTables(frame, payload, length);
        } else if (marker == 0xDD) {
            ok = length == 2;
            frame.restartInterval = ok ? be16(payload) : 0;
        } else if (marker == 0xC0 || marker == 0xC1) {
            ok = readFrame(frame, payload, length);
        } else if (marker == 0xDA) {
            return readScanHeader(frame, payload, length) ? pos : 0;
        } else {
            return 0; // other frame types, DNL, DAC, SOI, EOI, RSTn, TEM, reserved markers
        }
        if (!ok)
            return 0;
    }
}

bool destuff(const uint8_t *d, size_t n, size_t start, bool restarts, std::vector<uint8_t> &out,
    std::vector<size_t> &segmentEnds)
{
    // Written through a pointer into room for the whole input, 32 bytes of slack and the
    // padding; the vector keeps its size between pictures, so it is seldom filled anew.
    const size_t room = n - start + 32 + Padding;
    if (out.size() < room)
        out.resize(room);
    uint8_t *const first = out.data();
    uint8_t *o = first;
    int expected = 0;
    size_t pos = start;
    for (;;) {
        pos = JpegMarkerScan::copyUnstuffed(d, pos, n, o);
        const size_t at = JpegMarkerScan::copyToFF(d, pos, n, o);
        if (at >= n)
            return false;
        size_t code = at;
        while (code < n && d[code] == 0xFF)
            ++code;
        if (code >= n)
            return false;
        const uint8_t c = d[code];
        pos = code + 1;
        if (c == 0x00) {
            *o++ = 0xFF;
        } else if (c >= 0xD0 && c <= 0xD7) {
            if (!restarts || c != 0xD0 + expected)
                return false;
            expected = (expected + 1) & 7;
            segmentEnds.push_back(static_cast<size_t>(o - first));
        } else if (c == 0xD9) {
            const auto size = static_cast<size_t>(o - first);
            segmentEnds.push_back(size);
            std::memset(o, 0, Padding);
            out.resize(size + Padding);
            return true;
        } else {
            return false;
        }
    }
}

} // namespace JpegEighth
