// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RtfReader.h"

#include "app/RtfCodePage.h"
#include "app/RtfDocumentWriter.h"
#include "app/RtfKeywords.h"
#include "app/RtfState.h"
#include "app/RtfTokenizer.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace {

enum class Destination {
    Text,
    Skip,
    FontTable,
    ColorTable,
    FieldInstruction,
    UnicodeAlternative,
};

struct GroupState
{
    RtfCharacterState chars;
    RtfParagraphState paragraph;
    Destination destination = Destination::Text;
    int unicodeSkip = 1; // \ucN: fallback characters after each \uN, 0..MaxUnicodeSkip
};

constexpr int MaxUnicodeSkip = 255;
constexpr int MaxTableEntries = 32767;
constexpr qsizetype MaxFontNameLength = 256;
constexpr qsizetype MaxFieldInstructionLength = 4096;

int clampTwips(const RtfToken &token)
{
    if (!token.hasParameter)
        return 0;
    return std::clamp(token.parameter, -RtfParagraphState::MaxTwips, RtfParagraphState::MaxTwips);
}

bool switchedOn(const RtfToken &token)
{
    return !token.hasParameter || token.parameter != 0;
}

// The target of a HYPERLINK field instruction (the first quoted argument, or the first
// word after the field name), empty for other fields.
QString hyperlinkTarget(const QString &instruction)
{
    const QString trimmed = instruction.trimmed();
    static const QString name = QStringLiteral("HYPERLINK");
    if (!trimmed.startsWith(name, Qt::CaseInsensitive))
        return {};
    const QString arguments = trimmed.mid(name.size()).trimmed();
    const qsizetype open = arguments.indexOf(u'"');
    if (open >= 0) {
        const qsizetype close = arguments.indexOf(u'"', open + 1);
        return arguments.mid(open + 1, close < 0 ? -1 : close - open - 1).trimmed();
    }
    return arguments.section(u' ', 0, 0, QString::SectionSkipEmpty);
}

class RtfParser
{
public:
    // `input` must start with "{\rtf" (leading white space removed).
    RtfParser(QByteArrayView input, QTextDocument *document)
        : m_tokenizer(input)
        , m_input(input)
        , m_writer(document, m_tables)
    {
    }

    bool run(QString *error);

private:
    GroupState &state() { return m_stack.back(); }

    void openGroup();
    bool closeGroup(); // true when the outermost group closed
    void controlWord(const RtfToken &token);
    void textAction(const RtfKeyword &keyword, const RtfToken &token);
    void controlSymbol(char symbol);
    void bytes(std::string_view text);
    void flushBytes();
    void deliver(char16_t unit);
    void commitFont();
    void commitColor();
    int codePageForText() const;

    RtfTokenizer m_tokenizer;
    QByteArrayView m_input;
    RtfTables m_tables;
    RtfTextDecoder m_decoder;
    RtfDocumentWriter m_writer;
    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0;   // groups opened beyond MaxRtfGroupDepth
    QByteArray m_pendingBytes; // 8-bit text awaiting decoding in the current state
    int m_fallbackToSkip = 0;  // characters still to skip after \uN
    bool m_ignorableNext = false;

    int m_fontIndex = -1; // font table entry being read, -1 for none
    RtfFont m_font;
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;
    QString m_fontName;
    QString m_fieldInstruction;
    static constexpr int FieldLinkUnread = -2;
    int m_fieldLink = -1; // index into m_tables.links for the last instruction, -1: no link
};

bool RtfParser::run(QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };

    bool closed = false;
    while (!closed) {
        RtfToken token = m_tokenizer.next();
        if (token.kind != RtfToken::Kind::Text && token.kind != RtfToken::Kind::HexByte)
            flushBytes();
        if (token.kind == RtfToken::Kind::End)
            break;

        if (m_fallbackToSkip > 0) {
            if (token.kind == RtfToken::Kind::GroupOpen || token.kind == RtfToken::Kind::GroupClose) {
                m_fallbackToSkip = 0;
            } else if (token.kind == RtfToken::Kind::Text) {
                const size_t skipped = std::min(token.text.size(), static_cast<size_t>(m_fallbackToSkip));
                m_fallbackToSkip -= static_cast<int>(skipped);
                token.text.remove_prefix(skipped);
                if (token.text.empty())
                    continue;
            } else {
                --m_fallbackToSkip;
                if (token.kind == RtfToken::Kind::ControlWord && token.hasParameter
                    && rtfLookupKeyword(token.word).action == RtfAction::Binary)
                    m_tokenizer.skipBytes(token.parameter);
                continue;
            }
        }

        if (m_ignorableNext && !m_stack.empty()) {
            m_ignorableNext = false;
            bool known = false;
            if (token.kind == RtfToken::Kind::ControlWord) {
                const RtfAction action = rtfLookupKeyword(token.word).action;
                known = action == RtfAction::FieldInstruction || action == RtfAction::UnicodeDestination;
            }
            if (!known)
                state().destination = Destination::Skip;
        }

        switch (token.kind) {
        case RtfToken::Kind::GroupOpen: openGroup(); break;
        case RtfToken::Kind::GroupClose: closed = closeGroup(); break;
        case RtfToken::Kind::ControlWord: controlWord(token); break;
        case RtfToken::Kind::ControlSymbol: controlSymbol(token.symbol); break;
        case RtfToken::Kind::HexByte: {
            const char byte = static_cast<char>(token.byte);
            bytes(std::string_view(&byte, 1));
            break;
        }
        case RtfToken::Kind::Text: bytes(token.text); break;
        case RtfToken::Kind::Invalid:
        case RtfToken::Kind::End: break;
        }
    }

    m_writer.finish(m_stack.empty() ? RtfParagraphState{} : state().paragraph);
    if (!closed) {
        return fail(QStringLiteral("the document ends before %1 group(s) close")
                        .arg(static_cast<qsizetype>(m_stack.size()) + m_overflowDepth));
    }
    for (qsizetype i = m_tokenizer.position(); i < m_input.size(); ++i) {
        // White space and NUL bytes may follow the outermost group.
        if (!QByteArrayView(" \t\r\n", 5).contains(m_input[i]))
            return fail(QStringLiteral("data after the end of the document"));
    }
    return true;
}

void RtfParser::openGroup()
{
    if (m_stack.empty()) {
        m_stack.emplace_back();
        return;
    }
    if (m_stack.size() >= static_cast<size_t>(MaxRtfGroupDepth)) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
}

bool RtfParser::closeGroup()
{
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return false;
    }
    if (m_stack.size() <= 1)
        return true;
    const Destination closing = state().destination;
    m_stack.pop_back();
    if (closing == Destination::FontTable)
        commitFont();
    return false;
}

void RtfParser::controlWord(const RtfToken &token)
{
    const RtfKeyword keyword = rtfLookupKeyword(token.word);
    if (keyword.action == RtfAction::Binary) {
        if (token.hasParameter)
            m_tokenizer.skipBytes(token.parameter);
        return;
    }

    GroupState &current = state();
    switch (current.destination) {
    case Destination::Skip:
        return;
    case Destination::UnicodeAlternative:
        if (keyword.action == RtfAction::UnicodeDestination)
            current.destination = Destination::Text;
        return;
    case Destination::FontTable:
        switch (keyword.action) {
        case RtfAction::Font:
            commitFont();
            m_fontIndex = token.hasParameter ? token.parameter : 0;
            return;
        case RtfAction::FontCharset: m_font.charset = token.parameter; return;
        case RtfAction::FontCodePage: m_font.codePage = token.parameter; return;
        case RtfAction::SkipDestination: current.destination = Destination::Skip; return;
        case RtfAction::UnicodeChar:
        case RtfAction::UnicodeSkip:
        case RtfAction::Character: break;
        default: return;
        }
        break;
    case Destination::ColorTable:
        switch (keyword.action) {
        case RtfAction::Red: m_red = std::clamp(token.parameter, 0, 255); return;
        case RtfAction::Green: m_green = std::clamp(token.parameter, 0, 255); return;
        case RtfAction::Blue: m_blue = std::clamp(token.parameter, 0, 255); return;
        case RtfAction::SkipDestination: current.destination = Destination::Skip; return;
        default: return;
        }
    case Destination::FieldInstruction:
    case Destination::Text:
        break;
    }
    textAction(keyword, token);
}

void RtfParser::textAction(const RtfKeyword &keyword, const RtfToken &token)
{
    GroupState &current = state();
    RtfCharacterState &chars = current.chars;
    RtfParagraphState &paragraph = current.paragraph;
    const bool inText = current.destination == Destination::Text;
    switch (keyword.action) {
    case RtfAction::Ignore:
    case RtfAction::Binary:
    case RtfAction::FontCharset:
    case RtfAction::FontCodePage:
    case RtfAction::Red:
    case RtfAction::Green:
    case RtfAction::Blue:
        break;
    case RtfAction::SkipDestination: current.destination = Destination::Skip; break;
    case RtfAction::FontTable:
        current.destination = Destination::FontTable;
        m_fontIndex = -1;
        m_font = {};
        break;
    case RtfAction::ColorTable:
        current.destination = Destination::ColorTable;
        m_red = m_green = m_blue = -1;
        break;
    case RtfAction::FieldInstruction:
        current.destination = Destination::FieldInstruction;
        m_fieldInstruction.clear();
        m_fieldLink = FieldLinkUnread;
        break;
    case RtfAction::FieldResult:
        current.destination = Destination::Text;
        if (m_fieldLink == FieldLinkUnread) {
            // Once per instruction, so that repeated results cannot multiply its text.
            const QString target = hyperlinkTarget(m_fieldInstruction);
            m_fieldLink = target.isEmpty() ? -1 : static_cast<int>(m_tables.links.size());
            if (!target.isEmpty())
                m_tables.links.append(target);
        }
        chars.link = m_fieldLink;
        break;
    case RtfAction::UnicodeAlternative: current.destination = Destination::UnicodeAlternative; break;
    case RtfAction::UnicodeDestination: current.destination = Destination::Text; break;
    case RtfAction::CodePageAnsi: m_tables.codePage = 1252; break;
    case RtfAction::CodePageMac: m_tables.codePage = 10000; break;
    case RtfAction::CodePagePc: m_tables.codePage = 437; break;
    case RtfAction::CodePagePca: m_tables.codePage = 850; break;
    case RtfAction::AnsiCodePage:
        if (token.hasParameter && token.parameter > 0)
            m_tables.codePage = token.parameter;
        break;
    case RtfAction::DefaultFont: m_tables.defaultFont = token.parameter; break;
    case RtfAction::Paragraph:
        if (inText)
            m_writer.endParagraph(paragraph);
        break;
    case RtfAction::LineBreak: deliver(0x2028); break;
    case RtfAction::Tab: deliver(u'\t'); break;
    case RtfAction::Character: deliver(keyword.character); break;
    case RtfAction::ParagraphDefault: paragraph = RtfParagraphState{}; break;
    case RtfAction::AlignLeft: paragraph.alignment = RtfAlignment::Left; break;
    case RtfAction::AlignCenter: paragraph.alignment = RtfAlignment::Center; break;
    case RtfAction::AlignRight: paragraph.alignment = RtfAlignment::Right; break;
    case RtfAction::AlignJustify: paragraph.alignment = RtfAlignment::Justify; break;
    case RtfAction::LeftIndent: paragraph.leftIndent = clampTwips(token); break;
    case RtfAction::RightIndent: paragraph.rightIndent = clampTwips(token); break;
    case RtfAction::FirstIndent: paragraph.firstIndent = clampTwips(token); break;
    case RtfAction::SpaceBefore: paragraph.spaceBefore = clampTwips(token); break;
    case RtfAction::SpaceAfter: paragraph.spaceAfter = clampTwips(token); break;
    case RtfAction::TabStop:
        if (paragraph.tabStops.size() < RtfParagraphState::MaxTabStops)
            paragraph.tabStops.append(clampTwips(token));
        break;
    case RtfAction::InTable: paragraph.inTable = switchedOn(token); break;
    case RtfAction::Cell:
        if (inText)
            m_writer.endCell();
        break;
    case RtfAction::Row:
        if (inText)
            m_writer.endRow(paragraph);
        break;
    case RtfAction::Bold: chars.bold = switchedOn(token); break;
    case RtfAction::Italic: chars.italic = switchedOn(token); break;
    case RtfAction::Underline: chars.underline = switchedOn(token); break;
    case RtfAction::UnderlineNone: chars.underline = false; break;
    case RtfAction::Strike: chars.strike = switchedOn(token); break;
    case RtfAction::Plain: {
        RtfCharacterState plain;
        plain.link = chars.link;
        chars = plain;
        break;
    }
    case RtfAction::FontSize:
        chars.fontSize = token.hasParameter && token.parameter > 0 ? std::min(token.parameter, 3276) : 24;
        break;
    case RtfAction::Font: chars.font = token.hasParameter ? std::max(token.parameter, 0) : -1; break;
    case RtfAction::Foreground: chars.foreground = std::max(token.parameter, 0); break;
    case RtfAction::Background: chars.background = std::max(token.parameter, 0); break;
    case RtfAction::UnicodeChar:
        if (token.hasParameter) {
            const int value = token.parameter < 0 ? token.parameter + 65536 : token.parameter;
            deliver(value >= 0 && value <= 0xFFFF
                     ? RtfTextDecoder::mapSymbolPrivateUse(static_cast<char16_t>(value))
                     : char16_t(0xFFFD));
            m_fallbackToSkip = current.unicodeSkip;
        }
        break;
    case RtfAction::UnicodeSkip:
        current.unicodeSkip = token.hasParameter ? std::clamp(token.parameter, 0, MaxUnicodeSkip) : 1;
        break;
    }
}

void RtfParser::controlSymbol(char symbol)
{
    if (symbol == '*') {
        m_ignorableNext = true;
        return;
    }
    const Destination destination = state().destination;
    if (destination == Destination::Skip || destination == Destination::UnicodeAlternative)
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}': deliver(static_cast<char16_t>(symbol)); break;
    case '~': deliver(0x00A0); break;
    case '-': deliver(0x00AD); break;
    case '_': deliver(0x2011); break;
    case '\n':
        if (destination == Destination::Text)
            m_writer.endParagraph(state().paragraph);
        break;
    default: break;
    }
}

void RtfParser::bytes(std::string_view text)
{
    const Destination destination = state().destination;
    if (destination == Destination::Skip || destination == Destination::UnicodeAlternative)
        return;
    m_pendingBytes.append(text.data(), static_cast<qsizetype>(text.size()));
}

void RtfParser::flushBytes()
{
    if (m_pendingBytes.isEmpty())
        return;
    const QString text = m_decoder.decode(codePageForText(), m_pendingBytes);
    m_pendingBytes.clear();
    for (const QChar c : text)
        deliver(c.unicode());
}

int RtfParser::codePageForText() const
{
    const GroupState &current = m_stack.back();
    RtfFont font;
    if (current.destination == Destination::FontTable) {
        font = m_font;
    } else {
        const int index = current.chars.font >= 0 ? current.chars.font : m_tables.defaultFont;
        font = m_tables.fonts.value(index);
    }
    if (font.codePage > 0)
        return font.codePage;
    const int fromCharset = rtfCodePageForCharset(font.charset);
    return fromCharset != 0 ? fromCharset : m_tables.codePage;
}

void RtfParser::deliver(char16_t unit)
{
    switch (state().destination) {
    case Destination::Text: m_writer.appendUnit(unit, state().chars); break;
    case Destination::FontTable:
        if (unit == u';')
            commitFont();
        else if (m_fontName.size() < MaxFontNameLength && unit >= 0x20)
            m_fontName.append(QChar(unit));
        break;
    case Destination::ColorTable:
        if (unit == u';')
            commitColor();
        break;
    case Destination::FieldInstruction:
        if (m_fieldInstruction.size() < MaxFieldInstructionLength)
            m_fieldInstruction.append(QChar(unit));
        break;
    case Destination::Skip:
    case Destination::UnicodeAlternative: break;
    }
}

void RtfParser::commitFont()
{
    if (m_fontIndex >= 0 && (m_tables.fonts.size() < MaxTableEntries || m_tables.fonts.contains(m_fontIndex))) {
        m_font.name = m_fontName.trimmed();
        m_tables.fonts.insert(m_fontIndex, m_font);
    }
    m_fontIndex = -1;
    m_font = {};
    m_fontName.clear();
}

void RtfParser::commitColor()
{
    if (m_tables.colors.size() < MaxTableEntries) {
        if (m_red < 0 && m_green < 0 && m_blue < 0)
            m_tables.colors.append(std::nullopt);
        else
            m_tables.colors.append(QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
    }
    m_red = m_green = m_blue = -1;
}

} // namespace

bool readRtfInto(const QByteArray &rtf, QTextDocument *document, QString *error)
{
    if (!document) {
        if (error)
            *error = QStringLiteral("no document to read into");
        return false;
    }
    const bool undoRedo = document->isUndoRedoEnabled();
    document->clear();
    document->setUndoRedoEnabled(false);
    QByteArrayView input(rtf);
    while (!input.isEmpty() && QByteArrayView(" \t\r\n").contains(input.front()))
        input = input.sliced(1);
    if (!input.startsWith("{\\rtf")) {
        if (error)
            *error = QStringLiteral("not an RTF document");
        document->setUndoRedoEnabled(undoRedo);
        return false;
    }

    QTextCursor batch(document);
    batch.beginEditBlock();
    bool ok = false;
    {
        RtfParser parser(input, document);
        ok = parser.run(error);
    }
    batch.endEditBlock();
    document->setUndoRedoEnabled(undoRedo);
    return ok;
}

QString rtfToHtml(const QByteArray &rtf)
{
    QTextDocument document;
    readRtfInto(rtf, &document);
    return document.toHtml();
}
