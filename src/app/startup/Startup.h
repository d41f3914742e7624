// SPDX-License-Identifier: GPL-3.0-or-later
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

// Chooses and prepares the application folder (the option; else the executable's folder
// when it is marked as a portable install; else $XDG_DATA_HOME/Ocellus), sets it, and
// brings its Localization.txt and Help.rtf up to date with the shipped ones
// (ShippedDocuments::refreshAll: missing or untouched copies are replaced, the user's own
// are kept). Returns "" on success, otherwise a message naming the folder and the reason.
QString prepareApplicationFolder(const QString &requested, const QString &executableDir);
