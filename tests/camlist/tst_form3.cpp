// The edit-camera dialog driven like a user would, against a real camera list.
#include "camlist/CameraListEdit.h"
#include "camlist/ui/Form3.h"
#include "camlist/ui/NoticeDialog.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"
#include "platform/Twips.h"
#include "support/TempAppFolder.h"

#include "DialogTestSupport.h"
#include "support/FileFaults.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

const QString ListName = QStringLiteral("00camlist.txt");

QByteArray record(const QByteArray &name, const QByteArray &url, const QByteArray &refresh)
{
    return "[name]" + name + "\r\n" + url + "\r\n" + refresh + "\r\n\r\n";
}

const QByteArray ThreeCams = "\r\n" + record("Porch", "http://p/a.jpg", "60")
    + record("Garden", "http://g/b.jpg", "30") + record("Shed", "http://s/c.jpg", "5");

} // namespace

class TestForm3 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensForTheSelectedEntry();
    void layoutInTwips_data();
    void layoutInTwips();
    void renameGardenToYard();
    void nothingSelectedShowsTheNotice();
    void emptyFieldRefused();
    void cancelWritesNothing();
    void failedWriteKeepsTheOldRecord();
    void askingAgainKeepsTheOpenCamera();
    void entryMissingFromTheFile();
    void longRefreshShownWhole();

private:
    Form3 *editSelected(const QString &name);

    std::unique_ptr<TempAppFolder> m_folder;
    std::unique_ptr<TestHost> m_host;
};

void TestForm3::initTestCase()
{
    DefaultMessagesNs::SetDefaultMessages(Languages());
}

void TestForm3::init()
{
    m_folder = std::make_unique<TempAppFolder>();
    m_folder->write(ListName, ThreeCams);
    m_host = std::make_unique<TestHost>();
    m_host->refillCameraList();
    m_host->refills = 0;
}

void TestForm3::cleanup()
{
    m_host.reset();
    QTRY_VERIFY(!Form3::instance());
    QTRY_VERIFY(!NoticeDialog::instance());
    m_folder.reset();
}

Form3 *TestForm3::editSelected(const QString &name)
{
    m_host->select(name);
    return Form3::showEdit(m_host.get());
}

void TestForm3::opensForTheSelectedEntry()
{
    Form3 *form = editSelected(QStringLiteral("Garden"));
    QVERIFY(form);
    QCOMPARE(Form3::instance(), form);
    QCOMPARE(form->objectName(), QStringLiteral("Form3"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::NonModal);
    QCOMPARE(form->windowTitle(), QStringLiteral("Garden"));
    QCOMPARE(form->Text1->text(), QStringLiteral("Garden"));
    QCOMPARE(form->Text2->text(), QStringLiteral("http://g/b.jpg"));
    QCOMPARE(form->Text3->text(), QStringLiteral("30"));
    QCOMPARE(form->previousRecord().url, QStringLiteral("http://g/b.jpg"));

    QCOMPARE(form->Label5->text(), QStringLiteral("(Cams that are already open will need to be restarted)"));
    QVERIFY(form->Label5->font().bold());
    QVERIFY(
        QFontMetrics(form->Label5->font()).horizontalAdvance(form->Label5->text()) <= form->Label5->width());
    QCOMPARE(form->Text1->toolTip(), QStringLiteral("Create a unique name for the cam"));
    QCOMPARE(form->Text2->toolTip().size(), 110);
    QCOMPARE(form->Text3->toolTip(), QStringLiteral("Enter the time in seconds"));
    QCOMPARE(form->Text3->maxLength(), 3);
    QCOMPARE(form->Command1->text(), QStringLiteral("OK"));
    QCOMPARE(form->Command2->text(), QStringLiteral("Cancel"));
}

void TestForm3::layoutInTwips_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");

    QTest::newRow("note") << "Label5" << 60 << 60;
    QTest::newRow("Name:") << "Label1" << 60 << 420;
    QTest::newRow("name") << "Text1" << 840 << 360;
    QTest::newRow("URL:") << "Label2" << 60 << 780;
    QTest::newRow("URL") << "Text2" << 840 << 720;
    QTest::newRow("Refresh:") << "Label3" << 60 << 1140;
    QTest::newRow("refresh") << "Text3" << 840 << 1080;
    QTest::newRow("seconds") << "Label4" << 1620 << 1140;
    QTest::newRow("OK") << "Command1" << 60 << 1500;
    QTest::newRow("Cancel") << "Command2" << 3720 << 1500;
}

void TestForm3::layoutInTwips()
{
    QFETCH(QString, control);
    QFETCH(int, left);
    QFETCH(int, top);
    Form3 *form = editSelected(QStringLiteral("Porch"));
    QCOMPARE(form->size(), QSize(4740 / 15, 2415 / 15));
    const QWidget *widget = form->findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->pos(), QPoint(Twips::toPx(left), Twips::toPx(top)));
    QVERIFY(form->rect().contains(widget->geometry()));
}

void TestForm3::renameGardenToYard()
{
    Form3 *form = editSelected(QStringLiteral("Garden"));
    form->Text1->selectAll();
    QTest::keyClicks(form->Text1, QStringLiteral("Yard"));
    form->Text2->setText(QStringLiteral("http://y/d.jpg"));
    form->Text3->setText(QStringLiteral("45"));

    MessageBoxWatcher boxes;
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(boxes.shown, 0);
    QCOMPARE(m_folder->read(ListName),
        QByteArray("\r\n" + record("Porch", "http://p/a.jpg", "60") + "\r\n\r\n\r\n"
            + record("Shed", "http://s/c.jpg", "5") + "\r\n" + record("Yard", "http://y/d.jpg", "45")));
    QCOMPARE(m_host->names(), (QStringList {"Porch", "Shed", "Yard"}));
    QCOMPARE(m_host->edits, (QList<TestHost::SlotEdit> {{"Garden", "Yard", "http://y/d.jpg", "45"}}));
    QTRY_VERIFY(!Form3::instance());
}

void TestForm3::nothingSelectedShowsTheNotice()
{
    m_host->cameraListBox()->clearSelection();
    QVERIFY(!Form3::showEdit(m_host.get()));
    QVERIFY(!Form3::instance());
    NoticeDialog *notice = NoticeDialog::instance();
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->windowTitle(), QStringLiteral("Oops!"));
    QCOMPARE(m_folder->read(ListName), ThreeCams);
}

void TestForm3::emptyFieldRefused()
{
    Form3 *form = editSelected(QStringLiteral("Garden"));
    form->Text3->clear();
    MessageBoxWatcher boxes;
    form->Command1->click();
    QCOMPARE(boxes.shown, 1);
    QCOMPARE(boxes.text, QStringLiteral("You must enter all information"));
    QCOMPARE(boxes.title, QStringLiteral(":: error"));
    QCOMPARE(m_folder->read(ListName), ThreeCams);
    QVERIFY(m_host->edits.isEmpty());
    QCOMPARE(m_host->refills, 0);
    QCOMPARE(Form3::instance(), form);
    QCOMPARE(form->Text1->text(), QStringLiteral("Garden"));
}

void TestForm3::cancelWritesNothing()
{
    Form3 *form = editSelected(QStringLiteral("Garden"));
    form->Text1->setText(QStringLiteral("Yard"));
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QTRY_VERIFY(!Form3::instance());
    QCOMPARE(m_folder->read(ListName), ThreeCams);
    QVERIFY(m_host->edits.isEmpty());
}

void TestForm3::failedWriteKeepsTheOldRecord()
{
    Form3 *form = editSelected(QStringLiteral("Garden"));
    form->Text1->setText(QStringLiteral("Yard"));
    MessageBoxWatcher boxes;
    {
        FileSizeLimit limit(static_cast<rlim_t>(ThreeCams.size() / 2));
        QVERIFY(limit.active());
        form->Command1->click();
    }
    QCOMPARE(boxes.shown, 1);
    QCOMPARE(boxes.title, QStringLiteral(":: error"));
    QVERIFY2(boxes.text.contains(QStringLiteral("could not be saved")), qPrintable(boxes.text));
    QCOMPARE(m_folder->read(ListName), ThreeCams);
    QCOMPARE(m_host->names(), (QStringList {"Porch", "Garden", "Shed"}));
    QVERIFY(m_host->edits.isEmpty());
    QCOMPARE(Form3::instance(), form);
    QCOMPARE(form->Text1->text(), QStringLiteral("Yard"));

    // Once the disk has room again the same OK goes through.
    form->Command1->click();
    QTRY_VERIFY(!Form3::instance());
    QCOMPARE(m_host->names(), (QStringList {"Porch", "Shed", "Yard"}));
}

void TestForm3::askingAgainKeepsTheOpenCamera()
{
    Form3 *first = editSelected(QStringLiteral("Garden"));
    Form3 *second = editSelected(QStringLiteral("Porch"));
    QCOMPARE(second, first);
    QCOMPARE(second->windowTitle(), QStringLiteral("Garden"));
    QCOMPARE(second->Text2->text(), QStringLiteral("http://g/b.jpg"));
    QCOMPARE(m_host->hostWindow()->findChildren<Form3 *>().size(), 1);

    second->Command1->click();
    QTRY_VERIFY(!Form3::instance());
    QCOMPARE(m_host->edits.size(), 1);
    QCOMPARE(m_host->edits.first().previousName, QStringLiteral("Garden"));
    CameraListFile::CameraRecord porch;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Porch"), porch));
    QCOMPARE(porch.url, QStringLiteral("http://p/a.jpg"));
}

void TestForm3::entryMissingFromTheFile()
{
    // The list and the file out of step: the entry's record is gone.
    m_host->cameraListBox()->addItem(QStringLiteral("Ghost"));
    Form3 *form = editSelected(QStringLiteral("Ghost"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Ghost"));
    QCOMPARE(form->Text1->text(), QString());
    QCOMPARE(form->Text2->text(), QString());
    QCOMPARE(form->Text3->text(), QString());

    form->Text1->setText(QStringLiteral("Ghost"));
    form->Text2->setText(QStringLiteral("http://x/"));
    form->Text3->setText(QStringLiteral("9"));
    form->Command1->click();
    QTRY_VERIFY(!Form3::instance());
    QCOMPARE(m_folder->read(ListName), ThreeCams + record("Ghost", "http://x/", "9"));
    QCOMPARE(m_host->edits, (QList<TestHost::SlotEdit> {{"Ghost", "Ghost", "http://x/", "9"}}));
}

void TestForm3::longRefreshShownWhole()
{
    m_folder->write(ListName, "\r\n" + record("Porch", "http://p/a.jpg", "1200"));
    m_host->refillCameraList();
    Form3 *form = editSelected(QStringLiteral("Porch"));
    QCOMPARE(form->Text3->text(), QStringLiteral("1200"));
    form->Command1->click();
    QTRY_VERIFY(!Form3::instance());
    CameraListFile::CameraRecord porch;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Porch"), porch));
    QCOMPARE(porch.refresh, QStringLiteral("1200"));
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
