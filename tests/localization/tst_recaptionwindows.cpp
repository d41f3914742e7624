// SPDX-License-Identifier: GPL-3.0-or-later
// Re-captioning the program's own windows, the main window and the language window,
// with the localization file that ships with the program; and a file that cannot be
// used, which changes nothing.

#include "localization/ui/WindowCaptions.h"

#include "LanguageTestSupport.h"

#include "app/Identity.h"
#include "localization/DefaultMessages.h"
#include "localization/LocalizationFile.h"
#include "localization/LanguageTable.h"
#include "localization/ui/LanguageWindow.h"
#include "support/MainWindowWithList.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace langtest;

namespace {

// Every text a user can see in `w` (labels, buttons, frames, menus, title), in a
// fixed order, for before/after comparisons.
QStringList visibleTexts(QWidget *w)
{
    QStringList all {w->windowTitle()};
    for (QObject *o : w->findChildren<QObject *>()) {
        if (auto *label = qobject_cast<QLabel *>(o))
            all << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(o))
            all << button->text();
        else if (auto *frame = qobject_cast<QGroupBox *>(o))
            all << frame->title();
        else if (auto *action = qobject_cast<QAction *>(o))
            all << action->text();
    }
    return all;
}

QStringList messageTexts(const LanguageTable &languages)
{
    QStringList all;
    for (const LanguageTable::MessageEntry &entry : languages.messages)
        all << entry.text;
    return all;
}

} // namespace

class TestRecaptionWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { loadIdentity(); }
    void init()
    {
        m_languages = LanguageTable();
        addDefaultMessages(m_languages);
    }

    void form1ByName_data();
    void form1ByName();
    void slotArraysShareOneItemAndFramesKeepNames();
    void frmLanguageByName_data();
    void frmLanguageByName();
    void nothingChangesWithoutAUsableFile_data();
    void nothingChangesWithoutAUsableFile();

private:
    LanguageTable m_languages;
};

void TestRecaptionWindows::form1ByName_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("cmdAdd");
    QTest::addColumn<QString>("frame1");
    QTest::addColumn<QString>("mnuCams");
    QTest::addColumn<QString>("mnuCamItem2");
    QTest::addColumn<QString>("cmdSave");
    QTest::addColumn<QString>("delete2");
    QTest::newRow("Deutsch") << "Deutsch"
                             << "Neu"
                             << "Steuerung"
                             << "Kameras"
                             << "Ausgewählte Kamera bearbeiten"
                             << "Bild speichern"
                             << "Löschen bestätigen";
    QTest::newRow("Français, name in lower case") << "français"
                                                  << "Ajouter"
                                                  << "Commandes"
                                                  << "Caméras"
                                                  << "Modifier la caméra sélectionnée"
                                                  << "Enregistrer l'image"
                                                  << "Confirmer la suppression";
    QTest::newRow("Español") << "Español"
                             << "Añadir"
                             << "Controles"
                             << "Cámaras"
                             << "Editar la cámara seleccionada"
                             << "Guardar imagen"
                             << "Confirmar eliminación";
    QTest::newRow("English") << "English"
                             << "Add"
                             << "Controls"
                             << "Cams"
                             << "Edit Selected Cam"
                             << "Save Image"
                             << "Confirm Delete";
}

void TestRecaptionWindows::form1ByName()
{
    QFETCH(QString, language);
    QFETCH(QString, cmdAdd);
    QFETCH(QString, frame1);
    QFETCH(QString, mnuCams);
    QFETCH(QString, mnuCamItem2);
    QFETCH(QString, cmdSave);
    QFETCH(QString, delete2);
    fixture::MainWindowWithList w;
    w.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    MainWindow &f = *w.window;
    f.setWindowTitle(QStringLiteral("before"));
    control<QPushButton>(&f, "cmdAdd")->setText(QStringLiteral("before"));

    applyLanguage(&f, m_languages, language);

    QCOMPARE(control<QPushButton>(&f, "cmdAdd")->text(), cmdAdd);
    QCOMPARE(control<QGroupBox>(&f, "Frame1")->title(), frame1);
    QCOMPARE(control<QAction>(&f, "mnuCams")->text(), mnuCams);
    QCOMPARE(control<QAction>(&f, "mnuCamItem", 2)->text(), mnuCamItem2);
    QCOMPARE(control<QPushButton>(&f, "cmdSave")->text(), cmdSave);
    QCOMPARE(m_languages.message(QStringLiteral("MSG_DELETE2")), delete2);
    // "[ProgramName]" in FORM1_CAPTION.
    QCOMPARE(f.windowTitle(), identity().programName);
    // Controls without an item keep their text.
    QCOMPARE(control<QPushButton>(&f, "Command2")->text(), QString());
    QCOMPARE(f.statusText(), QString());
}

void TestRecaptionWindows::slotArraysShareOneItemAndFramesKeepNames()
{
    fixture::MainWindowWithList w({{QStringLiteral("Garden"), QStringLiteral("http://127.0.0.1:9/g.jpg")},
                                   {QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/p.jpg")}});
    w.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    w.open(QStringLiteral("Garden"));
    w.open(QStringLiteral("Porch"));
    MainWindow &f = *w.window;
    QCOMPARE(control<QGroupBox>(&f, "Frame", 0)->title(), QStringLiteral("Garden"));
    control<QToolButton>(&f, "cmdRefresh", 5)->setText(QStringLiteral("set at run time"));

    applyLanguage(&f, m_languages, QStringLiteral("Deutsch"));

    for (int slot = 0; slot < MainWindow::SlotCount; ++slot) {
        QCOMPARE(control<QToolButton>(&f, "cmdRefresh", slot)->text(), QStringLiteral("Neu laden"));
        QCOMPARE(control<QToolButton>(&f, "cmdStop", slot)->text(), QStringLiteral("Stopp"));
    }
    // The file has no FORM1_FRAME item: the slots keep their camera names.
    QCOMPARE(control<QGroupBox>(&f, "Frame", 0)->title(), QStringLiteral("Garden"));
    QCOMPARE(control<QGroupBox>(&f, "Frame", 1)->title(), QStringLiteral("Porch"));
    QCOMPARE(control<QGroupBox>(&f, "Frame", 2)->title(), QStringLiteral("[WebCam]"));
}

void TestRecaptionWindows::frmLanguageByName_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("command1");
    QTest::addColumn<QString>("command3");
    QTest::newRow("Deutsch") << "Deutsch"
                             << "Sprachauswahl"
                             << "Bitte wählen Sie die Sprache, die Sie verwenden möchten:"
                             << "Nach neuen Sprachdateien suchen"
                             << "Dieses Programm übersetzen";
    QTest::newRow("Español") << "ESPAÑOL"
                             << "Selección de idioma"
                             << "Seleccione el idioma que desea utilizar:"
                             << "Buscar actualizaciones de idioma"
                             << "Traducir este programa";
}

void TestRecaptionWindows::frmLanguageByName()
{
    QFETCH(QString, language);
    QFETCH(QString, title);
    QFETCH(QString, label1);
    QFETCH(QString, command1);
    QFETCH(QString, command3);
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    LanguageWindow window(m_languages, nullptr);
    applyLanguage(&window, m_languages, language);
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(control<QLabel>(&window, "Label1")->text(), label1);
    QCOMPARE(control<QPushButton>(&window, "Command1")->text(), command1);
    QCOMPARE(control<QPushButton>(&window, "Command3")->text(), command3);
    // The combo box is not re-captioned.
    QCOMPARE(control<QComboBox>(&window, "Combo1")->currentText(), QStringLiteral("Choose Language Here"));
}

void TestRecaptionWindows::nothingChangesWithoutAUsableFile_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("no file") << "absent";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("group without its closing tag") << "unclosed";
    QTest::newRow("no English and not the requested language") << "other";
}

void TestRecaptionWindows::nothingChangesWithoutAUsableFile()
{
    QFETCH(QString, what);
    fixture::MainWindowWithList w({{QStringLiteral("Garden"), QStringLiteral("http://127.0.0.1:9/g.jpg")}});
    if (what == QLatin1String("folder"))
        QVERIFY(QDir(w.folder.path()).mkdir(QLatin1String(LocalizationFileName)));
    else if (what == QLatin1String("empty"))
        w.folder.write(QLatin1String(LocalizationFileName), QByteArray());
    else if (what == QLatin1String("unclosed"))
        w.folder.write(QLatin1String(LocalizationFileName),
            "<LANGUAGE_GROUP>\r\n<LANGUAGE_NAME>Deutsch</LANGUAGE_NAME>\r\n<TRANSLATION_ITEMS>\r\n"
            "\t\t<FORM1_CMDADD>Neu</FORM1_CMDADD>\r\n</TRANSLATION_ITEMS>\r\n");
    else if (what == QLatin1String("other"))
        w.folder.write(QLatin1String(LocalizationFileName),
            localizationFile({languageGroup("Klingon", {{"FORM1_CMDADD", "chel"}})}));
    w.open(QStringLiteral("Garden"));
    MainWindow &f = *w.window;
    const QStringList before = visibleTexts(&f);
    const QStringList messagesBefore = messageTexts(m_languages);

    applyLanguage(&f, m_languages, QStringLiteral("Deutsch"));

    QCOMPARE(visibleTexts(&f), before);
    QCOMPARE(messageTexts(m_languages), messagesBefore);
    QCOMPARE(m_languages.message(QStringLiteral("MSG_DELETE1")), QStringLiteral("Are you sure you want to delete "));
    QVERIFY(!m_languages.translationLines.has_value());
    QCOMPARE(m_languages.currentLanguage(), QStringLiteral("English"));
}

QTEST_MAIN(TestRecaptionWindows)
#include "tst_recaptionwindows.moc"
