// SPDX-License-Identifier: GPL-3.0-or-later
// The language offered at the first start: the languages of Localization.txt are named
// in their own words and matched to the session's locale variables through QLocale.
#include "localization/SessionLanguage.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>

namespace {
const QStringList Shipped{"English", "Deutsch", "Français", "Español"};
const char PrintOption[] = "--print-session-language";
} // namespace

class TestSessionLanguage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void languageOfName_data();
    void languageOfName();
    void preferredLanguage_data();
    void preferredLanguage();
    void fromTheEnvironment_data();
    void fromTheEnvironment();
};

void TestSessionLanguage::languageOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("language"); // -1: none
    QTest::newRow("Deutsch") << "Deutsch" << int(QLocale::German);
    QTest::newRow("lower case, blanks") << " deutsch " << int(QLocale::German);
    QTest::newRow("Français") << "Français" << int(QLocale::French);
    QTest::newRow("FRANÇAIS") << "FRANÇAIS" << int(QLocale::French);
    QTest::newRow("Español") << "Español" << int(QLocale::Spanish);
    QTest::newRow("English, though its own name for en_US is American English") << "English" << int(QLocale::English);
    QTest::newRow("an English name") << "German" << int(QLocale::German);
    QTest::newRow("a language a user added") << "Nederlands" << int(QLocale::Dutch);
    QTest::newRow("Cyrillic") << "Русский" << int(QLocale::Russian);
    QTest::newRow("unaccented French is another word") << "Francais" << -1;
    QTest::newRow("unknown") << "Klingon" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("C is not a language") << "C" << -1;
}

void TestSessionLanguage::languageOfName()
{
    QFETCH(QString, name);
    QFETCH(int, language);
    const std::optional<QLocale::Language> found = ::languageOfName(name);
    QCOMPARE(found ? int(*found) : -1, language);
}

void TestSessionLanguage::preferredLanguage_data()
{
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<QString>("expected");
    QTest::newRow("German session") << Shipped << QStringList{"de-DE"} << "Deutsch";
    QTest::newRow("Swiss German") << Shipped << QStringList{"de-CH", "de"} << "Deutsch";
    QTest::newRow("Canadian French") << Shipped << QStringList{"fr-CA"} << "Français";
    QTest::newRow("first known of several") << Shipped << QStringList{"it-IT", "es-MX", "de-DE"} << "Español";
    QTest::newRow("English first") << Shipped << QStringList{"en-GB", "de-DE"} << "English";
    QTest::newRow("not shipped") << Shipped << QStringList{"it-IT"} << "English";
    QTest::newRow("C locale") << Shipped << QStringList{"C"} << "English";
    QTest::newRow("nothing known") << Shipped << QStringList() << "English";
    QTest::newRow("a language added to the file")
        << QStringList{"English", "Nederlands"} << QStringList{"nl-BE"} << "Nederlands";
    QTest::newRow("the file's own spelling is offered")
        << QStringList{"English", "deutsch"} << QStringList{"de"} << "deutsch";
    QTest::newRow("no file") << QStringList() << QStringList{"de-DE"} << "English";
}

void TestSessionLanguage::preferredLanguage()
{
    QFETCH(QStringList, offered);
    QFETCH(QStringList, uiLanguages);
    QTEST(::preferredLanguage(offered, uiLanguages), "expected");
}

void TestSessionLanguage::fromTheEnvironment_data()
{
    // QLocale reads the session once per process, so each row asks a fresh process (this
    // test's own executable) with that environment.
    QTest::addColumn<QString>("language"); // LANGUAGE
    QTest::addColumn<QString>("all");      // LC_ALL
    QTest::addColumn<QString>("messages"); // LC_MESSAGES
    QTest::addColumn<QString>("lang");     // LANG
    QTest::addColumn<QString>("expected");
    QTest::newRow("LANG") << "" << "" << "" << "de_DE.UTF-8" << "Deutsch";
    QTest::newRow("LC_MESSAGES over LANG") << "" << "" << "fr_FR.UTF-8" << "de_DE.UTF-8" << "Français";
    QTest::newRow("LC_ALL over LC_MESSAGES") << "" << "es_ES.UTF-8" << "fr_FR.UTF-8" << "de_DE.UTF-8" << "Español";
    QTest::newRow("LANGUAGE over all") << "fr:de" << "es_ES.UTF-8" << "" << "de_DE.UTF-8" << "Français";
    QTest::newRow("LANGUAGE: first shipped") << "it:es_ES" << "" << "" << "de_DE.UTF-8" << "Español";
    QTest::newRow("not shipped") << "" << "" << "" << "it_IT.UTF-8" << "English";
    QTest::newRow("C") << "" << "" << "" << "C.UTF-8" << "English";
    QTest::newRow("nothing set") << "" << "" << "" << "" << "English";
}

void TestSessionLanguage::fromTheEnvironment()
{
    QFETCH(QString, language);
    QFETCH(QString, all);
    QFETCH(QString, messages);
    QFETCH(QString, lang);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QList<QPair<QString, QString>> variables{
        {"LANGUAGE", language}, {"LC_ALL", all}, {"LC_MESSAGES", messages}, {"LANG", lang}};
    for (const auto &[name, value] : variables) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(PrintOption)});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QTEST(QString::fromUtf8(child.readAllStandardOutput()), "expected");
}

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], PrintOption) == 0) {
        QCoreApplication app(argc, argv);
        std::fputs(sessionLanguage(Shipped).toUtf8().constData(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestSessionLanguage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sessionlanguage.moc"
