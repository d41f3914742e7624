// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SavedPictureName.h"
#include "monitor/PictureAcceptance.h"

#include <QTest>

class TestSavedPictureName : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatAutosaveWrote_data();
    void readsWhatAutosaveWrote();
    void namesThatAreNotSavedPictures_data();
    void namesThatAreNotSavedPictures();
    void monthAndDayTextsWithTwoReadings();
    void cameraPrefix_data();
    void cameraPrefix();
    void localTimeKeyRoundTrip();
};

void TestSavedPictureName::readsWhatAutosaveWrote_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("camera");
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<int>("variant");

    const QDateTime morning(QDate(2013, 3, 27), QTime(3, 54, 30));
    const QDateTime noon(QDate(2024, 12, 31), QTime(12, 0, 0));
    const QDateTime midnight(QDate(2025, 1, 1), QTime(0, 0, 5));
    const QDateTime evening(QDate(2026, 10, 9), QTime(23, 59, 59));
    for (const char *locale : {"en_US", "de_DE", "fr_FR", "es_ES", "en_GB", "ja_JP", "C"}) {
        QTest::addRow("%s morning", locale) << locale << "Front Door" << morning << 1;
        QTest::addRow("%s noon", locale) << locale << "Garage" << noon << 1;
        QTest::addRow("%s midnight", locale) << locale << "a/b:c" << midnight << 1;
        QTest::addRow("%s evening _2", locale) << locale << "Yard 2" << evening << 2;
        QTest::addRow("%s evening _999", locale) << locale << "Yard" << evening << 999;
        QTest::addRow("%s digits in name", locale) << locale << "Cam 12" << noon << 1;
        QTest::addRow("%s dot name", locale) << locale << ".hidden" << morning << 1;
    }
}

void TestSavedPictureName::readsWhatAutosaveWrote()
{
    QFETCH(QString, locale);
    QFETCH(QString, camera);
    QFETCH(QDateTime, at);
    QFETCH(int, variant);
    const QLocale loc(locale);
    QString name = autosaveFileName(camera, at, loc);
    if (variant > 1)
        name.insert(name.size() - 4, QStringLiteral("_%1").arg(variant));
    const QString prefix = NamePattern::cameraPrefix(camera);
    QVERIFY2(name.startsWith(prefix), qPrintable(name));

    const NamePattern pattern(loc);
    QVERIFY(pattern.isValid());
    const NamePattern::Reading reading = pattern.read(name, prefix.size());
    QVERIFY2(reading.matches, qPrintable(name));
    QVERIFY2(reading.times.contains(LocalTimeKey::of(at)), qPrintable(name));
    QCOMPARE(reading.variant, variant);
}

void TestSavedPictureName::namesThatAreNotSavedPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("looksSaved");
    // en_US names of camera "Cam".
    QTest::newRow("no time") << "Cam.jpg" << false;
    QTest::newRow("letters after the name") << "Camera327201335430AM.jpg" << false;
    QTest::newRow("another extension") << "Cam327201335430AM.png" << false;
    QTest::newRow("leftover temporary copy") << "Cam327201335430AM.jpg.a1B2c3" << false;
    QTest::newRow("month 13") << "Cam13312013115430AM.jpg" << true;
    QTest::newRow("hour 13 with AM") << "Cam3272013135430AM.jpg" << true;
    QTest::newRow("another locale's date") << "Cam27.03.2013035430.jpg" << true;
    QTest::newRow("cut short") << "Cam32720133543.jpg" << true;
    QTest::newRow("variant 1 is never written") << "Cam327201335430AM_1.jpg" << true;
    QTest::newRow("variant with a leading zero") << "Cam327201335430AM_02.jpg" << true;
    QTest::newRow("variant over 999") << "Cam327201335430AM_1000.jpg" << true;
}

void TestSavedPictureName::namesThatAreNotSavedPictures()
{
    QFETCH(QString, name);
    QFETCH(bool, looksSaved);
    const NamePattern pattern(QLocale(QStringLiteral("en_US")));
    const NamePattern::Reading reading = pattern.read(name, 3);
    QVERIFY2(!reading.matches, qPrintable(name));
    QVERIFY(reading.times.isEmpty());
    QCOMPARE(reading.looksSaved, looksSaved);
}

void TestSavedPictureName::monthAndDayTextsWithTwoReadings()
{
    // "1/11/2013" and "11/1/2013" both clean to "1112013": the name stands for either day.
    const QLocale us(QStringLiteral("en_US"));
    const QDateTime january(QDate(2013, 1, 11), QTime(10, 5, 0));
    const QDateTime november(QDate(2013, 11, 1), QTime(10, 5, 0));
    QCOMPARE(autosaveFileName(QStringLiteral("C"), january, us), autosaveFileName(QStringLiteral("C"), november, us));
    const NamePattern::Reading reading = NamePattern(us).read(autosaveFileName(QStringLiteral("C"), january, us), 1);
    QVERIFY(reading.matches);
    QCOMPARE(QList<qint64>(reading.times.begin(), reading.times.end()),
             (QList<qint64> {LocalTimeKey::of(january), LocalTimeKey::of(november)}));
}

void TestSavedPictureName::cameraPrefix_data()
{
    QTest::addColumn<QString>("camera");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("spaces") << "Front Door" << "FrontDoor";
    QTest::newRow("slashes and colons") << "a/b\\c:d" << "abcd";
    QTest::newRow("dot first") << ". cam" << "_.cam";
    QTest::newRow("only removed characters") << " / " << "";
    QTest::newRow("control character") << QStringLiteral("x\ty") << "xy";
}

void TestSavedPictureName::cameraPrefix()
{
    QFETCH(QString, camera);
    QFETCH(QString, prefix);
    QCOMPARE(NamePattern::cameraPrefix(camera), prefix);
}

void TestSavedPictureName::localTimeKeyRoundTrip()
{
    for (const QDateTime &at : {QDateTime(QDate(1970, 1, 1), QTime(0, 0)), QDateTime(QDate(2026, 6, 15), QTime(2, 30)),
                                QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59, 999))}) {
        QCOMPARE(LocalTimeKey::toDateTime(LocalTimeKey::of(at)), at);
    }
    QCOMPARE(LocalTimeKey::of(QDateTime(QDate(2020, 1, 2), QTime(0, 0))) - LocalTimeKey::of(QDateTime(QDate(2020, 1, 1), QTime(0, 0))),
             LocalTimeKey::MsecsPerDay);
}

QTEST_GUILESS_MAIN(TestSavedPictureName)
#include "tst_savedpicturename.moc"
