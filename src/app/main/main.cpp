// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Identity.h"
#include "app/startup/Startup.h"
#include "app/startup/StartupActions.h"
#include "app/startup/SplashWindow.h"
#include "monitor/BenchmarkLog.h"
#include "monitor/ui/MainWindow.h"
#include "platform/MemoryReuse.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/PermissionDialog.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    BenchmarkLog::event("main_entered");
    loadIdentity();
    // The command line is read before the window system is reached, so --help and
    // --version work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const StartupOptions options = parseCommandLine(arguments);
    switch (options.action) {
    case StartupOptions::Action::ShowHelp:
    case StartupOptions::Action::ShowVersion:
        std::fputs(qPrintable(options.message), stdout);
        return 0;
    case StartupOptions::Action::Error:
        std::fputs(qPrintable(options.message), stderr);
        return 2;
    case StartupOptions::Action::Run:
        break;
    }

    keepFreedMemoryForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationName(identity().programName);
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(identity().versionMajor).arg(identity().versionMinor));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/AAA.png")));

    const QString problem = prepareApplicationFolder(options.appFolder, QApplication::applicationDirPath());
    if (!problem.isEmpty()) {
        showMessage(nullptr, QMessageBox::Critical, identity().programName,
                              QStringLiteral("%1 cannot start: its application folder is not usable.\n\n%2\n\n"
                                             "Start it with --app-folder <folder> to use another folder.")
                                  .arg(identity().programName, problem));
        return 1;
    }
    setMachineSettingsCompany(identity().companyName);
    installPermissionDialog(nullptr);

    SplashWindow splash;
    QObject::connect(&splash, &SplashWindow::mainWindowShown,
        [&options](MainWindow *window) { applyStartupActions(*window, options); });
    splash.show();
    splash.load();
    return QApplication::exec();
}
