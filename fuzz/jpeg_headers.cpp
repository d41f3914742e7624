// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG header walk on arbitrary bytes. Besides crashes and sanitizer reports (it must
// never read outside the bytes), a broken promise aborts: segments lie inside the stream in
// order, a complete walk ends with an EOI after a frame and a scan, the walk stops at the
// first scan over its limit, and where libjpeg reads the same header it finds the same size.

#include "imaging/JpegDecompressor.h"
#include "imaging/JpegHeaderWalk.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int ScanLimit = 8;

// libjpeg's reading of the header up to the first scan: true with the size when it succeeds.
bool libjpegHeader(const QByteArray &bytes, int *width, int *height)
{
    JpegDecompressor d(bytes, 0);
    if (!d.readHeader())
        return false;
    *width = int(d.info.image_width);
    *height = int(d.info.image_height);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype previousEnd = 0;
    quint8 lastMarker = 0;
    int segments = 0;
    const JpegHeaders headers = walkJpegHeaders(bytes, ScanLimit, [&](const JpegSegment &segment) {
        // SOI, EOI and TEM have no length field; every other segment has one.
        const bool bare = segment.marker == 0xD8 || segment.marker == 0xD9 || segment.marker == 0x01;
        const qsizetype header = bare ? 2 : 4;
        if (segment.offset < previousEnd || segment.payload != segment.offset + header
            || (bare && segment.length != 0) || segment.length < 0
            || segment.payload + segment.length > qsizetype(size))
            std::abort();
        if (segments == 0 && (segment.marker != 0xD8 || segment.offset != 0))
            std::abort();
        previousEnd = segment.payload + segment.length;
        lastMarker = segment.marker;
        ++segments;
    });
    using End = JpegHeaders::End;
    if (headers.scans > ScanLimit + 1
        || (headers.end == End::TooManyScans) != (headers.scans == ScanLimit + 1))
        std::abort();
    if (headers.end == End::Complete
        && (lastMarker != 0xD9 || headers.scans < 1 || headers.frameMarker == 0
            || headers.components.isEmpty() || headers.width < 1 || headers.height < 1))
        std::abort();
    for (const JpegComponent &component : headers.components) {
        if (component.horizontal < 1 || component.horizontal > 4 || component.vertical < 1
            || component.vertical > 4)
            std::abort();
    }
    int width = 0;
    int height = 0;
    if (headers.end == End::Complete && libjpegHeader(bytes, &width, &height)
        && (width != headers.width || height != headers.height))
        std::abort();
    return 0;
}
