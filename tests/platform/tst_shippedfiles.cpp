// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped documents: which folder they are read from, and when the application
// folder's copy is replaced by the shipped one (untouched copies) or kept (the user's).
#include "platform/ShippedFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using ShippedFiles::Outcome;

namespace {

const QByteArray OldShipped = "{\\rtf1 shipped by 1.0}";
const QByteArray NewShipped = "{\\rtf1 shipped by 1.1}";
const QByteArray Mine = "{\\rtf1 edited by the user}";
const QVersionNumber Running(1, 1);

QByteArray contentOf(const QString &keyword)
{
    if (keyword == QLatin1String("old"))
        return OldShipped;
    if (keyword == QLatin1String("new"))
        return NewShipped;
    return Mine;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestShippedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refresh_data();
    void refresh();
    void dataFolder_data();
    void dataFolder();
};

void TestShippedFiles::refresh_data()
{
    // copy: what stands at Help.rtf: "" nothing, "old"/"new"/"mine" a file with that content,
    //       "dangling" a dangling link, "link" a link to a file holding "old", "folder".
    // record: "" none, "<content> <version>" an entry, "garbage" a malformed record,
    //         "folder" a folder where the record belongs (it cannot be written).
    // earlier: whether the hash of "old" is among the copies of versions without a record.
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("earlier");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("after");        // the copy's content afterwards
    QTest::addColumn<QString>("recordAfter");  // the entry afterwards, as in `record`
    QTest::addColumn<Outcome>("secondOutcome"); // of a second refresh right after

    QTest::newRow("first start") << "" << "" << false << Outcome::Copied << "new" << "new 1.1" << Outcome::Current;
    QTest::newRow("already current, not recorded")
        << "new" << "" << false << Outcome::Current << "new" << "new 1.1" << Outcome::Current;
    QTest::newRow("untouched copy of an older version")
        << "old" << "old 1.0" << false << Outcome::Replaced << "new" << "new 1.1" << Outcome::Current;
    QTest::newRow("untouched copy of the same version, other content")
        << "old" << "old 1.1" << false << Outcome::Replaced << "new" << "new 1.1" << Outcome::Current;
    QTest::newRow("untouched copy of a newer version")
        << "old" << "old 2.0" << false << Outcome::KeptNewer << "old" << "old 2.0" << Outcome::KeptNewer;
    QTest::newRow("edited after the copy was made")
        << "mine" << "old 1.0" << true << Outcome::KeptOwn << "mine" << "old 1.0" << Outcome::KeptOwn;
    QTest::newRow("unrecorded copy made by a version without a record")
        << "old" << "" << true << Outcome::Replaced << "new" << "new 1.1" << Outcome::Current;
    QTest::newRow("unrecorded copy of unknown origin")
        << "old" << "" << false << Outcome::KeptOwn << "old" << "" << Outcome::KeptOwn;
    QTest::newRow("unrecorded edited copy")
        << "mine" << "" << true << Outcome::KeptOwn << "mine" << "" << Outcome::KeptOwn;
    QTest::newRow("malformed record") << "old" << "garbage" << false << Outcome::KeptOwn << "old" << "" << Outcome::KeptOwn;
    QTest::newRow("dangling link") << "dangling" << "" << false << Outcome::Copied << "new" << "new 1.1"
                                   << Outcome::Current;
    QTest::newRow("link to the user's file")
        << "link" << "old 1.0" << true << Outcome::KeptOwn << "old" << "old 1.0" << Outcome::KeptOwn;
    QTest::newRow("a folder in its place") << "folder" << "" << false << Outcome::KeptOwn << "<folder>" << ""
                                           << Outcome::KeptOwn;
    // The copy is complete; without its record it counts as the user's next time, and
    // is still the shipped one, so nothing is lost either way.
    QTest::newRow("record cannot be written")
        << "" << "folder" << false << Outcome::Failed << "new" << "" << Outcome::Failed;
}

void TestShippedFiles::refresh()
{
    QFETCH(QString, copy);
    QFETCH(QString, record);
    QFETCH(bool, earlier);
    QFETCH(Outcome, outcome);
    QFETCH(QString, after);
    QFETCH(QString, recordAfter);
    QFETCH(Outcome, secondOutcome);

    QTemporaryDir app;
    QTemporaryDir elsewhere;
    const QString name = QStringLiteral("Help.rtf");
    const QString path = app.filePath(name);
    const QString linkTarget = elsewhere.filePath(QStringLiteral("my-help.rtf"));
    if (copy == QLatin1String("dangling")) {
        QCOMPARE(::symlink("gone.rtf", QFile::encodeName(path).constData()), 0);
    } else if (copy == QLatin1String("link")) {
        QVERIFY(writeFile(linkTarget, OldShipped));
        QVERIFY(QFile::link(linkTarget, path));
    } else if (copy == QLatin1String("folder")) {
        QVERIFY(QDir(app.path()).mkdir(name));
    } else if (!copy.isEmpty()) {
        QVERIFY(writeFile(path, contentOf(copy)));
    }

    const QString recordPath = app.filePath(QLatin1String(ShippedFiles::RecordFileName));
    if (record == QLatin1String("garbage")) {
        QVERIFY(writeFile(recordPath, "Help.rtf\tnot-a-hash\t1.0\nHelp.rtf\n\t\t\n"));
    } else if (record == QLatin1String("folder")) {
        QVERIFY(QDir(app.path()).mkdir(QLatin1String(ShippedFiles::RecordFileName)));
    } else if (!record.isEmpty()) {
        const QStringList parts = record.split(QLatin1Char(' '));
        QVERIFY(writeFile(recordPath, "Localization.txt\t" + QByteArray(64, 'a') + "\t1.0\nHelp.rtf\t"
                                          + ShippedFiles::sha256Hex(contentOf(parts[0])) + '\t'
                                          + parts[1].toUtf8() + '\n'));
    }
    const QList<QByteArray> earlierCopies =
        earlier ? QList<QByteArray>{ShippedFiles::sha256Hex(OldShipped)} : QList<QByteArray>{};

    QCOMPARE(ShippedFiles::refresh(app.path(), name, NewShipped, Running, earlierCopies), outcome);

    if (after == QLatin1String("<folder>"))
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(readFile(path), contentOf(after));
    if (copy == QLatin1String("link")) {
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(readFile(linkTarget), OldShipped);
    } else if (QFileInfo(path).isFile()) {
        QVERIFY(!QFileInfo(path).isSymLink());
    }

    const auto entries = ShippedFiles::readRecord(app.path());
    if (recordAfter.isEmpty()) {
        QVERIFY(!entries.contains(name));
    } else {
        const QStringList parts = recordAfter.split(QLatin1Char(' '));
        QVERIFY(entries.contains(name));
        QCOMPARE(entries[name].sha256, ShippedFiles::sha256Hex(contentOf(parts[0])));
        QCOMPARE(entries[name].version, QVersionNumber::fromString(parts[1]));
    }
    // Another document's entry survives a rewrite of the record.
    if (!record.isEmpty() && record != QLatin1String("garbage") && record != QLatin1String("folder"))
        QVERIFY(entries.contains(QStringLiteral("Localization.txt")));
    // No temporary file is left beside the copy or the record.
    QStringList left = QDir(app.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    left.removeAll(name);
    left.removeAll(QLatin1String(ShippedFiles::RecordFileName));
    QCOMPARE(left, QStringList());

    QCOMPARE(ShippedFiles::refresh(app.path(), name, NewShipped, Running, earlierCopies), secondOutcome);
}

void TestShippedFiles::dataFolder_data()
{
    // Under a fresh root: build/ (the build tree), src/resources (the source's documents),
    // opt/bin with opt/share/ocellus (an install moved elsewhere), usr/share/ocellus (the
    // configured install folder). `filled` lists the folders that hold both documents,
    // `half` those that hold only Help.rtf.
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QStringList>("filled");
    QTest::addColumn<QStringList>("half");
    QTest::addColumn<QString>("expected");
    const QStringList all{"src/resources", "opt/share/ocellus", "usr/share/ocellus"};

    QTest::newRow("run from the build tree") << "build/src/app" << all << QStringList() << "src/resources";
    QTest::newRow("build tree, source lacks a document: nothing else is used")
        << "build/src/app" << QStringList{"opt/share/ocellus", "usr/share/ocellus"} << QStringList{"src/resources"}
        << "";
    QTest::newRow("a sibling of the build tree is not inside it") << "build2/bin" << all << QStringList()
                                                                   << "usr/share/ocellus";
    QTest::newRow("installed under another prefix") << "opt/bin" << all << QStringList() << "opt/share/ocellus";
    QTest::newRow("other prefix incomplete: the configured one")
        << "opt/bin" << QStringList{"usr/share/ocellus"} << QStringList{"opt/share/ocellus"} << "usr/share/ocellus";
    QTest::newRow("installed where configured") << "usr/bin" << all << QStringList() << "usr/share/ocellus";
    QTest::newRow("nowhere") << "usr/bin" << QStringList() << QStringList{"usr/share/ocellus"} << "";
    QTest::newRow("through a link into the build tree") << "link-to-build/src/app" << all << QStringList()
                                                         << "src/resources";
}

void TestShippedFiles::dataFolder()
{
    QFETCH(QString, exe);
    QFETCH(QStringList, filled);
    QFETCH(QStringList, half);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QDir dir(root.path());
    for (const char *folder : {"build/src/app", "build2/bin", "opt/bin", "usr/bin"})
        QVERIFY(dir.mkpath(QLatin1String(folder)));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("build")), root.filePath(QStringLiteral("link-to-build"))));
    for (const QString &folder : filled) {
        QVERIFY(dir.mkpath(folder));
        QVERIFY(writeFile(root.filePath(folder + QStringLiteral("/Help.rtf")), "{\\rtf1}"));
        QVERIFY(writeFile(root.filePath(folder + QStringLiteral("/Localization.txt")), "<XML_DIZ_INFO>"));
    }
    for (const QString &folder : half) {
        QVERIFY(dir.mkpath(folder));
        QVERIFY(writeFile(root.filePath(folder + QStringLiteral("/Help.rtf")), "{\\rtf1}"));
    }
    const ShippedFiles::Places places{root.filePath(QStringLiteral("build")), root.filePath(QStringLiteral("src/resources")),
                                      QStringLiteral("../share/ocellus"), root.filePath(QStringLiteral("usr/share/ocellus"))};
    const QString found = ShippedFiles::dataFolder(root.filePath(exe), places,
                                                   {QStringLiteral("Localization.txt"), QStringLiteral("Help.rtf")});
    QCOMPARE(found, expected.isEmpty() ? QString() : root.filePath(expected));
}

QTEST_GUILESS_MAIN(TestShippedFiles)
#include "tst_shippedfiles.moc"
