#pragma once

#include <QtGlobal>

// The largest picture the program decodes or holds as raw pixels: width x height x 4 bytes
// must not exceed this many bytes. Equal to Qt's default image allocation limit
// (QImageReader::allocationLimit(), 128 MiB in Qt 6.4), so every picture Qt's own readers
// accept also fits here. 8K (7680 x 4320) fits; 8192 x 8192 does not.
inline constexpr qint64 PictureAllocationLimitBytes = qint64(128) * 1024 * 1024;

// True when a picture of `width` x `height` pixels at 4 bytes per pixel fits the limit.
// Zero or negative sizes do not fit.
constexpr bool PictureFitsAllocationLimit(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return false;
    // Both factors are at most 2^31 here, so the product cannot overflow 64 bits.
    return width * height * 4 <= PictureAllocationLimitBytes;
}
