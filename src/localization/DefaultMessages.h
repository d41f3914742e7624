#pragma once

class LanguageTable;

// Adds the English default messages to `languages` in this order (slots 0 to 5 of a
// fresh table): "MSG_HELLO", "MSG_DELETE1" (its text ends with a space; the camera
// name and "?" follow it), "MSG_DELETE2", "MSG_ALLINFO", and the language window's
// "MSG_TITLELANGUAGE" and "MSG_DOWNLOADED". Called once, when the main window's table
// is made, before any window is captioned.
void addDefaultMessages(LanguageTable &languages);
