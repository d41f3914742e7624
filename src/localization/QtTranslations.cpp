// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/QtTranslations.h"

#include "localization/SessionLanguage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>

QtTranslations::QtTranslations(QString folder)
    : m_folder(std::move(folder))
{
}

QtTranslations::~QtTranslations()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

QString QtTranslations::defaultFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool QtTranslations::use(const QString &languageName)
{
    auto next = std::make_unique<QTranslator>();
    const std::optional<QLocale::Language> language = languageOfName(languageName);
    // qtbase carries every text of Qt Core, Gui and Widgets in Qt 6. Only the language
    // is looked up, not the session's territory: "Deutsch" is German wherever the user is.
    const bool found = language && *language != QLocale::English
        && next->load(QLocale(*language), QStringLiteral("qtbase"), QStringLiteral("_"), m_folder);
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    if (!found)
        return false;
    m_translator = std::move(next);
    QCoreApplication::installTranslator(m_translator.get());
    return true;
}

QString QtTranslations::catalogue() const
{
    return m_translator ? QFileInfo(m_translator->filePath()).fileName() : QString();
}
