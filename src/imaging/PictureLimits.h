#pragma once

#include <QtGlobal>

// The largest picture the program decodes or holds as raw pixels: width x height x 4 bytes
// must not exceed this many bytes. Equal to Qt's default image allocation limit
// (QImageReader::allocationLimit(), 128 MiB in Qt 6.4), counted here at 4 bytes per pixel
// whatever the format. 8K (7680 x 4320) fits; 8192 x 8192 does not.
inline constexpr qint64 PictureAllocationLimitBytes = qint64(128) * 1024 * 1024;

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
