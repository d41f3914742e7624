// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

// Smooth scaling as QImage::scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) does
// it, pixel for pixel. The slots shrink 24 pictures a second from their 1/8-scale decode to the
// slot's size; for that case (an opaque Format_RGB32 picture made smaller in both directions)
// the same area weights are applied here with each source row summed across once, instead of
// once for every output row that covers it. Every other case is handed to QImage::scaled().
// `simdAllowed` false takes the portable loops even where SSE4.1 is present (for tests).
QImage smoothScaled(const QImage &source, QSize size, bool simdAllowed = true);
