// SPDX-License-Identifier: GPL-3.0-or-later
// LanguageTable: loading a language from Localization.txt, caption and message lookups,
// the message table and the small file operations.

#include "app/Identity.h"
#include "localization/LocalizationFile.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageLocale.h"
#include "support/TempAppFolder.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <optional>

#include <sys/stat.h>

namespace {

const QByteArray Crlf("\r\n");

QByteArray joinLines(const QStringList &lines, const QByteArray &eol = Crlf)
{
    QByteArray out;
    for (const QString &line : lines)
        out += line.toUtf8() + eol;
    return out;
}

// One language group in the layout of the shipped file; `items` are whole item
// lines, indentation included.
QStringList group(const QString &name, const QStringList &items, const QString &lang = QStringLiteral("xx"))
{
    QStringList lines {QStringLiteral("<LANGUAGE_GROUP xml:lang=\"%1\">").arg(lang),
        QStringLiteral("\t<LANGUAGE_NAME>%1</LANGUAGE_NAME>").arg(name),
        QStringLiteral("\t<DESCRIPTION>note</DESCRIPTION>"), QStringLiteral("\t<TRANSLATION_ITEMS>")};
    lines += items;
    lines += QStringList {QStringLiteral("\t</TRANSLATION_ITEMS>"), QStringLiteral("</LANGUAGE_GROUP>")};
    return lines;
}

QByteArray file(const QList<QStringList> &groups, const QByteArray &eol = Crlf)
{
    QStringList lines {
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), QStringLiteral("<XML_DIZ_INFO>")};
    for (const QStringList &g : groups)
        lines += g;
    lines += QStringLiteral("</XML_DIZ_INFO>");
    return joinLines(lines, eol);
}

QString item(const QString &key, const QString &text)
{
    return QStringLiteral("\t\t<%1>%2</%1>").arg(key, text);
}

QByteArray englishAndGerman()
{
    return file({group(QStringLiteral("English"), {item(QStringLiteral("KEY_A"), QStringLiteral("english"))}),
        group(QStringLiteral("Deutsch"), {item(QStringLiteral("KEY_A"), QStringLiteral("deutsch"))})});
}

} // namespace

class TestLanguages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadLanguage_data();
    void loadLanguage();
    void localeOfLanguage_data();
    void localeOfLanguage();
    void lineEndsReadAlike_data();
    void lineEndsReadAlike();
    void unknownLanguageKeepsPreviousLines();
    void malformedGroupKeepsPreviousLines();
    void missingFileChangesNothing();
    void fileIsReadAnewAtEveryLoad();
    void caseVariantOfFileNameOnly();
    void tooManyLinesKeepPreviousLines();

    void caption_data();
    void caption();
    void getCaptionWithoutLines();

    void defaultMessages();
    void message_data();
    void message();
    void fullMessageTable();
    void duplicateMessageKey();
    void messageScanStopsAtFreeSlot();

    void langTrimPath_data();
    void langTrimPath();
    void langFileExists_data();
    void langFileExists();
    void langFileExistsSkipsFifo();

private:
    std::optional<TempAppFolder> m_folder;
    void writeLocalization(const QByteArray &bytes)
    {
        m_folder->write(QStringLiteral("Localization.txt"), bytes);
    }
};

void TestLanguages::initTestCase()
{
    setIdentityForTesting(
        {QStringLiteral("Ocellus"), QStringLiteral("Quillmark"), QStringLiteral("www.ocellus.example")});
    loadIdentity();
}

void TestLanguages::init()
{
    m_folder.emplace();
}

void TestLanguages::cleanup()
{
    m_folder.reset();
}

void TestLanguages::loadLanguage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("caption"); // of KEY_A; null when nothing may be loaded

    const QString key = QStringLiteral("KEY_A");
    const QStringList goodDe = group(QStringLiteral("Deutsch"), {item(key, QStringLiteral("deutsch"))});
    auto withGroupLine = [&](int index, const QString &replacement) {
        QStringList broken = group(QStringLiteral("English"), {item(key, QStringLiteral("english"))});
        broken[index] = replacement;
        return broken;
    };

    QTest::newRow("second group") << englishAndGerman() << "Deutsch" << true << "Deutsch";
    QTest::newRow("name ignores case") << englishAndGerman() << "DEUTSCH" << true << "Deutsch";
    QTest::newRow("tags in mixed case") << joinLines(
        {QStringLiteral("<Language_Group>"), QStringLiteral("<language_name>Deutsch</Language_Name>"),
            QStringLiteral("<translation_Items>"), QStringLiteral("\t\t<key_a>klein</Key_A>"),
            QStringLiteral("</TRANSLATION_items>"), QStringLiteral("</language_group>")})
                                        << "Deutsch" << true << "Klein";
    QTest::newRow("name with spaces inside its tags")
        << file({group(QStringLiteral(" English "), {item(key, QStringLiteral("x"))})}) << "English" << true
        << QString();
    QTest::newRow("first of two groups of one name")
        << file({group(QStringLiteral("English"), {item(key, QStringLiteral("first"))}),
               group(QStringLiteral("english"), {item(key, QStringLiteral("second"))})})
        << "English" << true << "First";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") + englishAndGerman() << "English" << true
                                     << "English";
    QTest::newRow("no such language") << englishAndGerman() << "Klingon" << true << QString();
    QTest::newRow("empty file") << QByteArray() << "English" << true << QString();
    QTest::newRow("no groups") << QByteArray("<XML_DIZ_INFO>\r\n</XML_DIZ_INFO>\r\n") << "English" << true
                               << QString();

    // A group ends before the next "</LANGUAGE_GROUP>": one without its own closing
    // tag takes in the groups after it, up to the next closing tag.
    QTest::newRow("unclosed group takes in the next one")
        << file({withGroupLine(6, QString()), goodDe}) << "Deutsch" << true << QString();
    QTest::newRow("unclosed group keeps its own items")
        << file({withGroupLine(6, QString()), goodDe}) << "English" << true << "English";
    QTest::newRow("last group without closing tag")
        << file({goodDe, withGroupLine(6, QString())}) << "English" << false << QString();
    QTest::newRow("no closing tag at all")
        << file({withGroupLine(6, QString()), goodDe}).replace("</LANGUAGE_GROUP>", "") << "Deutsch" << false
        << QString();
    // Malformed groups before the match end the load even though a later group matches.
    QTest::newRow("group without <LANGUAGE_NAME>")
        << file({withGroupLine(1, QStringLiteral("\tEnglish</LANGUAGE_NAME>")), goodDe}) << "Deutsch" << false
        << QString();
    QTest::newRow("group without </LANGUAGE_NAME>")
        << file({withGroupLine(1, QStringLiteral("\t<LANGUAGE_NAME>English")), goodDe}) << "Deutsch" << false
        << QString();
    QTest::newRow("name tags reversed")
        << file({withGroupLine(1, QStringLiteral("\t</LANGUAGE_NAME>English<LANGUAGE_NAME>")), goodDe})
        << "Deutsch" << false << QString();
    QTest::newRow("stray closing tag before a group")
        << file({QStringList {QStringLiteral("</LANGUAGE_GROUP>")}, goodDe}) << "Deutsch" << false
        << QString();
    QTest::newRow("matching group without <TRANSLATION_ITEMS>")
        << file({withGroupLine(3, QStringLiteral("\t")), goodDe}) << "English" << false << QString();
    QTest::newRow("matching group without </TRANSLATION_ITEMS>")
        << file({withGroupLine(5, QStringLiteral("\t")), goodDe}) << "English" << false << QString();
    QTest::newRow("malformed group after the last group")
        << file({goodDe, QStringList {QStringLiteral("<LANGUAGE_GROUP>")}}) << "English" << false
        << QString();

    // Item tags matter only in the matching group; nothing after the match is read.
    QTest::newRow("other group without item tags")
        << file({withGroupLine(3, QStringLiteral("\t")), goodDe}) << "Deutsch" << true << "Deutsch";
    QTest::newRow("malformed group after the match")
        << file({goodDe, QStringList {QStringLiteral("<LANGUAGE_GROUP>")}}) << "Deutsch" << true << "Deutsch";
}

void TestLanguages::loadLanguage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, language);
    QFETCH(bool, ok);
    QFETCH(QString, caption);

    writeLocalization(bytes);
    LanguageTable languages;
    QCOMPARE(languages.currentLanguage(), QString());
    QCOMPARE(languages.loadLanguage(language), ok);
    QCOMPARE(languages.currentLanguage(), language);
    if (caption.isNull()) {
        QVERIFY(!languages.translationLines.has_value());
        QCOMPARE(languages.lastLineIndex(), -1);
    } else {
        QCOMPARE(languages.tryCaption(QStringLiteral("KEY_A")), std::optional<QString>(caption));
    }
}

void TestLanguages::lineEndsReadAlike_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF, as Linux editors write") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestLanguages::lineEndsReadAlike()
{
    // Every line end cuts the item block, CR LF counting as one.
    QFETCH(QByteArray, eol);
    writeLocalization(file({group(QStringLiteral("English"),
                                  {item(QStringLiteral("K_1"), QStringLiteral("one")),
                                   item(QStringLiteral("K_2"), QStringLiteral("two"))})},
                           eol));
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    const QStringList expected {QString(), QStringLiteral("\t\t<K_1>one</K_1>"), QStringLiteral("\t\t<K_2>two</K_2>"),
                                QStringLiteral("\t")};
    QCOMPARE(*languages.translationLines, expected);
    QCOMPARE(languages.caption(QStringLiteral("K_2")), QStringLiteral("Two"));

    // A hand-edited file with LF line ends loses no item.
    QFile fixture(qEnvironmentVariable("OCELLUS_TEST_DATA") + QStringLiteral("/localization/bare_lf.txt"));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    QByteArray bytes = fixture.readAll();
    bytes.replace("\n", eol);
    writeLocalization(bytes);
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.caption(QStringLiteral("FORM1_CMDADD")), QStringLiteral("Add"));
    QCOMPARE(languages.caption(QStringLiteral("FORM1_CMDEDIT")), QStringLiteral("Edit"));
}

void TestLanguages::unknownLanguageKeepsPreviousLines()
{
    writeLocalization(englishAndGerman());
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("Deutsch")));
    const QStringList loaded = *languages.translationLines;
    QVERIFY(languages.loadLanguage(QStringLiteral("Klingon")));
    QCOMPARE(languages.currentLanguage(), QStringLiteral("Klingon"));
    QCOMPARE(*languages.translationLines, loaded);
    QCOMPARE(languages.caption(QStringLiteral("KEY_A")), QStringLiteral("Deutsch"));
}

void TestLanguages::malformedGroupKeepsPreviousLines()
{
    writeLocalization(englishAndGerman());
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    // A group without "</LANGUAGE_NAME>" ends the scan before the Deutsch group.
    writeLocalization(QByteArray("<LANGUAGE_GROUP>\r\n\t<LANGUAGE_NAME>Broken\r\n</LANGUAGE_GROUP>\r\n")
        + englishAndGerman());
    QVERIFY(!languages.loadLanguage(QStringLiteral("Deutsch")));
    QCOMPARE(languages.currentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(languages.caption(QStringLiteral("KEY_A")), QStringLiteral("English"));
}

void TestLanguages::missingFileChangesNothing()
{
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.currentLanguage(), QStringLiteral("English"));
    QVERIFY(!languages.translationLines.has_value());

    writeLocalization(englishAndGerman());
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QVERIFY(QFile::remove(m_folder->file(QStringLiteral("Localization.txt"))));
    QVERIFY(languages.loadLanguage(QStringLiteral("Deutsch")));
    QCOMPARE(languages.currentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(languages.caption(QStringLiteral("KEY_A")), QStringLiteral("English"));
}

void TestLanguages::fileIsReadAnewAtEveryLoad()
{
    writeLocalization(englishAndGerman());
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    writeLocalization(
        file({group(QStringLiteral("English"), {item(QStringLiteral("KEY_A"), QStringLiteral("edited"))})}));
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.caption(QStringLiteral("KEY_A")), QStringLiteral("Edited"));
}

void TestLanguages::caseVariantOfFileNameOnly()
{
    // The existence test ignores case but the file is read under its exact name: a
    // file present only as "localization.txt" cannot be read and nothing changes.
    m_folder->write(QStringLiteral("localization.txt"), englishAndGerman());
    LanguageTable languages;
    QVERIFY(languages.fileExistsIgnoringCase(localizationFilePath()));
    QVERIFY(!languages.loadLanguage(QStringLiteral("English")));
    QCOMPARE(languages.currentLanguage(), QStringLiteral("English"));
    QVERIFY(!languages.translationLines.has_value());
}

void TestLanguages::tooManyLinesKeepPreviousLines()
{
    writeLocalization(englishAndGerman());
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));

    const QString atLimit = QStringLiteral("\r\n").repeated(MaxTranslationLines - 1);
    const QString tooMany = atLimit + QStringLiteral("\r\n");
    auto text = [](const QString &block) {
        return QStringLiteral("<LANGUAGE_GROUP><LANGUAGE_NAME>Big</LANGUAGE_NAME><TRANSLATION_ITEMS>%1"
                              "</TRANSLATION_ITEMS></LANGUAGE_GROUP>")
            .arg(block);
    };
    QVERIFY(!languages.loadLanguageFromText(text(tooMany), QStringLiteral("Big")));
    QCOMPARE(languages.caption(QStringLiteral("KEY_A")), QStringLiteral("English"));
    QVERIFY(languages.loadLanguageFromText(text(atLimit), QStringLiteral("Big")));
    QCOMPARE(languages.lastLineIndex(), static_cast<int>(MaxTranslationLines - 1));
}

void TestLanguages::caption_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("expected");

    const QString k = QStringLiteral("KEY_A");
    QTest::newRow("plain") << QStringList {item(k, QStringLiteral("Alpha"))} << k << false << "Alpha";
    QTest::newRow("key asked in lower case")
        << QStringList {item(k, QStringLiteral("Alpha"))} << "key_a" << false << "Alpha";
    QTest::newRow("tags in mixed case")
        << QStringList {QStringLiteral("\t\t<Key_a>Alpha</kEY_A>")} << k << false << "Alpha";
    QTest::newRow("text with > and <")
        << QStringList {item(k, QStringLiteral("a > b <c> d"))} << k << false << "A > b <c> d";
    QTest::newRow("entity as written")
        << QStringList {item(k, QStringLiteral("Fish &amp; Chips"))} << k << false << "Fish &amp; Chips";
    QTest::newRow("placeholder in lower case")
        << QStringList {item(k, QStringLiteral("[programname] help"))} << k << false << "Ocellus help";
    QTest::newRow("all placeholders")
        << QStringList {item(k, QStringLiteral("about [ProgramName] by [COMPANYNAME] at [website]"))} << k
        << false << "About Ocellus by Quillmark at www.ocellus.example";
    QTest::newRow("trailing space kept")
        << QStringList {item(k, QStringLiteral("delete "))} << k << false << "Delete ";
    QTest::newRow("first letter accented")
        << QStringList {item(k, QStringLiteral("élan"))} << k << false << "Élan";
    QTest::newRow("first letter outside the BMP")
        << QStringList {item(k, QStringLiteral("\U00010428x"))} << k << false << "\U00010400x";
    QTest::newRow("empty text") << QStringList {item(k, QString())} << k << false << "";
    QTest::newRow("one-character key unindented")
        << QStringList {QStringLiteral("<A>Short</A>")} << "A" << false << "";
    QTest::newRow("one-character key tab-indented")
        << QStringList {QStringLiteral("\t<A>Short</A>")} << "A" << false << "Short";
    QTest::newRow("two-character key unindented")
        << QStringList {QStringLiteral("<AB>Short</AB>")} << "AB" << false << "Short";
    QTest::newRow("longer key is another key")
        << QStringList {item(QStringLiteral("KEY_AB"), QStringLiteral("x"))} << k << false << "";
    QTest::newRow("unknown key") << QStringList {item(k, QStringLiteral("Alpha"))} << "NOPE" << false << "";
    QTest::newRow("empty key") << QStringList {item(k, QStringLiteral("Alpha"))} << "" << false << "";
    QTest::newRow("first of two lines")
        << QStringList {item(k, QStringLiteral("one")), item(k, QStringLiteral("two"))} << k << false
        << "One";

    QTest::newRow("closing tag missing")
        << QStringList {QStringLiteral("\t\t<KEY_A>Alpha")} << k << true << "";
    QTest::newRow("closing tag of another key")
        << QStringList {QStringLiteral("\t\t<KEY_A>Alpha</KEY_B>")} << k << true << "";
    QTest::newRow("closing tag before opening tag")
        << QStringList {QStringLiteral("KEY_A></KEY_A><KEY_A>x")} << k << true << "";
    QTest::newRow("no opening tag") << QStringList {QStringLiteral("KEY_A>Alpha</KEY_A>")} << k << true << "";
    QTest::newRow("broken line ends the scan")
        << QStringList {QStringLiteral("\t\t<KEY_A>broken"), item(k, QStringLiteral("good"))} << k << true
        << "";
}

void TestLanguages::caption()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, key);
    QFETCH(bool, fails);
    QFETCH(QString, expected);

    writeLocalization(file({group(QStringLiteral("English"), lines)}));
    LanguageTable languages;
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    const std::optional<QString> caption = languages.tryCaption(key);
    QCOMPARE(caption.has_value(), !fails);
    if (caption)
        QCOMPARE(*caption, expected);
    QCOMPARE(languages.caption(key), expected);
}

void TestLanguages::getCaptionWithoutLines()
{
    LanguageTable languages;
    QCOMPARE(languages.tryCaption(QStringLiteral("FORM1_CAPTION")), std::nullopt);
    QCOMPARE(languages.caption(QStringLiteral("FORM1_CAPTION")), QString());
    languages.translationLines = QStringList {};
    QCOMPARE(languages.tryCaption(QStringLiteral("FORM1_CAPTION")), std::optional<QString>(QString()));
}

void TestLanguages::defaultMessages()
{
    LanguageTable languages;
    addDefaultMessages(languages);
    const QStringList names {QStringLiteral("MSG_HELLO"), QStringLiteral("MSG_DELETE1"),
        QStringLiteral("MSG_DELETE2"), QStringLiteral("MSG_ALLINFO"), QStringLiteral("MSG_TITLELANGUAGE"),
        QStringLiteral("MSG_DOWNLOADED")};
    const QStringList texts {QStringLiteral("Hello, good to see you"),
        QStringLiteral("Are you sure you want to delete "), QStringLiteral("Confirm Delete"),
        QStringLiteral("You must enter all information"), QStringLiteral("Language Selection"),
        QStringLiteral("The newest language file was downloaded. Choose your language from the list.")};
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY(languages.messages[i].used);
        QCOMPARE(languages.messages[i].name, names[i]);
        QCOMPARE(languages.messages[i].text, texts[i]);
    }
    // Messages of later windows follow, each with a text; the rest of the table is free.
    qsizetype slot = names.size();
    for (; languages.messages[slot].used; ++slot)
        QVERIFY(languages.messages[slot].name.startsWith(QLatin1String("MSG_")) && !languages.messages[slot].text.isEmpty());
    // Room stays for 64 messages that a translation adds of its own.
    QVERIFY2(slot <= LanguageTable::MessageSlots - 64, qPrintable(QString::number(slot)));
    QCOMPARE(languages.message(QStringLiteral("msg_delete2")), QStringLiteral("Confirm Delete"));
    QCOMPARE(languages.message(QStringLiteral("msg_titlelanguage")), QStringLiteral("Language Selection"));
    QCOMPARE(languages.message(QStringLiteral("MSG_UNKNOWN")), QString());
    QCOMPARE(languages.message(QString()), QString());
}

void TestLanguages::message_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("as stored") << "Confirm Delete"
                               << "Confirm Delete";
    QTest::newRow("first letter upper-cased") << "confirm"
                                              << "Confirm";
    QTest::newRow("placeholders in any case") << "[programname] by [CompanyName]"
                                              << "Ocellus by Quillmark";
    QTest::newRow("website kept") << "see [Website] or [WEBSITE]"
                                  << "See [Website] or [WEBSITE]";
    QTest::newRow("empty") << ""
                           << "";
}

void TestLanguages::message()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    LanguageTable languages;
    addDefaultMessages(languages);
    languages.setMessage(QStringLiteral("MSG_TEST"), text);
    QCOMPARE(languages.message(QStringLiteral("Msg_Test")), expected);
    const auto stored = std::find_if(languages.messages.begin(), languages.messages.end(),
                                     [](const auto &entry) { return entry.name == QLatin1String("MSG_TEST"); });
    QCOMPARE(stored->text, text); // stored as given
}

void TestLanguages::fullMessageTable()
{
    LanguageTable languages;
    for (int i = 0; i < LanguageTable::MessageSlots; ++i)
        languages.setMessage(QStringLiteral("K%1").arg(i), QStringLiteral("text %1").arg(i));
    QVERIFY(languages.messages[200].used);
    QCOMPARE(languages.message(QStringLiteral("k200")), QStringLiteral("Text 200"));

    const auto before = languages.messages;
    languages.setMessage(QStringLiteral("EXTRA"), QStringLiteral("extra"));
    for (int i = 0; i < LanguageTable::MessageSlots; ++i) {
        QCOMPARE(languages.messages[i].name, before[i].name);
        QCOMPARE(languages.messages[i].text, before[i].text);
    }
    QCOMPARE(languages.message(QStringLiteral("EXTRA")), QString());
    QCOMPARE(languages.message(QString()), QString());
}

void TestLanguages::duplicateMessageKey()
{
    LanguageTable languages;
    languages.setMessage(QStringLiteral("MSG_X"), QStringLiteral("first"));
    languages.setMessage(QStringLiteral("msg_x"), QStringLiteral("second"));
    QVERIFY(languages.messages[1].used);
    QCOMPARE(languages.messages[1].name, QStringLiteral("msg_x"));
    QCOMPARE(languages.message(QStringLiteral("MSG_X")), QStringLiteral("First"));
}

void TestLanguages::messageScanStopsAtFreeSlot()
{
    LanguageTable languages;
    addDefaultMessages(languages);
    const auto firstFree = std::find_if(languages.messages.begin(), languages.messages.end(),
                                        [](const auto &entry) { return !entry.used; });
    *(firstFree + 1) = {QStringLiteral("MSG_LATE"), QStringLiteral("late"), true};
    QCOMPARE(languages.message(QStringLiteral("MSG_LATE")), QString());
}

void TestLanguages::langTrimPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("backslashes") << "a\\b\\c.txt"
                                 << "c.txt";
    QTest::newRow("slashes") << "a/b/c.txt"
                             << "c.txt";
    QTest::newRow("both") << "/srv/a\\b/c\\d.txt"
                          << "d.txt";
    QTest::newRow("bare name") << "name.txt"
                               << "name.txt";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("trailing backslash") << "dir\\"
                                        << "";
    QTest::newRow("trailing slash") << "dir/"
                                    << "";
}

void TestLanguages::langTrimPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(LanguageTable().fileNamePart(path), expected);
}

void TestLanguages::langFileExists_data()
{
    QTest::addColumn<QString>("present"); // created in the folder; ends in "/" for a folder
    QTest::addColumn<QString>("asked"); // relative to the folder
    QTest::addColumn<bool>("expected");

    QTest::newRow("exact name") << "Localization.txt"
                                << "Localization.txt" << true;
    QTest::newRow("other case") << "localization.TXT"
                                << "Localization.txt" << true;
    QTest::newRow("hidden file") << ".Hidden.txt"
                                 << ".hidden.TXT" << true;
    QTest::newRow("in a sub-folder") << "sub/Localization.txt"
                                     << "sub/LOCALIZATION.txt" << true;
    QTest::newRow("other name") << "Localization.txt"
                                << "Missing.txt" << false;
    QTest::newRow("prefix only") << "Localization.txt"
                                 << "Localization" << false;
    QTest::newRow("a folder") << "Localization.txt/"
                              << "Localization.txt" << false;
    QTest::newRow("missing folder") << "Localization.txt"
                                    << "nowhere/Localization.txt" << false;
    QTest::newRow("path ends in a separator") << "Localization.txt"
                                              << "" << false;
}

void TestLanguages::langFileExists()
{
    QFETCH(QString, present);
    QFETCH(QString, asked);
    QFETCH(bool, expected);

    if (present.endsWith(QLatin1Char('/')))
        QVERIFY(QDir(m_folder->path()).mkpath(present));
    else
        QVERIFY(!m_folder->write(present, "x").isEmpty());
    QCOMPARE(LanguageTable().fileExistsIgnoringCase(m_folder->file(asked)), expected);
}

void TestLanguages::langFileExistsSkipsFifo()
{
    // A FIFO would block a reader; it does not count as a file.
    const QString fifo = m_folder->file(QStringLiteral("Localization.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    LanguageTable languages;
    QVERIFY(!languages.fileExistsIgnoringCase(fifo));
    QVERIFY(languages.loadLanguage(QStringLiteral("English")));
    QVERIFY(!languages.translationLines.has_value());
    QVERIFY(!languages.fileExistsIgnoringCase(QString()));
}

void TestLanguages::localeOfLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("locale"); // QLocale::name(); "system" for the system's
    QTest::addColumn<QString>("date");   // 9 December 2026 in the short date format
    QTest::newRow("English") << "English" << "en_US" << "12/9/26";
    QTest::newRow("Deutsch") << "Deutsch" << "de_DE" << "09.12.26";
    QTest::newRow("français, other case") << "français" << "fr_FR" << "09/12/2026";
    QTest::newRow("Español with spaces") << " Español " << "es_ES" << "9/12/26";
    QTest::newRow("another language in its own tongue") << "Italiano" << "it_IT" << "";
    QTest::newRow("another language in English") << "Dutch" << "nl_NL" << "";
    QTest::newRow("unknown") << "Klingon" << "system" << "";
    QTest::newRow("empty") << "" << "system" << "";
}

void TestLanguages::localeOfLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, locale);
    QFETCH(QString, date);
    const QLocale found = ::localeOfLanguage(language);
    QCOMPARE(found.name(), locale == QLatin1String("system") ? QLocale::system().name() : locale);
    if (!date.isEmpty())
        QCOMPARE(found.toString(QDate(2026, 12, 9), QLocale::ShortFormat), date);
}

QTEST_GUILESS_MAIN(TestLanguages)
#include "tst_languages.moc"
