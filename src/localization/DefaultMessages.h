#pragma once

class LanguageTable;

namespace DefaultMessagesNs {

// Adds the English default messages to `languages` in this order (slots 0 to 5 of a
// fresh table): "MSG_HELLO", "MSG_DELETE1" (its text ends with a space; the camera
// name and "?" follow it), "MSG_DELETE2", "MSG_ALLINFO", and the language window's
// "MSG_TITLELANGUAGE" and "MSG_DOWNLOADED".
void SetDefaultMessages(LanguageTable &languages);

// SetDefaultMessages on the process's instance, Languages(). Called once at start-up,
// after CurrentLanguage has been read and before the main window is captioned.
void SetDefaultMessages();

} // namespace DefaultMessagesNs
