// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Clock.h"

#include <limits>

namespace {

QDateTime g_fixed;

qint64 floorSeconds(qint64 msecs)
{
    return msecs >= 0 ? msecs / 1000 : (msecs - 999) / 1000;
}

} // namespace

namespace Clock {

QDateTime now()
{
    if (g_fixed.isValid())
        return g_fixed;
    return localAt(QDateTime::currentMSecsSinceEpoch());
}

QDateTime localAt(qint64 msecsSinceEpoch)
{
    // Each local-time conversion asks the C library for the zone, which looks at the zone
    // file's status every time: the program wants the time at every picture. Zones change
    // their offset on whole seconds, so the offset found for one second holds all through it.
    thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
    thread_local int cachedOffset = 0;
    const qint64 second = floorSeconds(msecsSinceEpoch);
    if (second != cachedSecond) {
        cachedOffset = QDateTime::fromSecsSinceEpoch(second, Qt::LocalTime).offsetFromUtc();
        cachedSecond = second;
    }
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::OffsetFromUTC, cachedOffset);
}

void setFixed(const QDateTime &fixed) { g_fixed = fixed; }

} // namespace Clock
