// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/ExportRange.h"

#include <algorithm>
#include <utility>

namespace {

QDateTime wholeSecond(const QDateTime &time)
{
    return time.addMSecs(-(time.time().msec()));
}

// The first and one past the last picture of the range.
std::pair<qsizetype, qsizetype> bounds(const ExportItems &items, const QDateTime &from, const QDateTime &to)
{
    const auto earlier = [](const ExportItem &item, const QDateTime &time) { return item.time < time; };
    const auto later = [](const QDateTime &time, const ExportItem &item) { return time < item.time; };
    auto first = items.cbegin();
    auto last = items.cend();
    if (from.isValid())
        first = std::lower_bound(items.cbegin(), items.cend(), wholeSecond(from), earlier);
    if (to.isValid())
        last = std::upper_bound(items.cbegin(), items.cend(), wholeSecond(to).addMSecs(999), later);
    if (last <= first)
        return {0, 0};
    return {first - items.cbegin(), last - items.cbegin()};
}

} // namespace

ExportItems itemsBetween(const ExportItems &items, const QDateTime &from, const QDateTime &to)
{
    const auto [first, last] = bounds(items, from, to);
    return items.mid(first, last - first);
}

qsizetype countBetween(const ExportItems &items, const QDateTime &from, const QDateTime &to)
{
    const auto [first, last] = bounds(items, from, to);
    return last - first;
}
