// SPDX-License-Identifier: GPL-3.0-or-later
// The camera list file: creation, names, lookup, append and removal on real files.
#include "camlist/CameraListEdit.h"
#include "camlist/CameraListFile.h"
#include "support/FileFaults.h"
#include "support/TempAppFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using CameraListFile::CameraRecord;

namespace {

QByteArray record(const QByteArray &name, const QByteArray &url, const QByteArray &refresh)
{
    return "[name]" + name + "\r\n" + url + "\r\n" + refresh + "\r\n\r\n";
}

QStringList filesIn(const TempAppFolder &folder)
{
    return QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The permission bits of the regular file at `path` in octal; "" for anything else (a link
// is not followed).
QString fileBitsOf(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return QString();
    return QString::number(info.st_mode & 07777, 8);
}

} // namespace

class TestCameraListFile : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesOneEmptyLine();
    void createIfMissingKeepsAnExistingList();
    void createIfMissingRemovesLeftoverCopies();
    void createIfMissingRefusesADirectory();
    void appendWritesFourLines_data();
    void appendWritesFourLines();
    void appendStoresValuesAsTyped();
    void names_data();
    void names();
    void lookup_data();
    void lookup();
    void lookupMissLeavesOutputs();
    void removalTouchesOnlyItsRecord();
    void removalRefusals_data();
    void removalRefusals();
    void removalRewritesOtherLineEndings_data();
    void removalRewritesOtherLineEndings();
    void removalKeepsNonUtf8Bytes();
    void tenThousandRecords();
    void failedRewriteLeavesListWhole();
    void unreadableListIsNotReplaced();
    void listIsOwnerOnly_data();
    void listIsOwnerOnly();
};

void TestCameraListFile::firstStartCreatesOneEmptyLine()
{
    TempAppFolder folder;
    QVERIFY(!QFile::exists(CameraListFile::path()));
    QVERIFY(CameraListFile::readCameraNames().isEmpty());
    QVERIFY(CameraListFile::createIfMissing());
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), QByteArray("\r\n"));
    QVERIFY(CameraListFile::readCameraNames().isEmpty());
}

void TestCameraListFile::createIfMissingKeepsAnExistingList()
{
    TempAppFolder folder;
    const QByteArray bytes = "\r\n" + record("Porch", "U", "60");
    folder.write(QStringLiteral("00camlist.txt"), bytes);
    QVERIFY(CameraListFile::createIfMissing());
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), bytes);
}

void TestCameraListFile::createIfMissingRemovesLeftoverCopies()
{
    TempAppFolder folder;
    const QByteArray bytes = "\r\n" + record("Porch", "U", "60");
    folder.write(QStringLiteral("00camlist.txt"), bytes);
    const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
    const auto place = [&](const QString &name, const QDateTime &when) {
        folder.write(name, "\r\n" + record("Half", "H", "1"));
        QFile file(folder.file(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
    };
    place(QStringLiteral("00camlist.txt.aB3xYz"), old); // an interrupted save
    place(QStringLiteral("00camlist.txt.Q1w2E3"), old);
    place(QStringLiteral("00camlist.txt.k9L8m7"), QDateTime::currentDateTime()); // a save under way
    place(QStringLiteral("00camlist.txt.bak"), old); // not a save's copy
    place(QStringLiteral("00camlist.txt.1234567"), old);
    place(QStringLiteral("01camlist.txt.aB3xYz"), old);

    QVERIFY(CameraListFile::createIfMissing());
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), bytes);
    QDir dir(folder.path());
    QCOMPARE(dir.entryList(QDir::Files, QDir::Name),
             (QStringList{"00camlist.txt", "00camlist.txt.1234567", "00camlist.txt.bak",
                          "00camlist.txt.k9L8m7", "01camlist.txt.aB3xYz"}));
    QCOMPARE(CameraListFile::removeLeftoverCopies(), 0);
}

void TestCameraListFile::createIfMissingRefusesADirectory()
{
    TempAppFolder folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("00camlist.txt")));
    QVERIFY(!CameraListFile::createIfMissing());
    QVERIFY(QFileInfo(folder.file(QStringLiteral("00camlist.txt"))).isDir());
}

void TestCameraListFile::appendWritesFourLines_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new list") << QByteArray("\r\n") << QByteArray("\r\n" + record("Porch", "U", "60"));
    QTest::newRow("no file") << QByteArray() << record("Porch", "U", "60");
    QTest::newRow("last line without break")
        << QByteArray("\r\n[name]Shed\r\nS\r\n5")
        << QByteArray("\r\n[name]Shed\r\nS\r\n5\r\n" + record("Porch", "U", "60"));
    QTest::newRow("LF endings kept") << QByteArray("\n[name]Shed\nS\n5\n\n")
                                     << QByteArray("\n[name]Shed\nS\n5\n\n" + record("Porch", "U", "60"));
}

void TestCameraListFile::appendWritesFourLines()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    TempAppFolder folder;
    if (!before.isEmpty())
        folder.write(QStringLiteral("00camlist.txt"), before);

    QVERIFY(CameraListFile::appendCameraRecord(
        QStringLiteral("Porch"), QStringLiteral("U"), QStringLiteral("60")));
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), after);
    QCOMPARE(CameraListFile::readCameraNames().constLast(), QStringLiteral("Porch"));
}

void TestCameraListFile::appendStoresValuesAsTyped()
{
    TempAppFolder folder;
    CameraListFile::createIfMissing();
    QVERIFY(CameraListFile::appendCameraRecord(
        QStringLiteral(" Gärten "), QStringLiteral("http://h/ä b.jpg"), QStringLiteral(" 6x")));
    CameraRecord found;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral(" Gärten "), found));
    QCOMPARE(found.url, QStringLiteral("http://h/ä b.jpg"));
    QCOMPARE(found.refresh, QStringLiteral(" 6x"));
}

void TestCameraListFile::names_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("empty list") << QByteArray("\r\n") << QStringList();
    QTest::newRow("file order, duplicates kept") << QByteArray(
        "\r\n" + record("Porch", "U1", "60") + record("Garden", "U2", "5") + record("Porch", "U3", "9"))
                                                 << QStringList {"Porch", "Garden", "Porch"};
    QTest::newRow("marker in upper case")
        << QByteArray("[NAME]Porch\r\nU\r\n60\r\n") << QStringList {"Porch"};
    QTest::newRow("marker at the end") << QByteArray("Porch[name]\r\nU\r\n60\r\n") << QStringList {"Porch"};
    QTest::newRow("every marker removed") << QByteArray("[name]A[Name]B\r\n") << QStringList {"AB"};
    QTest::newRow("empty name") << QByteArray("[name]\r\nU\r\n60\r\n") << QStringList {""};
    QTest::newRow("LF only") << QByteArray("\n[name]A\nU\n1\n\n[name]B\nV\n2\n\n") << QStringList {"A", "B"};
    QTest::newRow("lone CR") << QByteArray("[name]A\rU\r1\r\r[name]B\rV\r2") << QStringList {"A", "B"};
    QTest::newRow("no final line break")
        << QByteArray("\r\n[name]A\r\nU\r\n1\r\n\r\n[name]B") << QStringList {"A", "B"};
    QTest::newRow("removal leftovers skipped")
        << QByteArray("\r\n\r\n\r\n\r\n[name]A\r\nU\r\n1\r\n\r\n\r\n") << QStringList {"A"};
}

void TestCameraListFile::names()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    TempAppFolder folder;
    folder.write(QStringLiteral("00camlist.txt"), bytes);
    QCOMPARE(CameraListFile::readCameraNames(), names);
}

void TestCameraListFile::lookup_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("refresh");

    const QByteArray two
        = "\r\n" + record("Porch2", "P2", "2") + record("Porch", "U1", "60") + record("Porch", "U2", "9");
    QTest::newRow("first of duplicates") << two << "Porch" << true << "U1"
                                         << "60";
    QTest::newRow("longer name is another camera") << two << "Porch2" << true << "P2"
                                                   << "2";
    QTest::newRow("prefix is not the name") << two << "Porc" << false << ""
                                            << "";
    QTest::newRow("letter case matters") << two << "porch" << false << ""
                                         << "";
    QTest::newRow("empty name") << QByteArray("[name]\r\nU\r\n1\r\n") << "" << false << ""
                                << "";
    QTest::newRow("upper-case marker listed but not found")
        << QByteArray("[NAME]Porch\r\nU\r\n60\r\n") << "Porch" << false << ""
        << "";
    QTest::newRow("marker at the end listed but not found")
        << QByteArray("Porch[name]\r\nU\r\n60\r\n") << "Porch" << false << ""
        << "";
    QTest::newRow("LF only") << QByteArray("\n[name]A\nU\n1\n\n") << "A" << true << "U"
                             << "1";
    QTest::newRow("record cut after URL") << QByteArray("\r\n[name]A\r\nU") << "A" << true << "U"
                                          << "";
    QTest::newRow("record cut after name") << QByteArray("\r\n[name]A\r\n") << "A" << true << ""
                                           << "";
    QTest::newRow("no file") << QByteArray() << "A" << false << ""
                             << "";
}

void TestCameraListFile::lookup()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(bool, found);
    QFETCH(QString, url);
    QFETCH(QString, refresh);
    TempAppFolder folder;
    if (!bytes.isEmpty())
        folder.write(QStringLiteral("00camlist.txt"), bytes);

    CameraRecord result;
    QCOMPARE(CameraListFile::findCameraRecord(name, result), found);
    QCOMPARE(result.name, found ? name : QString());
    QCOMPARE(result.url, url);
    QCOMPARE(result.refresh, refresh);
}

void TestCameraListFile::lookupMissLeavesOutputs()
{
    TempAppFolder folder;
    folder.write(QStringLiteral("00camlist.txt"), "\r\n" + record("Porch", "U", "60"));
    CameraRecord kept {QStringLiteral("Old"), QStringLiteral("http://old/"), QStringLiteral("7")};
    QVERIFY(!CameraListFile::findCameraRecord(QStringLiteral("Garden"), kept));
    QCOMPARE(kept.name, QStringLiteral("Old"));
    QCOMPARE(kept.url, QStringLiteral("http://old/"));
    QCOMPARE(kept.refresh, QStringLiteral("7"));
}

void TestCameraListFile::removalTouchesOnlyItsRecord()
{
    TempAppFolder folder;
    // Porch2 begins with the removed name and Twin has Porch's URL and refresh: a
    // removal by plain text search would damage either.
    folder.write(QStringLiteral("00camlist.txt"),
        "\r\n" + record("Porch2", "P2", "2") + record("Twin", "U", "60") + record("Porch", "U", "60")
            + record("Shed", "S", "5"));
    CameraRecord porch;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Porch"), porch));
    QVERIFY(CameraListFile::removeCameraRecord(porch.name, porch.url, porch.refresh));

    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")),
        QByteArray("\r\n" + record("Porch2", "P2", "2") + record("Twin", "U", "60") + "\r\n\r\n\r\n"
            + record("Shed", "S", "5") + "\r\n"));
    QCOMPARE(CameraListFile::readCameraNames(), (QStringList {"Porch2", "Twin", "Shed"}));
    const QList<CameraRecord> others {{"Porch2", "P2", "2"}, {"Twin", "U", "60"}, {"Shed", "S", "5"}};
    for (const CameraRecord &expected : others) {
        CameraRecord other;
        QVERIFY(CameraListFile::findCameraRecord(expected.name, other));
        QCOMPARE(other.url, expected.url);
        QCOMPARE(other.refresh, expected.refresh);
    }
}

void TestCameraListFile::removalRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("refresh");

    QTest::newRow("empty name") << ""
                                << "U"
                                << "60";
    QTest::newRow("not in the file") << "Garden"
                                     << "U"
                                     << "60";
    QTest::newRow("URL changed since the lookup") << "Porch"
                                                  << "V"
                                                  << "60";
    QTest::newRow("refresh changed since the lookup") << "Porch"
                                                      << "U"
                                                      << "6";
    QTest::newRow("record cut short") << "Cut"
                                      << "C"
                                      << "";
}

void TestCameraListFile::removalRefusals()
{
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, refresh);
    TempAppFolder folder;
    const QByteArray bytes = "\r\n" + record("Porch", "U", "60") + "[name]Cut\r\nC";
    folder.write(QStringLiteral("00camlist.txt"), bytes);
    QVERIFY(!CameraListFile::removeCameraRecord(name, url, refresh));
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), bytes);
}

void TestCameraListFile::removalRewritesOtherLineEndings_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("LF only") << QByteArray("\n[name]A\nU\n1\n\n[name]B\nV\n2\n\n")
                             << QByteArray("\r\n\r\n\r\n\r\n[name]B\r\nV\r\n2\r\n\r\n\r\n");
    QTest::newRow("no final line break") << QByteArray("\r\n[name]B\r\nV\r\n2\r\n\r\n[name]A\r\nU\r\n1")
                                         << QByteArray("\r\n[name]B\r\nV\r\n2\r\n\r\n\r\n\r\n\r\n");
    QTest::newRow("URL matched ignoring case")
        << QByteArray("[name]A\r\nhttp://HOST/u\r\n1\r\n") << QByteArray("\r\n\r\n\r\n");
}

void TestCameraListFile::removalRewritesOtherLineEndings()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    TempAppFolder folder;
    folder.write(QStringLiteral("00camlist.txt"), before);
    CameraRecord a;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("A"), a));
    QVERIFY(CameraListFile::removeCameraRecord(a.name, a.url.toLower(), a.refresh));
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), after);
}

void TestCameraListFile::removalKeepsNonUtf8Bytes()
{
    TempAppFolder folder;
    const QByteArray latin1 = "[name]Caf\xE9\r\nhttp://h/\xFF\xFE.jpg\r\n60\r\n\r\n";
    folder.write(
        QStringLiteral("00camlist.txt"), "\r\n" + latin1 + record("Porch", "U", "60") + "\x80\x81\r\n");
    QVERIFY(CameraListFile::removeCameraRecord(
        QStringLiteral("Porch"), QStringLiteral("U"), QStringLiteral("60")));
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")),
        QByteArray("\r\n" + latin1 + "\r\n\r\n\r\n\x80\x81\r\n\r\n"));
}

void TestCameraListFile::tenThousandRecords()
{
    TempAppFolder folder;
    QByteArray bytes = "\r\n";
    for (int i = 0; i < 10000; ++i)
        bytes += record("Cam" + QByteArray::number(i), "http://h/" + QByteArray::number(i), "60");
    folder.write(QStringLiteral("00camlist.txt"), bytes);

    const QStringList names = CameraListFile::readCameraNames();
    QCOMPARE(names.size(), 10000);
    QCOMPARE(names.constLast(), QStringLiteral("Cam9999"));
    CameraRecord last;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Cam9999"), last));
    QCOMPARE(last.url, QStringLiteral("http://h/9999"));
    QVERIFY(CameraListFile::removeCameraRecord(
        QStringLiteral("Cam5000"), QStringLiteral("http://h/5000"), QStringLiteral("60")));
    QVERIFY(
        CameraListFile::appendCameraRecord(QStringLiteral("New"), QStringLiteral("N"), QStringLiteral("1")));
    const QStringList after = CameraListFile::readCameraNames();
    QCOMPARE(after.size(), 10000);
    QVERIFY(!after.contains(QStringLiteral("Cam5000")));
    QCOMPARE(after.constLast(), QStringLiteral("New"));
}

void TestCameraListFile::failedRewriteLeavesListWhole()
{
    TempAppFolder folder;
    QByteArray bytes = "\r\n";
    for (int i = 0; i < 200; ++i)
        bytes += record("Cam" + QByteArray::number(i), "http://h/" + QByteArray::number(i), "60");
    folder.write(QStringLiteral("00camlist.txt"), bytes);

    bool appended = true;
    bool removed = true;
    {
        // The temporary file can take half the list before the disk "fills up".
        FileSizeLimit limit(static_cast<rlim_t>(bytes.size() / 2));
        QVERIFY(limit.active());
        appended = CameraListFile::appendCameraRecord(
            QStringLiteral("New"), QStringLiteral("N"), QStringLiteral("1"));
        removed = CameraListFile::removeCameraRecord(
            QStringLiteral("Cam7"), QStringLiteral("http://h/7"), QStringLiteral("60"));
    }
    QVERIFY(!appended);
    QVERIFY(!removed);
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), bytes);
    QCOMPARE(filesIn(folder), QStringList {"00camlist.txt"});
}

void TestCameraListFile::unreadableListIsNotReplaced()
{
    TempAppFolder folder;
    const QByteArray bytes = "\r\n" + record("Porch", "U", "60");
    const QString list = folder.write(QStringLiteral("00camlist.txt"), bytes);
    QVERIFY(openToEveryone(folder.path()));
    QVERIFY(QFile::setPermissions(list, QFileDevice::Permissions()));

    bool appended = true;
    {
        AsUnprivilegedUser user;
        if (!user.active())
            QSKIP(
                "Running as root without the right to act as another user: permissions cannot deny a read.");
        // The list is there and its folder writable: only the read can fail.
        QVERIFY(QFileInfo::exists(list));
        QFile probe(folder.file(QStringLiteral("probe")));
        QVERIFY2(probe.open(QIODevice::WriteOnly), qPrintable(probe.fileName() + probe.errorString()));
        probe.remove();
        appended = CameraListFile::appendCameraRecord(
            QStringLiteral("New"), QStringLiteral("N"), QStringLiteral("1"));
    }
    QVERIFY(!appended);
    QVERIFY(QFile::setPermissions(list, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), bytes);
}

void TestCameraListFile::listIsOwnerOnly_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("before"); // bits of the list beforehand; 0 none; -1 a link to "shared.txt"
    QTest::addColumn<int>("mask");
    QTest::newRow("created at the first start, umask 0") << "create" << 0 << 0;
    QTest::newRow("created by an append, umask 002") << "append" << 0 << 002;
    QTest::newRow("0644 list appended to") << "append" << 0644 << 022;
    QTest::newRow("0644 list, a record removed") << "remove" << 0644 << 022;
    QTest::newRow("0666 list, a record edited") << "edit" << 0666 << 0;
    QTest::newRow("a link in its place, appended to") << "append" << -1 << 022;
}

void TestCameraListFile::listIsOwnerOnly()
{
    QFETCH(QString, operation);
    QFETCH(int, before);
    QFETCH(int, mask);
    TempAppFolder folder;
    const QByteArray bytes = "\r\n" + record("Porch", "U", "60");
    const QString list = folder.file(QStringLiteral("00camlist.txt"));
    const QString shared = folder.write(QStringLiteral("shared.txt"), bytes);
    QVERIFY(QFile::setPermissions(
        shared, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    if (before > 0) {
        folder.write(QStringLiteral("00camlist.txt"), bytes);
        QCOMPARE(::chmod(QFile::encodeName(list).constData(), mode_t(before)), 0);
    } else if (before < 0) {
        QVERIFY(QFile::link(QStringLiteral("shared.txt"), list));
    }

    bool done = false;
    const mode_t previous = ::umask(mode_t(mask));
    if (operation == QLatin1String("create"))
        done = CameraListFile::createIfMissing();
    else if (operation == QLatin1String("append"))
        done = CameraListFile::appendCameraRecord(
            QStringLiteral("Yard"), QStringLiteral("Y"), QStringLiteral("5"));
    else if (operation == QLatin1String("remove"))
        done = CameraListFile::removeCameraRecord(
            QStringLiteral("Porch"), QStringLiteral("U"), QStringLiteral("60"));
    else
        done = CameraListFile::replaceCameraRecord({"Porch", "U", "60"}, {"Porch", "V", "9"});
    ::umask(previous);
    QVERIFY(done);

    QCOMPARE(fileBitsOf(list), QStringLiteral("600"));
    // A file the list's link pointed to is neither written nor loosened or tightened.
    QCOMPARE(folder.read(QStringLiteral("shared.txt")), bytes);
    QCOMPARE(fileBitsOf(shared), QStringLiteral("604"));
    QCOMPARE(filesIn(folder), (QStringList {"00camlist.txt", "shared.txt"}));
}

QTEST_GUILESS_MAIN(TestCameraListFile)
#include "tst_camlistfile.moc"
