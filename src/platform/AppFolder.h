// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The application folder: where the camera list, the "cam" folder, Localization.txt
// and Help.rtf live. Chosen once at start-up and read everywhere else.
namespace AppFolder {

// The folder in use, without a trailing "/". Empty until set().
QString path();

// Uses `folder` from now on (tests and the command-line option).
void set(const QString &folder);

// The file whose presence beside the program marks a portable install.
inline constexpr char PortableMarker[] = "portable";

// The default choice: the executable's folder when it is marked as a portable install,
// by a file (or anything else) named PortableMarker there or by `cameraListName`
// already there, so that folders used before the marker existed keep working;
// otherwise <generic data location>/<productName>, that is $XDG_DATA_HOME/<productName>
// (~/.local/share/<productName> when the variable is unset or not absolute). Whether the
// chosen folder can be written is ensureUsable's question, not this one's.
QString defaultFolder(const QString &executableDir, const QString &productName, const QString &cameraListName);

// Whether `executableDir` is marked as a portable install (see defaultFolder).
bool isPortable(const QString &executableDir, const QString &cameraListName);

// Creates the folder when missing, with its missing parents, readable, writable and
// searchable by the owner only (0700: it holds the camera list and the saved pictures);
// an existing folder keeps its permissions. Returns an explanation when it cannot be
// created or written, "" when it is usable.
QString ensureUsable(const QString &folder);

// path() + "/" + name.
QString file(const QString &name);

} // namespace AppFolder
