// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RtfReader.h"
#include "app/RtfTokenizer.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

namespace {

QByteArray wrap(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\deff0"
           "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fmodern\\fcharset0 Courier New;}"
           "{\\f2\\fcharset2 Symbol;}{\\f3\\fcharset204 Arial Cyr;}}"
           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}\n"
           + body + "}";
}

// Block texts joined with '|'; line breaks show as '/'.
QString structure(const QTextDocument &document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        blocks << block.text().replace(QChar(0x2028), u'/');
    return blocks.join(u'|');
}

// Format of the first character of the first occurrence of `probe`.
QTextCharFormat formatOf(const QTextDocument &document, const QString &probe)
{
    const qsizetype index = document.toRawText().indexOf(probe);
    if (index < 0)
        return {};
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(static_cast<int>(index) + 1);
    return cursor.charFormat();
}

QTextBlockFormat blockFormatOf(const QTextDocument &document, const QString &probe)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.text().contains(probe))
            return block.blockFormat();
    }
    return {};
}

// "bold italic underline strike <size>pt <family> <colour> on <background>", present parts only.
QString describe(const QTextCharFormat &format)
{
    QStringList parts;
    if (format.fontWeight() == QFont::Bold)
        parts << QStringLiteral("bold");
    if (format.fontItalic())
        parts << QStringLiteral("italic");
    if (format.fontUnderline())
        parts << QStringLiteral("underline");
    if (format.fontStrikeOut())
        parts << QStringLiteral("strike");
    parts << QString::number(format.fontPointSize()) + QStringLiteral("pt");
    parts << format.fontFamilies().toStringList();
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        parts << format.foreground().color().name();
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        parts << QStringLiteral("on") << format.background().color().name();
    return parts.join(u' ');
}

QString describe(const QTextBlockFormat &format)
{
    static const QHash<int, QString> names = {{Qt::AlignLeft, "left"}, {Qt::AlignHCenter, "center"},
                                              {Qt::AlignRight, "right"}, {Qt::AlignJustify, "justify"}};
    return names.value(int(format.alignment() & Qt::AlignHorizontal_Mask), QStringLiteral("?"))
           + QStringLiteral(" %1/%2/%3/%4/%5")
                 .arg(format.leftMargin())
                 .arg(format.rightMargin())
                 .arg(format.textIndent())
                 .arg(format.topMargin())
                 .arg(format.bottomMargin());
}

QString describe(const RtfToken &token)
{
    switch (token.kind) {
    case RtfToken::Kind::End: return {};
    case RtfToken::Kind::GroupOpen: return QStringLiteral("{");
    case RtfToken::Kind::GroupClose: return QStringLiteral("}");
    case RtfToken::Kind::ControlWord:
        return QStringLiteral("W:") + QString::fromLatin1(token.word.data(), qsizetype(token.word.size()))
               + (token.hasParameter ? QStringLiteral("=%1").arg(token.parameter) : QString());
    case RtfToken::Kind::ControlSymbol:
        return token.symbol == '\n' ? QStringLiteral("S:LF") : QStringLiteral("S:") + QChar(token.symbol);
    case RtfToken::Kind::HexByte: return QStringLiteral("H:%1").arg(token.byte, 2, 16, QChar(u'0'));
    case RtfToken::Kind::Text:
        return QStringLiteral("T:") + QString::fromLatin1(token.text.data(), qsizetype(token.text.size()));
    case RtfToken::Kind::Invalid: return QStringLiteral("I");
    }
    return {};
}

QByteArray fixture(const QString &name)
{
    QFile file(qEnvironmentVariable("OCELLUS_TEST_DATA") + QStringLiteral("/rtf/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void tokens_data();
    void tokens();
    void characterFormatting_data();
    void characterFormatting();
    void structure_data();
    void structure();
    void paragraphFormatting_data();
    void paragraphFormatting();
    void tabStops_data();
    void tabStops();
    void codePages_data();
    void codePages();
    void unicode_data();
    void unicode();
    void skippedDestinations_data();
    void skippedDestinations();
    void hyperlinkFieldBecomesLink();
    void malformed_data();
    void malformed();
    void nestingBeyondTheLimitRestoresFormatting();
    void replacesDocumentContentAndKeepsUndoSetting();
    void htmlCarriesFormatting();
    void wordProcessorDocuments_data();
    void wordProcessorDocuments();
    void wordProcessorFormatting_data();
    void wordProcessorFormatting();
    void helpDocument();
};

void TestRtfReader::tokens_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("delimiting space consumed") << QByteArray("\\fs24 A") << "W:fs=24 T:A";
    QTest::newRow("second space is text") << QByteArray("\\fs24  A") << "W:fs=24 T: A";
    QTest::newRow("negative parameter") << QByteArray("\\li-300x") << "W:li=-300 T:x";
    QTest::newRow("hyphen without digit") << QByteArray("\\b-x") << "W:b T:-x";
    QTest::newRow("20 digits saturate") << QByteArray("\\fs99999999999999999999") << "W:fs=2147483647";
    QTest::newRow("20 digits negative") << QByteArray("\\li-99999999999999999999") << "W:li=-2147483647";
    QTest::newRow("hex either case") << QByteArray("\\'e9\\'E9") << "H:e9 H:e9";
    QTest::newRow("one hex digit at end") << QByteArray("\\'4") << "I";
    QTest::newRow("one hex digit then letter") << QByteArray("\\'4g") << "I T:g";
    QTest::newRow("quote at end") << QByteArray("\\'") << "I";
    QTest::newRow("line ends dropped") << QByteArray("a\r\nb") << "T:a T:b";
    QTest::newRow("backslash newline") << QByteArray("\\\r\nx") << "S:LF T:x";
    QTest::newRow("lone backslash") << QByteArray("\\") << "";
    QTest::newRow("groups and symbols") << QByteArray("{\\*\\x}\\{") << "{ S:* W:x } S:{";
}

void TestRtfReader::tokens()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    RtfTokenizer tokenizer(input);
    QStringList seen;
    for (RtfToken token = tokenizer.next(); token.kind != RtfToken::Kind::End; token = tokenizer.next())
        seen << describe(token);
    QCOMPARE(seen.join(u' '), expected);
    QVERIFY(tokenizer.atEnd());
}

void TestRtfReader::characterFormatting_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain default") << QByteArray("X") << "12pt Times New Roman";
    QTest::newRow("bold") << QByteArray("{\\b X}") << "bold 12pt Times New Roman";
    QTest::newRow("bold off") << QByteArray("\\b A\\b0 X") << "12pt Times New Roman";
    QTest::newRow("group restores") << QByteArray("{\\b\\i A}X") << "12pt Times New Roman";
    QTest::newRow("italic") << QByteArray("\\i X") << "italic 12pt Times New Roman";
    QTest::newRow("italic off") << QByteArray("\\i\\i0 X") << "12pt Times New Roman";
    QTest::newRow("underline") << QByteArray("\\ul X") << "underline 12pt Times New Roman";
    QTest::newRow("double underline") << QByteArray("\\uldb X") << "underline 12pt Times New Roman";
    QTest::newRow("underline colour is no underline") << QByteArray("\\ulc1 X") << "12pt Times New Roman";
    QTest::newRow("ulnone") << QByteArray("\\ul A\\ulnone X") << "12pt Times New Roman";
    QTest::newRow("ul0") << QByteArray("\\ul A\\ul0 X") << "12pt Times New Roman";
    QTest::newRow("strike") << QByteArray("\\strike X") << "strike 12pt Times New Roman";
    QTest::newRow("strike0") << QByteArray("\\strike\\strike0 X") << "12pt Times New Roman";
    QTest::newRow("all at once") << QByteArray("\\b\\i\\ul\\strike X") << "bold italic underline strike 12pt Times New Roman";
    QTest::newRow("plain resets") << QByteArray("\\b\\i\\ul\\strike\\fs40\\f1\\cf1\\highlight2 A\\plain X")
                                  << "12pt Times New Roman";
    QTest::newRow("font size") << QByteArray("\\fs36 X") << "18pt Times New Roman";
    QTest::newRow("odd half points") << QByteArray("\\fs21 X") << "10.5pt Times New Roman";
    QTest::newRow("fs0 is default") << QByteArray("\\fs0 X") << "12pt Times New Roman";
    QTest::newRow("huge size clamps") << QByteArray("\\fs99999999999999999999 X") << "1638pt Times New Roman";
    QTest::newRow("font from table") << QByteArray("\\f1 X") << "12pt Courier New";
    QTest::newRow("unknown font") << QByteArray("\\f9 X") << "12pt";
    QTest::newRow("symbol font has no family") << QByteArray("\\f2 X") << "12pt";
    QTest::newRow("colour from table") << QByteArray("\\cf2 X") << "12pt Times New Roman #008000";
    QTest::newRow("cf0 is auto") << QByteArray("\\cf1 A\\cf0 X") << "12pt Times New Roman";
    QTest::newRow("colour past table") << QByteArray("\\cf3 X") << "12pt Times New Roman";
    QTest::newRow("negative colour") << QByteArray("\\cf-1 X") << "12pt Times New Roman";
    QTest::newRow("highlight") << QByteArray("\\highlight1 X") << "12pt Times New Roman on #ff0000";
}

void TestRtfReader::characterFormatting()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto(wrap(body), &document, &error), qPrintable(error));
    QCOMPARE(describe(formatOf(document, QStringLiteral("X"))), expected);
}

void TestRtfReader::structure_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one paragraph") << QByteArray("A") << "A";
    QTest::newRow("par splits") << QByteArray("A\\par B") << "A|B";
    QTest::newRow("final par leaves no empty block") << QByteArray("A\\par B\\par") << "A|B";
    QTest::newRow("empty paragraph kept") << QByteArray("A\\par\\par B") << "A||B";
    QTest::newRow("line break") << QByteArray("A\\line B") << "A/B";
    QTest::newRow("tab") << QByteArray("A\\tab B") << "A\tB";
    QTest::newRow("backslash before newline") << QByteArray("A\\\nB") << "A|B";
    QTest::newRow("raw newlines ignored") << QByteArray("A\r\nB") << "AB";
    QTest::newRow("escapes") << QByteArray("\\\\ \\{ \\}") << "\\ { }";
    QTest::newRow("special characters") << QByteArray("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote")
                                        << QString::fromUtf8("—–•‘’“”");
    QTest::newRow("nbsp soft and hard hyphen") << QByteArray("a\\~b\\-c\\_d")
                                               << QString::fromUtf16(u"a\u00A0b\u00ADc\u2011d");
    QTest::newRow("table row") << QByteArray("\\trowd\\cellx1000\\cellx2000\\pard\\intbl A\\cell B\\cell\\row\\pard C\\par")
                               << "A\tB|C";
    QTest::newRow("two rows") << QByteArray("\\intbl A\\cell B\\cell\\row\\intbl C\\cell D\\cell\\row") << "A\tB|C\tD";
    QTest::newRow("empty middle cell") << QByteArray("\\intbl A\\cell\\cell C\\cell\\row") << "A\t\tC";
    QTest::newRow("paragraphs in a cell") << QByteArray("\\intbl A\\par B\\cell C\\cell\\row") << "A/B\tC";
    QTest::newRow("cell closing paragraph") << QByteArray("{\\pard\\intbl A\\par}\\cell{\\pard\\intbl B\\par}\\cell\\row")
                                            << "A\tB";
    QTest::newRow("pard leaves table") << QByteArray("\\intbl A\\cell\\row\\pard B\\par C") << "A|B|C";
    QTest::newRow("list text kept") << QByteArray("{\\listtext\\pard\\plain\\f2 \\'b7\\tab}Item\\par{\\pntext 1.\\tab}Step")
                                    << QString::fromUtf8("•\tItem|1.\tStep");
    QTest::newRow("nul and control bytes dropped") << QByteArray("A\0\x01" "B", 4) << "AB";
    QTest::newRow("raw tab") << QByteArray("A\tB") << "A\tB";
}

void TestRtfReader::structure()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto(wrap(body), &document, &error), qPrintable(error));
    QCOMPARE(::structure(document), expected);
}

void TestRtfReader::paragraphFormatting_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected"); // alignment, then left/right/first-line/above/below in pixels

    QTest::newRow("defaults") << QByteArray("X") << "left 0/0/0/0/0";
    QTest::newRow("centred") << QByteArray("\\qc X") << "center 0/0/0/0/0";
    QTest::newRow("right") << QByteArray("\\qr X") << "right 0/0/0/0/0";
    QTest::newRow("justified") << QByteArray("\\qj X") << "justify 0/0/0/0/0";
    QTest::newRow("indents and spacing") << QByteArray("\\li1500\\ri300\\fi-300\\sb300\\sa150 X") << "left 100/20/-20/20/10";
    QTest::newRow("pard resets") << QByteArray("\\qc\\li1500 A\\par\\pard X") << "left 0/0/0/0/0";
    QTest::newRow("format at par applies") << QByteArray("\\qc X\\par\\pard A") << "center 0/0/0/0/0";
    QTest::newRow("final par keeps format") << QByteArray("\\qr X\\par") << "right 0/0/0/0/0";
    QTest::newRow("group restores paragraph") << QByteArray("{\\qr A\\par}X") << "left 0/0/0/0/0";
    QTest::newRow("huge indent clamps") << QByteArray("\\li99999999999999999999\\sb-99999999999 X")
                                        << "left 2112/0/0/-2112/0";
}

void TestRtfReader::paragraphFormatting()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QTextDocument document;
    QVERIFY(readRtfInto(wrap(body), &document));
    QCOMPARE(describe(blockFormatOf(document, QStringLiteral("X"))), expected);
}

void TestRtfReader::tabStops_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<qreal>>("positions"); // pixels from the start of the first line

    QTest::newRow("none") << QByteArray("X") << QList<qreal>{};
    QTest::newRow("explicit stops sorted") << QByteArray("\\tx2880\\tx1440 X") << QList<qreal>{96, 192};
    QTest::newRow("hanging indent is a stop") << QByteArray("\\li720\\fi-360 X") << QList<qreal>{24};
    QTest::newRow("list stop equal to indent") << QByteArray("\\li720\\fi-360\\tx720 X") << QList<qreal>{24};
    QTest::newRow("stop left of the line dropped") << QByteArray("\\li300\\tx150\\tx600 X") << QList<qreal>{20};
    QTest::newRow("pard clears") << QByteArray("\\tx1440\\pard X") << QList<qreal>{};
    QTest::newRow("group restores") << QByteArray("{\\tx1440 A\\par}X") << QList<qreal>{};
}

void TestRtfReader::tabStops()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<qreal>, positions);
    QTextDocument document;
    QVERIFY(readRtfInto(wrap(body), &document));
    QList<qreal> seen;
    for (const QTextOption::Tab &tab : blockFormatOf(document, QStringLiteral("X")).tabPositions())
        seen << tab.position;
    QCOMPARE(seen, positions);
}

void TestRtfReader::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1252 e acute") << QByteArray("{\\rtf1\\ansi caf\\'e9}") << QString::fromUtf8("café");
    QTest::newRow("1252 euro") << QByteArray("{\\rtf1\\ansi\\ansicpg1252 5 \\'80}") << QString::fromUtf8("5 €");
    QTest::newRow("default is 1252") << QByteArray("{\\rtf1 \\'80\\'93x\\'94}") << QString::fromUtf8("€“x”");
    QTest::newRow("raw 8-bit byte") << QByteArray("{\\rtf1 caf\xe9}") << QString::fromUtf8("café");
    QTest::newRow("1250") << QByteArray("{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8}") << QString::fromUtf8("šč");
    QTest::newRow("1251") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'e9\\'f6}") << QString::fromUtf8("йц");
    QTest::newRow("font charset 204") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset204 Arial Cyr;}}\\f0 \\'e9}")
                                      << QString::fromUtf8("й");
    QTest::newRow("mac roman") << QByteArray("{\\rtf1\\mac \\'8e}") << QString::fromUtf8("é");
    QTest::newRow("utf-8 across escapes") << QByteArray("{\\rtf1\\ansicpg65001 \\'c3\\'a9}") << QString::fromUtf8("é");
    QTest::newRow("unknown code page falls back") << QByteArray("{\\rtf1\\ansicpg99999 \\'80}") << QString::fromUtf8("€");
    QTest::newRow("symbol bullet") << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\f1 \\'b7}}")
                                   << QString::fromUtf8("•");
    QTest::newRow("font name escape") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Caf\\'e9;}}\\f0 x}") << "x";
}

void TestRtfReader::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto(rtf, &document, &error), qPrintable(error));
    QCOMPARE(document.toRawText(), expected);
    if (QTest::currentDataTag() == QLatin1String("font name escape"))
        QCOMPARE(formatOf(document, QStringLiteral("x")).fontFamilies().toStringList(), QStringList{"Café"});
}

void TestRtfReader::unicode_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("uc1 skips fallback") << QByteArray("\\u8364?X") << QString::fromUtf8("€X");
    QTest::newRow("uc1 explicit") << QByteArray("\\uc1\\u8364 ?X") << QString::fromUtf8("€X");
    QTest::newRow("uc0 keeps next") << QByteArray("\\uc0\\u8364 ?X") << QString::fromUtf8("€?X");
    QTest::newRow("uc2 skips two") << QByteArray("\\uc2\\u8364??X") << QString::fromUtf8("€X");
    QTest::newRow("uc2 skips hex escapes") << QByteArray("\\uc2\\u8364\\'80\\'80X") << QString::fromUtf8("€X");
    QTest::newRow("uc counts a control word") << QByteArray("\\uc1\\u8364\\emdash X") << QString::fromUtf8("€X");
    QTest::newRow("uc skips a bin block") << QByteArray("\\u8364\\bin3 {}xY") << QString::fromUtf8("€Y");
    QTest::newRow("skip ends at group") << QByteArray("{\\uc3\\u8364}AB") << QString::fromUtf8("€AB");
    QTest::newRow("uc is group scoped") << QByteArray("{\\uc0\\u8364 ?}\\u8364?") << QString::fromUtf8("€?€");
    QTest::newRow("negative N") << QByteArray("\\u-1280?") << QString::fromUtf16(u"\uFB00");
    QTest::newRow("surrogate pair") << QByteArray("\\u55357?\\u56832?") << QString::fromUtf8("😀");
    QTest::newRow("negative surrogate pair") << QByteArray("\\u-10179?\\u-8704?") << QString::fromUtf8("😀");
    QTest::newRow("lone high surrogate") << QByteArray("\\u55357?A") << QString::fromUtf16(u"\uFFFDA");
    QTest::newRow("lone low surrogate") << QByteArray("A\\u56832?") << QString::fromUtf16(u"A\uFFFD");
    QTest::newRow("high surrogate before par") << QByteArray("\\u55357?\\par B")
                                               << QString::fromUtf16(u"\uFFFD\u2029B");
    QTest::newRow("out of range") << QByteArray("\\u70000?") << QString::fromUtf16(u"\uFFFD");
    QTest::newRow("huge negative") << QByteArray("\\u-99999999999999999999?") << QString::fromUtf16(u"\uFFFD");
    QTest::newRow("symbol private use") << QByteArray("\\u-3913?") << QString::fromUtf8("•");
    QTest::newRow("huge uc clamps") << QByteArray("{\\uc99999999999\\u8364 abc}d") << QString::fromUtf8("€d");
}

void TestRtfReader::unicode()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto("{\\rtf1\\ansi " + body + "}", &document, &error), qPrintable(error));
    QCOMPARE(document.toRawText(), expected);
}

void TestRtfReader::skippedDestinations_data()
{
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("generator") << QByteArray("A{\\*\\generator Writer 1.0;}B");
    QTest::newRow("unknown ignorable") << QByteArray("A{\\*\\unknowndest stuff {nested {deeper}} more}B");
    QTest::newRow("ignorable without word") << QByteArray("A{\\* stuff}B");
    QTest::newRow("picture") << QByteArray("A{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}B");
    QTest::newRow("shape picture") << QByteArray("A{\\*\\shppict{\\pict\\emfblip 0102}}{\\nonshppict{\\pict 0304}}B");
    QTest::newRow("info") << QByteArray("A{\\info{\\title x}{\\author y}{\\creatim\\yr2024}}B");
    QTest::newRow("stylesheet") << QByteArray("A{\\stylesheet{\\s0 Normal;}{\\s1\\b Heading 1;}}B");
    QTest::newRow("header and footer") << QByteArray("A{\\header H}{\\footerr F}B");
    QTest::newRow("bin with braces") << QByteArray("A{\\pict\\bin5 }}{{\\}B");
    QTest::newRow("bin at top level") << QByteArray("A\\bin4 {}{}B");
    QTest::newRow("negative bin") << QByteArray("A\\bin-5 B");
    QTest::newRow("object keeps nothing") << QByteArray("A{\\object{\\*\\objdata 0102}{\\result R}}B");
    QTest::newRow("word 2007 destinations")
        << QByteArray("A{\\*\\themedata 00}{\\*\\colorschememapping 00}{\\*\\latentstyles\\lsdstimax{\\lsdlockedexcept x;}}"
                      "{\\*\\datastore 00}{\\*\\xmlnstbl {\\xmlns1 x}}{\\*\\rsidtbl \\rsid1}B");
    QTest::newRow("list tables") << QByteArray("A{\\listtable{\\list{\\listlevel{\\leveltext \\'01\\u8226 ?;}}}}"
                                               "{\\listoverridetable{\\listoverride\\ls1}}B");
    QTest::newRow("field keeps result") << QByteArray("{\\field{\\*\\fldinst PAGE}{\\fldrslt A}}B");
    QTest::newRow("unicode alternative") << QByteArray("{\\upr{ansi A}{\\*\\ud{A}}}B");
    QTest::newRow("footnote") << QByteArray("A{\\footnote note}B");
}

void TestRtfReader::skippedDestinations()
{
    QFETCH(QByteArray, body);
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto(wrap(body), &document, &error), qPrintable(error));
    QCOMPARE(document.toRawText(), QStringLiteral("AB"));
}

void TestRtfReader::hyperlinkFieldBecomesLink()
{
    QTextDocument document;
    QVERIFY(readRtfInto(wrap("{\\field{\\*\\fldinst {HYPERLINK \"https://example.org/a\" }}{\\fldrslt {\\ul Site}}} after"),
                        &document));
    QCOMPARE(document.toRawText(), QStringLiteral("Site after"));
    const QTextCharFormat link = formatOf(document, QStringLiteral("Site"));
    QVERIFY(link.isAnchor());
    QCOMPARE(link.anchorHref(), QStringLiteral("https://example.org/a"));
    QVERIFY(link.fontUnderline());
    QVERIFY(!formatOf(document, QStringLiteral("after")).isAnchor());
}

void TestRtfReader::malformed_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << false << "";
    QTest::newRow("not rtf") << QByteArray("Hello {\\b world}") << false << "";
    QTest::newRow("header only") << QByteArray("{\\rtf") << false << "";
    QTest::newRow("leading white space") << QByteArray(" \r\n{\\rtf1 A}") << true << "A";
    QTest::newRow("trailing line end and nul") << QByteArray("{\\rtf1 A}\r\n\0", 13) << true << "A";
    QTest::newRow("missing close") << QByteArray("{\\rtf1 A{\\b B") << false << "AB";
    QTest::newRow("extra close") << QByteArray("{\\rtf1 A}}") << false << "A";
    QTest::newRow("text after document") << QByteArray("{\\rtf1 A}tail") << false << "A";
    QTest::newRow("truncated backslash") << QByteArray("{\\rtf1 A\\") << false << "A";
    QTest::newRow("truncated \\u") << QByteArray("{\\rtf1 A\\u") << false << "A";
    QTest::newRow("truncated \\u param") << QByteArray("{\\rtf1 A\\u8364") << false << QString::fromUtf8("A€");
    QTest::newRow("truncated quote") << QByteArray("{\\rtf1 A\\'") << false << "A";
    QTest::newRow("truncated hex") << QByteArray("{\\rtf1 A\\'4") << false << "A";
    QTest::newRow("one hex digit") << QByteArray("{\\rtf1 A\\'4g}") << true << "Ag";
    QTest::newRow("20-digit parameters") << QByteArray("{\\rtf1\\fs99999999999999999999 A\\li-99999999999999999999\\par}")
                                         << true << "A";
    QTest::newRow("bin past the end") << QByteArray("{\\rtf1 A\\bin99999999999999999999 }}}") << false << "A";
    QTest::newRow("long control word") << QByteArray("{\\rtf1 \\" + QByteArray(5000, 'a') + "1 X}") << true << "X";
    QTest::newRow("ignorable at top level") << QByteArray("{\\rtf1 A{\\*}B}") << true << "AB";
    QTest::newRow("huge table indexes") << QByteArray("{\\rtf1{\\fonttbl{\\f99999999999 F;}}\\f99999999999\\cf99999999999 X}")
                                        << true << "X";
    QTest::newRow("font table without groups") << QByteArray("{\\rtf1{\\fonttbl\\f0 A;\\f1 B}X}") << true << "X";
    QTest::newRow("colour table unterminated") << QByteArray("{\\rtf1{\\colortbl\\red300\\green-4\\cf1 }X}") << true << "X";

    QByteArray deep = "{\\rtf1 " + QByteArray(100000, '{') + "X" + QByteArray(100000, '}') + "}";
    QTest::newRow("100000-deep nesting") << deep << true << "X";
    QTest::newRow("100000-deep unclosed") << QByteArray("{\\rtf1 " + QByteArray(100000, '{') + "X") << false << "X";
    QByteArray deepPictures = "{\\rtf1 A";
    for (int i = 0; i < 20000; ++i)
        deepPictures += "{\\pict ";
    QTest::newRow("deep skipped destinations") << deepPictures + QByteArray(20000, '}') + "B}" << true << "AB";
}

void TestRtfReader::malformed()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, ok);
    QFETCH(QString, text);

    QTextDocument document;
    QString error;
    QCOMPARE(readRtfInto(input, &document, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    QCOMPARE(document.toRawText(), text);
}

void TestRtfReader::nestingBeyondTheLimitRestoresFormatting()
{
    const int depth = MaxRtfGroupDepth + 500;
    const QByteArray rtf = "{\\rtf1 " + QByteArray(depth, '{') + "\\b X" + QByteArray(depth, '}') + "Y}";
    QTextDocument document;
    QVERIFY(readRtfInto(rtf, &document));
    QCOMPARE(document.toRawText(), QStringLiteral("XY"));
    QCOMPARE(formatOf(document, QStringLiteral("X")).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatOf(document, QStringLiteral("Y")).fontWeight(), int(QFont::Normal));
}

void TestRtfReader::replacesDocumentContentAndKeepsUndoSetting()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("old text"));
    QVERIFY(document.isUndoRedoEnabled());
    QVERIFY(readRtfInto("{\\rtf1 new}", &document));
    QCOMPARE(document.toRawText(), QStringLiteral("new"));
    QVERIFY(document.isUndoRedoEnabled());
    QVERIFY(!document.isUndoAvailable());
    QVERIFY(!readRtfInto("garbage", &document));
    QVERIFY(document.isEmpty());
    QString error;
    QVERIFY(!readRtfInto("{\\rtf1 x}", nullptr, &error));
    QVERIFY(!error.isEmpty());
}

void TestRtfReader::htmlCarriesFormatting()
{
    const QString html = rtfToHtml(wrap("{\\b Bold}{\\cf1 Red}"));
    QVERIFY(html.contains(QStringLiteral("font-weight:700;\">Bold<")));
    QVERIFY(html.contains(QStringLiteral("color:#ff0000;\">Red<")));
    QVERIFY(!rtfToHtml("plain").contains(QStringLiteral("plain")));
}

void TestRtfReader::wordProcessorDocuments_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected"); // blocks joined with '|', line breaks as '/'

    QTest::newRow("LibreOffice Writer")
        << "libreoffice.rtf"
        << QString::fromUtf8("Camera notes|Plain start, bold words, italic words, underlined words and struck words.|"
                             "The red warning costs 5 € at the café.|Centred line|mono text then/a second line.|"
                             "•\tFirst bullet |•\tSecond bullet | 1.\tStep one | 2.\tStep two |Name\tAddress|"
                             "Porch\thttp://192.168.1.20/snapshot.jpg|Last paragraph.");
    QTest::newRow("pandoc")
        << "pandoc.rtf"
        << QString::fromUtf8("Camera notes|Plain start, bold words, italic words and struck words.|"
                             "The warning costs 5 € at the café.|•\tFirst bullet|•\tSecond bullet|"
                             "1.\tStep one|2.\tStep two|Name\tAddress|Porch\thttp://192.168.1.20/snapshot.jpg||"
                             "Last paragraph.");
}

void TestRtfReader::wordProcessorDocuments()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const QByteArray rtf = fixture(file);
    QVERIFY2(!rtf.isEmpty(), qPrintable(file));
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto(rtf, &document, &error), qPrintable(error));
    QCOMPARE(::structure(document), expected);
}

void TestRtfReader::wordProcessorFormatting_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");

    const QString lo = QStringLiteral("libreoffice.rtf");
    QTest::newRow("LO heading") << lo << "Camera" << "bold 24pt Liberation Serif";
    QTest::newRow("LO body") << lo << "Plain" << "12pt Liberation Serif";
    QTest::newRow("LO bold") << lo << "bold words" << "bold 12pt Liberation Serif";
    QTest::newRow("LO italic") << lo << "italic words" << "italic 12pt Liberation Serif";
    QTest::newRow("LO underline") << lo << "underlined" << "underline 12pt Liberation Serif";
    QTest::newRow("LO strike") << lo << "struck" << "strike 12pt Liberation Serif";
    QTest::newRow("LO colour") << lo << "red warning" << "12pt Liberation Serif #c00000";
    QTest::newRow("LO after colour") << lo << " costs" << "12pt Liberation Serif";
    QTest::newRow("LO font") << lo << "mono" << "12pt Courier New";
    const QString pd = QStringLiteral("pandoc.rtf");
    QTest::newRow("pandoc heading") << pd << "Camera" << "bold 18pt Helvetica";
    QTest::newRow("pandoc bold") << pd << "bold words" << "bold 12pt Helvetica";
    QTest::newRow("pandoc italic") << pd << "italic words" << "italic 12pt Helvetica";
    QTest::newRow("pandoc strike") << pd << "struck" << "strike 12pt Helvetica";
}

void TestRtfReader::wordProcessorFormatting()
{
    QFETCH(QString, file);
    QFETCH(QString, probe);
    QFETCH(QString, expected);
    QTextDocument document;
    QVERIFY(readRtfInto(fixture(file), &document));
    QVERIFY(document.toRawText().contains(probe));
    QCOMPARE(describe(formatOf(document, probe)), expected);
    if (file == QLatin1String("libreoffice.rtf"))
        QCOMPARE(describe(blockFormatOf(document, QStringLiteral("Centred line"))).section(u' ', 0, 0), "center");
}

void TestRtfReader::helpDocument()
{
    QFile file(qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/resources/Help.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    QString error;
    QVERIFY2(readRtfInto(file.readAll(), &document, &error), qPrintable(error));
    const QString text = document.toRawText();

    const QStringList headings = {"What Ocellus does", "Adding a camera", "Finding a camera's picture address",
                                  "Refresh intervals", "Watching cameras", "Saving pictures", "The viewer",
                                  "The full-screen view", "Languages", "Files and settings", "Troubleshooting"};
    const double bodySize = formatOf(document, QStringLiteral("Ocellus shows")).fontPointSize();
    QVERIFY(bodySize > 0);
    for (const QString &heading : headings) {
        QTextBlock block = document.begin();
        while (block.isValid() && block.text() != heading)
            block = block.next();
        QVERIFY2(block.isValid(), qPrintable(heading));
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat format = cursor.charFormat();
        QVERIFY2(format.fontWeight() == QFont::Bold, qPrintable(heading));
        QVERIFY2(format.fontPointSize() > bodySize, qPrintable(heading));
        QVERIFY2(format.hasProperty(QTextFormat::ForegroundBrush), qPrintable(heading));
    }
    for (const char *phrase : {"Quillmark", "http://192.168.1.20/snapshot.jpg", "00camlist.txt", "Localization.txt",
                               "~/.config/Ocellus/Ocellus.ini", "/etc/xdg/Quillmark/Ocellus.reg", "--app-folder",
                               "AutoSave New Pictures", "Show at Startup"})
        QVERIFY2(text.contains(QLatin1String(phrase)), phrase);
    QVERIFY(!text.contains(QChar(0xFFFD)));
    QVERIFY(!text.contains(u'\\'));
    QVERIFY(!text.contains(u'{'));
}

QTEST_GUILESS_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
