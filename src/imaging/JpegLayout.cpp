#include "imaging/JpegLayout.h"

#include "imaging/JpegMarkerScan.h"

namespace {

constexpr quint8 Soi = 0xD8;
constexpr quint8 Eoi = 0xD9;
constexpr quint8 Sos = 0xDA;
constexpr quint8 Tem = 0x01;

bool isRestart(quint8 marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

bool isStartOfFrame(quint8 marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

quint8 byteAt(const QByteArray &stream, qsizetype pos)
{
    return static_cast<quint8>(stream[pos]);
}

// Position of the next marker's 0xFF at or after `pos` outside entropy-coded data, as a
// decoder looks for it: stray bytes and stuffed FF 00 pairs are skipped. -1 when the stream ends.
qsizetype nextMarker(const QByteArray &stream, qsizetype pos)
{
    const qsizetype size = stream.size();
    while (pos < size) {
        if (byteAt(stream, pos) != 0xFF) {
            ++pos;
            continue;
        }
        qsizetype code = pos + 1;
        while (code < size && byteAt(stream, code) == 0xFF)
            ++code;
        if (code >= size)
            return -1;
        if (byteAt(stream, code) != 0x00)
            return code - 1;
        pos = code + 1;
    }
    return -1;
}

// Position of the first marker after the entropy-coded data that starts at `pos`: an 0xFF
// followed by neither 0x00 (a stuffed byte), 0xFF (fill) nor a restart marker. -1 when the
// stream ends first. Jumps over stuffed pairs to the next other 0xFF: the data between holds no
// marker.
qsizetype endOfEntropyData(const QByteArray &stream, qsizetype pos)
{
    const qsizetype size = stream.size();
    const auto *data = reinterpret_cast<const uint8_t *>(stream.constData());
    while (pos + 1 < size) {
        pos = static_cast<qsizetype>(
            JpegMarkerScan::findUnstuffedFF(data, static_cast<size_t>(pos), static_cast<size_t>(size - 1)));
        if (pos == size - 1)
            return -1;
        const quint8 next = byteAt(stream, pos + 1);
        if (isRestart(next) || next == 0xFF) {
            ++pos;
            continue;
        }
        return pos;
    }
    return -1;
}

} // namespace

QByteArray JpegLayout::payloadOf(const QByteArray &stream, quint8 marker) const
{
    for (const JpegSegment &segment : segments) {
        if (segment.marker == marker)
            return stream.mid(segment.payload, segment.length);
    }
    return QByteArray();
}

int JpegLayout::countOf(quint8 marker) const
{
    int count = 0;
    for (const JpegSegment &segment : segments)
        count += segment.marker == marker ? 1 : 0;
    return count;
}

JpegLayout scanJpegLayout(const QByteArray &stream)
{
    JpegLayout layout;
    const qsizetype size = stream.size();
    if (size < 2 || byteAt(stream, 0) != 0xFF || byteAt(stream, 1) != Soi)
        return layout;
    layout.startsWithSoi = true;
    layout.segments.append({Soi, 0, 2, 0});

    qsizetype pos = 2;
    for (;;) {
        const qsizetype at = nextMarker(stream, pos);
        if (at < 0)
            return layout;
        qsizetype code = at + 1;
        while (byteAt(stream, code) == 0xFF) // nextMarker guarantees a non-FF byte follows
            ++code;
        const quint8 marker = byteAt(stream, code);
        pos = code + 1;

        if (marker == Eoi) {
            layout.segments.append({marker, at, pos, 0});
            layout.complete = true;
            return layout;
        }
        if (marker == Soi) {
            layout.malformed = true;
            return layout;
        }
        if (isRestart(marker) || marker == Tem) {
            layout.segments.append({marker, at, pos, 0});
            continue;
        }

        if (pos + 2 > size)
            return layout;
        const qsizetype fieldLength = (qsizetype(byteAt(stream, pos)) << 8) | byteAt(stream, pos + 1);
        if (fieldLength < 2) {
            layout.malformed = true;
            return layout;
        }
        const qsizetype payload = pos + 2;
        const qsizetype length = fieldLength - 2;
        if (payload + length > size)
            return layout;
        layout.segments.append({marker, at, payload, length});
        pos = payload + length;

        if (isStartOfFrame(marker) && layout.frameMarker == 0 && length >= 6) {
            layout.frameMarker = marker;
            layout.precision = byteAt(stream, payload);
            layout.height = (byteAt(stream, payload + 1) << 8) | byteAt(stream, payload + 2);
            layout.width = (byteAt(stream, payload + 3) << 8) | byteAt(stream, payload + 4);
            layout.components = byteAt(stream, payload + 5);
        }
        if (marker == Sos) {
            ++layout.scans;
            pos = endOfEntropyData(stream, pos);
            if (pos < 0)
                return layout;
        }
    }
}
