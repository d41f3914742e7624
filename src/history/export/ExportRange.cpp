// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/ExportRange.h"

#include <algorithm>

namespace {

QDateTime wholeSecond(const QDateTime &time)
{
    return time.addMSecs(-(time.time().msec()));
}

} // namespace

ExportItems itemsBetween(const ExportItems &items, const QDateTime &from, const QDateTime &to)
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
        return {};
    return ExportItems(first, last);
}
