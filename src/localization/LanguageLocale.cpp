// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/LanguageLocale.h"

#include <QList>

QLocale localeOfLanguage(const QString &language)
{
    const QString name = language.trimmed();
    struct Shipped
    {
        const char *name;
        QLocale::Language language;
        QLocale::Territory territory;
    };
    static const Shipped shipped[] = {
        {"English", QLocale::English, QLocale::UnitedStates},
        {"Deutsch", QLocale::German, QLocale::Germany},
        {"Français", QLocale::French, QLocale::France},
        {"Español", QLocale::Spanish, QLocale::Spain},
    };
    for (const Shipped &entry : shipped) {
        if (name.compare(QString::fromUtf8(entry.name), Qt::CaseInsensitive) == 0)
            return QLocale(entry.language, entry.territory);
    }
    if (name.isEmpty())
        return QLocale::system();
    // The language's first locale in Qt's list is its main country's.
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        const auto candidate = static_cast<QLocale::Language>(l);
        const QList<QLocale> locales
            = QLocale::matchingLocales(candidate, QLocale::AnyScript, QLocale::AnyTerritory);
        if (locales.isEmpty())
            continue;
        const QLocale &first = locales.first();
        if (name.compare(first.nativeLanguageName(), Qt::CaseInsensitive) == 0
            || name.compare(QLocale::languageToString(candidate), Qt::CaseInsensitive) == 0)
            return QLocale(candidate);
    }
    return QLocale::system();
}
