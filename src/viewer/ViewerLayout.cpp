#include "viewer/ViewerLayout.h"

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
