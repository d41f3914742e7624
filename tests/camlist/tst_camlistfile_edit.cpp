// SPDX-License-Identifier: GPL-3.0-or-later
// The edit of one camera as a single rewrite of the camera list.
#include "camlist/CameraListEdit.h"
#include "support/FileFaults.h"
#include "support/TempAppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using CameraListFile::CameraRecord;

namespace {

const QString ListName = QStringLiteral("00camlist.txt");

QByteArray record(const QByteArray &name, const QByteArray &url, const QByteArray &refresh)
{
    return "[name]" + name + "\r\n" + url + "\r\n" + refresh + "\r\n\r\n";
}

const QByteArray Garden = "\r\n" + record("Porch", "http://p/a.jpg", "60")
    + record("Garden", "http://g/b.jpg", "30") + record("Shed", "http://s/c.jpg", "5");

} // namespace

class TestCameraListEdit : public QObject
{
    Q_OBJECT

private slots:
    void renameGardenToYard();
    void sameAsRemoveThenAppend_data();
    void sameAsRemoveThenAppend();
    void missingFileHoldsTheNewRecord();
    void failedRewriteKeepsTheCamera();
    void unreadableListIsLeftAlone();
    void directoryInPlaceOfTheList();
};

void TestCameraListEdit::renameGardenToYard()
{
    TempAppFolder folder;
    folder.write(ListName, Garden);
    QVERIFY(CameraListFile::replaceCameraRecord(
        {"Garden", "http://g/b.jpg", "30"}, {"Yard", "http://y/d.jpg", "45"}));
    QCOMPARE(folder.read(ListName),
        QByteArray("\r\n" + record("Porch", "http://p/a.jpg", "60") + "\r\n\r\n\r\n"
            + record("Shed", "http://s/c.jpg", "5") + "\r\n" + record("Yard", "http://y/d.jpg", "45")));
    QCOMPARE(CameraListFile::readCameraNames(), (QStringList {"Porch", "Shed", "Yard"}));
}

void TestCameraListEdit::sameAsRemoveThenAppend_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("refresh");

    QTest::newRow("record in the middle") << Garden << "Garden"
                                          << "http://g/b.jpg"
                                          << "30";
    QTest::newRow("last record") << Garden << "Shed"
                                 << "http://s/c.jpg"
                                 << "5";
    QTest::newRow("first of two duplicates")
        << QByteArray(record("Cam", "U1", "1") + record("Cam", "U2", "2")) << "Cam"
        << "U1"
        << "1";
    QTest::newRow("URL differs in letter case only") << Garden << "Garden"
                                                     << "HTTP://G/B.JPG"
                                                     << "30";
    QTest::newRow("record changed meanwhile: append only") << Garden << "Garden"
                                                           << "http://other/"
                                                           << "30";
    QTest::newRow("record gone: append only") << Garden << "Ghost"
                                              << "U"
                                              << "1";
    QTest::newRow("no previous record: append only") << Garden << ""
                                                     << ""
                                                     << "";
    QTest::newRow("LF endings") << QByteArray("\n[name]A\nU\n1\n\n[name]B\nV\n2\n\n") << "A"
                                << "U"
                                << "1";
    QTest::newRow("no final line break, nothing removed") << QByteArray("\r\n[name]A\r\nU\r\n1") << "B"
                                                          << "V"
                                                          << "2";
    QTest::newRow("non-UTF-8 bytes elsewhere")
        << QByteArray("[name]Caf\xE9\r\nhttp://\xFF/\r\n1\r\n\r\n" + record("A", "U", "1")) << "A"
        << "U"
        << "1";
}

void TestCameraListEdit::sameAsRemoveThenAppend()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, refresh);
    const CameraRecord edited {QStringLiteral("Edited"), QStringLiteral("http://e/"), QStringLiteral("12")};

    TempAppFolder folder;
    folder.write(ListName, bytes);
    CameraListFile::removeCameraRecord(name, url, refresh);
    QVERIFY(CameraListFile::appendCameraRecord(edited.name, edited.url, edited.refresh));
    const QByteArray twoSteps = folder.read(ListName);

    folder.write(ListName, bytes);
    QVERIFY(CameraListFile::replaceCameraRecord({name, url, refresh}, edited));
    QCOMPARE(folder.read(ListName), twoSteps);
    QCOMPARE(CameraListFile::readCameraNames().constLast(), edited.name);
}

void TestCameraListEdit::missingFileHoldsTheNewRecord()
{
    TempAppFolder folder;
    QVERIFY(CameraListFile::replaceCameraRecord({"Garden", "U", "1"}, {"Yard", "http://y/", "30"}));
    QCOMPARE(folder.read(ListName), record("Yard", "http://y/", "30"));
}

void TestCameraListEdit::failedRewriteKeepsTheCamera()
{
    TempAppFolder folder;
    folder.write(ListName, Garden);
    bool replaced = true;
    {
        FileSizeLimit limit(static_cast<rlim_t>(Garden.size() / 2));
        QVERIFY(limit.active());
        replaced = CameraListFile::replaceCameraRecord(
            {"Garden", "http://g/b.jpg", "30"}, {"Yard", "http://y/", "45"});
    }
    QVERIFY(!replaced);
    QCOMPARE(folder.read(ListName), Garden);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {ListName});
    CameraRecord garden;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Garden"), garden));
    QCOMPARE(garden.url, QStringLiteral("http://g/b.jpg"));
}

void TestCameraListEdit::unreadableListIsLeftAlone()
{
    TempAppFolder folder;
    const QString list = folder.write(ListName, Garden);
    QVERIFY(openToEveryone(folder.path()));
    QVERIFY(QFile::setPermissions(list, QFileDevice::Permissions()));
    bool replaced = true;
    {
        AsUnprivilegedUser user;
        if (!user.active())
            QSKIP(
                "Running as root without the right to act as another user: permissions cannot deny a read.");
        QFile probe(folder.file(QStringLiteral("probe")));
        QVERIFY(probe.open(QIODevice::WriteOnly)); // the folder is writable: only the read fails
        probe.remove();
        replaced
            = CameraListFile::replaceCameraRecord({"Garden", "http://g/b.jpg", "30"}, {"Yard", "U", "1"});
    }
    QVERIFY(!replaced);
    QVERIFY(QFile::setPermissions(list, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(folder.read(ListName), Garden);
}

void TestCameraListEdit::directoryInPlaceOfTheList()
{
    TempAppFolder folder;
    QVERIFY(QDir(folder.path()).mkdir(ListName));
    QVERIFY(!CameraListFile::replaceCameraRecord({"Garden", "U", "1"}, {"Yard", "U", "1"}));
    QVERIFY(QFileInfo(folder.file(ListName)).isDir());
}

QTEST_GUILESS_MAIN(TestCameraListEdit)
#include "tst_camlistfile_edit.moc"
