#include "localization/modLanguages.h"

#include "localization/clsLanguages.h"

namespace modLanguages {

void SetDefaultMessages(clsLanguages &languages)
{
    languages.setMessage(QStringLiteral("MSG_HELLO"), QStringLiteral("Hello, good to see you"));
    languages.setMessage(QStringLiteral("MSG_DELETE1"), QStringLiteral("Are you sure you want to delete "));
    languages.setMessage(QStringLiteral("MSG_DELETE2"), QStringLiteral("Confirm Delete"));
    languages.setMessage(QStringLiteral("MSG_ALLINFO"), QStringLiteral("You must enter all information"));
}

void SetDefaultMessages()
{
    SetDefaultMessages(Languages());
}

} // namespace modLanguages
