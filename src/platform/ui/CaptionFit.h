// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

class QWidget;

// Captions that fit their control. Controls keep the size the window gives them (their
// geometry in twips); a caption too long for it is drawn in a smaller font, down to
// SmallestFontShare of the control's designed font (and never below SmallestPointSize), then
// narrower (semi-condensed, condensed), and, when even that is too wide, on two lines. A control whose caption was made smaller
// or broken shows the whole caption as its tooltip (followed by its own tooltip, if any).
// Fitting again after the caption changed starts from the designed font.
namespace CaptionFit {

constexpr double SmallestFontShare = 0.7;
constexpr double SmallestPointSize = 5.0;

// The rectangle, in the control's pixels, in which the control draws its caption: the
// label's contents, the button's contents less its icon, the check box's text area, the
// group box's title. Empty for a control that shows no caption.
QRect captionRoom(const QWidget *control);

// The caption as drawn: the text of a button, check box or label, the title of a group
// box; "" for other controls and for labels that show a picture.
QString caption(const QWidget *control);

// Whether every line of the caption, in the control's current font, fits in captionRoom:
// each line's advance within the room's width and all lines within its height (a label
// that wraps is measured as the style would wrap it).
bool fits(const QWidget *control);

// Fits the caption of one control as described above; a control without a caption is
// left alone. Returns whether the caption fits afterwards.
bool fitCaption(QWidget *control);

// fitCaption for every control of `window` that has a caption, the window's own
// top-level children included but not the other windows it owns.
void fitCaptions(QWidget *window);

} // namespace CaptionFit
