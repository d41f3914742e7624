// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/JpegHeaderWalk.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

// Pictures and encoded streams made inside the imaging tests.
namespace ImagingFixtures {

// A w x h test card: top-left quarter red, top-right green, bottom-left blue, bottom-right a
// horizontal grey ramp over a vertical one. Format_RGB32.
QImage testCard(int width, int height);

// The test card with seeded noise of +-40 on every channel: entropy data of a camera's size.
QImage grainyCard(int width, int height, quint32 seed);

// The sampling layouts TurboJPEG names, with a short name for test rows: 4:2:0, 4:2:2, 4:4:4,
// 4:4:0, 4:1:1 and grey, as (name, TJSAMP value).
QList<QPair<QByteArray, int>> samplingLayouts();

// `image` encoded by TurboJPEG. `pixelFormat` is the TJPF the pixels are handed over in
// (TJPF_CMYK hands the picture over as Adobe's inverted CMYK, giving a YCCK JPEG).
QByteArray turboJpeg(const QImage &image, int subsampling, int quality, int flags = 0, int pixelFormat = -1);

// `image` written by Qt's own writer in `format` ("png", "bmp", "jpeg").
QByteArray qtEncoded(const QImage &image, const char *format);

// Contents of tests/data/imaging/<name>; fails the calling test when missing.
QByteArray fixture(const QString &name);

// Contents of tests/data/imaging-restart/<name>, JPEG with restart intervals; empty when
// missing.
QByteArray restartFixture(const QString &name);

// The marker segments of `jpeg` from SOI through EOI, as walkJpegHeaders finds them.
QList<JpegSegment> segmentsOf(const QByteArray &jpeg);

// The payload of the first segment with `marker`; empty when there is none.
QByteArray payloadOf(const QByteArray &jpeg, quint8 marker);

// Mean absolute difference per colour channel over two pictures of one size; -1 when the
// sizes differ.
double meanAbsoluteError(const QImage &a, const QImage &b);

// True when every channel of `pixel` is within `tolerance` of `expected`.
bool closeTo(QRgb pixel, QRgb expected, int tolerance);

// `jpeg` with its first SOF segment rewritten: marker, precision, height and width.
QByteArray withFrame(const QByteArray &jpeg, quint8 marker, int precision, int width, int height);

// `jpeg` with the Adobe APP14 colour transform set to 0: plain CMYK, no YCC conversion.
QByteArray withoutAdobeTransform(const QByteArray &jpeg);

} // namespace ImagingFixtures
