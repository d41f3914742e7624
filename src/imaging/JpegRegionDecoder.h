// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>

// Decoding part of a JPEG at its natural size. The viewer shows a 1920 x 1080 picture through
// a window of a few hundred pixels; decoding only the rows and columns around that window
// skips the colour work of the rest and all the entropy data below it.

// The pixels of `area` (clipped to the picture) of the JPEG in `bytes`, exactly as a whole
// decode gives them (Format_RGB32, the same values TurboJPEG gives at its natural size).
// Null when the area lies outside the picture, the stream is progressive or has several
// scans (no rows can be skipped there), its colour space is not luma/chroma or grey, or the
// decoder fails. The stream must be one the picture decoder accepted: data cut short below
// the area is not noticed.
QImage decodeJpegRegion(const QByteArray &bytes, const QRect &area);
