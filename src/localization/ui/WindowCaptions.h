// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class LanguageTable;
class QObject;
class QWidget;

// Re-captions `window` in `language`, loaded into `languages`: every label, button, frame, check
// box, option button and menu of the window, every tab of its tab bars, every column
// header of its list views, and the window's title, each from the item whose key the
// element's names give (window name + "_" + control name, with the suffixes of the
// kind), then the message table. Elements without an item keep their text; a
// failing step is skipped. Loads "English" when the requested language leaves no
// usable lines. Never reports an error.
// Every caption that does not fit its control is then made to fit (platform/ui/CaptionFit.h).
void applyLanguage(QWidget *window, LanguageTable &languages, const QString &language);

// The re-captioning part of applyLanguage with the language already loaded in `languages`
// (no file is read, the message table is left alone), for the windows that the main window
// opens. Besides the captions, a control whose key + "_TOOLTIP" has an item takes that
// text as its tooltip. Captions are then fitted to their controls.
void captionWindow(QWidget *window, const LanguageTable &languages);

// The type name under which a control is re-captioned ("Label", "CommandButton",
// "SkinLabel", "Frame", "CheckBox", "OptionButton", "TabStrip", "ListView", "Menu"),
// or "" for a kind that is left alone. A dynamic property "vbType" overrides the
// mapping from the Qt class.
QString controlTypeName(const QObject *control);
