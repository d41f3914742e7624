// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clock.h"

// Fixes the program's clock for the lifetime of the object.
class FixedClock
{
public:
    explicit FixedClock(const QDateTime &at) { Clock::setFixed(at); }
    ~FixedClock() { Clock::setFixed(QDateTime()); }
    void set(const QDateTime &at) { Clock::setFixed(at); }
    FixedClock(const FixedClock &) = delete;
    FixedClock &operator=(const FixedClock &) = delete;
};
