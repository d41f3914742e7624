// SPDX-License-Identifier: GPL-3.0-or-later
#include "SavedPictureFixtures.h"
#include "history/RetentionPruner.h"

#include <QTemporaryDir>
#include <QTest>

using namespace SavedPictureFixtures;

namespace {
constexpr qint64 MiB = 1024 * 1024;
const QDateTime Now(QDate(2026, 6, 10), QTime(12, 0, 0));

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                               QDir::Name);
    return names;
}
} // namespace

class TestRetentionPruner : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void bySizeAndAge_data();
    void bySizeAndAge();
    void nothingButThisCamerasPictures();
    void noLimitsDeleteNothing();

private:
    QTemporaryDir m_root;
    QString m_folder;
    int m_run = 0;
};

void TestRetentionPruner::initTestCase()
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    QVERIFY(m_root.isValid());
}

void TestRetentionPruner::init()
{
    m_folder = m_root.filePath(QStringLiteral("cam%1").arg(++m_run));
    QVERIFY(QDir().mkpath(m_folder));
}

void TestRetentionPruner::bySizeAndAge_data()
{
    QTest::addColumn<QList<qint64>>("ages");   // seconds before Now, oldest first
    QTest::addColumn<QList<qint64>>("sizes");  // bytes, same order
    QTest::addColumn<qint64>("maxMegabytes");
    QTest::addColumn<int>("maxDays");
    QTest::addColumn<int>("deleted");          // the oldest `deleted` go

    const QList<qint64> tenAges {900, 800, 700, 600, 500, 400, 300, 200, 100, 0};
    const QList<qint64> tenMiB(10, MiB);
    QList<qint64> oneByteOver = tenMiB;
    oneByteOver[9] += 1;
    QTest::newRow("size: exactly the limit stays") << tenAges << tenMiB << qint64(10) << 0 << 0;
    QTest::newRow("size: one byte over, the oldest goes") << tenAges << oneByteOver << qint64(10) << 0 << 1;
    QTest::newRow("size: half") << tenAges << tenMiB << qint64(5) << 0 << 5;
    QTest::newRow("size: smaller than the newest picture") << tenAges << tenMiB << qint64(1) << 0 << 9;
    QList<qint64> bigOld = tenMiB;
    bigOld[0] = 6 * MiB;
    QTest::newRow("size: one big old picture makes room") << tenAges << bigOld << qint64(10) << 0 << 1;

    constexpr qint64 Day = 86400;
    const QList<qint64> ages {10 * Day, 3 * Day + 1, 3 * Day, 3 * Day - 1, 3600};
    const QList<qint64> small(5, 1000);
    QTest::newRow("age: exactly three days stays, a second more goes") << ages << small << qint64(0) << 3 << 2;
    QTest::newRow("age: one day") << ages << small << qint64(0) << 1 << 4;
    QTest::newRow("age: a year keeps all") << ages << small << qint64(0) << 365 << 0;
    const QList<qint64> fiveMiB(5, MiB);
    QTest::newRow("both: size takes more than age") << ages << fiveMiB << qint64(2) << 3 << 3;
    QTest::newRow("both: age takes more than size") << ages << fiveMiB << qint64(4) << 3 << 2;
}

void TestRetentionPruner::bySizeAndAge()
{
    QFETCH(QList<qint64>, ages);
    QFETCH(QList<qint64>, sizes);
    QFETCH(qint64, maxMegabytes);
    QFETCH(int, maxDays);
    QFETCH(int, deleted);
    QStringList names;
    for (qsizetype i = 0; i < ages.size(); ++i)
        names.append(writePicture(m_folder, QStringLiteral("Yard"), Now.addSecs(-ages[i]), sizes[i]));

    const PruneOutcome outcome = prunePictures(m_folder, QStringLiteral("Yard"), {}, {maxMegabytes, maxDays}, Now,
                                               NamePattern());
    QCOMPARE(outcome.deleted, deleted);
    QCOMPARE(outcome.failed, 0);
    QCOMPARE(outcome.kept, ages.size() - deleted);
    qint64 deletedBytes = 0;
    for (int i = 0; i < deleted; ++i)
        deletedBytes += sizes[i];
    QCOMPARE(outcome.deletedBytes, deletedBytes);
    QStringList left = names.mid(deleted);
    left.sort();
    QCOMPARE(entries(m_folder), left);
}

void TestRetentionPruner::nothingButThisCamerasPictures()
{
    const QDateTime old = Now.addDays(-30);
    // Kept whatever the limits: another camera's pictures, foreign files, a link and a folder
    // with picture names, a picture written under another locale (its name cannot date it),
    // a picture the camera "Yard1" may have written too.
    QStringList kept;
    kept << writePicture(m_folder, QStringLiteral("Gate"), old, 10);
    kept << writePicture(m_folder, QStringLiteral("Yard1"), QDateTime(QDate(2025, 1, 11), QTime(9, 0, 0)), 10);
    QVERIFY(writeFile(m_folder, QStringLiteral("Yard notes.txt"), 10));
    QVERIFY(writeFile(m_folder, QStringLiteral("Yard.jpg"), 10));
    QVERIFY(writeFile(m_folder, QStringLiteral("Yard27.03.2013035430.jpg"), 10));
    QVERIFY(writeFile(m_folder, autosaveFileName(QStringLiteral("Yard"), old) + QStringLiteral(".Ab12Cd"), 10));
    kept << QStringLiteral("Yard notes.txt") << QStringLiteral("Yard.jpg") << QStringLiteral("Yard27.03.2013035430.jpg")
         << autosaveFileName(QStringLiteral("Yard"), old) + QStringLiteral(".Ab12Cd");
    const QString linkName = autosaveFileName(QStringLiteral("Yard"), old.addSecs(5));
    QVERIFY(QFile::link(m_folder + QLatin1Char('/') + kept[0], m_folder + QLatin1Char('/') + linkName));
    const QString danglingName = autosaveFileName(QStringLiteral("Yard"), old.addSecs(6));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/target"), m_folder + QLatin1Char('/') + danglingName));
    const QString folderName = autosaveFileName(QStringLiteral("Yard"), old.addSecs(7));
    QVERIFY(QDir(m_folder).mkdir(folderName));
    kept << linkName << danglingName << folderName;
    // And the camera's own old picture, which goes.
    const QString own = writePicture(m_folder, QStringLiteral("Yard"), old, 10);

    const PruneOutcome outcome = prunePictures(m_folder, QStringLiteral("Yard"),
                                               {QStringLiteral("Gate"), QStringLiteral("Yard1")}, {1, 1}, Now,
                                               NamePattern());
    QCOMPARE(outcome.deleted, 1);
    QVERIFY(!QFileInfo::exists(m_folder + QLatin1Char('/') + own));
    kept.sort();
    QCOMPARE(entries(m_folder), kept);
    QCOMPARE(QFileInfo(m_folder + QLatin1Char('/') + kept.filter(QStringLiteral("Gate")).value(0)).size(), 10);
}

void TestRetentionPruner::noLimitsDeleteNothing()
{
    for (int i = 0; i < 5; ++i)
        writePicture(m_folder, QStringLiteral("Yard"), Now.addYears(-i - 1), MiB);
    const PruneOutcome outcome = prunePictures(m_folder, QStringLiteral("Yard"), {}, {}, Now, NamePattern());
    QCOMPARE(outcome.deleted, 0);
    QCOMPARE(outcome.kept, 5);
    QCOMPARE(outcome.keptBytes, 5 * MiB);
    QCOMPARE(entries(m_folder).size(), 5);
}

QTEST_GUILESS_MAIN(TestRetentionPruner)
#include "tst_retentionpruner.moc"
