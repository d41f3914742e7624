// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RtfDocumentWriter.h"

#include "app/RtfCodePage.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;
constexpr char16_t LineSeparator = 0x2028;

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Twips to pixels at 96 dots per inch.
qreal pixels(int twips)
{
    return twips / 15.0;
}

} // namespace

RtfDocumentWriter::RtfDocumentWriter(QTextDocument *document, const RtfTables &tables)
    : m_document(document)
    , m_tables(tables)
    , m_cursor(document)
{
    m_cursor.movePosition(QTextCursor::End);
}

void RtfDocumentWriter::appendUnit(char16_t unit, const RtfCharacterState &format)
{
    if (isHighSurrogate(unit)) {
        resolveSurrogate();
        m_pendingHighSurrogate = unit;
        m_pendingHighFormat = format;
        return;
    }
    if (isLowSurrogate(unit)) {
        if (m_pendingHighSurrogate == 0) {
            emitPendingCellBreaks(format);
            put(ReplacementCharacter, format);
            return;
        }
        emitPendingCellBreaks(format);
        put(m_pendingHighSurrogate, format);
        put(unit, format);
        m_pendingHighSurrogate = 0;
        return;
    }
    resolveSurrogate();
    if ((unit < 0x20 && unit != u'\t') || unit == 0x7F)
        return;
    emitPendingCellBreaks(format);
    put(unit, format);
}

void RtfDocumentWriter::appendText(QStringView text, const RtfCharacterState &format)
{
    for (const QChar c : text)
        appendUnit(c.unicode(), format);
}

void RtfDocumentWriter::endParagraph(const RtfParagraphState &paragraph)
{
    resolveSurrogate();
    if (paragraph.inTable) {
        if (m_pendingCellTabs == 0)
            m_pendingCellLine = true;
        return;
    }
    flushRun();
    m_pendingCellTabs = 0;
    m_pendingCellLine = false;
    m_cursor.setBlockFormat(blockFormat(paragraph));
    m_cursor.insertBlock();
}

void RtfDocumentWriter::endCell()
{
    resolveSurrogate();
    m_pendingCellLine = false;
    ++m_pendingCellTabs;
}

void RtfDocumentWriter::endRow(const RtfParagraphState &paragraph)
{
    RtfParagraphState row = paragraph;
    row.inTable = false;
    endParagraph(row);
}

void RtfDocumentWriter::finish(const RtfParagraphState &paragraph)
{
    resolveSurrogate();
    flushRun();
    if (m_cursor.block().length() <= 1 && m_document->blockCount() > 1)
        m_cursor.deletePreviousChar();
    else
        m_cursor.setBlockFormat(blockFormat(paragraph));
}

QTextCharFormat RtfDocumentWriter::charFormat(const RtfCharacterState &format) const
{
    QTextCharFormat result;
    if (format.bold)
        result.setFontWeight(QFont::Bold);
    if (format.italic)
        result.setFontItalic(true);
    if (format.underline)
        result.setFontUnderline(true);
    if (format.strike)
        result.setFontStrikeOut(true);
    result.setFontPointSize(format.fontSize / 2.0);

    const auto font = m_tables.fonts.constFind(format.font >= 0 ? format.font : m_tables.defaultFont);
    if (font != m_tables.fonts.cend() && !font->name.isEmpty() && rtfCodePageForCharset(font->charset) != -1)
        result.setFontFamilies(QStringList{font->name});

    const auto color = [this](int index) -> std::optional<QColor> {
        if (index <= 0 || index >= m_tables.colors.size())
            return std::nullopt;
        return m_tables.colors.at(index);
    };
    if (const auto foreground = color(format.foreground))
        result.setForeground(*foreground);
    if (const auto background = color(format.background))
        result.setBackground(*background);

    if (format.link >= 0 && format.link < m_tables.links.size()) {
        result.setAnchor(true);
        result.setAnchorHref(m_tables.links.at(format.link));
    }
    return result;
}

QTextBlockFormat RtfDocumentWriter::blockFormat(const RtfParagraphState &paragraph)
{
    QTextBlockFormat result;
    switch (paragraph.alignment) {
    case RtfAlignment::Left: result.setAlignment(Qt::AlignLeft); break;
    case RtfAlignment::Center: result.setAlignment(Qt::AlignHCenter); break;
    case RtfAlignment::Right: result.setAlignment(Qt::AlignRight); break;
    case RtfAlignment::Justify: result.setAlignment(Qt::AlignJustify); break;
    }
    result.setLeftMargin(pixels(paragraph.leftIndent));
    result.setRightMargin(pixels(paragraph.rightIndent));
    result.setTextIndent(pixels(paragraph.firstIndent));
    result.setTopMargin(pixels(paragraph.spaceBefore));
    result.setBottomMargin(pixels(paragraph.spaceAfter));

    // Qt measures tab positions from the start of the line, RTF from the left margin;
    // the first line starts at leftIndent + firstIndent. A hanging indent is a tab stop too.
    const int lineStart = paragraph.leftIndent + paragraph.firstIndent;
    QList<int> stops = paragraph.tabStops;
    if (paragraph.firstIndent < 0)
        stops.append(paragraph.leftIndent);
    QList<QTextOption::Tab> tabs;
    for (const int stop : std::as_const(stops)) {
        if (stop > lineStart)
            tabs.append(QTextOption::Tab(pixels(stop - lineStart), QTextOption::LeftTab));
    }
    std::sort(tabs.begin(), tabs.end(),
              [](const QTextOption::Tab &a, const QTextOption::Tab &b) { return a.position < b.position; });
    tabs.erase(std::unique(tabs.begin(), tabs.end()), tabs.end());
    if (!tabs.isEmpty())
        result.setTabPositions(tabs);
    return result;
}

void RtfDocumentWriter::put(char16_t unit, const RtfCharacterState &format)
{
    if (m_run.isEmpty()) {
        m_runFormat = format;
    } else if (!(format == m_runFormat)) {
        flushRun();
        m_runFormat = format;
    }
    m_run.append(QChar(unit));
}

void RtfDocumentWriter::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, charFormat(m_runFormat));
    m_run.clear();
}

void RtfDocumentWriter::resolveSurrogate()
{
    if (m_pendingHighSurrogate == 0)
        return;
    m_pendingHighSurrogate = 0;
    emitPendingCellBreaks(m_pendingHighFormat);
    put(ReplacementCharacter, m_pendingHighFormat);
}

void RtfDocumentWriter::emitPendingCellBreaks(const RtfCharacterState &format)
{
    if (m_pendingCellLine) {
        m_pendingCellLine = false;
        put(LineSeparator, format);
    }
    for (; m_pendingCellTabs > 0; --m_pendingCellTabs)
        put(u'\t', format);
}
