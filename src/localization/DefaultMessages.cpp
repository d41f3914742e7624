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
    languages.setMessage(QStringLiteral("MSG_NAMETAKEN"),
                         QStringLiteral("Another camera of the list is already called %1. Choose another name."));
    languages.setMessage(QStringLiteral("MSG_DOWNLOADFAILED"),
                         QStringLiteral("The language file could not be downloaded from %1: %2. "
                                        "Your language file is unchanged."));
    languages.setMessage(QStringLiteral("MSG_NOTLANGUAGEFILE"),
                         QStringLiteral("%1 did not send a language file. Your language file is unchanged."));
}
