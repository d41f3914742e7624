// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the command line, the application folder, the splash window and the ordered
// load of the main window on a first and a second run.

#include "app/Identity.h"
#include "app/SettingsKeys.h"
#include "app/startup/Startup.h"
#include "app/startup/SplashWindow.h"
#include "localization/LanguageTable.h"
#include "localization/ui/LanguageWindow.h"
#include "monitor/ui/MainWindow.h"
#include "platform/AppFolder.h"
#include "platform/SettingsStore.h"
#include "support/Controls.h"
#include "support/TempAppFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
const QString &program() { return identity().programName; }

// The scratch settings roots the test runner sets; the suite refuses to run without them.
const char *const SettingsRoots[] = {"OCELLUS_USER_SETTINGS_ROOT", "OCELLUS_MACHINE_SETTINGS_ROOT"};

void clearSettings()
{
    for (const char *root : SettingsRoots) {
        // An unset variable would name the working directory.
        if (const QString path = qEnvironmentVariable(root); !path.isEmpty())
            QDir(path).removeRecursively();
    }
}

// Closes the modal window that opens next (the first-run language window) and records it.
struct ModalCloser
{
    QString seen;
    explicit ModalCloser(QObject *context)
    {
        QTimer::singleShot(50, context, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen = modal->objectName();
                modal->close();
            }
        });
    }
};
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init() { clearSettings(); }
    void commandLine_data();
    void commandLine();
    void applicationFolder();
    void unusableApplicationFolder();
    void firstRunThenSecondRun();
    void autosaveSettingSurvivesARestart();
    void splashCounts75Ticks();
};

void TestStartup::initTestCase()
{
    for (const char *root : SettingsRoots)
        QVERIFY2(!qEnvironmentVariable(root).isEmpty(), root);
    loadIdentity();
    setMachineSettingsCompany(identity().companyName);
}

void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("folder");
    using A = StartupOptions::Action;
    QTest::newRow("nothing") << QStringList{"ocellus"} << int(A::Run) << QString();
    QTest::newRow("help") << QStringList{"ocellus", "--help"} << int(A::ShowHelp) << QString();
    QTest::newRow("help from a path") << QStringList{"/usr/local/bin/ocellus", "-h"} << int(A::ShowHelp) << QString();
    QTest::newRow("help after other options") << QStringList{"ocellus", "--open-all", "--view", "3", "--help"}
                                               << int(A::ShowHelp) << QString();
    QTest::newRow("help before version") << QStringList{"ocellus", "--version", "--help"} << int(A::ShowHelp) << QString();
    QTest::newRow("version") << QStringList{"ocellus", "-v"} << int(A::ShowVersion) << QString();
    QTest::newRow("version from a build folder") << QStringList{"./build/src/app/Ocellus-copy", "--version"}
                                                  << int(A::ShowVersion) << QString();
    QTest::newRow("folder") << QStringList{"ocellus", "--app-folder", "/tmp/x"} << int(A::Run) << QStringLiteral("/tmp/x");
    QTest::newRow("folder with =") << QStringList{"ocellus", "--app-folder=/a b"} << int(A::Run) << QStringLiteral("/a b");
    QTest::newRow("unknown option") << QStringList{"ocellus", "--frobnicate"} << int(A::Error) << QString();
    QTest::newRow("stray argument") << QStringList{"ocellus", "cams.txt"} << int(A::Error) << QString();
    QTest::newRow("folder without value") << QStringList{"ocellus", "--app-folder"} << int(A::Error) << QString();
}

void TestStartup::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    const StartupOptions options = parseCommandLine(arguments);
    QCOMPARE(int(options.action), action);
    if (options.action == StartupOptions::Action::Run)
        QTEST(options.appFolder, "folder");
    // Both name the program as installed, whatever path started it; in this process the
    // application object is the test's own executable.
    if (options.action == StartupOptions::Action::ShowVersion)
        QCOMPARE(options.message, QStringLiteral("ocellus 1.0\n"));
    if (options.action == StartupOptions::Action::ShowHelp) {
        QCOMPARE(options.message.section(QLatin1Char('\n'), 0, 1),
                 QStringLiteral("Usage: ocellus [options]\n"
                                "Ocellus watches network cameras that publish a still picture at an HTTP address."));
        QVERIFY(!options.message.contains(QStringLiteral("tst_startup")));
        QVERIFY(options.message.contains(QStringLiteral("--app-folder")));
    }
    if (options.action == StartupOptions::Action::Error)
        QVERIFY(!options.message.isEmpty());
}

void TestStartup::applicationFolder()
{
    const auto contentOf = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString shippedLocalization =
        qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/resources/Localization.txt");

    // A program folder marked as portable is the application folder; it gets the shipped
    // Localization.txt and keeps the user's own Help.rtf.
    QTemporaryDir portable;
    QFile marker(portable.filePath(QStringLiteral("portable")));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    QFile own(portable.filePath(QStringLiteral("Help.rtf")));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("{\\rtf1 mine}");
    own.close();
    QCOMPARE(prepareApplicationFolder(QString(), portable.path()), QString());
    QCOMPARE(AppFolder::path(), portable.path());
    QCOMPARE(contentOf(AppFolder::file(QStringLiteral("Localization.txt"))), contentOf(shippedLocalization));
    QCOMPARE(contentOf(own.fileName()), QByteArray("{\\rtf1 mine}"));

    // An unmarked program folder, as a build folder is, holds no user data: the
    // application folder is $XDG_DATA_HOME/Ocellus (the test runner's scratch folder).
    QTemporaryDir unmarked;
    QCOMPARE(prepareApplicationFolder(QString(), unmarked.path()), QString());
    QCOMPARE(AppFolder::path(), qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Ocellus"));
    QVERIFY(QFile::exists(AppFolder::file(QStringLiteral("Help.rtf"))));
    QCOMPARE(QDir(unmarked.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    // --app-folder wins over the marker.
    QTemporaryDir chosen;
    QCOMPARE(prepareApplicationFolder(chosen.path() + QStringLiteral("/"), portable.path()), QString());
    QCOMPARE(AppFolder::path(), chosen.path());
    QVERIFY(QFile::exists(chosen.filePath(QStringLiteral("Localization.txt"))));
}

void TestStartup::unusableApplicationFolder()
{
    // A regular file where the folder should be: no root permissions can make it usable.
    QTemporaryDir dir;
    const QString blocker = dir.path() + QStringLiteral("/blocker");
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString problem = prepareApplicationFolder(blocker + QStringLiteral("/Ocellus"), QString());
    QVERIFY(!problem.isEmpty());
    QVERIFY(problem.contains(blocker));
    const QString second = prepareApplicationFolder(blocker, QString());
    QVERIFY(second.contains(QStringLiteral("not a folder")));
}

void TestStartup::firstRunThenSecondRun()
{
    TempAppFolder folder;
    QFile::copy(QStringLiteral(":/Help.rtf"), folder.file(QStringLiteral("Help.rtf")));
    QFile::copy(QStringLiteral(":/Localization.txt"), folder.file(QStringLiteral("Localization.txt")));
    {
        MainWindow form;
        ModalCloser closer(this);
        form.load();
        // The language window was shown modally before the main window, and closing it
        // without a choice leaves "English".
        QCOMPARE(closer.seen, QStringLiteral("frmLanguage"));
        QCOMPARE(userSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QString()),
                 QStringLiteral("English"));
        QVERIFY(form.windowState() & Qt::WindowMaximized);
        QCOMPARE(form.windowTitle(), QStringLiteral("Ocellus"));
        QCOMPARE(control<QPushButton>(&form, "Command2")->text(), QStringLiteral("www.ocellus.example"));
        QVERIFY(QFileInfo(folder.file(QStringLiteral("cam"))).isDir());
        QCOMPARE(folder.read(QStringLiteral("00camlist.txt")), QByteArray("\r\n"));
        QCOMPARE(control<QListWidget>(&form, "List1")->count(), 0);
        QVERIFY(!control<QCheckBox>(&form, "chkSave")->isChecked());
        // "showHelp" absent: the help window opened.
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::any_of(windows.begin(), windows.end(),
                            [](QWidget *w) { return w->objectName() == QLatin1String("Form8") && w->isVisible(); }));
        for (QWidget *w : windows) {
            if (w->objectName() == QLatin1String("Form8"))
                w->close();
        }
    }
    // Second run: the stored language applies, no language window; cameras added to the
    // file by hand are listed; "showHelp" = "0" keeps the help window away.
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("Deutsch"));
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    folder.write(QStringLiteral("00camlist.txt"), "\n[name]Porch\nhttp://porch/cam.jpg\n30\n\n");
    QDir(folder.file(QStringLiteral("cam"))).removeRecursively();
    MainWindow form;
    ModalCloser closer(this);
    form.load();
    QTest::qWait(100);
    QCOMPARE(closer.seen, QString());
    QCOMPARE(form.languages().currentLanguage(), QStringLiteral("Deutsch"));
    const QListWidget *list = control<QListWidget>(&form, "List1");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Porch"));
    QVERIFY(QFileInfo(folder.file(QStringLiteral("cam"))).isDir());
    // The language's captions were applied, then the window caption set to the program name.
    QCOMPARE(control<QPushButton>(&form, "cmdAdd")->text(), QStringLiteral("Neu"));
    QCOMPARE(control<QGroupBox>(&form, "Frame1")->title(), QStringLiteral("Steuerung"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Ocellus"));
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(),
                         [](QWidget *w) { return w->objectName() == QLatin1String("Form8") && w->isVisible(); }));
}

void TestStartup::autosaveSettingSurvivesARestart()
{
    TempAppFolder folder;
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    {
        MainWindow form;
        form.load();
        QCheckBox *autosave = control<QCheckBox>(&form, "chkSave");
        QVERIFY(!autosave->isChecked());
        QTest::mouseClick(autosave, Qt::LeftButton);
        QVERIFY(autosave->isChecked());
    }
    QCOMPARE(machineSetting(program(), SettingsKeys::Section, SettingsKeys::AutoSave, QString()),
             QStringLiteral("1"));
    MainWindow form;
    form.load();
    QVERIFY(control<QCheckBox>(&form, "chkSave")->isChecked());
}

void TestStartup::splashCounts75Ticks()
{
    TempAppFolder folder;
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::Language, QStringLiteral("English"));
    saveUserSetting(program(), SettingsKeys::Section, SettingsKeys::ShowHelp, QStringLiteral("0"));
    SplashWindow splash;
    QSignalSpy shown(&splash, &SplashWindow::mainWindowShown);
    splash.show();
    splash.load();
    QVERIFY(shown.wait(10000));
    QCOMPARE(splash.ticks(), 75);
    QVERIFY(splash.mainWindow());
    QVERIFY(splash.mainWindow()->isVisible());
    QVERIFY(!splash.isVisible());
    QTest::qWait(50);
    QCOMPARE(shown.count(), 1);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
