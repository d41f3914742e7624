// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Group states kept at once; deeper groups share the state of the deepest kept one.
inline constexpr int MaxRtfGroupDepth = 1000;

// Reads an RTF document as word processors write it into `document`, replacing its
// content: paragraphs with alignment, indents, spacing and tab stops; bold, italic,
// underline, strike-through, font size, font family and colours; line breaks and tabs;
// table rows as tab-separated lines; the visible text of fields (HYPERLINK results
// become links). Pictures, objects, headers, footers, the info group and the other
// destinations are left out; unknown control words are ignored. \'hh escapes and 8-bit
// text decode in the document's or the font's code page (1252 when neither is known).
//
// Returns true when the input is RTF and its groups close properly; `error` is then left
// as it was. Returns false, with a description in `error` when given, when the input
// does not start with "{\rtf" (after white space), ends before its outermost group
// closes, or carries data other than white space and NUL bytes after it; the document
// then holds everything read up to that point (nothing for input that is not RTF).
// A null `document` is a failure too.
// Any input is read in time and memory linear in its size; groups nested deeper than
// MaxRtfGroupDepth keep the state of the deepest kept level.
bool readRtfInto(const QByteArray &rtf, QTextDocument *document, QString *error = nullptr);

// The document readRtfInto makes from `rtf`, as Qt rich text (HTML).
QString rtfToHtml(const QByteArray &rtf);

