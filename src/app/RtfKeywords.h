// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// What the reader does with a control word. Words not in the table are ignored.
enum class RtfAction {
    Ignore,
    // Destinations
    SkipDestination,   // read for nothing, nested groups included
    FontTable,
    ColorTable,
    FieldInstruction,  // collected for HYPERLINK targets, not shown
    FieldResult,
    UnicodeAlternative, // \upr: its ANSI text is skipped in favour of \ud
    UnicodeDestination, // \ud
    // Document header
    CodePageAnsi, CodePageMac, CodePagePc, CodePagePca, AnsiCodePage, DefaultFont,
    // Font and colour tables
    FontCharset, FontCodePage, Red, Green, Blue,
    // Paragraphs and breaks
    Paragraph, LineBreak, Tab, ParagraphDefault,
    AlignLeft, AlignCenter, AlignRight, AlignJustify,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, TabStop,
    InTable, Cell, Row,
    // Characters
    Bold, Italic, Underline, UnderlineNone, Strike, Plain, FontSize, Font,
    Foreground, Background,
    UnicodeChar, UnicodeSkip, Binary,
    // Special characters (text in RtfKeyword::character)
    Character,
};

struct RtfKeyword
{
    RtfAction action = RtfAction::Ignore;
    char16_t character = 0; // for RtfAction::Character
};

// Looks up a control word (letters only, case-sensitive as RTF is).
RtfKeyword rtfLookupKeyword(std::string_view word);
