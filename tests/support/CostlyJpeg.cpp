// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CostlyJpeg.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

struct Errors
{
    jpeg_error_mgr pub;
    std::jmp_buf escape;
};

[[noreturn]] void errorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Errors *>(info->err)->escape, 1);
}

// The value of a pixel of component `c` in a picture whose 8 x 8 blocks are of one value each
// (smooth gradients from block to block), or with grain on every pixel.
using Painter = unsigned char (*)(int x, int y, int c);

unsigned char blockShade(int x, int y, int c)
{
    const int bx = x / 8;
    const int by = y / 8;
    return static_cast<unsigned char>((bx * (3 + c) + by * (5 - c) + c * 40) & 0xFF);
}

unsigned char grainyScene(int x, int y, int c)
{
    const unsigned hash = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u) ^ (unsigned(c) * 83492791u);
    const int grain = int(hash % 41) - 20;
    const int base = c == 0 ? 60 + x / 16 : c == 1 ? 90 + y / 8 : 200 - (x + y) / 24;
    const int blockPattern = ((x / 96 + y / 64) % 3) * 30;
    return static_cast<unsigned char>(qBound(0, base + blockPattern + grain, 255));
}

struct Settings
{
    int width = 0;
    int height = 0;
    int components = 3; // 1 grey, 3 YCbCr from RGB, 4 CMYK
    int quality = 85;
    bool progressive = false; // libjpeg's standard script unless `script` is set
    std::vector<jpeg_scan_info> script;
    Painter paint = grainyScene;
};

// The encode, with nothing between setjmp and longjmp that needs a destructor.
bool encodeInto(jpeg_compress_struct &info, Errors &errors, const Settings &settings, unsigned char *row,
    unsigned char **out, unsigned long *size)
{
    if (setjmp(errors.escape))
        return false;
    jpeg_mem_dest(&info, out, size);
    info.image_width = JDIMENSION(settings.width);
    info.image_height = JDIMENSION(settings.height);
    info.input_components = settings.components;
    info.in_color_space = settings.components == 1 ? JCS_GRAYSCALE
        : settings.components == 3                 ? JCS_RGB
                                                   : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, settings.quality, TRUE);
    if (settings.components != 3) {
        for (int c = 0; c < info.num_components; ++c) {
            info.comp_info[c].h_samp_factor = 1;
            info.comp_info[c].v_samp_factor = 1;
        }
    }
    if (!settings.script.empty()) {
        info.scan_info = settings.script.data();
        info.num_scans = int(settings.script.size());
    } else if (settings.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < settings.width; ++x) {
            for (int c = 0; c < settings.components; ++c)
                row[x * settings.components + c] = settings.paint(x, y, c);
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

QByteArray encode(const Settings &settings)
{
    jpeg_compress_struct info {};
    Errors errors {};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = errorExit;
    jpeg_create_compress(&info);
    std::vector<unsigned char> row(size_t(settings.width) * size_t(settings.components));
    unsigned char *out = nullptr;
    unsigned long size = 0;
    const bool ok = encodeInto(info, errors, settings, row.data(), &out, &size);
    jpeg_destroy_compress(&info);
    QByteArray bytes = ok ? QByteArray(reinterpret_cast<const char *>(out), qsizetype(size)) : QByteArray();
    std::free(out);
    return bytes;
}

// A scan of components first .. first + count - 1.
jpeg_scan_info scan(int first, int count, int ss, int se, int ah, int al)
{
    jpeg_scan_info info {};
    for (int c = first; c < first + count; ++c)
        info.component_index[info.comps_in_scan++] = c;
    info.Ss = ss;
    info.Se = se;
    info.Ah = ah;
    info.Al = al;
    return info;
}

// Positions of the marker segments libjpeg's encoder wrote before its first scan's data:
// (marker, offset of its 0xFF, length with the length bytes).
struct Segment
{
    quint8 marker;
    qsizetype offset;
    qsizetype length;
};

QList<Segment> headerSegments(const QByteArray &jpeg)
{
    QList<Segment> segments;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && quint8(jpeg[pos]) == 0xFF) {
        const quint8 marker = quint8(jpeg[pos + 1]);
        const qsizetype length = (quint8(jpeg[pos + 2]) << 8) | quint8(jpeg[pos + 3]);
        segments.append({marker, pos, length});
        if (marker == 0xDA)
            break;
        pos += 2 + length;
    }
    return segments;
}

QByteArray make(CostlyJpeg kind)
{
    switch (kind) {
    case CostlyJpeg::GreyProgressive499Scans:
        return progressiveJpeg(8192, 4096, 1, 499);
    case CostlyJpeg::GreyProgressive600Scans:
        return progressiveJpeg(8192, 4096, 1, 600);
    case CostlyJpeg::GreyProgressive10Scans:
        return progressiveJpeg(8192, 4096, 1, 10);
    case CostlyJpeg::CmykProgressive3000Scans:
        return progressiveJpeg(1024, 1024, 4, 3000);
    case CostlyJpeg::CmykProgressiveLarge:
        return progressiveJpeg(8192, 4096, 4, 9);
    case CostlyJpeg::Wide65535:
        return wideGreyJpeg(65535);
    case CostlyJpeg::Wide65500:
        return wideGreyJpeg(65500);
    case CostlyJpeg::Camera:
    case CostlyJpeg::CameraProgressive:
    case CostlyJpeg::CameraCmyk: {
        Settings settings;
        settings.width = 1920;
        settings.height = 1080;
        settings.progressive = kind == CostlyJpeg::CameraProgressive;
        settings.components = kind == CostlyJpeg::CameraCmyk ? 4 : 3;
        return encode(settings);
    }
    }
    return QByteArray();
}

} // namespace

QByteArray costlyJpeg(CostlyJpeg kind)
{
    static QMutex mutex;
    static QHash<int, QByteArray> made;
    const QMutexLocker lock(&mutex);
    auto it = made.find(int(kind));
    if (it == made.end())
        it = made.insert(int(kind), make(kind));
    return *it;
}

QByteArray progressiveJpeg(int width, int height, int components, int scans)
{
    if (scans < 1 || (components != 1 && components != 4))
        return QByteArray();
    Settings settings;
    settings.width = width;
    settings.height = height;
    settings.components = components;
    settings.paint = blockShade;
    // DC of every component, then per component its AC coefficients to one bit less, then
    // per component the last bit: 1 + 2 x components scans, cut to `scans` when fewer.
    settings.script.push_back(scan(0, components, 0, 0, 0, 0));
    for (int c = 0; c < components; ++c)
        settings.script.push_back(scan(c, 1, 1, 63, 0, 1));
    for (int c = 0; c < components; ++c)
        settings.script.push_back(scan(c, 1, 1, 63, 1, 0));
    if (int(settings.script.size()) > scans)
        settings.script.resize(size_t(scans));
    const int written = int(settings.script.size());
    const QByteArray jpeg = encode(settings);
    if (jpeg.isEmpty() || written == scans)
        return jpeg;
    // The last scan runs from its SOS to the EOI; entropy-coded data never holds FF DA.
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const QByteArray repeated = jpeg.mid(lastScan, jpeg.size() - 2 - lastScan);
    QByteArray out = jpeg.chopped(2);
    out.reserve(out.size() + repeated.size() * (scans - written) + 2);
    for (int i = written; i < scans; ++i)
        out += repeated;
    return out + QByteArray("\xFF\xD9", 2);
}

QByteArray wideGreyJpeg(int width)
{
    if (width < 1 || width > 65535)
        return QByteArray();
    // One 8 x 8 block of mid-grey from libjpeg: its tables, frame and scan header are kept.
    Settings settings;
    settings.width = 8;
    settings.height = 8;
    settings.components = 1;
    settings.paint = [](int, int, int) -> unsigned char { return 128; };
    QByteArray jpeg = encode(settings);
    const QList<Segment> segments = headerSegments(jpeg);
    if (segments.isEmpty() || segments.last().marker != 0xDA)
        return QByteArray();
    for (const Segment &segment : segments) {
        if (segment.marker == 0xC0) {
            jpeg[segment.offset + 7] = char(width >> 8);
            jpeg[segment.offset + 8] = char(width & 0xFF);
        }
    }
    // Every block of mid-grey is a DC difference of 0 (the standard table's code 00) and an
    // end of block (code 1010); the last byte is padded with ones.
    const int blocks = (width + 7) / 8;
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](quint32 code, int length) {
        bits = (bits << length) | code;
        count += length;
        while (count >= 8) {
            const char byte = char((bits >> (count - 8)) & 0xFF);
            data += byte;
            if (quint8(byte) == 0xFF)
                data += '\0';
            count -= 8;
        }
    };
    for (int i = 0; i < blocks; ++i)
        put(0b001010, 6);
    if (count > 0)
        put((1u << (8 - count)) - 1, 8 - count);
    const Segment &sos = segments.last();
    return jpeg.left(sos.offset + 2 + sos.length) + data + QByteArray("\xFF\xD9", 2);
}
