#include "monitor/RefreshInterval.h"

#include "monitor/VbNumbers.h"

qint32 effectiveRefreshSeconds(const QString &txtRefresh)
{
    return vbToLong(txtRefresh).value_or(DefaultRefreshSeconds);
}

QString nextRefreshText(const QString &txtRefresh, qint32 camElapsed)
{
    double interval = DefaultRefreshSeconds;
    if (vbToLong(txtRefresh)) {
        if (const std::optional<double> value = vbToDouble(txtRefresh))
            interval = *value;
    }
    return formatDouble(interval - static_cast<double>(camElapsed));
}
