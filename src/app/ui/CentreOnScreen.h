#pragma once

class QWidget;

// Moves the top-level `window` so that its outer frame is centred in the available
// area of its owner's screen (the primary screen without an owner). Before the window
// is first shown its frame is not known and its client area is centred instead; call
// again after showing to take the frame into account.
void centreOnScreen(QWidget *window);
