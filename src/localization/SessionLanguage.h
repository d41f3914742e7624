// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The session's language and the languages of Localization.txt, which are named in
// their own words ("Deutsch", "Français") between LANGUAGE_NAME tags.

// The language of `name`: the language of the first locale whose own name for its
// language ("Deutsch", "français", "español") or whose English language name ("German")
// equals `name`, ignoring case and surrounding blanks. nullopt for a name Qt does not
// know ("Klingon"). Cost: one pass over Qt's locales (a few milliseconds).
std::optional<QLocale::Language> languageOfName(const QString &name);

// The one of `offered` (names as in Localization.txt) that suits a session whose
// preferred languages are `uiLanguages` (BCP 47 tags, most wanted first, as
// QLocale::uiLanguages gives them): the first tag whose language one of `offered` is
// named after wins. "English" when none does, even when it is not offered.
QString preferredLanguage(const QStringList &offered, const QStringList &uiLanguages);

// preferredLanguage for this session: QLocale::system().uiLanguages(), which follows
// LANGUAGE, then LC_ALL, LC_MESSAGES and LANG.
QString sessionLanguage(const QStringList &offered);
