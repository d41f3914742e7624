#pragma once

#include <QString>

// The application folder: where the camera list, the "cam" folder, Localization.txt
// and Help.rtf live. Chosen once at start-up and read everywhere else.
namespace AppFolder {

// The folder in use, without a trailing "/". Empty until set().
QString path();

// Uses `folder` from now on (tests and the command-line option).
void set(const QString &folder);

// The default choice: the executable's folder when it is writable (a portable
// install), otherwise $XDG_DATA_HOME/Ocellus (~/.local/share/Ocellus).
QString defaultFolder(const QString &executableDir, const QString &productName);

// Creates the folder when missing, with its missing parents, readable, writable and
// searchable by the owner only (0700: it holds the camera list and the saved pictures);
// an existing folder keeps its permissions. Returns an explanation when it cannot be
// created or written, "" when it is usable.
QString ensureUsable(const QString &folder);

// path() + "/" + name.
QString file(const QString &name);

} // namespace AppFolder
