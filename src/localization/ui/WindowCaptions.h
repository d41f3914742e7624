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
void applyLanguage(QWidget *window, LanguageTable &languages, const QString &language);

// The type name under which a control is re-captioned ("Label", "CommandButton",
// "SkinLabel", "Frame", "CheckBox", "OptionButton", "TabStrip", "ListView", "Menu"),
// or "" for a kind that is left alone. A dynamic property "vbType" overrides the
// mapping from the Qt class.
QString controlTypeName(const QObject *control);
