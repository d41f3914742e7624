// SPDX-License-Identifier: GPL-3.0-or-later
// The language window: its list of languages, choosing a language (from the main window's
// menu and at the first start), the title, and "Translate this program".

#include "localization/ui/LanguageWindow.h"

#include "LanguageTestSupport.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "localization/LanguageTable.h"
#include "localization/LocalizationFile.h"
#include "platform/SettingsStore.h"
#include "platform/ui/ShellOpen.h"
#include "support/BoxAnswerer.h"
#include "support/MainWindowWithList.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using namespace langtest;

namespace {

const QString Prompt = QStringLiteral("Choose Language Here");

QString storedLanguage()
{
    return userSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language,
                       QStringLiteral("<absent>"));
}

QComboBox *languageList(const QWidget *window) { return control<QComboBox>(window, "Combo1"); }
QString buttonText(const QWidget *window, const char *name) { return control<QAbstractButton>(window, name)->text(); }

// The language window the main window holds, opened from its menu.
LanguageWindow *openFromMenu(MainWindow &main)
{
    control<QAction>(&main, "mnuLanguageItem", 0)->trigger();
    return main.findChild<LanguageWindow *>();
}

} // namespace

class TestLanguageWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { loadIdentity(); }
    void init() { QFile::remove(userSettingsFilePath(identity().programName)); }
    void cleanup() { setShellOpenHandlerForTesting({}); }

    void listShowsTheShippedLanguages_data();
    void listShowsTheShippedLanguages();
    void listFromOtherFiles_data();
    void listFromOtherFiles();
    void promptChangesNothing_data();
    void promptChangesNothing();
    void pickingRecaptionsBothWindows();
    void pickedLanguageMissingFromTheFile();
    void firstRunChoiceApplies();
    void titleFromMessageThenCaption_data();
    void titleFromMessageThenCaption();
    void translateOpensTheFile_data();
    void translateOpensTheFile();
};

void TestLanguageWindow::listShowsTheShippedLanguages_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing stored") << QString() << "English";
    QTest::newRow("Español") << "Español"
                             << "Español";
    QTest::newRow("a name that is not in the list") << "Klingon"
                                                    << "Klingon";
}

void TestLanguageWindow::listShowsTheShippedLanguages()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    if (!stored.isNull())
        saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, stored);
    LanguageTable languages;
    LanguageWindow w(languages, nullptr);
    QCOMPARE(languageList(&w)->currentText(), Prompt);
    w.load();
    QCOMPARE(comboItems(languageList(&w)), QStringList({"English", "Deutsch", "Français", "Español"}));
    QCOMPARE(languageList(&w)->currentText(), shown);
    // The list is rebuilt, not extended, when it is filled again.
    w.load();
    QCOMPARE(languageList(&w)->count(), 4);
}

void TestLanguageWindow::listFromOtherFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("no file") << QByteArray() << QStringList();
    QTest::newRow("no group") << QByteArray("<XML_DIZ_INFO></XML_DIZ_INFO>\r\n") << QStringList();
    QTest::newRow("duplicate names kept, in file order")
        << localizationFile({languageGroup("Zulu"), languageGroup("English"), languageGroup("Zulu")})
        << QStringList({"Zulu", "English", "Zulu"});
    QTest::newRow("stops at a group without its closing tag")
        << (localizationFile({languageGroup("English"), languageGroup("Deutsch")})
            + "<LANGUAGE_GROUP>\r\n<LANGUAGE_NAME>Broken</LANGUAGE_NAME>\r\n")
        << QStringList({"English", "Deutsch"});
    QTest::newRow("lower-case tags, UTF-8 name")
        << QByteArray("<language_group><Language_Name>Ελληνικά</language_name></Language_Group>\r\n")
        << QStringList({QStringLiteral("Ελληνικά")});
}

void TestLanguageWindow::listFromOtherFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    TempAppFolder folder;
    if (!content.isEmpty())
        folder.write(QLatin1String(LocalizationFileName), content);
    LanguageTable languages;
    LanguageWindow w(languages, nullptr);
    w.load();
    QCOMPARE(comboItems(languageList(&w)), expected);
    if (!expected.isEmpty())
        QCOMPARE(languageList(&w)->currentText(), QStringLiteral("English"));
}

void TestLanguageWindow::promptChangesNothing_data()
{
    QTest::addColumn<bool>("fromTheList");
    QTest::newRow("prompt typed, Return") << false;
    QTest::newRow("prompt picked from the list") << true;
}

void TestLanguageWindow::promptChangesNothing()
{
    QFETCH(bool, fromTheList);
    fixture::MainWindowWithList main;
    main.folder.write(QLatin1String(LocalizationFileName),
                      shippedLocalization() + languageGroup(Prompt.toUtf8(), {{"FORM1_CMDADD", "Prompt"}}));
    MainWindow &f = *main.window;
    LanguageWindow *w = openFromMenu(f);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    const QString title = w->windowTitle();
    const QString current = f.languages().currentLanguage();
    QComboBox *list = languageList(w);

    if (fromTheList) {
        pickFromList(list, Prompt);
    } else {
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), Prompt);
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    }

    QCOMPARE(list->currentText(), Prompt);
    QCOMPARE(storedLanguage(), QStringLiteral("<absent>"));
    QCOMPARE(f.languages().currentLanguage(), current);
    QCOMPARE(buttonText(&f, "cmdAdd"), QStringLiteral("Add"));
    QCOMPARE(w->windowTitle(), title);
}

void TestLanguageWindow::pickingRecaptionsBothWindows()
{
    fixture::MainWindowWithList main;
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    MainWindow &f = *main.window;
    QCOMPARE(buttonText(&f, "cmdAdd"), QStringLiteral("Add"));
    QPointer<LanguageWindow> w = openFromMenu(f);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("Language Selection"));
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    // Asking again brings the same window forward.
    QCOMPARE(openFromMenu(f), w.data());
    QCOMPARE(f.findChildren<LanguageWindow *>().size(), 1);

    pickFromList(languageList(w), QStringLiteral("Deutsch"));
    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(f.languages().currentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(buttonText(&f, "cmdAdd"), QStringLiteral("Neu"));
    QCOMPARE(control<QAction>(&f, "mnuCams")->text(), QStringLiteral("Kameras"));
    QCOMPARE(control<QToolButton>(&f, "cmdRefresh", 3)->text(), QStringLiteral("Neu laden"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Sprachauswahl"));
    QCOMPARE(control<QLabel>(w, "Label1")->text(),
             QStringLiteral("Bitte wählen Sie die Sprache, die Sie verwenden möchten:"));
    QCOMPARE(buttonText(w, "Command1"), QStringLiteral("Nach neuen Sprachdateien suchen"));
    QCOMPARE(buttonText(w, "Command3"), QStringLiteral("Dieses Programm übersetzen"));

    // The windows the main window opens speak the chosen language, and follow a new choice.
    f.startSelectedCamera(); // nothing selected: the notice
    QPointer<QWidget> notice = f.findChild<QWidget *>(QStringLiteral("Form4"));
    QVERIFY(notice);
    QCOMPARE(notice->windowTitle(), QStringLiteral("Hoppla!"));
    QCOMPARE(control<QLabel>(notice, "Label1")->text(), QStringLiteral("Wählen Sie zuerst eine Kamera aus der Liste."));
    {
        BoxAnswerer answerer;
        f.saveShownPicture(); // no camera in the viewer
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes.first().text,
                 QStringLiteral("Wählen Sie zuerst das Bild einer Kamera: Klicken Sie es in seinem Feld an."));
    }

    // Back to the first entry while the text shows another name.
    pickFromList(languageList(w), QStringLiteral("English"));
    QCOMPARE(storedLanguage(), QStringLiteral("English"));
    QCOMPARE(buttonText(&f, "cmdAdd"), QStringLiteral("Add"));
    QVERIFY(notice);
    QCOMPARE(notice->windowTitle(), QStringLiteral("Oops!"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Language Selection"));

    // "OK" closes and unloads the window.
    QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QTRY_VERIFY(!w);
}

void TestLanguageWindow::pickedLanguageMissingFromTheFile()
{
    fixture::MainWindowWithList main;
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    MainWindow &f = *main.window;
    QPointer<LanguageWindow> w = openFromMenu(f);
    pickFromList(languageList(w), QStringLiteral("Español"));
    w->close();
    QTRY_VERIFY(!w);
    // A window opened later captions itself in the language chosen.
    w = openFromMenu(f);
    QCOMPARE(w->windowTitle(), QStringLiteral("Selección de idioma"));
    // The file changes behind the list's back.
    main.folder.write(QLatin1String(LocalizationFileName),
                      localizationFile({languageGroup("English", {{"FORM1_CMDADD", "Add"}})}));

    pickFromList(languageList(w), QStringLiteral("Deutsch"));

    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(f.languages().currentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(buttonText(&f, "cmdAdd"), QStringLiteral("Añadir"));
    QCOMPARE(buttonText(w, "Command1"), QStringLiteral("Buscar actualizaciones de idioma"));
}

void TestLanguageWindow::firstRunChoiceApplies()
{
    fixture::MainWindowWithList main;
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    bool shown = false;
    QString title;
    QString storedMeanwhile;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *w = qobject_cast<LanguageWindow *>(QApplication::activeModalWidget());
        if (!w || shown)
            return;
        shown = true;
        title = w->windowTitle();
        storedMeanwhile = storedLanguage();
        pickFromList(languageList(w), QStringLiteral("Deutsch"));
        QTest::mouseClick(control<QPushButton>(w, "Command2"), Qt::LeftButton);
    });
    answer.start(10);

    MainWindow &f = *main.window;
    f.load();
    answer.stop();

    QVERIFY(shown);
    QCOMPARE(title, QStringLiteral("Language Selection"));
    // The first-run marker is stored before the window shows.
    QCOMPARE(storedMeanwhile, QStringLiteral("English"));
    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(f.languages().currentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(buttonText(&f, "cmdAdd"), QStringLiteral("Neu"));
    QCOMPARE(control<QAction>(&f, "mnuCams")->text(), QStringLiteral("Kameras"));
    // Start-up goes on after the window: the caption is the program name.
    QCOMPARE(f.windowTitle(), identity().programName);
    QVERIFY(!f.findChild<LanguageWindow *>());
}

void TestLanguageWindow::titleFromMessageThenCaption_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("caption item wins over the message") << shippedLocalization() << "Deutsch"
                                                        << "Sprachauswahl";
    QTest::newRow("translated message without a caption item")
        << localizationFile({languageGroup("Mini", {{"MSG_TITLELANGUAGE", "sprache wählen"}})}) << "Mini"
        << "Sprache wählen";
    QTest::newRow("message default without either item")
        << localizationFile({languageGroup("Leer", {{"MSG_HELLO", "Hallo"}})}) << "Leer"
        << "Pick a language";
    QTest::newRow("no file") << QByteArray() << "Deutsch"
                             << "Pick a language";
}

void TestLanguageWindow::titleFromMessageThenCaption()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, language);
    TempAppFolder folder;
    if (!content.isEmpty())
        folder.write(QLatin1String(LocalizationFileName), content);
    LanguageTable languages;
    languages.setMessage(QStringLiteral("MSG_TITLELANGUAGE"), QStringLiteral("Pick a language"));
    languages.loadLanguage(language);
    LanguageWindow w(languages, nullptr);
    w.load();
    QTEST(w.windowTitle(), "title");
}

void TestLanguageWindow::translateOpensTheFile_data()
{
    QTest::addColumn<bool>("withFile");
    QTest::newRow("file present") << true;
    QTest::newRow("no file") << false;
}

void TestLanguageWindow::translateOpensTheFile()
{
    QFETCH(bool, withFile);
    TempAppFolder folder;
    if (withFile)
        folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    QList<QUrl> opened;
    setShellOpenHandlerForTesting([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    LanguageTable languages;
    LanguageWindow w(languages, nullptr);
    w.load();
    QTest::mouseClick(control<QPushButton>(&w, "Command3"), Qt::LeftButton);
    if (!withFile) {
        QVERIFY(opened.isEmpty());
        return;
    }
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().isLocalFile());
    QCOMPARE(opened.first().toLocalFile(), folder.file(QLatin1String(LocalizationFileName)));
}

QTEST_MAIN(TestLanguageWindow)
#include "tst_languagewindow.moc"
