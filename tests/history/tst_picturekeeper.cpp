// SPDX-License-Identifier: GPL-3.0-or-later
#include "SavedPictureFixtures.h"
#include "history/PictureKeeper.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace SavedPictureFixtures;

namespace {
constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;
} // namespace

class TestPictureKeeper : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void floor_data();
    void floor();
    void settingsReadBack();
    void settingsThatDoNotRead();
    void pausesAndResumesByItself();
    void unknownSpaceNeverPauses();
    void prunesAtStartAndAfterSavesAtMostOncePerInterval();

private:
    QTemporaryDir m_root;
    LanguageTable m_languages;
};

void TestPictureKeeper::initTestCase()
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    QVERIFY(m_root.isValid());
    addDefaultMessages(m_languages);
}

void TestPictureKeeper::cleanup() { Clock::setFixed(QDateTime()); }

void TestPictureKeeper::floor_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<qint64>("minFreeMegabytes"); // -1: the automatic floor
    QTest::addColumn<bool>("wasPaused");
    QTest::addColumn<bool>("paused");

    // The automatic floor: 1 GiB on a disk of 20 GiB or more, 5 % on a smaller one.
    QTest::newRow("big disk, at 1 GiB") << 100 * GiB << GiB << qint64(-1) << false << false;
    QTest::newRow("big disk, a byte under 1 GiB") << 100 * GiB << GiB - 1 << qint64(-1) << false << true;
    QTest::newRow("small disk, at 5 %") << 10 * GiB << 512 * MiB << qint64(-1) << false << false;
    QTest::newRow("small disk, under 5 %") << 10 * GiB << 512 * MiB - 1 << qint64(-1) << false << true;
    QTest::newRow("20 GiB, both floors equal") << 20 * GiB << GiB - 1 << qint64(-1) << false << true;
    // Resuming needs the margin: a tenth of the floor, at most 64 MiB.
    QTest::newRow("paused, back at the floor only") << 100 * GiB << GiB << qint64(-1) << true << true;
    QTest::newRow("paused, a byte short of the margin") << 100 * GiB << GiB + 64 * MiB - 1 << qint64(-1) << true << true;
    QTest::newRow("paused, floor and margin") << 100 * GiB << GiB + 64 * MiB << qint64(-1) << true << false;
    QTest::newRow("small floor, small margin") << 10 * GiB << 512 * MiB + 51 * MiB + MiB / 5 << qint64(-1) << true << false;
    // The setting replaces the automatic floor; 0 turns it off.
    QTest::newRow("setting 100 MiB, above") << 100 * GiB << 100 * MiB << qint64(100) << false << false;
    QTest::newRow("setting 100 MiB, under") << 100 * GiB << 100 * MiB - 1 << qint64(100) << false << true;
    QTest::newRow("setting 0, full disk") << 100 * GiB << qint64(0) << qint64(0) << true << false;
    QTest::newRow("unknown reading") << qint64(-1) << qint64(-1) << qint64(-1) << true << false;
}

void TestPictureKeeper::floor()
{
    QFETCH(qint64, total);
    QFETCH(qint64, free);
    QFETCH(qint64, minFreeMegabytes);
    QFETCH(bool, wasPaused);
    QFETCH(bool, paused);
    DiskFloor floor;
    if (minFreeMegabytes >= 0)
        floor.setMinFreeMegabytes(minFreeMegabytes);
    if (wasPaused) {
        floor.update(DiskSpace {0, 100 * GiB});
        QVERIFY(floor.paused() || minFreeMegabytes == 0);
    }
    floor.update(DiskSpace {free, total});
    QCOMPARE(floor.paused(), paused);
}

void TestPictureKeeper::settingsReadBack()
{
    SavedPicturesSettings settings;
    settings.limits = {500, 30};
    settings.minFreeMegabytes = 2048;
    settings.cameraLimits.insert(QStringLiteral("Front Door"), {0, 7});
    settings.cameraLimits.insert(QStringLiteral("Gate, north 2"), {100, 0});
    settings.save(QStringLiteral("HistoryTest"));
    QCOMPARE(SavedPicturesSettings::load(QStringLiteral("HistoryTest")), settings);
    QCOMPARE(settings.limitsFor(QStringLiteral("Front Door")), (RetentionLimits {0, 7}));
    QCOMPARE(settings.limitsFor(QStringLiteral("Yard")), (RetentionLimits {500, 30}));

    // Nothing set: no limits and the automatic floor, as before retention existed.
    const SavedPicturesSettings fresh = SavedPicturesSettings::load(QStringLiteral("HistoryTestFresh"));
    QCOMPARE(fresh, SavedPicturesSettings());
    QVERIFY(!fresh.minFreeMegabytes);
}

void TestPictureKeeper::settingsThatDoNotRead()
{
    const QString program = QStringLiteral("HistoryTestBad");
    saveUserSetting(program, SavedPicturesKeys::Section, SavedPicturesKeys::MaxMegabytes, QStringLiteral("-5"));
    saveUserSetting(program, SavedPicturesKeys::Section, SavedPicturesKeys::MaxDays, QStringLiteral("ten"));
    saveUserSetting(program, SavedPicturesKeys::Section, SavedPicturesKeys::MinFreeMegabytes,
                    QStringLiteral("99999999999999999999"));
    saveUserSettingList(program, SavedPicturesKeys::Section, SavedPicturesKeys::CameraLimits,
                        {QStringLiteral("1 2"), QStringLiteral("x 2 Cam"), QStringLiteral("3 4 Two  spaces")});
    const SavedPicturesSettings settings = SavedPicturesSettings::load(program);
    QCOMPARE(settings.limits, RetentionLimits());
    QVERIFY(!settings.minFreeMegabytes);
    QCOMPARE(settings.cameraLimits.size(), 1);
    QCOMPARE(settings.cameraLimits.value(QStringLiteral("Two  spaces")), (RetentionLimits {3, 4}));
}

void TestPictureKeeper::pausesAndResumesByItself()
{
    PictureKeeper keeper(m_root.path(), m_languages);
    std::atomic<qint64> free {10 * GiB};
    keeper.setDiskReader([&free](const QString &) { return DiskSpace {free.load(), 100 * GiB}; });
    keeper.setIntervals(60'000, 50);
    QSignalSpy pauses(&keeper, &PictureKeeper::autosavePauseChanged);
    QSignalSpy checks(&keeper, &PictureKeeper::spaceChecked);
    keeper.start();
    QVERIFY(checks.wait());
    QVERIFY(keeper.mayAutosave());
    QCOMPARE(pauses.size(), 0);

    // The disk fills; the next save reads the space (the interval since the last reading is over).
    free = 300 * MiB;
    QTest::qWait(60);
    keeper.pictureSaved(m_root.filePath(QStringLiteral("x.jpg")));
    QTRY_COMPARE(pauses.size(), 1);
    QCOMPARE(pauses[0][0].toBool(), true);
    QVERIFY(!keeper.mayAutosave());
    const QString text = pauses[0][1].toString();
    QVERIFY2(text.contains(QStringLiteral("300.0 MB")) && text.contains(QStringLiteral("1.0 GB")), qPrintable(text));
    QCOMPARE(keeper.pauseText(), text);

    // Space comes back with no save at all: the keeper finds it by itself.
    free = 5 * GiB;
    QTRY_COMPARE(pauses.size(), 2);
    QCOMPARE(pauses[1][0].toBool(), false);
    QVERIFY(keeper.mayAutosave());
    QVERIFY(keeper.pauseText().isEmpty());
}

void TestPictureKeeper::unknownSpaceNeverPauses()
{
    // A folder on no readable disk: the reading is unknown, autosave goes on (its writes fail
    // and are reported as any failed write).
    PictureKeeper keeper(m_root.filePath(QStringLiteral("no/such/folder")), m_languages);
    QSignalSpy checks(&keeper, &PictureKeeper::spaceChecked);
    keeper.setDiskReader([](const QString &) { return DiskSpace {}; });
    keeper.start();
    QVERIFY(checks.wait());
    QVERIFY(keeper.mayAutosave());
}

void TestPictureKeeper::prunesAtStartAndAfterSavesAtMostOncePerInterval()
{
    const QString folder = m_root.filePath(QStringLiteral("keep"));
    QVERIFY(QDir().mkpath(folder));
    const QDateTime now(QDate(2026, 6, 10), QTime(12, 0, 0));
    Clock::setFixed(now);
    for (int i = 0; i < 4; ++i)
        writePicture(folder, QStringLiteral("Yard"), now.addDays(-10 - i));
    const QString recent = writePicture(folder, QStringLiteral("Yard"), now.addSecs(-60));
    const QString gate = writePicture(folder, QStringLiteral("Gate"), now.addDays(-100));

    PictureKeeper keeper(folder, m_languages);
    keeper.setDiskReader([](const QString &) { return DiskSpace {50 * GiB, 100 * GiB}; });
    keeper.setIntervals(400, 10'000);
    keeper.setCameraNames([] { return QStringList {QStringLiteral("Yard"), QStringLiteral("Gate")}; });
    SavedPicturesSettings settings;
    settings.cameraLimits.insert(QStringLiteral("Yard"), {0, 7});
    keeper.setSettings(settings);
    QSignalSpy pruned(&keeper, &PictureKeeper::pruneFinished);
    keeper.start();
    QVERIFY(pruned.wait());
    QCOMPARE(pruned[0][0].toInt(), 4);
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList {gate, recent}));

    // Saves right after a pruning wait for the interval; several saves make one run.
    writePicture(folder, QStringLiteral("Yard"), now.addDays(-8));
    keeper.pictureSaved(QString());
    keeper.pictureSaved(QString());
    QTest::qWait(100);
    QCOMPARE(pruned.size(), 1);
    QTRY_COMPARE(pruned.size(), 2);
    QCOMPARE(pruned[1][0].toInt(), 1);
    QTest::qWait(500);
    QCOMPARE(pruned.size(), 2);
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList {gate, recent}));
}

QTEST_GUILESS_MAIN(TestPictureKeeper)
#include "tst_picturekeeper.moc"
