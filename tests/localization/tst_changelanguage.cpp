// SPDX-License-Identifier: GPL-3.0-or-later
// Re-captioning a window, on a small test window with one control of each kind: keys
// made of window and control names, control arrays, tabs, columns and menus, the
// window title, the message table, and the fallback to "English".

#include "localization/ui/WindowCaptions.h"

#include "LanguageTestSupport.h"

#include "app/Identity.h"
#include "localization/DefaultMessages.h"
#include "localization/LocalizationFile.h"
#include "localization/LanguageTable.h"
#include "support/TempAppFolder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace langtest;

namespace {

QString storedMessage(const LanguageTable &languages, const QString &key)
{
    for (const LanguageTable::MessageEntry &entry : languages.messages) {
        if (entry.used && entry.name == key)
            return entry.text;
    }
    return QStringLiteral("<not in table>");
}

// A small window with one control of every kind that is re-captioned, and some that
// are not. Control arrays carry the element index in the property "Index".
std::unique_ptr<QWidget> makeTestWindow()
{
    auto window = std::make_unique<QWidget>();
    QWidget *w = window.get();
    w->setObjectName(QStringLiteral("frmTest"));
    w->setWindowTitle(QStringLiteral("Designed title"));
    auto named = [](QObject *o, const char *name, int index = -1) {
        o->setObjectName(QLatin1String(name));
        if (index >= 0)
            o->setProperty("Index", index);
    };
    for (int i = 0; i < 3; ++i)
        named(new QLabel(QStringLiteral("name %1").arg(i), w), "lblName", i);
    named(new QLabel(QStringLiteral("Title"), w), "lblTitle");
    named(new QPushButton(QStringLiteral("Go"), w), "cmdGo");
    named(new QCheckBox(QStringLiteral("On"), w), "chkOn");
    auto *box = new QGroupBox(QStringLiteral("Box"), w);
    named(box, "fraBox");
    named(new QLabel(QStringLiteral("Inside"), box), "lblInside");
    auto *skin = new QLabel(QStringLiteral("Skin"), w);
    named(skin, "lblSkin");
    skin->setProperty("vbType", QStringLiteral("SkinLabel"));

    auto *tabs = new QTabBar(w);
    named(tabs, "TabStrip1");
    for (const char *t : {"one", "two", "three"})
        tabs->addTab(QLatin1String(t));
    auto *list = new QTreeWidget(w);
    named(list, "ListView1");
    list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("URL")});
    auto *plain = new QTreeWidget(w);
    named(plain, "lstPlain");
    plain->setHeaderLabels({QStringLiteral("Hidden")});
    plain->setHeaderHidden(true);

    named(new QRadioButton(QStringLiteral("mode a"), w), "optMode", 0);
    named(new QRadioButton(QStringLiteral("mode b"), w), "optMode", 1);
    named(new QRadioButton(QStringLiteral("lone"), w), "optLone");
    named(new QLineEdit(QStringLiteral("typed"), w), "txtName");

    auto *bar = new QMenuBar(w);
    QMenu *file = bar->addMenu(QStringLiteral("File"));
    named(file, "mnuFile");
    named(file->menuAction(), "mnuFile");
    named(file->addAction(QStringLiteral("Open")), "mnuFileItem", 0);
    named(file->addSeparator(), "mnuFileItem", 1);
    named(file->addAction(QStringLiteral("Exit")), "mnuFileItem", 2);
    named(bar->addAction(QStringLiteral("Extra")), "mnuExtra");

    // An owned dialog is a window of its own, not a control of this one.
    auto *dialog = new QDialog(w);
    dialog->setObjectName(QStringLiteral("dlgOwned"));
    named(new QLabel(QStringLiteral("Dialog label"), dialog), "lblTitle");
    return window;
}

const Items TestItems = {
    {"frmTest_lblName", "kamera"}, // first character is upper-cased
    {"FRMTEST_LBLTITLE", "Titel"},
    {"frmtest_cmdgo", "Los"},
    {"FrmTest_ChkOn", "An"},
    {"FRMTEST_FRABOX", "Rahmen"},
    {"FRMTEST_LBLINSIDE", "Innen"},
    {"FRMTEST_LBLSKIN", "Haut"},
    {"FRMTEST_TABSTRIP1_TABS0", "Null"},
    {"FRMTEST_TABSTRIP1_TABS1", "Eins"},
    {"FRMTEST_TABSTRIP1_TABS3", "Drei"},
    {"FRMTEST_TABSTRIP1_TABS4", "Vier"},
    {"FRMTEST_LISTVIEW1_COL2", "Adresse"},
    {"FRMTEST_LSTPLAIN_COL1", "Versteckt"},
    {"FRMTEST_OPTMODE", "Modus"},
    {"FRMTEST_OPTMODE0", "Modus A"},
    {"FRMTEST_OPTMODE1", "Modus B"},
    {"FRMTEST_OPTLONE", "Allein"},
    {"FRMTEST_OPTLONE0", "Allein 0"},
    {"FRMTEST_TXTNAME", "Nein"},
    {"FRMTEST_MNUFILE", "Falsch"},
    {"FRMTEST_MNUFILE0", "Datei"},
    {"FRMTEST_MNUFILEITEM", "Falsch"},
    {"FRMTEST_MNUFILEITEM0", "Öffnen"},
    {"FRMTEST_MNUFILEITEM1", "Trenner"},
    {"FRMTEST_MNUFILEITEM2", "Beenden"},
    {"FRMTEST_MNUEXTRA0", "Mehr"},
    {"FRMTEST_CAPTION", "Testfenster"},
    {"DLGOWNED_LBLTITLE", "Dialog"},
};

// The text of one element of the test window: "name" or "name#index" for a control
// (array element), "name:tabN" / "name:colN" (1-based), "name@index" for a menu item,
// "caption" for the window title.
QString textOf(QWidget *w, const QString &element)
{
    if (element == QLatin1String("caption"))
        return w->windowTitle();
    if (element.contains(QLatin1Char(':'))) {
        const QString name = element.section(QLatin1Char(':'), 0, 0);
        const QString part = element.section(QLatin1Char(':'), 1);
        const int n = part.mid(3).toInt() - 1;
        if (part.startsWith(QLatin1String("tab")))
            return w->findChild<QTabBar *>(name)->tabText(n);
        return w->findChild<QTreeWidget *>(name)->headerItem()->text(n);
    }
    if (element.contains(QLatin1Char('@'))) {
        const QString name = element.section(QLatin1Char('@'), 0, 0);
        const int index = element.section(QLatin1Char('@'), 1).toInt();
        for (QAction *a : w->findChildren<QAction *>(name)) {
            if (a->property("Index").toInt() == index || (index < 0 && !a->property("Index").isValid()))
                return a->text();
        }
        return QStringLiteral("<no action>");
    }
    const QString name = element.section(QLatin1Char('#'), 0, 0);
    const int index = element.contains(QLatin1Char('#')) ? element.section(QLatin1Char('#'), 1).toInt() : -1;
    for (QObject *o : w->findChildren<QObject *>(name)) {
        if (index >= 0 && o->property("Index").toInt() != index)
            continue;
        if (o->parent() && o->parent()->objectName() == QLatin1String("dlgOwned"))
            continue;
        if (auto *label = qobject_cast<QLabel *>(o))
            return label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(o))
            return button->text();
        if (auto *frame = qobject_cast<QGroupBox *>(o))
            return frame->title();
        if (auto *edit = qobject_cast<QLineEdit *>(o))
            return edit->text();
    }
    return QStringLiteral("<no control>");
}

} // namespace

class TestChangeLanguage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void controlTypeNames_data();
    void controlTypeNames();
    void testWindowElements_data();
    void testWindowElements();
    void emptyItemTextLeavesElementUnchanged();
    void markupInALanguageFileShowsAsWritten();
    void englishFallback_data();
    void englishFallback();
    void messageTable();

private:
    LanguageTable m_languages;
};

void TestChangeLanguage::initTestCase()
{
    loadIdentity();
}

void TestChangeLanguage::init()
{
    m_languages = LanguageTable();
    addDefaultMessages(m_languages);
}

void TestChangeLanguage::controlTypeNames_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("label") << "QLabel"
                           << "Label";
    QTest::newRow("skin label") << "SkinLabel"
                                << "SkinLabel";
    QTest::newRow("push button") << "QPushButton"
                                 << "CommandButton";
    QTest::newRow("tool button") << "QToolButton"
                                 << "CommandButton";
    QTest::newRow("check box") << "QCheckBox"
                               << "CheckBox";
    QTest::newRow("radio button") << "QRadioButton"
                                  << "OptionButton";
    QTest::newRow("group box") << "QGroupBox"
                               << "Frame";
    QTest::newRow("tab bar") << "QTabBar"
                             << "TabStrip";
    QTest::newRow("tree with header") << "QTreeWidget"
                                      << "ListView";
    QTest::newRow("tree without header") << "QTreeWidget-hidden"
                                         << "";
    QTest::newRow("action") << "QAction"
                            << "Menu";
    QTest::newRow("separator") << "separator"
                               << "";
    QTest::newRow("line edit") << "QLineEdit"
                               << "";
    QTest::newRow("combo box") << "QComboBox"
                               << "";
}

void TestChangeLanguage::controlTypeNames()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QWidget owner;
    QObject *control = nullptr;
    if (kind == QLatin1String("QLabel"))
        control = new QLabel(&owner);
    else if (kind == QLatin1String("SkinLabel")) {
        control = new QLabel(&owner);
        control->setProperty("vbType", QStringLiteral("SkinLabel"));
    } else if (kind == QLatin1String("QPushButton"))
        control = new QPushButton(&owner);
    else if (kind == QLatin1String("QToolButton"))
        control = new QToolButton(&owner);
    else if (kind == QLatin1String("QCheckBox"))
        control = new QCheckBox(&owner);
    else if (kind == QLatin1String("QRadioButton"))
        control = new QRadioButton(&owner);
    else if (kind == QLatin1String("QGroupBox"))
        control = new QGroupBox(&owner);
    else if (kind == QLatin1String("QTabBar"))
        control = new QTabBar(&owner);
    else if (kind.startsWith(QLatin1String("QTreeWidget"))) {
        auto *tree = new QTreeWidget(&owner);
        tree->setHeaderHidden(kind.endsWith(QLatin1String("hidden")));
        control = tree;
    } else if (kind == QLatin1String("QAction"))
        control = new QAction(QStringLiteral("x"), &owner);
    else if (kind == QLatin1String("separator")) {
        auto *action = new QAction(&owner);
        action->setSeparator(true);
        control = action;
    } else if (kind == QLatin1String("QLineEdit"))
        control = new QLineEdit(&owner);
    else if (kind == QLatin1String("QComboBox"))
        control = new QComboBox(&owner);
    QVERIFY(control);
    QCOMPARE(controlTypeName(control), expected);
}

void TestChangeLanguage::testWindowElements_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("expected");
    // A control array of labels shares the one item without an index, also for a
    // label whose text was set at run time.
    QTest::newRow("label array element 0") << "lblName#0"
                                           << "Kamera";
    QTest::newRow("label array element 1, set at run time") << "lblName#1"
                                                            << "Kamera";
    QTest::newRow("label array element 2") << "lblName#2"
                                           << "Kamera";
    QTest::newRow("label") << "lblTitle"
                           << "Titel";
    QTest::newRow("button, key in lower case") << "cmdGo"
                                               << "Los";
    QTest::newRow("check box, key in mixed case") << "chkOn"
                                                  << "An";
    QTest::newRow("frame") << "fraBox"
                           << "Rahmen";
    QTest::newRow("label inside a frame") << "lblInside"
                                          << "Innen";
    QTest::newRow("skin label") << "lblSkin"
                                << "Haut";
    QTest::newRow("tab 1") << "TabStrip1:tab1"
                           << "Eins";
    QTest::newRow("tab 2 without item") << "TabStrip1:tab2"
                                        << "two";
    QTest::newRow("tab 3") << "TabStrip1:tab3"
                           << "Drei";
    QTest::newRow("column 1 without item") << "ListView1:col1"
                                           << "Name";
    QTest::newRow("column 2") << "ListView1:col2"
                              << "Adresse";
    QTest::newRow("list without header left alone") << "lstPlain:col1"
                                                    << "Hidden";
    QTest::newRow("option button array 0") << "optMode#0"
                                           << "Modus A";
    QTest::newRow("option button array 1") << "optMode#1"
                                           << "Modus B";
    QTest::newRow("option button outside an array left alone") << "optLone"
                                                               << "lone";
    QTest::newRow("text box left alone") << "txtName"
                                         << "typed";
    QTest::newRow("menu outside an array takes index 0") << "mnuFile@-1"
                                                         << "Datei";
    QTest::newRow("menu array element 0") << "mnuFileItem@0"
                                          << "Öffnen";
    QTest::newRow("separator left alone") << "mnuFileItem@1"
                                          << "";
    QTest::newRow("menu array element 2") << "mnuFileItem@2"
                                          << "Beenden";
    QTest::newRow("menu bar action outside an array") << "mnuExtra@-1"
                                                      << "Mehr";
    QTest::newRow("window title") << "caption"
                                  << "Testfenster";
}

void TestChangeLanguage::testWindowElements()
{
    QFETCH(QString, element);
    QFETCH(QString, expected);
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName),
        localizationFile({languageGroup("English", {{"FRMTEST_LBLTITLE", "English title"}}),
            languageGroup("Testisch", TestItems)}));
    std::unique_ptr<QWidget> w = makeTestWindow();
    w->findChildren<QLabel *>(QStringLiteral("lblName")).at(1)->setText(QStringLiteral("Garden"));

    applyLanguage(w.get(), m_languages, QStringLiteral("testisch"));

    QCOMPARE(textOf(w.get(), element), expected);
    QCOMPARE(m_languages.currentLanguage(), QStringLiteral("testisch"));
    // The owned dialog is not a control of the window.
    QCOMPARE(w->findChild<QDialog *>()->findChild<QLabel *>()->text(), QStringLiteral("Dialog label"));
}

void TestChangeLanguage::emptyItemTextLeavesElementUnchanged()
{
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName),
        localizationFile({languageGroup("Leer",
            {{"FRMTEST_LBLTITLE", ""}, {"FRMTEST_CMDGO", "Los"}, {"FRMTEST_TABSTRIP1_TABS1", ""},
                {"FRMTEST_LISTVIEW1_COL1", ""}, {"FRMTEST_MNUFILE0", ""}, {"FRMTEST_CAPTION", ""},
                {"MSG_DELETE2", ""}})}));
    std::unique_ptr<QWidget> w = makeTestWindow();
    applyLanguage(w.get(), m_languages, QStringLiteral("Leer"));
    QCOMPARE(textOf(w.get(), QStringLiteral("cmdGo")), QStringLiteral("Los")); // the language did load
    QCOMPARE(textOf(w.get(), QStringLiteral("lblTitle")), QStringLiteral("Title"));
    QCOMPARE(textOf(w.get(), QStringLiteral("TabStrip1:tab1")), QStringLiteral("one"));
    QCOMPARE(textOf(w.get(), QStringLiteral("ListView1:col1")), QStringLiteral("Name"));
    QCOMPARE(textOf(w.get(), QStringLiteral("mnuFile@-1")), QStringLiteral("File"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Designed title"));
    QCOMPARE(m_languages.message(QStringLiteral("MSG_DELETE2")), QStringLiteral("Confirm Delete"));
}

void TestChangeLanguage::markupInALanguageFileShowsAsWritten()
{
    // A language file is foreign input: a label shows its text literally, never as rich text
    // (no pictures fetched, no links followed).
    const QString markup = QStringLiteral("<img src=\"http://example.invalid/x.png\"><b>Title</b>");
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName),
        localizationFile({languageGroup("Markup", {{"FRMTEST_LBLTITLE", markup.toUtf8()}})}));
    std::unique_ptr<QWidget> w = makeTestWindow();
    applyLanguage(w.get(), m_languages, QStringLiteral("Markup"));
    auto *label = w->findChild<QLabel *>(QStringLiteral("lblTitle"));
    QCOMPARE(label->text(), markup);
    QCOMPARE(label->textFormat(), Qt::PlainText);
}

void TestChangeLanguage::englishFallback_data()
{
    QTest::addColumn<QString>("loadedBefore");
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedCurrent");
    QTest::newRow("unknown language, nothing loaded: English") << QString() << "Klingon"
                                                               << "English title"
                                                               << "English";
    QTest::newRow("unknown language after Testisch: Testisch stays") << "Testisch"
                                                                     << "Klingon"
                                                                     << "Titel"
                                                                     << "Klingon";
    QTest::newRow("name with a space does not match") << "Testisch"
                                                      << " English"
                                                      << "Titel"
                                                      << " English";
    QTest::newRow("a group with bare LF line ends loads as any other") << "Testisch"
                                                                        << "Einzeilig"
                                                                        << "Einzeilig"
                                                                        << "Einzeilig";
    QTest::newRow("empty name, nothing loaded: English") << QString() << ""
                                                         << "English title"
                                                         << "English";
}

void TestChangeLanguage::englishFallback()
{
    QFETCH(QString, loadedBefore);
    QFETCH(QString, requested);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedCurrent);
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName),
        localizationFile({languageGroup("Testisch", TestItems),
            languageGroup("Einzeilig", {{"FRMTEST_LBLTITLE", "Einzeilig"}}, "\n"),
            languageGroup("English", {{"FRMTEST_LBLTITLE", "English title"}})}));
    std::unique_ptr<QWidget> w = makeTestWindow();
    if (!loadedBefore.isEmpty()) {
        applyLanguage(w.get(), m_languages, loadedBefore);
        QCOMPARE(textOf(w.get(), QStringLiteral("lblTitle")), QStringLiteral("Titel"));
    }
    applyLanguage(w.get(), m_languages, requested);
    QCOMPARE(textOf(w.get(), QStringLiteral("lblTitle")), expectedText);
    QCOMPARE(m_languages.currentLanguage(), expectedCurrent);
}

void TestChangeLanguage::messageTable()
{
    TempAppFolder folder;
    folder.write(QLatin1String(LocalizationFileName),
        localizationFile({languageGroup("Deutsch",
                              {{"MSG_DELETE1", "Wirklich löschen: "}, {"MSG_DELETE2", "Löschen bestätigen"},
                                  {"MSG_HELLO", "hallo von [programname] ([CompanyName])"},
                                  {"MSG_NEW", "Nicht in der Tabelle"}}),
            languageGroup("Mini", {{"MSG_DELETE2", "Sicher?"}})}));
    QWidget w;
    w.setObjectName(QStringLiteral("frmEmpty"));

    applyLanguage(&w, m_languages, QStringLiteral("Deutsch"));
    QCOMPARE(storedMessage(m_languages, QStringLiteral("MSG_DELETE1")), QStringLiteral("Wirklich löschen: "));
    // Stored with the identity already in place and the first letter upper-cased.
    QCOMPARE(storedMessage(m_languages, QStringLiteral("MSG_HELLO")),
        QStringLiteral("Hallo von %1 (%2)").arg(identity().programName, identity().companyName));
    // Only keys of the table are translated; none is added.
    QCOMPARE(m_languages.message(QStringLiteral("MSG_NEW")), QString());
    QCOMPARE(storedMessage(m_languages, QStringLiteral("MSG_ALLINFO")), QStringLiteral("You must enter all information"));

    // A language that lacks a key leaves the previous language's text.
    applyLanguage(&w, m_languages, QStringLiteral("Mini"));
    QCOMPARE(m_languages.message(QStringLiteral("MSG_DELETE2")), QStringLiteral("Sicher?"));
    QCOMPARE(m_languages.message(QStringLiteral("MSG_DELETE1")), QStringLiteral("Wirklich löschen: "));
    QCOMPARE(m_languages.message(QStringLiteral("MSG_ALLINFO")),
        QStringLiteral("You must enter all information"));
}

QTEST_MAIN(TestChangeLanguage)
#include "tst_changelanguage.moc"
