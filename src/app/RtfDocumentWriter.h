// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/RtfState.h"

#include <QTextCharFormat>
#include <QTextCursor>

class QTextDocument;

// Appends the text an RTF reader produces to a QTextDocument: batches characters of
// equal formatting into one insertion, pairs UTF-16 surrogates, turns paragraphs into
// blocks and table cells into tab-separated lines (one block per row).
class RtfDocumentWriter
{
public:
    // `document` and `tables` must outlive the writer; the document is appended to.
    RtfDocumentWriter(QTextDocument *document, const RtfTables &tables);

    // One UTF-16 unit in the given formatting. A lone surrogate becomes U+FFFD; control
    // characters other than tab and U+2028 (line separator) are dropped.
    void appendUnit(char16_t unit, const RtfCharacterState &format);
    void appendText(QStringView text, const RtfCharacterState &format);

    // Ends the paragraph; `paragraph` gives its block format. Inside a table a paragraph
    // end separates lines within a cell instead.
    void endParagraph(const RtfParagraphState &paragraph);
    void endCell();
    void endRow(const RtfParagraphState &paragraph);

    // Writes what is pending and drops the empty block a final \par leaves behind.
    void finish(const RtfParagraphState &paragraph);

    QTextCharFormat charFormat(const RtfCharacterState &format) const;
    static QTextBlockFormat blockFormat(const RtfParagraphState &paragraph);

private:
    void put(char16_t unit, const RtfCharacterState &format);
    void flushRun();
    void resolveSurrogate();
    void emitPendingCellBreaks(const RtfCharacterState &format);

    QTextDocument *m_document;
    const RtfTables &m_tables;
    QTextCursor m_cursor;
    QString m_run;
    RtfCharacterState m_runFormat;
    char16_t m_pendingHighSurrogate = 0;
    RtfCharacterState m_pendingHighFormat;
    int m_pendingCellTabs = 0;
    bool m_pendingCellLine = false;
};
