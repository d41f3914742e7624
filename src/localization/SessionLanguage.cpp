// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/SessionLanguage.h"

std::optional<QLocale::Language> languageOfName(const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    const auto same = [&wanted](const QString &candidate) {
        return !candidate.isEmpty() && wanted.compare(candidate, Qt::CaseInsensitive) == 0;
    };
    // Some locales carry a territory in their own name ("español de España", "American
    // English") while others of the same language do not ("español" in Argentina), so
    // every locale's name is a candidate.
    const QList<QLocale> locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                            QLocale::AnyTerritory);
    for (const QLocale &locale : locales) {
        const QLocale::Language language = locale.language();
        if (language == QLocale::C || language == QLocale::AnyLanguage)
            continue;
        if (same(locale.nativeLanguageName()) || same(QLocale::languageToString(language)))
            return language;
    }
    return std::nullopt;
}

QString preferredLanguage(const QStringList &offered, const QStringList &uiLanguages)
{
    QList<std::optional<QLocale::Language>> offeredLanguages;
    for (const QString &name : offered)
        offeredLanguages.append(languageOfName(name));
    for (const QString &tag : uiLanguages) {
        const QLocale::Language wanted = QLocale(tag).language();
        if (wanted == QLocale::C || wanted == QLocale::AnyLanguage)
            continue;
        const qsizetype found = offeredLanguages.indexOf(wanted);
        if (found >= 0)
            return offered[found];
    }
    return QStringLiteral("English");
}

QString sessionLanguage(const QStringList &offered)
{
    return preferredLanguage(offered, QLocale::system().uiLanguages());
}
