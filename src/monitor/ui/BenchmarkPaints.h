// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class ImageControl;
class QWidget;

// The benchmark log's paint events (see monitor/BenchmarkLog.h); nothing is done while the
// log is off.
namespace BenchmarkPaints {

// Logs `name` (with `slot` when it is 0 or more) after each first paint of a new picture of
// `control`. Watching the same control twice does nothing.
void watchPictures(ImageControl *control, const char *name, int slot);

// Logs main_window_shown once, after the first paint of `window` has completed. Call before
// the window is shown.
void watchFirstPaint(QWidget *window);

} // namespace BenchmarkPaints
