// Writes of the main window that meet a full disk or a target that cannot be written
// (root included): autosave, "Save Image", and the camera list at start-up and from the
// add dialog. Files already there stay whole, nothing half-written is left behind, and
// the user learns that the save failed.
#include "Form1Fixture.h"

#include "support/FileFaults.h"
#include "camlist/ui/Form2.h"
#include "localization/LanguageTable.h"
#include "localization/DefaultMessages.h"
#include "support/FixedClock.h"
#include "viewer/ui/ImageControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

#include <optional>

using namespace fixture;

namespace {

// Answers every message box that opens while it lives with OK and keeps its text.
class BoxWatcher : public QObject
{
public:
    BoxWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts.append(box->text());
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

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

class TestForm1DiskFaults : public QObject
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

void TestForm1DiskFaults::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    LanguageTable &languages = Languages();
    languages.messages = {};
    languages.translationLines.reset();
    DefaultMessagesNs::SetDefaultMessages(languages);
}

void TestForm1DiskFaults::autosaveFails()
{
    QFETCH(Fault, fault);
    FixedClock clock(SaveTime);
    TestWindow w({{QStringLiteral("Front Door"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
    // A picture saved before, under the very name the next save would take.
    w.folder.write(QStringLiteral("cam/FrontDoor327201335430AM.jpg"), noisyJpeg(0));
    w.open(QStringLiteral("Front Door"));
    w.form->chkSave->setChecked(true);
    w.form->show();
    w.form->imgCam_Click(0);
    w.deliver(0, imageResponse(noisyJpeg(1), "one"));

    const QMap<QString, QByteArray> before = camContents(w.folder);
    const QByteArray changed = noisyJpeg(2);
    QVERIFY(changed.size() > static_cast<qsizetype>(FullDiskBytes) * 4);
    {
        std::optional<FileSizeLimit> limit;
        prepare(fault, w.folder, limit);
        if (limit && !limit->active())
            QSKIP("the file size limit cannot be set here");
        BoxWatcher boxes;
        w.deliver(0, imageResponse(changed, "two"));
        // Autosave may recur every refresh: it reports in the status bar, not in a box.
        QCOMPARE(boxes.texts, QStringList());
    }
    QVERIFY(w.form->cams[0].camChanged);
    const QString status = w.form->statusText();
    QVERIFY2(status.startsWith(QStringLiteral("3:54:30 AM new picture could not be saved as ")
                 + w.folder.file(QStringLiteral("cam/"))),
        qPrintable(status));
    // The slot shows the new picture all the same.
    QCOMPARE(w.form->cams[0].imgCam->picture().encoded(), changed);
    QCOMPARE(camContents(w.folder), fault == Fault::FullDisk ? before : CamContents());
    if (fault == Fault::CamIsAFile)
        QCOMPARE(w.folder.read(QStringLiteral("cam")), QByteArray("not a folder"));
    else
        QVERIFY(!QFileInfo(w.folder.file(QStringLiteral("cam"))).isFile());

    // Once the disk has room again, the next changed picture is saved.
    if (fault == Fault::FullDisk) {
        w.deliver(0, imageResponse(noisyJpeg(3), "three"));
        QCOMPARE(camContents(w.folder).size(), before.size() + 1);
        QVERIFY2(w.form->statusText().contains(QStringLiteral(" new picture saved as ")),
            qPrintable(w.form->statusText()));
    }
}

void TestForm1DiskFaults::saveImageFails()
{
    QFETCH(Fault, fault);
    FixedClock clock(SaveTime);
    TestWindow w({{QStringLiteral("Gate"), QStringLiteral("http://127.0.0.1:9/g.jpg")}});
    w.folder.write(QStringLiteral("cam/Gate327201335430AM.jpg"), noisyJpeg(0));
    w.open(QStringLiteral("Gate"));
    w.deliver(0, imageResponse(noisyJpeg(1)));
    w.form->show();
    w.form->imgCam_Click(0);
    w.form->setStatusText(QStringLiteral("before"));

    const QMap<QString, QByteArray> before = camContents(w.folder);
    BoxWatcher boxes;
    {
        std::optional<FileSizeLimit> limit;
        prepare(fault, w.folder, limit);
        if (limit && !limit->active())
            QSKIP("the file size limit cannot be set here");
        w.form->cmdSave_Click();
    }
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(
        boxes.texts.first().contains(QStringLiteral("could not be saved")), qPrintable(boxes.texts.first()));
    QVERIFY2(boxes.texts.first().contains(w.folder.file(QStringLiteral("cam/Gate327201335430AM"))),
        qPrintable(boxes.texts.first()));
    // No "saved as" for a save that did not happen.
    QCOMPARE(w.form->statusText(), QStringLiteral("before"));
    QCOMPARE(camContents(w.folder), fault == Fault::FullDisk ? before : CamContents());

    // The same button works again once the fault is gone.
    if (fault == Fault::FullDisk) {
        w.form->cmdSave_Click();
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(camContents(w.folder).size(), before.size() + 1);
        QVERIFY(w.form->statusText().startsWith(QStringLiteral("3:54:30 AM saved as ")));
    }
}

void TestForm1DiskFaults::listThatCannotBeCreatedAtStartUp()
{
    TempAppFolder folder;
    std::unique_ptr<MainWindow> form;
    {
        // Not even the single empty line of a new list fits.
        FileSizeLimit limit(1);
        if (!limit.active())
            QSKIP("the file size limit cannot be set here");
        form = std::make_unique<MainWindow>();
        form->ReadCameraNamesIntoList(true);
    }
    QCOMPARE(form->List1->count(), 0);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // The next start-up read, with room on the disk, creates it.
    form->ReadCameraNamesIntoList(true);
    QCOMPARE(folder.read(CameraListFile::FileName), QByteArray("\r\n"));
}

void TestForm1DiskFaults::directoryInPlaceOfTheList()
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
    MainWindow form;
    form.ReadCameraNamesIntoList(true);
    QCOMPARE(form.List1->count(), 0);
    form.cmdAdd_Click();
    Form2 *add = Form2::instance();
    QVERIFY(add);
    add->Text1->setText(QStringLiteral("Porch"));
    add->Text2->setText(QStringLiteral("http://porch/"));
    BoxWatcher boxes;
    add->Command1->click();
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(
        boxes.texts.first().contains(QStringLiteral("could not be saved")), qPrintable(boxes.texts.first()));
    QCOMPARE(Form2::instance(), add);
    QCOMPARE(add->Text1->text(), QStringLiteral("Porch"));
    QVERIFY(QFileInfo(list).isDir());
    QCOMPARE(QDir(list).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestForm1DiskFaults)
#include "tst_form1_diskfaults.moc"
