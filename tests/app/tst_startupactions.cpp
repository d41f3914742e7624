// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up options that act on the main window: --open-all and --view.

#include "app/startup/Startup.h"
#include "app/startup/StartupActions.h"

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "monitor/CameraMonitor.h"
#include "platform/SettingsStore.h"
#include "support/MainWindowWithList.h"
#include "viewer/ui/ViewerPanel.h"

#include <QtTest>

#include <QAction>
#include <QTemporaryDir>

using namespace fixture;

class TestStartupActions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("openAll");
        QTest::addColumn<int>("view");
        QTest::newRow("neither") << QStringList {"ocellus"} << true << false << 0;
        QTest::newRow("open all") << QStringList {"ocellus", "--open-all"} << true << true << 0;
        QTest::newRow("open all, view 24")
            << QStringList {"ocellus", "--open-all", "--view", "24"} << true << true << 24;
        QTest::newRow("view 1") << QStringList {"ocellus", "--view=1"} << true << false << 1;
        QTest::newRow("view 0") << QStringList {"ocellus", "--view", "0"} << false << false << 0;
        QTest::newRow("view 25") << QStringList {"ocellus", "--view", "25"} << false << false << 0;
        QTest::newRow("view not a number")
            << QStringList {"ocellus", "--view", "first"} << false << false << 0;
        QTest::newRow("view without a value") << QStringList {"ocellus", "--view"} << false << false << 0;
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, ok);
        const StartupOptions options = parseCommandLine(arguments);
        QCOMPARE(options.action == StartupOptions::Action::Run, ok);
        if (ok) {
            QTEST(options.openAll, "openAll");
            QTEST(options.viewSlot, "view");
        } else {
            QVERIFY(!options.message.isEmpty());
        }
    }

    void helpNamesTheOptions()
    {
        const StartupOptions options
            = parseCommandLine({QStringLiteral("ocellus"), QStringLiteral("--help")});
        QVERIFY(options.message.contains(QLatin1String("--open-all")));
        QVERIFY(options.message.contains(QLatin1String("--view <slot>")));
    }

    void openAllFillsTheSlotsInListOrder()
    {
        // 26 entries, one name twice: 24 slots, each camera once, in list order.
        QList<Camera> cameras;
        for (int i = 1; i <= 25; ++i)
            cameras.append(
                {QStringLiteral("Cam %1").arg(i), QStringLiteral("http://127.0.0.1:9/%1.jpg").arg(i)});
        cameras.insert(3, {QStringLiteral("Cam 2"), QStringLiteral("http://127.0.0.1:9/again.jpg")});
        MainWindowWithList w(cameras);
        StartupOptions options;
        options.openAll = true;
        options.viewSlot = 2;
        applyStartupActions(*w.window, options);
        const CameraMonitor &monitor = w.window->cameras();
        QCOMPARE(monitor.openCount(), 24);
        for (int i = 0; i < 24; ++i) {
            QVERIFY(monitor.camera(i)->isOpen());
            QCOMPARE(monitor.camera(i)->record().name, QStringLiteral("Cam %1").arg(i + 1));
        }
        QCOMPARE(w.window->viewerSlot(), 1);
        QVERIFY(control<ViewerPanel>(w.window.get(), "frmMain")->isVisibleTo(w.window.get()));
    }

    void reopenAtStartKeepsTheSlots()
    {
        // The user's settings in a folder of this test; no help window, no language question.
        QTemporaryDir settings;
        qputenv("OCELLUS_USER_SETTINGS_ROOT", QFile::encodeName(settings.path()));
        loadIdentity();
        const QString program = identity().programName;
        saveUserSetting(program, SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
        saveUserSetting(program, SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
        const QList<Camera> cameras {{QStringLiteral("Gate"), QStringLiteral("http://127.0.0.1:9/g.jpg")},
                                     {QStringLiteral("Yard, rear"), QStringLiteral("http://127.0.0.1:9/y.jpg")},
                                     {QStringLiteral("Shed"), QStringLiteral("http://127.0.0.1:9/s.jpg")}};
        auto reopenItem = [](MainWindow *window) {
            for (QAction *action : window->findChildren<QAction *>(QStringLiteral("mnuFileItem")))
                if (action->property("Index").toInt() == 1)
                    return action;
            return static_cast<QAction *>(nullptr);
        };
        {
            // Off by default; the choice is stored at once. Gaps stay gaps.
            MainWindowWithList w(cameras);
            w.window->load();
            QAction *reopen = reopenItem(w.window.get());
            QVERIFY(reopen && reopen->isCheckable() && !reopen->isChecked());
            reopen->setChecked(true);
            for (const QString &name : {QStringLiteral("Gate"), QStringLiteral("Yard, rear"), QStringLiteral("Shed")})
                w.open(name);
            w.window->cameras().camera(0)->stop();
            w.window->rememberOpenCameras();
        }
        QStringList stored = userSettingList(program, SettingsKeys::Section, SettingsKeys::OpenCameras);
        QCOMPARE(stored.size(), CameraMonitor::SlotCount);
        QCOMPARE(stored.mid(0, 3), QStringList({QString(), QStringLiteral("Yard, rear"), QStringLiteral("Shed")}));

        // A camera gone from the list and a name stored twice open nothing.
        stored[5] = QStringLiteral("Gone");
        stored[7] = QStringLiteral("Shed");
        saveUserSettingList(program, SettingsKeys::Section, SettingsKeys::OpenCameras, stored);
        for (const bool on : {true, false}) {
            saveUserSetting(program, SettingsKeys::Section, SettingsKeys::ReopenCameras,
                            on ? QStringLiteral("1") : QStringLiteral("0"));
            MainWindowWithList w(cameras);
            w.window->load();
            QCOMPARE(reopenItem(w.window.get())->isChecked(), on);
            applyStartupActions(*w.window, StartupOptions());
            const CameraMonitor &monitor = w.window->cameras();
            QCOMPARE(monitor.openCount(), on ? 2 : 0);
            if (on) {
                QCOMPARE(monitor.camera(1)->record().name, QStringLiteral("Yard, rear"));
                QCOMPARE(monitor.camera(2)->record().name, QStringLiteral("Shed"));
            }
        }
        qunsetenv("OCELLUS_USER_SETTINGS_ROOT");
    }

    void viewOfAClosedSlotDoesNothing()
    {
        MainWindowWithList w({{QStringLiteral("Only"), QStringLiteral("http://127.0.0.1:9/a.jpg")}});
        const CameraMonitor &cameras = w.window->cameras();
        StartupOptions options;
        options.viewSlot = 1; // no --open-all: slot 1 stays closed
        applyStartupActions(*w.window, options);
        QCOMPARE(cameras.openCount(), 0);
        QCOMPARE(w.window->viewerSlot(), -1);
        options.openAll = true;
        options.viewSlot = 2; // open, but slot 2 is not
        applyStartupActions(*w.window, options);
        QCOMPARE(cameras.openCount(), 1);
        QCOMPARE(w.window->viewerSlot(), -1);
        // A second --open-all opens nothing twice.
        applyStartupActions(*w.window, options);
        QCOMPARE(cameras.openCount(), 1);
    }
};

QTEST_MAIN(TestStartupActions)
#include "tst_startupactions.moc"
