// The language window: its list of languages, choosing a language (from the menu
// and at the first start), the title, and "Translate this program".

#include "localization/ui/LanguageWindow.h"

#include "LanguageTestSupport.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "localization/LocalizationFile.h"
#include "localization/ui/WindowCaptions.h"
#include "monitor/Form1Fixture.h"
#include "platform/SettingsStore.h"
#include "platform/ui/ShellOpen.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
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
    return userSetting(
        identity().programName, SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("<absent>"));
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList all;
    for (int i = 0; i < combo->count(); ++i)
        all << combo->itemText(i);
    return all;
}

} // namespace

class TestFrmLanguage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

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

void TestFrmLanguage::initTestCase()
{
    loadIdentity();
}

void TestFrmLanguage::init()
{
    // A message table holding only what each test puts there, no language loaded.
    resetLanguages(false, QStringLiteral("English"));
    QFile::remove(userSettingsFilePath(identity().programName));
}

void TestFrmLanguage::cleanup()
{
    setShellOpenHandlerForTesting({});
    if (LanguageWindow *open = LanguageWindow::instance())
        open->close();
    QTRY_VERIFY(!LanguageWindow::instance());
}

void TestFrmLanguage::listShowsTheShippedLanguages_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing stored") << QString() << "English";
    QTest::newRow("Español") << "Español"
                             << "Español";
    QTest::newRow("a name that is not in the list") << "Klingon"
                                                    << "Klingon";
}

void TestFrmLanguage::listShowsTheShippedLanguages()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    if (!stored.isNull())
        saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, stored);
    LanguageWindow w(nullptr);
    QCOMPARE(w.Combo1->currentText(), Prompt);
    w.load();
    QCOMPARE(comboItems(w.Combo1), QStringList({"English", "Deutsch", "Français", "Español"}));
    QCOMPARE(w.Combo1->currentText(), shown);
    // The list is rebuilt, not extended, when it is filled again.
    w.FillLanguageList();
    QCOMPARE(w.Combo1->count(), 4);
}

void TestFrmLanguage::listFromOtherFiles_data()
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

void TestFrmLanguage::listFromOtherFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    TempAppFolder folder;
    if (!content.isEmpty())
        folder.write(QLatin1String(LocalizationFileName), content);
    LanguageWindow w(nullptr);
    w.load();
    QCOMPARE(comboItems(w.Combo1), expected);
    if (!expected.isEmpty())
        QCOMPARE(w.Combo1->currentText(), QStringLiteral("English"));
}

void TestFrmLanguage::promptChangesNothing_data()
{
    QTest::addColumn<bool>("fromTheList");
    QTest::newRow("text set to the prompt") << false;
    QTest::newRow("a group named like the prompt, picked") << true;
}

void TestFrmLanguage::promptChangesNothing()
{
    QFETCH(bool, fromTheList);
    fixture::TestWindow main;
    main.folder.write(QLatin1String(LocalizationFileName),
        shippedLocalization() + languageGroup(Prompt.toUtf8(), {{"FORM1_CMDADD", "Prompt"}}));
    MainWindow &f = *main.form;
    applyLanguage(&f, QStringLiteral("English"));
    f.mnuLanguageItem.at(0)->trigger();
    LanguageWindow *w = LanguageWindow::instance();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    const QString title = w->windowTitle();

    if (fromTheList) {
        pickFromList(w->Combo1, Prompt);
    } else {
        w->Combo1->setEditText(Prompt);
        w->Combo1_Click();
    }

    QCOMPARE(w->Combo1->currentText(), Prompt);
    QCOMPARE(storedLanguage(), QStringLiteral("<absent>"));
    QCOMPARE(CurrentLanguage, QStringLiteral("English"));
    QCOMPARE(f.cmdAdd->text(), QStringLiteral("Add"));
    QCOMPARE(w->windowTitle(), title);
}

void TestFrmLanguage::pickingRecaptionsBothWindows()
{
    fixture::TestWindow main;
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    MainWindow &f = *main.form;
    applyLanguage(&f, QStringLiteral("English"));
    QCOMPARE(f.cmdAdd->text(), QStringLiteral("Add"));
    f.mnuLanguageItem.at(0)->trigger();
    QPointer<LanguageWindow> w = LanguageWindow::instance();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("Language Selection"));
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    // Asking again brings the same window forward.
    f.mnuLanguageItem.at(0)->trigger();
    QCOMPARE(LanguageWindow::instance(), w.data());

    pickFromList(w->Combo1, QStringLiteral("Deutsch"));
    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(CurrentLanguage, QStringLiteral("Deutsch"));
    QCOMPARE(f.cmdAdd->text(), QStringLiteral("Neu"));
    QCOMPARE(f.mnuCams->menuAction()->text(), QStringLiteral("Kameras"));
    QCOMPARE(f.cams[3].cmdRefresh->text(), QStringLiteral("Aktualisieren"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Sprachauswahl"));
    QCOMPARE(w->Label1->text(), QStringLiteral("Bitte wählen Sie die Sprache, die Sie verwenden möchten:"));
    QCOMPARE(w->Command1->text(), QStringLiteral("Nach neuen Sprachdateien suchen"));
    QCOMPARE(w->Command3->text(), QStringLiteral("Dieses Programm übersetzen"));

    // Back to the first entry while the text shows another name.
    pickFromList(w->Combo1, QStringLiteral("English"));
    QCOMPARE(storedLanguage(), QStringLiteral("English"));
    QCOMPARE(f.cmdAdd->text(), QStringLiteral("Add"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Language Selection"));

    // "OK" closes and unloads the window.
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QTRY_VERIFY(!w);
    QVERIFY(!LanguageWindow::instance());
}

void TestFrmLanguage::pickedLanguageMissingFromTheFile()
{
    fixture::TestWindow main;
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    MainWindow &f = *main.form;
    applyLanguage(&f, QStringLiteral("Español"));
    LanguageWindow *w = LanguageWindow::showLanguageWindow(&f);
    QCOMPARE(w->windowTitle(), QStringLiteral("Selección de idioma"));
    // The file changes behind the list's back.
    main.folder.write(QLatin1String(LocalizationFileName),
        localizationFile({languageGroup("English", {{"FORM1_CMDADD", "Add"}})}));

    pickFromList(w->Combo1, QStringLiteral("Deutsch"));

    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(CurrentLanguage, QStringLiteral("Deutsch"));
    QCOMPARE(f.cmdAdd->text(), QStringLiteral("Añadir"));
    QCOMPARE(w->Command1->text(), QStringLiteral("Buscar actualizaciones de idioma"));
}

void TestFrmLanguage::firstRunChoiceApplies()
{
    fixture::TestWindow main;
    main.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    saveUserSetting(
        identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
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
        pickFromList(w->Combo1, QStringLiteral("Deutsch"));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
    });
    answer.start(10);

    main.form->load();
    answer.stop();

    QVERIFY(shown);
    QCOMPARE(title, QStringLiteral("Language Selection"));
    // The first-run marker is stored before the window shows.
    QCOMPARE(storedMeanwhile, QStringLiteral("English"));
    QCOMPARE(storedLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(CurrentLanguage, QStringLiteral("Deutsch"));
    QCOMPARE(main.form->cmdAdd->text(), QStringLiteral("Neu"));
    QCOMPARE(main.form->mnuCams->menuAction()->text(), QStringLiteral("Kameras"));
    // Start-up goes on after the window: the caption is the program name.
    QCOMPARE(main.form->windowTitle(), identity().programName);
    QVERIFY(!LanguageWindow::instance());
}

void TestFrmLanguage::titleFromMessageThenCaption_data()
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

void TestFrmLanguage::titleFromMessageThenCaption()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, language);
    QFETCH(QString, title);
    TempAppFolder folder;
    if (!content.isEmpty())
        folder.write(QLatin1String(LocalizationFileName), content);
    Languages().setMessage(QStringLiteral("MSG_TITLELANGUAGE"), QStringLiteral("Pick a language"));
    CurrentLanguage = language;
    LanguageWindow w(nullptr);
    w.load();
    QCOMPARE(w.windowTitle(), title);
}

void TestFrmLanguage::translateOpensTheFile_data()
{
    QTest::addColumn<bool>("withFile");
    QTest::newRow("file present") << true;
    QTest::newRow("no file") << false;
}

void TestFrmLanguage::translateOpensTheFile()
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
    LanguageWindow w(nullptr);
    w.load();
    QTest::mouseClick(w.Command3, Qt::LeftButton);
    if (!withFile) {
        QVERIFY(opened.isEmpty());
        return;
    }
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().isLocalFile());
    QCOMPARE(opened.first().toLocalFile(), folder.file(QLatin1String(LocalizationFileName)));
}

QTEST_MAIN(TestFrmLanguage)
#include "tst_frmlanguage.moc"
