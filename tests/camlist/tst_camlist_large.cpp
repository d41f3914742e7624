// SPDX-License-Identifier: GPL-3.0-or-later
// Camera lists far beyond what a user types: megabyte lines, a hundred thousand
// records, and bytes that are not UTF-8. Every operation gives a defined answer, and
// the bytes of records an operation does not touch come through its rewrite unchanged.
#include "camlist/CameraListEdit.h"
#include "camlist/CameraListFile.h"
#include "support/TempAppFolder.h"

#include <QTest>

using CameraListFile::CameraRecord;

namespace {

const QString ListName = QStringLiteral("00camlist.txt");
constexpr qsizetype Megabyte = 1024 * 1024;

QByteArray record(const QByteArray &name, const QByteArray &url, const QByteArray &refresh)
{
    return "[name]" + name + "\r\n" + url + "\r\n" + refresh + "\r\n\r\n";
}

// A megabyte of varied printable text starting with `lead`, so that a line cut or
// shifted anywhere no longer compares equal.
QByteArray bigText(const QByteArray &lead)
{
    QByteArray text = lead;
    text.reserve(Megabyte);
    for (qsizetype i = text.size(); i < Megabyte; ++i)
        text.append(static_cast<char>('a' + (i * 7 + i / 26) % 26));
    return text;
}

} // namespace

class TestCameraListLarge : public QObject
{
    Q_OBJECT

private slots:
    void megabyteLines_data();
    void megabyteLines();
    void hundredThousandRecords();
    void nonUtf8Urls_data();
    void nonUtf8Urls();
    void nonUtf8Names_data();
    void nonUtf8Names();
};

void TestCameraListLarge::megabyteLines_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("refresh");
    QTest::addColumn<QByteArray>("stray");

    QTest::newRow("name") << bigText("Big") << QByteArray("http://big/") << QByteArray("60") << QByteArray();
    QTest::newRow("url") << QByteArray("Big") << bigText("http://big/") << QByteArray("60") << QByteArray();
    QTest::newRow("refresh") << QByteArray("Big") << QByteArray("http://big/") << bigText("6")
                             << QByteArray();
    QTest::newRow("line that is no record")
        << QByteArray("Big") << QByteArray("http://big/") << QByteArray("60") << bigText("stray");
    QTest::newRow("all three and a stray line")
        << bigText("Big") << bigText("http://big/") << bigText("6") << bigText("stray");
}

void TestCameraListLarge::megabyteLines()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, refresh);
    QFETCH(QByteArray, stray);
    TempAppFolder folder;
    const QByteArray big = record(name, url, refresh);
    const QByteArray porch = record("Porch", "http://porch/", "60");
    const QByteArray strayLine = stray.isEmpty() ? QByteArray() : stray + "\r\n";
    folder.write(ListName, "\r\n" + strayLine + porch + big + record("Shed", "http://shed/", "5"));

    const QString bigName = QString::fromUtf8(name);
    QCOMPARE(CameraListFile::readCameraNames(), QStringList({"Porch", bigName, "Shed"}));
    CameraRecord found;
    QVERIFY(CameraListFile::findCameraRecord(bigName, found));
    QCOMPARE(found.name, bigName);
    QCOMPARE(found.url.size(), url.size());
    QCOMPARE(found.url, QString::fromUtf8(url));
    QCOMPARE(found.refresh, QString::fromUtf8(refresh));

    // Removing the small record before it carries the big one over byte for byte.
    QVERIFY(CameraListFile::removeCameraRecord(
        QStringLiteral("Porch"), QStringLiteral("http://porch/"), QStringLiteral("60")));
    QByteArray bytes = folder.read(ListName);
    QVERIFY(bytes.contains(big));
    QVERIFY(bytes.startsWith("\r\n" + strayLine));
    QCOMPARE(CameraListFile::readCameraNames(), QStringList({bigName, "Shed"}));

    // Editing the big record moves it to the end in its new form; the stray line stays.
    const CameraRecord edited {QStringLiteral("Small"), QStringLiteral("http://small/"), QStringLiteral("1")};
    QVERIFY(CameraListFile::replaceCameraRecord(found, edited));
    bytes = folder.read(ListName);
    QVERIFY(!bytes.contains(url));
    QVERIFY(bytes.startsWith("\r\n" + strayLine));
    QVERIFY(bytes.endsWith(record("Small", "http://small/", "1")));
    QCOMPARE(CameraListFile::readCameraNames(), QStringList({"Shed", "Small"}));
    CameraRecord gone = edited;
    QVERIFY(!CameraListFile::findCameraRecord(bigName, gone));
    QCOMPARE(gone.url, edited.url);
}

void TestCameraListLarge::hundredThousandRecords()
{
    constexpr int Count = 100000;
    TempAppFolder folder;
    QByteArray bytes = "\r\n";
    QStringList names;
    for (int i = 0; i < Count; ++i) {
        const QByteArray n = QByteArray::number(i);
        bytes += record("Cam" + n, "http://h/" + n + ".jpg", QByteArray::number(i % 1000));
        names.append(QStringLiteral("Cam%1").arg(i));
    }
    folder.write(ListName, bytes);

    QCOMPARE(CameraListFile::readCameraNames(), names);
    for (const int i : {0, 1, Count / 2, Count - 1}) {
        CameraRecord found;
        QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Cam%1").arg(i), found));
        QCOMPARE(found.url, QStringLiteral("http://h/%1.jpg").arg(i));
        QCOMPARE(found.refresh, QString::number(i % 1000));
    }
    // A name that only starts like the last one, and one that is missing altogether.
    CameraRecord untouched {QStringLiteral("n"), QStringLiteral("u"), QStringLiteral("r")};
    QVERIFY(!CameraListFile::findCameraRecord(QStringLiteral("Cam9999"
                                                             "90"),
        untouched));
    QVERIFY(!CameraListFile::findCameraRecord(QStringLiteral("Cam100000"), untouched));
    QCOMPARE(untouched.url, QStringLiteral("u"));

    // Removal of a middle record: all others keep their place and their bytes.
    QVERIFY(CameraListFile::removeCameraRecord(
        QStringLiteral("Cam50000"), QStringLiteral("http://h/50000.jpg"), QStringLiteral("0")));
    names.removeAt(50000);
    QCOMPARE(CameraListFile::readCameraNames(), names);
    const QByteArray after = folder.read(ListName);
    QVERIFY(after.startsWith(bytes.left(bytes.indexOf("[name]Cam50000\r\n"))));
    QVERIFY(after.contains(record("Cam49999", "http://h/49999.jpg", "999") + "\r\n\r\n\r\n"
        + record("Cam50001", "http://h/50001.jpg", "1")));

    // The first record edited: it leaves the front and stands last.
    QVERIFY(CameraListFile::replaceCameraRecord(
        {"Cam0", "http://h/0.jpg", "0"}, {"Cam0e", "http://h/0e.jpg", "5"}));
    names.removeFirst();
    names.append(QStringLiteral("Cam0e"));
    QCOMPARE(CameraListFile::readCameraNames(), names);
    CameraRecord last;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Cam0e"), last));
    QCOMPARE(last.url, QStringLiteral("http://h/0e.jpg"));
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Cam99999"), last));
    QCOMPARE(last.url, QStringLiteral("http://h/99999.jpg"));
}

namespace {
void addNonUtf8Rows()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Latin-1 letter") << QByteArray("Caf\xE9");
    QTest::newRow("lone continuation byte") << QByteArray("a\x80z");
    QTest::newRow("sequence cut at line end") << QByteArray("end\xC3");
    QTest::newRow("overlong slash") << QByteArray("x\xC0\xAFy");
    QTest::newRow("encoded surrogate") << QByteArray("s\xED\xA0\x80t");
    QTest::newRow("bytes FF FE") << QByteArray("\xFF\xFE");
    QTest::newRow("NUL inside") << QByteArray("a\0b", 3);
}
// A line that is valid UTF-8 reads as UTF-8, any other one byte per character.
QString expectedText(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}
} // namespace

void TestCameraListLarge::nonUtf8Urls_data()
{
    addNonUtf8Rows();
}

void TestCameraListLarge::nonUtf8Urls()
{
    QFETCH(QByteArray, bytes);
    TempAppFolder folder;
    const QByteArray odd = record("Odd", "http://h/" + bytes, "6" + bytes);
    const QByteArray other = record("Other", "http://o/" + bytes + ".jpg", "60");
    folder.write(ListName, "\r\n" + odd + other);

    // The URL and refresh read as text: lines that are not UTF-8 one byte per character.
    CameraRecord found;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Odd"), found));
    QCOMPARE(found.url, expectedText("http://h/" + bytes));
    QCOMPARE(found.refresh, expectedText("6" + bytes));
    QVERIFY(!found.url.contains(QChar::ReplacementCharacter));

    // An append keeps every byte before it.
    QVERIFY(
        CameraListFile::appendCameraRecord(QStringLiteral("New"), QStringLiteral("N"), QStringLiteral("1")));
    QCOMPARE(folder.read(ListName), "\r\n" + odd + other + record("New", "N", "1"));

    // The values as read identify the record, so it can be removed; the other record's
    // bytes survive the rewrite unchanged.
    QVERIFY(CameraListFile::removeCameraRecord(found.name, found.url, found.refresh));
    QCOMPARE(folder.read(ListName), "\r\n\r\n\r\n\r\n" + other + record("New", "N", "1") + "\r\n");

    // The same for the one-rewrite edit of the other record.
    CameraRecord second;
    QVERIFY(CameraListFile::findCameraRecord(QStringLiteral("Other"), second));
    QVERIFY(CameraListFile::replaceCameraRecord(second, {"Fixed", "http://f/", "9"}));
    QCOMPARE(CameraListFile::readCameraNames(), QStringList({"New", "Fixed"}));
}

void TestCameraListLarge::nonUtf8Names_data()
{
    addNonUtf8Rows();
}

void TestCameraListLarge::nonUtf8Names()
{
    QFETCH(QByteArray, bytes);
    TempAppFolder folder;
    const QByteArray odd = record("Cam" + bytes, "http://odd/", "60");
    const QByteArray porch = record("Porch", "http://porch/", "5");
    folder.write(ListName, "\r\n" + odd + porch);

    const QStringList names = CameraListFile::readCameraNames();
    QCOMPARE(names.size(), 2);
    QCOMPARE(names.at(1), QStringLiteral("Porch"));
    const QString listed = names.at(0);
    QCOMPARE(listed, expectedText("Cam" + bytes));

    // Rewrites for other records leave the odd name line as it was, byte for byte.
    QVERIFY(CameraListFile::removeCameraRecord(
        QStringLiteral("Porch"), QStringLiteral("http://porch/"), QStringLiteral("5")));
    QVERIFY(
        CameraListFile::appendCameraRecord(QStringLiteral("New"), QStringLiteral("N"), QStringLiteral("1")));
    QVERIFY(CameraListFile::replaceCameraRecord({"New", "N", "1"}, {"Yard", "Y", "2"}));
    QVERIFY(folder.read(ListName).startsWith("\r\n" + odd));
    QCOMPARE(CameraListFile::readCameraNames(), QStringList({listed, "Yard"}));

    // A camera that is listed opens, edits and deletes like any other.
    CameraRecord found;
    QVERIFY(CameraListFile::findCameraRecord(listed, found));
    QCOMPARE(found.url, QStringLiteral("http://odd/"));
    const QByteArray beforeEdit = folder.read(ListName);
    QVERIFY(CameraListFile::replaceCameraRecord(found, {listed, "http://odd/2", "30"}));
    QVERIFY(CameraListFile::findCameraRecord(listed, found));
    QCOMPARE(found.url, QStringLiteral("http://odd/2"));
    QVERIFY(folder.read(ListName) != beforeEdit);
    QVERIFY(CameraListFile::removeCameraRecord(found.name, found.url, found.refresh));
    QCOMPARE(CameraListFile::readCameraNames(), QStringList({"Yard"}));
}

QTEST_GUILESS_MAIN(TestCameraListLarge)
#include "tst_camlist_large.moc"
