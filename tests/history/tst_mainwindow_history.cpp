// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "history/PictureKeeper.h"
#include "history/SavedPicturesSettings.h"
#include "history/ui/HistoryWindow.h"
#include "localization/LocalizationFile.h"
#include "monitor/PictureAcceptance.h"
#include "platform/SettingsStore.h"
#include "support/FixedClock.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <atomic>

using namespace fixture;

namespace {
constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;

QByteArray shippedLocalization()
{
    QFile f(QStringLiteral(":/Localization.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList camFiles(const TempAppFolder &folder)
{
    return QDir(folder.file(QStringLiteral("cam"))).entryList(QDir::Files);
}
} // namespace

class TestMainWindowHistory : public QObject
{
    Q_OBJECT
private slots:
    void autosavePausesAtTheFloor_data();
    void autosavePausesAtTheFloor();
    void windowsFromTheMenusAndTheViewer();
    void prunesTheListedCamerasAtStart();

private:
    std::unique_ptr<TestWindow> started(const QString &language);
};

std::unique_ptr<TestWindow> TestMainWindowHistory::started(const QString &language)
{
    auto w = std::make_unique<TestWindow>(
        QList<Camera> {{QStringLiteral("Front Door"), QStringLiteral("http://127.0.0.1:9/a.jpg")}}, false);
    loadIdentity();
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, language);
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    w->folder.write(QLatin1String(LocalizationFileName), shippedLocalization());
    w->window->load();
    return w;
}

void TestMainWindowHistory::autosavePausesAtTheFloor_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("pausedText");
    QTest::newRow("English") << "English" << "Saved Pictures…" << "Autosave paused: only 300.0 MB free";
    QTest::newRow("German") << "Deutsch" << "Gespeicherte Bilder…" << "Automatisches Speichern angehalten: nur 300.0 MB";
}

void TestMainWindowHistory::autosavePausesAtTheFloor()
{
    QFETCH(QString, language);
    QFETCH(QString, menuItem);
    QFETCH(QString, pausedText);
    const QDateTime now(QDate(2026, 3, 27), QTime(3, 54, 30));
    FixedClock clock(now);
    std::unique_ptr<TestWindow> w = started(language);
    QCOMPARE(control<QAction>(w->window.get(), "mnuFileItem", 2)->text(), menuItem);
    PictureKeeper *keeper = w->window->pictureKeeper();
    QVERIFY(keeper);
    QCOMPARE(keeper->folder(), w->folder.file(QStringLiteral("cam")));

    std::atomic<qint64> free {300 * MiB};
    keeper->setDiskReader([&free](const QString &) { return DiskSpace {free.load(), 100 * GiB}; });
    keeper->setIntervals(60'000, 50);
    QSignalSpy pauses(keeper, &PictureKeeper::autosavePauseChanged);
    keeper->checkSpace();
    QTRY_COMPARE(pauses.size(), 1);
    QVERIFY(w->window->cameras().autosavePaused());
    auto *label = control<QLabel>(w->window.get(), "lblAutosavePaused");
    QVERIFY(label->isVisible() || !w->window->isVisible());
    QVERIFY2(label->text().startsWith(pausedText), qPrintable(label->text()));
    QVERIFY(w->window->statusText().startsWith(pausedText));

    // A changed picture while paused is shown and not saved.
    w->open(QStringLiteral("Front Door"));
    control<QCheckBox>(w->window.get(), "chkSave")->setChecked(true);
    w->deliver(0, imageResponse(jpegBytes(40, 30), "one"));
    w->deliver(0, imageResponse(jpegBytes(40, 30, Qt::red), "two"));
    QVERIFY(w->camera(0)->changed());
    QTest::qWait(100);
    QVERIFY(camFiles(w->folder).isEmpty());

    // Space comes back: autosave resumes by itself and the next changed picture is saved.
    free = 5 * GiB;
    QTRY_COMPARE(pauses.size(), 2);
    QVERIFY(!w->window->cameras().autosavePaused());
    QVERIFY(label->isHidden());
    QSignalSpy saved(w->camera(0), &CameraEngine::pictureSaved);
    w->deliver(0, imageResponse(jpegBytes(40, 30, Qt::green), "three"));
    QTRY_COMPARE(saved.size(), 1);
    QCOMPARE(camFiles(w->folder), QStringList {autosaveFileName(QStringLiteral("Front Door"), now)});
}

void TestMainWindowHistory::windowsFromTheMenusAndTheViewer()
{
    std::unique_ptr<TestWindow> w = started(QStringLiteral("English"));
    w->window->show();
    control<QAction>(w->window.get(), "mnuFileItem", 2)->trigger();
    QWidget *saved = w->window->findChild<QWidget *>(QStringLiteral("frmSavedPictures"));
    QVERIFY(saved);
    QVERIFY(saved->isVisible());

    // The slot's context menu has "History…".
    w->open(QStringLiteral("Front Door"));
    w->deliver(0, imageResponse(jpegBytes(40, 30), "one"));
    QTimer::singleShot(0, this, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *history = menu->findChild<QAction *>(QStringLiteral("actHistory"));
        QVERIFY(history);
        QCOMPARE(history->text(), QStringLiteral("History…"));
        history->trigger();
        menu->close();
    });
    QMetaObject::invokeMethod(w->slot(0), "menuRequested", Q_ARG(int, 0), Q_ARG(QPoint, QPoint(10, 10)));
    QTRY_VERIFY(w->window->historyWindow());
    QCOMPARE(w->window->historyWindow()->cameraName(), QStringLiteral("Front Door"));
    w->window->historyWindow()->close();
    QTRY_VERIFY(!w->window->historyWindow());

    // From the viewer: Ctrl+H on the window while the slot is in the viewer. With a picture
    // saved, its Export opens the export dialog above it.
    w->folder.write(QStringLiteral("cam/")
                        + autosaveFileName(QStringLiteral("Front Door"), QDateTime(QDate(2024, 5, 1), QTime(8, 0))),
                    jpegBytes(40, 30));
    w->window->showSlotInViewer(0);
    QAction *viewerHistory = w->window->findChild<QAction *>(QStringLiteral("actViewerHistory"));
    QVERIFY(viewerHistory);
    QCOMPARE(viewerHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    viewerHistory->trigger();
    QVERIFY(w->window->historyWindow());
    auto *exportButton = control<QPushButton>(w->window->historyWindow(), "cmdExport");
    QVERIFY(exportButton);
    QTRY_VERIFY(exportButton->isEnabled());
    // A picture the camera saves while its history is open joins it, and the window, showing
    // the newest picture, moves on to it.
    HistoryWindow *open = w->window->historyWindow();
    QCOMPARE(open->pictureCount(), 1);
    control<QCheckBox>(w->window.get(), "chkSave")->setChecked(true);
    QSignalSpy savedPictures(w->camera(0), &CameraEngine::pictureSaved);
    w->deliver(0, imageResponse(jpegBytes(40, 30, Qt::red), "two"));
    QTRY_COMPARE(savedPictures.size(), 1);
    QCOMPARE(open->pictureCount(), 2);
    QCOMPARE(open->currentIndex(), 1);
    QCOMPARE(open->currentFileName(), QFileInfo(savedPictures[0][2].toString()).fileName());
    exportButton->click();
    QWidget *exportDialog = w->window->historyWindow()->findChild<QWidget *>(QStringLiteral("frmExport"));
    QVERIFY(exportDialog);
    QVERIFY(exportDialog->isVisible());
    QVERIFY(exportDialog->isWindow());

    // Closing the main window closes both.
    QPointer<QWidget> history(w->window->historyWindow());
    QPointer<QWidget> savedWindow(saved);
    w->window->close();
    QTRY_VERIFY(history.isNull() || !history->isVisible());
    QTRY_VERIFY(savedWindow.isNull() || !savedWindow->isVisible());
}

void TestMainWindowHistory::prunesTheListedCamerasAtStart()
{
    const QDateTime now(QDate(2026, 5, 20), QTime(14, 0, 0));
    FixedClock clock(now);
    loadIdentity();
    SavedPicturesSettings settings;
    settings.limits = {0, 2};
    settings.save(identity().programName);
    // Front Door is listed: its picture of a week ago goes. Nothing is known of Attic.
    auto w = std::make_unique<TestWindow>(
        QList<Camera> {{QStringLiteral("Front Door"), QStringLiteral("http://127.0.0.1:9/a.jpg")}}, false);
    const QString old = autosaveFileName(QStringLiteral("Front Door"), now.addDays(-7));
    const QString recent = autosaveFileName(QStringLiteral("Front Door"), now.addDays(-1));
    const QString unknown = autosaveFileName(QStringLiteral("Attic"), now.addDays(-7));
    for (const QString &name : {old, recent, unknown})
        w->folder.write(QStringLiteral("cam/") + name, "x");
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
    saveUserSetting(identity().programName, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    w->window->load();
    QVERIFY(w->window->pictureKeeper());
    QTRY_COMPARE(camFiles(w->folder), (QStringList {unknown, recent}));
    SavedPicturesSettings().save(identity().programName);
}

QTEST_MAIN(TestMainWindowHistory)
#include "tst_mainwindow_history.moc"
