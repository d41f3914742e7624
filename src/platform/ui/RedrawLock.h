// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

// Holds back the painting of one top-level window while a batch of changes is made,
// then paints once. Painting requests that arrive while the window is locked are
// swallowed; unlocking asks for one paint when any was swallowed, so nothing is lost.
// Window thread only.

// lock true: locks `window`'s top-level window. Does nothing (false) while the
//   full-screen view is visible or the main window is minimised (see
//   setRedrawConditions), when `window` is null, or when a window is already locked,
//   the same one included.
// lock false: releases whichever window is locked, whatever the conditions say;
//   false when none is locked.
// Returns true when the lock state changed as asked.
bool lockRedraw(QWidget *window, bool lock);

// The two conditions under which lockRedraw(…, true) does nothing: `mainWindow`
// minimised, or `fullScreenVisible()` true. Either may be empty. `mainWindow` is not
// owned; a destroyed main window counts as not minimised.
void setRedrawConditions(QWidget *mainWindow, std::function<bool()> fullScreenVisible);

// The top-level window locked now, or nullptr.
QWidget *redrawLockedWindow();
