// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

// Window geometry is kept in twips: 1/1440 inch, 15 twips to a pixel at 96 dots per
// inch. Qt works in device-independent pixels and scales for high-density screens,
// so one pixel here is always 15 twips.
namespace Twips {

constexpr int PerPixel = 15;

// Twips to device-independent pixels, rounded to the nearest pixel.
constexpr int toPx(qint64 twips)
{
    return static_cast<int>(twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel));
}

constexpr qint64 fromPx(int px) { return qint64(px) * PerPixel; }

inline QRect rect(qint64 left, qint64 top, qint64 width, qint64 height)
{
    return QRect(toPx(left), toPx(top), toPx(width), toPx(height));
}

} // namespace Twips
