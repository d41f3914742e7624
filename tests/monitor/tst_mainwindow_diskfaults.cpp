// SPDX-License-Identifier: GPL-3.0-or-later
// Writes of the main window that meet a full disk or a target that cannot be written
// (root included): autosave, "Save Image", and the camera list at start-up and from the
// add dialog. Files already there stay whole, nothing half-written is left behind, and
// the user learns that the save failed.
#include "WindowFixture.h"

#include "support/FileFaults.h"
#include "support/BoxAnswerer.h"
#include "support/FixedClock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

#include <optional>

using namespace fixture;

namespace {

enum class Fault { FullDisk, CamIsAFile, CamMissing };
using CamContents = QMap<QString, QByteArray>;

// Everything in the cam folder (hidden files included) with its bytes; empty when the
// folder is not a folder.
QMap<QString, QByteArray> camContents(const TempAppFolder &folder)
{
    QMap<QString, QByteArray> contents;
    const QDir cam(folder.file(QStringLiteral("cam")));
    if (!QFileInfo(cam.path()).isDir())
        return contents;
    for (const QString &entry : cam.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFile f(cam.filePath(entry));
        contents.insert(entry, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
    }
    return contents;
}

// A picture whose JPEG is far larger than the file size limit used below.
QByteArray noisyJpeg(int seed)
{
    QImage image(96, 64, QImage::Format_RGB32);
    quint32 x = 2463534242u + static_cast<quint32>(seed);
    for (int y = 0; y < image.height(); ++y) {
        for (int c = 0; c < image.width(); ++c) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            image.setPixel(c, y, x | 0xFF000000u);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return bytes;
}

constexpr rlim_t FullDiskBytes = 256;

// Sets up `fault` for the cam folder of `folder` (the full disk only while `limit` lives).
void prepare(Fault fault, const TempAppFolder &folder, std::optional<FileSizeLimit> &limit)
{
    const QString cam = folder.file(QStringLiteral("cam"));
    switch (fault) {
    case Fault::FullDisk:
        limit.emplace(FullDiskBytes);
        break;
    case Fault::CamIsAFile:
        QDir(cam).removeRecursively();
        folder.write(QStringLiteral("cam"), "not a folder");
        break;
    case Fault::CamMissing:
        QDir(cam).removeRecursively();
        break;
    }
}

void addFaultRows()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("full disk") << Fault::FullDisk;
    QTest::newRow("cam is a file") << Fault::CamIsAFile;
    QTest::newRow("cam folder missing") << Fault::CamMissing;
}

const QDateTime SaveTime(QDate(2013, 3, 27), QTime(3, 54, 30));

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestMainWindowDiskFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void autosaveFails_data() { addFaultRows(); }
    void autosaveFails();
    void saveImageFails_data() { addFaultRows(); }
    void saveImageFails();
    void listThatCannotBeCreatedAtStartUp();
    void directoryInPlaceOfTheList();
};

void TestMainWindowDiskFaults::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMainWindowDiskFaults::autosaveFails()
{
    QFETCH(Fault, fault);
    FixedClock clock(SaveTime);
    TestWindow w({{QStringLiteral("Front Door"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    // A picture saved before, under the very name the next save would take.
    w.folder.write(QStringLiteral("cam/FrontDoor327201335430AM.jpg"), noisyJpeg(0));
    w.open(QStringLiteral("Front Door"));
    control<QCheckBox>(w.window.get(), "chkSave")->setChecked(true);
    w.window->show();
    w.window->showSlotInViewer(0);
    w.deliver(0, imageResponse(noisyJpeg(1), "one"));

    const QMap<QString, QByteArray> before = camContents(w.folder);
    const QByteArray changed = noisyJpeg(2);
    QVERIFY(changed.size() > static_cast<qsizetype>(FullDiskBytes) * 4);
    {
        std::optional<FileSizeLimit> limit;
        prepare(fault, w.folder, limit);
        if (limit && !limit->active())
            QSKIP("the file size limit cannot be set here");
        BoxAnswerer boxes;
        QSignalSpy failed(w.camera(0), &CameraEngine::saveFailed);
        w.deliver(0, imageResponse(changed, "two"));
        QTRY_COMPARE(failed.size(), 1);
        // Autosave may recur every refresh: it reports in the status bar, not in a box.
        QVERIFY(boxes.boxes.isEmpty());
    }
    QVERIFY(w.camera(0)->changed());
    const QString status = w.window->statusText();
    QVERIFY2(status.startsWith(QStringLiteral("3:54:30 AM new picture could not be saved as ")
                 + w.folder.file(QStringLiteral("cam/"))),
        qPrintable(status));
    // The slot shows the new picture all the same.
    QCOMPARE(w.slotPicture(0)->picture().encoded(), changed);
    QCOMPARE(camContents(w.folder), fault == Fault::FullDisk ? before : CamContents());
    if (fault == Fault::CamIsAFile)
        QCOMPARE(w.folder.read(QStringLiteral("cam")), QByteArray("not a folder"));
    else
        QVERIFY(!QFileInfo(w.folder.file(QStringLiteral("cam"))).isFile());

    // Once the disk has room again, the next changed picture is saved.
    if (fault == Fault::FullDisk) {
        w.deliver(0, imageResponse(noisyJpeg(3), "three"));
        QTRY_COMPARE(camContents(w.folder).size(), before.size() + 1);
        QVERIFY2(w.window->statusText().contains(QStringLiteral(" new picture saved as ")),
            qPrintable(w.window->statusText()));
    }
}

void TestMainWindowDiskFaults::saveImageFails()
{
    QFETCH(Fault, fault);
    FixedClock clock(SaveTime);
    TestWindow w({{QStringLiteral("Gate"), QStringLiteral("http://127.0.0.1:9/g.jpg")}});
    w.folder.write(QStringLiteral("cam/Gate327201335430AM.jpg"), noisyJpeg(0));
    w.open(QStringLiteral("Gate"));
    w.deliver(0, imageResponse(noisyJpeg(1)));
    w.window->show();
    w.window->showSlotInViewer(0);
    w.window->setStatusText(QStringLiteral("before"));

    const QMap<QString, QByteArray> before = camContents(w.folder);
    BoxAnswerer boxes;
    {
        std::optional<FileSizeLimit> limit;
        prepare(fault, w.folder, limit);
        if (limit && !limit->active())
            QSKIP("the file size limit cannot be set here");
        control<QPushButton>(w.window.get(), "cmdSave")->click();
    }
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(
        boxes.boxes.first().text.contains(QStringLiteral("could not be saved")), qPrintable(boxes.boxes.first().text));
    QVERIFY2(boxes.boxes.first().text.contains(w.folder.file(QStringLiteral("cam/Gate327201335430AM"))),
        qPrintable(boxes.boxes.first().text));
    // No "saved as" for a save that did not happen.
    QCOMPARE(w.window->statusText(), QStringLiteral("before"));
    QCOMPARE(camContents(w.folder), fault == Fault::FullDisk ? before : CamContents());

    // The same button works again once the fault is gone.
    if (fault == Fault::FullDisk) {
        control<QPushButton>(w.window.get(), "cmdSave")->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(camContents(w.folder).size(), before.size() + 1);
        QVERIFY(w.window->statusText().startsWith(QStringLiteral("3:54:30 AM saved as ")));
    }
}

void TestMainWindowDiskFaults::listThatCannotBeCreatedAtStartUp()
{
    TempAppFolder folder;
    std::unique_ptr<MainWindow> window;
    {
        // Not even the single empty line of a new list fits.
        FileSizeLimit limit(1);
        if (!limit.active())
            QSKIP("the file size limit cannot be set here");
        window = std::make_unique<MainWindow>();
        window->loadCameraList();
    }
    QCOMPARE(control<QListWidget>(window.get(), "List1")->count(), 0);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // The next start-up read, with room on the disk, creates it.
    window->loadCameraList();
    QCOMPARE(folder.read(CameraListFile::FileName), QByteArray("\r\n"));
}

void TestMainWindowDiskFaults::directoryInPlaceOfTheList()
{
    TempAppFolder folder;
    QVERIFY(QDir(folder.path()).mkdir(CameraListFile::FileName));
    const QString list = folder.file(CameraListFile::FileName);

    // Every operation answers "nothing there" or "not written"; the directory stays.
    QVERIFY(CameraListFile::readCameraNames().isEmpty());
    CameraListFile::CameraRecord record {QStringLiteral("n"), QStringLiteral("u"), QStringLiteral("r")};
    QVERIFY(!CameraListFile::findCameraRecord(QStringLiteral("Porch"), record));
    QCOMPARE(record.url, QStringLiteral("u"));
    QVERIFY(!CameraListFile::appendCameraRecord(
        QStringLiteral("Porch"), QStringLiteral("U"), QStringLiteral("1")));
    QVERIFY(!CameraListFile::removeCameraRecord(
        QStringLiteral("Porch"), QStringLiteral("U"), QStringLiteral("1")));

    // Through the windows: an empty listing, and the add dialog says the list was not saved.
    MainWindow window;
    window.loadCameraList();
    QCOMPARE(control<QListWidget>(&window, "List1")->count(), 0);
    control<QPushButton>(&window, "cmdAdd")->click();
    QWidget *add = window.findChild<QWidget *>(QStringLiteral("Form2"));
    QVERIFY(add);
    control<QLineEdit>(add, "Text1")->setText(QStringLiteral("Porch"));
    control<QLineEdit>(add, "Text2")->setText(QStringLiteral("http://porch/"));
    BoxAnswerer boxes;
    control<QToolButton>(add, "Command1")->click();
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(
        boxes.boxes.first().text.contains(QStringLiteral("could not be saved")), qPrintable(boxes.boxes.first().text));
    QCOMPARE(window.findChild<QWidget *>(QStringLiteral("Form2")), add);
    QCOMPARE(control<QLineEdit>(add, "Text1")->text(), QStringLiteral("Porch"));
    QVERIFY(QFileInfo(list).isDir());
    QCOMPARE(QDir(list).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestMainWindowDiskFaults)
#include "tst_mainwindow_diskfaults.moc"
