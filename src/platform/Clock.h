// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// The program reads the local date and time only through here, so tests can fix it.
namespace Clock {

QDateTime now();

// Fixes now() to `fixed`; an invalid QDateTime returns to the system clock.
void setFixed(const QDateTime &fixed);

} // namespace Clock
