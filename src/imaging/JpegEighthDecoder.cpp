#include "imaging/JpegEighthDecoder.h"

#include "imaging/JpegEighthStream.h"
#include "imaging/JpegHuffmanTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

using namespace JpegEighth;

// libjpeg's post-IDCT range limit: the sample for a centred value masked to 10 bits.
constexpr uint8_t rangeLimitOf(int masked)
{
    if (masked < 128)
        return static_cast<uint8_t>(masked + 128);
    if (masked < 512)
        return 255;
    if (masked < 896)
        return 0;
    return static_cast<uint8_t>(masked - 896);
}

// The same as a table, as libjpeg keeps it: which of the four cases a block's value falls in
// follows the picture's content, and branches on it would be mispredicted half the time.
constexpr std::array<uint8_t, 1024> RangeLimitTable = [] {
    std::array<uint8_t, 1024> table {};
    for (int i = 0; i < 1024; ++i)
        table[static_cast<size_t>(i)] = rangeLimitOf(i);
    return table;
}();

// The sample for a centred value (its low 10 bits, as libjpeg masks it).
inline uint8_t rangeLimit(int value) { return RangeLimitTable[static_cast<size_t>(value & 1023)]; }

uint8_t clampSample(int value)
{
    return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// libjpeg's reduced inverse DCT producing 2 x 2 samples (islow arithmetic), on the 25 used
// coefficients (`used`, row-major over lines 0, 1, 3, 5, 7; the DC and those whose bit is set
// in `kept`, the others are zero) and their quantisation values.
// TurboJPEG runs a SIMD version in 16-bit lanes; it gives the same samples as this one as long
// as every dequantized coefficient and every first-pass value fits 16 bits and the results lie
// where range limiting and saturation agree. False, with nothing written, when a block (only
// damaged data makes one) goes outside those bounds.
bool inverseDct2x2(const int16_t *used, uint32_t kept, const int16_t *quant, uint8_t *out0, uint8_t *out1)
{
    constexpr int64_t Fix0720959822 = 5906;
    constexpr int64_t Fix0850430095 = 6967;
    constexpr int64_t Fix1272758580 = 10426;
    constexpr int64_t Fix3624509785 = 29692;
    constexpr int ConstBits = 13;
    constexpr int Pass1Bits = 2;
    const auto descale = [](int64_t x, int n) { return (x + (int64_t(1) << (n - 1))) >> n; };
    const auto fits16 = [](int32_t x) { return x >= -32768 && x <= 32767; };

    int32_t deq[25];
    deq[0] = int32_t(used[0]) * int32_t(quant[0]);
    if (!fits16(deq[0]))
        return false;
    kept &= 0x1FFFFFEu; // bit 25: coefficients the 2 x 2 inverse DCT does not read
    if (!kept) {
        // DC alone: the first pass gives 4 x DC in every value, the second that descaled by 32.
        const int32_t first = deq[0] * 4;
        const int sample = (deq[0] + 4) >> 3;
        if (first < -32768 || first > 32767 || sample < -384 || sample > 383)
            return false;
        out0[0] = out0[1] = out1[0] = out1[1] = rangeLimit(sample);
        return true;
    }
    // Most blocks keep a few coefficients: only those are read (one at a time, as they were
    // stored).
    std::fill(deq + 1, deq + 25, 0);
    for (uint32_t bits = kept; bits; bits &= bits - 1) {
        const int i = __builtin_ctz(bits);
        deq[i] = int32_t(used[i]) * int32_t(quant[i]);
        if (!fits16(deq[i]))
            return false;
    }
    // With every input within 16 bits, each weighted sum stays below 52991 x 32768 < 2^31.
    int64_t workspace[2][5];
    constexpr uint32_t OddRows = (1u << 5) | (1u << 10) | (1u << 15) | (1u << 20);
    for (int col = 0; col < 5; ++col) {
        if (!(kept & (OddRows << col))) {
            // Rows 1, 3, 5 and 7 of the column are zero: both values are the row 0 value times 4.
            const int32_t value = deq[col] * 4;
            if (!fits16(value))
                return false;
            workspace[0][col] = workspace[1][col] = value;
            continue;
        }
        const int64_t even = int64_t(deq[col]) << (ConstBits + 2);
        const int64_t odd = deq[20 + col] * -int32_t(Fix0720959822) + deq[15 + col] * int32_t(Fix0850430095)
            + deq[10 + col] * -int32_t(Fix1272758580) + deq[5 + col] * int32_t(Fix3624509785);
        // (With rows 1, 3, 5, 7 all zero this equals libjpeg's shortcut: the DC times 4.)
        workspace[0][col] = descale(even + odd, ConstBits - Pass1Bits + 2);
        workspace[1][col] = descale(even - odd, ConstBits - Pass1Bits + 2);
        if (workspace[0][col] < -32768 || workspace[0][col] > 32767 || workspace[1][col] < -32768
            || workspace[1][col] > 32767)
            return false;
    }
    int results[2][2];
    for (int row = 0; row < 2; ++row) {
        const int64_t *w = workspace[row];
        const int64_t even = w[0] << (ConstBits + 2);
        const int64_t odd
            = w[4] * -Fix0720959822 + w[3] * Fix0850430095 + w[2] * -Fix1272758580 + w[1] * Fix3624509785;
        constexpr int shift = ConstBits + Pass1Bits + 3 + 2;
        const int64_t sum = descale(even + odd, shift);
        const int64_t difference = descale(even - odd, shift);
        if (sum < -384 || sum > 383 || difference < -384 || difference > 383)
            return false;
        results[row][0] = static_cast<int>(sum);
        results[row][1] = static_cast<int>(difference);
    }
    out0[0] = rangeLimit(results[0][0]);
    out0[1] = rangeLimit(results[0][1]);
    out1[0] = rangeLimit(results[1][0]);
    out1[1] = rangeLimit(results[1][1]);
    return true;
}


} // namespace

QImage decodeJpegAtEighth(const QByteArray &bytes, ChromaDetail chroma)
{
    const auto *d = reinterpret_cast<const uint8_t *>(bytes.constData());
    const size_t n = static_cast<size_t>(bytes.size());
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return QImage();

    const ScratchUse scratch;
    Frame &frame = scratch->frame;
    const size_t entropyStart = readHeaders(frame, d, n);
    if (!entropyStart)
        return QImage();
    const bool grey = frame.count == 1;
    if (!grey) {
        if (frame.sawAdobe)
            return QImage();
        const Component *c = frame.components;
        if (!frame.sawJfif && c[0].id == 'R' && c[1].id == 'G' && c[2].id == 'B')
            return QImage();
        // The layouts TurboJPEG names in their usual form: chroma 1 x 1, luma 1 x 1, 2 x 1,
        // 2 x 2, 1 x 2 or 4 x 1.
        const int lumaH = c[0].h;
        const int lumaV = c[0].v;
        const bool named = (lumaH == 1 && (lumaV == 1 || lumaV == 2))
            || (lumaH == 2 && (lumaV == 1 || lumaV == 2)) || (lumaH == 4 && lumaV == 1);
        if (!named || c[1].h != 1 || c[1].v != 1 || c[2].h != 1 || c[2].v != 1)
            return QImage();
    }

    // Geometry, as libjpeg lays out a 1/8-scale decode.
    int maxH = 1;
    int maxV = 1;
    for (int i = 0; i < frame.count; ++i) {
        maxH = std::max(maxH, frame.components[i].h);
        maxV = std::max(maxV, frame.components[i].v);
    }
    const auto ceilDiv = [](int a, int b) { return (a + b - 1) / b; };
    const int outWidth = ceilDiv(frame.width, 8);
    const int outHeight = ceilDiv(frame.height, 8);
    int mcusWide = 0;
    int mcusHigh = 0;
    int blocksInMcu = 0;
    for (int i = 0; i < frame.count; ++i) {
        Component &c = frame.components[i];
        if (grey) {
            // A single-component scan is not interleaved: one block per MCU.
            c.blocksWide = ceilDiv(ceilDiv(frame.width * c.h, maxH), 8);
            c.blocksHigh = ceilDiv(ceilDiv(frame.height * c.v, maxV), 8);
            mcusWide = c.blocksWide;
            mcusHigh = c.blocksHigh;
            blocksInMcu = 1;
        } else {
            mcusWide = ceilDiv(frame.width, 8 * maxH);
            mcusHigh = ceilDiv(frame.height, 8 * maxV);
            c.blocksWide = mcusWide * c.h;
            c.blocksHigh = mcusHigh * c.v;
            blocksInMcu += c.h * c.v;
        }
        // A component sampled at half the luma's rate both ways is decoded at 2 x 2 per block,
        // as libjpeg does, unless its DC value alone is asked for (then it is expanded instead).
        const bool dcOnly = chroma == ChromaDetail::DcOnly && i > 0;
        while (!dcOnly && c.scale < 8 && maxH % (c.h * c.scale * 2) == 0 && maxV % (c.v * c.scale * 2) == 0)
            c.scale *= 2;
        if (c.scale > 2 || maxH % (c.h * c.scale) != 0 || maxV % (c.v * c.scale) != 0)
            return QImage();
        c.expandH = maxH / (c.h * c.scale);
        c.expandV = maxV / (c.v * c.scale);
        if (grey) {
            c.expandH = 1;
            c.expandV = 1;
        }
        if ((c.expandH != 1 && c.expandH != 2 && c.expandH != 4)
            || (c.expandV != 1 && c.expandV != 2 && c.expandV != 4))
            return QImage();
        c.shiftH = c.expandH == 4 ? 2 : c.expandH - 1;
        c.shiftV = c.expandV == 4 ? 2 : c.expandV - 1;
        if (!frame.quantDefined[c.quantTable] || !frame.dc[c.dcTable].defined || !frame.ac[c.acTable].defined)
            return QImage();
        if (int64_t(c.blocksWide) * c.scale <= (outWidth - 1) / c.expandH
            || int64_t(c.blocksHigh) * c.scale <= (outHeight - 1) / c.expandV)
            return QImage();
        c.plane.assign(
            static_cast<size_t>(c.blocksWide) * c.scale * static_cast<size_t>(c.blocksHigh) * c.scale, 0);
    }
    if (blocksInMcu > MaxBlocksInMcu)
        return QImage();

    // Tables in use, built and checked as libjpeg builds them at the start of the scan.
    HuffmanTable *dcTables[MaxComponents];
    HuffmanTable *acTables[MaxComponents];
    bool built[2][4] = {};
    for (int i = 0; i < frame.count; ++i) {
        Component &c = frame.components[i];
        if (!built[0][c.dcTable] && !frame.dc[c.dcTable].build(true))
            return QImage();
        if (!built[1][c.acTable] && !frame.ac[c.acTable].build(false))
            return QImage();
        built[0][c.dcTable] = built[1][c.acTable] = true;
        dcTables[i] = &frame.dc[c.dcTable];
        acTables[i] = &frame.ac[c.acTable];
    }

    std::vector<uint8_t> &data = scratch->data;
    std::vector<size_t> &segmentEnds = scratch->segmentEnds;
    if (!destuff(d, n, entropyStart, frame.restartInterval > 0, data, segmentEnds))
        return QImage();
    const int64_t totalMcus = int64_t(mcusWide) * mcusHigh;
    const int64_t interval = frame.restartInterval > 0 ? frame.restartInterval : totalMcus;
    if (static_cast<int64_t>(segmentEnds.size()) != (totalMcus + interval - 1) / interval)
        return QImage();
    const size_t dataBits = (data.size() - Padding) * 8;

    // Quantisation values as libjpeg's islow inverse DCT holds them (16-bit signed): the DC
    // value, and the 25 the 2 x 2 inverse DCT uses.
    int16_t dcQuant[MaxComponents];
    int16_t usedQuant[MaxComponents][25];
    for (int i = 0; i < frame.count; ++i) {
        const uint16_t *table = frame.quant[frame.components[i].quantTable];
        dcQuant[i] = static_cast<int16_t>(table[0]);
        for (int r = 0; r < 5; ++r) {
            for (int c = 0; c < 5; ++c)
                usedQuant[i][r * 5 + c] = static_cast<int16_t>(table[UsedLines[r] * 8 + UsedLines[c]]);
        }
    }

    // The blocks of one MCU in stream order, each with its tables and its place in the
    // component's plane relative to the MCU's corner.
    struct BlockStep
    {
        int component;
        const HuffmanTable *dc;
        const HuffmanTable *ac;
        bool reduced; // a 2 x 2 inverse DCT; otherwise the DC value alone
        bool bounded; // the DC value alone where libjpeg would run the 2 x 2 inverse DCT
        uint8_t *corner; // the plane's first sample
        size_t stride; // samples per plane row
        size_t offset; // from the MCU's corner
        size_t across; // from one MCU to the next in a row
        size_t down; // from one MCU row to the next
    };
    BlockStep steps[MaxBlocksInMcu];
    int stepCount = 0;
    for (int i = 0; i < frame.count; ++i) {
        Component &c = frame.components[i];
        const int blocksH = grey ? 1 : c.h;
        const int blocksV = grey ? 1 : c.v;
        const size_t stride = static_cast<size_t>(c.blocksWide) * c.scale;
        for (int by = 0; by < blocksV; ++by) {
            for (int bx = 0; bx < blocksH; ++bx) {
                BlockStep &step = steps[stepCount++];
                step.component = i;
                step.dc = dcTables[i];
                step.ac = acTables[i];
                step.reduced = c.scale != 1;
                step.bounded = c.scale == 1 && c.expandH == 2 && c.expandV == 2;
                step.corner = c.plane.data();
                step.stride = stride;
                step.offset = static_cast<size_t>(by * c.scale) * stride + static_cast<size_t>(bx * c.scale);
                step.across = static_cast<size_t>(blocksH * c.scale);
                step.down = static_cast<size_t>(blocksV * c.scale) * stride;
            }
        }
    }

    BitReader reader;
    reader.data = data.data();
    int64_t mcu = 0;
    int mx = 0;
    int my = 0;
    size_t segmentStart = 0;
    for (const size_t segmentEnd : segmentEnds) {
        reader.pos = segmentStart;
        reader.acc = 0;
        reader.bits = 0;
        uint32_t predictor[MaxComponents] = {};
        const int64_t last = std::min(totalMcus, mcu + interval);
        for (; mcu < last; ++mcu) {
            for (int b = 0; b < stepCount; ++b) {
                const BlockStep &step = steps[b];
                reader.refill();
                const uint32_t whole = step.dc->difference[reader.peek(SkipBits)];
                int diff = 0;
                if (whole) {
                    reader.consume(static_cast<int>(whole & 0xFF));
                    diff = static_cast<int32_t>(whole) >> 8;
                } else {
                    const int size = decodeSymbol(reader, *step.dc);
                    if (size < 0)
                        return QImage();
                    diff = size ? extendValue(reader.take(size), size) : 0;
                }
                predictor[step.component] += static_cast<uint32_t>(diff);
                const auto dc = static_cast<int16_t>(static_cast<uint16_t>(predictor[step.component]));
                uint8_t *out = step.corner + static_cast<size_t>(my) * step.down
                    + static_cast<size_t>(mx) * step.across + step.offset;
                if (!step.reduced) {
                    if (!skipAc(reader, *step.ac))
                        return QImage();
                    const int value = int(dc) * int(dcQuant[step.component]);
                    // The bounds inverseDct2x2() keeps for a DC alone (4 x the value within 16
                    // bits, the sample within +-384), which only damaged data passes.
                    if (step.bounded && (value < -3076 || value > 3067))
                        return QImage();
                    *out = rangeLimit((value + 4) >> 3);
                } else {
                    int16_t used[26];
                    used[0] = dc;
                    uint32_t kept = 0;
                    if (!decodeAc(reader, *step.ac, used, kept)
                        || !inverseDct2x2(used, kept, usedQuant[step.component], out, out + step.stride))
                        return QImage();
                }
            }
            // Past the data: no clean stream gets here, and stopping keeps every read inside
            // the padding (an MCU uses far fewer bits than the padding holds).
            if (reader.consumedSince(0) > dataBits)
                return QImage();
            if (++mx == mcusWide) {
                mx = 0;
                ++my;
            }
        }
        // Every bit used lies in this segment, and at most the padding of one byte is left.
        const size_t available = (segmentEnd - segmentStart) * 8;
        const size_t used = reader.consumedSince(segmentStart);
        if (used > available || available - used >= 8)
            return QImage();
        segmentStart = segmentEnd;
    }

    QImage image(outWidth, outHeight, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    if (grey) {
        const Component &c = frame.components[0];
        const size_t stride = static_cast<size_t>(c.blocksWide) * c.scale;
        for (int y = 0; y < outHeight; ++y) {
            auto *line = reinterpret_cast<uint32_t *>(image.scanLine(y));
            const uint8_t *row = c.plane.data() + static_cast<size_t>(y) * stride;
            for (int x = 0; x < outWidth; ++x)
                line[x] = 0xFF000000u | (uint32_t(row[x]) * 0x010101u);
        }
        return image;
    }

    // YCbCr to RGB with libjpeg's tables.
    int crR[256];
    int cbB[256];
    int32_t crG[256];
    int32_t cbG[256];
    for (int i = 0; i < 256; ++i) {
        const int64_t x = i - 128;
        crR[i] = static_cast<int>((91881 * x + 32768) >> 16);
        cbB[i] = static_cast<int>((116130 * x + 32768) >> 16);
        crG[i] = static_cast<int32_t>(-46802 * x);
        cbG[i] = static_cast<int32_t>(-22554 * x + 32768);
    }
    const Component &cy = frame.components[0];
    const Component &ccb = frame.components[1];
    const Component &ccr = frame.components[2];
    const size_t strideY = static_cast<size_t>(cy.blocksWide) * cy.scale;
    const size_t strideCb = static_cast<size_t>(ccb.blocksWide) * ccb.scale;
    const size_t strideCr = static_cast<size_t>(ccr.blocksWide) * ccr.scale;
    for (int y = 0; y < outHeight; ++y) {
        auto *line = reinterpret_cast<uint32_t *>(image.scanLine(y));
        const uint8_t *rowY = cy.plane.data() + static_cast<size_t>(y >> cy.shiftV) * strideY;
        const uint8_t *rowCb = ccb.plane.data() + static_cast<size_t>(y >> ccb.shiftV) * strideCb;
        const uint8_t *rowCr = ccr.plane.data() + static_cast<size_t>(y >> ccr.shiftV) * strideCr;
        for (int x = 0; x < outWidth; ++x) {
            const int luma = rowY[x >> cy.shiftH];
            const int cb = rowCb[x >> ccb.shiftH];
            const int cr = rowCr[x >> ccr.shiftH];
            const int r = clampSample(luma + crR[cr]);
            const int g = clampSample(luma + ((cbG[cb] + crG[cr]) >> 16));
            const int b = clampSample(luma + cbB[cb]);
            line[x] = 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
        }
    }
    return image;
}
