#pragma once

#include <QByteArray>
#include <QList>

// One marker segment of a JPEG stream.
struct JpegSegment
{
    quint8 marker = 0; // the byte after 0xFF, e.g. 0xC0 for SOF0, 0xDB for DQT
    qsizetype offset = 0; // position of the marker's 0xFF in the stream
    qsizetype payload = 0; // position of the first byte after the two length bytes
    qsizetype length = 0; // payload bytes; 0 for markers without a length (SOI, EOI, RSTn)
};

// The marker structure of a JPEG stream, read without decoding any pixel: what a decoder
// meets from SOI to EOI, stuffed and fill bytes and restart markers skipped as a decoder
// skips them.
struct JpegLayout
{
    bool startsWithSoi = false; // the stream begins with FF D8
    bool complete = false; // every segment is whole and an EOI closes the picture
    bool malformed = false; // a length field shorter than its own two bytes, a second SOI
    quint8 frameMarker = 0; // the first SOFn marker (0xC0..0xCF but DHT, JPG, DAC); 0 if none
    int precision = 0; // sample precision of that frame in bits (8 for ordinary JPEG)
    int width = 0; // size the frame declares, in pixels
    int height = 0;
    int components = 0;
    int scans = 0; // SOS segments met
    QList<JpegSegment> segments;

    // The payload bytes of the first segment with `marker`, empty when there is none.
    QByteArray payloadOf(const QByteArray &stream, quint8 marker) const;
    int countOf(quint8 marker) const;
};

// Walks the marker segments of `stream`. Never reads outside it; a stream cut anywhere
// gives complete = false.
JpegLayout scanJpegLayout(const QByteArray &stream);
