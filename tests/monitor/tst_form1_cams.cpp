// The camera commands of the main window driven through its buttons and menu: the
// edit dialog renaming a camera that a slot shows, the delete question, and the
// notice for Edit and Del without a selection.

#include "Form1Fixture.h"

#include "support/FileFaults.h"
#include "camlist/ui/Form3.h"
#include "camlist/ui/NoticeDialog.h"
#include "localization/LocalizationFile.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"
#include "localization/ui/WindowCaptions.h"
#include "support/BoxAnswerer.h"
#include "viewer/ui/ImageControl.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using namespace fixture;

namespace {

const QString Garden = QStringLiteral("Garden");
const QString GardenUrl = QStringLiteral("http://127.0.0.1:9/garden.jpg");

// Port 9 on loopback refuses at once: the slots open and run without a server.
QList<Camera> threeCameras()
{
    return {{QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/porch.jpg"), QStringLiteral("30")},
        {Garden, GardenUrl, QStringLiteral("60")},
        {QStringLiteral("Shed"), QStringLiteral("http://127.0.0.1:9/shed.jpg"), QStringLiteral("5")}};
}

QStringList listed(const MainWindow &f)
{
    QStringList all;
    for (int i = 0; i < f.List1->count(); ++i)
        all << f.List1->item(i)->text();
    return all;
}

QByteArray shippedLocalization()
{
    QFile f(QStringLiteral(":/Localization.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestForm1Cams : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void renameGardenToYardWhileASlotShowsGarden();
    void editLeavesClosedSlotsAlone();
    void deleteKeepsTheOpenSlotRunning_data();
    void deleteKeepsTheOpenSlotRunning();
    void deleteWhenListAndFileDisagree();
    void deleteThatCannotBeWritten();
    void noticeWithoutSelection_data();
    void noticeWithoutSelection();
};

void TestForm1Cams::init()
{
    LanguageTable &languages = Languages();
    languages.messages = {};
    languages.translationLines.reset();
    CurrentLanguage = QStringLiteral("English");
    DefaultMessagesNs::SetDefaultMessages(languages);
}

void TestForm1Cams::cleanup()
{
    // The dialogs are owned by the main window and go with it.
    QTRY_VERIFY(!Form3::instance());
    QTRY_VERIFY(!NoticeDialog::instance());
}

void TestForm1Cams::renameGardenToYardWhileASlotShowsGarden()
{
    TestWindow w(threeCameras());
    MainWindow &f = *w.form;
    w.open(QStringLiteral("Porch"));
    w.open(Garden);
    CameraSlot &slot = f.cams[1];
    QCOMPARE(slot.Frame->title(), Garden);
    const QString host = slot.camHost;
    const qint32 secs = slot.camRefreshSecs;
    QVERIFY(slot.timRefresh->isActive());

    w.select(Garden);
    QTest::mouseClick(f.cmdEdit, Qt::LeftButton);
    Form3 *dialog = Form3::instance();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), Garden);
    QCOMPARE(dialog->Text2->text(), GardenUrl);
    dialog->Text1->setText(QStringLiteral("Yard"));
    dialog->Text2->setText(QStringLiteral("http://yard.example/yard.jpg"));
    dialog->Text3->setText(QStringLiteral("15"));
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    QTRY_VERIFY(!Form3::instance());

    // The slot shows the edited record without a restart.
    QCOMPARE(slot.Frame->title(), QStringLiteral("Yard"));
    QCOMPARE(slot.txtName->text(), QStringLiteral("Yard"));
    QCOMPARE(slot.txtAddress->text(), QStringLiteral("http://yard.example/yard.jpg"));
    QCOMPARE(slot.txtRefresh->text(), QStringLiteral("15"));
    QVERIFY(slot.isOpen());
    QVERIFY(slot.timRefresh->isActive());
    QCOMPARE(slot.camHost, host);
    QCOMPARE(slot.camRefreshSecs, secs);
    // The other open slot is untouched.
    QCOMPARE(f.cams[0].Frame->title(), QStringLiteral("Porch"));
    QCOMPARE(f.cams[0].txtRefresh->text(), QStringLiteral("30"));
    QCOMPARE(f.openCamCount, 2);

    QCOMPARE(listed(f), QStringList({"Porch", "Shed", "Yard"}));
    CameraListFile::CameraRecord record;
    QVERIFY(!CameraListFile::findCameraRecord(Garden, record));
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Yard"), record));
    QCOMPARE(record.url, QStringLiteral("http://yard.example/yard.jpg"));
    QCOMPARE(record.refresh, QStringLiteral("15"));

    // Its next fetch start takes the edited values.
    QTest::mouseClick(slot.cmdRefresh, Qt::LeftButton);
    QCOMPARE(slot.camHost, QStringLiteral("yard.example"));
    QCOMPARE(slot.camRefreshSecs, 15);
}

void TestForm1Cams::editLeavesClosedSlotsAlone()
{
    // A closed slot's frame reads "[webcam]"; a camera of that very name is edited.
    TestWindow w({{QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/porch.jpg")},
        {QStringLiteral("[webcam]"), QStringLiteral("http://127.0.0.1:9/web.jpg")}});
    MainWindow &f = *w.form;
    w.open(QStringLiteral("Porch"));
    QTest::mouseClick(f.cams[0].cmdStop, Qt::LeftButton);
    QVERIFY(!f.cams[0].isOpen());
    QCOMPARE(f.cams[0].Frame->title(), QStringLiteral("[webcam]"));

    w.select(QStringLiteral("[webcam]"));
    f.mnuCamItem.at(2)->trigger();
    Form3 *dialog = Form3::instance();
    QVERIFY(dialog);
    dialog->Text1->setText(QStringLiteral("Yard"));
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    QTRY_VERIFY(!Form3::instance());

    QCOMPARE(f.cams[0].Frame->title(), QStringLiteral("[webcam]"));
    QCOMPARE(f.cams[0].txtName->text(), QStringLiteral("Porch"));
    // The renamed camera opens like any other.
    w.open(QStringLiteral("Yard"));
    QCOMPARE(w.openSlotCount(), 1);
    QCOMPARE(f.cams[0].Frame->title(), QStringLiteral("Yard"));
}

void TestForm1Cams::deleteKeepsTheOpenSlotRunning_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("viaMenu");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("question");
    QTest::newRow("button, OK") << QString() << false << true << "Confirm Delete"
                                << "Are you sure you want to delete Garden?";
    QTest::newRow("menu item 1, OK") << QString() << true << true << "Confirm Delete"
                                     << "Are you sure you want to delete Garden?";
    QTest::newRow("button, Cancel") << QString() << false << false << "Confirm Delete"
                                    << "Are you sure you want to delete Garden?";
    QTest::newRow("in German, OK") << "Deutsch" << false << true << "Löschen bestätigen"
                                   << "Möchten Sie diese Kamera wirklich löschen: Garden?";
}

void TestForm1Cams::deleteKeepsTheOpenSlotRunning()
{
    QFETCH(QString, language);
    QFETCH(bool, viaMenu);
    QFETCH(bool, confirm);
    QFETCH(QString, title);
    QFETCH(QString, question);
    TestWindow w(threeCameras());
    MainWindow &f = *w.form;
    if (!language.isEmpty()) {
        w.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
        applyLanguage(&f, language);
    }
    w.open(Garden);
    CameraSlot &slot = f.cams[0];
    w.deliver(0, imageResponse(jpegBytes(40, 30)));
    QCOMPARE(slot.imgCam->picture().size(), QSize(40, 30));
    const QByteArray fileBefore = w.folder.read(CameraListFile::FileName);

    w.select(Garden);
    BoxAnswerer answerer(confirm ? QMessageBox::Ok : QMessageBox::Cancel);
    if (viaMenu)
        f.mnuCamItem.at(1)->trigger();
    else
        QTest::mouseClick(f.cmdRemove, Qt::LeftButton);

    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes.first().title, title);
    QCOMPARE(answerer.boxes.first().text, question);
    QCOMPARE(answerer.boxes.first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    if (confirm) {
        QCOMPARE(listed(f), QStringList({"Porch", "Shed"}));
        QCOMPARE(CameraListFile::readCameraNames(), QStringList({"Porch", "Shed"}));
    } else {
        QCOMPARE(listed(f), QStringList({"Porch", "Garden", "Shed"}));
        QCOMPARE(w.folder.read(CameraListFile::FileName), fileBefore);
    }

    // The slot stays open and keeps running: its timer and its next picture.
    QVERIFY(slot.isOpen());
    QCOMPARE(slot.Frame->title(), Garden);
    QCOMPARE(slot.txtAddress->text(), GardenUrl);
    QVERIFY(slot.timRefresh->isActive());
    QCOMPARE(f.openCamCount, 1);
    w.deliver(0, imageResponse(jpegBytes(64, 48)));
    QCOMPARE(slot.imgCam->picture().size(), QSize(64, 48));
}

void TestForm1Cams::deleteWhenListAndFileDisagree()
{
    TestWindow w(threeCameras());
    MainWindow &f = *w.form;
    // The file loses Garden behind the list's back.
    const QByteArray without = camListBytes({{QStringLiteral("Porch"), QStringLiteral("http://p/a.jpg")}});
    w.folder.write(CameraListFile::FileName, without);
    w.select(Garden);
    BoxAnswerer answerer(QMessageBox::Ok);

    QTest::mouseClick(f.cmdRemove, Qt::LeftButton);

    QCOMPARE(answerer.boxes.size(), 0);
    QCOMPARE(w.folder.read(CameraListFile::FileName), without);
    QCOMPARE(listed(f), QStringList({"Porch", "Garden", "Shed"}));
}

void TestForm1Cams::deleteThatCannotBeWritten()
{
    TestWindow w(threeCameras());
    MainWindow &f = *w.form;
    const QByteArray before = w.folder.read(CameraListFile::FileName);
    QVERIFY(before.size() > 64);
    w.select(Garden);
    BoxAnswerer answerer(QMessageBox::Ok);
    {
        // No file of this process may grow beyond 64 bytes, root included.
        FileSizeLimit limit(64);
        if (!limit.active())
            QSKIP("the file size limit cannot be set here");
        QTest::mouseClick(f.cmdRemove, Qt::LeftButton);
    }

    QCOMPARE(answerer.boxes.size(), 2);
    QCOMPARE(answerer.boxes.at(0).title, QStringLiteral("Confirm Delete"));
    QVERIFY2(answerer.boxes.at(1).text.contains(QStringLiteral("could not be removed")),
        qPrintable(answerer.boxes.at(1).text));
    QVERIFY(answerer.boxes.at(1).text.contains(Garden));
    QCOMPARE(w.folder.read(CameraListFile::FileName), before);
    QCOMPARE(listed(f), QStringList({"Porch", "Garden", "Shed"}));
    QCOMPARE(
        QDir(w.folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({CameraListFile::FileName}));
}

void TestForm1Cams::noticeWithoutSelection_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("Edit") << "cmdEdit";
    QTest::newRow("Del") << "cmdRemove";
    QTest::newRow("menu item 1 Delete Selected Cam") << "menu1";
    QTest::newRow("menu item 2 Edit Selected Cam") << "menu2";
    QTest::newRow("Start Cam") << "cmdStartCam";
}

void TestForm1Cams::noticeWithoutSelection()
{
    QFETCH(QString, command);
    TestWindow w(threeCameras());
    MainWindow &f = *w.form;
    // An entry was picked, then the selection cleared.
    w.select(Garden);
    f.List1->clearSelection();
    const QByteArray before = w.folder.read(CameraListFile::FileName);
    BoxAnswerer answerer(QMessageBox::Ok);

    if (command.startsWith(QLatin1String("menu")))
        f.mnuCamItem.at(command.right(1).toInt())->trigger();
    else
        QTest::mouseClick(f.findChild<QPushButton *>(command), Qt::LeftButton);

    NoticeDialog *notice = NoticeDialog::instance();
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->windowTitle(), QStringLiteral("Oops!"));
    QCOMPARE(notice->Label1->text(), QStringLiteral("You must first select a cam from the list."));
    QVERIFY(!Form3::instance());
    QCOMPARE(answerer.boxes.size(), 0);
    QCOMPARE(w.folder.read(CameraListFile::FileName), before);
    QCOMPARE(listed(f), QStringList({"Porch", "Garden", "Shed"}));
    QCOMPARE(w.openSlotCount(), 0);
}

QTEST_MAIN(TestForm1Cams)
#include "tst_form1_cams.moc"
