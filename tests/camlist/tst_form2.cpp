// The add-camera dialog driven like a user would: defaults, limits, OK and Cancel.
#include "app/Identity.h"
#include "camlist/ui/CameraRecordFields.h"
#include "camlist/ui/Form2.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"
#include "platform/AppFolder.h"
#include "platform/Twips.h"
#include "support/TempAppFolder.h"

#include "DialogTestSupport.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {
const QString ListName = QStringLiteral("00camlist.txt");
const QString AllInfo = QStringLiteral("You must enter all information");
} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadShowsDefaults();
    void captionsAndToolTips_data();
    void captionsAndToolTips();
    void layoutInTwips_data();
    void layoutInTwips();
    void fieldsAndButtons();
    void tabOrder();
    void refreshField_data();
    void refreshField();
    void pastedLineBreaksDropped();
    void emptyFieldRefused_data();
    void emptyFieldRefused();
    void refusalUsesTheMessageTable();
    void okAppendsAndRefills();
    void twoCamerasWithTheSameName();
    void cancelWritesNothing();
    void askingTwiceBringsTheSameWindowForward();
    void failedWriteKeepsTheDialog();
    void mainWindowClosedWhileMessageOpen();

private:
    Form2 *openAdd();

    std::unique_ptr<TempAppFolder> m_folder;
    std::unique_ptr<TestHost> m_host;
};

void TestForm2::initTestCase()
{
    setIdentityForTesting(
        {QStringLiteral("Campanile"), QStringLiteral("Acme"), QStringLiteral("www.x.example"), 0, 1, 0});
    DefaultMessagesNs::SetDefaultMessages(Languages());
}

void TestForm2::init()
{
    m_folder = std::make_unique<TempAppFolder>();
    QVERIFY(CameraListFile::createIfMissing());
    m_host = std::make_unique<TestHost>();
}

void TestForm2::cleanup()
{
    m_host.reset();
    QTRY_VERIFY(!Form2::instance());
    m_folder.reset();
}

Form2 *TestForm2::openAdd()
{
    Form2 *form = Form2::showAdd(m_host.get());
    return form;
}

void TestForm2::loadShowsDefaults()
{
    Form2 *form = openAdd();
    QVERIFY(form);
    QCOMPARE(Form2::instance(), form);
    QCOMPARE(form->objectName(), QStringLiteral("Form2"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Campanile :: Add a Cam"));
    QCOMPARE(form->Text1->text(), QStringLiteral("My Cam"));
    QCOMPARE(form->Text2->text(), QStringLiteral("http://"));
    QCOMPARE(form->Text3->text(), QStringLiteral("60"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::NonModal);
    QCOMPARE(form->parentWidget(), m_host->hostWindow());
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
}

void TestForm2::captionsAndToolTips_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("name label") << "Label1"
                                << "Name:"
                                << "";
    QTest::newRow("URL label") << "Label2"
                               << "URL:"
                               << "";
    QTest::newRow("refresh label") << "Label3"
                                   << "Refresh:"
                                   << "";
    QTest::newRow("unit label") << "Label4"
                                << "seconds"
                                << "";
    QTest::newRow("name") << "Text1"
                          << ""
                          << "create a unique name";
    QTest::newRow("URL")
        << "Text2"
        << ""
        << "enter the exact path to the image (found by right clicking an image in your browser "
           "and selecting \"properties\"";
    QTest::newRow("refresh") << "Text3"
                             << ""
                             << "Enter the time in seconds";
    QTest::newRow("OK") << "Command1"
                        << "OK"
                        << "";
    QTest::newRow("Cancel") << "Command2"
                            << "Cancel"
                            << "";
}

void TestForm2::captionsAndToolTips()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    Form2 *form = openAdd();
    QWidget *widget = form->findChild<QWidget *>(control);
    QVERIFY(widget);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    if (auto *button = qobject_cast<QToolButton *>(widget))
        QCOMPARE(button->text(), caption);
    QCOMPARE(widget->toolTip(), toolTip);
}

void TestForm2::layoutInTwips_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width"); // 0: not prescribed

    QTest::newRow("Name:") << "Label1" << 60 << 60 << 0;
    QTest::newRow("name") << "Text1" << 840 << 0 << 3855;
    QTest::newRow("URL:") << "Label2" << 60 << 420 << 0;
    QTest::newRow("URL") << "Text2" << 840 << 360 << 3855;
    QTest::newRow("Refresh:") << "Label3" << 60 << 780 << 0;
    QTest::newRow("refresh") << "Text3" << 840 << 720 << 735;
    QTest::newRow("seconds") << "Label4" << 1620 << 780 << 0;
    QTest::newRow("OK") << "Command1" << 60 << 1320 << 975;
    QTest::newRow("Cancel") << "Command2" << 3720 << 1320 << 975;
}

void TestForm2::layoutInTwips()
{
    QFETCH(QString, control);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    Form2 *form = openAdd();
    QCOMPARE(form->size(), QSize(4740 / 15, 2235 / 15));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    const QWidget *widget = form->findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->pos(), QPoint(Twips::toPx(left), Twips::toPx(top)));
    if (width > 0)
        QCOMPARE(widget->width(), Twips::toPx(width));
    QVERIFY(form->rect().contains(widget->geometry()));
}

void TestForm2::fieldsAndButtons()
{
    Form2 *form = openAdd();
    QCOMPARE(CameraRecordFields::UrlToolTip.size(), 110);
    QVERIFY(CameraRecordFields::UrlToolTip.endsWith(QStringLiteral("\"properties\"")));
    for (const QLineEdit *field : {form->Text1, form->Text2, form->Text3}) {
        QCOMPARE(field->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(field->font().pointSizeF(), 8.25);
    }
    QCOMPARE(form->Text3->maxLength(), 3);
    for (const QToolButton *button : {form->Command1, form->Command2}) {
        QCOMPARE(button->size(), QSize(Twips::toPx(975), Twips::toPx(855)));
        QVERIFY(!button->icon().pixmap(32, 32).isNull());
    }
}

void TestForm2::tabOrder()
{
    Form2 *form = openAdd();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->Text1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), form->Text1);
    const QList<QWidget *> expected {form->Text2, form->Text3, form->Command1, form->Command2, form->Text1};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestForm2::refreshField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("four digits") << "1234"
                                 << "123";
    QTest::newRow("three digits") << "120"
                                  << "120";
    QTest::newRow("letters") << "abc"
                             << "abc";
    QTest::newRow("blank and digits") << " 5"
                                      << " 5";
}

void TestForm2::refreshField()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Form2 *form = openAdd();
    form->Text3->clear();
    QTest::keyClicks(form->Text3, typed);
    QCOMPARE(form->Text3->text(), kept);
}

void TestForm2::pastedLineBreaksDropped()
{
    Form2 *form = openAdd();
    QApplication::clipboard()->setText(QStringLiteral("Front\r\nDoor\n"));
    form->Text1->clear();
    form->Text1->paste();
    QCOMPARE(form->Text1->text(), QStringLiteral("FrontDoor"));

    MessageBoxWatcher boxes;
    form->Command1->click();
    QCOMPARE(boxes.shown, 0);
    QCOMPARE(CameraListFile::readCameraNames(), QStringList {"FrontDoor"});
}

void TestForm2::emptyFieldRefused_data()
{
    QTest::addColumn<int>("emptied"); // 1 name, 2 URL, 3 refresh
    QTest::newRow("name") << 1;
    QTest::newRow("URL") << 2;
    QTest::newRow("refresh") << 3;
}

void TestForm2::emptyFieldRefused()
{
    QFETCH(int, emptied);
    const QByteArray before = m_folder->read(ListName);
    Form2 *form = openAdd();
    QLineEdit *fields[] = {form->Text1, form->Text2, form->Text3};
    form->Text1->setText(QStringLiteral("Garden"));
    form->Text2->setText(QStringLiteral("http://g/b.jpg"));
    form->Text3->setText(QStringLiteral("30"));
    fields[emptied - 1]->clear();
    const QStringList typed {form->Text1->text(), form->Text2->text(), form->Text3->text()};

    MessageBoxWatcher boxes;
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(boxes.shown, 1);
    QCOMPARE(boxes.text, AllInfo);
    QCOMPARE(boxes.title, QStringLiteral(":: error"));
    QCOMPARE(boxes.buttonCount, 1);

    QCOMPARE(m_folder->read(ListName), before);
    QCOMPARE(m_host->refills, 0);
    QCOMPARE(Form2::instance(), form);
    QVERIFY(form->isVisible());
    QCOMPARE((QStringList {form->Text1->text(), form->Text2->text(), form->Text3->text()}), typed);
}

void TestForm2::refusalUsesTheMessageTable()
{
    LanguageTable &languages = Languages();
    auto slot = std::find_if(languages.messages.begin(), languages.messages.end(),
        [](const auto &entry) { return entry.name == QStringLiteral("MSG_ALLINFO"); });
    QVERIFY(slot != languages.messages.end());
    const QString english = slot->Text;
    slot->Text = QStringLiteral("alle Angaben für [ProgramName] ausfüllen");

    Form2 *form = openAdd();
    form->Text2->clear();
    MessageBoxWatcher boxes;
    form->Command1->click();
    slot->Text = english;
    QCOMPARE(boxes.text, QStringLiteral("Alle Angaben für Campanile ausfüllen"));
}

void TestForm2::okAppendsAndRefills()
{
    m_folder->write(ListName, "\r\n[name]Porch\r\nU\r\n60\r\n\r\n");
    m_host->refillCameraList();
    Form2 *form = openAdd();
    form->Text1->setText(QStringLiteral("Garden"));
    form->Text2->setText(QStringLiteral("http://g/b.jpg"));
    QTest::keyClick(form->Text3, Qt::Key_Backspace);
    QTest::keyClick(form->Text3, Qt::Key_Backspace);
    QTest::keyClicks(form->Text3, QStringLiteral("30"));

    MessageBoxWatcher boxes;
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(boxes.shown, 0);
    QCOMPARE(m_folder->read(ListName),
        QByteArray("\r\n[name]Porch\r\nU\r\n60\r\n\r\n[name]Garden\r\nhttp://g/b.jpg\r\n30\r\n\r\n"));
    QCOMPARE(m_host->names(), (QStringList {"Porch", "Garden"}));
    QTRY_VERIFY(!Form2::instance());
    QVERIFY(m_host->edits.isEmpty());
}

void TestForm2::twoCamerasWithTheSameName()
{
    for (int i = 1; i <= 2; ++i) {
        Form2 *form = openAdd();
        form->Text1->setText(QStringLiteral("Cam"));
        form->Text2->setText(QStringLiteral("http://h/%1.jpg").arg(i));
        form->Command1->click();
        QTRY_VERIFY(!Form2::instance());
    }
    QCOMPARE(m_folder->read(ListName),
        QByteArray("\r\n[name]Cam\r\nhttp://h/1.jpg\r\n60\r\n\r\n[name]Cam\r\nhttp://h/2.jpg\r\n60\r\n\r\n"));
    QCOMPARE(m_host->names(), (QStringList {"Cam", "Cam"}));
}

void TestForm2::cancelWritesNothing()
{
    const QByteArray before = m_folder->read(ListName);
    Form2 *form = openAdd();
    form->Text1->setText(QStringLiteral("Garden"));
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QTRY_VERIFY(!Form2::instance());
    QCOMPARE(m_folder->read(ListName), before);
    QCOMPARE(m_host->refills, 0);
}

void TestForm2::askingTwiceBringsTheSameWindowForward()
{
    Form2 *first = openAdd();
    first->Text1->setText(QStringLiteral("Half typed"));
    first->hide();
    Form2 *second = openAdd();
    QCOMPARE(second, first);
    QVERIFY(second->isVisible());
    QCOMPARE(second->Text1->text(), QStringLiteral("Half typed"));
    QCOMPARE(m_host->hostWindow()->findChildren<Form2 *>().size(), 1);
}

void TestForm2::failedWriteKeepsTheDialog()
{
    // The list's folder lies under a regular file: nothing can be created there, not
    // even by root.
    const QString blocker = m_folder->write(QStringLiteral("blocker"), "x");
    AppFolder::set(blocker + QStringLiteral("/sub"));

    Form2 *form = openAdd();
    form->Text1->setText(QStringLiteral("Garden"));
    MessageBoxWatcher boxes;
    form->Command1->click();
    QCOMPARE(boxes.shown, 1);
    QCOMPARE(boxes.title, QStringLiteral(":: error"));
    QVERIFY2(boxes.text.contains(QStringLiteral("could not be saved")), qPrintable(boxes.text));
    QVERIFY(boxes.text.contains(blocker + QStringLiteral("/sub/00camlist.txt")));
    QCOMPARE(Form2::instance(), form);
    QCOMPARE(form->Text1->text(), QStringLiteral("Garden"));
    QCOMPARE(m_host->refills, 0);
    QVERIFY(!QFile::exists(blocker + QStringLiteral("/sub/00camlist.txt")));
}

void TestForm2::mainWindowClosedWhileMessageOpen()
{
    Form2 *form = openAdd();
    form->Text1->clear();
    bool closed = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (closed || !qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            return;
        closed = true;
        m_host.reset(); // deletes the dialog and the message box it owns
    });
    closer.start(10);
    form->Command1->click();
    QVERIFY(closed);
    QVERIFY(!Form2::instance());
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
