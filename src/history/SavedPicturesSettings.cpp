// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SavedPicturesSettings.h"

#include "platform/SettingsStore.h"

#include <algorithm>

namespace {

std::optional<qint64> wholeNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

// Beyond these a limit means nothing on any disk, and the arithmetic stays far from overflow.
constexpr qint64 MaxMegabytesValue = qint64(1) << 32;
constexpr qint64 MaxDaysValue = 1'000'000;

} // namespace

RetentionLimits SavedPicturesSettings::limitsFor(const QString &cameraName) const
{
    return cameraLimits.value(cameraName, limits);
}

SavedPicturesSettings SavedPicturesSettings::load(const QString &program)
{
    using namespace SavedPicturesKeys;
    SavedPicturesSettings settings;
    auto number = [&](const QString &key) { return wholeNumber(userSetting(program, Section, key, QString())); };
    settings.limits.maxMegabytes = std::min(number(MaxMegabytes).value_or(0), MaxMegabytesValue);
    settings.limits.maxDays = static_cast<int>(std::min(number(MaxDays).value_or(0), MaxDaysValue));
    if (const auto floor = number(MinFreeMegabytes))
        settings.minFreeMegabytes = std::min(*floor, MaxMegabytesValue);
    for (const QString &entry : userSettingList(program, Section, CameraLimits)) {
        const QStringList parts = entry.split(QLatin1Char(' '));
        if (parts.size() < 3)
            continue;
        const auto megabytes = wholeNumber(parts[0]);
        const auto days = wholeNumber(parts[1]);
        const QString name = entry.section(QLatin1Char(' '), 2);
        if (!megabytes || !days || name.isEmpty())
            continue;
        settings.cameraLimits.insert(name, {std::min(*megabytes, MaxMegabytesValue),
                                            static_cast<int>(std::min(*days, MaxDaysValue))});
    }
    return settings;
}

void SavedPicturesSettings::save(const QString &program) const
{
    using namespace SavedPicturesKeys;
    saveUserSetting(program, Section, MaxMegabytes, QString::number(limits.maxMegabytes));
    saveUserSetting(program, Section, MaxDays, QString::number(limits.maxDays));
    saveUserSetting(program, Section, MinFreeMegabytes,
                    minFreeMegabytes ? QString::number(*minFreeMegabytes) : QString());
    QStringList entries;
    for (auto it = cameraLimits.cbegin(); it != cameraLimits.cend(); ++it)
        entries.append(QStringLiteral("%1 %2 %3").arg(it.value().maxMegabytes).arg(it.value().maxDays).arg(it.key()));
    entries.sort();
    saveUserSettingList(program, Section, CameraLimits, entries);
}
