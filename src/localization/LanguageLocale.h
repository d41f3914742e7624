// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

// The locale whose formats (dates, times, numbers) go with a language of the localization
// file, named as its group names it. The shipped languages map to their usual country
// ("English" to the United States, "Deutsch" to Germany, "Français" to France, "Español" to
// Spain); another name is matched, ignoring case, against the names of the languages in
// their own tongue and in English ("Italiano", "Dutch"). A name that matches nothing gives
// the system's locale.
QLocale localeOfLanguage(const QString &language);
