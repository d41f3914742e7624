// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RtfKeywords.h"

#include <unordered_map>

namespace {

using Table = std::unordered_map<std::string_view, RtfKeyword>;

Table buildTable()
{
    Table table;
    const auto add = [&table](std::initializer_list<std::string_view> words, RtfAction action,
                              char16_t character = 0) {
        for (const std::string_view word : words)
            table.emplace(word, RtfKeyword{action, character});
    };

    add({"pict", "info", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl",
         "footerr", "footerf", "object", "objdata", "themedata", "colorschememapping", "latentstyles",
         "datastore", "xmlnstbl", "listtable", "listoverridetable", "rsidtbl", "generator", "footnote",
         "annotation", "atnid", "atnauthor", "atndate", "bkmkstart", "bkmkend", "nonshppict", "shp",
         "shpinst", "shprslt", "filetbl", "revtbl", "pgdsctbl", "mmathPr", "userprops", "xe", "tc", "txe",
         "pn", "pnseclvl", "template", "docvar", "fchars", "lchars", "protusertbl", "ftnsep", "ftnsepc",
         "ftncn", "aftnsep", "aftnsepc", "aftncn", "listpicture", "panose", "falt", "fontemb", "fontfile",
         "nesttableprops", "nonesttables", "passwordhash", "wgrffmtfilter", "author", "operator", "title",
         "subject", "keywords", "comment", "doccomm", "company", "category", "manager", "hlinkbase",
         "background", "pgdsc", "do", "mhtmltag", "htmltag", "formfield", "datafield", "ffdeftext"},
        RtfAction::SkipDestination);
    add({"fonttbl"}, RtfAction::FontTable);
    add({"colortbl"}, RtfAction::ColorTable);
    add({"fldinst"}, RtfAction::FieldInstruction);
    add({"fldrslt"}, RtfAction::FieldResult);
    add({"upr"}, RtfAction::UnicodeAlternative);
    add({"ud"}, RtfAction::UnicodeDestination);

    add({"ansi"}, RtfAction::CodePageAnsi);
    add({"mac"}, RtfAction::CodePageMac);
    add({"pc"}, RtfAction::CodePagePc);
    add({"pca"}, RtfAction::CodePagePca);
    add({"ansicpg"}, RtfAction::AnsiCodePage);
    add({"deff"}, RtfAction::DefaultFont);
    add({"fcharset"}, RtfAction::FontCharset);
    add({"cpg"}, RtfAction::FontCodePage);
    add({"red"}, RtfAction::Red);
    add({"green"}, RtfAction::Green);
    add({"blue"}, RtfAction::Blue);

    add({"par", "sect", "page"}, RtfAction::Paragraph);
    add({"line"}, RtfAction::LineBreak);
    add({"tab"}, RtfAction::Tab);
    add({"pard"}, RtfAction::ParagraphDefault);
    add({"ql"}, RtfAction::AlignLeft);
    add({"qc"}, RtfAction::AlignCenter);
    add({"qr"}, RtfAction::AlignRight);
    add({"qj", "qd"}, RtfAction::AlignJustify);
    add({"li"}, RtfAction::LeftIndent);
    add({"ri"}, RtfAction::RightIndent);
    add({"fi"}, RtfAction::FirstIndent);
    add({"sb"}, RtfAction::SpaceBefore);
    add({"sa"}, RtfAction::SpaceAfter);
    add({"tx"}, RtfAction::TabStop);
    add({"intbl"}, RtfAction::InTable);
    add({"cell", "nestcell"}, RtfAction::Cell);
    add({"row", "nestrow"}, RtfAction::Row);

    add({"b"}, RtfAction::Bold);
    add({"i"}, RtfAction::Italic);
    add({"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
         "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"},
        RtfAction::Underline);
    add({"ulnone"}, RtfAction::UnderlineNone);
    add({"strike", "striked"}, RtfAction::Strike);
    add({"plain"}, RtfAction::Plain);
    add({"fs"}, RtfAction::FontSize);
    add({"f"}, RtfAction::Font);
    add({"cf"}, RtfAction::Foreground);
    add({"cb", "highlight", "chcbpat"}, RtfAction::Background);
    add({"u"}, RtfAction::UnicodeChar);
    add({"uc"}, RtfAction::UnicodeSkip);
    add({"bin"}, RtfAction::Binary);

    add({"emdash"}, RtfAction::Character, 0x2014);
    add({"endash"}, RtfAction::Character, 0x2013);
    add({"bullet"}, RtfAction::Character, 0x2022);
    add({"lquote"}, RtfAction::Character, 0x2018);
    add({"rquote"}, RtfAction::Character, 0x2019);
    add({"ldblquote"}, RtfAction::Character, 0x201C);
    add({"rdblquote"}, RtfAction::Character, 0x201D);
    add({"emspace"}, RtfAction::Character, 0x2003);
    add({"enspace"}, RtfAction::Character, 0x2002);
    add({"qmspace"}, RtfAction::Character, 0x2005);
    add({"zwj"}, RtfAction::Character, 0x200D);
    add({"zwnj"}, RtfAction::Character, 0x200C);
    return table;
}

} // namespace

RtfKeyword rtfLookupKeyword(std::string_view word)
{
    static const Table table = buildTable();
    const auto found = table.find(word);
    return found == table.end() ? RtfKeyword{} : found->second;
}
