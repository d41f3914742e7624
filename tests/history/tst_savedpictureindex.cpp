// SPDX-License-Identifier: GPL-3.0-or-later
#include "SavedPictureFixtures.h"
#include "history/SavedPictureIndex.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

using namespace SavedPictureFixtures;

class TestSavedPictureIndex : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void hundredThousandPicturesInTimeOrder();
    void onlyThisCamerasRegularFiles();
    void namesClaimedByTwoCameras_data();
    void namesClaimedByTwoCameras();
    void timeFromTheFileWhereTheNameCannotSay();
    void sameSecondVariantsFollowThePlainName();
    void insertTakesItsPlaceOnce_data();
    void insertTakesItsPlaceOnce();
    void missingFolder();
    void indexAtOrBefore();

private:
    // A plain name, its _2 and _10 variants, and a picture a second later; scanned.
    SavedPictureIndex scanVariants();
    const QDateTime VariantsTime {QDate(2026, 7, 8), QTime(9, 10, 11)};

    QTemporaryDir m_dir;
};

SavedPictureIndex TestSavedPictureIndex::scanVariants()
{
    const QString folder = m_dir.filePath(QStringLiteral("variants"));
    QDir().mkpath(folder);
    QString base = autosaveFileName(QStringLiteral("Yard"), VariantsTime);
    base.chop(4);
    for (const QString &suffix : {QStringLiteral("_10.jpg"), QStringLiteral("_2.jpg"), QStringLiteral(".jpg")})
        writeFile(folder, base + suffix, 1);
    writePicture(folder, QStringLiteral("Yard"), VariantsTime.addSecs(1));
    return SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {}, NamePattern(), {});
}

void TestSavedPictureIndex::initTestCase()
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    QVERIFY(m_dir.isValid());
}

void TestSavedPictureIndex::hundredThousandPicturesInTimeOrder()
{
    const QString folder = m_dir.filePath(QStringLiteral("many"));
    QVERIFY(QDir().mkpath(folder));
    // A picture every 7 seconds from 2025-12-30 on: 100,000 pictures span eight days, the
    // turn of the year and several month/day texts, and are written in an order that is not
    // their time order.
    const QDateTime start(QDate(2025, 12, 30), QTime(0, 0, 0));
    constexpr int Count = 100'000;
    for (int i = 0; i < Count; ++i) {
        const int n = (i * 7919) % Count; // a permutation of 0..Count-1
        QVERIFY(!writePicture(folder, QStringLiteral("Yard"), start.addSecs(qint64(n) * 7), 1).isEmpty());
    }
    // Another camera's pictures and a foreign file in the same folder.
    for (int i = 0; i < 50; ++i)
        writePicture(folder, QStringLiteral("Gate"), start.addSecs(i), 1);
    QVERIFY(writeFile(folder, QStringLiteral("Yard notes.txt"), 10));

    QElapsedTimer timer;
    timer.start();
    const SavedPictureIndex index = SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {QStringLiteral("Gate")},
                                                            NamePattern(), {});
    qInfo("index of %lld pictures in %lld ms", qint64(index.size()), timer.elapsed());
    QCOMPARE(index.size(), Count);
    for (qsizetype i = 1; i < index.size(); ++i)
        QVERIFY(index.pictures()[size_t(i - 1)].time < index.pictures()[size_t(i)].time);
    QCOMPARE(index.pictures().front().time, LocalTimeKey::of(start));
    QCOMPARE(index.pictures().back().time, LocalTimeKey::of(start.addSecs(qint64(Count - 1) * 7)));
    QCOMPARE(index.pictures().back().fileName, autosaveFileName(QStringLiteral("Yard"), start.addSecs(qint64(Count - 1) * 7)));

    const SavedPictureIndex sized = SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {}, NamePattern(),
                                                            {SavedPictureIndex::Ownership::Certain, true});
    QCOMPARE(sized.size(), Count);
    QCOMPARE(sized.totalBytes(), qint64(Count));
}

void TestSavedPictureIndex::onlyThisCamerasRegularFiles()
{
    const QString folder = m_dir.filePath(QStringLiteral("mixed"));
    QVERIFY(QDir().mkpath(folder));
    const QDateTime at(QDate(2026, 5, 4), QTime(8, 30, 0));
    const QString mine = writePicture(folder, QStringLiteral("Front Door"), at);
    writePicture(folder, QStringLiteral("Back Door"), at);
    // A link with a picture's name, a folder with one, and a file of another extension.
    const QString linkName = autosaveFileName(QStringLiteral("Front Door"), at.addSecs(1));
    QVERIFY(QFile::link(folder + QLatin1Char('/') + mine, folder + QLatin1Char('/') + linkName));
    QVERIFY(QDir(folder).mkdir(autosaveFileName(QStringLiteral("Front Door"), at.addSecs(2))));
    QVERIFY(writeFile(folder, QStringLiteral("FrontDoor542026830AM.png"), 5));
    QVERIFY(writeFile(folder, QStringLiteral("FrontDoor.jpg"), 5));

    const SavedPictureIndex index
        = SavedPictureIndex::scan(folder, QStringLiteral("Front Door"), {QStringLiteral("Back Door")}, NamePattern(), {});
    QCOMPARE(index.size(), 1);
    QCOMPARE(index.pictures().front().fileName, mine);
    QCOMPARE(index.filePath(0), folder + QLatin1Char('/') + mine);
}

void TestSavedPictureIndex::namesClaimedByTwoCameras_data()
{
    QTest::addColumn<QString>("camera");
    QTest::addColumn<int>("likely");
    QTest::addColumn<int>("certain");
    QTest::addColumn<QStringList>("cameras");
    const QStringList two {QStringLiteral("Cam"), QStringLiteral("Cam1")};
    const QStringList three {QStringLiteral("Cam"), QStringLiteral("Cam1"), QStringLiteral("Cam 1")};
    // "Cam" at 11/11/2026 and "Cam1" at 1/11/2026 share the name "Cam1111202610...".
    QTest::newRow("shorter name") << "Cam" << 1 << 1 << two;
    QTest::newRow("longer name") << "Cam1" << 2 << 1 << two;
    QTest::newRow("same prefix as Cam1") << "Cam 1" << 2 << 0 << three;
    QTest::newRow("Cam1 beside Cam 1") << "Cam1" << 2 << 0 << three;
    QTest::newRow("shorter name beside both") << "Cam" << 1 << 1 << three;
}

void TestSavedPictureIndex::namesClaimedByTwoCameras()
{
    QFETCH(QString, camera);
    QFETCH(int, likely);
    QFETCH(int, certain);
    QFETCH(QStringList, cameras);
    const QString folder = m_dir.filePath(QStringLiteral("claims"));
    if (!QFileInfo::exists(folder)) {
        QVERIFY(QDir().mkpath(folder));
        // Both cameras could have written this one.
        writePicture(folder, QStringLiteral("Cam"), QDateTime(QDate(2026, 11, 11), QTime(10, 0, 0)));
        // Only "Cam" could: "Cam23202640506AM" does not begin with "Cam1".
        writePicture(folder, QStringLiteral("Cam"), QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)));
        // Only "Cam1" could: "11225202690000AM" reads as no time after "Cam".
        writePicture(folder, QStringLiteral("Cam1"), QDateTime(QDate(2026, 12, 25), QTime(9, 0, 0)));
    }
    QCOMPARE(SavedPictureIndex::scan(folder, camera, cameras, NamePattern(), {}).size(), likely);
    QCOMPARE(SavedPictureIndex::scan(folder, camera, cameras, NamePattern(), {SavedPictureIndex::Ownership::Certain})
                 .size(),
             certain);
}

void TestSavedPictureIndex::timeFromTheFileWhereTheNameCannotSay()
{
    const QString folder = m_dir.filePath(QStringLiteral("mtime"));
    QVERIFY(QDir().mkpath(folder));
    // Written under another locale: its date is not one this locale writes.
    const QString foreign = QStringLiteral("Yard27.03.2013035430.jpg");
    QVERIFY(writeFile(folder, foreign, 10));
    const QDateTime written(QDate(2013, 3, 27), QTime(3, 54, 30));
    struct utimbuf times {written.toSecsSinceEpoch(), written.toSecsSinceEpoch()};
    QCOMPARE(::utime(QFile::encodeName(folder + QLatin1Char('/') + foreign).constData(), &times), 0);
    // Two readings: the one nearer the file's time wins.
    const QLocale us(QStringLiteral("en_US"));
    const QDateTime november(QDate(2013, 11, 1), QTime(10, 5, 0));
    const QString twoReadings = writePicture(folder, QStringLiteral("Yard"), november);
    struct utimbuf late {november.toSecsSinceEpoch(), november.toSecsSinceEpoch()};
    QCOMPARE(::utime(QFile::encodeName(folder + QLatin1Char('/') + twoReadings).constData(), &late), 0);

    const SavedPictureIndex index = SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {}, NamePattern(), {});
    QCOMPARE(index.size(), 2);
    QCOMPARE(index.pictures()[0].fileName, foreign);
    QVERIFY(!index.pictures()[0].timeFromName);
    QCOMPARE(index.pictures()[0].time, LocalTimeKey::of(written));
    QCOMPARE(index.pictures()[1].time, LocalTimeKey::of(november));
    QVERIFY(index.pictures()[1].timeFromName);
    // Pruning never deletes what the name cannot date.
    QCOMPARE(SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {}, NamePattern(),
                                     {SavedPictureIndex::Ownership::Certain})
                 .size(),
             1);
}

void TestSavedPictureIndex::sameSecondVariantsFollowThePlainName()
{
    const QDateTime at = VariantsTime;
    const QString plain = autosaveFileName(QStringLiteral("Yard"), at);
    const SavedPictureIndex index = scanVariants();
    QCOMPARE(index.size(), 4);
    QCOMPARE(index.pictures()[0].fileName, plain);
    QCOMPARE(index.pictures()[1].variant, 2);
    QCOMPARE(index.pictures()[2].variant, 10);
    QCOMPARE(index.pictures()[3].time, LocalTimeKey::of(at.addSecs(1)));
}

void TestSavedPictureIndex::insertTakesItsPlaceOnce_data()
{
    QTest::addColumn<QString>("suffix"); // after the plain name's base; "" for the plain name
    QTest::addColumn<int>("seconds");    // the picture's time after the listed plain one
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("position");   // -1: listed already, nothing changes
    QTest::newRow("later") << ".jpg" << 2 << 1 << 4;
    QTest::newRow("earlier") << ".jpg" << -5 << 1 << 0;
    QTest::newRow("variant between two") << "_3.jpg" << 0 << 3 << 2;
    QTest::newRow("variant after all of its second") << "_11.jpg" << 0 << 11 << 3;
    QTest::newRow("the plain name again") << ".jpg" << 0 << 1 << -1;
    QTest::newRow("a variant again") << "_10.jpg" << 0 << 10 << -1;
}

void TestSavedPictureIndex::insertTakesItsPlaceOnce()
{
    QFETCH(QString, suffix);
    QFETCH(int, seconds);
    QFETCH(int, variant);
    QFETCH(int, position);
    const QDateTime at = VariantsTime;
    SavedPictureIndex index = scanVariants();
    QCOMPARE(index.size(), 4);
    QString name = autosaveFileName(QStringLiteral("Yard"), at.addSecs(seconds));
    name.chop(4);
    name += suffix;
    SavedPicture picture;
    picture.fileName = name;
    picture.time = LocalTimeKey::of(at.addSecs(seconds));
    picture.variant = variant;
    QCOMPARE(index.insert(picture), position);
    QCOMPARE(index.size(), position < 0 ? 4 : 5);
    QVERIFY(index.find(name, picture.time) >= 0);
    if (position >= 0)
        QCOMPARE(index.find(name, picture.time), position);
    QCOMPARE(index.find(name, picture.time + 1000), -1);
    for (qsizetype i = 1; i < index.size(); ++i) {
        const SavedPicture &a = index.pictures()[size_t(i - 1)];
        const SavedPicture &b = index.pictures()[size_t(i)];
        QVERIFY(a.time < b.time || (a.time == b.time && a.variant < b.variant));
    }
}

void TestSavedPictureIndex::missingFolder()
{
    const SavedPictureIndex index = SavedPictureIndex::scan(m_dir.filePath(QStringLiteral("absent")),
                                                            QStringLiteral("Yard"), {}, NamePattern(), {});
    QVERIFY(index.isEmpty());
    QCOMPARE(index.indexAtOrBefore(0), -1);
}

void TestSavedPictureIndex::indexAtOrBefore()
{
    const QString folder = m_dir.filePath(QStringLiteral("seek"));
    QVERIFY(QDir().mkpath(folder));
    const QDateTime at(QDate(2026, 7, 8), QTime(9, 0, 0));
    for (int i = 0; i < 3; ++i)
        writePicture(folder, QStringLiteral("Yard"), at.addSecs(i * 60));
    const SavedPictureIndex index = SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {}, NamePattern(), {});
    QCOMPARE(index.indexAtOrBefore(LocalTimeKey::of(at) - 1), 0);
    QCOMPARE(index.indexAtOrBefore(LocalTimeKey::of(at)), 0);
    QCOMPARE(index.indexAtOrBefore(LocalTimeKey::of(at.addSecs(119))), 1);
    QCOMPARE(index.indexAtOrBefore(LocalTimeKey::of(at.addSecs(120))), 2);
    QCOMPARE(index.indexAtOrBefore(LocalTimeKey::of(at.addDays(1))), 2);
}

QTEST_GUILESS_MAIN(TestSavedPictureIndex)
#include "tst_savedpictureindex.moc"
