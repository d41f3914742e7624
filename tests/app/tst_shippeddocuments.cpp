// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped documents of this build: a program in the build tree reads them from the
// source tree; one that finds no data folder falls back to the compiled-in copies.
#include "app/Identity.h"
#include "app/ShippedDocuments.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestShippedDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { loadIdentity(); }
    void fromTheSourceTree();
    void fallbackWhenNoDataFolder();
};

void TestShippedDocuments::fromTheSourceTree()
{
    // This test runs from the build tree, as scripts/run.sh's program does.
    const QString resources = qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/resources");
    QTemporaryDir app;
    QTemporaryDir decoy;
    QVERIFY(writeFile(decoy.filePath(QStringLiteral("Help.rtf")), "decoy"));
    QVERIFY(writeFile(decoy.filePath(QStringLiteral("Localization.txt")), "decoy"));

    const auto outcomes = ShippedDocuments::refreshAll(app.path(), QCoreApplication::applicationDirPath(), decoy.path());
    QCOMPARE(outcomes.size(), 2);
    for (const auto &[name, outcome] : outcomes) {
        QCOMPARE(outcome, ShippedFiles::Outcome::Copied);
        QCOMPARE(contentOf(app.filePath(name)), contentOf(resources + QLatin1Char('/') + name));
    }
    // A copy of an earlier version, never touched, is brought up to date at the next start.
    const QString earlier = app.filePath(QStringLiteral("Localization.txt"));
    QVERIFY(writeFile(earlier, "<XML_DIZ_INFO> of version 1.0"));
    auto record = ShippedFiles::readRecord(app.path());
    QVERIFY(record.contains(QStringLiteral("Localization.txt")));
    QFile recordFile(app.filePath(QLatin1String(ShippedFiles::RecordFileName)));
    QVERIFY(recordFile.open(QIODevice::WriteOnly));
    recordFile.write("Localization.txt\t" + ShippedFiles::sha256Hex("<XML_DIZ_INFO> of version 1.0") + "\t1.0\n");
    recordFile.close();
    const auto again = ShippedDocuments::refreshAll(app.path(), QCoreApplication::applicationDirPath(), decoy.path());
    QCOMPARE(again.value(0).second, ShippedFiles::Outcome::Replaced);
    QCOMPARE(contentOf(earlier), contentOf(resources + QStringLiteral("/Localization.txt")));
}

void TestShippedDocuments::fallbackWhenNoDataFolder()
{
    if (QFileInfo::exists(ShippedDocuments::places().installDataDir))
        QSKIP("this build's data folder is installed on this machine");
    QTemporaryDir outside; // not in the build tree, with no share/ocellus beside it
    QTemporaryDir app;
    QTemporaryDir fallback;
    QVERIFY(writeFile(fallback.filePath(QStringLiteral("Help.rtf")), "{\\rtf1 compiled in}"));
    // Localization.txt is missing from the fallback: it is left out, not made empty.
    const auto outcomes = ShippedDocuments::refreshAll(app.path(), outside.path(), fallback.path());
    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes[0].first, QStringLiteral("Help.rtf"));
    QCOMPARE(contentOf(app.filePath(QStringLiteral("Help.rtf"))), QByteArray("{\\rtf1 compiled in}"));
    QVERIFY(!QFile::exists(app.filePath(QStringLiteral("Localization.txt"))));
}

QTEST_GUILESS_MAIN(TestShippedDocuments)
#include "tst_shippeddocuments.moc"
