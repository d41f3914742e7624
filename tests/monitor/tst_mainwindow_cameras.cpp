// SPDX-License-Identifier: GPL-3.0-or-later
// The camera commands of the main window driven through its buttons and menu: the
// edit dialog renaming a camera that a slot shows, the delete question, and the
// notice for Edit and Del without a selection.

#include "WindowFixture.h"

#include "support/FileFaults.h"
#include "localization/LocalizationFile.h"
#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "support/BoxAnswerer.h"

#include <QAction>
#include <QLineEdit>
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

QStringList listed(const TestWindow &w)
{
    QStringList all;
    for (int i = 0; i < w.list()->count(); ++i)
        all << w.list()->item(i)->text();
    return all;
}

QWidget *editDialog(const TestWindow &w) { return w.window->findChild<QWidget *>(QStringLiteral("Form3")); }

QAction *camMenuItem(const TestWindow &w, int index) { return control<QAction>(w.window.get(), "mnuCamItem", index); }

QByteArray shippedLocalization()
{
    QFile f(QStringLiteral(":/Localization.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestMainWindowCameras : public QObject
{
    Q_OBJECT
private Q_SLOTS:

    void renameGardenToYardWhileASlotShowsGarden();
    void editLeavesClosedSlotsAlone();
    void deleteKeepsTheOpenSlotRunning_data();
    void deleteKeepsTheOpenSlotRunning();
    void deleteWhenListAndFileDisagree();
    void deleteThatCannotBeWritten();
    void noticeWithoutSelection_data();
    void noticeWithoutSelection();
};

void TestMainWindowCameras::renameGardenToYardWhileASlotShowsGarden()
{
    TestWindow w(threeCameras());
    w.open(QStringLiteral("Porch"));
    w.open(Garden);
    const CameraEngine *garden = w.camera(1);
    QCOMPARE(w.slot(1)->title(), Garden);

    w.select(Garden);
    QTest::mouseClick(control<QPushButton>(w.window.get(), "cmdEdit"), Qt::LeftButton);
    QWidget *dialog = editDialog(w);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), Garden);
    QCOMPARE(control<QLineEdit>(dialog, "Text2")->text(), GardenUrl);
    control<QLineEdit>(dialog, "Text1")->setText(QStringLiteral("Yard"));
    control<QLineEdit>(dialog, "Text2")->setText(QStringLiteral("http://yard.example/yard.jpg"));
    control<QLineEdit>(dialog, "Text3")->setText(QStringLiteral("15"));
    QTest::mouseClick(control<QToolButton>(dialog, "Command1"), Qt::LeftButton);
    QTRY_VERIFY(!editDialog(w));

    // The slot shows the edited record; its camera runs on without a restart.
    QCOMPARE(w.slot(1)->title(), QStringLiteral("Yard"));
    QCOMPARE(garden->record().url, QStringLiteral("http://yard.example/yard.jpg"));
    QCOMPARE(garden->record().refresh, QStringLiteral("15"));
    QVERIFY(garden->isOpen());
    QCOMPARE(garden->refreshSeconds(), 60);
    // The other open slot is untouched.
    QCOMPARE(w.slot(0)->title(), QStringLiteral("Porch"));
    QCOMPARE(w.camera(0)->record().refresh, QStringLiteral("30"));
    QCOMPARE(w.openSlotCount(), 2);

    QCOMPARE(listed(w), QStringList({"Porch", "Shed", "Yard"}));
    CameraListFile::CameraRecord record;
    QVERIFY(!CameraListFile::findCameraRecord(Garden, record));
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Yard"), record));
    QCOMPARE(record.url, QStringLiteral("http://yard.example/yard.jpg"));
    QCOMPARE(record.refresh, QStringLiteral("15"));

    // Its next fetch start takes the edited interval.
    QTest::mouseClick(control<QToolButton>(w.window.get(), "cmdRefresh", 1), Qt::LeftButton);
    QCOMPARE(garden->refreshSeconds(), 15);
}

void TestMainWindowCameras::editLeavesClosedSlotsAlone()
{
    // A closed slot's frame reads "[webcam]"; a camera of that very name is edited.
    TestWindow w({{QStringLiteral("Porch"), QStringLiteral("http://127.0.0.1:9/porch.jpg")},
                  {QStringLiteral("[webcam]"), QStringLiteral("http://127.0.0.1:9/web.jpg")}});
    w.open(QStringLiteral("Porch"));
    QTest::mouseClick(control<QToolButton>(w.window.get(), "cmdStop", 0), Qt::LeftButton);
    QVERIFY(w.slot(0)->isHidden());
    QCOMPARE(w.slot(0)->title(), QStringLiteral("[webcam]"));

    w.select(QStringLiteral("[webcam]"));
    camMenuItem(w, 2)->trigger();
    QWidget *dialog = editDialog(w);
    QVERIFY(dialog);
    control<QLineEdit>(dialog, "Text1")->setText(QStringLiteral("Yard"));
    QTest::mouseClick(control<QToolButton>(dialog, "Command1"), Qt::LeftButton);
    QTRY_VERIFY(!editDialog(w));

    QCOMPARE(w.slot(0)->title(), QStringLiteral("[webcam]"));
    QCOMPARE(w.camera(0)->record().name, QStringLiteral("Porch"));
    // The renamed camera opens like any other.
    w.open(QStringLiteral("Yard"));
    QCOMPARE(w.openSlotCount(), 1);
    QCOMPARE(w.slot(0)->title(), QStringLiteral("Yard"));
}

void TestMainWindowCameras::deleteKeepsTheOpenSlotRunning_data()
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

void TestMainWindowCameras::deleteKeepsTheOpenSlotRunning()
{
    QFETCH(QString, language);
    QFETCH(bool, viaMenu);
    QFETCH(bool, confirm);
    QFETCH(QString, title);
    QFETCH(QString, question);
    TestWindow w(threeCameras(), false);
    // The window starts in the user's language, as stored by the language window.
    loadIdentity();
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language,
                    language.isEmpty() ? QStringLiteral("English") : language);
    w.folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    w.window->load();
    w.open(Garden);
    w.deliver(0, imageResponse(jpegBytes(40, 30)));
    QCOMPARE(w.slotPicture(0)->picture().size(), QSize(40, 30));
    const QByteArray fileBefore = w.folder.read(CameraListFile::FileName);

    w.select(Garden);
    BoxAnswerer answerer(confirm ? QMessageBox::Ok : QMessageBox::Cancel);
    if (viaMenu)
        camMenuItem(w, 1)->trigger();
    else
        QTest::mouseClick(control<QPushButton>(w.window.get(), "cmdRemove"), Qt::LeftButton);

    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes.first().title, title);
    QCOMPARE(answerer.boxes.first().text, question);
    QCOMPARE(answerer.boxes.first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    if (confirm) {
        QCOMPARE(listed(w), QStringList({"Porch", "Shed"}));
        QCOMPARE(CameraListFile::readCameraNames(), QStringList({"Porch", "Shed"}));
    } else {
        QCOMPARE(listed(w), QStringList({"Porch", "Garden", "Shed"}));
        QCOMPARE(w.folder.read(CameraListFile::FileName), fileBefore);
    }

    // The slot stays open and keeps running: its timer and its next picture.
    QVERIFY(w.camera(0)->isOpen());
    QCOMPARE(w.slot(0)->title(), Garden);
    QCOMPARE(w.camera(0)->record().url, GardenUrl);
    QCOMPARE(w.openSlotCount(), 1);
    w.deliver(0, imageResponse(jpegBytes(64, 48)));
    QCOMPARE(w.slotPicture(0)->picture().size(), QSize(64, 48));
}

void TestMainWindowCameras::deleteWhenListAndFileDisagree()
{
    TestWindow w(threeCameras());
    // The file loses Garden behind the list's back.
    const QByteArray without = camListBytes({{QStringLiteral("Porch"), QStringLiteral("http://p/a.jpg")}});
    w.folder.write(CameraListFile::FileName, without);
    w.select(Garden);
    BoxAnswerer answerer(QMessageBox::Ok);

    QTest::mouseClick(control<QPushButton>(w.window.get(), "cmdRemove"), Qt::LeftButton);

    QCOMPARE(answerer.boxes.size(), 0);
    QCOMPARE(w.folder.read(CameraListFile::FileName), without);
    QCOMPARE(listed(w), QStringList({"Porch", "Garden", "Shed"}));
}

void TestMainWindowCameras::deleteThatCannotBeWritten()
{
    TestWindow w(threeCameras());
    const QByteArray before = w.folder.read(CameraListFile::FileName);
    QVERIFY(before.size() > 64);
    w.select(Garden);
    BoxAnswerer answerer(QMessageBox::Ok);
    {
        // No file of this process may grow beyond 64 bytes, root included.
        FileSizeLimit limit(64);
        if (!limit.active())
            QSKIP("the file size limit cannot be set here");
        QTest::mouseClick(control<QPushButton>(w.window.get(), "cmdRemove"), Qt::LeftButton);
    }

    QCOMPARE(answerer.boxes.size(), 2);
    QCOMPARE(answerer.boxes.at(0).title, QStringLiteral("Confirm Delete"));
    QVERIFY2(answerer.boxes.at(1).text.contains(QStringLiteral("could not be removed")),
        qPrintable(answerer.boxes.at(1).text));
    QVERIFY(answerer.boxes.at(1).text.contains(Garden));
    QCOMPARE(w.folder.read(CameraListFile::FileName), before);
    QCOMPARE(listed(w), QStringList({"Porch", "Garden", "Shed"}));
    QCOMPARE(
        QDir(w.folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({CameraListFile::FileName}));
}

void TestMainWindowCameras::noticeWithoutSelection_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("Edit") << "cmdEdit";
    QTest::newRow("Del") << "cmdRemove";
    QTest::newRow("menu item 1 Delete Selected Cam") << "menu1";
    QTest::newRow("menu item 2 Edit Selected Cam") << "menu2";
    QTest::newRow("Start Cam") << "cmdStartCam";
}

void TestMainWindowCameras::noticeWithoutSelection()
{
    QFETCH(QString, command);
    TestWindow w(threeCameras());
    // An entry was picked, then the selection cleared.
    w.select(Garden);
    w.list()->clearSelection();
    const QByteArray before = w.folder.read(CameraListFile::FileName);
    BoxAnswerer answerer(QMessageBox::Ok);

    if (command.startsWith(QLatin1String("menu")))
        camMenuItem(w, command.right(1).toInt())->trigger();
    else
        QTest::mouseClick(w.window->findChild<QPushButton *>(command), Qt::LeftButton);

    QWidget *notice = w.window->findChild<QWidget *>(QStringLiteral("Form4"));
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->windowTitle(), QStringLiteral("Oops!"));
    QCOMPARE(control<QLabel>(notice, "Label1")->text(), QStringLiteral("You must first select a cam from the list."));
    QVERIFY(!editDialog(w));
    QCOMPARE(answerer.boxes.size(), 0);
    QCOMPARE(w.folder.read(CameraListFile::FileName), before);
    QCOMPARE(listed(w), QStringList({"Porch", "Garden", "Shed"}));
    QCOMPARE(w.openSlotCount(), 0);
}

QTEST_MAIN(TestMainWindowCameras)
#include "tst_mainwindow_cameras.moc"
