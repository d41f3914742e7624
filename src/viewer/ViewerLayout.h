// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

// The zoom arithmetic of the detail viewer. All lengths are twips.
struct ViewerLayout
{
    qint64 pictureWidth = 0;   // zoom x natural width
    qint64 pictureHeight = 0;  // zoom x natural height
    bool hEnabled = false;     // the horizontal bar pans; otherwise the picture sits at Left 0
    qint64 hMaximum = 0;       // meaningful only when hEnabled
    bool vEnabled = false;
    qint64 vMaximum = 0;
};

// Sizes the zoomed picture (zoom 1..5) and the scroll ranges for a viewport
// `viewportWidth` x `viewportHeight` whose bars are `vbarWidth` wide and `hbarHeight`
// high: a bar pans over exactly the excess of the picture over the viewport minus the
// other bar. The ranges are not limited to 16 bits. Returns nullopt when a product does
// not fit 32 bits (the caller then leaves the viewer as it was).
std::optional<ViewerLayout> computeViewerLayout(int zoom, qint64 naturalWidth, qint64 naturalHeight,
                                                qint64 viewportWidth, qint64 viewportHeight,
                                                qint64 vbarWidth, qint64 hbarHeight);

// Where "Fit" puts a picture of `naturalWidth` x `naturalHeight` in an area of
// `areaWidth` x `areaHeight` (the viewport less its bars): scaled up or down to the largest
// size that fits whole, proportions kept (each side rounded to the nearest twip), centred.
// All lengths are twips; a picture or an area without size gives a placement without size
// at the area's top-left corner.
struct FitPlacement
{
    qint64 left = 0;
    qint64 top = 0;
    qint64 width = 0;
    qint64 height = 0;
};
FitPlacement computeFitPlacement(qint64 naturalWidth, qint64 naturalHeight, qint64 areaWidth, qint64 areaHeight);
