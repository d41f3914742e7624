// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Sets the icon ":/<iconResourceName>.png" of the program's resources, at the large
// and the small icon size, on `window`; with `owner` true also on the top-level
// owner at the end of its owner chain (the top-level window of each parent in turn).
// A missing resource or a null window leaves every icon as it was.
void setWindowIcons(QWidget *window, const QString &iconResourceName, bool owner);

// Turns the stays-on-top hint of `window`'s top-level window on or off; position,
// size, window state and visibility stay as they were.
void setTopmost(QWidget *window, bool onTop);

// Moves the top-level `window` so that its outer frame is centred in the available
// area of its owner's screen (the primary screen without an owner). Before the window
// is first shown its frame is not known and its client area is centred instead; call
// again after showing to take the frame into account.
void centreOnScreen(QWidget *window);
