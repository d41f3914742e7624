// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// The program reads the local date and time only through here, so tests can fix it.
namespace Clock {

// The local date and time; its offset from UTC is the local one at that moment (the
// date-time is of kind Qt::OffsetFromUTC: date() and time() read without asking for the zone).
QDateTime now();

// The local date and time at `msecsSinceEpoch`, as now() gives it.
QDateTime localAt(qint64 msecsSinceEpoch);

// Fixes now() to `fixed`; an invalid QDateTime returns to the system clock.
void setFixed(const QDateTime &fixed);

} // namespace Clock
