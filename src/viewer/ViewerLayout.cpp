// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ViewerLayout.h"

#include <cmath>
#include <limits>

std::optional<ViewerLayout> computeViewerLayout(int zoom, qint64 naturalWidth, qint64 naturalHeight,
                                                qint64 viewportWidth, qint64 viewportHeight,
                                                qint64 vbarWidth, qint64 hbarHeight)
{
    constexpr qint64 Max32 = std::numeric_limits<qint32>::max();
    const qint64 w = qint64(zoom) * naturalWidth;
    const qint64 h = qint64(zoom) * naturalHeight;
    if (w > Max32 || h > Max32 || w < -Max32 || h < -Max32)
        return std::nullopt;

    ViewerLayout layout;
    layout.pictureWidth = w;
    layout.pictureHeight = h;
    const qint64 visibleWidth = viewportWidth - vbarWidth;
    if (visibleWidth < w) {
        layout.hEnabled = true;
        layout.hMaximum = w - visibleWidth;
    }
    const qint64 visibleHeight = viewportHeight - hbarHeight;
    if (visibleHeight < h) {
        layout.vEnabled = true;
        layout.vMaximum = h - visibleHeight;
    }
    return layout;
}

FitPlacement computeFitPlacement(qint64 naturalWidth, qint64 naturalHeight, qint64 areaWidth, qint64 areaHeight)
{
    FitPlacement placement;
    if (naturalWidth <= 0 || naturalHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return placement;
    // The side that meets its limit first sets the scale; the other follows it.
    if (naturalWidth * areaHeight >= naturalHeight * areaWidth) {
        placement.width = areaWidth;
        placement.height = std::max<qint64>(1, std::llround(double(naturalHeight) * areaWidth / naturalWidth));
    } else {
        placement.height = areaHeight;
        placement.width = std::max<qint64>(1, std::llround(double(naturalWidth) * areaHeight / naturalHeight));
    }
    placement.left = (areaWidth - placement.width) / 2;
    placement.top = (areaHeight - placement.height) / 2;
    return placement;
}
