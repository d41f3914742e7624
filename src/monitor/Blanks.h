// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QStringView>

// Blanks as header values and number texts allow them around a value: spaces and tabs only
// (no line breaks, no other white space).
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
inline bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// `text` without the blanks at either end.
template<typename View> View trimmedBlanks(View text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}
