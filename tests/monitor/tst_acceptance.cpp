// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/PictureAcceptance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

const QLocale EnUs(QLocale::English, QLocale::UnitedStates);

QDateTime frontDoorTime()
{
    return QDateTime(QDate(2013, 3, 27), QTime(3, 54, 30));
}

} // namespace

class TestAcceptance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesImage_data();
    void namesImage();
    void lastModified_data();
    void lastModified();
    void successivePictures();
    void dateAndTime_data();
    void dateAndTime();
    void everyLocaleHasYearSecondsNoZone();
    void saveName_data();
    void saveName();
    void cleanName_data();
    void cleanName();
    void freeName_data();
    void freeName();
};

void TestAcceptance::namesImage_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("image");
    QTest::newRow("jpeg") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg") << true;
    QTest::newRow("capitals") << QByteArray("HTTP/1.1 200 OK\r\nCONTENT-TYPE: IMAGE/JPEG") << true;
    QTest::newRow("anywhere") << QByteArray("HTTP/1.1 302 Found\r\nLocation: /image/x") << true;
    QTest::newRow("html") << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: text/html") << false;
    QTest::newRow("no slash") << QByteArray("Content-Type: image") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestAcceptance::namesImage()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, image);
    QCOMPARE(headerNamesImage(header), image);
}

void TestAcceptance::lastModified_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("hasLine");
    QTest::addColumn<QString>("lm");
    QTest::addColumn<QString>("lastChangedText");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("storeNew");

    const QByteArray head("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n");
    const QString line("Last-Modified: Wed, 27 Mar 2013 03:54:30 GMT");
    const QString value(" Wed, 27 Mar 2013 03:54:30 GMT");
    const QString earlier("Last-Modified: Wed, 27 Mar 2013 03:54:00 GMT");
    QTest::newRow("no line, nothing stored")
        << head + "Server: x" << QString() << false << QString() << QString() << false << false;
    QTest::newRow("no line, stored kept")
        << head + "Server: x" << earlier << false << QString() << QString() << false << false;
    QTest::newRow("first picture") << head + line.toLatin1() + "\r\nServer: x" << QString() << true << line
                                   << value << false << true;
    QTest::newRow("same line") << head + line.toLatin1() << line << true << line << value << false << false;
    QTest::newRow("different line") << head + line.toLatin1() << earlier << true << line << value << true
                                    << true;
    QTest::newRow("lower-case label")
        << head + "last-modified: x\r\nA: b" << QString() << true << "last-modified: x"
        << " x" << false << true;
    QTest::newRow("label case differs from stored") << head + "LAST-MODIFIED: x"
                                                    << "Last-Modified: x" << true << "LAST-MODIFIED: x"
                                                    << " x" << true << true;
    QTest::newRow("inside another header")
        << head + "X-Last-Modified: y\r\nLast-Modified: z" << QString() << true << "Last-Modified: y"
        << " y" << false << true;
    QTest::newRow("every label removed") << head + "Last-Modified: a last-MODIFIED:b" << QString() << true
                                         << "Last-Modified: a last-MODIFIED:b"
                                         << " a b" << false << true;
    QTest::newRow("Latin-1 byte") << head + "Last-Modified: caf\xE9" << QString() << true
                                  << QString::fromUtf16(u"Last-Modified: caf\u00E9")
                                  << QString::fromUtf16(u" caf\u00E9") << false << true;
}

void TestAcceptance::lastModified()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, stored);
    QFETCH(bool, hasLine);
    QFETCH(QString, lm);
    QFETCH(QString, lastChangedText);
    QFETCH(bool, changed);
    QFETCH(bool, storeNew);
    const LastModifiedOutcome outcome = decideLastModified(header, stored);
    QCOMPARE(outcome.hasLine, hasLine);
    QCOMPARE(outcome.changed, changed);
    QCOMPARE(outcome.storeNew, storeNew);
    QCOMPARE(outcome.stampRefreshed, storeNew);
    if (hasLine) {
        QCOMPARE(outcome.lm, lm);
        QCOMPARE(outcome.lastChangedText, lastChangedText);
    }
}

// A slot's stored line evolving over several pictures, as the close handler keeps it.
void TestAcceptance::successivePictures()
{
    const QList<QByteArray> headers {"Content-Type: image/jpeg\r\nLast-Modified: A",
        "Content-Type: image/jpeg\r\nLast-Modified: A", "Content-Type: image/jpeg",
        "Content-Type: image/jpeg\r\nLast-Modified: B", "Content-Type: image/jpeg\r\nLast-Modified: B"};
    const QList<bool> changed {false, false, false, true, false};
    QString stored;
    for (int i = 0; i < headers.size(); ++i) {
        const LastModifiedOutcome outcome = decideLastModified(headers[i], stored);
        QCOMPARE(outcome.changed, changed[i]);
        if (outcome.storeNew)
            stored = outcome.lm;
    }
    QCOMPARE(stored, QStringLiteral("Last-Modified: B"));
}

void TestAcceptance::dateAndTime_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("en_US morning") << EnUs << frontDoorTime() << "3/27/2013"
                                   << "3:54:30 AM";
    QTest::newRow("en_US afternoon") << EnUs << QDateTime(QDate(2013, 12, 5), QTime(15, 4, 5)) << "12/5/2013"
                                     << "3:04:05 PM";
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << frontDoorTime() << "27.03.2013"
                           << "03:54:30";
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << frontDoorTime()
                           << "27/03/2013"
                           << "03:54:30";
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << frontDoorTime() << "2013/03/27"
                           << QString::fromUtf16(u"3\u664254\u520630\u79D2");
    QTest::newRow("year 2005 keeps its zero")
        << EnUs << QDateTime(QDate(2005, 1, 2), QTime(0, 0, 0)) << "1/2/2005"
        << "12:00:00 AM";
}

void TestAcceptance::dateAndTime()
{
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, at);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QCOMPARE(dateText(at, locale), date);
    QCOMPARE(timeText(at, locale), time);
    QCOMPARE(refreshedStamp(at, locale), date + QLatin1Char(' ') + time);
}

// Across every locale: the year in full, the seconds shown, no time zone.
void TestAcceptance::everyLocaleHasYearSecondsNoZone()
{
    const QDate date(2013, 3, 27);
    const QDateTime utc(date, QTime(3, 54, 30), QTimeZone::utc());
    const QDateTime offset(date, QTime(3, 54, 30), QTimeZone(7 * 3600));
    const QList<QLocale> locales
        = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    QVERIFY(locales.size() > 100);
    for (const QLocale &locale : locales) {
        const QString name = locale.name();
        QVERIFY2(
            dateText(utc, locale).contains(locale.toString(date, QStringLiteral("yyyy"))), qPrintable(name));
        QVERIFY2(timeText(utc, locale) != timeText(utc.addSecs(1), locale), qPrintable(name));
        QVERIFY2(timeText(utc, locale) == timeText(offset, locale), qPrintable(name));
        QVERIFY2(!timeText(utc, locale).isEmpty() && timeText(utc, locale) == timeText(utc, locale).trimmed(),
            qPrintable(name));
    }
}

void TestAcceptance::saveName_data()
{
    QTest::addColumn<QString>("camera");
    QTest::addColumn<QString>("file");
    const QString stamp("327201335430AM.jpg");
    QTest::newRow("Front Door") << "Front Door"
                                << "FrontDoor" + stamp;
    QTest::newRow("slashes") << "a/b/c/d"
                             << "abcd" + stamp;
    QTest::newRow("parent folder") << "../../etc/x"
                                   << "_....etcx" + stamp;
    QTest::newRow("dots only") << ".."
                               << "_.." + stamp;
    QTest::newRow("backslashes") << "..\\x\\y"
                                 << "_..xy" + stamp;
    QTest::newRow("colons") << "Cam:One:Two:Three"
                            << "CamOneTwoThree" + stamp;
    QTest::newRow("controls") << QStringLiteral("Tab\tCam\r\n\x1B") << "TabCam" + stamp;
    QTest::newRow("empty") << "" << stamp;
    QTest::newRow("non-ASCII kept") << QString::fromUtf16(u"Caf\u00E9 \u00DCber")
                                    << QString::fromUtf16(u"Caf\u00E9\u00DCber") + stamp;
}

void TestAcceptance::saveName()
{
    QFETCH(QString, camera);
    QFETCH(QString, file);
    const QString name = autosaveFileName(camera, frontDoorTime(), EnUs);
    QCOMPARE(name, file);
    const QString folder = QDir::cleanPath(QDir::tempPath() + QStringLiteral("/cam"));
    QCOMPARE(QFileInfo(folder + QLatin1Char('/') + name).absolutePath(), folder);
}

void TestAcceptance::cleanName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("clean");
    QTest::newRow("empty") << ""
                           << "_";
    QTest::newRow("dot") << "."
                         << "_.";
    QTest::newRow("dot dot") << ".."
                             << "_..";
    QTest::newRow("slash dot dot") << "/.."
                                   << "_..";
    QTest::newRow("only removable") << " /\\: "
                                    << "_";
    QTest::newRow("hidden name") << ".jpg"
                                 << "_.jpg";
    QTest::newRow("C1 control") << QString::fromUtf16(u"a\u0085b\u007F") << "ab";
    QTest::newRow("plain") << "Garden3272013.jpg"
                           << "Garden3272013.jpg";
}

void TestAcceptance::cleanName()
{
    QFETCH(QString, name);
    QFETCH(QString, clean);
    QCOMPARE(cleanFileName(name), clean);
}

void TestAcceptance::freeName_data()
{
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("free");
    const QString shot = QStringLiteral("FrontDoor327201335430AM.jpg");
    QTest::newRow("nothing there") << QStringList() << shot << shot;
    QTest::newRow("another camera") << QStringList {QStringLiteral("Yard327201335430AM.jpg")} << shot << shot;
    QTest::newRow("same second") << QStringList {shot} << shot
                                 << QStringLiteral("FrontDoor327201335430AM_2.jpg");
    QTest::newRow("third in the second")
        << QStringList {shot, QStringLiteral("FrontDoor327201335430AM_2.jpg")} << shot
        << QStringLiteral("FrontDoor327201335430AM_3.jpg");
    QTest::newRow("gap is reused") << QStringList {shot, QStringLiteral("FrontDoor327201335430AM_3.jpg")}
                                   << shot << QStringLiteral("FrontDoor327201335430AM_2.jpg");
    QTest::newRow("folder in the way") << QStringList {QStringLiteral("dir:") + shot} << shot
                                       << QStringLiteral("FrontDoor327201335430AM_2.jpg");
    // A link is an entry like any other, whether or not its target exists.
    QTest::newRow("planted link") << QStringList {QStringLiteral("link:") + shot} << shot
                                  << QStringLiteral("FrontDoor327201335430AM_2.jpg");
    QTest::newRow("dangling link then planted link")
        << QStringList {QStringLiteral("dangling:") + shot,
               QStringLiteral("link:FrontDoor327201335430AM_2.jpg")}
        << shot << QStringLiteral("FrontDoor327201335430AM_3.jpg");
    QTest::newRow("dots in the camera name")
        << QStringList {QStringLiteral("Cam.2.27.03.2013.jpg")} << QStringLiteral("Cam.2.27.03.2013.jpg")
        << QStringLiteral("Cam.2.27.03.2013_2.jpg");
    QTest::newRow("no extension") << QStringList {QStringLiteral("Gate")} << QStringLiteral("Gate")
                                  << QStringLiteral("Gate_2");
    QStringList all {shot};
    for (int n = 2; n < 1000; ++n)
        all << QStringLiteral("FrontDoor327201335430AM_%1.jpg").arg(n);
    QTest::newRow("all taken: the name itself") << all << shot << shot;
}

void TestAcceptance::freeName()
{
    QFETCH(QStringList, taken);
    QFETCH(QString, name);
    QFETCH(QString, free);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString &entry : taken) {
        if (entry.startsWith(QLatin1String("dir:"))) {
            QVERIFY(QDir(folder.path()).mkdir(entry.mid(4)));
        } else if (entry.startsWith(QLatin1String("link:"))) {
            QFile target(folder.filePath(QStringLiteral("target")));
            QVERIFY(target.open(QIODevice::WriteOnly));
            QVERIFY(QFile::link(QStringLiteral("target"), folder.filePath(entry.mid(5))));
        } else if (entry.startsWith(QLatin1String("dangling:"))) {
            QVERIFY(QFile::link(QStringLiteral("nowhere"), folder.filePath(entry.mid(9))));
        } else {
            QFile file(folder.filePath(entry));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    QCOMPARE(freeFileName(folder.path(), name), free);
}

QTEST_GUILESS_MAIN(TestAcceptance)
#include "tst_acceptance.moc"
