#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for.
struct StartupOptions
{
    enum class Action { Run, ShowHelp, ShowVersion, Error };
    Action action = Action::Run;
    QString appFolder;     // empty: the default choice
    QString message;       // help, version or error text for the terminal
    bool openAll = false;  // open every camera of the list at start-up, up to 24
    int viewSlot = 0;      // 1..24: show that slot in the viewer at start-up; 0: none
};

StartupOptions parseCommandLine(const QStringList &arguments);

// Chooses and prepares the application folder (option, else the executable's folder
// when writable, else $XDG_DATA_HOME/Ocellus), sets it, and places the shipped
// Localization.txt and Help.rtf there when they are missing. Returns "" on success,
// otherwise a message naming the folder and the reason.
QString prepareApplicationFolder(const QString &requested, const QString &executableDir);

// Copies the resource `resource` to `target` (AtomicFile::replace: through a temporary
// file, never through a symbolic link) unless the target exists; a dangling link in its
// place is replaced by the copy. Returns false when the copy failed.
bool placeShippedFile(const QString &resource, const QString &target);
