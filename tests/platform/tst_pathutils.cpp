// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPathUtils : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderExists_data();
    void folderExists();
    void fileExists_data();
    void fileExists();
    void fileNameOf_data();
    void fileNameOf();

private:
    QTemporaryDir m_dir;
};

void TestPathUtils::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("cam")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("full/inner")));
    QFile list(m_dir.filePath(QStringLiteral("00camlist.txt")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("Cam\n");
    list.close();
    QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("00camlist.txt")), m_dir.filePath(QStringLiteral("link.txt"))));
}

void TestPathUtils::folderExists_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("exists");
    QTest::newRow("empty folder") << "cam" << true;
    QTest::newRow("trailing slash") << "cam/" << true;
    QTest::newRow("full folder") << "full" << true;
    QTest::newRow("nested with slash") << "full/inner/" << true;
    QTest::newRow("missing") << "nothing" << false;
    QTest::newRow("other case") << "CAM" << false;
    QTest::newRow("a file") << "00camlist.txt" << false;
    QTest::newRow("a file with slash") << "00camlist.txt/" << false;
    QTest::newRow("wildcard") << "ca*" << false;
}

void TestPathUtils::folderExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, exists);
    QCOMPARE(::folderExists(m_dir.path() + QLatin1Char('/') + relative), exists);
    QVERIFY(!::folderExists(QString()));
}

void TestPathUtils::fileExists_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("exists");
    QTest::newRow("file") << "00camlist.txt" << true;
    QTest::newRow("link to file") << "link.txt" << true;
    QTest::newRow("other case") << "00Camlist.txt" << false;
    QTest::newRow("folder") << "cam" << false;
    QTest::newRow("folder with slash") << "cam/" << false;
    QTest::newRow("file with slash") << "00camlist.txt/" << false;
    QTest::newRow("missing") << "missing.txt" << false;
    QTest::newRow("wildcard") << "00camlist.*" << false;
}

void TestPathUtils::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, exists);
    QCOMPARE(::fileExists(m_dir.path() + QLatin1Char('/') + relative), exists);
    QVERIFY(!::fileExists(QString()));
}

void TestPathUtils::fileNameOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("bare name") << "Camlist.txt" << "Camlist.txt";
    QTest::newRow("slashes") << "/a/b/c.txt" << "c.txt";
    QTest::newRow("backslashes") << "a\\b\\c" << "c";
    QTest::newRow("mixed") << "C:\\cam/x\\y.jpg" << "y.jpg";
    QTest::newRow("trailing slash") << "x/" << "";
    QTest::newRow("trailing backslash") << "x\\" << "";
    QTest::newRow("root") << "/" << "";
    QTest::newRow("dots kept") << "a/..." << "...";
}

void TestPathUtils::fileNameOf()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(::fileNameOf(path), name);
}

QTEST_GUILESS_MAIN(TestPathUtils)
#include "tst_pathutils.moc"
