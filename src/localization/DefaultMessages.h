// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class LanguageTable;

// Adds the English default messages to `languages` in this order (slots 0 to 5 of a
// fresh table): "MSG_HELLO", "MSG_DELETE1" (its text ends with a space; the camera
// name and "?" follow it), "MSG_DELETE2", "MSG_ALLINFO", and the language window's
// "MSG_TITLELANGUAGE" and "MSG_DOWNLOADED"; then the camera dialogs' "MSG_NAMETAKEN" (its
// "%1" stands for the name), and the language window's "MSG_DOWNLOADFAILED" (%1 the address,
// %2 the reason) and "MSG_NOTLANGUAGEFILE" (%1 the address); then the texts of the fetch
// outcomes, "MSG_OUTCOME_..." in the order of FetchOutcomeKind (keys and placeholders in
// monitor/FetchOutcome.h), with "MSG_OUTCOME_NOTPICTURENOTYPE" after "MSG_OUTCOME_NOTPICTURE".
// Called once, when the main window's table is made, before any window is captioned.
void addDefaultMessages(LanguageTable &languages);
