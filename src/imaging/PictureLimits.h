// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The largest picture the program decodes or holds as raw pixels: width x height x 4 bytes
// must not exceed this many bytes. Equal to Qt's default image allocation limit
// (QImageReader::allocationLimit(), 128 MiB in Qt 6.4), counted here at 4 bytes per pixel
// whatever the format. 8K (7680 x 4320) fits; 8192 x 8192 does not.
inline constexpr qint64 PictureAllocationLimitBytes = qint64(128) * 1024 * 1024;

// The most memory one decode may need: its output pixels plus the decoder's own memory (for
// a progressive or multi-scan JPEG, the coefficients of the whole picture). A picture whose
// decode at its natural size would need more is refused.
inline constexpr qint64 PictureDecodeLimitBytes = qint64(256) * 1024 * 1024;

// The memory all decodes running at once, on any thread, may need together (see DecodeBudget).
inline constexpr qint64 DecodeBudgetBytes = qint64(512) * 1024 * 1024;

// The most scans a JPEG may hold. Cameras send one; an ordinary progressive file has about
// ten. Every scan of a progressive JPEG is a pass over the picture's coefficients.
inline constexpr int JpegScanLimit = 64;

// libjpeg-turbo's largest width or height (JPEG_MAX_DIMENSION); a frame declaring more is
// refused.
inline constexpr int JpegSideLimit = 65500;

// True when a picture of `width` x `height` pixels at 4 bytes per pixel fits the limit.
// Zero or negative sizes do not fit.
constexpr bool pictureFitsAllocationLimit(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0 || width > PictureAllocationLimitBytes
        || height > PictureAllocationLimitBytes)
        return false;
    // Both factors are below 2^28 here: the product cannot overflow.
    return width * height * 4 <= PictureAllocationLimitBytes;
}
