// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Character properties in force in an RTF group.
struct RtfCharacterState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int fontSize = 24;  // half-points, 1..3276
    int font = -1;      // index into the font table; -1: the document's \deff
    int foreground = 0; // index into the colour table; 0: the reader's default colour
    int background = 0; // index into the colour table; 0: none
    int link = -1;      // index into RtfTables::links of the HYPERLINK field around the text

    bool operator==(const RtfCharacterState &) const = default;
};

enum class RtfAlignment { Left, Center, Right, Justify };

// Paragraph properties in force in an RTF group. Lengths in twips, within ±MaxTwips.
struct RtfParagraphState
{
    static constexpr int MaxTwips = 31680; // 22 inches, the largest RTF page
    static constexpr int MaxTabStops = 32;

    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    QList<int> tabStops; // \txN, from the left margin; at most MaxTabStops
    bool inTable = false;
};

struct RtfFont
{
    QString name;
    int charset = 0;
    int codePage = 0; // from \cpg; 0: derived from the charset
};

// The document-wide tables the header declares.
struct RtfTables
{
    QHash<int, RtfFont> fonts;
    QList<std::optional<QColor>> colors; // an empty entry is the "auto" colour
    int defaultFont = 0;
    int codePage = 1252;
    QStringList links; // targets of the HYPERLINK fields met so far
};
