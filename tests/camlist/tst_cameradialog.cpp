// SPDX-License-Identifier: GPL-3.0-or-later
// The camera dialog in its two modes, driven as a user would against a real camera list:
// what it opens with, what the fields take, OK and Cancel, refusals and failed writes.
#include "app/Identity.h"
#include "camlist/ui/CameraDialog.h"
#include "camlist/ui/CameraListHost.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "platform/AppFolder.h"
#include "support/BoxAnswerer.h"
#include "support/CameraListFixture.h"
#include "support/Controls.h"
#include "support/FileFaults.h"
#include "support/TempAppFolder.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

using Mode = CameraDialog::Mode;
Q_DECLARE_METATYPE(CameraDialog::Mode)

namespace {

const QString AllInfo = QStringLiteral("You must enter all information");
const QByteArray Cameras = fixture::camListBytes({{"Porch", "http://p/a.jpg", "60"},
                                                  {"Garden", "http://g/b.jpg", "30"},
                                                  {"Shed", "http://s/c.jpg", "5"},
                                                  {"Attic", "http://a/d.jpg", "1200"}});
const QStringList CameraNames {"Porch", "Garden", "Shed", "Attic"};

// One record as the list file holds it.
QByteArray record(const QString &name, const QString &url, const QString &refresh)
{
    return fixture::camListBytes({{name, url, refresh}}).mid(2);
}

// A main window stand-in: the owner of the dialogs, a message table with the English
// defaults, and what the dialogs asked of it.
class TestHost : public CameraListHost
{
public:
    TestHost()
        : owner(new QWidget)
    {
        owner->setObjectName(QStringLiteral("Form1"));
        addDefaultMessages(table);
    }
    ~TestHost() override { delete owner; } // deletes the dialogs it owns

    const LanguageTable &languages() const override { return table; }
    void refillCameraList() override
    {
        ++refills;
        listed = CameraListFile::readCameraNames();
    }
    void applyEditToOpenCameras(const QString &previousName, const CameraListFile::CameraRecord &edited) override
    {
        edits.append({previousName, edited.name, edited.url, edited.refresh});
    }

    QWidget *owner;
    LanguageTable table;
    int refills = 0;
    QStringList listed;
    QList<QStringList> edits; // previous name, name, URL, refresh
};

QLineEdit *field(const QWidget *dialog, const char *name) { return control<QLineEdit>(dialog, name); }

QStringList fieldTexts(const QWidget *dialog)
{
    return {field(dialog, "Text1")->text(), field(dialog, "Text2")->text(), field(dialog, "Text3")->text()};
}

// Replaces a field's text by typing `text` over it.
void retype(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void click(const QWidget *dialog, const char *button) { control<QToolButton>(dialog, button)->click(); }

} // namespace

class TestCameraDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opens_data();
    void opens();
    void controlsFitTheWindow_data();
    void controlsFitTheWindow();
    void tabOrder_data();
    void tabOrder();
    void refreshField_data();
    void refreshField();
    void pastedLineBreaksDropped_data();
    void pastedLineBreaksDropped();
    void emptyFieldRefused_data();
    void emptyFieldRefused();
    void okWritesTheListAndCloses_data();
    void okWritesTheListAndCloses();
    void nameOfAnotherCameraRefused_data();
    void nameOfAnotherCameraRefused();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void askingAgainBringsTheSameWindowForward_data();
    void askingAgainBringsTheSameWindowForward();
    void failedWriteKeepsTheDialog_data();
    void failedWriteKeepsTheDialog();
    void mainWindowClosedWhileMessageOpen_data();
    void mainWindowClosedWhileMessageOpen();

private:
    CameraDialog *open(Mode mode, const QString &name = QStringLiteral("Garden"));
    QByteArray listBytes() const { return m_folder->read(CameraListFile::FileName); }
    // Rows "add" and "edit Garden".
    static void modeRows();

    std::unique_ptr<TempAppFolder> m_folder;
    std::unique_ptr<TestHost> m_host;
    QPointer<CameraDialog> m_dialog;
};

void TestCameraDialog::initTestCase()
{
    setIdentityForTesting(
        {QStringLiteral("Campanile"), QStringLiteral("Acme"), QStringLiteral("www.x.example"), 0, 1, 0});
}

void TestCameraDialog::init()
{
    m_folder = std::make_unique<TempAppFolder>();
    m_folder->write(CameraListFile::FileName, Cameras);
    m_host = std::make_unique<TestHost>();
}

void TestCameraDialog::cleanup()
{
    m_host.reset();
    QVERIFY(!m_dialog);
    m_folder.reset();
}

CameraDialog *TestCameraDialog::open(Mode mode, const QString &name)
{
    return mode == Mode::Add ? CameraDialog::openAdd(m_dialog, m_host.get(), m_host->owner)
                             : CameraDialog::openEdit(m_dialog, m_host.get(), name, m_host->owner);
}

void TestCameraDialog::modeRows()
{
    QTest::addColumn<Mode>("mode");
    QTest::newRow("add") << Mode::Add;
    QTest::newRow("edit") << Mode::Edit;
}

void TestCameraDialog::opens_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("add") << Mode::Add << QString() << "Form2"
                         << "Campanile :: Add a Cam" << QStringList {"My Cam", "http://", "60"};
    QTest::newRow("edit") << Mode::Edit << "Garden"
                          << "Form3"
                          << "Garden" << QStringList {"Garden", "http://g/b.jpg", "30"};
    QTest::newRow("edit, refresh longer than the field's 3 characters")
        << Mode::Edit << "Attic"
        << "Form3"
        << "Attic" << QStringList {"Attic", "http://a/d.jpg", "1200"};
    QTest::newRow("edit, name missing from the file") << Mode::Edit << "Ghost"
                                                      << "Form3"
                                                      << "Ghost" << QStringList {"", "", ""};
}

void TestCameraDialog::opens()
{
    QFETCH(Mode, mode);
    QFETCH(QString, name);
    QFETCH(QStringList, fields);
    CameraDialog *dialog = open(mode, name);
    QVERIFY(dialog);
    QCOMPARE(m_dialog.data(), dialog);
    QCOMPARE(dialog->mode(), mode);
    QTEST(dialog->objectName(), "objectName");
    QTEST(dialog->windowTitle(), "caption");
    QCOMPARE(fieldTexts(dialog), fields);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isWindow());
    QCOMPARE(dialog->windowModality(), Qt::NonModal);
    QCOMPARE(dialog->parentWidget(), m_host->owner);
    if (mode == Mode::Edit) {
        const CameraListFile::CameraRecord &previous = dialog->previousRecord();
        QCOMPARE((QStringList {previous.name, previous.url, previous.refresh}), fields);
    }
}

void TestCameraDialog::controlsFitTheWindow_data() { modeRows(); }

void TestCameraDialog::controlsFitTheWindow()
{
    QFETCH(Mode, mode);
    CameraDialog *dialog = open(mode);
    const QList<QWidget *> controls = dialog->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 9);
    for (const QWidget *widget : controls)
        QVERIFY2(dialog->rect().contains(widget->geometry()), qPrintable(widget->objectName()));
    // The note above the rows of the edit dialog is bold and fits its line.
    const QLabel *note = control<QLabel>(dialog, "Label5");
    QCOMPARE(note != nullptr, mode == Mode::Edit);
    if (note) {
        QVERIFY(note->font().bold());
        QVERIFY(QFontMetrics(note->font()).horizontalAdvance(note->text()) <= note->width());
    }
}

void TestCameraDialog::tabOrder_data() { modeRows(); }

void TestCameraDialog::tabOrder()
{
    QFETCH(Mode, mode);
    CameraDialog *dialog = open(mode);
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    field(dialog, "Text1")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), field(dialog, "Text1"));
    const QList<QWidget *> expected {field(dialog, "Text2"), field(dialog, "Text3"),
                                     control<QToolButton>(dialog, "Command1"),
                                     control<QToolButton>(dialog, "Command2"), field(dialog, "Text1")};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestCameraDialog::refreshField_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    for (const auto &[mode, label] : {std::pair {Mode::Add, "add"}, std::pair {Mode::Edit, "edit"}}) {
        QTest::addRow("%s, four digits", label) << mode << "1234"
                                                << "123";
        QTest::addRow("%s, three digits", label) << mode << "120"
                                                 << "120";
        QTest::addRow("%s, letters", label) << mode << "abc"
                                            << "abc";
        QTest::addRow("%s, blank and digit", label) << mode << " 5"
                                                    << " 5";
    }
}

void TestCameraDialog::refreshField()
{
    QFETCH(Mode, mode);
    QFETCH(QString, typed);
    CameraDialog *dialog = open(mode);
    retype(field(dialog, "Text3"), typed);
    QTEST(field(dialog, "Text3")->text(), "kept");
}

void TestCameraDialog::pastedLineBreaksDropped_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("add") << Mode::Add << CameraNames + QStringList {"FrontDoor"};
    QTest::newRow("edit") << Mode::Edit << QStringList {"Porch", "Shed", "Attic", "FrontDoor"};
}

void TestCameraDialog::pastedLineBreaksDropped()
{
    QFETCH(Mode, mode);
    CameraDialog *dialog = open(mode);
    QApplication::clipboard()->setText(QStringLiteral("Front\r\nDoor\n"));
    field(dialog, "Text1")->selectAll();
    field(dialog, "Text1")->paste();
    QCOMPARE(field(dialog, "Text1")->text(), QStringLiteral("FrontDoor"));

    BoxAnswerer answerer;
    click(dialog, "Command1");
    QCOMPARE(answerer.boxes.size(), 0);
    QTEST(CameraListFile::readCameraNames(), "listed");
}

void TestCameraDialog::emptyFieldRefused_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("emptied");
    QTest::addColumn<QString>("message"); // MSG_ALLINFO in the host's table; null: the default
    QTest::addColumn<QString>("shown");
    for (const auto &[mode, label] : {std::pair {Mode::Add, "add"}, std::pair {Mode::Edit, "edit"}}) {
        QTest::addRow("%s, name", label) << mode << "Text1" << QString() << AllInfo;
        QTest::addRow("%s, URL", label) << mode << "Text2" << QString() << AllInfo;
        QTest::addRow("%s, refresh", label) << mode << "Text3" << QString() << AllInfo;
    }
    QTest::newRow("translated message") << Mode::Add << "Text2" << "alle Angaben für [ProgramName] ausfüllen"
                                        << "Alle Angaben für Campanile ausfüllen";
}

void TestCameraDialog::emptyFieldRefused()
{
    QFETCH(Mode, mode);
    QFETCH(QString, emptied);
    QFETCH(QString, message);
    if (!message.isNull()) {
        auto &messages = m_host->table.messages;
        auto slot = std::find_if(messages.begin(), messages.end(),
                                 [](const auto &entry) { return entry.name == QLatin1String("MSG_ALLINFO"); });
        QVERIFY(slot != messages.end());
        slot->text = message;
    }
    CameraDialog *dialog = open(mode);
    retype(field(dialog, "Text1"), QStringLiteral("Yard"));
    retype(field(dialog, qPrintable(emptied)), QString());
    const QStringList typed = fieldTexts(dialog);

    BoxAnswerer answerer;
    click(dialog, "Command1");
    QCOMPARE(answerer.boxes.size(), 1);
    QTEST(answerer.boxes.first().text, "shown");
    QCOMPARE(answerer.boxes.first().title, QStringLiteral(":: error"));
    QCOMPARE(answerer.boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    QCOMPARE(listBytes(), Cameras);
    QCOMPARE(m_host->refills, 0);
    QVERIFY(m_host->edits.isEmpty());
    QCOMPARE(m_dialog.data(), dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(fieldTexts(dialog), typed);
}

void TestCameraDialog::okWritesTheListAndCloses_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("typed"); // empty: OK on the fields as opened
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("edit"); // passed to the open cameras; empty: none
    const QStringList yard {"Yard", "http://y/d.jpg", "45"};
    const QByteArray yardRecord = record("Yard", "http://y/d.jpg", "45");
    const QByteArray porch = record("Porch", "http://p/a.jpg", "60");
    const QByteArray garden = record("Garden", "http://g/b.jpg", "30");
    const QByteArray shed = record("Shed", "http://s/c.jpg", "5");
    const QByteArray attic = record("Attic", "http://a/d.jpg", "1200");

    QTest::newRow("add appends") << Mode::Add << QString() << yard << Cameras + yardRecord
                                 << CameraNames + QStringList {"Yard"} << QStringList();
    // The edited record leaves blank lines where it stood and goes to the end.
    QTest::newRow("edit renames")
        << Mode::Edit << "Garden" << yard << "\r\n" + porch + "\r\n\r\n\r\n" + shed + attic + "\r\n" + yardRecord
        << QStringList {"Porch", "Shed", "Attic", "Yard"} << QStringList {"Garden"} + yard;
    QTest::newRow("edit keeps a long refresh")
        << Mode::Edit << "Attic" << QStringList() << "\r\n" + porch + garden + shed + "\r\n\r\n\r\n\r\n" + attic
        << QStringList {"Porch", "Garden", "Shed", "Attic"}
        << QStringList {"Attic", "Attic", "http://a/d.jpg", "1200"};
    QTest::newRow("edit of a name missing from the file appends")
        << Mode::Edit << "Ghost" << QStringList {"Ghost", "http://x/", "9"} << Cameras + record("Ghost", "http://x/", "9")
        << CameraNames + QStringList {"Ghost"} << QStringList {"Ghost", "Ghost", "http://x/", "9"};
}

void TestCameraDialog::okWritesTheListAndCloses()
{
    QFETCH(Mode, mode);
    QFETCH(QString, name);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, edit);
    CameraDialog *dialog = open(mode, name);
    if (!typed.isEmpty()) {
        retype(field(dialog, "Text1"), typed.at(0));
        retype(field(dialog, "Text2"), typed.at(1));
        retype(field(dialog, "Text3"), typed.at(2));
    }

    BoxAnswerer answerer;
    click(dialog, "Command1");
    QCOMPARE(answerer.boxes.size(), 0);
    QTEST(listBytes(), "written");
    QCOMPARE(m_host->refills, 1);
    QTEST(m_host->listed, "listed");
    QCOMPARE(m_host->edits, edit.isEmpty() ? QList<QStringList>() : QList<QStringList> {edit});
    QTRY_VERIFY(!m_dialog);
}

void TestCameraDialog::nameOfAnotherCameraRefused_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("add, a listed name") << Mode::Add << "Porch" << true;
    QTest::newRow("add, another letter case is another name") << Mode::Add << "porch" << false;
    QTest::newRow("edit, renamed to a listed name") << Mode::Edit << "Shed" << true;
    QTest::newRow("edit, the camera keeps its own name") << Mode::Edit << "Garden" << false;
}

void TestCameraDialog::nameOfAnotherCameraRefused()
{
    // Names are how cameras are found: a second one of a name could never be opened, and
    // deleting it would delete the first.
    QFETCH(Mode, mode);
    QFETCH(QString, name);
    QFETCH(bool, refused);
    CameraDialog *dialog = open(mode);
    retype(field(dialog, "Text1"), name);
    retype(field(dialog, "Text2"), QStringLiteral("http://h/new.jpg"));
    BoxAnswerer answerer;
    click(dialog, "Command1");
    if (refused) {
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes.first().text,
                 QStringLiteral("Another camera of the list is already called %1. Choose another name.").arg(name));
        QVERIFY(m_dialog);
        QCOMPARE(field(dialog, "Text1")->text(), name);
        QCOMPARE(listBytes(), Cameras);
        QCOMPARE(m_host->refills, 0);
    } else {
        QTRY_VERIFY(!m_dialog);
        QVERIFY(answerer.boxes.isEmpty());
        QVERIFY(CameraListFile::readCameraNames().contains(name));
    }
}

void TestCameraDialog::cancelWritesNothing_data() { modeRows(); }

void TestCameraDialog::cancelWritesNothing()
{
    QFETCH(Mode, mode);
    CameraDialog *dialog = open(mode);
    retype(field(dialog, "Text1"), QStringLiteral("Yard"));
    QTest::mouseClick(control<QToolButton>(dialog, "Command2"), Qt::LeftButton);
    QTRY_VERIFY(!m_dialog);
    QCOMPARE(listBytes(), Cameras);
    QCOMPARE(m_host->refills, 0);
    QVERIFY(m_host->edits.isEmpty());
}

void TestCameraDialog::askingAgainBringsTheSameWindowForward_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("edited"); // previous names passed to the open cameras
    QTest::newRow("add") << Mode::Add << "Campanile :: Add a Cam" << CameraNames + QStringList {"Half typed"}
                         << QStringList();
    // Asked for Porch, the dialog still edits Garden.
    QTest::newRow("edit") << Mode::Edit << "Garden" << QStringList {"Porch", "Shed", "Attic", "Half typed"}
                          << QStringList {"Garden"};
}

void TestCameraDialog::askingAgainBringsTheSameWindowForward()
{
    QFETCH(Mode, mode);
    QFETCH(QStringList, edited);
    CameraDialog *first = open(mode, QStringLiteral("Garden"));
    retype(field(first, "Text1"), QStringLiteral("Half typed"));
    first->hide();

    CameraDialog *second = open(mode, QStringLiteral("Porch"));
    QCOMPARE(second, first);
    QVERIFY(second->isVisible());
    QTEST(second->windowTitle(), "caption");
    QCOMPARE(field(second, "Text1")->text(), QStringLiteral("Half typed"));
    QCOMPARE(m_host->owner->findChildren<CameraDialog *>().size(), 1);

    click(second, "Command1");
    QTRY_VERIFY(!m_dialog);
    QTEST(m_host->listed, "listed");
    QStringList previousNames;
    for (const QStringList &edit : std::as_const(m_host->edits))
        previousNames.append(edit.first());
    QCOMPARE(previousNames, edited);
    CameraListFile::CameraRecord porch;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Porch"), porch));
    QCOMPARE(porch.url, QStringLiteral("http://p/a.jpg"));
}

void TestCameraDialog::failedWriteKeepsTheDialog_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("diskFull"); // otherwise the list's folder cannot be made
    for (const auto &[mode, label] : {std::pair {Mode::Add, "add"}, std::pair {Mode::Edit, "edit"}}) {
        QTest::addRow("%s, folder cannot be made", label) << mode << false;
        QTest::addRow("%s, disk full", label) << mode << true;
    }
}

void TestCameraDialog::failedWriteKeepsTheDialog()
{
    QFETCH(Mode, mode);
    QFETCH(bool, diskFull);
    CameraDialog *dialog = open(mode);
    retype(field(dialog, "Text1"), QStringLiteral("Yard"));
    BoxAnswerer answerer;
    // The list's folder lies under a regular file: nothing can be made there, not even by root.
    const QString unusableList
        = m_folder->write(QStringLiteral("blocker"), "x") + QStringLiteral("/sub/") + CameraListFile::FileName;
    if (diskFull) {
        FileSizeLimit limit(static_cast<rlim_t>(Cameras.size() / 2));
        QVERIFY(limit.active());
        click(dialog, "Command1");
    } else {
        AppFolder::set(QFileInfo(unusableList).path());
        click(dialog, "Command1");
        AppFolder::set(m_folder->path());
    }

    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes.first().title, QStringLiteral(":: error"));
    const QString text = answerer.boxes.first().text;
    QVERIFY2(text.contains(QStringLiteral("could not be saved")), qPrintable(text));
    QVERIFY2(text.contains(diskFull ? CameraListFile::path() : unusableList), qPrintable(text));
    QCOMPARE(listBytes(), Cameras);
    QCOMPARE(m_host->refills, 0);
    QVERIFY(m_host->edits.isEmpty());
    QCOMPARE(m_dialog.data(), dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(field(dialog, "Text1")->text(), QStringLiteral("Yard"));

    // Once the fault is gone the same OK goes through.
    click(dialog, "Command1");
    QTRY_VERIFY(!m_dialog);
    QVERIFY(m_host->listed.contains(QStringLiteral("Yard")));
    QCOMPARE(m_host->listed.contains(QStringLiteral("Garden")), mode == Mode::Add);
}

void TestCameraDialog::mainWindowClosedWhileMessageOpen_data() { modeRows(); }

void TestCameraDialog::mainWindowClosedWhileMessageOpen()
{
    QFETCH(Mode, mode);
    CameraDialog *dialog = open(mode);
    retype(field(dialog, "Text1"), QString());
    bool closed = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (closed || !qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            return;
        closed = true;
        m_host.reset(); // deletes the dialog and the message box it owns
    });
    closer.start(10);
    click(dialog, "Command1");
    QVERIFY(closed);
    QVERIFY(!m_dialog);
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestCameraDialog)
#include "tst_cameradialog.moc"
