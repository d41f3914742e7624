// SPDX-License-Identifier: GPL-3.0-or-later
// The localization file: the copy that ships with the program, the UTF-8 reader, the
// language list scan, very large or unterminated files, and placing the shipped copy.

#include "app/Identity.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "localization/LocalizationFile.h"
#include "support/TempAppFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <optional>

namespace {

QString shippedPath()
{
    return qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/resources/Localization.txt");
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every key the main window and the language window look up, and every message the program
// has a default for.
const QStringList &requiredKeys()
{
    static const QStringList keys = [] {
        QStringList all {"FORM1_CAPTION", "FORM1_FRAME1", "FORM1_FRMCAMS", "FORM1_FRMMAIN",
        "FORM1_CMDADD", "FORM1_CMDREMOVE", "FORM1_CMDEDIT", "FORM1_CMDSTARTCAM", "FORM1_CMDSTOPALL",
        "FORM1_CHKSAVE", "FORM1_LABEL1", "FORM1_CMDREFRESH", "FORM1_CMDSTOP", "FORM1_LABEL6", "FORM1_CMDSAVE",
        "FORM1_COMMAND3", "FORM1_LABEL7", "FORM1_LABEL8", "FORM1_LABEL9", "FORM1_LABEL10", "FORM1_LABEL11",
        "FORM1_MNUFILE0", "FORM1_MNUFILEITEM0", "FORM1_MNUCAMS0", "FORM1_MNUCAMITEM0", "FORM1_MNUCAMITEM1",
        "FORM1_MNUCAMITEM2", "FORM1_MNUCAMITEM3", "FORM1_MNUCAMITEM4", "FORM1_MNULANGUAGES0",
        "FORM1_MNULANGUAGEITEM0", "FORM1_MNUHELP0", "FORM1_MNUHELPITEM0", "FORM1_MNUABOUT0",
        "FORM1_MNUABOUTITEM0", "FRMLANGUAGE_CAPTION", "FRMLANGUAGE_LABEL1", "FRMLANGUAGE_COMMAND1",
        "FRMLANGUAGE_COMMAND2", "FRMLANGUAGE_COMMAND3", "MSG_HELLO", "MSG_DELETE1", "MSG_DELETE2",
        "MSG_ALLINFO", "MSG_TITLELANGUAGE", "MSG_DOWNLOADED", "FORM1_LABEL12", "FORM1_CHKFIT",
            "FORM1_CMDCERTIFICATE", "FORM1_MNUFILEITEM1", "FORM1_MNUFILEITEM2"};
        // The tooltips of the main window, the camera dialogs, the notice, help and About.
        all << QStringList {"FORM1_CMDADD_TOOLTIP", "FORM1_CMDREMOVE_TOOLTIP", "FORM1_CMDEDIT_TOOLTIP",
            "FORM1_CMDSTARTCAM_TOOLTIP", "FORM1_CMDSTOPALL_TOOLTIP", "FORM1_CMDREFRESH_TOOLTIP",
            "FORM1_CMDSTOP_TOOLTIP", "FORM1_CMDSAVE_TOOLTIP", "FORM1_COMMAND3_TOOLTIP", "FORM2_CAPTION",
            "FORM3_LABEL5", "FORM4_CAPTION", "FORM4_LABEL1", "FORM8_CAPTION", "FORM8_CHECK1", "FRMABOUT_CAPTION",
            "FRMABOUT_LBLVERSIONCAPTION", "FRMABOUT_LBLCOMPANYCAPTION", "FRMABOUT_LBLWEBSITECAPTION",
            "FRMABOUT_LBLNOTICE"};
        for (const char *dialog : {"FORM2_", "FORM3_"}) {
            for (const char *control : {"LABEL1", "LABEL2", "LABEL3", "LABEL4", "COMMAND1", "COMMAND2",
                                        "TEXT1_TOOLTIP", "TEXT2_TOOLTIP", "TEXT3_TOOLTIP"})
                all << QLatin1String(dialog) + QLatin1String(control);
        }
        LanguageTable defaults;
        addDefaultMessages(defaults);
        for (const LanguageTable::MessageEntry &entry : defaults.messages) {
            if (entry.used && !all.contains(entry.name))
                all.append(entry.name);
        }
        return all;
    }();
    return keys;
}

QString upperFirst(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

// key -> raw text of every item line of the loaded language.
QMap<QString, QString> itemsOf(const LanguageTable &languages)
{
    static const QRegularExpression itemLine(QStringLiteral("^\\t\\t<([A-Z0-9_]+)>(.*)</\\1>$"));
    QMap<QString, QString> items;
    const QStringList &lines = *languages.translationLines;
    for (int i = 1; i < lines.size() - 1; ++i) {
        const QRegularExpressionMatch m = itemLine.match(lines[i]);
        if (!m.hasMatch())
            return {{QStringLiteral("unexpected line"), lines[i]}};
        items.insert(m.captured(1), m.captured(2));
    }
    return items;
}

} // namespace

class TestLocalizationFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void shippedFileLayout();
    void shippedFileLanguages();
    void shippedFileItems_data();
    void shippedFileItems();

    void everyMessageKeyOfTheSourceHasADefault();
    void placeholdersKeptInEveryLanguage_data();
    void placeholdersKeptInEveryLanguage();
    void readWholeFileUtf8_data();
    void readWholeFileUtf8();
    void readFailures();

    void languageNames_data();
    void languageNames();

    void largeFileWithoutClosingTags();
    void largeFileWithoutTags();
    void hundredThousandItems();
    void hundredThousandGroups();

    void installWhenMissing();
    void installKeepsExistingFile();
    void installFromMissingSource();
};

void TestLocalizationFile::initTestCase()
{
    setIdentityForTesting(
        {QStringLiteral("Ocellus"), QStringLiteral("Quillmark"), QStringLiteral("www.ocellus.example")});
    loadIdentity();
    QVERIFY2(QFile::exists(shippedPath()), qPrintable(shippedPath()));
}

void TestLocalizationFile::shippedFileLayout()
{
    const QByteArray bytes = readBytes(shippedPath());
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("</XML_DIZ_INFO>\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    QVERIFY(!decoder.hasError());

    QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeLast(), QString());
    const QStringList head {QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
        QStringLiteral("<XML_DIZ_INFO>"), QStringLiteral("\t<LOCALIZATION_FILE_INFO>"),
        QStringLiteral("\t\t<LOCALIZATION_FILE_VERSION>1.0</LOCALIZATION_FILE_VERSION>"),
        QStringLiteral("\t</LOCALIZATION_FILE_INFO>")};
    QCOMPARE(lines.mid(0, 5), head);
    QCOMPARE(lines.last(), QStringLiteral("</XML_DIZ_INFO>"));

    // Each group: opening tag, name, description, item block of item lines, closings.
    static const QRegularExpression open(QStringLiteral("^<LANGUAGE_GROUP xml:lang=\"[a-z]{2}\">$"));
    static const QRegularExpression name(QStringLiteral("^\\t<LANGUAGE_NAME>[^<>\\t]+</LANGUAGE_NAME>$"));
    static const QRegularExpression description(QStringLiteral("^\\t<DESCRIPTION>[^<>]+</DESCRIPTION>$"));
    static const QRegularExpression itemLine(QStringLiteral("^\\t\\t<([A-Z0-9_]+)>[^<>\\t]*</\\1>$"));
    int i = 5;
    int groups = 0;
    auto next = [&]() { return lines.value(i++); };
    while (i < lines.size() - 1) {
        const QString openLine = next();
        QVERIFY2(open.match(openLine).hasMatch(), qPrintable(openLine));
        const QString nameLine = next();
        QVERIFY2(name.match(nameLine).hasMatch(), qPrintable(nameLine));
        const QString descriptionLine = next();
        QVERIFY2(description.match(descriptionLine).hasMatch(), qPrintable(descriptionLine));
        QCOMPARE(next(), QStringLiteral("\t<TRANSLATION_ITEMS>"));
        int items = 0;
        for (QString line = next(); line != QStringLiteral("\t</TRANSLATION_ITEMS>"); line = next()) {
            QVERIFY2(itemLine.match(line).hasMatch(), qPrintable(line));
            QVERIFY(i < lines.size());
            ++items;
        }
        QCOMPARE(items, requiredKeys().size());
        QCOMPARE(next(), QStringLiteral("</LANGUAGE_GROUP>"));
        ++groups;
    }
    QCOMPARE(i, lines.size() - 1);
    QCOMPARE(groups, 4);
}

void TestLocalizationFile::shippedFileLanguages()
{
    bool ok = false;
    const QString text = ::readWholeFileUtf8(shippedPath(), &ok);
    QVERIFY(ok);
    const QStringList expected {QStringLiteral("English"), QStringLiteral("Deutsch"),
        QStringLiteral("Français"), QStringLiteral("Español")};
    QCOMPARE(languageNamesInFile(text), expected);
}

void TestLocalizationFile::shippedFileItems_data()
{
    QTest::addColumn<QString>("language");
    for (const char *name : {"English", "Deutsch", "Français", "Español"})
        QTest::newRow(name) << QString::fromUtf8(name);
}

void TestLocalizationFile::shippedFileItems()
{
    QFETCH(QString, language);

    TempAppFolder folder;
    QVERIFY(!folder.write(QStringLiteral("Localization.txt"), readBytes(shippedPath())).isEmpty());
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    const QMap<QString, QString> english = itemsOf(languages);
    QVERIFY(languages.loadLanguage(language));
    const QMap<QString, QString> items = itemsOf(languages);

    // The same keys in every language: exactly the keys the windows and messages use.
    QCOMPARE(items.keys(), english.keys());
    QStringList required = requiredKeys();
    required.sort();
    QCOMPARE(items.keys(), required);

    for (auto it = items.cbegin(); it != items.cend(); ++it) {
        QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(it.key()));
        const std::optional<QString> caption = languages.tryCaption(it.key());
        QVERIFY2(caption.has_value(), qPrintable(it.key()));
        QCOMPARE(*caption, upperFirst(replaceIdentityPlaceholders(it.value(), true)));
    }
    QCOMPARE(languages.caption(QStringLiteral("FORM1_CAPTION")), QStringLiteral("Ocellus"));
    QVERIFY(items.value(QStringLiteral("MSG_DELETE1")).endsWith(QLatin1Char(' ')));
    // Translated, not copied: only the program name and a few short words such as "OK",
    // "URL:" or "Zoom:" may read as in English.
    if (language != QStringLiteral("English")) {
        int asInEnglish = 0;
        for (auto it = items.cbegin(); it != items.cend(); ++it)
            asInEnglish += it.value().size() > 8 && it.value() == english.value(it.key()) ? 1 : 0;
        QVERIFY2(asInEnglish <= 6, qPrintable(QString::number(asInEnglish)));
    }
}

void TestLocalizationFile::everyMessageKeyOfTheSourceHasADefault()
{
    // A key looked up in the program but missing from the defaults would show as "" in
    // every language that lacks it.
    LanguageTable defaults;
    addDefaultMessages(defaults);
    static const QRegularExpression literal(QStringLiteral("\"(MSG_[A-Z0-9_]*[A-Z0-9])\""));
    const QString sourceRoot = qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/src");
    QDirIterator files(sourceRoot, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    int keys = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        const QString text = QString::fromUtf8(readBytes(path));
        for (const QRegularExpressionMatch &match : literal.globalMatch(text)) {
            ++keys;
            QVERIFY2(!defaults.message(match.captured(1)).isEmpty(),
                     qPrintable(match.captured(1) + QStringLiteral(" in ") + path));
        }
    }
    QVERIFY(keys > 40);
}

void TestLocalizationFile::placeholdersKeptInEveryLanguage_data()
{
    shippedFileItems_data();
}

void TestLocalizationFile::placeholdersKeptInEveryLanguage()
{
    // "%1" and the identity placeholders of an English text are in its translation, each as
    // often, so that no value goes missing from a translated message.
    QFETCH(QString, language);
    TempAppFolder folder;
    QVERIFY(!folder.write(QStringLiteral("Localization.txt"), readBytes(shippedPath())).isEmpty());
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    const QMap<QString, QString> english = itemsOf(languages);
    QVERIFY(languages.loadLanguage(language));
    const QMap<QString, QString> items = itemsOf(languages);
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]|\\[[A-Za-z]+\\]"));
    const auto placeholders = [](const QString &text) {
        QStringList found;
        for (const QRegularExpressionMatch &match : placeholder.globalMatch(text))
            found << match.captured(0);
        found.sort();
        return found;
    };
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        QCOMPARE(placeholders(items.value(it.key())), placeholders(it.value()));
}

void TestLocalizationFile::readWholeFileUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii with CR LF") << QByteArray("<a>\r\n</a>\r\n") << QStringLiteral("<a>\r\n</a>\r\n");
    QTest::newRow("multi-byte") << QByteArray("Fran\xC3\xA7"
                                              "ais \xF0\x90\x90\xA8")
                                << QStringLiteral("Français \U00010428");
    QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBF<x>") << QStringLiteral("<x>");
    QTest::newRow("invalid bytes replaced") << QByteArray("a\xFF"
                                                          "b\xC0\xAF"
                                                          "c")
                                            << QStringLiteral("a\uFFFDb\uFFFD\uFFFDc");
    QTest::newRow("sequence cut at the end") << QByteArray("ab\xE2\x82") << QStringLiteral("ab\uFFFD\uFFFD");
    QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << QStringView(u"a\0b", 3).toString();
}

void TestLocalizationFile::readWholeFileUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    TempAppFolder folder;
    const QString path = folder.write(QStringLiteral("f.txt"), bytes);
    bool ok = false;
    QCOMPARE(::readWholeFileUtf8(path, &ok), expected);
    QVERIFY(ok);
}

void TestLocalizationFile::readFailures()
{
    TempAppFolder folder;
    bool ok = true;
    QCOMPARE(::readWholeFileUtf8(folder.file(QStringLiteral("missing.txt")), &ok), QString());
    QVERIFY(!ok);
    ok = true;
    QCOMPARE(::readWholeFileUtf8(folder.path(), &ok), QString());
    QVERIFY(!ok);
    ok = true;
    QCOMPARE(::readWholeFileUtf8(QString(), &ok), QString());
    QVERIFY(!ok);

    const QString path = folder.write(QStringLiteral("ten.txt"), "0123456789");
    ok = false;
    QCOMPARE(::readWholeFileUtf8(path, &ok, 10), QStringLiteral("0123456789"));
    QVERIFY(ok);
    ok = true;
    QCOMPARE(::readWholeFileUtf8(path, &ok, 9), QString());
    QVERIFY(!ok);
}

void TestLocalizationFile::languageNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const QString g
        = QStringLiteral("<LANGUAGE_GROUP><LANGUAGE_NAME>%1</LANGUAGE_NAME></LANGUAGE_GROUP>\r\n");
    QTest::newRow("file order, duplicates kept") << g.arg("English") + g.arg("Deutsch") + g.arg("English")
                                                 << QStringList {"English", "Deutsch", "English"};
    QTest::newRow("mixed case tags, names as written") << QStringLiteral(
        "<language_Group xml:lang=\"x\"><Language_Name> Ελληνικά </language_name></LANGUAGE_group>")
                                                       << QStringList {" Ελληνικά "};
    QTest::newRow("empty name") << g.arg(QString()) << QStringList {""};
    QTest::newRow("no groups") << QStringLiteral("<XML_DIZ_INFO></XML_DIZ_INFO>") << QStringList {};
    QTest::newRow("empty text") << QString() << QStringList {};
    QTest::newRow("unclosed group takes in the next")
        << QStringLiteral("<LANGUAGE_GROUP><LANGUAGE_NAME>A</LANGUAGE_NAME>") + g.arg("B") + g.arg("C")
        << QStringList {"A", "C"};
    QTest::newRow("last group unclosed")
        << g.arg("A") + QStringLiteral("<LANGUAGE_GROUP><LANGUAGE_NAME>B</LANGUAGE_NAME>")
        << QStringList {"A"};
    QTest::newRow("group without name tags stops the scan")
        << g.arg("A") + QStringLiteral("<LANGUAGE_GROUP>B</LANGUAGE_GROUP>") + g.arg("C")
        << QStringList {"A"};
    QTest::newRow("name without closing tag stops the scan")
        << g.arg("A") + QStringLiteral("<LANGUAGE_GROUP><LANGUAGE_NAME>B</LANGUAGE_GROUP>") + g.arg("C")
        << QStringList {"A"};
    QTest::newRow("stray closing tag stops the scan")
        << g.arg("A") + QStringLiteral("</LANGUAGE_GROUP>") + g.arg("B") << QStringList {"A"};
}

void TestLocalizationFile::languageNames()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(languageNamesInFile(text), expected);
}

void TestLocalizationFile::largeFileWithoutClosingTags()
{
    TempAppFolder folder;
    folder.write(QStringLiteral("Localization.txt"), readBytes(shippedPath()));
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("Deutsch")));
    const QStringList deutsch = *languages.translationLines;

    // 50 MB of opening tags and items, not one closing tag.
    const QByteArray chunk(
        "<LANGUAGE_GROUP xml:lang=\"en\">\r\n\t<LANGUAGE_NAME>English\r\n\t<TRANSLATION_ITEMS>\r\n"
        "\t\t<FORM1_CMDADD>Add\r\n");
    QByteArray big;
    big.reserve(50 * 1024 * 1024 + chunk.size());
    while (big.size() < 50 * 1024 * 1024)
        big += chunk;
    QVERIFY(!folder.write(QStringLiteral("Localization.txt"), big).isEmpty());
    QVERIFY(!languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.currentLanguage(), QStringLiteral("English"));
    QCOMPARE(*languages.translationLines, deutsch);

    bool ok = false;
    const QString text = ::readWholeFileUtf8(folder.file(QStringLiteral("Localization.txt")), &ok);
    QVERIFY(ok);
    QCOMPARE(text.size(), big.size());
    QCOMPARE(languageNamesInFile(text), QStringList {});
}

void TestLocalizationFile::largeFileWithoutTags()
{
    TempAppFolder folder;
    QByteArray big(50 * 1024 * 1024, 'x');
    for (qsizetype i = 80; i < big.size(); i += 82) {
        big[i] = '\r';
        big[i + 1] = '\n';
    }
    QVERIFY(!folder.write(QStringLiteral("Localization.txt"), big).isEmpty());
    LanguageTable languages;
    languages.translationLines = QStringList {QString(), QStringLiteral("\t\t<K_1>before</K_1>")};
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.caption(QStringLiteral("K_1")), QStringLiteral("Before"));
}

void TestLocalizationFile::hundredThousandItems()
{
    constexpr int count = 100'000;
    QByteArray bytes(
        "<LANGUAGE_GROUP>\r\n\t<LANGUAGE_NAME>English</LANGUAGE_NAME>\r\n\t<TRANSLATION_ITEMS>\r\n");
    for (int i = 0; i < count; ++i)
        bytes += QStringLiteral("\t\t<KEY_%1>text %1</KEY_%1>\r\n").arg(i).toUtf8();
    bytes += "\t</TRANSLATION_ITEMS>\r\n</LANGUAGE_GROUP>\r\n";
    TempAppFolder folder;
    folder.write(QStringLiteral("Localization.txt"), bytes);

    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.lastLineIndex(), count + 1);
    QCOMPARE(languages.caption(QStringLiteral("KEY_0")), QStringLiteral("Text 0"));
    QCOMPARE(languages.caption(QStringLiteral("key_50000")), QStringLiteral("Text 50000"));
    QCOMPARE(languages.caption(QStringLiteral("KEY_99999")), QStringLiteral("Text 99999"));
    QCOMPARE(languages.tryCaption(QStringLiteral("KEY_100000")), std::optional<QString>(QString()));
}

void TestLocalizationFile::hundredThousandGroups()
{
    constexpr int count = 100'000;
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("<LANGUAGE_GROUP><LANGUAGE_NAME>L%1</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n"
                               "\t\t<KEY>%1</KEY>\r\n</TRANSLATION_ITEMS></LANGUAGE_GROUP>\r\n")
                    .arg(i);
    const QStringList names = languageNamesInFile(text);
    QCOMPARE(names.size(), count);
    QCOMPARE(names.last(), QStringLiteral("L99999"));

    LanguageTable languages;
    QVERIFY(languages.loadLanguageFromText(text, QStringLiteral("l99999")));
    QCOMPARE(languages.caption(QStringLiteral("KEY")), QStringLiteral("99999"));
}

void TestLocalizationFile::installWhenMissing()
{
    TempAppFolder folder;
    QVERIFY(installLocalizationFileIfMissing(shippedPath()));
    QCOMPARE(folder.read(QStringLiteral("Localization.txt")), readBytes(shippedPath()));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"Localization.txt"});
}

void TestLocalizationFile::installKeepsExistingFile()
{
    TempAppFolder folder;
    folder.write(QStringLiteral("Localization.txt"), "edited by the user");
    QVERIFY(installLocalizationFileIfMissing(shippedPath()));
    QCOMPARE(folder.read(QStringLiteral("Localization.txt")), QByteArray("edited by the user"));
}

void TestLocalizationFile::installFromMissingSource()
{
    TempAppFolder folder;
    QVERIFY(!installLocalizationFileIfMissing(folder.file(QStringLiteral("nowhere.txt"))));
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("Localization.txt"))));
}

QTEST_GUILESS_MAIN(TestLocalizationFile)
#include "tst_localizationfile.moc"
