// SPDX-License-Identifier: GPL-3.0-or-later
// PictureExport: copies into a folder that already holds entries of the same names,
// unreadable pictures, a cancel midway, a folder that is missing and writes that fail.

#include "ExportFixtures.h"
#include "history/export/ExportRange.h"
#include "history/export/PictureExport.h"
#include "support/FileFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace ExportFixtures;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPictureExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void takesFreeNames_data();
    void takesFreeNames();
    void skipsUnreadablePictures();
    void cancelMidwayLeavesWholeCopies();
    void missingFolderFails_data();
    void missingFolderFails();
    void failedWriteStopsAndLeavesNoPartialFile();
    void itemsBetween_data();
    void itemsBetween();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_cam;
    QString m_target;
};

void TestPictureExport::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_cam = m_root->filePath(QStringLiteral("cam"));
    m_target = m_root->filePath(QStringLiteral("export"));
    QVERIFY(QDir().mkpath(m_cam));
    QVERIFY(QDir().mkpath(m_target));
}

void TestPictureExport::takesFreeNames_data()
{
    // What stands in the target folder before the copy, under the picture's name
    // ("=" marks the picture's own name, "=_2" its second numbered one), and the name
    // the copy must take.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty folder") << QStringList() << QStringList() << QStringList() << "=";
    QTest::newRow("a file of that name") << QStringList {"="} << QStringList() << QStringList() << "=_2";
    QTest::newRow("that name and _2 taken")
        << QStringList {"=", "=_2"} << QStringList() << QStringList() << "=_3";
    QTest::newRow("only _2 taken") << QStringList {"=_2"} << QStringList() << QStringList() << "=";
    QTest::newRow("a folder of that name") << QStringList() << QStringList {"="} << QStringList() << "=_2";
    QTest::newRow("a dangling link of that name")
        << QStringList() << QStringList() << QStringList {"="} << "=_2";
}

void TestPictureExport::takesFreeNames()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, links);
    QFETCH(QString, expected);
    const ExportItems items = savePictures(m_cam, 2, QSize(64, 48));
    const QString base = QFileInfo(items[0].path).completeBaseName();
    const auto name = [&base](QString pattern) {
        return pattern.replace(QLatin1Char('='), base) + QStringLiteral(".jpg");
    };
    const QByteArray old("an older file of the user's");
    for (const QString &file : files) {
        QFile existing(m_target + QLatin1Char('/') + name(file));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write(old);
    }
    for (const QString &folder : folders)
        QVERIFY(QDir(m_target).mkdir(name(folder)));
    for (const QString &link : links)
        QVERIFY(QFile::link(
            m_root->filePath(QStringLiteral("nowhere")), m_target + QLatin1Char('/') + name(link)));

    PictureExport task(items, m_target);
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Finished);
    QCOMPARE(outcome.written, 2);
    QCOMPARE(outcome.skipped, 0);
    QCOMPARE(outcome.path, m_target);
    QCOMPARE(contents(m_target + QLatin1Char('/') + name(expected)), contents(items[0].path));
    QCOMPARE(
        contents(m_target + QLatin1Char('/') + QFileInfo(items[1].path).fileName()), contents(items[1].path));
    for (const QString &file : files)
        QCOMPARE(contents(m_target + QLatin1Char('/') + name(file)), old);
    for (const QString &folder : folders)
        QVERIFY(QFileInfo(m_target + QLatin1Char('/') + name(folder)).isDir());
    for (const QString &link : links)
        QVERIFY(QFileInfo(m_target + QLatin1Char('/') + name(link)).isSymLink());
    QVERIFY(!QFileInfo::exists(m_root->filePath(QStringLiteral("nowhere"))));
    QCOMPARE(entries(m_target).size(), files.size() + folders.size() + links.size() + 2);
}

void TestPictureExport::skipsUnreadablePictures()
{
    ExportItems items = savePictures(m_cam, 3, QSize(32, 32));
    items.insert(1, {items[0].time.addMSecs(500), m_cam + QStringLiteral("/GateGone.jpg")});
    items.insert(2, {items[0].time.addMSecs(700), m_cam}); // a folder, not a picture
    PictureExport task(items, m_target);
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Finished);
    QCOMPARE(outcome.written, 3);
    QCOMPARE(outcome.skipped, 2);
    QCOMPARE(outcome.skippedPaths, (QStringList {items[1].path, items[2].path}));
    QCOMPARE(entries(m_target).size(), 3);
}

void TestPictureExport::cancelMidwayLeavesWholeCopies()
{
    const ExportItems items = savePictures(m_cam, 40, QSize(320, 240));
    PictureExport task(items, m_target);
    QList<int> reported;
    // Cancelled from the task's own thread at the first report: the copy that follows is
    // never started.
    connect(
        &task, &ExportTask::progress, &task,
        [&](int done, int total) {
            reported.append(done);
            QCOMPARE(total, 40);
            task.cancel();
        },
        Qt::DirectConnection);
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Cancelled);
    QCOMPARE(reported, QList<int> {1});
    QCOMPARE(outcome.written, 1);
    QVERIFY(outcome.path.isEmpty());
    // The one copy is whole, and nothing else (no temporary file) is in the folder.
    QCOMPARE(entries(m_target), QStringList {QFileInfo(items[0].path).fileName()});
    QCOMPARE(contents(m_target + QLatin1Char('/') + entries(m_target).first()), contents(items[0].path));
}

void TestPictureExport::missingFolderFails_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a file") << "cam/file";
}

void TestPictureExport::missingFolderFails()
{
    QFETCH(QString, folder);
    const ExportItems items = savePictures(m_cam, 1, QSize(16, 16));
    const QString path = m_root->filePath(folder);
    QFile(m_root->filePath(QStringLiteral("cam/file"))).open(QIODevice::WriteOnly);
    PictureExport task(items, path);
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Failed);
    QCOMPARE(outcome.failure, ExportOutcome::Failure::FolderMissing);
    QCOMPARE(outcome.detail, path);
    QCOMPARE(outcome.written, 0);
}

void TestPictureExport::failedWriteStopsAndLeavesNoPartialFile()
{
    // The first picture fits under the file-size limit, the second does not.
    ExportItems items = savePictures(m_cam, QList<QSize> {QSize(8, 8), QSize(1200, 900), QSize(8, 8)});
    const qint64 small = QFileInfo(items[0].path).size();
    QVERIFY(QFileInfo(items[1].path).size() > small + 100);
    QString folderText;
    {
        FileSizeLimit limit(rlim_t(small + 50));
        QVERIFY(limit.active());
        PictureExport task(items, m_target);
        const ExportOutcome outcome = runToEnd(task);
        QCOMPARE(outcome.status, ExportOutcome::Status::Failed);
        QCOMPARE(outcome.failure, ExportOutcome::Failure::WriteFailed);
        QCOMPARE(outcome.written, 1);
        folderText = outcome.detail;
    }
    QCOMPARE(folderText, qt_error_string(EFBIG));
    QCOMPARE(entries(m_target), QStringList {QFileInfo(items[0].path).fileName()});
}

void TestPictureExport::itemsBetween_data()
{
    // Pictures at 12:00:00, :00.500, :01, :02.900, :04 and :05; the range in seconds from
    // 12:00:00 (-1: open), and the pictures it takes.
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("all") << 0 << 5 << QList<int> {0, 1, 2, 3, 4, 5};
    QTest::newRow("open ends") << -1 << -1 << QList<int> {0, 1, 2, 3, 4, 5};
    QTest::newRow("a second holds its fractions") << 0 << 0 << QList<int> {0, 1};
    QTest::newRow("the last second whole") << 2 << 2 << QList<int> {3};
    QTest::newRow("a second without pictures") << 3 << 3 << QList<int> {};
    QTest::newRow("inner range") << 1 << 4 << QList<int> {2, 3, 4};
    QTest::newRow("open start") << -1 << 1 << QList<int> {0, 1, 2};
    QTest::newRow("open end") << 4 << -1 << QList<int> {4, 5};
    QTest::newRow("to before from") << 4 << 1 << QList<int> {};
    QTest::newRow("after the last") << 6 << 9 << QList<int> {};
}

void TestPictureExport::itemsBetween()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, expected);
    const QDateTime noon(QDate(2026, 12, 9), QTime(12, 0, 0));
    ExportItems items;
    for (const int ms : {0, 500, 1000, 2900, 4000, 5000})
        items.append({noon.addMSecs(ms), QString::number(items.size())});
    const auto at = [&noon](int second) { return second < 0 ? QDateTime() : noon.addSecs(second); };
    QStringList taken;
    for (const ExportItem &item : ::itemsBetween(items, at(from), at(to)))
        taken.append(item.path);
    QStringList wanted;
    for (const int i : expected)
        wanted.append(QString::number(i));
    QCOMPARE(taken, wanted);
    QCOMPARE(countBetween(items, at(from), at(to)), expected.size());
}

QTEST_GUILESS_MAIN(TestPictureExport)
#include "tst_pictureexport.moc"
