// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>

// Ends the run as a finding when `condition` is false.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
