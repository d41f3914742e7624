// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/JpegStructure.h"

#include <QtGlobal>

namespace {

// Annex K tables in natural (row-major) order.
constexpr int LuminanceBase[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16,
    24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81,
    104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr int ChrominanceBase[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26,
    56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// Natural-order index of the k-th coefficient in zig-zag order.
constexpr int ZigZag[64] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58,
    59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int byteAt(const QByteArray &bytes, qsizetype pos) { return static_cast<quint8>(bytes[pos]); }

int word(const QByteArray &bytes, qsizetype pos) { return byteAt(bytes, pos) << 8 | byteAt(bytes, pos + 1); }

bool readTables(const QByteArray &bytes, qsizetype pos, qsizetype end, JpegStructure &out)
{
    while (pos < end) {
        const int precision = byteAt(bytes, pos) >> 4;
        const int number = byteAt(bytes, pos) & 0x0F;
        const qsizetype size = 1 + 64 * (precision + 1);
        if (precision > 1 || pos + size > end)
            return false;
        QList<int> table;
        for (int k = 0; k < 64; ++k)
            table.append(precision == 0 ? byteAt(bytes, pos + 1 + k) : word(bytes, pos + 1 + 2 * k));
        out.sixteenBitTable = out.sixteenBitTable || precision == 1;
        out.quantTables.insert(number, table);
        pos += size;
    }
    return true;
}

bool readFrame(const QByteArray &bytes, quint8 marker, qsizetype pos, qsizetype length, JpegStructure &out)
{
    if (length < 6)
        return false;
    out.frameMarker = marker;
    out.precision = byteAt(bytes, pos);
    out.height = word(bytes, pos + 1);
    out.width = word(bytes, pos + 3);
    const int components = byteAt(bytes, pos + 5);
    if (length < 6 + 3 * components)
        return false;
    for (int c = 0; c < components; ++c) {
        out.samplingFactors.append(byteAt(bytes, pos + 6 + 3 * c + 1));
        out.componentTable.append(byteAt(bytes, pos + 6 + 3 * c + 2));
    }
    return true;
}

} // namespace

JpegStructure JpegStructure::read(const QByteArray &bytes)
{
    JpegStructure out;
    if (bytes.size() < 4 || byteAt(bytes, 0) != 0xFF || byteAt(bytes, 1) != 0xD8)
        return out;
    qsizetype pos = 2;
    bool first = true;
    while (pos + 4 <= bytes.size()) {
        if (byteAt(bytes, pos) != 0xFF)
            return out;
        while (pos + 1 < bytes.size() && byteAt(bytes, pos + 1) == 0xFF)
            ++pos; // fill bytes
        if (pos + 4 > bytes.size())
            return out;
        const quint8 marker = static_cast<quint8>(byteAt(bytes, pos + 1));
        const qsizetype length = word(bytes, pos + 2) - 2;
        const qsizetype payload = pos + 4;
        if (length < 0 || payload + length > bytes.size())
            return out;
        if (first)
            out.jfif = marker == 0xE0 && bytes.mid(payload, 5) == QByteArray("JFIF\0", 5);
        first = false;
        if (marker == 0xDB && !readTables(bytes, payload, payload + length, out))
            return out;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && out.frameMarker == 0 && !readFrame(bytes, marker, payload, length, out))
            return out;
        if (marker == 0xDA) {
            out.valid = out.frameMarker != 0;
            return out;
        }
        pos = payload + length;
    }
    return out;
}

QList<int> JpegStructure::standardTable(Table table, int quality)
{
    const int *base = table == Luminance ? LuminanceBase : ChrominanceBase;
    quality = qBound(1, quality, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    QList<int> out;
    for (int k = 0; k < 64; ++k)
        out.append(qBound(1, (base[ZigZag[k]] * scale + 50) / 100, 255));
    return out;
}
