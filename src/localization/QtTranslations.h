// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTranslator>

#include <memory>

// Qt's own texts (the standard buttons of message boxes and dialogs, the context menus
// of text fields) in the program's language, from Qt's translation catalogues
// ("qtbase_de.qm"; Debian's qt6-translations-l10n). The program's own texts come from
// Localization.txt, not from here.
//
// While a catalogue is in use it is installed on the application object; every window
// then receives a QEvent::LanguageChange. The destructor removes what it installed.
class QtTranslations
{
public:
    // `folder`: where the catalogues are; by default Qt's own translations folder
    // (QLibraryInfo::TranslationsPath).
    explicit QtTranslations(QString folder = defaultFolder());
    ~QtTranslations();
    QtTranslations(const QtTranslations &) = delete;
    QtTranslations &operator=(const QtTranslations &) = delete;

    // Switches Qt's texts to the language named `languageName` as in Localization.txt
    // ("Deutsch"; see languageOfName). English, a name Qt does not know or a language
    // without a catalogue leave Qt's texts in English. Needs a QCoreApplication. True
    // when a catalogue is in use afterwards.
    bool use(const QString &languageName);

    // The file name of the catalogue in use ("qtbase_de.qm"), "" when none.
    QString catalogue() const;

    static QString defaultFolder();

private:
    QString m_folder;
    std::unique_ptr<QTranslator> m_translator;
};
