// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/RefreshInterval.h"

#include "monitor/NumberText.h"

qint32 effectiveRefreshSeconds(const QString &refreshText)
{
    return toRoundedInt32(refreshText).value_or(DefaultRefreshSeconds);
}

QString nextRefreshText(const QString &refreshText, qint32 elapsedSeconds)
{
    double interval = DefaultRefreshSeconds;
    if (toRoundedInt32(refreshText)) {
        if (const std::optional<double> value = toNumber(refreshText))
            interval = *value;
    }
    return formatDouble(interval - static_cast<double>(elapsedSeconds));
}
