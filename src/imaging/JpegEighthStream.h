#pragma once

// The stream side of the 1/8-scale JPEG decoder (JpegEighthDecoder.cpp): the frame and
// tables read from the header segments, the destuffed entropy data, and what a thread keeps
// of them between decodes. Internal to the imaging library.

#include "imaging/JpegHuffmanTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace JpegEighth {

// Zero bytes after the entropy data. One block reads at most 64 x 32 bits, an MCU of ten
// blocks 2560 bytes, and refills look 8 bytes ahead.
constexpr size_t Padding = 4096;
constexpr int MaxComponents = 3;
constexpr int MaxBlocksInMcu = 10;

struct Component
{
    int id = 0;
    int h = 1;
    int v = 1;
    int quantTable = 0;
    int dcTable = 0;
    int acTable = 0;
    int scale = 1; // samples per block side at 1/8: 1, or 2 when libjpeg scales this component up
    int expandH = 1; // output pixels per sample: 1, 2 or 4
    int expandV = 1;
    int shiftH = 0; // log2 of expandH and expandV
    int shiftV = 0;
    int blocksWide = 0;
    int blocksHigh = 0;
    std::vector<uint8_t> plane; // (blocksWide * scale) x (blocksHigh * scale) samples
};

struct Frame
{
    bool haveFrame = false;
    bool sawJfif = false;
    bool sawAdobe = false;
    int width = 0;
    int height = 0;
    int count = 0;
    Component components[MaxComponents];
    uint16_t quant[4][64] = {};
    bool quantDefined[4] = {};
    HuffmanTable dc[4];
    HuffmanTable ac[4];
    int restartInterval = 0;

    // Forgets the last stream's headers; keeps the planes' memory and the built tables.
    void startStream()
    {
        haveFrame = sawJfif = sawAdobe = false;
        width = height = count = restartInterval = 0;
        for (Component &c : components) {
            std::vector<uint8_t> plane = std::move(c.plane);
            c = Component();
            c.plane = std::move(plane);
        }
        std::fill(std::begin(quantDefined), std::end(quantDefined), false);
        for (int i = 0; i < 4; ++i)
            dc[i].defined = ac[i].defined = false;
    }
};

// What one thread keeps between decodes: the frame with its tables (about 270 KB) and the
// destuffed entropy data, so that a decode neither maps fresh pages nor rebuilds the tables
// a camera sends with every picture. Buffers grown past KeepBytes by a large picture are
// released when its decode ends.
struct Scratch
{
    static constexpr size_t KeepBytes = size_t(4) << 20;

    Frame frame;
    std::vector<uint8_t> data;
    std::vector<size_t> segmentEnds;

    void trim()
    {
        if (data.capacity() > KeepBytes)
            std::vector<uint8_t>().swap(data);
        for (Component &c : frame.components) {
            if (c.plane.capacity() > KeepBytes)
                std::vector<uint8_t>().swap(c.plane);
        }
        if (segmentEnds.capacity() > KeepBytes / sizeof(size_t))
            std::vector<size_t>().swap(segmentEnds);
    }
};

// Trims the thread's scratch on every way out of a decode.
class ScratchUse
{
public:
    ScratchUse();
    ~ScratchUse() { m_scratch->trim(); }
    ScratchUse(const ScratchUse &) = delete;
    ScratchUse &operator=(const ScratchUse &) = delete;
    Scratch *operator->() const { return m_scratch; }

private:
    Scratch *m_scratch;
};

// Reads the header segments up to and including SOS; returns the offset of the entropy data
// or 0 when the stream is not one this decoder takes.
size_t readHeaders(Frame &frame, const uint8_t *d, size_t n);

// The entropy-coded data from `start` with stuffed bytes removed, cut at the restart markers,
// followed by Padding zero bytes. False unless the markers inside are RST0..RST7 in order
// (only with a restart interval) and an EOI ends the data.
bool destuff(const uint8_t *d, size_t n, size_t start, bool restarts, std::vector<uint8_t> &out,
    std::vector<size_t> &segmentEnds);

} // namespace JpegEighth
