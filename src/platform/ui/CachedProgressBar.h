// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/StyleDrawingCopy.h"

#include <QProgressBar>
#include <QStyleOptionProgressBar>

// A progress bar that draws itself once per look and then copies that drawing. Each slot's
// bar overlaps the picture above it by a row of pixels, so every new picture repaints that
// row of the bar, and the style would draw the whole rounded, shaded bar again for it. The
// copy is drawn again whenever anything the style draws from changes (value, range, size,
// state, palette, font, style, pixel ratio); a busy bar (empty range), which moves on its
// own, is always drawn. It looks as QProgressBar does; an antialiased edge pixel may differ
// by one level of rounding, as the copy is blended onto what lies beneath it.
// One difference: QProgressBar leaves unpainted a change smaller than a chunk of the bar from
// the value it last drew, which this one does not track, so setValue() with updates on
// paints every change at once. The main window sets its bars' values with updates off
// (DeferredPaints) and decides itself when they are painted.
class CachedProgressBar : public QProgressBar
{
public:
    using QProgressBar::QProgressBar;

    // For tests: how many times the style drew the bar.
    int drawings() const { return m_drawings; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    StyleDrawingCopy<QStyleOptionProgressBar> m_copy {&looksAlike};
    int m_drawings = 0;

    static bool looksAlike(const QStyleOptionProgressBar &a, const QStyleOptionProgressBar &b);
};
