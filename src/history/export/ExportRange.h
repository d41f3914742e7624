// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/export/ExportItem.h"

// The pictures of `items` (in time order) taken from `from` to `to`, both whole seconds
// included: a picture at 12:00:05.700 is within 12:00:00 .. 12:00:05. Empty when `to` is
// before `from`. An invalid `from` or `to` leaves that end open. Cost: two binary searches
// and the copy of the result.
ExportItems itemsBetween(const ExportItems &items, const QDateTime &from, const QDateTime &to);

// How many pictures itemsBetween() would give, without copying them: for a count shown
// while the user moves the range over a hundred thousand pictures.
qsizetype countBetween(const ExportItems &items, const QDateTime &from, const QDateTime &to);
