// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImagingFixtures.h"

#include "imaging/PictureLimits.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <turbojpeg.h>

#include <cstdlib>

namespace ImagingFixtures {

QImage testCard(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int halfW = width / 2;
    const int halfH = height / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb colour;
            if (y < halfH)
                colour = x < halfW ? qRgb(255, 0, 0) : qRgb(0, 255, 0);
            else if (x < halfW)
                colour = qRgb(0, 0, 255);
            else {
                const int ramp
                    = width > 1 && height > 1 ? (255 * x / (width - 1) + 255 * y / (height - 1)) / 2 : 128;
                colour = qRgb(ramp, ramp, ramp);
            }
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

QByteArray turboJpeg(const QImage &image, int subsampling, int quality, int flags, int pixelFormat)
{
    QImage rgb = image.convertToFormat(QImage::Format_RGBX8888);
    if (pixelFormat == TJPF_CMYK) {
        // Adobe's inverted CMYK (255 = no ink) as Photoshop writes it: C, M, Y = R, G, B and
        // K = 255 read back as the same RGB picture.
        for (int y = 0; y < rgb.height(); ++y) {
            uchar *row = rgb.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x)
                row[4 * x + 3] = 255;
        }
    } else {
        pixelFormat = TJPF_RGBX;
    }
    tjhandle handle = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle, rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()),
        rgb.height(), pixelFormat, &out, &size, subsampling, quality, flags);
    QByteArray bytes;
    if (result == 0)
        bytes = QByteArray(reinterpret_cast<const char *>(out), static_cast<qsizetype>(size));
    else
        qWarning("tjCompress2: %s", tjGetErrorStr2(handle));
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

QByteArray qtEncoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return QByteArray();
    return bytes;
}

QByteArray fixture(const QString &name)
{
    QFile file(qEnvironmentVariable("OCELLUS_TEST_DATA") + QStringLiteral("/imaging/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("missing fixture %s", qPrintable(file.fileName()));
        return QByteArray();
    }
    return file.readAll();
}

QList<QPair<QByteArray, int>> samplingLayouts()
{
    return {{"4:2:0", TJSAMP_420}, {"4:2:2", TJSAMP_422}, {"4:4:4", TJSAMP_444}, {"4:4:0", TJSAMP_440},
        {"4:1:1", TJSAMP_411}, {"grey", TJSAMP_GRAY}};
}

QImage grainyCard(int width, int height, quint32 seed)
{
    QImage image = testCard(width, height);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = random.bounded(-40, 41);
            const auto channel = [n](int v) { return qBound(0, v + n, 255); };
            line[x] = qRgb(channel(qRed(line[x])), channel(qGreen(line[x])), channel(qBlue(line[x])));
        }
    }
    return image;
}

QByteArray restartFixture(const QString &name)
{
    QFile file(qEnvironmentVariable("OCELLUS_TEST_DATA") + QStringLiteral("/imaging-restart/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QList<JpegSegment> segmentsOf(const QByteArray &jpeg)
{
    QList<JpegSegment> segments;
    walkJpegHeaders(
        jpeg, JpegScanLimit, [&segments](const JpegSegment &segment) { segments.append(segment); });
    return segments;
}

QByteArray payloadOf(const QByteArray &jpeg, quint8 marker)
{
    for (const JpegSegment &segment : segmentsOf(jpeg)) {
        if (segment.marker == marker)
            return jpeg.mid(segment.payload, segment.length);
    }
    return QByteArray();
}

double meanAbsoluteError(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

bool closeTo(QRgb pixel, QRgb expected, int tolerance)
{
    return std::abs(qRed(pixel) - qRed(expected)) <= tolerance
        && std::abs(qGreen(pixel) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(pixel) - qBlue(expected)) <= tolerance;
}

QByteArray withFrame(const QByteArray &jpeg, quint8 marker, int precision, int width, int height)
{
    const quint8 frameMarker = walkJpegHeaders(jpeg, JpegScanLimit).frameMarker;
    QByteArray out = jpeg;
    for (const JpegSegment &segment : segmentsOf(jpeg)) {
        if (segment.marker != frameMarker)
            continue;
        out[segment.offset + 1] = static_cast<char>(marker);
        out[segment.payload] = static_cast<char>(precision);
        out[segment.payload + 1] = static_cast<char>(height >> 8);
        out[segment.payload + 2] = static_cast<char>(height & 0xFF);
        out[segment.payload + 3] = static_cast<char>(width >> 8);
        out[segment.payload + 4] = static_cast<char>(width & 0xFF);
        return out;
    }
    return QByteArray();
}

QByteArray withoutAdobeTransform(const QByteArray &jpeg)
{
    QByteArray out = jpeg;
    for (const JpegSegment &segment : segmentsOf(jpeg)) {
        if (segment.marker == 0xEE && segment.length >= 12)
            out[segment.payload + 11] = 0;
    }
    return out;
}

} // namespace ImagingFixtures
