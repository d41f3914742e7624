// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

// The marker structure of a JPEG stream, read without decoding anything: the bounds a picture
// decoder checks before it does any work. The walk follows the marker segments by their
// lengths and skips entropy-coded data to the next marker, going from one 0xFF byte to the
// next (std::memchr) and passing over stuffed bytes (FF 00), restart markers and fill bytes as
// a decoder does; bytes between segments that are not a marker are passed over too. Every
// byte is looked at a bounded number of times: its time is linear in the stream. It allocates
// nothing beyond the component list and never reads outside the stream.

// One marker segment.
struct JpegSegment
{
    quint8 marker = 0; // the byte after 0xFF, e.g. 0xC0 for SOF0, 0xDB for DQT
    qsizetype offset = 0; // position of the marker's 0xFF in the stream
    qsizetype payload = 0; // position of the first byte after the two length bytes
    qsizetype length = 0; // payload bytes; 0 for markers without a length (SOI, EOI, TEM)
};

// One component of the frame.
struct JpegComponent
{
    quint8 id = 0;
    int horizontal = 1; // sampling factors, 1..4
    int vertical = 1;
};

struct JpegHeaders
{
    enum class End {
        Complete, // an EOI closes the picture after a frame and at least one scan
        CutShort, // the stream ends before an EOI, or an EOI comes before any scan
        Malformed, // a rule every decoder enforces is broken (see walkJpegHeaders)
        TooManyScans, // more scans than the limit; the walk stopped at the first one over it
    };

    End end = End::CutShort;
    quint8 frameMarker = 0; // the SOFn marker (0xC0..0xCF but DHT, JPG, DAC); 0 if none
    int precision = 0; // sample precision of the frame in bits (8 for ordinary JPEG)
    int width = 0; // size the frame declares, in pixels
    int height = 0;
    QList<JpegComponent> components;
    int scans = 0; // SOS segments met

    // Whether the frame is progressive (SOF2, SOF6, SOF10, SOF14).
    bool progressive() const;
    // Whether a decoder keeps the coefficients of the whole picture: progressive, or more
    // than one scan.
    bool buffersCoefficients() const { return progressive() || scans > 1; }
    int maxHorizontal() const;
    int maxVertical() const;
};

// Called for each segment, in stream order, from SOI through EOI (restart markers inside
// entropy-coded data are not segments).
using JpegSegmentVisitor = std::function<void(const JpegSegment &)>;

// Walks `stream`, which must begin with SOI. Malformed: no SOI at the start, a second SOI, a
// length field shorter than its own two bytes, a second frame, a frame with a zero side, no
// component or sampling factors outside 1..4, a frame or scan header whose length does not
// match its component count, a scan of 0 or more than 4 components or before the frame.
// Stops at the first scan beyond `scanLimit`, at EOI, or at the first fault.
JpegHeaders walkJpegHeaders(const QByteArray &stream, int scanLimit, const JpegSegmentVisitor &visit = {});
