// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Switches the session's screen saver off and on again through the freedesktop
// screen-saver service on the session D-Bus (org.freedesktop.ScreenSaver).
//
// false: asks the service to inhibit the screen saver (Inhibit) and keeps the cookie
//   it returns; while a cookie is held, further calls with false ask nothing again.
// true: releases the held cookie (UnInhibit); nothing to do when none is held.
// Returns false when no service answers within half a second or it answers with
// an error; the cookie is forgotten after a failed release too. Window thread only.
bool setScreenSaverActive(bool active);
