#include "monitor/RefreshInterval.h"

#include "monitor/NumberText.h"

qint32 effectiveRefreshSeconds(const QString &txtRefresh)
{
    return toRoundedInt32(txtRefresh).value_or(DefaultRefreshSeconds);
}

QString nextRefreshText(const QString &txtRefresh, qint32 camElapsed)
{
    double interval = DefaultRefreshSeconds;
    if (toRoundedInt32(txtRefresh)) {
        if (const std::optional<double> value = toNumber(txtRefresh))
            interval = *value;
    }
    return formatDouble(interval - static_cast<double>(camElapsed));
}
