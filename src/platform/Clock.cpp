// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Clock.h"

namespace {
QDateTime g_fixed;
}

namespace Clock {

QDateTime now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }

void setFixed(const QDateTime &fixed) { g_fixed = fixed; }

} // namespace Clock
