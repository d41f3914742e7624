#include "localization/DefaultMessages.h"

#include "localization/LanguageTable.h"

void addDefaultMessages(LanguageTable &languages)
{
    languages.setMessage(QStringLiteral("MSG_HELLO"), QStringLiteral("Hello, good to see you"));
    languages.setMessage(QStringLiteral("MSG_DELETE1"), QStringLiteral("Are you sure you want to delete "));
    languages.setMessage(QStringLiteral("MSG_DELETE2"), QStringLiteral("Confirm Delete"));
    languages.setMessage(QStringLiteral("MSG_ALLINFO"), QStringLiteral("You must enter all information"));
    // The language window's title and its download confirmation: without a slot of
    // their own a language could never supply them and both would stay empty.
    languages.setMessage(QStringLiteral("MSG_TITLELANGUAGE"), QStringLiteral("Language Selection"));
    languages.setMessage(QStringLiteral("MSG_DOWNLOADED"),
                         QStringLiteral("The newest language file was downloaded. Choose your language from the list."));
}
