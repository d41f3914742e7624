// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegHeaderWalk.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr quint8 Soi = 0xD8;
constexpr quint8 Eoi = 0xD9;
constexpr quint8 Sos = 0xDA;
constexpr quint8 Tem = 0x01;

bool isFrameMarker(quint8 marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool isRestart(quint8 marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

class Walker
{
public:
    Walker(const QByteArray &stream, int scanLimit, const JpegSegmentVisitor &visit)
        : m_data(reinterpret_cast<const quint8 *>(stream.constData()))
        , m_size(stream.size())
        , m_scanLimit(scanLimit)
        , m_visit(visit)
    {
    }

    JpegHeaders run();

private:
    using End = JpegHeaders::End;

    // Position of the 0xFF of the next marker at or after `pos`, passing over other bytes,
    // stuffed FF 00 pairs, fill bytes and restart markers; m_size when there is none.
    qsizetype nextMarker(qsizetype pos) const;
    int word(qsizetype pos) const { return (m_data[pos] << 8) | m_data[pos + 1]; }
    bool readFrame(const JpegSegment &segment);
    bool readScanHeader(const JpegSegment &segment) const;
    void visit(const JpegSegment &segment) const
    {
        if (m_visit)
            m_visit(segment);
    }

    const quint8 *m_data;
    const qsizetype m_size;
    const int m_scanLimit;
    const JpegSegmentVisitor &m_visit;
    JpegHeaders m_out;
};

qsizetype Walker::nextMarker(qsizetype pos) const
{
    while (pos + 1 < m_size) {
        const void *found = std::memchr(m_data + pos, 0xFF, size_t(m_size - 1 - pos));
        if (!found)
            return m_size;
        pos = static_cast<const quint8 *>(found) - m_data;
        const quint8 next = m_data[pos + 1];
        if (next == 0xFF) {
            ++pos; // a fill byte; the marker may follow
        } else if (next == 0x00 || isRestart(next)) {
            pos += 2;
        } else {
            return pos;
        }
    }
    return m_size;
}

bool Walker::readFrame(const JpegSegment &segment)
{
    if (segment.length < 6)
        return false;
    const qsizetype p = segment.payload;
    const int count = m_data[p + 5];
    if (count == 0 || segment.length != 6 + 3 * qsizetype(count))
        return false;
    m_out.frameMarker = segment.marker;
    m_out.precision = m_data[p];
    m_out.height = word(p + 1);
    m_out.width = word(p + 3);
    if (m_out.width == 0 || m_out.height == 0)
        return false;
    m_out.components.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qsizetype c = p + 6 + 3 * qsizetype(i);
        JpegComponent component;
        component.id = m_data[c];
        component.horizontal = m_data[c + 1] >> 4;
        component.vertical = m_data[c + 1] & 0x0F;
        if (component.horizontal < 1 || component.horizontal > 4 || component.vertical < 1
            || component.vertical > 4)
            return false;
        m_out.components.append(component);
    }
    return true;
}

bool Walker::readScanHeader(const JpegSegment &segment) const
{
    if (m_out.frameMarker == 0 || segment.length < 1)
        return false;
    const int count = m_data[segment.payload];
    return count >= 1 && count <= 4 && segment.length == 4 + 2 * qsizetype(count);
}

JpegHeaders Walker::run()
{
    m_out.end = End::CutShort;
    if (m_size < 2 || m_data[0] != 0xFF || m_data[1] != Soi) {
        m_out.end = m_size < 2 ? End::CutShort : End::Malformed;
        return m_out;
    }
    visit({Soi, 0, 2, 0});
    qsizetype pos = 2;
    for (;;) {
        pos = nextMarker(pos);
        if (pos >= m_size)
            return m_out; // cut short
        JpegSegment segment;
        segment.marker = m_data[pos + 1];
        segment.offset = pos;
        segment.payload = pos + 2;
        if (segment.marker == Soi) {
            m_out.end = End::Malformed;
            return m_out;
        }
        if (segment.marker == Eoi) {
            visit(segment);
            if (m_out.scans > 0)
                m_out.end = End::Complete;
            return m_out;
        }
        if (segment.marker != Tem) {
            if (pos + 4 > m_size)
                return m_out;
            segment.length = word(pos + 2) - 2;
            segment.payload = pos + 4;
            if (segment.length < 0) {
                m_out.end = End::Malformed;
                return m_out;
            }
            if (segment.length > m_size - segment.payload)
                return m_out;
        }
        if (isFrameMarker(segment.marker) && (m_out.frameMarker != 0 || !readFrame(segment))) {
            m_out.end = End::Malformed;
            return m_out;
        }
        if (segment.marker == Sos) {
            if (!readScanHeader(segment)) {
                m_out.end = End::Malformed;
                return m_out;
            }
            if (++m_out.scans > m_scanLimit) {
                m_out.end = End::TooManyScans;
                return m_out;
            }
        }
        visit(segment);
        // Entropy-coded data after a scan header is passed over by nextMarker().
        pos = segment.payload + segment.length;
    }
}

} // namespace

bool JpegHeaders::progressive() const
{
    return frameMarker == 0xC2 || frameMarker == 0xC6 || frameMarker == 0xCA || frameMarker == 0xCE;
}

int JpegHeaders::maxHorizontal() const
{
    int most = 1;
    for (const JpegComponent &component : components)
        most = std::max(most, component.horizontal);
    return most;
}

int JpegHeaders::maxVertical() const
{
    int most = 1;
    for (const JpegComponent &component : components)
        most = std::max(most, component.vertical);
    return most;
}

JpegHeaders walkJpegHeaders(const QByteArray &stream, int scanLimit, const JpegSegmentVisitor &visit)
{
    return Walker(stream, scanLimit, visit).run();
}
