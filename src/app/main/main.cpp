#include "app/Identity.h"
#include "app/startup/Startup.h"
#include "app/startup/StartupActions.h"
#include "app/startup/frmSplash.h"
#include "monitor/ui/BenchmarkLog.h"
#include "monitor/ui/Form1.h"
#include "platform/MemoryReuse.h"
#include "platform/SettingsStore.h"
#include "platform/ui/PermissionDialog.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char *argv[])
{
    BenchmarkLog::event("main_entered");
    LoadIdentity();
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

    KeepFreedMemoryForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationName(Identity().programName);
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(Identity().versionMajor).arg(Identity().versionMinor));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/AAA.png")));

    const QString problem = prepareApplicationFolder(options.appFolder, QApplication::applicationDirPath());
    if (!problem.isEmpty()) {
        QMessageBox::critical(nullptr, Identity().programName,
                              QStringLiteral("%1 cannot start: its application folder is not usable.\n\n%2\n\n"
                                             "Start it with --app-folder <folder> to use another folder.")
                                  .arg(Identity().programName, problem));
        return 1;
    }
    SetMachineSettingsCompany(Identity().companyName);
    InstallPermissionDialog(nullptr);

    frmSplash splash;
    QObject::connect(&splash, &frmSplash::mainWindowShown,
        [&options](Form1 *form1) { ApplyStartupActions(*form1, options); });
    splash.show();
    splash.Form_Load();
    return QApplication::exec();
}
