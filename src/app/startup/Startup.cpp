// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup/Startup.h"

#include "app/Identity.h"
#include "app/ShippedDocuments.h"
#include "camlist/CameraListFile.h"
#include "platform/AppFolder.h"

#include <QCommandLineParser>

namespace {
// The name the program is installed and started under; --help and --version give it
// whatever path started the program.
constexpr QLatin1String executableName("ocellus");
} // namespace

StartupOptions parseCommandLine(const QStringList &arguments)
{
    StartupOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("%1 watches network cameras that publish a still picture at an HTTP address.")
            .arg(identity().programName));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help and exits."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Shows the version and exits."));
    const QCommandLineOption folderOption(
        QStringLiteral("app-folder"),
        QStringLiteral("Keeps the camera list, the cam folder, Localization.txt and Help.rtf in <folder> "
                       "instead of $XDG_DATA_HOME/%1 (~/.local/share/%1), or of the program's folder when a "
                       "file named \"portable\" or a camera list is there.")
            .arg(identity().programName),
        QStringLiteral("folder"));
    const QCommandLineOption openAllOption(
        QStringLiteral("open-all"),
        QStringLiteral("Opens every camera of the list at start-up, up to 24, in list order."));
    const QCommandLineOption viewOption(
        QStringLiteral("view"),
        QStringLiteral("Shows camera slot <slot> (1 to 24, counted in opening order) in the viewer at "
                       "start-up, as a click on its picture would."),
        QStringLiteral("slot"));
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    parser.addOption(folderOption);
    parser.addOption(openAllOption);
    parser.addOption(viewOption);

    if (!parser.parse(arguments)) {
        options.action = StartupOptions::Action::Error;
        options.message = parser.errorText() + QLatin1Char('\n');
        return options;
    }
    if (parser.isSet(helpOption)) {
        options.action = StartupOptions::Action::ShowHelp;
        // The parser names the executable from the application object, which does not
        // exist yet when a display is not needed, so the usage line is written here.
        options.message = parser.helpText();
        options.message.replace(0, options.message.indexOf(QLatin1Char('\n')),
                                QStringLiteral("Usage: %1 [options]").arg(executableName));
    } else if (parser.isSet(versionOption)) {
        options.action = StartupOptions::Action::ShowVersion;
        options.message = QStringLiteral("%1 %2.%3\n")
                              .arg(executableName)
                              .arg(identity().versionMajor)
                              .arg(identity().versionMinor);
    } else if (!parser.positionalArguments().isEmpty()) {
        options.action = StartupOptions::Action::Error;
        options.message = QStringLiteral("Unexpected argument: %1\n").arg(parser.positionalArguments().first());
    }
    options.appFolder = parser.value(folderOption);
    options.openAll = parser.isSet(openAllOption);
    if (parser.isSet(viewOption) && options.action == StartupOptions::Action::Run) {
        bool isNumber = false;
        const int slot = parser.value(viewOption).toInt(&isNumber);
        if (!isNumber || slot < 1 || slot > 24) {
            options.action = StartupOptions::Action::Error;
            options.message = QStringLiteral("--view takes a slot number from 1 to 24, not \"%1\"\n")
                                  .arg(parser.value(viewOption));
        } else {
            options.viewSlot = slot;
        }
    }
    return options;
}

QString prepareApplicationFolder(const QString &requested, const QString &executableDir)
{
    const QString folder = requested.isEmpty()
        ? AppFolder::defaultFolder(executableDir, identity().programName, CameraListFile::FileName)
        : requested;
    const QString problem = AppFolder::ensureUsable(folder);
    if (!problem.isEmpty())
        return problem;
    AppFolder::set(folder);
    // A document that cannot be refreshed leaves the copy there as it was; the windows
    // that read it say so when it is missing.
    ShippedDocuments::refreshAll(AppFolder::path(), executableDir);
    return QString();
}
